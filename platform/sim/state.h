// The simulated desktop's state and the helpers the files of platform/sim
// share; tests reach it only through sim.h.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/sim/sim.h"

namespace sim {

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
    std::function<bool(unsigned, platform::WParam)> answerBroadcasts;
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
int PLATFORM_WINAPI SetSystemCursor(Handle cursor, std::uint32_t id);

Arg Num(std::int64_t number);
Arg Str(const char* text);
Arg Ptr(bool present);
// A call's arguments as the log shows them: a text as Str, another pointer as
// Ptr, a number as Num, an Arg as it is.
inline Arg ToArg(const Arg& arg) { return arg; }
inline Arg ToArg(const char* text) { return Str(text); }
template <typename T> Arg ToArg(T value) {
    if constexpr (std::is_pointer_v<T>)
        return Ptr(value != nullptr);
    else
        return Num(static_cast<std::int64_t>(value));
}
template <typename... Args> void Record(const char* name, Args... args) {
    S().calls.push_back(Call{name, {ToArg(args)...}});
}

// Registry names and file names match in any case.
std::string Lower(const std::string& text);

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
