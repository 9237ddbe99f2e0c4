// The desktop and the program under test, as a driver sees and works them:
// the shell's windows and another program's, the colours, wallpaper and
// stored settings, the stand-in shell and the decoys; the program launched,
// clicked, answered and closed.
#include "winehost/harness.h"

namespace e2e {

Session session;
LONG changesHeard, announcementsWithoutIcons;

const Scheme kStartPalette = {"start-up colours",
                              {0xA09080, 0x604020, 0x803010, 0x706050, 0xD0C8B0, 0xF0E8E0,
                               0x202010, 0x501010, 0x101030, 0xF0F0E0, 0xB0A898, 0xA89888,
                               0x706860, 0xA06020, 0xFAFAF0, 0xC8D8B8, 0x687858, 0x707868,
                               0x201808, 0xD0D0C0, 0xF0F8E8, 0x303828, 0xD8E8C8, 0x102040,
                               0xD0F0F8, 0xA0B0C0, 0xC07020, 0xC08040, 0xA09888}};
const Scheme kNightScheme = {"night colours", documented::kNight};
const Scheme kDefaultScheme = {"default colours", documented::kStandard};

namespace {
// Every program started during the running scenario, so that a scenario
// that stops half-way leaves nothing behind.
HANDLE launched[8];
int launchedCount;

constexpr DWORD kPatience = 10000; // ms

// Makes sure the program has handled everything sent before this call and
// is back in a message loop of its own: a sent message is answered also
// while the program waits inside a call of its own that sends messages
// (SetSysColors tells every window), a posted one only from its loops.
// Fails the scenario when the program has not taken it within 10 s.
bool Sync(const Program& program) {
    HWND box = Box(program, kDuskColors);
    DWORD_PTR state = 0;
    const bool posted = PostMessageA(box, BM_SETSTATE, TRUE, 0) != 0;
    const bool taken =
        posted && WaitUntil(kPatience, [&] {
            return SendMessageTimeoutA(box, BM_GETSTATE, 0, 0, SMTO_NORMAL, kPatience, &state) &&
                   (state & BST_PUSHED) != 0;
        });
    SendMessageTimeoutA(box, BM_SETSTATE, FALSE, 0, SMTO_NORMAL, kPatience, &state);
    return Expect(taken, "expected the program to take a posted message within 10 s, seen %s",
                  posted ? "no answer" : "PostMessage fail");
}

PROCESS_INFORMATION shellProcess;
HWND decoys[2]; // another program's "Button" titled "Start", and "WorkerW"

bool OfShell(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return shellProcess.hProcess != nullptr && process == shellProcess.dwProcessId;
}

// Calls `each` with every window of the class under `parent` (nullptr: the
// top-level windows) in the order FindWindowEx searches, until it answers
// false.
template <typename Each> void ForEach(HWND parent, const char* className, Each each) {
    for (HWND window = nullptr; (window = FindWindowExA(parent, window, className, nullptr));)
        if (!each(window)) return;
}

// Up to eight windows, in the order they were found.
struct Windows {
    HWND window[8];
    int count = 0;
    bool Add(HWND found) {
        if (found != nullptr && count < 8) window[count++] = found;
        return true;
    }
};

// Every window of the taskbar, the main one first.
Windows TaskbarWindows() {
    Windows taskbars;
    taskbars.Add(Taskbar());
    ForEach(nullptr, "Button",
            [&](HWND button) { return !OfShell(button) || taskbars.Add(button); });
    ForEach(nullptr, "Shell_SecondaryTrayWnd", [&](HWND bar) { return taskbars.Add(bar); });
    return taskbars;
}

// The windows that no box may change: top-level buttons that are not the
// shell's, and every WorkerW without the icons.
Windows OtherWindows() {
    Windows others;
    ForEach(nullptr, "Button", [&](HWND button) { return OfShell(button) || others.Add(button); });
    const auto addWorker = [&](HWND worker) {
        return FindWindowExA(worker, nullptr, "SHELLDLL_DefView", nullptr) || others.Add(worker);
    };
    ForEach(nullptr, "WorkerW", addWorker);
    HWND progman = FindWindowA("Progman", "Program Manager");
    if (progman != nullptr) ForEach(progman, "WorkerW", addWorker);
    return others;
}

// What a user would see of each window; answers how many there are.
int See(const Windows& windows, SeenWindow* seen) {
    for (int i = 0; i < windows.count; ++i) {
        char className[32], title[32];
        GetClassNameA(windows.window[i], className, sizeof className);
        GetWindowTextA(windows.window[i], title, sizeof title);
        wsprintfA(seen[i].name, "%s \"%s\" (%s)", className, title,
                  OfShell(windows.window[i]) ? "the shell's" : "another program's");
        seen[i].visible = IsWindowVisible(windows.window[i]) != 0;
    }
    return windows.count;
}

void CloseHandles(PROCESS_INFORMATION& process) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = {};
}

// Appends "NAME=DATA;" for each value under the key of the current user,
// or for the one named `only`.
void AppendValues(const char* path, const char* only, char* text, int size) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Append(text, path, size);
        Append(text, " missing;", size);
        return;
    }
    for (DWORD i = 0;; ++i) {
        char name[256], data[512];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS)
            break;
        data[dataSize] = '\0';
        char entry[800];
        wsprintfA(entry, "%s=%s;", name, data);
        if (only == nullptr || lstrcmpiA(name, only) == 0) Append(text, entry, size);
    }
    RegCloseKey(key);
}

