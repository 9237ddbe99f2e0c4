// Stand-in for the Windows shell, which Wine lacks (docs/DEVELOPING.md):
//   shell.exe [WINDOWS] [hidden|late]
// lays out the desktop, the icon view and the taskbars as WINDOWS does
// (tests/layouts.h). WM_CLOSE to Progman ends it, so the driver can restart it.
#include "tests/layouts.h"
#include "winehost/support.h"

#include <initializer_list>

namespace {

constexpr int kTaskbarHeight = 40;

// The wallpaper and the background colour (display element 1) in force.
HBITMAP wallpaper;
HBRUSH background;
HICON icons[3];
const char* const kIconLabels[] = {"Computer", "Recycle Bin", "Star charts"};

// Wine keeps each process's wallpaper and system colours from its first
// reading on, and what was set since without being stored under this key.
constexpr char kSetSince[] = "Software\\Wine\\Temporary System Parameters\\Control Panel";

// The user's setting under ROOT\KEY; under kSetSince, as changed since this process started.
bool ReadSetting(const char* root, const char* key, const char* name, char* value, DWORD size) {
    char path[96];
    wsprintfA(path, "%s\\%s", root, key);
    return RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

// Reads the wallpaper and the background colour, as at start or, after a
// change, as changed, so that the desktop follows them as Windows' does.
void FollowDesktop(bool changed) {
    char path[MAX_PATH] = "", rgb[16];
    if (!changed || !ReadSetting(kSetSince, "Desktop", "Wallpaper", path, sizeof path))
        SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    DeleteObject(wallpaper);
    wallpaper =
        static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    COLORREF color = GetSysColor(COLOR_BACKGROUND);
    if (changed && ReadSetting(kSetSince, "Colors", "Background", rgb, sizeof rgb)) {
        // "R G B" in decimal.
        DWORD channel[3] = {}, *at = channel;
        for (const char* c = rgb; *c != '\0' && at < channel + 3; ++c) {
            if (*c == ' ')
                ++at;
            else
                *at = *at * 10 + static_cast<DWORD>(*c - '0');
        }
        color = RGB(channel[0], channel[1], channel[2]);
    }
    DeleteObject(background);
    background = CreateSolidBrush(color);
}

HWND Make(DWORD exStyle, const char* className, const char* title, DWORD style, RECT place,
          HWND parent) {
    return CreateWindowExA(exStyle, className, title, style, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Shows a window of the taskbar (the shell's topmost ones) again; counts it.
BOOL CALLBACK ShowTaskbar(HWND window, LPARAM shown) {
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST)
        *reinterpret_cast<int*>(shown) += ShowWindow(window, SW_SHOWNA) || IsWindowVisible(window);
    return TRUE;
}

// What a shell does on its own (layouts.h); it broadcasts a wallpaper, as
// Windows does: Wine 8 broadcasts only a stored one.
LRESULT Carry(UINT request, WPARAM atom) {
    char path[MAX_PATH];
    int shown = 0;
    RECT place;
    if (request == e2e::kSlideshow)
        return GlobalGetAtomNameA(static_cast<ATOM>(atom), path, MAX_PATH) &&
               SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path, 0) &&
               SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0,
                                   SMTO_ABORTIFHUNG, 5000, nullptr);
    EnumThreadWindows(GetCurrentThreadId(), ShowTaskbar, reinterpret_cast<LPARAM>(&shown));
    if (request == e2e::kNotification) return shown;
    if (HWND display = FindWindowA("Shell_SecondaryTrayWnd", nullptr);
        GetWindowRect(display, &place) && DestroyWindow(display))
        Make(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "Shell_SecondaryTrayWnd", "", WS_POPUP | WS_VISIBLE,
             place, nullptr);
    return SendMessageTimeoutA(HWND_BROADCAST, WM_DISPLAYCHANGE, 32, 0, SMTO_ABORTIFHUNG, 5000,
                               nullptr) != 0;
}

// The desktop as Windows paints it: the background colour and the
// wallpaper centred over it, and in the icon view a column of labelled
// icons.
LRESULT CALLBACK DesktopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message >= e2e::kNotification && message <= e2e::kSlideshow) return Carry(message, wParam);
    if (message != WM_ERASEBKGND) return DefWindowProcA(window, message, wParam, lParam);
    HDC dc = reinterpret_cast<HDC>(wParam), picture = CreateCompatibleDC(dc);
    RECT area;
    GetClientRect(window, &area);
    FillRect(dc, &area, background);
    BITMAP size;
    if (GetObjectA(wallpaper, sizeof size, &size) && SelectObject(picture, wallpaper))
        BitBlt(dc, (area.right - size.bmWidth) / 2, (area.bottom - size.bmHeight) / 2, size.bmWidth,
               size.bmHeight, picture, 0, 0, SRCCOPY);
    DeleteDC(picture);
    char name[20];
    GetClassNameA(window, name, sizeof name);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (int i = 0; i < 3 && e2e::Same(name, "SHELLDLL_DefView"); ++i) {
        RECT label = {4, 52 + 80 * i, 92, 84 + 80 * i};
        DrawIcon(dc, 32, 16 + 80 * i, icons[i]);
        DrawTextA(dc, kIconLabels[i], -1, &label, DT_CENTER | DT_WORDBREAK);
    }
    return 1;
}

