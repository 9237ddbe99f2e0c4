// The simulated desktop behind platform.h for the host build: shell windows,
// system colours, wallpaper, registry, heap and a small window toolkit. Tests
// set it up, act as the user and read back both the desktop's state and the
// log of every platform call the program made.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/platform.h"
#include "tests/documented.h"
#include "tests/layouts.h"

namespace sim {

using platform::ColorRef;
using platform::Handle;

// --- Call log ---

// One recorded argument; a null pointer or text is Null, another pointer Pointer.
struct Arg {
    enum class Kind { Number, Text, Null, Pointer, List };
    Kind kind = Kind::Number;
    std::int64_t number = 0;
    std::string text;
    std::vector<std::int64_t> list;
};

struct Call {
    std::string name;
    std::vector<Arg> args;
    std::string str() const; // FindWindowA("Shell_TrayWnd", ""), lists in braces, null, ptr
};

const std::vector<Call>& Calls();
// str() of every call to `name`, in order.
std::vector<std::string> Log(const std::string& name);
void ClearCalls();

// --- A fresh, empty desktop; handles are never reused. ---
void Reset();

// --- Shell ---

// The threads that windows belong to, as GetWindowThreadProcessId tells.
constexpr std::uint32_t kProgramThread = 1; // windows made by CreateWindowExA
constexpr std::uint32_t kShellThread = 2;
constexpr std::uint32_t kOtherThread = 3; // another program's

using layouts::IconPlace;

// The program's watch on shown windows (SetWinEventHook) hears of every window
// ShowWindow shows, from the message loop or when TellShown is called.
bool ShowWatched();
void TellShown();
// Whether the program asked to hear of unlocking, and still does.
bool SessionWatched();

struct ShellOptions {
    bool taskbarVisible = true;
    bool iconsVisible = true;
    bool iconWindow = true; // whether there is an icon view at all
    IconPlace icons = IconPlace::kInProgman;
    int secondaryTaskbars = 0; // 8 and later: one per further display
    bool startButton = false;  // Vista and 7
    // A restarted 11 24H2: the icon view made only after "TaskbarCreated".
    bool iconsAfterAnnouncing = false;
};
struct Shell {
    Handle taskbar = 0;                    // "Shell_TrayWnd", titled ""
    Handle desktop = 0;                    // "Progman", "Program Manager"
    Handle icons = 0;                      // the icon view, or 0
    Handle startButton = 0;                // a top-level "Button" of the shell's thread, or 0
    std::vector<Handle> secondaryTaskbars; // "Shell_SecondaryTrayWnd"
    std::vector<Handle> workers;           // every "WorkerW", the icons' own first
};
// The shell's windows, of kShellThread; then "TaskbarCreated" to every top-level window.
Shell StartShell(const ShellOptions& options = {});
void StopShell();
// A new shell laid out as the last one, new handles, everything visible.
Shell RestartShell();
// Sends every top-level window `message`, as Windows does when a setting
// changes. AnswerBroadcasts adds another program's window that broadcasts again
// each one it hears (up to 50), as a second copy of the program would.
void Broadcast(unsigned message, platform::WParam wParam = 0);
void AnswerBroadcasts();
int BroadcastsHeard(); // by that window
// Milliseconds pass (GetTickCount).
void Wait(std::uint32_t milliseconds);
// A top-level window (or a child of `parent`) that is not the program's.
Handle AddWindow(const std::string& className, const std::string& title, Handle parent = 0,
                 bool visible = true, std::uint32_t thread = kOtherThread);

// --- Windows ---

struct Window {
    std::string className;
    std::string title;
    std::uint32_t style = 0;
    Handle parent = 0;
    std::uintptr_t id = 0;
    std::uint32_t thread = kProgramThread;
    bool visible = false;
    platform::Rect rect{0, 0, 0, 0}; // screen for top-level windows, else parent client
    int check = 0;                   // check state of a "Button"
    // A "Button" inverts its focus rectangle on WM_SETFOCUS and WM_KILLFOCUS, as 95 and 98.
    bool focusRectangle = false;
    Handle menu = 0;
    platform::WindowProc subclass = nullptr; // set by SetWindowLongA
    std::vector<Handle> children{};          // first child first
    bool destroying = false;
};
// nullptr when there is no such window (any more).
Window* Find(Handle window);
Handle ChildWithId(Handle parent, std::uintptr_t id);
Handle Focus();

struct MenuItem {
    unsigned flags = 0;
    std::uintptr_t idOrPopup = 0;
    std::optional<std::string> text;
};
struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};
const Menu* MenuInfo(Handle menu);

