// What a driver works with under Wine (winehost/harness.h): the desktop, the
// stand-in shell and the decoys, the program under test, and the session with
// its checks, printed at once and counted.
#include "winehost/harness.h"

#include <initializer_list>

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

// Sends `message` to the window; false where it does not answer within kPatience.
bool Send(HWND window, UINT message, WPARAM wParam = 0, DWORD_PTR* result = nullptr) {
    return SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, kPatience, result) != 0;
}

// Makes sure the program has handled everything sent before and is back in
// its own message loop: a sent message is answered also inside a call that
// sends messages (SetSysColors tells every window), a posted one only there.
bool Sync(const Program& program) {
    HWND box = Box(program, kDuskColors);
    DWORD_PTR state = 0;
    const bool posted = PostMessageA(box, BM_SETSTATE, TRUE, 0) != 0;
    const bool taken = posted && WaitUntil(kPatience, [&] {
                           return Send(box, BM_GETSTATE, 0, &state) && (state & BST_PUSHED) != 0;
                       });
    Send(box, BM_SETSTATE, FALSE);
    return Expect(taken, "expected the program to take a posted message within 10 s, seen %s",
                  posted ? "no answer" : "PostMessage fail");
}

PROCESS_INFORMATION shellProcess;
HWND decoys[2]; // another program's "Button" titled "Start", and "WorkerW"

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

bool OfShell(HWND window) {
    return shellProcess.hProcess != nullptr && ProcessOf(window) == shellProcess.dwProcessId;
}

void EndProcess(HANDLE process, DWORD patience) {
    if (WaitForSingleObject(process, patience) == WAIT_OBJECT_0) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000); // it may still hold its files
}

// Calls `each` with every window of the class under `parent` (nullptr: the
// top-level windows) in FindWindowEx's order.
template <typename Each> void ForEach(HWND parent, const char* className, Each each) {
    for (HWND window = nullptr; (window = FindWindowExA(parent, window, className, nullptr));)
        each(window);
}

// The icon view under `parent`, if it holds one.
HWND DefView(HWND parent) {
    return parent ? FindWindowExA(parent, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
}

struct Windows {
    HWND window[8] = {};
    int count = 0;
    explicit Windows(HWND first) { Add(first); }
    void Add(HWND found) {
        if (found != nullptr && count < 8) window[count++] = found;
    }
};

// Every window of the taskbar, the main one first.
Windows TaskbarWindows() {
    Windows taskbars(Taskbar());
    ForEach(nullptr, "Button",
            [&](HWND button) { taskbars.Add(OfShell(button) ? button : nullptr); });
    ForEach(nullptr, "Shell_SecondaryTrayWnd", [&](HWND bar) { taskbars.Add(bar); });
    return taskbars;
}

// The window as a user would name it: class, title, whose.
const char* WindowName(HWND window) {
    static char name[100];
    char className[32], title[32];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    wsprintfA(name, "%s \"%s\" (%s)", className, title,
              OfShell(window) ? "the shell's" : "another program's");
    return name;
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
        return Append(text, " missing;", size);
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

bool MakeDecoys() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, DecoyThread, ready, 0, nullptr);
    const bool made = thread != nullptr && WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0 &&
                      decoys[0] != nullptr && decoys[1] != nullptr;
    if (thread != nullptr) CloseHandle(thread);
    CloseHandle(ready);
    return made;
}

// The user's stored settings that must never change, as one text.
void ReadStoredSettings(char* text, int size) {
    text[0] = '\0';
    AppendValues("Control Panel\\Colors", nullptr, text, size);
    AppendValues("Control Panel\\Desktop", "Wallpaper", text, size);
}

ColorEffect foundEffect;

const char* Shown(bool visible) { return visible ? "visible" : "hidden"; }

