#include "desktop/shell.h"

namespace DLmodule {

dl::Text savedWallpaper;

namespace {

// Shows or hides every top-level window of the class; given a thread, only
// that thread's.
void ShowEach(const char* className, std::uint32_t thread, int command) {
    for (platform::Handle window = 0;
         (window = platform::FindWindowExA(0, window, className, nullptr)) != 0;)
        if (thread == 0 || platform::GetWindowThreadProcessId(window, nullptr) == thread)
            platform::ShowWindow(window, command);
}

} // namespace

platform::Handle TaskbarWindow() {
    // An empty title, not a missing one: only a taskbar without a title matches.
    return platform::FindWindowA("Shell_TrayWnd", "");
}

platform::Handle DesktopIconsWindow() {
    constexpr char kIconView[] = "SHELLDLL_DefView";
    const platform::Handle desktop = platform::FindWindowA("Progman", "Program Manager");
    platform::Handle icons =
        desktop != 0 ? platform::FindWindowExA(desktop, 0, kIconView, nullptr) : 0;
    // After a wallpaper slideshow's transition (7 to 10) the icon view lives
    // in a top-level WorkerW, beside an empty one that is not to be touched.
    for (platform::Handle worker = 0;
         icons == 0 && (worker = platform::FindWindowExA(0, worker, "WorkerW", nullptr)) != 0;)
        icons = platform::FindWindowExA(worker, 0, kIconView, nullptr);
    // A replacement shell may name its icon window otherwise: the desktop
    // window's first child, as on 95 and 98.
    return icons != 0 ? icons : platform::GetWindow(desktop, platform::kGwChild);
}

bool TaskbarVisible() { return platform::IsWindowVisible(TaskbarWindow()) != 0; }

bool DesktopVisible() { return platform::IsWindowVisible(DesktopIconsWindow()) != 0; }

void ShowTaskbar(bool show) {
    const int command = show ? platform::kSwShow : platform::kSwHide;
    const platform::Handle taskbar = TaskbarWindow();
    platform::ShowWindow(taskbar, command);
    // Windows 8 and later give every further display a taskbar of its own.
    ShowEach("Shell_SecondaryTrayWnd", 0, command);
    // Vista's and 7's round Start button is a top-level button of the
    // taskbar's own thread; other programs' buttons are left alone, and all
    // of them when there is no taskbar to tell them apart.
    const std::uint32_t thread = platform::GetWindowThreadProcessId(taskbar, nullptr);
    if (thread != 0) ShowEach("Button", thread, command);
}

void ShowDesktop(bool show) {
    platform::ShowWindow(DesktopIconsWindow(), show ? platform::kSwShow : platform::kSwHide);
    // Flag 2 broadcasts the change without writing it to the user's settings,
    // so the stored wallpaper still names the user's picture while hidden.
    static char noWallpaper[] = "";
    char* path = show ? const_cast<char*>(savedWallpaper.c_str()) : noWallpaper;
    platform::SystemParametersInfoA(platform::kSpiSetDeskWallpaper, 0, path,
                                    platform::kSpifSendWinIniChange);
}

} // namespace DLmodule
