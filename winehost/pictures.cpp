// The README's pictures' driver (docs/DEVELOPING.md), started by scripts/pictures as
//   pictures.exe pictures PROGRAM SHELL ACK-FOLDER WINDOWS   (win98 or win10)
// It prints "SHOT name left top right bottom" (the taskbar's) per picture,
// waits for the runner's answer, and ends with "END failures".
#include "winehost/harness.h"

namespace {

using namespace e2e;

// After a failed step, none: the picture would not show what it says.
bool Shot(const char* name) {
    if (failures != 0) return false;
    Sleep(1000); // lets every window finish painting
    RECT bar = {};
    GetWindowRect(Taskbar(), &bar);
    Line("SHOT %s %ld %ld %ld %ld", name, bar.left, bar.top, bar.right, bar.bottom);
    return Expect(AwaitRunner(name, 60000), "expected picture %s taken, seen no answer", name);
}

// Starts PATH and puts its window of CLASS at x, y with width and height.
HWND Open(const char* path, const char* arguments, const char* className, RECT place) {
    PROCESS_INFORMATION process;
    HWND window = nullptr;
    if (StartProcess(path, arguments, process))
        WaitUntil(10000, [&] { return IsWindowVisible(window = FindWindowA(className, nullptr)); });
    Expect(window != nullptr, "expected %s to show a %s window, seen none", path, className);
    MoveWindow(window, place.left, place.top, place.right, place.bottom, TRUE);
    return window;
}

// Wine's notepad, with the observer's notes that the runner left, and
// without its blinking caret, which would make two pictures differ.
HWND Notepad() {
    HWND notepad =
        Open("C:\\windows\\notepad.exe", "C:\\windows\\notes.txt", "Notepad", {150, 150, 560, 360});
    SendMessageA(FindWindowExA(notepad, nullptr, "Edit", nullptr), WM_KILLFOCUS, 0, 0);
    return notepad;
}

} // namespace

extern "C" void PicturesEntry() {
    if (!ReadCommandLine("pictures", "pictures.exe pictures PROGRAM SHELL ACK-FOLDER WINDOWS"))
        ExitProcess(2);
    WaitUntil(10000, [] { return FindWindowA("Shell_TrayWnd", "") != nullptr; });
    SetColors(kDefaultScheme);
    // The stand-in magnifier's state, where the session has it: the identity
    // in force (the stand-in refuses every call without its state file).
    SetMagnifier(documented::kIdentity, false);
    Program program;
    if (Expect(StartShell(true), "expected the stand-in shell to start, seen it fail") &&
        Launch(program)) {
        if (Same(session.windows, "win10")) {
            char page[MAX_PATH];
            Beside(session.driver, "bright-page.exe", page);
            Open(page, "", "Page", {140, 110, 600, 420});
            Shot("10-day") && MouseClick(program, kDuskColors) && Shot("10-night");
        } else if (HWND notepad = Notepad(); Shot("98-day") && MouseClick(program, kDuskColors) &&
                                             MouseClick(program, kDesktop)) {
            // Wine keeps each program's colours from its first reading: notepad
            // starts again; the stand-in shell follows them as Windows' does.
            SendMessageA(notepad, WM_CLOSE, 0, 0);
            Notepad();
            Shot("98-night");
        }
        Close(program);
    }
    Line("END %d", failures);
    ExitProcess(0);
}
