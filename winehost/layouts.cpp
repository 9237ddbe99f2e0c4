#include "winehost/layouts.h"

#include "winehost/support.h"

namespace e2e {

namespace {

constexpr Layout kLayouts[] = {
    {"win95", "as 95: Wine's taskbar, the icons in Progman", false, false, 0, IconPlace::kInProgman,
     false},
    {"win98", "as 98: Wine's taskbar, the icons in Progman", false, false, 0, IconPlace::kInProgman,
     false},
    {"win7",
     "as 7: the shell's taskbar with its Start button, the icons in a WorkerW as after a "
     "slideshow",
     true, true, 0, IconPlace::kInWorkerW, false},
    {"win10",
     "as 10: the shell's taskbar and two more as with three displays, the icons in Progman "
     "beside a WorkerW as on 11 24H2",
     true, false, 2, IconPlace::kInProgmanBesideWorkerW, true},
};

} // namespace

const Layout& LayoutOf(const char* windows) {
    for (const Layout& layout : kLayouts)
        if (Same(layout.windows, windows)) return layout;
    return kLayouts[0];
}

} // namespace e2e
