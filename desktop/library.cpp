#include "desktop/library.h"

namespace DLmodule {

platform::Handle LoadSystemLibrary(const char* fileName) {
    char path[260];
    unsigned length = platform::GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return 0;
    // The name with its NUL after the directory, or nothing when it is too long.
    for (;; ++length) {
        if (length == sizeof path) return 0;
        if ((path[length] = *fileName++) == '\0') break;
    }
    return platform::LoadLibraryA(path);
}

platform::FarProc Lookup(platform::Handle library, const char* name) {
    return library != 0 ? platform::GetProcAddress(library, name) : nullptr;
}

} // namespace DLmodule
