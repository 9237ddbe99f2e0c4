// Start-up records the desktop as the program found it; shut-down puts it back.
#pragma once

namespace DLmodule {

extern bool taskbarWasVisible;
extern bool desktopWasVisible;

void Main();
void RestoreDesktop();

} // namespace DLmodule

// Start-up, then the event loop until the main window is gone; answers the
// process's exit code: 0, or 1 when the main window could not be created.
int DusklensRun();