// The decoy WorkerW counts the colour and wallpaper changes broadcast, and the
// shell's announcements made while it had no icon view.
LRESULT CALLBACK DecoyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    changesHeard += message == WM_SYSCOLORCHANGE ||
                    (message == WM_SETTINGCHANGE && wParam == SPI_SETDESKWALLPAPER);
    announcementsWithoutIcons += message == RegisterWindowMessageA("TaskbarCreated") && !IconView();
    return DefWindowProcA(window, message, wParam, lParam);
}

// Makes the decoys and keeps them answering: a window whose thread takes no
// messages holds up every program that sends it one.
DWORD WINAPI DecoyThread(void* ready) {
    RegisterWindowClass("WorkerW", DecoyProc, nullptr);
    // Above Wine's taskbar at the left, away from the program's window.
    decoys[0] = CreateWindowExA(WS_EX_TOOLWINDOW, "Button", "Start", WS_POPUP | BS_PUSHBUTTON, 8,
                                560, 64, 24, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    decoys[1] = CreateWindowExA(WS_EX_TOOLWINDOW, "WorkerW", "", WS_POPUP, 80, 560, 32, 24, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    SetEvent(static_cast<HANDLE>(ready));
    DispatchMessages();
    return 0;
}

// Puts the decoys visible, first in the order that FindWindowEx searches.
void ShowDecoys() {
    for (HWND decoy : decoys)
        SetWindowPos(decoy, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

} // namespace

HWND Taskbar() {
    HWND taskbar = FindWindowA("Shell_TrayWnd", "");
    // Where the shell makes the taskbar, Wine keeps a hidden one of its own:
    // the shell's is the one the program is to find.
    return !LayoutOf(session.windows).ownTaskbar || OfShell(taskbar) ? taskbar : nullptr;
}

HWND IconView() {
    if (LayoutOf(session.windows).icons != IconPlace::kInWorkerW) {
        HWND progman = FindWindowA("Progman", "Program Manager");
        return progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    }
    HWND icons = nullptr;
    ForEach(nullptr, "WorkerW", [&](HWND worker) {
        icons = FindWindowExA(worker, nullptr, "SHELLDLL_DefView", nullptr);
        return icons == nullptr;
    });
    return icons;
}

int LayoutTaskbars() {
    const Layout& layout = LayoutOf(session.windows);
    return 1 + (layout.startButton ? 1 : 0) + layout.secondaryTaskbars;
}

bool ReadDesktop(DesktopState& state) {
    DeleteFileA(session.probe);
    char arguments[MAX_PATH + 16], path[MAX_PATH];
    wsprintfA(arguments, "\"%s\"", session.probe);
    Beside(session.shell, "probe.exe", path);
    PROCESS_INFORMATION probe;
    if (!StartProcess(path, arguments, probe))
        return Fail("probe: expected %s to start, seen error %lu", path, GetLastError());
    // A probe ends within a tenth of a second, on a busy machine too; the
    // limit only keeps a hung one from holding up the run.
    const bool ended = WaitForSingleObject(probe.hProcess, 15000) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(probe.hProcess, &code);
    if (!ended) {
        TerminateProcess(probe.hProcess, 1);
        WaitForSingleObject(probe.hProcess, 5000); // it may still hold the result file
    }
    CloseHandles(probe);
    const DWORD read = ended && code == 0 ? ReadWhole(session.probe, &state, kProbed) : 0;
    if (read != kProbed)
        return Fail("probe: expected it to end within 15 s with exit code 0 and %lu bytes in %s, "
                    "seen it %s with exit code 0x%lX and %lu bytes",
                    kProbed, session.probe, ended ? "end" : "still running", code, read);
    state.taskbarCount = See(TaskbarWindows(), state.taskbars);
    state.iconsExist = IconView() != nullptr;
    state.icons = IsWindowVisible(IconView()) != 0;
    state.otherCount = See(OtherWindows(), state.others);
    return true;
}

bool SetColors(const Scheme& scheme) {
    INT elements[kElements];
    for (int i = 0; i < kElements; ++i)
        elements[i] = i;
    const auto* colors = reinterpret_cast<const COLORREF*>(scheme.color.data()); // both 32 bits
    // Each call first: arguments are evaluated in no set order.
    const bool set = SetSysColors(kElements, elements, colors) != 0;
    return Expect(set, "expected the %s set, seen SetSysColors fail (error %lu)", scheme.name,
                  GetLastError());
}

bool SetWallpaper(const char* path) {
    char copy[MAX_PATH];
    Copy(copy, path, MAX_PATH);
    const bool set = SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, copy, SPIF_SENDWININICHANGE);
    return Expect(set, "expected wallpaper \"%s\" set, seen SystemParametersInfo fail (error %lu)",
                  path, GetLastError());
}

// Shows or hides each window; says which one refused.
bool Show(const Windows& windows, bool show, const char* what) {
    bool done = true;
    for (int i = 0; i < windows.count; ++i) {
        ShowWindow(windows.window[i], show ? SW_SHOW : SW_HIDE);
        done =
            Expect((IsWindowVisible(windows.window[i]) != 0) == show,
                   "expected the %s %s, seen window %d of %d stay %s", what,
                   show ? "shown" : "hidden", i + 1, windows.count, show ? "hidden" : "visible") &&
            done;
    }
    return Expect(windows.count > 0, "expected the %s to %s, seen none", what,
                  show ? "show" : "hide") &&
           done;
}

bool ShowTaskbar(bool show) { return Show(TaskbarWindows(), show, "taskbar"); }

bool ShowIcons(bool show) {
    Windows icons;
    icons.Add(IconView());
    return Show(icons, show, "desktop icons");
}

void PrepareDesktop() {
    ExpectMagnifierRecord();
    SetMagnifier(documented::kIdentity, false);
    SetColors(kStartPalette);
    if (shellProcess.hProcess != nullptr &&
        WaitForSingleObject(shellProcess.hProcess, 0) == WAIT_TIMEOUT)
        ShowIcons(true);
    else
        StartShell(true);
    ShowTaskbar(true);
    ShowDecoys();
    SetWallpaper(kWallpaper);
}

bool StartShell(bool iconsVisible, bool iconsLate) {
    StopShell();
    const Layout& layout = LayoutOf(session.windows);
    char arguments[32];
    wsprintfA(arguments, "%s %s", layout.windows,
              iconsLate ? "late" : (iconsVisible ? "" : "hidden"));
    const bool started = StartProcess(session.shell, arguments, shellProcess);
    if (!Expect(started, "expected the stand-in shell %s to start, seen error %lu", session.shell,
                GetLastError()))
        return false;
    const DWORD id = shellProcess.dwProcessId;
    const auto complete = [&] {
        return IsWindowVisible(MainWindowOf(id, "Progman")) && IconView() != nullptr &&
               TaskbarWindows().count == LayoutTaskbars();
    };
    if (WaitUntil(10000, complete)) {
        ShowDecoys();
        return true;
    }
    return Fail(
        "expected the stand-in shell laid out %s, seen Progman %s, %s and %d of %d taskbar "
        "windows%s",
        layout.description,
        IsWindowVisible(MainWindowOf(id, "Progman")) ? "shown" : "missing or hidden",
        IconView() != nullptr ? "the icons" : "no icons", TaskbarWindows().count, LayoutTaskbars(),
        layout.ownTaskbar && Taskbar() == nullptr ? ", FindWindowA finding no taskbar of its own"
                                                  : "");
}

void StopShell() {
    if (shellProcess.hProcess == nullptr) return;
    PostMessageA(MainWindowOf(shellProcess.dwProcessId, "Progman"), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(shellProcess.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(shellProcess.hProcess, 1);
    WaitForSingleObject(shellProcess.hProcess, 5000);
    CloseHandles(shellProcess);
}

bool MakeDecoys() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, DecoyThread, ready, 0, nullptr);
    const bool made = thread != nullptr && WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0 &&
                      decoys[0] != nullptr && decoys[1] != nullptr;
    if (thread != nullptr) CloseHandle(thread);
    CloseHandle(ready);
    ShowDecoys();
    return made;
}

void ReadStoredSettings(char* text, int size) {
    text[0] = '\0';
    AppendValues("Control Panel\\Colors", nullptr, text, size);
    AppendValues("Control Panel\\Desktop", "Wallpaper", text, size);
}

bool StoreWallpaperSetting(const char* path) {
    const LONG status = RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper",
                                        REG_SZ, path, static_cast<DWORD>(lstrlenA(path) + 1));
    return Expect(status == ERROR_SUCCESS,
                  "expected wallpaper \"%s\" stored in the user's settings, seen error %ld", path,
                  status);
}

LONGLONG Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

HWND MainWindowOf(DWORD processId, const char* windowClass) {
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

bool StartProcess(const char* path, const char* arguments, PROCESS_INFORMATION& process) {
    char commandLine[3 * MAX_PATH];
    wsprintfA(commandLine, "\"%s\" %s", path, arguments);
    for (int attempt = 1;; ++attempt) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2) return false;
        Line("INFO %s died while Wine set it up, before any of its own code ran (error %lu); "
             "starting it once more",
             path, error);
    }
}

