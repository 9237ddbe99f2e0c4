// Stand-in for the Windows shell's desktop window, which Wine lacks: a
// top-level "Progman" window titled "Program Manager" whose first child is
// the desktop icon view. Run as `shell.exe hidden` to start with the icon
// view hidden. WM_CLOSE ends it, so the driver can restart it.
#include "winehost/support.h"

namespace {

LRESULT CALLBACK ProgmanProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

ATOM Register(const char* name, WNDPROC procedure, int brushColor) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = GetSysColorBrush(brushColor);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass);
}

} // namespace

extern "C" void ShellEntry() {
    char option[16] = "";
    e2e::Argument(1, option, sizeof option);
    const bool iconsHidden = e2e::Same(option, "hidden");

    Register("Progman", ProgmanProc, COLOR_BACKGROUND);
    Register("SHELLDLL_DefView", DefWindowProcA, COLOR_APPWORKSPACE);
    // Covers the desktop above the taskbar and stays beneath every other
    // window, as the real one does; never activated, so it takes no focus.
    // Wine's taskbar lists every visible window without an owner, tool
    // windows too, so a hidden owner keeps it off, as Windows keeps its own.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN) - 40;
    HWND owner = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND progman =
        CreateWindowExA(WS_EX_TOOLWINDOW, "Progman", "Program Manager", WS_POPUP | WS_CLIPCHILDREN,
                        0, 0, width, height, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | (iconsHidden ? 0 : WS_VISIBLE), 0, 0,
                    width, height, progman, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(progman, HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    ExitProcess(0);
}
