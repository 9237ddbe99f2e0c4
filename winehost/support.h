// What the freestanding test programs need in place of a C runtime:
// console output, a little text handling and polling.
#pragma once

#include <windows.h>

namespace e2e {

// Writes one formatted line (wsprintfA syntax) to standard output.
void Line(const char* format, ...);

bool Same(const char* a, const char* b);
void Copy(char* to, const char* from, int size);
void Append(char* to, const char* from, int size);

// The command line's argument number `index` (0 is the program), unquoted.
bool Argument(int index, char* out, int size);

// Replaces PATH with SIZE bytes of DATA; false, GetLastError saying why,
// when not all were written.
bool WriteWhole(const char* path, const void* data, DWORD size);
// Reads up to SIZE bytes of PATH into DATA; answers how many.
DWORD ReadWhole(const char* path, void* data, DWORD size);

// Calls `done` every `poll` ms until it answers true or `milliseconds` pass.
template <typename Condition> bool WaitUntil(DWORD milliseconds, Condition done, DWORD poll = 20) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(poll);
    }
    return true;
}

} // namespace e2e
