// The README's pictures, made in a Wine virtual desktop for scripts/pictures
// by a driver started as `pictures PROGRAM SHELL ACK-FOLDER WINDOWS` (win98
// or win10): it prints "SHOT name left top right bottom" (the taskbar's) per
// picture, waits for the runner's answer, and ends with "END failures". As
// `bright`, it shows a page in fixed bright colours, as browsers and
// planetariums draw theirs.
#include "winehost/harness.h"

namespace e2e {

namespace {

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

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TextOutA(dc, 20, 16, "Tonight: new moon, M13 highest at 23:41, seeing 3 of 5", 54);
    SetTextColor(dc, RGB(0, 0, 238));
    TextOutA(dc, 20, 40, "Clear-sky forecast for the next 48 hours", 40);
    // The link's underline, then three lines of a graph.
    const COLORREF colors[] = {RGB(0, 0, 238), RGB(230, 0, 0), RGB(0, 160, 0), RGB(255, 140, 0)};
    for (int line = 0; line < 4; ++line) {
        SelectObject(dc, CreatePen(PS_SOLID, line == 0 ? 1 : 3, colors[line]));
        for (int x = 0; x <= 260; x += 10) {
            const int y[] = {55, 220 - x * x / 500, 100 + x / 2, 200 - x * (260 - x) / 150};
            x == 0 ? MoveToEx(dc, 20, y[line], nullptr) : LineTo(dc, 20 + x, y[line]);
        }
    }
    // A photograph of a sunset; a DIB's pixel is blue, green, red: RGB() reversed.
    static DWORD photo[200 * 150];
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            photo[y * 200 + x] =
                RGB(120 - y * 80 / 150, 30 + y * 110 / 150, 20 + y * 230 / 150 * (400 - x) / 400);
    BITMAPINFO info = {{sizeof info.bmiHeader, 200, -150, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    StretchDIBits(dc, 320, 70, 200, 150, 0, 0, 200, 150, photo, &info, DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}

} // namespace

int MakePictures() {
    WaitUntil(10000, [] { return FindWindowA("Shell_TrayWnd", "") != nullptr; });
    SetColors(kDefaultScheme);
    Program program;
    if (Expect(StartShell(true), "expected the stand-in shell to start, seen it fail") &&
        Launch(program)) {
        if (Same(session.windows, "win10")) {
            Open(session.driver, "bright", "Page", {140, 110, 600, 420});
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
    return 0;
}

int ShowBrightPage() {
    RegisterWindowClass("Page", PageProc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CreateWindowExA(0, "Page", "Sky Atlas - Tonight", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                    420, nullptr, nullptr, nullptr, nullptr);
    DispatchMessages();
    return 0;
}

} // namespace e2e
