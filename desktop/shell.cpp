#include "desktop/shell.h"

#include "desktop/colors.h"

namespace DLmodule {

dl::Text savedWallpaper;

namespace {

// The taskbar's windows, found before any of them is shown or hidden:
// showing a window can move it in the z-order, and a FindWindowEx walk goes
// on from the window's new place, so a walk that showed as it went might
// never end.
struct Taskbars {
    platform::Handle window[16];
    int count;

    // Every top-level window of the class; given a thread, only that thread's.
    void Collect(const char* className, std::uint32_t thread) {
        for (platform::Handle found = 0;
             count < 16 && (found = platform::FindWindowExA(0, found, className, nullptr)) != 0;)
            if (thread == 0 || platform::GetWindowThreadProcessId(found, nullptr) == thread)
                window[count++] = found;
    }
};

// The main taskbar (maybe 0), every further display's (Windows 8 and later)
// and Vista's and 7's round Start button, a top-level button of the
// taskbar's own thread. Other programs' buttons are left out, and all of
// them when there is no taskbar to tell them apart.
Taskbars FindTaskbars() {
    Taskbars taskbars;
    taskbars.window[0] = TaskbarWindow();
    taskbars.count = 1;
    taskbars.Collect("Shell_SecondaryTrayWnd", 0);
    const std::uint32_t thread = platform::GetWindowThreadProcessId(taskbars.window[0], nullptr);
    if (thread != 0) taskbars.Collect("Button", thread);
    return taskbars;
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
    if (icons != 0) return icons;
    // A replacement shell may name its icon window otherwise: the desktop
    // window's first child, as on 95 and 98. Not a WorkerW, which paints the
    // wallpaper: 11 24H2 keeps one there, first while a restarted shell has
    // not made its icon view yet.
    const platform::Handle first = platform::GetWindow(desktop, platform::kGwChild);
    return first != platform::FindWindowExA(desktop, 0, "WorkerW", nullptr) ? first : 0;
}

bool TaskbarVisible() { return platform::IsWindowVisible(TaskbarWindow()) != 0; }

bool DesktopVisible() { return platform::IsWindowVisible(DesktopIconsWindow()) != 0; }

bool IsTaskbar(platform::Handle window) {
    const Taskbars taskbars = FindTaskbars();
    for (int i = 0; i < taskbars.count; ++i)
        if (window != 0 && taskbars.window[i] == window) return true;
    return false;
}

void ShowTaskbar(bool show) {
    const Taskbars taskbars = FindTaskbars();
    for (int i = 0; i < taskbars.count; ++i)
        platform::ShowWindow(taskbars.window[i], show ? platform::kSwShow : platform::kSwHide);
}

void ShowDesktop(bool show) {
    platform::ShowWindow(DesktopIconsWindow(), show ? platform::kSwShow : platform::kSwHide);
    // Flag 2 broadcasts the change without writing it to the user's settings,
    // so the stored wallpaper still names the user's picture while hidden.
    static char noWallpaper[] = "";
    char* path = show ? const_cast<char*>(savedWallpaper.c_str()) : noWallpaper;
    changingDesktop = true;
    platform::SystemParametersInfoA(platform::kSpiSetDeskWallpaper, 0, path,
                                    platform::kSpifSendWinIniChange);
    changingDesktop = false;
}

} // namespace DLmodule
