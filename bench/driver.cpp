// The benchmark driver, run by bench/run inside a Wine virtual desktop:
//   driver.exe run PROGRAM BASELINE SHELL ACK-FOLDER LAUNCHES PAIRS ROUNDS WARM-UP
// measures PROGRAM and prints
//   SAMPLE name microseconds   one timed launch or colour switch
//   COUNT name number          a total
//   RSS label                  asks the runner to read the program's resident
//                              memory; it answers with ACK-FOLDER\label.ack
//   PASS stage | FAIL stage    with the details of a failure indented above
//   END failures
//   driver.exe probe FILE
// writes this fresh process's system colours and wallpaper to FILE.
#include "winehost/harness.h"

namespace {

using namespace e2e;

constexpr DWORD kPatience = 10000; // ms

// A colour no scheme uses, painted over the program's window to see it repaint.
constexpr COLORREF kMarker = 0x00FF00;

struct Settings {
    char baseline[MAX_PATH];
    int launches; // timed start-ups of each program
    int pairs;    // night on and off switches
    int rounds;   // clicks on each box during the soak
    int warmUp;   // rounds before the first memory reading
};

// A program whose start-up is timed, and the window that ends it.
struct Subject {
    const char* name;
    const char* path;
    const char* windowClass;
    const char* caption;
};

LONGLONG ticksPerSecond;

LONGLONG Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

long Microseconds(LONGLONG ticks) { return static_cast<long>(ticks * 1000000 / ticksPerSecond); }

int Number(int index) {
    char text[16] = "";
    Argument(index, text, sizeof text);
    int number = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
        number = number * 10 + (*p - '0');
    return number;
}

HWND WindowOf(const Subject& subject, DWORD processId) {
    for (HWND window = nullptr;
         (window = FindWindowExA(nullptr, window, subject.windowClass, subject.caption));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

// Closes a window the way its close button does and waits for the process.
void CloseAndWait(HWND window, HANDLE process, const char* name) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!Expect(WaitForSingleObject(process, kPatience) == WAIT_OBJECT_0,
                "expected %s to end within 10 s of WM_CLOSE, seen it still running", name)) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, kPatience);
    }
}

