// One driver session: its command line, its set-up, the desktop every
// scenario starts on, the scenarios themselves, and the stand-in magnifier
// as the scenarios set it.
#include "winehost/harness.h"
#include "winehost/layouts.h"

namespace e2e {

ColorEffect foundEffect;

namespace {

// Only the sessions that report Windows 10 have the stand-in magnifier;
// every other one must have none left from an earlier session.
bool SetUpMagnifier() {
    char system[MAX_PATH], standIn[MAX_PATH], state[MAX_PATH];
    SystemMagnifier(system);
    MagnifierStatePath(state);
    DeleteFileA(state);
    if (!MagnifierSession()) {
        DeleteFileA(system);
        return Expect(GetFileAttributesA(system) == INVALID_FILE_ATTRIBUTES,
                      "expected no %s, seen it stay after DeleteFile (error %lu)", system,
                      GetLastError());
    }
    Copy(standIn, session.shell, MAX_PATH);
    for (int i = lstrlenA(standIn); i > 0 && standIn[i - 1] != '\\'; --i)
        standIn[i - 1] = '\0';
    Append(standIn, "Magnification.dll", MAX_PATH);
    const bool copied = CopyFileA(standIn, system, FALSE) != 0;
    return Expect(copied, "expected the stand-in %s copied to %s, seen error %lu", standIn, system,
                  GetLastError());
}

bool SetUpSession() {
    // Wine starts the virtual desktop, and with it its taskbar (hidden where
    // the stand-in shell makes its own), lazily.
    GetDesktopWindow();
    if (!Expect(WaitUntil(10000, [] { return FindWindowA("Shell_TrayWnd", "") != nullptr; }),
                "expected the taskbar window (Shell_TrayWnd) of the virtual desktop, seen none") ||
        (session.decoys &&
         !Expect(MakeDecoys(), "expected another program's Button and WorkerW made, seen none")) ||
        !Expect(GetFileAttributesA(session.program) != INVALID_FILE_ATTRIBUTES,
                "expected the program at %s, seen no such file", session.program) ||
        !SetUpMagnifier() ||
        // The user's own wallpaper, as a user would have stored it.
        !StoreWallpaperSetting(kWallpaper))
        return false;
    ReadStoredSettings(session.stored, sizeof session.stored);
    OSVERSIONINFOA& version = session.version;
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    HDC screen = GetDC(nullptr);
    session.dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    BOOL flat = FALSE;
    SystemParametersInfoA(SPI_GETFLATMENU, 0, &flat, 0);
    session.flatMenus = flat != FALSE;
    Line("INFO Windows %lu.%lu reported, screen %d x %d at %d dpi, flat menus %s, shell laid out "
         "%s, %s",
         version.dwMajorVersion, version.dwMinorVersion, GetSystemMetrics(SM_CXSCREEN),
         GetSystemMetrics(SM_CYSCREEN), session.dpi, session.flatMenus ? "on" : "off",
         LayoutOf(session.windows).description,
         MagnifierSession()
             ? "with the stand-in magnifier (Magnification.dll in the system directory)"
             : "no Magnification.dll");
    return true;
}

} // namespace

bool ReadCommandLine(const char* usage) {
    char mode[16] = "";
    Argument(1, mode, sizeof mode);
    GetModuleFileNameA(nullptr, session.driver, MAX_PATH);
    if (Same(mode, "probe") && Argument(2, session.probe, MAX_PATH))
        ExitProcess(RunProbe(session.probe));
    if (Same(mode, "bright")) ExitProcess(ShowBrightPage());
    if (!(Same(mode, "run") || Same(mode, "pictures")) || !Argument(2, session.program, MAX_PATH) ||
        !Argument(3, session.shell, MAX_PATH) || !Argument(4, session.acks, MAX_PATH) ||
        !Argument(5, session.windows, sizeof session.windows)) {
        Line("usage: driver.exe run|pictures PROGRAM SHELL ACK-FOLDER LAYOUT %s | probe FILE",
             usage);
        return false;
    }
    GetTempPathA(MAX_PATH, session.probe);
    Append(session.probe, "dusklens-probe.bin", MAX_PATH);
    if (Same(mode, "pictures")) ExitProcess(MakePictures());
    return true;
}

void PrepareDesktop() {
    ExpectMagnifierRecord();
    SetMagnifier(documented::kIdentity, false);
    SetColors(kStartPalette);
    if (ShellRunning())
        ShowIcons(true);
    else
        StartShell(true);
    ShowTaskbar(true);
    ShowDecoys();
    SetWallpaper(kWallpaper);
}

int RunScenarios(const Scenario* scenarios, int count, const char* only) {
    if (!SetUpSession()) {
        Line("FAIL session");
        Line("END 0 1");
        return 1;
    }
    int passed = 0, failed = 0, matched = 0;
    for (int i = 0; i < count; ++i) {
        const Scenario& scenario = scenarios[i];
        if (only[0] != '\0' && !Same(only, scenario.name)) continue;
        ++matched;
        failures = 0;
        skipReason = nullptr;
        PrepareDesktop();
        Program program;
        if (failures == 0 && (!scenario.launched || Launch(program))) scenario.run(program);
        EndLeftoverPrograms();
        ExpectStoredSettingsUnchanged("at the end");
        ExpectMagnifierRecord();
        if (failures == 0 && skipReason != nullptr) {
            Line("SKIP %s (%s)", scenario.name, skipReason);
            continue;
        }
        Line("%s %s", failures == 0 ? "PASS" : "FAIL", scenario.name);
        (failures == 0 ? passed : failed) += 1;
    }
    // A filter that names no scenario would otherwise end green with nothing run.
    if (matched == 0) {
        Line("  expected a scenario named \"%s\", seen none of the %d", only, count);
        Line("FAIL %s", only);
        ++failed;
    }
    StopShell();
    Line("END %d %d", passed, failed);
    return failed == 0 ? 0 : 1;
}

bool MagnifierSession() { return LayoutOf(session.windows).magnifier; }

void SystemMagnifier(char* path) {
    GetSystemDirectoryA(path, MAX_PATH);
    Append(path, "\\Magnification.dll", MAX_PATH);
}

void SetMagnifier(const ColorEffect& inForce, bool initializeFails) {
    foundEffect = inForce;
    if (!MagnifierSession()) return;
    const bool written = UpdateMagnifier([&](MagnifierState& state) {
        state = {inForce, initializeFails, 0, {}};
    });
    Expect(written, "expected the magnifier's state written, seen error %lu", GetLastError());
}

void ReadMagnifier(MagnifierState& state) {
    UpdateMagnifier([&](const MagnifierState& now) { state = now; }, false);
}

int CountCalls(const MagnifierState& state, DWORD process, MagnifierCall call) {
    int count = 0;
    for (int i = 0; i < state.count && i < kMagnifierEntries; ++i)
        if (state.entries[i].process == process && state.entries[i].call == call) ++count;
    return count;
}

} // namespace e2e
