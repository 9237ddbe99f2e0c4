#include "pe_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>

namespace win95check {
namespace {

using Strings = std::vector<std::string>;
using Bytes = std::vector<unsigned char>;

// A synthetic executable; the defaults load on Windows 95.
struct Layout {
    std::uint16_t machine = 0x14C, magic = 0x10B, subsystem = 2;
    std::uint16_t subsystemVersion[2] = {4, 0}, osVersion[2] = {4, 0};
    std::uint32_t importRva = 0x1000, delayImportRva = 0;
    bool lookupTables = true; // false: only the address tables name the imports
    bool x64 = false;         // 64-bit headers and 8-byte import entries
    // Each DLL with its functions; "#N" imports ordinal N.
    std::vector<std::pair<std::string, Strings>> imports = {
        {"kernel32.dll", {"ExitProcess", "GetModuleHandleA"}}, {"USER32.dll", {"MessageBoxA"}}};
};

void Put(Bytes& bytes, std::size_t at, std::uint32_t value, unsigned size) {
    if (bytes.size() < at + size) bytes.resize(at + size);
    for (unsigned i = 0; i < size; ++i)
        bytes[at + i] = value >> (8 * i) & 0xFF;
}

// Headers, then one section at file offset 0x200, RVA 0x1000: the import
// descriptors, and per DLL its thunks, function names and DLL name. The file
// ends with the last DLL name, so every shorter prefix lacks something.
Bytes Build(const Layout& l) {
    Bytes idata((l.imports.size() + 1) * 20);
    auto rva = [&] { return 0x1000 + idata.size(); }; // of the next byte appended
    auto append = [&](const std::string& text) {
        idata.insert(idata.end(), text.begin(), text.end());
        idata.push_back(0);
    };
    for (std::size_t d = 0; d < l.imports.size(); ++d) {
        const auto& [dll, functions] = l.imports[d];
        if (l.lookupTables) Put(idata, d * 20, rva(), 4);
        Put(idata, d * 20 + 16, rva(), 4);
        const unsigned width = l.x64 ? 8 : 4;
        std::size_t thunk = idata.size();
        idata.resize(thunk + (functions.size() + 1) * width);
        for (const std::string& function : functions) {
            bool ordinal = function[0] == '#';
            const std::uint32_t number = ordinal ? std::stoul(function.substr(1)) : 0;
            if (!ordinal)
                Put(idata, thunk, rva(), 4);
            else if (l.x64) {
                Put(idata, thunk, number, 4);
                Put(idata, thunk + 4, 0x80000000u, 4);
            } else
                Put(idata, thunk, 0x80000000u | number, 4);
            thunk += width;
            if (!ordinal) append(std::string(2, '\0') + function); // after a zero hint
        }
        Put(idata, d * 20 + 12, rva(), 4);
        append(dll);
    }
    const std::uint32_t opt = 0x58, optSize = l.x64 ? 240 : 224, section = opt + optSize;
    const std::uint32_t directories = opt + (l.x64 ? 108 : 92), size = idata.size();
    Bytes image(0x200);
    // clang-format off
    const std::uint32_t fields[][3] = { // offset, value, width
        {0, 'M' | 'Z' << 8, 2}, {0x3C, 0x40, 4}, {0x40, 0x4550, 4}, {0x44, l.machine, 2},
        {0x46, 1, 2}, {0x54, optSize, 2}, {opt, l.magic, 2}, {opt + 40, l.osVersion[0], 2},
        {opt + 42, l.osVersion[1], 2}, {opt + 48, l.subsystemVersion[0], 2},
        {opt + 50, l.subsystemVersion[1], 2}, {opt + 68, l.subsystem, 2}, {directories, 16, 4},
        {directories + 12, l.importRva, 4}, {directories + 108, l.delayImportRva, 4},
        {section + 8, size, 4},
        {section + 12, 0x1000, 4}, {section + 16, size, 4}, {section + 20, 0x200, 4}};
    // clang-format on
    for (const auto& field : fields)
        Put(image, field[0], field[1], field[2]);
    image.insert(image.end(), idata.begin(), idata.end());
    return image;
}

// The 64-bit twin as the linker makes it.
Layout Twin() {
    Layout layout;
    layout.x64 = true;
    layout.machine = 0x8664;
    layout.magic = 0x20B;
    layout.subsystemVersion[0] = layout.osVersion[0] = 5;
    layout.subsystemVersion[1] = layout.osVersion[1] = 2;
    layout.imports = {{"KERNEL32.dll", {"ExitProcess"}}, {"USER32.dll", {"SetWindowLongPtrA"}}};
    return layout;
}

ApiList Allowed(Target target = Target::kWin95) {
    std::istringstream in("# comment\n\nKERNEL32.dll ExitProcess\n  KERNEL32.dll GetModuleHandleA\n"
                          "user32.dll MessageBoxA\nUSER32.dll SetWindowLongPtrA x64\n");
    ApiList list;
    std::string error;
    EXPECT_TRUE(ParseApiList(in, list, error, target)) << error;
    return list;
}

CheckResult Check(const Layout& layout) { return CheckImage(Build(layout), Allowed()); }

TEST(Win95Check, AcceptsGuiImageImportingListedFunctions) {
    for (bool lookupTables : {true, false}) {
        Layout layout;
        layout.lookupTables = lookupTables;
        Bytes image = Build(layout);
        CheckResult result = CheckImage(image, Allowed());
        EXPECT_EQ(ExitStatus(result), 0);
        EXPECT_EQ(FormatReport("build/dusklens.exe", image.size(), result),
                  "dusklens.exe: " + std::to_string(image.size()) +
                      " bytes, 3 imports from KERNEL32.DLL, USER32.DLL\n"
                      "ok: loads on Windows 95/98\n");
    }
}

TEST(Win95Check, RefusesHeadersNewerThanWindows95) {
    Layout layout;
    layout.subsystem = 3;
    layout.subsystemVersion[1] = 10;
    layout.osVersion[0] = 5;
    layout.delayImportRva = 0x1000;
    CheckResult result = Check(layout);
    EXPECT_EQ(result.problems, (Strings{"subsystem 3, expected 2 (Windows GUI)",
                                        "subsystem version 4.10, expected 4.0",
                                        "OS version 5.0, expected 4.0", "has delay-load imports"}));
    EXPECT_EQ(ExitStatus(result), 1);

    layout.machine = 0x8664;
    layout.magic = 0x20B;
    EXPECT_EQ(Check(layout).problems,
              Strings{"not a 32-bit x86 image (machine 0x8664, magic 0x20b)"});
}

TEST(Win95Check, ChecksTheTwinAsA64BitGuiImageWithListedImportsOnly) {
    constexpr Target kX64 = Target::kX64;
    Bytes twin = Build(Twin());
    EXPECT_EQ(FormatReport("build/win64/dusklens.exe", twin.size(),
                           CheckImage(twin, Allowed(kX64), kX64), kX64),
              "dusklens.exe: " + std::to_string(twin.size()) +
                  " bytes, 2 imports from KERNEL32.DLL, USER32.DLL\n"
                  "ok: loads on 64-bit Windows\n");
    // A 64-bit-only function is none of Windows 95's; a 32-bit image is no twin.
    Layout shipped;
    shipped.imports = {{"USER32.dll", {"SetWindowLongPtrA"}}};
    EXPECT_EQ(Check(shipped).problems,
              Strings{"USER32.dll!SetWindowLongPtrA is not on the Windows 95 list"});
    EXPECT_EQ(CheckImage(Build(Layout()), Allowed(kX64), kX64).problems,
              Strings{"not a 64-bit x64 image (machine 0x14c, magic 0x10b)"});

    Layout bad = Twin();
    bad.osVersion[1] = 0;
    bad.delayImportRva = 0x1000;
    bad.imports = {{"KERNEL32.dll", {"#7", "ExitProcess"}}, {"MSVCRT.dll", {"malloc"}}};
    EXPECT_EQ(CheckImage(Build(bad), Allowed(kX64), kX64).problems,
              (Strings{"OS version 5.0, expected 5.2", "has delay-load imports",
                       "KERNEL32.dll: import by ordinal 7",
                       "MSVCRT.dll!malloc is not on the list for the 64-bit twin"}));
}

TEST(Win95Check, RefusesOrdinalsAndUnlistedFunctions) {
    Layout layout;
    layout.imports = {{"KERNEL32.dll", {"ExitProcess", "#12"}},
                      {"user32.dll", {"MessageBoxW", "messageboxa"}}};
    Bytes image = Build(layout);
    EXPECT_EQ(FormatReport("x.exe", image.size(), CheckImage(image, Allowed())),
              "FAIL KERNEL32.dll: import by ordinal 12\n"
              "FAIL user32.dll!MessageBoxW is not on the Windows 95 list\n"
              "FAIL user32.dll!messageboxa is not on the Windows 95 list\n"
              "x.exe: " +
                  std::to_string(image.size()) +
                  " bytes, 3 imports from KERNEL32.DLL, USER32.DLL\n"
                  "not ok: 3 problem(s)\n");
}

TEST(Win95Check, ReportsMalformedImagesAsUnreadable) {
    Bytes good = Build(Layout());
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_EQ(ExitStatus(CheckImage(Bytes(good.begin(), good.begin() + size), Allowed())), 2)
            << "truncated to " << size;
    EXPECT_EQ(FormatReport("x.exe", 2, CheckImage({'M', 'Z'}, Allowed())),
              "unreadable: file ends before offset 0x40\n");

    Layout outside;
    outside.importRva = 0x5000;
    EXPECT_EQ(Check(outside).unreadable, "RVA 0x5000 outside every section");
    Bytes farHeaders = good;
    Put(farHeaders, 0x3C, 0xFFFFFFFE, 4);
    EXPECT_EQ(ExitStatus(CheckImage(farHeaders, Allowed())), 2);
}

TEST(Win95Check, ReadsNothingOutsideAnImageWithOneBadByte) {
    // AddressSanitizer does the checking here.
    for (const Layout& layout : {Layout(), Twin()}) {
        const Target target = layout.x64 ? Target::kX64 : Target::kWin95;
        Bytes good = Build(layout);
        for (std::size_t at = 0; at < good.size(); ++at)
            for (unsigned char value : {0x00, 0x7F, 0xFF}) {
                Bytes bad = good;
                bad[at] = value;
                CheckImage(bad, Allowed(target), target);
            }
    }
}

TEST(Win95Check, StoredPartsAreTheHeadersAndEachSectionWithTheRoomAtItsEnd) {
    const auto parts = [](const Bytes& image) {
        Strings seen;
        for (const StoredPart& part : StoredParts(image))
            seen.push_back(part.name + " " + std::to_string(part.bytes) + " " +
                           std::to_string(part.room));
        return seen;
    };
    // The section's data fills what is stored and ends with a DLL name's last letter.
    Bytes image = Build(Layout());
    const std::size_t stored = image.size() - 0x200, section = 0x58 + 224;
    Put(image, section, '.' | 'i' << 8 | 'd' << 16 | 'a' << 24, 4);
    EXPECT_EQ(parts(image), (Strings{"headers 512 0", ".ida " + std::to_string(stored) + " 1"}));
    // Padded to 512 bytes, of which the section's size says 100 are used.
    image.resize(0x400);
    Put(image, section + 16, 0x200, 4);
    Put(image, section + 8, 100, 4);
    EXPECT_EQ(parts(image), (Strings{"headers 512 0", ".ida 512 412"}));
    // A 64-bit image is measured alike; a truncated one not at all.
    Put(image, 0x44, 0x8664, 2);
    EXPECT_EQ(parts(image).size(), 2u);
    EXPECT_EQ(parts(Bytes(image.begin(), image.begin() + 0x100)), Strings{});
}

TEST(Win95Check, ApiListRefusesLinesWithoutExactlyTwoFields) {
    for (const char* text : {"KERNEL32.dll ExitProcess\nKERNEL32.dll\n", "A B\nA B C\n"}) {
        std::istringstream in(text);
        ApiList list;
        std::string error;
        EXPECT_FALSE(ParseApiList(in, list, error));
        EXPECT_EQ(error, "line 2 is not \"DLL FUNCTION [x64]\"");
    }
    std::ifstream shipped(WIN95CHECK_API_LIST);
    ApiList list;
    std::string error;
    EXPECT_TRUE(shipped && ParseApiList(shipped, list, error)) << error;
    EXPECT_TRUE(list.count({"KERNEL32.DLL", "ExitProcess"}));
}

} // namespace
} // namespace win95check