// Last colours a device context was given, when it was given any.
struct DcColors {
    std::optional<ColorRef> text, background;
};
DcColors DcState(Handle dc);
int OpenDcs();

// --- System colours, elements 0 to 28 ---

using documented::kElements;
using Colors = documented::Colors;
Colors CurrentColors();
void SetColors(const Colors& colors);

// --- Wallpaper: the current one (nullopt after a null path) and the stored setting ---

std::optional<std::string> Wallpaper();
// As the user would choose one: current and stored setting both change.
void ChooseWallpaper(const std::string& path);

// --- Registry: the values of HKCU\Control Panel\Desktop, the one key the
// program reads, set up by name ---

constexpr Handle kCurrentUser = platform::kHkeyCurrentUser;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegMultiSz = 7;

struct RegValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
};
void SetValue(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> bytes);
void SetText(const std::string& name, const std::string& text);
// REG_DWORD stored little-endian in `bytes` bytes (1 to 8).
void SetNumber(const std::string& name, std::uint64_t value, std::size_t bytes = 4);
// Opening the key then answers ERROR_ACCESS_DENIED.
void RefuseKey();
// The next RegQueryValueExA with a buffer answers `status`, as after a change of the value.
void FailNextDataQuery(platform::Status status);
std::optional<RegValue> Value(const std::string& name);
int OpenKeys();

// --- Heap ---

// The next `count` AllocateZeroed calls answer nullptr.
void FailAllocations(int count);
int LiveAllocations();

// --- Magnification.dll in the system directory, answering as set here; calls
// before MagInitialize or after MagUninitialize fail. ---

using Effect = platform::MagColorEffect;
// Its 25 entries, row by row, in thousandths: how the call log shows one.
std::vector<std::int64_t> Thousandths(const Effect& effect);
struct Magnifier {
    bool installed = false;        // Magnification.dll in the system directory
    bool fullscreenEffects = true; // it exports the two full-screen functions (8 and later)
    bool initializeWorks = true;
    bool getWorks = true;
    bool setWorks = true;
    Effect effect = documented::kUserEffect; // in force: at first a user's own
};
Magnifier& MagnifierConfig();

// --- Mouse pointers: the user's standard ones by OCR_* id, which
// SPI_SETCURSORS puts in force. Pixels are 32-bit, in a bottom-up DIB's
// order; a mask's 0 or 0xFFFFFF. Without colour pixels a pointer is
// monochrome, its mask AND above XOR. At first each is 2 by 2 and monochrome:
// white, black, transparent, inverting; its hot spot (1, 0). ---
struct Bitmap {
    int width = 0, height = 0, bitCount = 32;
    std::vector<std::uint32_t> pixels;
};
struct Pointer {
    Bitmap mask, color;
    std::uint32_t hotX = 0, hotY = 0;
};
using Pointers = std::map<std::uint32_t, Pointer>;
Pointers& UserPointers();
const Pointers& PointersInForce();
// GDI bitmaps and cursors the program made and has not freed or handed to
// SetSystemCursor, which makes them Windows'.
int HeldByProgram();

// --- Toolkit settings ---

struct Settings {
    int screenWidth = 1024;
    int dpi = 96;
    int messageBoxAnswer = 7; // IDNO
    std::uint16_t version[4] = {documented::kVersion[0], documented::kVersion[1],
                                documented::kVersion[2], documented::kVersion[3]};
    std::string companyName = documented::kCompany;
    bool mainWindowCreatable = true; // false: no window of the registered class can be made
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    // The functions User32Function does not find, as on an older Windows. With
    // SetProcessDPIAware the resolution reads 96 until it is called, else `dpi`.
    std::set<std::string> user32Lacks;
    bool registerWindowMessageWorks = true;
    bool wtsapi32 = true; // XP and later: wtsapi32.dll in the system directory
    bool wtsRegisterWorks = true;
};
Settings& Config();

// --- The user and the event loop ---

