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
using layouts::Layout;
using layouts::LayoutOf;

struct Scheme {
    const char* name;
    documented::Colors color;
};

// The palette at each scenario's start equals neither of the other two in any element.
extern const Scheme kStartPalette, kNightScheme, kDefaultScheme;

// The wallpaper stored in the user's settings, and another program's.
constexpr const char* kWallpaper = "C:\\windows\\dusklens-e2e.bmp";
constexpr const char* kOtherWallpaper = "C:\\windows\\other-e2e.bmp";

enum Visibility { kHidden, kVisible, kAny };

// What the probe reads, in a fresh process, and writes to its file.
struct DesktopState {
    COLORREF color[kElements];
    char wallpaper[MAX_PATH];
};

// The main taskbar, the icon view, and how many windows the layout's taskbar has.
HWND Taskbar();
HWND IconView();
int LayoutTaskbars();

constexpr DWORD kProbed = sizeof(DesktopState); // what probe.exe writes

// Each changes the desktop as another program would, and fails the running
// scenario when the change did not happen.
bool SetColors(const Scheme& scheme);
bool SetWallpaper(const char* path);
bool ShowTaskbar(bool show);
bool ShowIcons(bool show);

// The stand-in shell, laid out as the session's Windows (shell.cpp's "late" if `iconsLate`);
// starting waits for every window of the layout, and fails the scenario when one is missing.
bool StartShell(bool iconsVisible, bool iconsLate = false);
void StopShell();

// What the decoy WorkerW heard broadcast since a scenario cleared it (DecoyProc).
extern LONG changesHeard, announcementsWithoutIcons;

bool StoreWallpaperSetting(const char* path);

struct Session {
    char program[MAX_PATH]; // dusklens.exe
    char driver[MAX_PATH];  // this executable: the e2e or bench driver, or pictures.exe
    char shell[MAX_PATH];   // the stand-in shell, shell.exe
    char probe[MAX_PATH];   // result file of the probe
    char acks[MAX_PATH];    // folder where the runner acknowledges screenshots
    char windows[16];       // the shell's layout (tests/layouts.h): win95, win98, win7, win10
    bool decoys; // the suite's; the bench's timings would wait for them in every broadcast
    OSVERSIONINFOA version; // as GetVersionExA reports it
    BOOL flatMenus;         // menu bars drawn flat, in display element 30
    int dpi;                // the screen's logical resolution
    char stored[8192];      // the user's stored settings at the start of the session
};
extern Session session;

// Reads `MODE PROGRAM SHELL ACK-FOLDER LAYOUT ...` into `session`, or prints `usage`.
bool ReadCommandLine(const char* mode, const char* usage);

// Starts PATH with ARGUMENTS. Under Wine a new process now and then dies
// while Wine sets it up (ERROR_INTERNAL_ERROR, about once in 25 sessions in
// a new 64-bit prefix without 32-bit Wine); such a start is tried once more.
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

// Sets the session up, then runs each scenario (or the one named `only`)
// on a prepared desktop (start-up palette, taskbar and icons visible, the
// stored wallpaper), checking after each the stored settings and the
// magnifier's record. Prints PASS, FAIL or SKIP per scenario and "END passed failed".
int RunScenarios(const Scenario* scenarios, int count, const char* only);
void PrepareDesktop();

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
// Posts `message` to the window, by default as its close button does, and
// waits for the process to end.
bool Close(Program& program, UINT message = WM_CLOSE, WPARAM wParam = 0);

// The GDI objects the program holds, as GetGuiResources counts them; where
// it counts none (Wine 8's stub), the used entries of the process's GDI
// handle table, which Wine keeps in the process (PEB GdiSharedHandleTable,
// 24-byte entries, the type at byte 14); -1 when neither can be read.
int GdiObjects(const Program& program);
// The part of a box that no other box covers and the client area holds, on the screen.
RECT VisiblePart(const Program& program, int id);
// A click of the mouse through SendInput, activation and focus drawing
// included, on the visible part of the box; waits until the box has toggled.
bool MouseClick(const Program& program, int id);
// Ends every program launched in this scenario that is still running.
void EndLeftoverPrograms();

// Waits `patience` ms for the runner's ACK-FOLDER\name.ack, read into `answer` and removed.
bool AwaitRunner(const char* name, DWORD patience, char* answer = nullptr, DWORD size = 0);

// Prints a failed check of the running scenario and counts it; answers false.
extern int failures;
bool Fail(const char* format, ...);
template <typename... Arguments> bool Expect(bool ok, const char* format, Arguments... arguments) {
    return ok || Fail(format, arguments...);
}
// Marks the running scenario as not applying to this session, saying why.
void Skip(const char* reason);

// The full-screen colour effect in force, where the session has the stand-in magnifier.
enum EffectSeen { kFoundEffect, kRedEffect };

struct Look {
    const Scheme* colors;
    const char* wallpaper;
    Visibility taskbar;
    Visibility icons;
    EffectSeen effect = kFoundEffect;
    const char* stored = nullptr; // another program's wallpaper stored, else the user's settings
};
constexpr Look kStartLook = {&kStartPalette, kWallpaper, kVisible, kVisible};
// Dusk Colors ticked; then all three boxes changed: night, taskbar and icons hidden.
constexpr Look kNightLook = {&kNightScheme, kWallpaper, kVisible, kVisible, kRedEffect};
constexpr Look kAllChanged = {&kNightScheme, "", kHidden, kHidden, kRedEffect};
// Compares the desktop and the stored settings with `look`; `when` names the step.
bool ExpectDesktop(const char* when, const Look& look);

// Whether the session has the stand-in magnifier (winehost/magnifier.h).
bool MagnifierSession();
void SystemMagnifier(char* path);
// Puts `inForce` in force as the effect found at the scenario's start, has
// MagInitialize fail or not, and clears the record of calls.
void SetMagnifier(const ColorEffect& inForce, bool initializeFails);
bool ReadMagnifier(MagnifierState& state); // fails the scenario where it cannot
// How many calls of `call` the record holds from `process`.
int CountCalls(const MagnifierState& state, DWORD process, MagnifierCall call);

} // namespace e2e