bool Launch(Program& program, const char* path, const char* windowClass, DWORD poll) {
    program = {};
    if (path == nullptr) path = session.program;
    program.started = Ticks();
    if (!StartProcess(path, "", program.process))
        return Fail("could not start %s (error %lu)", path, GetLastError());
    CloseHandle(program.process.hThread);
    if (launchedCount < 8) launched[launchedCount++] = program.process.hProcess;
    const DWORD id = program.process.dwProcessId;
    bool ended = false;
    if (!WaitUntil(
            kPatience,
            [&] {
                program.window = MainWindowOf(id, windowClass);
                ended = WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
                return ended || IsWindowVisible(program.window) != 0;
            },
            poll) ||
        ended) {
        DWORD code = 0;
        if (ended && GetExitCodeProcess(program.process.hProcess, &code))
            return Fail("expected the window of %s (class %s) shown, seen the process end with "
                        "exit code %lu",
                        path, windowClass, code);
        return Fail("expected the window of %s (class %s) shown within 10 s, seen %s", path,
                    windowClass, program.window ? "it hidden" : "no window");
    }
    program.shown = Ticks();
    return Sync(program);
}

HWND Box(const Program& program, int id) { return GetDlgItem(program.window, id); }

bool Click(const Program& program, int id) {
    DWORD_PTR result = 0;
    return Expect(
        SendMessageTimeoutA(Box(program, id), BM_CLICK, 0, 0, SMTO_NORMAL, kPatience, &result) != 0,
        "expected check box %d to take a click, seen no answer in 10 s", id);
}