// Puts the window first among its siblings (top) or last (bottom).
void Stack(HWND window, HWND where, UINT show = 0) {
    SetWindowPos(window, where, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | show);
}

} // namespace

extern "C" void ShellEntry() {
    char windows[16] = "", option[16] = "";
    e2e::Argument(1, windows, sizeof windows);
    e2e::Argument(2, option, sizeof option);
    const layouts::Layout& layout = layouts::LayoutOf(windows);
    const DWORD iconsShown = e2e::Same(option, "hidden") ? 0 : WS_VISIBLE;
    const bool late = e2e::Same(option, "late");

    // As a shell that sets the desktop up does: the stored wallpaper.
    char stored[MAX_PATH] = "";
    ReadSetting("Control Panel", "Desktop", "Wallpaper", stored, sizeof stored - 1);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, stored, SPIF_SENDWININICHANGE);
    FollowDesktop(false);
    const int iconIds[] = {16, 33, 4}; // of shell32.dll
    for (int i = 0; i < 3; ++i)
        icons[i] = LoadIconA(LoadLibraryA("shell32.dll"), MAKEINTRESOURCEA(iconIds[i]));
    e2e::RegisterWindowClass("Progman", DesktopProc, GetSysColorBrush(COLOR_BACKGROUND));
    e2e::RegisterWindowClass("WorkerW", DesktopProc, GetSysColorBrush(COLOR_BACKGROUND));
    e2e::RegisterWindowClass("SHELLDLL_DefView", DesktopProc, GetSysColorBrush(COLOR_APPWORKSPACE));
    for (const char* bar : {"Shell_TrayWnd", "Shell_SecondaryTrayWnd"})
        e2e::RegisterWindowClass(bar, DefWindowProcA, GetSysColorBrush(COLOR_BTNFACE));
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN) - kTaskbarHeight;
    // Wine's taskbar stays beneath every window: the desktop ends above it.
    RECT desktop = {0, 0, width, height + kTaskbarHeight}, wineTaskbar;
    if (!layout.ownTaskbar && GetWindowRect(FindWindowA("Shell_TrayWnd", nullptr), &wineTaskbar))
        desktop.bottom = wineTaskbar.top;

    // Never activated, so it takes no focus. Wine's taskbar lists every visible
    // window without an owner, tool windows too: a hidden owner keeps it off.
    HWND owner = Make(0, "Static", "", WS_POPUP, {}, nullptr);
    HWND progman = Make(WS_EX_TOOLWINDOW, "Progman", "Program Manager", WS_POPUP | WS_CLIPCHILDREN,
                        desktop, owner);
    // After a slideshow's transition, the top-level WorkerWs lie beneath
    // everything: the icons' own above the empty one, then the desktop.
    HWND iconParent = progman;
    HWND icons = layouts::MakeIconView(layout.icons, progman, [&](const char* name, HWND parent) {
        const bool view = e2e::Same(name, "SHELLDLL_DefView");
        if (view) iconParent = parent;
        if (view && late) return HWND{};
        HWND made = Make(parent ? 0 : WS_EX_TOOLWINDOW, name, "",
                         (parent ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP | WS_CLIPCHILDREN) |
                             (view ? iconsShown : WS_VISIBLE),
                         desktop, parent ? parent : owner);
        if (!parent) Stack(made, HWND_BOTTOM);
        return made;
    });
    Stack(icons, HWND_TOP);

    if (layout.ownTaskbar) {
        constexpr DWORD kBar = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        // The main taskbar, then one per further display, to the right of the screen.
        for (int i = 0; i <= layout.secondaryTaskbars; ++i)
            Make(kBar, i == 0 ? "Shell_TrayWnd" : "Shell_SecondaryTrayWnd", "",
                 WS_POPUP | WS_VISIBLE,
                 {i * width, height, (i + 1) * width, height + kTaskbarHeight}, nullptr);
        // Vista's and 7's Start button: a top-level button over the taskbar.
        if (layout.startButton)
            Make(kBar, "Button", "Start", WS_POPUP | WS_VISIBLE | BS_PUSHBUTTON,
                 {0, height, 2 * kTaskbarHeight, height + kTaskbarHeight}, nullptr);
    }

    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    if (late) {
        Stack(Make(0, "SHELLDLL_DefView", "", WS_CHILD | WS_CLIPSIBLINGS | iconsShown, desktop,
                   iconParent),
              HWND_TOP);
        const ATOM atom = GlobalAddAtomA(stored);
        Carry(e2e::kSlideshow, atom);
        GlobalDeleteAtom(atom);
    }
    // Beneath every window, as Windows' desktop: under Wine a restarted shell lies above them.
    Stack(progman, HWND_BOTTOM, SWP_SHOWWINDOW);

    // Wine tells no window of a wallpaper set without being stored: the desktop
    // follows what it keeps for the processes started later.
    HKEY setSince = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSetSince, 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_READ | KEY_NOTIFY, nullptr, &setSince, nullptr);
    HANDLE changed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (MSG message;;) {
        RegNotifyChangeKeyValue(setSince, TRUE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE);
        while (MsgWaitForMultipleObjects(1, &changed, FALSE, INFINITE, QS_ALLINPUT) !=
               WAIT_OBJECT_0)
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                if (message.message == WM_QUIT)
                    ExitProcess(0);
                else
                    DispatchMessageA(&message);
        FollowDesktop(true);
        for (HWND window : {progman, iconParent})
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}
