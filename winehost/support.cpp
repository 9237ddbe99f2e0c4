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

} // namespace e2e