// Prints the time from CreateProcess until the window is visible, as sample
// `kind`-NAME, then closes the program.
bool TimedLaunch(const Subject& subject, const char* kind) {
    char commandLine[MAX_PATH + 2];
    wsprintfA(commandLine, "\"%s\"", subject.path);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    const LONGLONG start = Ticks();
    if (!CreateProcessA(subject.path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        Fail("could not start %s (error %lu)", subject.path, GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    HWND window = nullptr;
    LONGLONG shown = 0;
    // Polled every millisecond: the figure is a hundred or more of them.
    while (Ticks() - start < ticksPerSecond * (kPatience / 1000)) {
        window = WindowOf(subject, process.dwProcessId);
        if (IsWindowVisible(window)) {
            shown = Ticks();
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (Expect(shown != 0, "expected %s's window (class %s) shown within 10 s, seen %s",
               subject.name, subject.windowClass, window ? "it hidden" : "no window")) {
        Line("SAMPLE %s-%s %ld", kind, subject.name, Microseconds(shown - start));
        CloseAndWait(window, process.hProcess, subject.name);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kPatience);
    }
    CloseHandle(process.hProcess);
    return shown != 0;
}

void MeasureStartup(const Settings& settings) {
    const Subject subjects[] = {{"dusklens", session.program, "DLform", "Dusklens"},
                                {"baseline", settings.baseline, "Baseline", "Baseline"}};
    // One launch each first, not counted: the files and Wine's own DLLs
    // come from the disk cache from then on, for both alike.
    for (const Subject& subject : subjects)
        if (!TimedLaunch(subject, "warm-up")) return;
    // Alternating, and each pair in the other order from the last.
    for (int i = 0; i < settings.launches; ++i) {
        for (int j = 0; j < 2; ++j) {
            if (!TimedLaunch(subjects[(i + j) % 2], "startup")) return;
            Sleep(300); // lets the desktop settle after the close
        }
    }
}

bool ExpectColors(const DesktopState& seen, const Scheme& scheme, const char* when) {
    for (int i = 0; i < kElements; ++i) {
        if (seen.color[i] != scheme.color[i]) {
            Fail("%s: expected the %s, seen element %d = 0x%06lX instead of 0x%06lX", when,
                 scheme.name, i, seen.color[i], scheme.color[i]);
            return false;
        }
    }
    return true;
}

// Reads the desktop through a fresh probe process.
bool Probe(DesktopState& seen, const char* when) {
    return Expect(ReadDesktop(seen), "%s: expected the probe to read the desktop, seen it fail",
                  when);
}

bool ExpectCaption(const Program& program, int id, const char* caption) {
    char seen[64] = "";
    GetWindowTextA(Box(program, id), seen, sizeof seen);
    return Expect(Same(seen, caption), "expected box %d captioned \"%s\", seen \"%s\"", id, caption,
                  seen);
}

// The switch is timed as the synchronous round trip of the click, which
// returns once the program's handler has set the colours; a fresh probe then
// confirms them, untimed (a running process keeps the colours it first read).
void MeasureSwitches(const Settings& settings) {
    Program program;
    if (!Launch(program) || !ExpectCaption(program, kDuskColors, "Dusk Colors")) return;
    for (int i = 0; i < 2 * settings.pairs && failures == 0; ++i) {
        const bool night = i % 2 == 0;
        const LONGLONG start = Ticks();
        if (!Click(program, kDuskColors)) break;
        const LONGLONG end = Ticks();
        Line("SAMPLE switch-%s %ld", night ? "night" : "back", Microseconds(end - start));
        char when[64];
        wsprintfA(when, "after switch %d", i + 1);
        DesktopState seen;
        if (Probe(seen, when)) ExpectColors(seen, night ? kNightScheme : kStartPalette, when);
    }
    CloseAndWait(program.window, program.process.hProcess, "Dusklens");
    CloseHandle(program.process.hProcess);
}

// Paints the marker over the client area straight onto the screen, repaints
// the window and answers whether the program covered the marker again: in
// its own client area and in each box.
bool Repaint(const Program& program, HDC screen, HBRUSH marker) {
    RECT client;
    GetClientRect(program.window, &client);
    MapWindowPoints(program.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    POINT points[4] = {{client.left + 2, client.top + 2}};
    const int ids[] = {kDuskColors, kDesktop, kTaskbar};
    for (int i = 0; i < 3; ++i) {
        RECT box;
        GetWindowRect(Box(program, ids[i]), &box);
        points[i + 1] = {box.left + 6, (box.top + box.bottom) / 2};
    }
    const auto marked = [&] {
        for (const POINT& point : points)
            if (GetPixel(screen, point.x, point.y) == kMarker) return true;
        return false;
    };
    FillRect(screen, &client, marker);
    // Reading a pixel also makes sure the marker has reached the X server
    // before the program draws, which the server could otherwise see later.
    if (!Expect(marked(), "expected the marker painted over the window, seen it missing"))
        return false;
    RedrawWindow(program.window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The repaint reaches the screen when the program flushes its surface,
    // which it does once idle.
    for (int waited = 0; waited < 1000; ++waited) {
        if (!marked()) return true;
        Sleep(1);
    }
    return false;
}

void ReadMemory(const char* label) {
    Line("RSS %s", label);
    Expect(AwaitRunner(label, 30000),
           "expected the runner to read the memory (%s), seen no answer in 30 s", label);
}

const char* Shown(bool visible) { return visible ? "visible" : "hidden"; }

bool ExpectDesktop(const char* when, const Scheme& scheme, const char* wallpaper, bool shown) {
    DesktopState seen;
    if (!Probe(seen, when) || !ExpectColors(seen, scheme, when)) return false;
    // The bench's shell is laid out as 95's: Wine's taskbar is the one window.
    const bool taskbar = seen.taskbarCount > 0 && seen.taskbars[0].visible;
    return Expect(Same(seen.wallpaper, wallpaper), "%s: expected wallpaper \"%s\", seen \"%s\"",
                  when, wallpaper, seen.wallpaper) &&
           Expect(taskbar == shown, "%s: expected the taskbar %s, seen it %s", when, Shown(shown),
                  Shown(taskbar)) &&
           Expect(seen.iconsExist && seen.icons == shown, "%s: expected the icons %s, seen %s",
                  when, Shown(shown), seen.iconsExist ? Shown(seen.icons) : "no icon window");
}

// Clicks each box `rounds` times in turn, repainting after every click, and
// reads the memory every thousand rounds and at the end.
void Soak(const Program& program, int rounds, int& toggles) {
    const int ids[] = {kDuskColors, kDesktop, kTaskbar};
    HDC screen = GetDC(nullptr);
    HBRUSH marker = CreateSolidBrush(kMarker);
    for (int round = 1; round <= rounds && failures == 0; ++round) {
        for (int id : ids) {
            if (!Click(program, id)) break;
            if (!Expect(Repaint(program, screen, marker),
                        "round %d: expected the window repainted after a click on box %d, seen "
                        "the marker stay",
                        round, id))
                break;
            ++toggles;
        }
        if (round % 1000 == 0 && round != rounds) {
            char label[16];
            wsprintfA(label, "round-%d", round);
            ReadMemory(label);
        }
    }
    DeleteObject(marker);
    ReleaseDC(nullptr, screen);
}

void MeasureEndurance(const Settings& settings) {
    char stored[8192], storedAfter[8192];
    ReadStoredSettings(stored, sizeof stored);
    Program program;
    if (!Launch(program)) return;
    int toggles = 0;
    Soak(program, settings.warmUp, toggles);
    ReadMemory("warm");
    toggles = 0;
    Soak(program, settings.rounds, toggles);
    ReadMemory("end");
    Line("COUNT soak_toggles %d", toggles);
    // Every box in the other state than at start, so that the exit has
    // everything to put back.
    const int ids[] = {kDuskColors, kDesktop, kTaskbar};
    const int changed[] = {BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED};
    for (int i = 0; i < 3 && failures == 0; ++i)
        if (Checked(program, ids[i]) != changed[i]) Click(program, ids[i]);
    if (failures == 0)
        ExpectDesktop("after the soak, every box in its other state", kNightScheme, "", false);
    CloseAndWait(program.window, program.process.hProcess, "Dusklens");
    CloseHandle(program.process.hProcess);
    ExpectDesktop("after the exit", kStartPalette, kWallpaper, true);
    ReadStoredSettings(storedAfter, sizeof storedAfter);
    Expect(Same(stored, storedAfter), "expected the user's stored settings unchanged, seen them "
                                      "changed");
}

bool PrepareSession() {
    // Wine starts the virtual desktop, and with it the taskbar, lazily.
    GetDesktopWindow();
    if (!Expect(WaitUntil(kPatience, [] { return Taskbar() != nullptr; }),
                "expected the taskbar window (Shell_TrayWnd) of the virtual desktop, seen none"))
        return false;
    StoreWallpaperSetting(kWallpaper);
    SetColors(kStartPalette);
    ShowTaskbar(true);
    SetWallpaper(kWallpaper);
    return Expect(StartShell(true), "expected the stand-in shell to start, seen it fail");
}

int Run(const Settings& settings) {
    const struct {
        const char* name;
        void (*measure)(const Settings&);
    } stages[] = {
        {"startup", MeasureStartup}, {"switch", MeasureSwitches}, {"endurance", MeasureEndurance}};
    int failed = 0;
    if (!PrepareSession()) {
        Line("FAIL session");
        Line("END 1");
        return 1;
    }
    for (const auto& stage : stages) {
        failures = 0;
        stage.measure(settings);
        EndLeftoverPrograms();
        Line("%s %s", failures == 0 ? "PASS" : "FAIL", stage.name);
        if (failures != 0) ++failed;
    }
    StopShell();
    Line("END %d", failed);
    return failed == 0 ? 0 : 1;
}

} // namespace

extern "C" void BenchEntry() {
    char mode[16] = "";
    Argument(1, mode, sizeof mode);
    GetModuleFileNameA(nullptr, session.driver, MAX_PATH);
    if (Same(mode, "probe") && Argument(2, session.probe, MAX_PATH))
        ExitProcess(RunProbe(session.probe));
    Settings settings;
    if (!Same(mode, "run") || !Argument(2, session.program, MAX_PATH) ||
        !Argument(3, settings.baseline, MAX_PATH) || !Argument(4, session.shell, MAX_PATH) ||
        !Argument(5, session.acks, MAX_PATH)) {
        Line("usage: driver.exe run PROGRAM BASELINE SHELL ACK-FOLDER LAUNCHES PAIRS ROUNDS "
             "WARM-UP | probe FILE");
        ExitProcess(2);
    }
    settings.launches = Number(6);
    settings.pairs = Number(7);
    settings.rounds = Number(8);
    settings.warmUp = Number(9);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond = frequency.QuadPart;
    GetTempPathA(MAX_PATH, session.probe);
    Append(session.probe, "dusklens-bench-probe.bin", MAX_PATH);
    ExitProcess(static_cast<UINT>(Run(settings)));
}