int Checked(const Program& program, int id) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(Box(program, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, kPatience, &state))
        return -1;
    return static_cast<int>(state);
}

bool Answer(const Program& program, HWND box, int button) {
    HWND control = GetDlgItem(box, button);
    if (!Expect(control != nullptr, "expected button %d in the message box, seen none", button))
        return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kPatience, &result);
    if (!Expect(WaitUntil(kPatience, [box] { return !IsWindow(box); }),
                "expected the message box closed after answering, seen it open"))
        return false;
    return Sync(program);
}

bool WaitExit(Program& program) {
    return Expect(WaitForSingleObject(program.process.hProcess, kPatience) == WAIT_OBJECT_0,
                  "expected the program to end within 10 s, seen it still running");
}

bool Close(Program& program) {
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    return WaitExit(program);
}

int GdiObjects(const Program& program) {
    const HANDLE process = program.process.hProcess;
    const int counted = static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    void* basic[6] = {}; // PROCESS_BASIC_INFORMATION: the PEB's address second
    void* table = nullptr;
    static WORD entries[0x10000][12];
    if (counted != 0 || query == nullptr || query(process, 0, basic, sizeof basic, nullptr) != 0 ||
        !ReadProcessMemory(process,
                           static_cast<char*>(basic[1]) + (sizeof(void*) == 8 ? 0xF8 : 0x94),
                           &table, sizeof table, nullptr) ||
        !ReadProcessMemory(process, table, entries, sizeof entries, nullptr))
        return counted != 0 ? counted : -1;
    int used = 0;
    for (const auto& entry : entries)
        used += entry[7] != 0;
    return used;
}

