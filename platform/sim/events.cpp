// The user at the keyboard and mouse, the message boxes they answer, and the
// message loop that hands what is queued to the program.
#include "platform/sim/state.h"

namespace sim {

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

short GetKeyState(int virtualKey) {
    Record("GetKeyState", {Num(virtualKey)});
    // The high bit marks a key that is down.
    return S().keysDown.count(virtualKey) != 0 ? static_cast<short>(-0x8000) : 0;
}

int MessageBoxA(Handle owner, const char* text, const char* caption, unsigned style) {
    Record("MessageBoxA", {Num(owner), Str(text), Str(caption), Num(style)});
    return S().settings.messageBoxAnswer;
}

void PostQuitMessage(int exitCode) {
    Record("PostQuitMessage", {Num(exitCode)});
    S().quitPosted = true;
    S().exitCode = exitCode;
}

int RunMessageLoop(bool (*preTranslate)(const Message& message)) {
    Record("RunMessageLoop", {Ptr(preTranslate != nullptr)});
    // As in Windows, the quit is seen only once the queue is empty.
    for (;;) {
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
