// The probe (docs/DEVELOPING.md): probe.exe FILE writes the system colours and
// the wallpaper as a new process reads them to FILE (a DesktopState,
// winehost/harness.h) and exits with 0, or with 0x10000 and the error.
#include "winehost/harness.h"

extern "C" void ProbeEntry() {
    using namespace e2e;
    char file[MAX_PATH];
    DesktopState result = {};
    for (int i = 0; i < kElements; ++i)
        result.color[i] = GetSysColor(i);
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, result.wallpaper, 0);
    if (Argument(1, file, MAX_PATH) && WriteWhole(file, &result, kProbed)) ExitProcess(0);
    ExitProcess(0x10000 | (GetLastError() & 0xFFFF));
}
