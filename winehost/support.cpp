#include "winehost/support.h"

#include <cstdarg>

namespace e2e {

void Line(const char* format, ...) {
    char text[1100];
    va_list arguments;
    va_start(arguments, format);
    int length = wvsprintfA(text, format, arguments);
    va_end(arguments);
    text[length++] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

bool Same(const char* a, const char* b) { return lstrcmpA(a, b) == 0; }

void Copy(char* to, const char* from, int size) { lstrcpynA(to, from, size); }

void Append(char* to, const char* from, int size) {
    const int used = lstrlenA(to);
    if (used < size) lstrcpynA(to + used, from, size - used);
}

bool Argument(int index, char* out, int size) {
    const char* p = GetCommandLineA();
    for (int i = 0;; ++i) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\0') return false;
        int length = 0;
        bool quoted = false;
        for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"') {
                quoted = !quoted;
            } else if (i == index && length < size - 1) {
                out[length++] = *p;
            }
        }
        if (i == index) {
            out[length] = '\0';
            return true;
        }
    }
}

bool WriteWhole(const char* path, const void* data, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, data, size, &written, nullptr) && written == size;
    if (!whole && GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_HANDLE_DISK_FULL);
    CloseHandle(file);
    return whole;
}

DWORD ReadWhole(const char* path, void* data, DWORD size) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    if (file == INVALID_HANDLE_VALUE) return 0;
    if (!ReadFile(file, data, size, &read, nullptr)) read = 0;
    CloseHandle(file);
    return read;
}

} // namespace e2e
