#include "pe_check.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

namespace win95check {
namespace {

// Thrown by every read that would leave the file; ends the check.
struct Unreadable {
    std::string reason;
};

// Guards against import tables that loop through mapped memory for ever.
constexpr std::size_t kMaxImportEntries = 1 << 16;

std::string Hex(std::uint64_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

struct Section {
    std::uint64_t rva, size, offset;
};

class Image {
  public:
    explicit Image(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    std::uint32_t U16(std::uint64_t offset) const { return Read(offset, 2); }
    std::uint32_t U32(std::uint64_t offset) const { return Read(offset, 4); }

    std::string CString(std::uint64_t offset) const {
        std::string text;
        for (std::uint64_t at = offset;; ++at) {
            if (at >= bytes_.size())
                throw Unreadable{"string at " + Hex(offset) + " runs past the end of the file"};
            if (bytes_[at] == 0) return text;
            text += static_cast<char>(bytes_[at]);
        }
    }

    // File offset of a relative virtual address; the first section holding it wins.
    std::uint64_t At(std::uint64_t rva) const {
        for (const Section& s : sections)
            if (s.rva <= rva && rva < s.rva + s.size) return s.offset + (rva - s.rva);
        throw Unreadable{"RVA " + Hex(rva) + " outside every section"};
    }

    std::vector<Section> sections;

  private:
    std::uint32_t Read(std::uint64_t offset, unsigned count) const {
        if (offset > bytes_.size() || bytes_.size() - offset < count)
            throw Unreadable{"file ends before offset " + Hex(offset + count)};
        std::uint32_t value = 0;
        for (unsigned i = count; i-- > 0;)
            value = value << 8 | bytes_[offset + i];
        return value;
    }

    const std::vector<unsigned char>& bytes_;
};

// The optional header's count of data directories, which the directories
// follow; the 64-bit header's fields from the stack sizes on are 8 bytes.
std::uint64_t DirectoryCount(std::uint64_t opt, Target target) {
    return opt + (target == Target::kX64 ? 108 : 92);
}

void CheckHeaders(const Image& image, std::uint64_t opt, Target target, CheckResult& result) {
    std::uint32_t osMajor = image.U16(opt + 40), osMinor = image.U16(opt + 42);
    std::uint32_t subMajor = image.U16(opt + 48), subMinor = image.U16(opt + 50);
    std::uint32_t subsystem = image.U16(opt + 68);
    const std::uint64_t count = DirectoryCount(opt, target);
    std::uint32_t directories = image.U32(count);
    // Windows 95; Windows XP x64 and Server 2003, the first for x64.
    const std::string version = target == Target::kX64 ? "5.2" : "4.0";
    auto& problems = result.problems;
    if (subsystem != 2)
        problems.push_back("subsystem " + std::to_string(subsystem) + ", expected 2 (Windows GUI)");
    const std::string sub = std::to_string(subMajor) + "." + std::to_string(subMinor);
    if (sub != version) problems.push_back("subsystem version " + sub + ", expected " + version);
    const std::string os = std::to_string(osMajor) + "." + std::to_string(osMinor);
    if (os != version) problems.push_back("OS version " + os + ", expected " + version);
    if (directories > 13 && image.U32(count + 4 + 8 * 13) != 0)
        problems.push_back("has delay-load imports");
}

// Each import is a 4-byte entry, or an 8-byte one in a 64-bit image, whose
// top bit marks an ordinal.
void ReadImports(const Image& image, std::uint64_t descriptor, Target target, CheckResult& result) {
    const unsigned width = target == Target::kX64 ? 8 : 4;
    std::size_t entries = 0;
    for (; descriptor != 0; descriptor += 20) {
        std::uint64_t at = image.At(descriptor);
        std::uint32_t lookup = image.U32(at), nameRva = image.U32(at + 12);
        std::uint32_t addresses = image.U32(at + 16);
        if (nameRva == 0) break;
        std::string dll = image.CString(image.At(nameRva));
        for (std::uint64_t thunk = lookup ? lookup : addresses;; thunk += width) {
            if (++entries > kMaxImportEntries) throw Unreadable{"import table does not end"};
            const std::uint64_t at = image.At(thunk);
            std::uint32_t entry = image.U32(at);
            const std::uint32_t top = width == 8 ? image.U32(at + 4) : entry;
            if (entry == 0 && top == 0) break;
            if (top & 0x80000000u)
                result.problems.push_back(dll + ": import by ordinal " +
                                          std::to_string(entry & 0xFFFF));
            else
                result.imports.push_back({dll, image.CString(image.At(entry + 2ull))});
        }
    }
}

} // namespace

bool ParseApiList(std::istream& in, ApiList& list, std::string& error, Target target) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream fields(line);
        std::string dll, function, only, extra;
        if (!(fields >> dll) || dll[0] == '#') continue;
        if (!(fields >> function) || (fields >> only && only != "x64") || fields >> extra) {
            error = "line " + std::to_string(number) + " is not \"DLL FUNCTION [x64]\"";
            return false;
        }
        if (only.empty() || target == Target::kX64) list.insert({Upper(dll), function});
    }
    return true;
}

CheckResult CheckImage(const std::vector<unsigned char>& bytes, const ApiList& allowed,
                       Target target) {
    CheckResult result;
    Image image(bytes);
    try {
        if (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z')
            throw Unreadable{"no MZ header"};
        std::uint64_t pe = image.U32(0x3C);
        if (image.U32(pe) != 0x00004550) throw Unreadable{"no PE signature"};
        std::uint32_t machine = image.U16(pe + 4), sectionCount = image.U16(pe + 6);
        std::uint64_t opt = pe + 24, optSize = image.U16(pe + 20);
        std::uint32_t magic = image.U16(opt);
        const bool x64 = target == Target::kX64;
        if (machine != (x64 ? 0x8664u : 0x14Cu) || magic != (x64 ? 0x20Bu : 0x10Bu)) {
            result.problems.push_back(std::string(x64 ? "not a 64-bit x64" : "not a 32-bit x86") +
                                      " image (machine " + Hex(machine) + ", magic " + Hex(magic) +
                                      ")");
            return result;
        }
        CheckHeaders(image, opt, target, result);
        for (std::uint64_t i = 0, at = opt + optSize + 8; i < sectionCount; ++i, at += 40) {
            std::uint64_t virtualSize = image.U32(at), rawSize = image.U32(at + 8);
            image.sections.push_back(
                {image.U32(at + 4), std::max(virtualSize, rawSize), image.U32(at + 12)});
        }
        const std::uint64_t count = DirectoryCount(opt, target);
        if (image.U32(count) > 1) ReadImports(image, image.U32(count + 4 + 8), target, result);
        for (const Import& import : result.imports)
            if (!allowed.count({Upper(import.dll), import.function}))
                result.problems.push_back(import.dll + "!" + import.function +
                                          (x64 ? " is not on the list for the 64-bit twin"
                                               : " is not on the Windows 95 list"));
    } catch (const Unreadable& e) {
        result.unreadable = e.reason;
    }
    return result;
}

std::string FormatReport(const std::string& path, std::size_t size, const CheckResult& result,
                         Target target) {
    if (!result.unreadable.empty()) return "unreadable: " + result.unreadable + "\n";
    std::string text;
    for (const std::string& problem : result.problems)
        text += "FAIL " + problem + "\n";
    std::set<std::string> dlls;
    for (const Import& import : result.imports)
        dlls.insert(Upper(import.dll));
    std::string from;
    for (const std::string& dll : dlls)
        from += (from.empty() ? "" : ", ") + dll;
    text += path.substr(path.find_last_of('/') + 1) + ": " + std::to_string(size) + " bytes, " +
            std::to_string(result.imports.size()) + " imports from " +
            (from.empty() ? "nothing" : from) + "\n";
    if (result.problems.empty())
        return text + (target == Target::kX64 ? "ok: loads on 64-bit Windows\n"
                                              : "ok: loads on Windows 95/98\n");
    return text + "not ok: " + std::to_string(result.problems.size()) + " problem(s)\n";
}

std::vector<StoredPart> StoredParts(const std::vector<unsigned char>& bytes) {
    const Image image(bytes);
    std::vector<StoredPart> parts{{"headers"}};
    std::vector<std::uint64_t> offsets, sizes; // of each part, the headers' first
    try {
        const std::uint64_t pe = image.U32(0x3C);
        const std::uint64_t count = image.U16(pe + 6), first = pe + 24 + image.U16(pe + 20);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> order; // file offset, section
        for (std::uint64_t i = 0; i < count; ++i)
            if (image.U32(first + 40 * i + 16) != 0 && image.U32(first + 40 * i + 20) != 0)
                order.push_back({image.U32(first + 40 * i + 20), first + 40 * i});
        std::sort(order.begin(), order.end());
        offsets.push_back(0);
        sizes.push_back(0);
        for (const auto& [offset, header] : order) {
            std::string name;
            for (int i = 0; i < 8 && bytes[header + i] != 0; ++i)
                name += static_cast<char>(bytes[header + i]);
            parts.push_back({name});
            offsets.push_back(offset);
            sizes.push_back(std::min(image.U32(header + 8), image.U32(header + 16)));
        }
    } catch (const Unreadable&) {
        return {};
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::uint64_t end = i + 1 < parts.size() ? offsets[i + 1] : bytes.size();
        if (end > bytes.size() || end < offsets[i]) return {};
        parts[i].bytes = end - offsets[i];
        std::uint64_t used = sizes[i];
        if (i > 0 && used >= parts[i].bytes)
            for (used = parts[i].bytes; used > 0 && bytes[offsets[i] + used - 1] == 0;)
                --used;
        if (i > 0) parts[i].room = parts[i].bytes - used;
    }
    return parts;
}

int ExitStatus(const CheckResult& result) {
    if (!result.unreadable.empty()) return 2;
    return result.problems.empty() ? 0 : 1;
}

} // namespace win95check
