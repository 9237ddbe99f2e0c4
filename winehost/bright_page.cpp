// The bright page of the README's Windows 10 pictures (docs/DEVELOPING.md):
// fixed bright colours that ignore the system colours, as browsers draw theirs.
#include "winehost/support.h"

namespace {

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

extern "C" void BrightPageEntry() {
    e2e::RegisterWindowClass("Page", PageProc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CreateWindowExA(0, "Page", "Sky Atlas - Tonight", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                    420, nullptr, nullptr, nullptr, nullptr);
    e2e::DispatchMessages();
    ExitProcess(0);
}
