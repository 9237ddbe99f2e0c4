// How the shell of each Windows that a session reports lays out its
// windows: the stand-in shell makes them, the driver checks every one.
#pragma once

#include "winehost/support.h"

namespace e2e {

// Where the icon view ("SHELLDLL_DefView") lives.
enum class IconPlace {
    kInProgman,             // Progman's only child: 95 to 10
    kInWorkerW,             // a top-level WorkerW, beside an empty one: 7 to 10 after a slideshow
    kInProgmanBesideWorkerW // Progman's first child, a WorkerW its second: 11 24H2
};

struct Layout {
    const char* windows;     // the Windows the session reports: win95, win98, win7, win10
    const char* description; // for the session's INFO line
    // The stand-in shell makes the taskbar itself, on its own thread; the
    // session turns Wine's off. Otherwise Wine's taskbar is the taskbar.
    bool ownTaskbar;
    bool startButton;      // Vista and 7: a top-level Button of the taskbar's thread
    int secondaryTaskbars; // 8 and later: "Shell_SecondaryTrayWnd", one per further display
    IconPlace icons;
    // 8 and later: the stand-in Magnification.dll in the system directory.
    // Elsewhere the driver removes it, as Wine has none of its own.
    bool magnifier;
    // What GetVersionEx tells the program; without a manifest, 8 and later say 6.2.
    DWORD platform, major, minor;
};

inline constexpr Layout kLayouts[] = {
    {"win95", "as 95: Wine's taskbar, the icons in Progman", false, false, 0, IconPlace::kInProgman,
     false, VER_PLATFORM_WIN32_WINDOWS, 4, 0},
    {"win98", "as 98: Wine's taskbar, the icons in Progman", false, false, 0, IconPlace::kInProgman,
     false, VER_PLATFORM_WIN32_WINDOWS, 4, 10},
    {"win7",
     "as 7: the shell's taskbar with its Start button, the icons in a WorkerW as after a "
     "slideshow",
     true, true, 0, IconPlace::kInWorkerW, false, VER_PLATFORM_WIN32_NT, 6, 1},
    {"win10",
     "as 10: the shell's taskbar and two more as with three displays, the icons in Progman "
     "beside a WorkerW as on 11 24H2",
     true, false, 2, IconPlace::kInProgmanBesideWorkerW, true, VER_PLATFORM_WIN32_NT, 6, 2},
};

// Sent to Progman: shows the shell's taskbar again, answering how many windows
// show (a notification); that and a display's taskbar made anew (a monitor),
// or the wallpaper named by the atom wParam applied, broadcast, answering TRUE.
enum ShellRequest : UINT { kShowTaskbars = WM_APP, kNewDisplay, kNextWallpaper };

// The layout of `windows`; the first one (95's) for any other name.
inline const Layout& LayoutOf(const char* windows) {
    for (const Layout& layout : kLayouts)
        if (Same(layout.windows, windows)) return layout;
    return kLayouts[0];
}

} // namespace e2e
