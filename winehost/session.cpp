// One driver session: its command line, its set-up, the desktop every
// scenario starts on, the scenarios, the checks of the desktop, the user's
// stored settings and the magnifier's record, and failed checks, printed at
// once and counted for the running scenario or stage.
#include "winehost/harness.h"

#include <initializer_list>

namespace e2e {

ColorEffect foundEffect;

int failures;
const char* skipReason;

void Skip(const char* reason) { skipReason = reason; }

bool Fail(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteLine("  ", format, arguments);
    va_end(arguments);
    ++failures;
    return false;
}

bool AwaitRunner(const char* name, DWORD patience, char* answer, DWORD size) {
    char ack[MAX_PATH];
    wsprintfA(ack, "%s\\%s.ack", session.acks, name);
    const bool answered =
        WaitUntil(patience, [&] { return GetFileAttributesA(ack) != INVALID_FILE_ATTRIBUTES; });
    if (answered && answer != nullptr) answer[ReadWhole(ack, answer, size - 1)] = '\0';
    DeleteFileA(ack);
    return answered;
}

namespace {

const Scheme* KnownScheme(const COLORREF* color) {
    for (const Scheme* scheme : {&kStartPalette, &kNightScheme, &kDefaultScheme})
        if (memcmp(scheme->color.data(), color, sizeof scheme->color) == 0) return scheme;
    return nullptr;
}

const char* Shown(bool visible) { return visible ? "visible" : "hidden"; }

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

// Bit for bit: an effect in force is one that a program set or read back.
bool SameEffect(const ColorEffect& a, const ColorEffect& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

// Why `effect` is not a night filter, or nullptr: red out only, alpha and
// the constant column as the identity has them, black kept black, and
// brighter inputs giving more red, from each of red, green and blue.
const char* NotRedOnly(const ColorEffect& effect) {
    const auto& m = effect.transform;
    for (int row = 0; row < 5; ++row) {
        if (m[row][1] != 0 || m[row][2] != 0) return "green or blue comes out";
        if (m[row][3] != documented::kIdentity.transform[row][3] ||
            m[row][4] != documented::kIdentity.transform[row][4])
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

void DescribeEffect(const ColorEffect& effect, char* text, int size) {
    if (SameEffect(effect, foundEffect)) {
        Copy(text, "the effect found at the start", size);
    } else if (SameEffect(effect, documented::kIdentity)) {
        Copy(text, "the identity", size);
    } else {
        Copy(text, NotRedOnly(effect) == nullptr ? "a red-only effect" : "an effect", size);
        Append(text, ", rows r g b a 1 in thousandths:", size);
        for (const auto& row : effect.transform) {
            char numbers[80];
            using documented::Thousandths;
            wsprintfA(numbers, " [%ld %ld %ld %ld %ld]", Thousandths(row[0]), Thousandths(row[1]),
                      Thousandths(row[2]), Thousandths(row[3]), Thousandths(row[4]));
            Append(text, numbers, size);
        }
    }
}

// The values of MagnifierCall and Misuse, for messages.
const char* CallName(MagnifierCall call) {
    constexpr const char* kNames[] = {"the load", "MagInitialize", "MagUninitialize",
                                      "MagSetFullscreenColorEffect", "MagGetFullscreenColorEffect"};
    return static_cast<unsigned>(call) < 5 ? kNames[static_cast<unsigned>(call)] : "a call";
}

const char* MisuseName(Misuse misuse) {
    constexpr const char* kNames[] = {"", "before MagInitialize", "after MagUninitialize",
                                      "after a second MagInitialize", "with a null effect"};
    return static_cast<unsigned>(misuse) < 5 ? kNames[static_cast<unsigned>(misuse)] : "";
}

// Only the sessions that report Windows 10 have the stand-in magnifier;
// every other one must have none left from an earlier session.
bool SetUpMagnifier() {
    char system[MAX_PATH], standIn[MAX_PATH], state[MAX_PATH];
    SystemMagnifier(system);
    for (const char* ending : {".bin", ".fault"}) {
        MagnifierStatePath(state, ending);
        DeleteFileA(state);
    }
    if (!MagnifierSession()) {
        DeleteFileA(system);
        return Expect(GetFileAttributesA(system) == INVALID_FILE_ATTRIBUTES,
                      "expected no %s, seen it stay after DeleteFile (error %lu)", system,
                      GetLastError());
    }
    Beside(session.shell, "Magnification.dll", standIn);
    const bool copied = CopyFileA(standIn, system, FALSE) != 0;
    if (copied) SetMagnifier(documented::kIdentity, false); // the record starts here
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

bool ExpectStoredSettingsUnchanged(const char* when) {
    static char now[sizeof session.stored];
    ReadStoredSettings(now, sizeof now);
    if (Same(session.stored, now)) return true;
    ReportChangedSetting(when, session.stored, now);
    // Put it back, so that one fault is reported once.
    StoreWallpaperSetting(kWallpaper);
    ReadStoredSettings(session.stored, sizeof session.stored);
    return false;
}

bool ExpectDesktop(const char* when, const Look& look) {
    DesktopState seen;
    if (!ReadDesktop(seen))
        return Fail("%s: expected the probe to read colours and wallpaper, seen it fail", when);
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
    static MagnifierState magnifier;
    if (MagnifierSession() && ReadMagnifier(magnifier)) {
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
    if (look.stored == nullptr) {
        ExpectStoredSettingsUnchanged(when);
        return failures == before;
    }
    // Static: a frame this large would need the stack probe, on which the
    // linker of captions.dll fails.
    static char stored[sizeof session.stored];
    char expected[MAX_PATH + 16];
    ReadStoredSettings(stored, sizeof stored);
    wsprintfA(expected, "Wallpaper=%s;", look.stored);
    const int last = lstrlenA(stored) - lstrlenA(expected);
    Expect(last >= 0 && Same(stored + last, expected),
           "%s: expected wallpaper \"%s\" stored, seen the settings end \"%s\"", when, look.stored,
           stored + (last > 0 ? last : 0));
    return failures == before;
}

void ExpectMagnifierRecord() {
    if (!MagnifierSession()) return;
    static MagnifierState state;
    char fault[MAX_PATH], why[100] = "";
    MagnifierStatePath(fault, ".fault");
    why[ReadWhole(fault, why, sizeof why - 1)] = '\0';
    DeleteFileA(fault);
    Expect(why[0] == '\0', "expected the stand-in magnifier to keep its record, seen %s", why);
    const bool read = ReadMagnifier(state);
    const char* cleared = UpdateMagnifier([](MagnifierState& now) { now.count = 0; });
    if (!read ||
        !Expect(cleared == nullptr, "expected the magnifier's record cleared, seen %s", cleared))
        return;
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
        int initialized = 0, last = i;
        for (int j = i; j < count; ++j) {
            if (state.entries[j].process != entry.process) continue;
            last = j;
            initialized +=
                state.entries[j].call == MagnifierCall::kInitialize && state.entries[j].result;
        }
        const int uninitialized = CountCalls(state, entry.process, MagnifierCall::kUninitialize);
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

bool ReadCommandLine(const char* mode, const char* usage) {
    char word[16] = "";
    Argument(1, word, sizeof word);
    GetModuleFileNameA(nullptr, session.driver, MAX_PATH);
    if (!Same(word, mode) || !Argument(2, session.program, MAX_PATH) ||
        !Argument(3, session.shell, MAX_PATH) || !Argument(4, session.acks, MAX_PATH) ||
        !Argument(5, session.windows, sizeof session.windows)) {
        Line("usage: %s", usage);
        return false;
    }
    GetTempPathA(MAX_PATH, session.probe);
    Append(session.probe, "dusklens-probe.bin", MAX_PATH);
    return true;
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
    const char* why = UpdateMagnifier(
        [&](MagnifierState& state) {
            state = {inForce, initializeFails, 0, {}};
        },
        true, true);
    Expect(why == nullptr, "expected the magnifier's state written, seen %s (error %lu)", why,
           GetLastError());
}

bool ReadMagnifier(MagnifierState& state) {
    const char* why = UpdateMagnifier([&](const MagnifierState& now) { state = now; }, false);
    return Expect(why == nullptr, "expected the magnifier's state read, seen %s", why);
}

int CountCalls(const MagnifierState& state, DWORD process, MagnifierCall call) {
    int count = 0;
    for (int i = 0; i < state.count && i < kMagnifierEntries; ++i)
        if (state.entries[i].process == process && state.entries[i].call == call) ++count;
    return count;
}

} // namespace e2e
