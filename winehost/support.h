// What the freestanding test programs need in place of a C runtime:
// console output, a little text handling and polling.
#pragma once

#include <windows.h>

#include <cstdarg>

namespace e2e {

// Writes PREFIX and one formatted line (wsprintfA syntax) to standard output.
inline void WriteLine(const char* prefix, const char* format, va_list arguments) {
    char text[1100];
    int length = wsprintfA(text, "%s", prefix);
    length += wvsprintfA(text + length, format, arguments);
    text[length++] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

inline void Line(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteLine("", format, arguments);
    va_end(arguments);
}

inline bool Same(const char* a, const char* b) { return lstrcmpA(a, b) == 0; }

inline void Copy(char* to, const char* from, int size) { lstrcpynA(to, from, size); }

inline void Append(char* to, const char* from, int size) {
    const int used = lstrlenA(to);
    if (used < size) lstrcpynA(to + used, from, size - used);
}

// The command line's argument number `index` (0 is the program), unquoted.
inline bool Argument(int index, char* out, int size) {
    const char* p = GetCommandLineA();
    for (int i = 0;; ++i) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\0') return false;
        int length = 0;
        bool quoted = false;
        for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); ++p)
            if (*p == '"')
                quoted = !quoted;
            else if (i == index && length < size - 1)
                out[length++] = *p;
        if (i == index) {
            out[length] = '\0';
            return true;
        }
    }
}

// PATH: the file NAME in the folder of FILE.
inline void Beside(const char* file, const char* name, char* path) {
    Copy(path, file, MAX_PATH);
    for (int i = lstrlenA(path); i > 0 && path[i - 1] != '\\'; --i)
        path[i - 1] = '\0';
    Append(path, name, MAX_PATH);
}

// Replaces PATH with SIZE bytes of DATA; false, GetLastError saying why,
// when not all were written.
inline bool WriteWhole(const char* path, const void* data, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, data, size, &written, nullptr) && written == size;
    if (!whole && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_HANDLE_DISK_FULL);
    CloseHandle(file);
    return whole;
}

// Reads up to SIZE bytes of PATH into DATA; answers how many.
inline DWORD ReadWhole(const char* path, void* data, DWORD size) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    if (file == INVALID_HANDLE_VALUE) return 0;
    if (!ReadFile(file, data, size, &read, nullptr)) read = 0;
    CloseHandle(file);
    return read;
}

// Registers a window class of this program's, with the arrow cursor.
inline void RegisterWindowClass(const char* name, WNDPROC procedure, HBRUSH background) {
    const HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    const WNDCLASSA windowClass = {
        0, procedure, 0, 0, GetModuleHandleA(nullptr), nullptr, arrow, background, nullptr, name};
    RegisterClassA(&windowClass);
}

// Sent to the stand-in shell's Progman: shows its taskbar again, answering how many windows
// show (a notification); that and a display's taskbar made anew (a monitor), or the wallpaper
// named by the atom wParam applied (a slideshow), each broadcast, answering TRUE.
enum ShellRequest : UINT { kNotification = WM_APP, kMonitor, kSlideshow };

// Hands this thread's messages to their windows until WM_QUIT.
inline void DispatchMessages() {
    for (MSG message; GetMessageA(&message, nullptr, 0, 0) > 0;)
        DispatchMessageA(&message);
}

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
