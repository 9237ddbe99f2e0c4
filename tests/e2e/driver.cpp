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
