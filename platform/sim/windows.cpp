// Windows on the simulated desktop, the shell's and the program's: their tree,
// finding them, showing, hiding and moving them.
#include "platform/sim/sim.h"

#include <algorithm>

namespace sim {

namespace {

constexpr unsigned kSwpNoMove = 0x0002;

// Whether an existing window has the class and title; null matches any.
bool Matches(Handle handle, const char* className, const char* windowTitle) {
    const Window& window = *Find(handle);
    return (className == nullptr || window.className == className) &&
           (windowTitle == nullptr || window.title == windowTitle);
}

} // namespace

Window* Find(Handle window) {
    auto found = S().windows.find(window);
    return found == S().windows.end() ? nullptr : &found->second;
}

Handle Insert(Window window) {
    const Handle handle = NewHandle();
    if (Window* parent = Find(window.parent))
        parent->children.push_back(handle);
    else
        S().topLevel.push_back(handle);
    S().windows[handle] = static_cast<Window&&>(window);
    return handle;
}

void Remove(Handle handle) {
    Window* window = Find(handle);
    if (window == nullptr) return;
    const std::vector<Handle> children = window->children;
    for (Handle child : children)
        Remove(child);
    std::vector<Handle>& siblings =
        Find(window->parent) != nullptr ? Find(window->parent)->children : S().topLevel;
    siblings.erase(std::find(siblings.begin(), siblings.end(), handle));
    if (S().focus == handle) S().focus = 0;
    S().windows.erase(handle);
}

Shell StartShell(const ShellOptions& options) {
    Shell& shell = S().shell;
    S().shellOptions = options;
    const auto add = [](const char* className, const char* title, Handle parent = 0,
                        bool visible = true) {
        return AddWindow(className, title, parent, visible, kShellThread);
    };
    shell.taskbar = add("Shell_TrayWnd", "", 0, options.taskbarVisible);
    if (options.startButton) shell.startButton = add("Button", "Start", 0, options.taskbarVisible);
    for (int i = 0; i < options.secondaryTaskbars; ++i)
        shell.secondaryTaskbars.push_back(
            add("Shell_SecondaryTrayWnd", "", 0, options.taskbarVisible));
    shell.desktop = add("Progman", "Program Manager");
    Handle iconParent = 0;
    shell.icons =
        layouts::MakeIconView(options.icons, shell.desktop, [&](const char* name, Handle parent) {
            if (std::string(name) == "WorkerW")
                return shell.workers.emplace_back(add(name, "", parent));
            iconParent = parent;
            const bool now = options.iconWindow && !options.iconsAfterAnnouncing;
            return now ? add(name, "", parent, options.iconsVisible) : 0;
        });
    const auto registered = S().registeredMessages.find("taskbarcreated");
    if (registered != S().registeredMessages.end()) Broadcast(registered->second);
    if (options.iconWindow && options.iconsAfterAnnouncing) {
        // Made last, it comes first among its parent's children, as 24H2's does.
        shell.icons = add("SHELLDLL_DefView", "", iconParent, options.iconsVisible);
        std::vector<Handle>& children = Find(iconParent)->children;
        std::rotate(children.begin(), children.end() - 1, children.end());
        if (options.iconsVisible && S().showHook) S().shown.push_back(shell.icons);
    }
    return shell;
}

void StopShell() {
    const Shell& shell = S().shell;
    for (Handle window : {shell.taskbar, shell.startButton, shell.desktop})
        Remove(window);
    for (const std::vector<Handle>* windows : {&shell.secondaryTaskbars, &shell.workers})
        for (Handle window : *windows)
            Remove(window);
    S().shell = Shell();
}

Shell RestartShell() {
    ShellOptions options = S().shellOptions;
    options.taskbarVisible = options.iconsVisible = true;
    StopShell();
    return StartShell(options);
}

void Broadcast(unsigned message, platform::WParam wParam) {
    const std::vector<Handle> windows = S().topLevel;
    for (Handle window : windows) {
        if (window != S().answerer) {
            Deliver(window, message, wParam, 0);
        } else if (!S().answering) { // it does not hear its own
            ++S().broadcastsHeard;
            S().answering = S().answerBroadcasts(message, wParam);
            if (S().answering) Broadcast(message, wParam);
            S().answering = false;
        }
    }
}

void AnswerBroadcasts(std::function<bool(unsigned message, platform::WParam wParam)> answer) {
    S().answerBroadcasts = static_cast<std::function<bool(unsigned, platform::WParam)>&&>(answer);
    S().answerer = AddWindow("Answerer", "");
}

int BroadcastsHeard() { return S().broadcastsHeard; }

bool ShowWatched() { return S().showHook != nullptr; }

void TellShown() {
    const std::vector<Handle> shown = S().shown;
    S().shown.clear();
    for (Handle window : shown)
        if (S().showHook)
            S().showHook(1, platform::kEventObjectShow, window, platform::kObjidWindow, 0, 0, 0);
}

Handle AddWindow(const std::string& className, const std::string& title, Handle parent,
                 bool visible, std::uint32_t thread) {
    return Insert(Window{className, title, 0, parent, 0, thread, visible});
}

Handle ChildWithId(Handle parent, std::uintptr_t id) {
    const Window* window = Find(parent);
    if (window == nullptr) return 0;
    for (Handle child : window->children)
        if (Find(child)->id == id) return child;
    return 0;
}

} // namespace sim

