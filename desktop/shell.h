// The shell's taskbars and desktop icon window, and the wallpaper that goes
// with the icons. Windows are looked up at every use, never kept, so the
// operations follow a shell that has been restarted.
#pragma once

#include "desktop/text.h"
#include "platform/platform.h"

namespace DLmodule {

// The wallpaper path read at start-up; unset until then.
extern dl::Text savedWallpaper;

// The main taskbar, whose visibility stands for all of them.
platform::Handle TaskbarWindow();
// The icon view wherever the shell keeps it: in "Progman" (95 to 10, and
// 11 24H2), in a top-level "WorkerW" (7 to 10 after a slideshow), or else
// Progman's first child unless that is a WorkerW; 0 where there is none.
platform::Handle DesktopIconsWindow();
bool TaskbarVisible();
bool DesktopVisible();
// Whether the window is one that ShowTaskbar shows and hides.
bool IsTaskbar(platform::Handle window);
// The main taskbar, every further display's, and Vista's and 7's Start button.
void ShowTaskbar(bool show);
void ShowDesktop(bool show);

} // namespace DLmodule
