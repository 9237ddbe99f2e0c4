// The shell's and the program's windows, the toolkit behind them, the user at
// the keyboard and mouse, and the message loop.
#include "platform/sim/sim.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sim {

namespace {

constexpr unsigned kSwpNoMove = 0x0002;

// The first of `windows` from `next` with the class and title; null matches any.
Handle Search(const std::vector<Handle>& windows, std::vector<Handle>::const_iterator next,
              const char* className, const char* windowTitle) {
    for (; next != windows.end(); ++next)
        if ((className == nullptr || Find(*next)->className == className) &&
            (windowTitle == nullptr || Find(*next)->title == windowTitle))
            return *next;
    return 0;
}

// What SetWindowLongA answers as a button's own procedure.
constexpr std::uintptr_t kButtonProcedure = 0xB077;

// An empty menu made by `call`.
Handle NewMenu(const char* call, bool popup) {
    Record(call);
    return S().menus.emplace(NewHandle(), Menu{popup, {}}).first->first;
}

platform::LResult ButtonMessage(Window& box, unsigned message, platform::WParam wParam) {
    switch (message) {
    case platform::kBmSetCheck: box.check = static_cast<int>(wParam); return 0;
    case platform::kBmGetCheck: return box.check;
    case platform::kWmSetFocus:
    case platform::kWmKillFocus: box.focusRectangle = !box.focusRectangle; return 0;
    default: return 0;
    }
}

// WM_DESTROY once to the window, then its children go, then the window.
bool Destroy(Handle handle) {
    Window* window = Find(handle);
    if (window == nullptr || window->destroying) return false;
    window->destroying = true;
    Deliver(handle, platform::kWmDestroy, 0, 0);
    if ((window = Find(handle)) == nullptr) return true;
    for (Handle child : std::vector<Handle>(window->children))
        Destroy(child);
    Remove(handle);
    return true;
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
    for (Handle child : std::vector<Handle>(window->children))
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
    for (Handle window : std::vector<Handle>(S().topLevel)) {
        if (window != S().answerer) {
            Deliver(window, message, wParam, 0);
        } else if (!S().answering) { // it does not hear its own
            ++S().broadcastsHeard;
            S().answering = S().broadcastsHeard < 50;
            if (S().answering) Broadcast(message, wParam);
            S().answering = false;
        }
    }
}

void AnswerBroadcasts() { S().answerer = AddWindow("Answerer", ""); }

int BroadcastsHeard() { return S().broadcastsHeard; }

bool ShowWatched() { return S().showHook != nullptr; }

void TellShown() {
    for (Handle window : std::exchange(S().shown, {}))
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

platform::LResult Deliver(Handle handle, unsigned message, platform::WParam wParam,
                          platform::LParam lParam) {
    Window* window = Find(handle);
    if (window == nullptr) return 0;
    if (window->subclass != nullptr) return window->subclass(handle, message, wParam, lParam);
    auto registered = S().classes.find(window->className);
    if (registered != S().classes.end()) return registered->second(handle, message, wParam, lParam);
    if (window->className == "Button") return ButtonMessage(*window, message, wParam);
    return 0;
}

Handle Focus() { return S().focus; }

Handle MoveFocus(Handle window) {
    const Handle previous = S().focus;
    if (previous == window) return previous;
    S().focus = window;
    Deliver(previous, platform::kWmKillFocus, window, 0);
    Deliver(window, platform::kWmSetFocus, previous, 0);
    return previous;
}

Settings& Config() { return S().settings; }

const Menu* MenuInfo(Handle menu) {
    auto found = S().menus.find(menu);
    return found == S().menus.end() ? nullptr : &found->second;
}

void SetKeyDown(int virtualKey, bool down) {
    if (down)
        S().keysDown.insert(virtualKey);
    else
        S().keysDown.erase(virtualKey);
}

void Click(Handle box) {
    if (Find(box) == nullptr) return;
    MoveFocus(box);
    Window* window = Find(box);
    window->check =
        window->check == platform::kBstChecked ? platform::kBstUnchecked : platform::kBstChecked;
    const platform::WParam command = (platform::WParam{platform::kBnClicked} << 16) | window->id;
    Deliver(window->parent, platform::kWmCommand, command, static_cast<platform::LParam>(box));
}

void ChooseMenu(Handle window, unsigned id) { Deliver(window, platform::kWmCommand, id, 0); }

void Close(Handle window) { Deliver(window, platform::kWmClose, 0, 0); }

void Post(Handle window, unsigned message, platform::WParam wParam, platform::LParam lParam) {
    S().queue.push_back(platform::Message{window, message, wParam, lParam});
}

void WhenIdle(std::function<void()> action) {
    S().idleActions.push_back(static_cast<std::function<void()>&&>(action));
}

bool QuitPosted() { return S().quitPosted; }

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
    return sim::Search(S().topLevel, S().topLevel.begin(), className, windowTitle);
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
    return sim::Search(windows, next, className, windowTitle);
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

bool RegisterMainClass(const char* className, WindowProc procedure) {
    Record("RegisterMainClass", className, procedure);
    if (className == nullptr || procedure == nullptr) return false;
    S().classes[className] = procedure;
    return true;
}

Handle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                       std::uint32_t style, int x, int y, int width, int height, Handle parent,
                       std::uintptr_t menuOrId) {
    Record("CreateWindowExA", exStyle, className, title, style, x, y, width, height, parent,
           menuOrId);
    if (className == nullptr) return 0;
    const bool registered = S().classes.count(className) != 0;
    if (!registered && std::strcmp(className, "Button") != 0) return 0;
    if (registered && !S().settings.mainWindowCreatable) return 0;
    if (parent != 0 && sim::Find(parent) == nullptr) return 0;
    const bool child = (style & kWsChild) != 0;
    const Handle handle =
        sim::Insert({className, title == nullptr ? "" : title, style, parent, child ? menuOrId : 0,
                     sim::kProgramThread, (style & kWsVisible) != 0,
                     Rect{x, y, x + width, y + height}, 0, false, child ? 0 : menuOrId});
    if (sim::Deliver(handle, kWmCreate, 0, 0) == -1) {
        sim::Destroy(handle);
        return 0;
    }
    return handle;
}

int DestroyWindow(Handle window) {
    Record("DestroyWindow", window);
    return sim::Destroy(window) ? 1 : 0;
}

LResult DefWindowProcA(Handle window, unsigned message, WParam wParam, LParam lParam) {
    Record("DefWindowProcA", window, message, wParam, lParam);
    if (message == kWmClose) sim::Destroy(window);
    return 0;
}

LResult SendMessageA(Handle window, unsigned message, WParam wParam, LParam lParam) {
    Record("SendMessageA", window, message, wParam, lParam);
    return sim::Deliver(window, message, wParam, lParam);
}

std::uintptr_t SetWindowLongA(Handle window, int index, WindowProc procedure) {
    Record("SetWindowLongA", window, index, procedure);
    sim::Window* found = sim::Find(window);
    if (found == nullptr || index != kGwlWndProc || found->className != "Button") return 0;
    found->subclass = procedure;
    return sim::kButtonProcedure;
}

LResult CallWindowProcA(std::uintptr_t procedure, Handle window, unsigned message, WParam wParam,
                        LParam lParam) {
    Record("CallWindowProcA", procedure, window, message, wParam, lParam);
    sim::Window* found = sim::Find(window);
    if (found == nullptr || procedure != sim::kButtonProcedure) return 0;
    return sim::ButtonMessage(*found, message, wParam);
}

int AdjustWindowRectEx(Rect* rect, std::uint32_t style, int hasMenu, std::uint32_t exStyle) {
    if (rect == nullptr) {
        Record("AdjustWindowRectEx", sim::Ptr(false), style, hasMenu, exStyle);
        return 0;
    }
    Record("AdjustWindowRectEx", rect->left, rect->top, rect->right, rect->bottom, style, hasMenu,
           exStyle);
    // A fixed frame of 3 on each side; a caption of 18 and a menu bar of 19 on top.
    rect->left -= 3;
    rect->right += 3;
    rect->bottom += 3;
    rect->top -= 3 + ((style & kWsCaption) == kWsCaption ? 18 : 0) + (hasMenu != 0 ? 19 : 0);
    return 1;
}

int GetSystemMetrics(int index) {
    Record("GetSystemMetrics", index);
    return index == kSmCxScreen ? S().settings.screenWidth : 0;
}

Handle SetFocus(Handle window) {
    Record("SetFocus", window);
    if (window != 0 && sim::Find(window) == nullptr) return 0;
    return sim::MoveFocus(window);
}

Handle CreateMenu() { return sim::NewMenu("CreateMenu", false); }

Handle CreatePopupMenu() { return sim::NewMenu("CreatePopupMenu", true); }

int AppendMenuA(Handle menu, unsigned flags, std::uintptr_t idOrPopup, const char* text) {
    Record("AppendMenuA", menu, flags, idOrPopup, text);
    auto found = S().menus.find(menu);
    if (found == S().menus.end()) return 0;
    if ((flags & kMfPopup) != 0 && S().menus.count(idOrPopup) == 0) return 0;
    found->second.items.push_back(
        sim::MenuItem{flags, idOrPopup, text ? std::optional<std::string>(text) : std::nullopt});
    return 1;
}

int SetMenu(Handle window, Handle menu) {
    Record("SetMenu", window, menu);
    sim::Window* found = sim::Find(window);
    if (found == nullptr || (menu != 0 && S().menus.count(menu) == 0)) return 0;
    found->menu = menu;
    return 1;
}

short GetKeyState(int virtualKey) {
    Record("GetKeyState", virtualKey);
    // The high bit marks a key that is down.
    return S().keysDown.count(virtualKey) != 0 ? static_cast<short>(-0x8000) : 0;
}

int MessageBoxA(Handle owner, const char* text, const char* caption, unsigned style) {
    Record("MessageBoxA", owner, text, caption, style);
    return S().settings.messageBoxAnswer;
}

void PostQuitMessage(int exitCode) {
    Record("PostQuitMessage", exitCode);
    S().quitPosted = true;
    S().exitCode = exitCode;
}

int RunMessageLoop(bool (*preTranslate)(const Message& message)) {
    Record("RunMessageLoop", preTranslate);
    // As in Windows, the quit is seen only once the queue is empty.
    for (;;) {
        sim::TellShown();
        if (S().queue.empty()) {
            if (S().quitPosted) break;
            if (S().idleActions.empty()) return -1;
            std::function<void()> action = S().idleActions.front();
            S().idleActions.pop_front();
            action();
            continue;
        }
        const Message message = S().queue.front();
        S().queue.pop_front();
        if (preTranslate != nullptr && preTranslate(message)) continue;
        sim::Deliver(message.window, message.message, message.wParam, message.lParam);
    }
    S().quitPosted = false;
    return S().exitCode;
}

} // namespace platform
