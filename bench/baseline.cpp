// The least a program like Dusklens can do before its window is up: one
// window with a menu and three check boxes, shown, and nothing else. It is
// built like Dusklens; bench/run measures Dusklens' start-up against it.
#include "winehost/support.h"

namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

extern "C" void BaselineEntry() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    e2e::RegisterWindowClass("Baseline", WindowProcedure,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

    HMENU menu = CreateMenu();
    HMENU help = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 201, "&Exit");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    AppendMenuA(help, MF_STRING, 202, "About");
    HWND window = CreateWindowExA(0, "Baseline", "Baseline",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                  240, 70, nullptr, menu, instance, nullptr);
    const char* captions[] = {"Dusk Colors", "Desktop", "Taskbar"};
    for (int i = 0; i < 3; ++i)
        CreateWindowExA(0, "Button", captions[i], WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                        8 + 72 * i, 0, 81, 21, window, reinterpret_cast<HMENU>(101 + i), instance,
                        nullptr);
    ShowWindow(window, SW_SHOW);

    e2e::DispatchMessages();
    ExitProcess(0);
}
