// win95check EXE [API_LIST]: tells whether EXE loads on Windows 95/98.
// Prints one line per problem, a summary, and exits 0 (loads), 1 (does not)
// or 2 (EXE or the list cannot be read).
#include "pe_check.h"

#include <fstream>
#include <iostream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cout << "usage: win95check EXE [API_LIST]\n";
        return 2;
    }
    const char* listPath = argc == 3 ? argv[2] : WIN95CHECK_API_LIST;
    std::ifstream listFile(listPath);
    win95check::ApiList allowed;
    std::string error = "cannot open";
    if (!listFile || !win95check::ParseApiList(listFile, allowed, error)) {
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
    win95check::CheckResult result = win95check::CheckImage(bytes, allowed);
    std::cout << win95check::FormatReport(argv[1], bytes.size(), result);
    return win95check::ExitStatus(result);
}
