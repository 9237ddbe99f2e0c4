// win95check [--x64] EXE [API_LIST]: tells whether EXE loads on Windows
// 95/98, or with --x64 whether EXE, the 64-bit twin, is a 64-bit GUI image
// importing listed functions only. Prints one line per problem, a summary,
// and exits 0 (loads), 1 (does not) or 2 (EXE or the list cannot be read).
// win95check --sections EXE: prints where EXE's bytes go, "NAME BYTES ROOM"
// for the headers and each section stored (pe_check.h), and exits 0, or 2
// when EXE cannot be read.
#include "pe_check.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

std::vector<unsigned char> Read(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--sections") {
        const auto parts = win95check::StoredParts(Read(argv[2]));
        for (const win95check::StoredPart& part : parts)
            std::cout << part.name << " " << part.bytes << " " << part.room << "\n";
        if (parts.empty()) std::cout << "unreadable: " << argv[2] << "\n";
        return parts.empty() ? 2 : 0;
    }
    const bool x64 = argc > 1 && std::string(argv[1]) == "--x64";
    const win95check::Target target = x64 ? win95check::Target::kX64 : win95check::Target::kWin95;
    argv += x64;
    argc -= x64;
    if (argc != 2 && argc != 3) {
        std::cout << "usage: win95check [--x64] EXE [API_LIST] | --sections EXE\n";
        return 2;
    }
    const char* listPath = argc == 3 ? argv[2] : WIN95CHECK_API_LIST;
    std::ifstream listFile(listPath);
    win95check::ApiList allowed;
    std::string error = "cannot open";
    if (!listFile || !win95check::ParseApiList(listFile, allowed, error, target)) {
        std::cout << "unreadable: " << listPath << ": " << error << "\n";
        return 2;
    }
    std::ifstream exe(argv[1], std::ios::binary);
    if (!exe) {
        std::cout << "unreadable: cannot open " << argv[1] << "\n";
        return 2;
    }
    const std::vector<unsigned char> bytes = Read(argv[1]);
    win95check::CheckResult result = win95check::CheckImage(bytes, allowed, target);
    std::cout << win95check::FormatReport(argv[1], bytes.size(), result, target);
    return win95check::ExitStatus(result);
}
