// win95check [--x64] EXE [API_LIST]: tells whether EXE loads on Windows
// 95/98, or with --x64 whether EXE, the 64-bit twin, is a 64-bit GUI image
// importing listed functions only. Prints one line per problem, a summary,
// and exits 0 (loads), 1 (does not) or 2 (EXE or the list cannot be read).
#include "pe_check.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    const bool x64 = argc > 1 && std::string(argv[1]) == "--x64";
    const win95check::Target target = x64 ? win95check::Target::kX64 : win95check::Target::kWin95;
    argv += x64;
    argc -= x64;
    if (argc != 2 && argc != 3) {
        std::cout << "usage: win95check [--x64] EXE [API_LIST]\n";
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
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(exe),
                                     std::istreambuf_iterator<char>()};
    win95check::CheckResult result = win95check::CheckImage(bytes, allowed, target);
    std::cout << win95check::FormatReport(argv[1], bytes.size(), result, target);
    return win95check::ExitStatus(result);
}
