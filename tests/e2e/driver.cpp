// The end-to-end driver, run by tests/e2e/run inside a Wine virtual desktop:
//   driver.exe run PROGRAM SHELL ACK-FOLDER VERSION [SCENARIO]
// runs the scenarios against PROGRAM, with SHELL as the stand-in shell and
// VERSION (win95, win98, win7, win10) the Windows the prefix reports, and prints one PASS, FAIL
// or SKIP line per scenario, details indented below a failure, SHOT lines asking the runner for
// screenshots, COUNT lines asking it to count pixels outside the night colours (it answers in
// ACK-FOLDER\NAME.ack), and finally "END passed failed".
//   driver.exe probe FILE
// writes this fresh process's system colours and wallpaper to FILE.
#include "tests/e2e/scenarios.h"
#include "winehost/harness.h"
#include "winehost/layouts.h"

#include <initializer_list>

namespace e2e {

namespace {

// The user's stored settings as found at the start of the session.
char storedSettings[8192];

const Scheme* KnownScheme(const COLORREF* color) {
    for (const Scheme* scheme : {&kStartPalette, &kNightScheme, &kDefaultScheme}) {
        int i = 0;
        while (i < kElements && scheme->color[i] == color[i])
            ++i;
        if (i == kElements) return scheme;
    }
    return nullptr;
}

const char* Shown(bool visible) { return visible ? "visible" : "hidden"; }

const char* BoxState(int state) {
    return state == BST_CHECKED ? "checked" : state == BST_UNCHECKED ? "unchecked" : "no answer";
}

// Prints where two settings texts first differ, entry by entry.
void ReportChangedSetting(const char* when, const char* expected, const char* seen) {
    int start = 0;
    for (int i = 0; expected[i] == seen[i] && expected[i] != '\0'; ++i)
        if (expected[i] == ';') start = i + 1;
    char was[300], now[300];
    Copy(was, expected + start, sizeof was);
    Copy(now, seen + start, sizeof now);
    for (char* entry : {was, now})
        for (char* p = entry; *p != '\0'; ++p)
            if (*p == ';') *p = '\0';
    Fail("%s: expected the user's stored settings unchanged (%s), seen %s", when, was, now);
}

bool ExpectStoredSettingsUnchanged(const char* when) {
    static char now[sizeof storedSettings];
    ReadStoredSettings(now, sizeof now);
    if (Same(storedSettings, now)) return true;
    ReportChangedSetting(when, storedSettings, now);
    // Put it back, so that one fault is reported once.
    StoreWallpaperSetting(kWallpaper);
    ReadStoredSettings(storedSettings, sizeof storedSettings);
    return false;
}

// The effect found at the running scenario's start.
ColorEffect foundEffect;

// Where the program looks for the magnifier: the system directory, as
// GetSystemDirectoryA answers it for this build's bitness.
void SystemMagnifier(char* path) {
    GetSystemDirectoryA(path, MAX_PATH);
    Append(path, "\\Magnification.dll", MAX_PATH);
}

bool SameEffect(const ColorEffect& a, const ColorEffect& b) {
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column)
            if (a.transform[row][column] != b.transform[row][column]) return false;
    return true;
}

// Why `effect` is not a night filter, or nullptr: red out only, alpha and
// the constant column as the identity has them, black kept black, and
// brighter inputs giving more red, from each of red, green and blue.
const char* NotRedOnly(const ColorEffect& effect) {
    const auto& m = effect.transform;
    for (int row = 0; row < 5; ++row) {
        if (m[row][1] != 0 || m[row][2] != 0) return "green or blue comes out";
        if (m[row][3] != kIdentityEffect.transform[row][3] ||
            m[row][4] != kIdentityEffect.transform[row][4])
            return "alpha or the constant column is not the identity's";
    }
    // The red out of an opaque grey of level `level`.
    const auto red = [&](float level) {
        return level * (m[0][0] + m[1][0] + m[2][0]) + m[3][0] + m[4][0];
    };
    if (red(0) != 0) return "black does not stay black";
    if (!(red(1) > red(0.5f) && red(0.5f) > red(0))) return "white is not redder than grey";
    if (m[0][0] <= 0 || m[1][0] <= 0 || m[2][0] <= 0) return "red, green or blue gives no red";
    return nullptr;
}

int Thousandths(float value) { return static_cast<int>(value * 1000 + (value < 0 ? -0.5f : 0.5f)); }

void DescribeEffect(const ColorEffect& effect, char* text, int size) {
    if (SameEffect(effect, foundEffect)) {
        Copy(text, "the effect found at the start", size);
    } else if (SameEffect(effect, kIdentityEffect)) {
        Copy(text, "the identity", size);
    } else {
        Copy(text, NotRedOnly(effect) == nullptr ? "a red-only effect" : "an effect", size);
        Append(text, ", rows r g b a 1 in thousandths:", size);
        for (const auto& row : effect.transform) {
            char numbers[80];
            wsprintfA(numbers, " [%d %d %d %d %d]", Thousandths(row[0]), Thousandths(row[1]),
                      Thousandths(row[2]), Thousandths(row[3]), Thousandths(row[4]));
            Append(text, numbers, size);
        }
    }
}

const char* CallName(MagnifierCall call) {
    switch (call) {
    case MagnifierCall::kLoad: return "the load";
    case MagnifierCall::kInitialize: return "MagInitialize";
    case MagnifierCall::kUninitialize: return "MagUninitialize";
    case MagnifierCall::kSetEffect: return "MagSetFullscreenColorEffect";
    case MagnifierCall::kGetEffect: return "MagGetFullscreenColorEffect";
    }
    return "an unknown call";
}

const char* MisuseName(Misuse misuse) {
    switch (misuse) {
    case Misuse::kNone: break;
    case Misuse::kBeforeInitialize: return "before MagInitialize";
    case Misuse::kAfterUninitialize: return "after MagUninitialize";
    case Misuse::kAfterSecondInitialize: return "after a second MagInitialize";
    case Misuse::kNullEffect: return "with a null effect";
    }
    return "";
}

// Only the sessions that report Windows 10 have the stand-in magnifier;
// every other one must have none left from an earlier session.
bool SetUpMagnifier() {
    char system[MAX_PATH], standIn[MAX_PATH], state[MAX_PATH];
    SystemMagnifier(system);
    MagnifierStatePath(state);
    DeleteFileA(state);
    if (!MagnifierSession()) {
        DeleteFileA(system);
        if (GetFileAttributesA(system) == INVALID_FILE_ATTRIBUTES) return true;
        Line("FAIL session");
        Line("  expected no %s, seen it stay after DeleteFile (error %lu)", system, GetLastError());
        return false;
    }
    Copy(standIn, session.shell, MAX_PATH);
    for (int i = lstrlenA(standIn); i > 0 && standIn[i - 1] != '\\'; --i)
        standIn[i - 1] = '\0';
    Append(standIn, "Magnification.dll", MAX_PATH);
    if (CopyFileA(standIn, system, FALSE)) return true;
    Line("FAIL session");
    Line("  expected the stand-in %s copied to %s, seen error %lu", standIn, system,
         GetLastError());
    return false;
}

bool SetUpSession() {
    // Wine starts the virtual desktop, and with it its taskbar (hidden where
    // the stand-in shell makes its own), lazily.
    GetDesktopWindow();
    if (!WaitUntil(10000, [] { return FindWindowA("Shell_TrayWnd", "") != nullptr; })) {
        Line("FAIL session");
        Line("  expected the taskbar window (Shell_TrayWnd) of the virtual desktop, seen none");
        return false;
    }
    if (!MakeDecoys()) {
        Line("FAIL session");
        Line("  expected another program's Button and WorkerW made, seen error %lu",
             GetLastError());
        return false;
    }
    if (GetFileAttributesA(session.program) == INVALID_FILE_ATTRIBUTES) {
        Line("FAIL session");
        Line("  expected the program at %s, seen no such file", session.program);
        return false;
    }
    if (!SetUpMagnifier()) return false;
    // The user's own wallpaper, as a user would have stored it.
    StoreWallpaperSetting(kWallpaper);
    ReadStoredSettings(storedSettings, sizeof storedSettings);
    OSVERSIONINFOA version = {};
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

int RunScenarios(const char* only) {
    if (!SetUpSession()) {
        Line("END 0 1");
        return 1;
    }
    int passed = 0, failed = 0;
    for (int i = 0; i < kScenarioCount; ++i) {
        const Scenario& scenario = kScenarios[i];
        if (only[0] != '\0' && !Same(only, scenario.name)) continue;
        failures = 0;
        skipReason = nullptr;
        PrepareDesktop();
        if (failures == 0) scenario.run();
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
    StopShell();
    Line("END %d %d", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace

bool MagnifierSession() { return LayoutOf(session.windows).magnifier; }

void SetMagnifier(const ColorEffect& inForce, bool initializeFails) {
    foundEffect = inForce;
    if (!MagnifierSession()) return;
    Expect(UpdateMagnifier([&](MagnifierState& state) {
               state = {};
               state.inForce = inForce;
               state.initializeFails = initializeFails;
           }),
           "expected the magnifier's state written, seen error %lu", GetLastError());
}

void ReadMagnifier(MagnifierState& state) {
    const HANDLE lock = LockMagnifier();
    LoadMagnifierState(state);
    UnlockMagnifier(lock);
}

int CountCalls(const MagnifierState& state, DWORD process, MagnifierCall call) {
    int count = 0;
    for (int i = 0; i < state.count && i < kMagnifierEntries; ++i)
        if (state.entries[i].process == process && state.entries[i].call == call) ++count;
    return count;
}

void ExpectMagnifierRecord() {
    if (!MagnifierSession()) return;
    static MagnifierState state;
    ReadMagnifier(state);
    UpdateMagnifier([](MagnifierState& now) { now.count = 0; });
    Expect(state.count <= kMagnifierEntries,
           "expected at most %d magnifier calls in a scenario, seen %ld", kMagnifierEntries,
           state.count);
    char system[MAX_PATH];
    SystemMagnifier(system);
    const int count = state.count < kMagnifierEntries ? state.count : kMagnifierEntries;
    for (int i = 0; i < count; ++i) {
        const MagnifierEntry& entry = state.entries[i];
        Expect(entry.misuse == Misuse::kNone,
               "expected no misuse of the magnifier, seen %s %s "
               "from process %lu",
               CallName(entry.call), MisuseName(entry.misuse), entry.process);
        Expect(entry.call != MagnifierCall::kLoad || lstrcmpiA(entry.path, system) == 0,
               "expected Magnification.dll loaded from %s only, seen process %lu load %s", system,
               entry.process, entry.path);
        bool first = true;
        for (int j = 0; j < i; ++j)
            first = first && state.entries[j].process != entry.process;
        if (!first) continue;
        // Each process once, at its first entry.
        int initialized = 0, uninitialized = 0, last = i;
        for (int j = i; j < count; ++j) {
            if (state.entries[j].process != entry.process) continue;
            last = j;
            if (state.entries[j].call == MagnifierCall::kUninitialize) ++uninitialized;
            if (state.entries[j].call == MagnifierCall::kInitialize && state.entries[j].result)
                ++initialized;
        }
        Expect(CountCalls(state, entry.process, MagnifierCall::kInitialize) <= 1,
               "expected at most one MagInitialize in process %lu, seen %d", entry.process,
               CountCalls(state, entry.process, MagnifierCall::kInitialize));
        Expect(initialized == 0 ||
                   (uninitialized == 1 && state.entries[last].call == MagnifierCall::kUninitialize),
               "expected process %lu, whose MagInitialize succeeded, to end with one "
               "MagUninitialize, seen %d and %s last",
               entry.process, uninitialized, CallName(state.entries[last].call));
    }
}

void PrepareDesktop() {
    ExpectMagnifierRecord();
    SetMagnifier(kIdentityEffect, false);
    SetColors(kStartPalette);
    ShowTaskbar(true);
    if (ShellRunning()) {
        ShowIcons(true);
    } else if (!StartShell(true)) {
        Fail("expected the stand-in shell to start, seen it fail");
    }
    ShowDecoys();
    SetWallpaper(kWallpaper);
}

bool ExpectDesktop(const char* when, const Look& look) {
    DesktopState seen;
    if (!ReadDesktop(seen)) {
        Fail("%s: expected the probe to read colours and wallpaper, seen it fail", when);
        return false;
    }
    const int before = failures;
    const Scheme* known = KnownScheme(seen.color);
    if (known != nullptr && known != look.colors) {
        Fail("%s: expected the %s, seen the %s", when, look.colors->name, known->name);
    } else if (known == nullptr) {
        int reported = 0;
        for (int i = 0; i < kElements; ++i) {
            if (seen.color[i] != look.colors->color[i] && reported++ < 4)
                Fail("%s: expected the %s, seen element %d = 0x%06lX instead of 0x%06lX", when,
                     look.colors->name, i, seen.color[i], look.colors->color[i]);
        }
    }
    Expect(Same(seen.wallpaper, look.wallpaper), "%s: expected wallpaper \"%s\", seen \"%s\"", when,
           look.wallpaper, seen.wallpaper);
    if (look.taskbar != kAny) {
        const bool visible = look.taskbar == kVisible;
        Expect(seen.taskbarCount == LayoutTaskbars(),
               "%s: expected %d taskbar windows, as the layout has them, seen %d", when,
               LayoutTaskbars(), seen.taskbarCount);
        for (int i = 0; i < seen.taskbarCount; ++i)
            Expect(seen.taskbars[i].visible == visible, "%s: expected the taskbar %s, seen %s %s",
                   when, Shown(visible), seen.taskbars[i].name, Shown(seen.taskbars[i].visible));
    }
    for (int i = 0; i < seen.otherCount; ++i)
        Expect(seen.others[i].visible,
               "%s: expected %s, neither taskbar nor icons, left visible, seen it hidden", when,
               seen.others[i].name);
    if (look.icons != kAny)
        Expect(seen.iconsExist && seen.icons == (look.icons == kVisible),
               "%s: expected the desktop icons %s, seen %s", when, Shown(look.icons == kVisible),
               !seen.iconsExist ? "no icon window" : Shown(seen.icons));
    if (MagnifierSession()) {
        static MagnifierState magnifier;
        ReadMagnifier(magnifier);
        char text[400];
        DescribeEffect(magnifier.inForce, text, sizeof text);
        if (look.effect == kRedEffect) {
            const char* why = NotRedOnly(magnifier.inForce);
            Expect(why == nullptr,
                   "%s: expected the night filter (red only) in force, seen %s (%s)", when, text,
                   why);
        } else {
            Expect(SameEffect(magnifier.inForce, foundEffect),
                   "%s: expected the effect found at the start in force, seen %s", when, text);
        }
    }
    ExpectStoredSettingsUnchanged(when);
    return failures == before;
}

void ExpectBoxes(const Program& program, const char* when, int dusk, int desktop, int taskbar) {
    const struct {
        int id;
        const char* caption;
        int expected;
    } boxes[] = {{kDuskColors, "Dusk Colors", dusk},
                 {kDesktop, "Desktop", desktop},
                 {kTaskbar, "Taskbar", taskbar}};
    for (const auto& box : boxes) {
        const int seen = Checked(program, box.id);
        Expect(seen == box.expected, "%s: expected %s %s, seen %s", when, box.caption,
               BoxState(box.expected), BoxState(seen));
    }
}

bool Screenshot(const Program& program, const char* name, COLORREF text, COLORREF back) {
    RedrawWindow(program.window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300); // lets the X server catch up with the repaint
    // The request names the window, to be saved, and then each box's caption:
    // from past its check mark to where the next box covers it.
    char request[400];
    wsprintfA(request, "SHOT %s %02X%02X%02X %02X%02X%02X", name, GetRValue(text), GetGValue(text),
              GetBValue(text), GetRValue(back), GetGValue(back), GetBValue(back));
    const int ids[] = {kDuskColors, kDesktop, kTaskbar};
    for (int i = -1; i < 3; ++i) {
        RECT area;
        GetWindowRect(program.window, &area);
        if (i >= 0) {
            area = VisiblePart(program, ids[i]);
            area.left += 12 * session.dpi / 96 + 6; // the check mark and the gap after it
        }
        char numbers[64];
        wsprintfA(numbers, " %ld %ld %ld %ld", area.left, area.top, area.right - area.left,
                  area.bottom - area.top);
        Append(request, numbers, sizeof request);
    }
    Line("%s", request);
    return Expect(AwaitRunner(name, 60000),
                  "expected the runner to take screenshot %s, seen no answer in 60 s", name);
}

RECT NightArea(const Program& program) {
    RECT area;
    GetWindowRect(program.window, &area);
    if (session.flatMenus) {
        POINT clientTop = {0, 0};
        ClientToScreen(program.window, &clientTop);
        area.top = clientTop.y;
    }
    return area;
}

bool CountOffNightPixels(const char* name, const RECT* areas, int count, OffNightPixels* found) {
    char request[400];
    wsprintfA(request, "COUNT %s", name);
    for (int i = 0; i < count; ++i) {
        char numbers[64];
        wsprintfA(numbers, " %ld %ld %ld %ld", areas[i].left, areas[i].top,
                  areas[i].right - areas[i].left, areas[i].bottom - areas[i].top);
        Append(request, numbers, sizeof request);
    }
    Line("%s", request);
    // One line per area: the count, then the commonest colours.
    static char answer[4096];
    if (!Expect(AwaitRunner(name, 60000, answer, sizeof answer),
                "expected the runner to count the pixels of %s, seen no answer in 60 s", name))
        return false;
    const char* line = answer;
    for (int i = 0; i < count; ++i) {
        found[i].count = 0;
        while (*line >= '0' && *line <= '9')
            found[i].count = found[i].count * 10 + (*line++ - '0');
        if (*line == ' ') ++line;
        int length = 0;
        while (*line != '\0' && *line != '\n' && length < 199)
            found[i].commonest[length++] = *line++;
        found[i].commonest[length] = '\0';
        if (*line == '\n') ++line;
    }
    return true;
}

} // namespace e2e

extern "C" void DriverEntry() {
    using namespace e2e;
    char mode[16] = "", only[64] = "";
    Argument(1, mode, sizeof mode);
    GetModuleFileNameA(nullptr, session.driver, MAX_PATH);
    if (Same(mode, "probe") && Argument(2, session.probe, MAX_PATH))
        ExitProcess(RunProbe(session.probe));
    if (!Same(mode, "run") || !Argument(2, session.program, MAX_PATH) ||
        !Argument(3, session.shell, MAX_PATH) || !Argument(4, session.acks, MAX_PATH) ||
        !Argument(5, session.windows, 16)) {
        Line("usage: driver.exe run PROGRAM SHELL ACK-FOLDER VERSION [SCENARIO] | probe FILE");
        ExitProcess(2);
    }
    Argument(6, only, sizeof only);
    GetTempPathA(MAX_PATH, session.probe);
    Append(session.probe, "dusklens-e2e-probe.bin", MAX_PATH);
    ExitProcess(static_cast<UINT>(RunScenarios(only)));
}
