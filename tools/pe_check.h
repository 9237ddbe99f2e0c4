// Decides from its PE headers and import table whether a Win32 executable
// loads on Windows 95/98.
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
// skipped. On a malformed line returns false with `error` naming it.
bool ParseApiList(std::istream& in, ApiList& list, std::string& error);

CheckResult CheckImage(const std::vector<unsigned char>& image, const ApiList& allowed);

// The text to print for the image at `path` of `size` bytes. The summary line
// reads "NAME: SIZE bytes, COUNT imports from DLL, DLL, ..." so that scripts
// can take the import count from it.
std::string FormatReport(const std::string& path, std::size_t size, const CheckResult& result);

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