// Bit for bit: an effect in force is one that a program set or read back.
bool SameEffect(const ColorEffect& a, const ColorEffect& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

// Why `effect` is not a night filter, or nullptr: red out only, alpha and
// the constant column as the identity has them, black kept black, and
// brighter inputs giving more red, from each of red, green and blue.
const char* NotRedOnly(const ColorEffect& effect) {
    const auto &m = effect.transform, &identity = documented::kIdentity.transform;
    for (int row = 0; row < 5; ++row) {
        if (m[row][1] != 0 || m[row][2] != 0) return "green or blue comes out";
        if (m[row][3] != identity[row][3] || m[row][4] != identity[row][4])
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
    if (SameEffect(effect, foundEffect)) return Copy(text, "the effect found at the start", size);
    if (SameEffect(effect, documented::kIdentity)) return Copy(text, "the identity", size);
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

// The values of MagnifierCall and Misuse, for messages.
constexpr const char* kCallNames[] = {"the load", "MagInitialize", "MagUninitialize",
                                      "MagSetFullscreenColorEffect", "MagGetFullscreenColorEffect"};
constexpr const char* kMisuseNames[] = {"", "before MagInitialize", "after MagUninitialize",
                                        "after a second MagInitialize", "with a null effect"};
template <typename Value> const char* NameOf(Value value, const char* const (&names)[5]) {
    return static_cast<unsigned>(value) < 5 ? names[static_cast<unsigned>(value)] : "(unknown)";
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

// The stored settings as at the session's start, but for another program's
// `wallpaper` where given; prints the first entry that differs.
bool ExpectStoredSettings(const char* when, const char* wallpaper = nullptr) {
    // Static: a frame this large would need the stack probe, on which the
    // linker of captions.dll fails.
    static char expected[sizeof session.stored], now[sizeof session.stored];
    Copy(expected, session.stored, sizeof expected);
    if (wallpaper != nullptr) // in place of the user's, stored last
        wsprintfA(expected + lstrlenA(expected) - lstrlenA(kWallpaper) - 1, "%s;", wallpaper);
    ReadStoredSettings(now, sizeof now);
    if (Same(expected, now)) return true;
    int start = 0;
    for (int i = 0; expected[i] == now[i]; ++i)
        if (expected[i] == ';') start = i + 1;
    for (char* entry : {expected + start, now + start})
        for (char* p = entry; *p != '\0'; ++p)
            if (*p == ';') *p = '\0';
    Fail("%s: expected the user's stored settings %s (%s), seen %s", when,
         wallpaper ? "with another program's wallpaper" : "unchanged", expected + start,
         now + start);
    // Put it back, so that one fault is reported once.
    StoreWallpaperSetting(kWallpaper);
    ReadStoredSettings(session.stored, sizeof session.stored);
    return false;
}

} // namespace

HWND Taskbar() {
    HWND taskbar = FindWindowA("Shell_TrayWnd", "");
    // Where the shell makes the taskbar, Wine keeps a hidden one of its own:
    // the shell's is the one the program is to find.
    return !LayoutOf(session.windows).ownTaskbar || OfShell(taskbar) ? taskbar : nullptr;
}

HWND IconView() {
    if (LayoutOf(session.windows).icons != layouts::IconPlace::kInWorkerW)
        return DefView(FindWindowA("Progman", "Program Manager"));
    HWND icons = nullptr;
    ForEach(nullptr, "WorkerW", [&](HWND worker) { icons = icons ? icons : DefView(worker); });
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
    EndProcess(probe.hProcess, 0);
    CloseHandles(probe);
    const DWORD read = ended && code == 0 ? ReadWhole(session.probe, &state, kProbed) : 0;
    return Expect(read == kProbed,
                  "probe: expected it to end within 15 s with exit code 0 and %lu bytes in %s, "
                  "seen it %s with exit code 0x%lX and %lu bytes",
                  kProbed, session.probe, ended ? "end" : "still running", code, read);
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

bool Show(const Windows& windows, bool show, const char* what) {
    const int before = failures;
    Expect(windows.count > 0, "expected the %s to %s, seen none", what, show ? "show" : "hide");
    for (int i = 0; i < windows.count; ++i) {
        ShowWindow(windows.window[i], show ? SW_SHOW : SW_HIDE);
        Expect((IsWindowVisible(windows.window[i]) != 0) == show,
               "expected the %s %s, seen window %d of %d stay %s", what, show ? "shown" : "hidden",
               i + 1, windows.count, show ? "hidden" : "visible");
    }
    return failures == before;
}

bool ShowTaskbar(bool show) { return Show(TaskbarWindows(), show, "taskbar"); }

bool ShowIcons(bool show) { return Show(Windows(IconView()), show, "desktop icons"); }

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
    const bool laidOut = WaitUntil(10000, complete);
    ShowDecoys();
    if (laidOut) return true;
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
    EndProcess(shellProcess.hProcess, 5000);
    CloseHandles(shellProcess);
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
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, nullptr));)
        if (ProcessOf(window) == processId) return window;
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
    bool ended = false;
    const auto shownOrEnded = [&] {
        program.window = MainWindowOf(program.process.dwProcessId, windowClass);
        ended = WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
        return ended || IsWindowVisible(program.window) != 0;
    };
    if (!WaitUntil(kPatience, shownOrEnded, poll) || ended) {
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
    return Expect(Send(Box(program, id), BM_CLICK),
                  "expected check box %d to take a click, seen no answer in 10 s", id);
}

int Checked(const Program& program, int id) {
    DWORD_PTR state = 0;
    return Send(Box(program, id), BM_GETCHECK, 0, &state) ? static_cast<int>(state) : -1;
}

bool Answer(const Program& program, HWND box, int button) {
    HWND control = GetDlgItem(box, button);
    if (!Expect(control != nullptr, "expected button %d in the message box, seen none", button))
        return false;
    Send(control, BM_CLICK);
    return Expect(WaitUntil(kPatience, [box] { return !IsWindow(box); }),
                  "expected the message box closed after answering, seen it open") &&
           Sync(program);
}

bool Close(Program& program, UINT message, WPARAM wParam) {
    PostMessageA(program.window, message, wParam, 0);
    return Expect(WaitForSingleObject(program.process.hProcess, kPatience) == WAIT_OBJECT_0,
                  "expected the program to end within 10 s, seen it still running");
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
    return Expect(clicked,
                  "expected a mouse click at (%ld, %ld) on box %d, seen the pointer at (%ld, %ld) "
                  "(error %lu)",
                  target.x, target.y, id, at.x, at.y, GetLastError()) &&
           Expect(WaitUntil(kPatience, [&] { return Checked(program, id) != before; }),
                  "expected box %d to toggle after a mouse click at (%ld, %ld), seen it stay %s",
                  id, target.x, target.y, before == BST_CHECKED ? "checked" : "unchecked") &&
           Sync(program);
}

void EndLeftoverPrograms() {
    for (int i = 0; i < launchedCount; ++i) {
        EndProcess(launched[i], 0);
        CloseHandle(launched[i]);
    }
    launchedCount = 0;
}

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

bool ExpectDesktop(const char* when, const Look& look) {
    DesktopState seen;
    if (!ReadDesktop(seen))
        return Fail("%s: expected the probe to read colours and wallpaper, seen it fail", when);
    const int before = failures;
    const Scheme* known = nullptr;
    for (const Scheme* scheme : {&kStartPalette, &kNightScheme, &kDefaultScheme})
        if (memcmp(scheme->color.data(), seen.color, sizeof scheme->color) == 0) known = scheme;
    if (known != nullptr)
        Expect(known == look.colors, "%s: expected the %s, seen the %s", when, look.colors->name,
               known->name);
    for (int i = 0, reported = 0; known == nullptr && i < kElements; ++i)
        if (seen.color[i] != look.colors->color[i] && reported++ < 4)
            Fail("%s: expected the %s, seen element %d = 0x%06lX instead of 0x%06lX", when,
                 look.colors->name, i, seen.color[i], look.colors->color[i]);
    Expect(Same(seen.wallpaper, look.wallpaper), "%s: expected wallpaper \"%s\", seen \"%s\"", when,
           look.wallpaper, seen.wallpaper);
    const Windows taskbars = TaskbarWindows();
    if (look.taskbar != kAny) {
        const bool visible = look.taskbar == kVisible;
        Expect(taskbars.count == LayoutTaskbars(),
               "%s: expected %d taskbar windows, as the layout has them, seen %d", when,
               LayoutTaskbars(), taskbars.count);
        for (HWND taskbar : taskbars.window)
            Expect(taskbar == nullptr || (IsWindowVisible(taskbar) != 0) == visible,
                   "%s: expected the taskbar %s, seen %s %s", when, Shown(visible),
                   WindowName(taskbar), Shown(!visible));
    }
    // No box may change another program's buttons, nor a WorkerW without the icons.
    const auto leftVisible = [&](HWND other, bool exempt) {
        Expect(exempt || IsWindowVisible(other),
               "%s: expected %s, neither taskbar nor icons, left visible, seen it hidden", when,
               WindowName(other));
    };
    ForEach(nullptr, "Button", [&](HWND button) { leftVisible(button, OfShell(button)); });
    const auto worker = [&](HWND window) { leftVisible(window, DefView(window) != nullptr); };
    ForEach(nullptr, "WorkerW", worker);
    HWND progman = FindWindowA("Progman", "Program Manager");
    if (progman != nullptr) ForEach(progman, "WorkerW", worker);
    const HWND icons = IconView();
    if (look.icons != kAny)
        Expect(icons != nullptr && (IsWindowVisible(icons) != 0) == (look.icons == kVisible),
               "%s: expected the desktop icons %s, seen %s", when, Shown(look.icons == kVisible),
               icons == nullptr ? "no icon window" : Shown(look.icons != kVisible));
    static MagnifierState magnifier;
    if (MagnifierSession() && ReadMagnifier(magnifier)) {
        char text[400];
        DescribeEffect(magnifier.inForce, text, sizeof text);
        const char* why = NotRedOnly(magnifier.inForce);
        if (look.effect == kRedEffect)
            Expect(why == nullptr,
                   "%s: expected the night filter (red only) in force, seen %s (%s)", when, text,
                   why);
        else
            Expect(SameEffect(magnifier.inForce, foundEffect),
                   "%s: expected the effect found at the start in force, seen %s", when, text);
    }
    ExpectStoredSettings(when, look.stored);
    return failures == before;
}

// Checks and clears the record: no misuse, loads from the system directory
// only, at most one MagInitialize per process, one MagUninitialize last.
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
               "expected no misuse of the magnifier, seen %s %s from process %lu",
               NameOf(entry.call, kCallNames), NameOf(entry.misuse, kMisuseNames), entry.process);
        Expect(entry.call != MagnifierCall::kLoad || lstrcmpiA(entry.path, system) == 0,
               "expected Magnification.dll loaded from %s only, seen process %lu load %s", system,
               entry.process, entry.path);
        // Each process once, at its last entry.
        bool initialized = false, last = true;
        for (int j = 0; j < count; ++j) {
            const MagnifierEntry& other = state.entries[j];
            last = last && (j <= i || other.process != entry.process);
            initialized = initialized || (other.process == entry.process &&
                                          other.call == MagnifierCall::kInitialize && other.result);
        }
        const int initializes = CountCalls(state, entry.process, MagnifierCall::kInitialize);
        const int uninitialized = CountCalls(state, entry.process, MagnifierCall::kUninitialize);
        if (!last) continue;
        Expect(initializes <= 1, "expected at most one MagInitialize in process %lu, seen %d",
               entry.process, initializes);
        Expect(!initialized || (uninitialized == 1 && entry.call == MagnifierCall::kUninitialize),
               "expected process %lu, whose MagInitialize succeeded, to end with one "
               "MagUninitialize, seen %d and %s last",
               entry.process, uninitialized, NameOf(entry.call, kCallNames));
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

int RunScenarios(const Scenario* scenarios, int count, const char* only) {
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
        !StoreWallpaperSetting(kWallpaper)) {
        Line("FAIL session");
        Line("END 0 1");
        return 1;
    }
    ReadStoredSettings(session.stored, sizeof session.stored);
    OSVERSIONINFOA& version = session.version;
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    HDC screen = GetDC(nullptr);
    session.dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    SystemParametersInfoA(SPI_GETFLATMENU, 0, &session.flatMenus, 0);
    Line("INFO Windows %lu.%lu reported, screen %d x %d at %d dpi, flat menus %s, shell laid out "
         "%s, %s",
         version.dwMajorVersion, version.dwMinorVersion, GetSystemMetrics(SM_CXSCREEN),
         GetSystemMetrics(SM_CYSCREEN), session.dpi, session.flatMenus ? "on" : "off",
         LayoutOf(session.windows).description,
         MagnifierSession()
             ? "with the stand-in magnifier (Magnification.dll in the system directory)"
             : "no Magnification.dll");
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
        ExpectStoredSettings("at the end");
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
    const auto set = [&](MagnifierState& state) { state = {inForce, initializeFails, 0, {}}; };
    const char* why = UpdateMagnifier(set, true, true);
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
