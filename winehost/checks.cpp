// Failed checks, printed at once and counted for the running scenario or
// stage, and the wait for the runner's answers.
#include "winehost/harness.h"

#include <cstdarg>

namespace e2e {

int failures;
const char* skipReason;

void Skip(const char* reason) { skipReason = reason; }

void Fail(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    Line("  %s", text);
    ++failures;
}

bool AwaitRunner(const char* name, DWORD patience, char* answer, DWORD size) {
    char ack[MAX_PATH];
    wsprintfA(ack, "%s\\%s.ack", session.acks, name);
    const bool answered =
        WaitUntil(patience, [&] { return GetFileAttributesA(ack) != INVALID_FILE_ATTRIBUTES; });
    if (answered && answer != nullptr) {
        DWORD read = 0;
        HANDLE file = CreateFileA(ack, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (!ReadFile(file, answer, size - 1, &read, nullptr)) read = 0;
        CloseHandle(file);
        answer[read] = '\0';
    }
    DeleteFileA(ack);
    return answered;
}

bool Expect(bool ok, const char* format, ...) {
    if (ok) return true;
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    Fail("%s", text);
    return false;
}

} // namespace e2e
