// The end-to-end driver, run by tests/e2e/run inside a Wine virtual desktop:
//   driver.exe run PROGRAM SHELL ACK-FOLDER VERSION [SCENARIO]
// runs the scenarios against PROGRAM, with SHELL as the stand-in shell and
// VERSION (win95, win98, win7, win10) the Windows the prefix reports, and prints one PASS, FAIL
// or SKIP line per scenario, details indented above a failure, SHOT lines asking the runner for
// screenshots, COUNT lines asking it to count pixels outside the night colours (it answers in
// ACK-FOLDER\NAME.ack), and finally "END passed failed".
//   driver.exe probe FILE
// writes this fresh process's system colours and wallpaper to FILE.
#include "tests/e2e/captions.h"
#include "tests/e2e/scenarios.h"

namespace e2e {

namespace {

const char* BoxState(int state) {
    return state == BST_CHECKED ? "checked" : state == BST_UNCHECKED ? "unchecked" : "no answer";
}

// Asks the runner for the colours in each area of the screen, the first
// saved as the picture `name`, and hands `each` every colour seen in each:
// the area's index, "RRGGBB" and its number of pixels, commonest first.
template <typename Each>
bool ReadPixels(const char* name, const RECT* areas, int count, Each each) {
    char request[400];
    wsprintfA(request, "PIXELS %s", name);
    for (int i = 0; i < count; ++i) {
        char numbers[64];
        wsprintfA(numbers, " %ld %ld %ld %ld", areas[i].left, areas[i].top,
                  areas[i].right - areas[i].left, areas[i].bottom - areas[i].top);
        Append(request, numbers, sizeof request);
    }
    Line("%s", request);
    static char answer[1 << 16];
    if (!Expect(AwaitRunner(name, 60000, answer, sizeof answer),
                "expected the runner to count the pixels of %s, seen no answer in 60 s", name))
        return false;
    // One line per area, of "RRGGBB:N" words.
    int area = 0;
    for (const char* p = answer; *p != '\0' && area < count && (*p < ' ' || lstrlenA(p) > 7);) {
        if (*p == '\n' || *p == ' ') {
            area += *p++ == '\n';
            continue;
        }
        char colour[8];
        Copy(colour, p, 7);
        long pixels = 0;
        for (p += 7; *p >= '0' && *p <= '9'; ++p)
            pixels = pixels * 10 + (*p - '0');
        each(area, colour, pixels);
    }
    return true;
}

} // namespace

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
    // The window, to be saved, and then each box's caption: from past its
    // check mark to where the next box covers it.
    RECT areas[4];
    GetWindowRect(program.window, &areas[0]);
    const int ids[] = {kDuskColors, kDesktop, kTaskbar};
    for (int i = 0; i < 3; ++i) {
        areas[i + 1] = VisiblePart(program, ids[i]);
        areas[i + 1].left += 12 * session.dpi / 96 + 6; // the check mark and the gap after it
    }
    char textColour[8], backColour[8], problem[300] = "";
    wsprintfA(textColour, "%02X%02X%02X", GetRValue(text), GetGValue(text), GetBValue(text));
    wsprintfA(backColour, "%02X%02X%02X", GetRValue(back), GetGValue(back), GetBValue(back));
    struct {
        char top[8];
        long text, red;
    } seen[4] = {};
    if (!ReadPixels(name, areas, 4, [&](int area, const char* colour, long pixels) {
            if (seen[area].top[0] == '\0') Copy(seen[area].top, colour, sizeof seen[area].top);
            if (Same(colour, textColour)) seen[area].text += pixels;
            if (Same(colour, "FF0000")) seen[area].red += pixels;
        }))
        return false;
    if (Same(name, "night") && (text != RGB(255, 0, 0) || back != RGB(128, 0, 0)))
        wsprintfA(problem, "expected night captions asked as FF0000 on 800000, seen %s on %s",
                  textColour, backColour);
    for (int i = 1; i < 4 && problem[0] == '\0'; ++i) {
        if (!Same(seen[i].top, backColour) || seen[i].text < 10)
            wsprintfA(problem,
                      "caption %d: expected #%s on #%s, seen mostly #%s with %ld pixels of #%s", i,
                      textColour, backColour, seen[i].top, seen[i].text, textColour);
        else if (!Same(name, "night") && Same(seen[i].top, "800000") && seen[i].red > 0)
            wsprintfA(problem, "caption %d: expected no red-on-dark-red, seen it", i);
    }
    // A check of its own, apart from the scenario's.
    if (problem[0] != '\0') Line("  %s (picture %s)", problem, name);
    Line("%s screenshot-%s", problem[0] == '\0' ? "PASS" : "FAIL", name);
    return true;
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
    int listed[8] = {};
    long all[8] = {};
    for (int i = 0; i < count; ++i)
        found[i] = {};
    if (!ReadPixels(name, areas, count, [&](int area, const char* colour, long pixels) {
            all[area % 8] += pixels;
            // All that the night scheme shows: black, grey and pure reds.
            if (Same(colour, "000000") || Same(colour, "808080") || Same(colour + 2, "0000"))
                return;
            found[area].count += pixels;
            if (listed[area % 8]++ >= 4) return;
            char entry[32];
            wsprintfA(entry, "%s#%s:%ld", listed[area % 8] > 1 ? " " : "", colour, pixels);
            Append(found[area].commonest, entry, sizeof found[area].commonest);
        }))
        return false;
    for (int i = 0; i < count && i < 8; ++i)
        if (!Expect(all[i] > 0, "expected the pixels of area %d of %s counted, seen none", i, name))
            return false;
    return true;
}

// Loads captions.dll into the program with a thread of the program's own
// that runs LoadLibraryA (kernel32 lies at the same address in every
// process of a session), then waits for what the library writes.
bool MeasureCaptions(const Program& program, CaptionMeasures& measures) {
    char library[MAX_PATH], result[MAX_PATH];
    Copy(library, session.driver, MAX_PATH);
    for (int i = lstrlenA(library); i > 0 && library[i - 1] != '\\'; --i)
        library[i - 1] = '\0';
    Append(library, "captions.dll", MAX_PATH);
    Copy(result, library, MAX_PATH);
    Append(result, ".txt", MAX_PATH);
    DeleteFileA(result);

    const HANDLE process = program.process.hProcess;
    const SIZE_T size = static_cast<SIZE_T>(lstrlenA(library)) + 1;
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = nullptr;
    if (remote != nullptr && WriteProcessMemory(process, remote, library, size, nullptr))
        thread = CreateRemoteThread(process, nullptr, 0, loadLibrary, remote, 0, nullptr);
    if (!Expect(thread != nullptr,
                "expected a thread in the program to load %s, seen none (error %lu)", library,
                GetLastError()))
        return false;
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);

    const bool read = WaitUntil(
        10000, [&] { return ReadWhole(result, &measures, sizeof measures) == sizeof measures; });
    return Expect(read,
                  "expected captions.dll to write its measurements to %s within 10 s, seen "
                  "none",
                  result);
}

} // namespace e2e

extern "C" void DriverEntry() {
    using namespace e2e;
    char only[64] = "";
    if (!ReadCommandLine("[SCENARIO]")) ExitProcess(2);
    Argument(6, only, sizeof only);
    ExitProcess(static_cast<UINT>(RunScenarios(kScenarios, kScenarioCount, only)));
}