RECT VisiblePart(const Program& program, int id) {
    RECT part, client;
    GetWindowRect(Box(program, id), &part);
    GetClientRect(program.window, &client);
    MapWindowPoints(program.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (client.right < part.right) part.right = client.right;
    // A box further right that starts inside this one covers its right end.
    for (int other : kBoxes) {
        RECT rect;
        if (other != id && GetWindowRect(Box(program, other), &rect) && rect.left > part.left &&
            rect.left < part.right)
            part.right = rect.left;
    }
    return part;
}

bool MouseClick(const Program& program, int id) {
    const RECT box = VisiblePart(program, id);
    const int before = Checked(program, id);
    const POINT target = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    // The pointer first, then the button, pressed and released where the
    // pointer is to be: under Wine an X event about the pointer that arrives
    // late can move it back to where it was before, and a button event that
    // does not say where it happens lands there.
    INPUT inputs[3] = {};
    const DWORD flags[3] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        // Absolute positions run from 0 to 65535 across the screen.
        inputs[i].mi.dx = (target.x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
        inputs[i].mi.dy = (target.y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
        inputs[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags[i];
    }
    POINT at = {};
    const bool clicked =
        SendInput(1, inputs, sizeof inputs[0]) == 1 &&
        WaitUntil(kPatience, [&] { return GetCursorPos(&at) && PtInRect(&box, at); }) &&
        SendInput(2, inputs + 1, sizeof inputs[0]) == 2;
    if (!Expect(clicked,
                "expected a mouse click at (%ld, %ld) on box %d, seen the pointer at (%ld, %ld) "
                "(error %lu)",
                target.x, target.y, id, at.x, at.y, GetLastError()))
        return false;
    if (!Expect(WaitUntil(kPatience, [&] { return Checked(program, id) != before; }),
                "expected box %d to toggle after a mouse click at (%ld, %ld), seen it stay %s", id,
                target.x, target.y, before == BST_CHECKED ? "checked" : "unchecked"))
        return false;
    return Sync(program);
}

void EndLeftoverPrograms() {
    for (int i = 0; i < launchedCount; ++i) {
        if (WaitForSingleObject(launched[i], 0) == WAIT_TIMEOUT) {
            TerminateProcess(launched[i], 1);
            WaitForSingleObject(launched[i], kPatience);
        }
        CloseHandle(launched[i]);
    }
    launchedCount = 0;
}

} // namespace e2e
