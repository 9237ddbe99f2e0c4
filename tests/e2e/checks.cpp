// Failed checks: printed at once, counted for the running scenario or stage.
#include "tests/e2e/harness.h"

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