namespace platform {

unsigned RegisterWindowMessageA(const char* name) {
    Record("RegisterWindowMessageA", name);
    if (name == nullptr || !S().settings.registerWindowMessageWorks) return 0;
    auto& messages = S().registeredMessages;
    // The same number for the same name, in any case.
    return messages.emplace(sim::Lower(name), 0xC000u + unsigned(messages.size())).first->second;
}

Handle FindWindowA(const char* className, const char* windowTitle) {
    Record("FindWindowA", className, windowTitle);
    for (Handle handle : S().topLevel)
        if (sim::Matches(handle, className, windowTitle)) return handle;
    return 0;
}

Handle FindWindowExA(Handle parent, Handle childAfter, const char* className,
                     const char* windowTitle) {
    Record("FindWindowExA", parent, childAfter, className, windowTitle);
    const sim::Window* parentWindow = sim::Find(parent);
    if (parent != 0 && parentWindow == nullptr) return 0;
    const std::vector<Handle>& windows = parent == 0 ? S().topLevel : parentWindow->children;
    auto next = windows.begin();
    if (childAfter != 0) {
        next = std::find(windows.begin(), windows.end(), childAfter);
        if (next == windows.end()) return 0; // not one of the parent's windows
        ++next;
    }
    for (; next != windows.end(); ++next)
        if (sim::Matches(*next, className, windowTitle)) return *next;
    return 0;
}

std::uint32_t GetWindowThreadProcessId(Handle window, std::uint32_t* processId) {
    Record("GetWindowThreadProcessId", window, processId);
    const sim::Window* found = sim::Find(window);
    if (found == nullptr) return 0;
    if (processId != nullptr) *processId = found->thread; // one thread per process here
    return found->thread;
}

Handle GetWindow(Handle window, int command) {
    Record("GetWindow", window, command);
    const sim::Window* found = sim::Find(window);
    if (found == nullptr || command != kGwChild || found->children.empty()) return 0;
    return found->children.front();
}

int IsWindowVisible(Handle window) {
    Record("IsWindowVisible", window);
    if (window == 0) return 0;
    for (Handle h = window; h != 0; h = sim::Find(h)->parent)
        if (sim::Find(h) == nullptr || !sim::Find(h)->visible) return 0;
    return 1;
}

int ShowWindow(Handle window, int showCommand) {
    Record("ShowWindow", window, showCommand);
    sim::Window* found = sim::Find(window);
    if (found == nullptr) return 0;
    const bool was = found->visible;
    found->visible = showCommand != kSwHide;
    // SW_SHOW activates a top-level window: it comes first in the z-order,
    // where FindWindowEx goes on from.
    std::vector<Handle>& order = S().topLevel;
    const auto at = std::find(order.begin(), order.end(), window);
    if (showCommand == kSwShow && at != order.end()) std::rotate(order.begin(), at, at + 1);
    if (!was && found->visible && S().showHook) S().shown.push_back(window);
    return was ? 1 : 0;
}

int GetWindowRect(Handle window, Rect* rect) {
    Record("GetWindowRect", window, rect);
    const sim::Window* found = sim::Find(window);
    if (found == nullptr || rect == nullptr) return 0;
    *rect = found->rect;
    return 1;
}

int SetWindowPos(Handle window, Handle insertAfter, int x, int y, int width, int height,
                 unsigned flags) {
    Record("SetWindowPos", window, insertAfter, x, y, width, height, flags);
    sim::Window* found = sim::Find(window);
    if (found == nullptr) return 0;
    Rect& rect = found->rect;
    if ((flags & kSwpNoSize) == 0) {
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
    }
    if ((flags & sim::kSwpNoMove) == 0)
        rect = Rect{x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
    return 1;
}

} // namespace platform