void SetKeyDown(int virtualKey, bool down);
// The box takes the focus, toggles, then tells its parent WM_COMMAND(id, BN_CLICKED).
void Click(Handle box);
void ChooseMenu(Handle window, unsigned id);
void Close(Handle window);
// Queues a message for RunMessageLoop.
void Post(Handle window, unsigned message, platform::WParam wParam = 0,
          platform::LParam lParam = 0);
// One action per idle moment of the loop; with none left the loop answers -1.
void WhenIdle(std::function<void()> action);
bool QuitPosted();

// --- The state behind all of the above, and the helpers that only the files
// of platform/sim use ---
struct Key {
    bool refuses = false;
    std::map<std::string, RegValue> values; // by lower-case name
};

struct State {
    State() {
        // The user's own scheme: no entry equals the night or the standard one.
        for (int i = 0; i < kElements; ++i)
            colors[i] = 0xA00000 + 0x0101 * i;
        for (std::uint32_t id : documented::kStandardPointers)
            userPointers[id] = {
                {2, 4, 1, {0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF}}, {}, 1, 0};
        pointers = userPointers;
    }
    std::vector<Call> calls;
    std::map<Handle, Window> windows;
    std::vector<Handle> topLevel; // search order of FindWindowA
    std::map<std::string, platform::WindowProc> classes;
    std::map<Handle, Menu> menus;
    std::map<Handle, DcColors> dcColors;
    std::set<Handle> openDcs;
    Colors colors{};
    std::optional<std::string> wallpaper = std::string();
    std::map<std::string, Key> registry; // by lower-case full name
    std::map<Handle, std::string> openKeys;
    platform::Status failDataQuery = 0;
    Settings settings;
    Magnifier magnifier;
    bool magnifierInitialized = false;
    Handle magnifierLibrary = 0;
    Handle wtsLibrary = 0;
    platform::WinEventProc showHook = nullptr;
    std::vector<Handle> shown; // told to the hook from the message loop
    Handle sessionWatcher = 0;
    std::uint32_t ticks = 1000000;
    Handle answerer = 0;
    bool answering = false;
    int broadcastsHeard = 0;
    bool dpiAware = false;
    Pointers userPointers, pointers; // a pointer's handle is its id
    std::map<Handle, Bitmap> bitmaps;
    std::map<Handle, Pointer> cursors;
    std::map<std::string, unsigned> registeredMessages; // by name, from 0xC000
    Shell shell;
    ShellOptions shellOptions; // the running shell's layout
    int failAllocations = 0;
    int liveAllocations = 0;
    Handle focus = 0;
    std::set<int> keysDown;
    std::deque<platform::Message> queue;
    std::deque<std::function<void()>> idleActions;
    bool quitPosted = false;
    int exitCode = 0;
};

State& S();
Handle NewHandle();

inline Arg Ptr(bool present) { return {present ? Arg::Kind::Pointer : Arg::Kind::Null, 0, {}, {}}; }
// Each of a call's arguments as the log shows it.
inline Arg ToArg(const Arg& arg) { return arg; }
inline Arg ToArg(const char* text) {
    return {text ? Arg::Kind::Text : Arg::Kind::Null, 0, text ? text : "", {}};
}
template <typename T> Arg ToArg(T value) {
    if constexpr (std::is_pointer_v<T>)
        return Ptr(value != nullptr);
    else
        return {Arg::Kind::Number, static_cast<std::int64_t>(value), {}, {}};
}
// `count` values in braces, or null for none.
template <typename T> Arg List(const T* values, int count) {
    Arg arg{values == nullptr ? Arg::Kind::Null : Arg::Kind::List, 0, {}, {}};
    if (values != nullptr && count > 0) arg.list.assign(values, values + count);
    return arg;
}
template <typename... Args> void Record(const char* name, Args... args) {
    S().calls.push_back(Call{name, {ToArg(args)...}});
}

// Registry names and file names match in any case.
std::string Lower(std::string text);

Handle Insert(Window window);
// Takes a window and its children off the desktop without telling anyone.
void Remove(Handle handle);
// Moves the keyboard focus, telling both windows, as SetFocus does.
Handle MoveFocus(Handle window);
// Hands a message to the window's procedure as the toolkit would.
platform::LResult Deliver(Handle handle, unsigned message, platform::WParam wParam,
                          platform::LParam lParam);

} // namespace sim

// For the platform functions each file defines over the state above.
namespace platform {

using sim::Record;
using sim::S;

} // namespace platform
