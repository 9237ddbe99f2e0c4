// The benchmark driver, run by bench/run inside a Wine virtual desktop:
//   driver.exe run PROGRAM SHELL ACK-FOLDER LAYOUT BASELINE LAUNCHES PAIRS ROUNDS WARM-UP
// measures PROGRAM, with SHELL as the stand-in shell laid out as LAYOUT
// (tests/layouts.h), in three stages run as the end-to-end driver runs
// its scenarios (winehost/harness.h), and prints
//   SAMPLE name microseconds   one timed launch or colour switch
//   COUNT name number          a total
//   RSS label                  asks the runner to read the program's resident
//                              memory; it answers with ACK-FOLDER\label.ack
//                              (after COUNT gdi_label, its GDI objects)
//   PASS stage | FAIL stage    with the details of a failure indented above
//   END passed failed
#include "winehost/harness.h"

namespace {

using namespace e2e;

// A colour no scheme uses, painted over the program's window to see it repaint.
constexpr COLORREF kMarker = 0x00FF00;

struct Settings {
    char baseline[MAX_PATH];
    int launches; // timed start-ups of each program
    int pairs;    // night on and off switches
    int rounds;   // clicks on each box during the soak
    int warmUp;   // rounds before the first memory reading
} settings;

// A program whose start-up is timed.
struct Subject {
    const char* name;
    const char* path;
    const char* windowClass;
};

long Microseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<long>(ticks * 1000000 / frequency.QuadPart);
}

// Prints the time from CreateProcess until the window is visible, as sample
// `kind`-NAME, then closes the program as its close button does. Polled
// every millisecond: the figure is a hundred or more of them.
bool TimedLaunch(const Subject& subject, const char* kind) {
    Program program;
    const bool shown = Launch(program, subject.path, subject.windowClass, 1);
    if (shown) {
        Line("SAMPLE %s-%s %ld", kind, subject.name, Microseconds(program.shown - program.started));
        Close(program);
    }
    EndLeftoverPrograms();
    return shown;
}

void MeasureStartup(Program&) {
    const Subject subjects[] = {{"dusklens", session.program, DLform::kClassName},
                                {"baseline", settings.baseline, "Baseline"}};
    // One launch each first, not counted: the files and Wine's own DLLs
    // come from the disk cache from then on, for both alike.
    for (const Subject& subject : subjects)
        if (!TimedLaunch(subject, "warm-up")) return;
    // Alternating, and each pair in the other order from the last.
    for (int i = 0; i < 2 * settings.launches; ++i) {
        if (!TimedLaunch(subjects[(i / 2 + i) % 2], "startup")) return;
        Sleep(300); // lets the desktop settle after the close
    }
}

// The switch is timed as the synchronous round trip of the click, which
// returns once the program's handler has set the colours; a fresh probe then
// confirms them, untimed (a running process keeps the colours it first read).
void MeasureSwitches(Program& program) {
    char caption[64] = "";
    GetWindowTextA(Box(program, kDuskColors), caption, sizeof caption);
    if (!Expect(Same(caption, kCaptions[0]), "expected the first box captioned \"%s\", seen \"%s\"",
                kCaptions[0], caption))
        return;
    for (int i = 0; i < 2 * settings.pairs && failures == 0; ++i) {
        const bool night = i % 2 == 0;
        const LONGLONG start = Ticks();
        if (!Click(program, kDuskColors)) break;
        Line("SAMPLE switch-%s %ld", night ? "night" : "back", Microseconds(Ticks() - start));
        char when[64];
        wsprintfA(when, "after switch %d", i + 1);
        ExpectDesktop(when, night ? kNightLook : kStartLook);
    }
    Close(program);
}

// Paints the marker over the client area straight onto the screen, repaints
// the window and answers whether the program covered the marker again: in
// its own client area and in each box.
bool Repaint(const Program& program, HDC screen, HBRUSH marker) {
    RECT client;
    GetClientRect(program.window, &client);
    MapWindowPoints(program.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    POINT points[4] = {{client.left + 2, client.top + 2}};
    for (int i = 0; i < 3; ++i) {
        RECT box;
        GetWindowRect(Box(program, kBoxes[i]), &box);
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
    return WaitUntil(
        1000, [&] { return !marked(); }, 1);
}

void ReadMemory(const Program& program, const char* label) {
    Line("COUNT gdi_%s %d", label, GdiObjects(program));
    Line("RSS %s", label);
    Expect(AwaitRunner(label, 30000),
           "expected the runner to read the memory (%s), seen no answer in 30 s", label);
}

// Clicks each box `rounds` times in turn, repainting after every click, and
// reads the memory every thousand rounds; answers how many clicks toggled a box.
int Soak(const Program& program, int rounds) {
    int toggles = 0;
    HDC screen = GetDC(nullptr);
    HBRUSH marker = CreateSolidBrush(kMarker);
    for (int round = 1; round <= rounds && failures == 0; ++round) {
        for (int id : kBoxes) {
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
            ReadMemory(program, label);
        }
    }
    DeleteObject(marker);
    ReleaseDC(nullptr, screen);
    return toggles;
}

void MeasureEndurance(Program& program) {
    Soak(program, settings.warmUp);
    ReadMemory(program, "warm");
    const int toggles = Soak(program, settings.rounds);
    ReadMemory(program, "end");
    Line("COUNT soak_toggles %d", toggles);
    // Every box in the other state than at start, so that the exit has
    // everything to put back.
    const int changed[] = {BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED};
    for (int i = 0; i < 3 && failures == 0; ++i)
        if (Checked(program, kBoxes[i]) != changed[i]) Click(program, kBoxes[i]);
    if (failures == 0) ExpectDesktop("after the soak, every box in its other state", kAllChanged);
    Close(program);
    ExpectDesktop("after the exit", kStartLook);
}

constexpr Scenario kStages[] = {{"startup", MeasureStartup},
                                {"switch", MeasureSwitches, true},
                                {"endurance", MeasureEndurance, true}};

} // namespace

extern "C" void BenchEntry() {
    if (!ReadCommandLine("run", "driver.exe run PROGRAM SHELL ACK-FOLDER LAYOUT BASELINE LAUNCHES "
                                "PAIRS ROUNDS WARM-UP") ||
        !Argument(6, settings.baseline, MAX_PATH))
        ExitProcess(2);
    // The four counts, in decimal, into the settings that start at zero.
    int* const numbers[] = {&settings.launches, &settings.pairs, &settings.rounds,
                            &settings.warmUp};
    for (int i = 0; i < 4; ++i) {
        char text[16] = "";
        Argument(7 + i, text, sizeof text);
        for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
            *numbers[i] = *numbers[i] * 10 + (*p - '0');
    }
    ExitProcess(static_cast<UINT>(RunScenarios(kStages, 3, "")));
}
