// Decides from its PE headers and import table whether a Win32 executable
// loads on Windows 95/98, or whether its 64-bit twin is a 64-bit GUI image
// that imports listed functions of the same system DLLs only.
#pragma once

#include <cstddef>
#include <istream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace win95check {

// (DLL name in upper case, function name) pairs that Windows 95 provides.
using ApiList = std::set<std::pair<std::string, std::string>>;

// The shipped 32-bit executable, or its 64-bit twin.
enum class Target { kWin95, kX64 };

struct Import {
    std::string dll;
    std::string function;
};

struct CheckResult {
    std::string unreadable;            // why the image could not be parsed; empty if it could
    std::vector<std::string> problems; // each a reason the image would not load
    std::vector<Import> imports;       // functions imported by name, in table order
};

// Reads "DLL FUNCTION" lines; blank lines and lines starting with '#' are
// skipped. A line "DLL FUNCTION x64" names a function that only 64-bit
// Windows exports (32-bit headers make it a macro), taken for kX64 only. On
// a malformed line returns false with `error` naming it.
bool ParseApiList(std::istream& in, ApiList& list, std::string& error,
                  Target target = Target::kWin95);

// kWin95: a 32-bit x86 GUI image for Windows 4.0; kX64: an x64 GUI image
// for Windows 5.2, the first for x64. Either without delay-load or ordinal
// imports, and with listed imports only.
CheckResult CheckImage(const std::vector<unsigned char>& image, const ApiList& allowed,
                       Target target = Target::kWin95);

// The text to print for the image at `path` of `size` bytes. The summary line
// reads "NAME: SIZE bytes, COUNT imports from DLL, DLL, ..." so that scripts
// can take the import count from it.
std::string FormatReport(const std::string& path, std::size_t size, const CheckResult& result,
                         Target target = Target::kWin95);

// 0: loads on Windows 95; 1: has problems; 2: unreadable.
int ExitStatus(const CheckResult& result);

// Where the bytes of a PE image (32- or 64-bit) go: the headers, then each
// section stored in the file, in file order, each padded to the file
// alignment, with the room left at its end: what is stored past the
// section's size or, where its data fills what is stored, past its last
// nonzero byte. The headers have no room. Empty when the image is unreadable.
struct StoredPart {
    std::string name;
    std::size_t bytes = 0, room = 0;
};
std::vector<StoredPart> StoredParts(const std::vector<unsigned char>& image);

} // namespace win95check
