// The shell's taskbar and desktop icon window, and the wallpaper that goes
// with the icons. Windows are looked up at every use, never kept, so the
// operations follow a shell that has been restarted.
#pragma once

#include "desktop/text.h"
#include "platform/platform.h"

namespace DLmodule {

// The wallpaper path read at start-up; unset until then.
extern dl::Text savedWallpaper;

platform::Handle TaskbarWindow();
platform::Handle DesktopIconsWindow();
bool TaskbarVisible();
bool DesktopVisible();
void ShowTaskbar(bool show);
void ShowDesktop(bool show);

} // namespace DLmodule
