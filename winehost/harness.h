// What a driver program running under Wine knows of the desktop and of the
// program under test, and how it runs its scenarios; shared by the
// end-to-end driver and the benchmark.
#pragma once

#include "tests/documented.h"
#include "tests/layouts.h"
#include "ui/DLform.h"
#include "winehost/magnifier.h"
#include "winehost/support.h"

namespace e2e {

using documented::kElements;
using layouts::IconPlace;
using layouts::Layout;
using layouts::LayoutOf;

struct Scheme {
    const char* name;
    documented::Colors color;
};

// The palette in force when each scenario starts: no element equals the
// night or the default scheme, so the three can never be confused.
extern const Scheme kStartPalette;
extern const Scheme kNightScheme;
extern const Scheme kDefaultScheme;

// The wallpaper stored in the user's settings, and one set by "someone else"
// during a run (never stored).
constexpr const char* kWallpaper = "C:\\windows\\dusklens-e2e.bmp";
constexpr const char* kOtherWallpaper = "C:\\windows\\other-e2e.bmp";

enum Visibility { kHidden, kVisible, kAny };

// A window of the shell's layout, or one that is not the shell's, and what
// a user would see of it.
struct SeenWindow {
    char name[80]; // class, title, whose
    bool visible;
};

struct DesktopState {
    // What the probe reads and writes to its file, these first two only.
    COLORREF color[kElements];
    char wallpaper[MAX_PATH];
    // Every window of the taskbar as the session's layout has them: the main
    // one (found as FindWindowA finds it), the shell's top-level buttons,
    // and each further display's.
    SeenWindow taskbars[8];
    int taskbarCount;
    bool iconsExist;
    bool icons;
    // Windows that no box may change: another program's button and WorkerW,
    // and every WorkerW without the icons.
    SeenWindow others[8];
    int otherCount;
};

// The main taskbar, the icon view, and how many windows the taskbar has, as
// the session's layout has them.
HWND Taskbar();
HWND IconView();
int LayoutTaskbars();

constexpr DWORD kProbed = offsetof(DesktopState, taskbars); // what probe.exe writes

// System colours and wallpaper are cached per process, so they are read by
// a fresh process, winehost/probe.cpp.
bool ReadDesktop(DesktopState& state);

// Each changes the desktop as another program would (every window of the
// taskbar), and fails the running scenario when the change did not happen.
bool SetColors(const Scheme& scheme);
bool SetWallpaper(const char* path);
bool ShowTaskbar(bool show);
bool ShowIcons(bool show);

// The stand-in shell, one at a time, laid out as the session's Windows.
// Starting waits until every window of the layout is there and the taskbar
// that FindWindowA finds is the layout's, and fails the running scenario,
// saying what is missing, when not. `iconsLate`: shell.cpp's "late".
bool StartShell(bool iconsVisible, bool iconsLate = false);
void StopShell();

// Another program's top-level "Button" titled "Start" and "WorkerW", made
// by a thread of this one that keeps them answering, shown at each
// scenario's start and after each start of the shell.
bool MakeDecoys();
// What the decoy WorkerW heard broadcast since a scenario cleared it (DecoyProc).
extern LONG changesHeard, announcementsWithoutIcons;

// The user's stored settings that must never change: the wallpaper value
// and every value under Control Panel\Colors, as one text; storing fails
// the running scenario when refused.
void ReadStoredSettings(char* text, int size);
bool StoreWallpaperSetting(const char* path);

// What the driver was told on its command line, and where things are.
struct Session {
    char program[MAX_PATH]; // dusklens.exe
    char driver[MAX_PATH];  // this executable: the e2e or bench driver, or pictures.exe
    char shell[MAX_PATH];   // the stand-in shell, shell.exe
    char probe[MAX_PATH];   // result file of the probe
    char acks[MAX_PATH];    // folder where the runner acknowledges screenshots
    char windows[16];       // the shell's layout (winehost/layouts.h): win95, win98, win7, win10
    // Whether to make the decoys: the suite's, not the bench's, whose timings
    // would wait for them in every broadcast of a changed setting.
    bool decoys;
    OSVERSIONINFOA version; // as GetVersionExA reports it
    bool flatMenus;         // menu bars drawn flat, in display element 30
    int dpi;                // the screen's logical resolution
    char stored[8192];      // the user's stored settings at the start of the session
};
extern Session session;

// Reads the command line the drivers share, `MODE PROGRAM SHELL ACK-FOLDER
// LAYOUT ...`, into `session`. Prints `usage` and answers false for any
// other command line. The probe (probe.exe) is found beside SHELL.
bool ReadCommandLine(const char* mode, const char* usage);

// Starts PATH with ARGUMENTS. Under Wine a new process now and then dies
// while Wine sets it up, before any of its own code runs, and
// CreateProcess fails with ERROR_INTERNAL_ERROR (seen about once in 25
// sessions in a new 64-bit prefix on a machine that runs no 32-bit
// programs); such a start is said in an INFO line and tried once more.
bool StartProcess(const char* path, const char* arguments, PROCESS_INFORMATION& process);

constexpr int kDuskColors = DLform::kDuskcolorsChk;
constexpr int kDesktop = DLform::kDesktopChk;
constexpr int kTaskbar = DLform::kTaskbarChk;
constexpr int kBoxes[3] = {kDuskColors, kDesktop, kTaskbar};                // left to right
constexpr const char* kCaptions[3] = {"Dusk Colors", "Desktop", "Taskbar"}; // as kBoxes

struct Program {
    PROCESS_INFORMATION process;
    HWND window;
    LONGLONG started, shown; // Ticks() at the start and once the window showed
};
LONGLONG Ticks(); // the performance counter

struct Scenario {
    const char* name;
    void (*run)(Program& program);
    bool launched = false; // the program is launched first, and `run` runs once it shows
};

// Sets the session up, then runs each scenario (or the one named `only`,
// failing when none is) on the desktop every scenario starts on
// (PrepareDesktop: start-up palette, taskbar and icons visible, the stored
// wallpaper applied), checking after each that the user's stored settings
// and the magnifier were used rightly. Prints one PASS, FAIL or SKIP line
// per scenario and "END passed failed"; answers the exit code.
int RunScenarios(const Scenario* scenarios, int count, const char* only);
void PrepareDesktop();

// The top-level window of `windowClass` that belongs to the process.
HWND MainWindowOf(DWORD processId, const char* windowClass = DLform::kClassName);
// Starts PATH (the program under test unless given) and waits until its
// main window, of `windowClass`, is shown, looking every `poll` ms.
bool Launch(Program& program, const char* path = nullptr,
            const char* windowClass = DLform::kClassName, DWORD poll = 20);
HWND Box(const Program& program, int id);
bool Click(const Program& program, int id);
int Checked(const Program& program, int id); // BST_CHECKED, BST_UNCHECKED, or -1
// Clicks `button` of the message box and waits until it is gone.
bool Answer(const Program& program, HWND box, int button);
// Waits for the process to end after the window was told to go.
bool WaitExit(Program& program);
// Tells the window to close, as its close button does, and waits.
bool Close(Program& program);

// The GDI objects the program holds, as GetGuiResources counts them; where
// it counts none (Wine 8's stub), the used entries of the process's GDI
// handle table, which Wine keeps in the process (PEB GdiSharedHandleTable,
// 24-byte entries, the type at byte 14); -1 when neither can be read.
int GdiObjects(const Program& program);

// The part of a box that no other box covers and the client area holds,
// in screen coordinates.
RECT VisiblePart(const Program& program, int id);
// A click as a user gives it, through SendInput: Wine and Windows handle it
// as the mouse's own, activation and focus drawing included, unlike messages
// sent to the program. It lands on the visible part of the box and waits
// until the box has toggled.
bool MouseClick(const Program& program, int id);
// Ends every program launched in this scenario that is still running.
void EndLeftoverPrograms();

// Waits until the runner acknowledges the request `name` (a file
// ACK-FOLDER\name.ack, removed again); false after `patience` ms. The
// runner's answer, when `answer` asks for it, is what the file holds.
bool AwaitRunner(const char* name, DWORD patience, char* answer = nullptr, DWORD size = 0);

// Records a failed check of the running scenario and prints what was
// expected and what was seen; answers false. Expect does so when `ok` is
// false, and answers `ok`.
extern int failures; // of the running scenario; the driver resets it
bool Fail(const char* format, ...);
template <typename... Arguments> bool Expect(bool ok, const char* format, Arguments... arguments) {
    return ok || Fail(format, arguments...);
}
// Marks the running scenario as not applying to this session, saying why;
// the driver reports it as skipped rather than passed.
extern const char* skipReason;
void Skip(const char* reason);

// The full-screen colour effect in force, where the session has the
// stand-in magnifier: the one found at the scenario's start, or the
// program's night filter.
enum EffectSeen { kFoundEffect, kRedEffect };

struct Look {
    const Scheme* colors;
    const char* wallpaper;
    Visibility taskbar;
    Visibility icons;
    EffectSeen effect = kFoundEffect;
    // Another program's wallpaper, stored in place of the user's; else the
    // user's stored settings are those at the session's start.
    const char* stored = nullptr;
};
constexpr Look kStartLook = {&kStartPalette, kWallpaper, kVisible, kVisible};
// Compares the desktop and the user's stored settings with `look`; `when`
// says at which step, for messages.
bool ExpectDesktop(const char* when, const Look& look);
bool ExpectStoredSettingsUnchanged(const char* when);

// Whether the session has the stand-in magnifier (winehost/magnifier.h) in
// the system directory, where the program looks for it.
bool MagnifierSession();
void SystemMagnifier(char* path);
// Puts `inForce` in force as the effect found at the scenario's start, has
// MagInitialize fail or not, and clears the record of calls.
void SetMagnifier(const ColorEffect& inForce, bool initializeFails);
extern ColorEffect foundEffect;
bool ReadMagnifier(MagnifierState& state); // fails the scenario where it cannot
// How many calls of `call` the record holds from `process`.
int CountCalls(const MagnifierState& state, DWORD process, MagnifierCall call);
// Checks what every process did with the magnifier since the record was
// cleared, and clears it: no misuse, every load from the system directory,
// at most one MagInitialize per process and, after one that succeeded, one
// MagUninitialize as its last call.
void ExpectMagnifierRecord();

} // namespace e2e
