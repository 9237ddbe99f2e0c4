// Failed checks, printed at once and counted for the running scenario or
// stage, and the wait for the runner's answers.
#include "winehost/harness.h"

#include <cstdarg>

namespace e2e {

int failures;

void Fail(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    Line("  %s", text);
    ++failures;
}

bool AwaitRunner(const char* name, DWORD patience) {
    char ack[MAX_PATH];
    wsprintfA(ack, "%s\\%s.ack", session.acks, name);
    const bool answered =
        WaitUntil(patience, [&] { return GetFileAttributesA(ack) != INVALID_FILE_ATTRIBUTES; });
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
