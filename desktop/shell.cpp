#include "desktop/shell.h"

namespace DLmodule {

dl::Text savedWallpaper;

platform::Handle TaskbarWindow() {
    // An empty title, not a missing one: only a taskbar without a title matches.
    return platform::FindWindowA("Shell_TrayWnd", "");
}

platform::Handle DesktopIconsWindow() {
    // The icons live in the first child of the shell's desktop window.
    return platform::GetWindow(platform::FindWindowA("Progman", "Program Manager"),
                               platform::kGwChild);
}

bool TaskbarVisible() { return platform::IsWindowVisible(TaskbarWindow()) != 0; }

bool DesktopVisible() { return platform::IsWindowVisible(DesktopIconsWindow()) != 0; }

void ShowTaskbar(bool show) {
    platform::ShowWindow(TaskbarWindow(), show ? platform::kSwShow : platform::kSwHide);
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
