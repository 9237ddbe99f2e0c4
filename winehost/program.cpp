#include "winehost/harness.h"

namespace e2e {

namespace {

// Every program started during the running scenario, so that a scenario
// that stops half-way leaves nothing behind.
HANDLE launched[8];
int launchedCount;

constexpr DWORD kPatience = 10000; // ms

// Makes sure the program has handled everything sent before this call and
// is back in a message loop of its own: a sent message is answered also
// while the program waits inside a call of its own that sends messages
// (SetSysColors tells every window), a posted one only from its loops.
void Sync(const Program& program) {
    HWND box = Box(program, kDuskColors);
    DWORD_PTR state = 0;
    PostMessageA(box, BM_SETSTATE, TRUE, 0);
    WaitUntil(kPatience, [&] {
        return !SendMessageTimeoutA(box, BM_GETSTATE, 0, 0, SMTO_NORMAL, kPatience, &state) ||
               (state & BST_PUSHED) != 0;
    });
    SendMessageTimeoutA(box, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, kPatience, &state);
}

} // namespace

LONGLONG Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

HWND MainWindowOf(DWORD processId, const char* windowClass) {
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

bool StartProcess(const char* path, const char* arguments, PROCESS_INFORMATION& process) {
    char commandLine[3 * MAX_PATH];
    wsprintfA(commandLine, "\"%s\" %s", path, arguments);
    for (int attempt = 1;; ++attempt) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2) return false;
        Line("INFO %s died while Wine set it up, before any of its own code ran (error %lu); "
             "starting it once more",
             path, error);
    }
}

bool Launch(Program& program, const char* path, const char* windowClass, DWORD poll) {
    program = {};
    if (path == nullptr) path = session.program;
    program.started = Ticks();
    if (!StartProcess(path, "", program.process))
        return Fail("could not start %s (error %lu)", path, GetLastError());
    CloseHandle(program.process.hThread);
    if (launchedCount < 8) launched[launchedCount++] = program.process.hProcess;
    const DWORD id = program.process.dwProcessId;
    bool ended = false;
    if (!WaitUntil(
            kPatience,
            [&] {
                program.window = MainWindowOf(id, windowClass);
                ended = WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
                return ended || IsWindowVisible(program.window) != 0;
            },
            poll) ||
        ended) {
        DWORD code = 0;
        if (ended && GetExitCodeProcess(program.process.hProcess, &code))
            return Fail("expected the window of %s (class %s) shown, seen the process end with "
                        "exit code %lu",
                        path, windowClass, code);
        return Fail("expected the window of %s (class %s) shown within 10 s, seen %s", path,
                    windowClass, program.window ? "it hidden" : "no window");
    }
    program.shown = Ticks();
    Sync(program);
    return true;
}

HWND Box(const Program& program, int id) { return GetDlgItem(program.window, id); }

bool Click(const Program& program, int id) {
    DWORD_PTR result = 0;
    return Expect(
        SendMessageTimeoutA(Box(program, id), BM_CLICK, 0, 0, SMTO_NORMAL, kPatience, &result) != 0,
        "expected check box %d to take a click, seen no answer in 10 s", id);
}

int Checked(const Program& program, int id) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(Box(program, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, kPatience, &state))
        return -1;
    return static_cast<int>(state);
}

bool Answer(const Program& program, HWND box, int button) {
    HWND control = GetDlgItem(box, button);
    if (!Expect(control != nullptr, "expected button %d in the message box, seen none", button))
        return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kPatience, &result);
    if (!Expect(WaitUntil(kPatience, [box] { return !IsWindow(box); }),
                "expected the message box closed after answering, seen it open"))
        return false;
    Sync(program);
    return true;
}

bool WaitExit(Program& program) {
    return Expect(WaitForSingleObject(program.process.hProcess, kPatience) == WAIT_OBJECT_0,
                  "expected the program to end within 10 s, seen it still running");
}

bool Close(Program& program) {
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    return WaitExit(program);
}

RECT VisiblePart(const Program& program, int id) {
    RECT part, client;
    GetWindowRect(Box(program, id), &part);
    GetClientRect(program.window, &client);
    MapWindowPoints(program.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (client.right < part.right) part.right = client.right;
    // A box further right that starts inside this one covers its right end.
    for (int other : kBoxes) {
        RECT rect;
        if (other != id && GetWindowRect(Box(program, other), &rect) && rect.left > part.left &&
            rect.left < part.right)
            part.right = rect.left;
    }
    return part;
}

bool MouseClick(const Program& program, int id) {
    const RECT box = VisiblePart(program, id);
    const int before = Checked(program, id);
    const POINT target = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    // The pointer first, then the button, pressed and released where the
    // pointer is to be: under Wine an X event about the pointer that arrives
    // late can move it back to where it was before, and a button event that
    // does not say where it happens lands there.
    INPUT inputs[3] = {};
    const DWORD flags[3] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        // Absolute positions run from 0 to 65535 across the screen.
        inputs[i].mi.dx = (target.x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
        inputs[i].mi.dy = (target.y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
        inputs[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags[i];
    }
    POINT at = {};
    const bool clicked =
        SendInput(1, inputs, sizeof inputs[0]) == 1 &&
        WaitUntil(kPatience, [&] { return GetCursorPos(&at) && PtInRect(&box, at); }) &&
        SendInput(2, inputs + 1, sizeof inputs[0]) == 2;
    if (!Expect(clicked,
                "expected a mouse click at (%ld, %ld) on box %d, seen the pointer at (%ld, %ld) "
                "(error %lu)",
                target.x, target.y, id, at.x, at.y, GetLastError()))
        return false;
    if (!Expect(WaitUntil(kPatience, [&] { return Checked(program, id) != before; }),
                "expected box %d to toggle after a mouse click at (%ld, %ld), seen it stay %s", id,
                target.x, target.y, before == BST_CHECKED ? "checked" : "unchecked"))
        return false;
    Sync(program);
    return true;
}

void EndLeftoverPrograms() {
    for (int i = 0; i < launchedCount; ++i) {
        if (WaitForSingleObject(launched[i], 0) == WAIT_TIMEOUT) {
            TerminateProcess(launched[i], 1);
            WaitForSingleObject(launched[i], kPatience);
        }
        CloseHandle(launched[i]);
    }
    launchedCount = 0;
}

} // namespace e2e
