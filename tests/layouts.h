// How the shell of each Windows lays out its windows: the simulated desktop
// and the stand-in shell under Wine make them from here, the tests and the
// driver check every one.
#pragma once

namespace layouts {

// Where the icon view ("SHELLDLL_DefView") lives.
enum class IconPlace {
    kInProgman,             // Progman's only child: 95 to 10
    kInWorkerW,             // a top-level WorkerW, beside an empty one: 7 to 10 after a slideshow
    kInProgmanBesideWorkerW // Progman's first child, a WorkerW its second: 11 24H2
};

// Makes the icon view and the WorkerWs of `icons` in the order a shell
// makes them, with make(className, parent), a null parent for a top-level
// window; answers the icon view.
template <typename Window, typename Make>
Window MakeIconView(IconPlace icons, Window progman, Make make) {
    Window parent = progman;
    if (icons == IconPlace::kInWorkerW) {
        parent = make("WorkerW", Window{}); // the icons' own, above an empty one
        make("WorkerW", Window{});
    }
    const Window view = make("SHELLDLL_DefView", parent);
    if (icons == IconPlace::kInProgmanBesideWorkerW) make("WorkerW", progman);
    return view;
}

struct Layout {
    const char* windows;     // the Windows the session reports: win95, win98, win7, win10
    const char* description; // for the session's INFO line
    bool ownTaskbar;         // the stand-in shell's, Wine's turned off; else Wine's is the taskbar
    bool startButton;        // Vista and 7: a top-level Button of the taskbar's thread
    int secondaryTaskbars;   // 8 and later: "Shell_SecondaryTrayWnd", one per further display
    IconPlace icons;
    bool magnifier; // 8 and later: the stand-in Magnification.dll (Wine has none)
    // What GetVersionEx tells the program (platform 1: VER_PLATFORM_WIN32_WINDOWS,
    // 2: VER_PLATFORM_WIN32_NT); without a manifest, 8 and later say 6.2.
    unsigned long platform, major, minor;
};

inline constexpr Layout kLayouts[] = {
    {"win95", "as 95: Wine's taskbar, the icons in Progman", false, false, 0, IconPlace::kInProgman,
     false, 1, 4, 0},
    {"win98", "as 98: Wine's taskbar, the icons in Progman", false, false, 0, IconPlace::kInProgman,
     false, 1, 4, 10},
    {"win7",
     "as 7: the shell's taskbar with its Start button, the icons in a WorkerW as after a "
     "slideshow",
     true, true, 0, IconPlace::kInWorkerW, false, 2, 6, 1},
    {"win10",
     "as 10: the shell's taskbar and two more as with three displays, the icons in Progman "
     "beside a WorkerW as on 11 24H2",
     true, false, 2, IconPlace::kInProgmanBesideWorkerW, true, 2, 6, 2},
};

// The layout of `windows`; the first one (95's) for any other name.
inline const Layout& LayoutOf(const char* windows) {
    for (const Layout& layout : kLayouts)
        for (int i = 0; layout.windows[i] == windows[i]; ++i)
            if (windows[i] == '\0') return layout;
    return kLayouts[0];
}

} // namespace layouts
