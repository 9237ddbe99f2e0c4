// The window toolkit: window classes, creating and destroying windows, handing
// them messages, frame sizes, screen metrics, the keyboard focus, menus and
// menu bars; and the user at the keyboard and mouse, the message boxes they
// answer, and the message loop that hands what is queued to the program.
#include "platform/sim/sim.h"

#include <cstring>

namespace sim {

namespace {

// What SetWindowLongA answers as a button's own procedure.
constexpr std::uintptr_t kButtonProcedure = 0xB077;

// An empty menu made by `call`.
Handle NewMenu(const char* call, bool popup) {
    Record(call);
    const Handle menu = NewHandle();
    S().menus[menu] = Menu{popup, {}};
    return menu;
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
    const std::vector<Handle> children = window->children;
    for (Handle child : children)
        Destroy(child);
    Remove(handle);
    return true;
}

} // namespace

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
    if (index == kSmCxScreen) return S().settings.screenWidth;
    return 0;
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
    std::optional<std::string> item;
    if (text != nullptr) item = text;
    found->second.items.push_back(sim::MenuItem{flags, idOrPopup, item});
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
