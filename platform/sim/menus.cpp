// Menus and menu bars: creating them, filling them and putting them on windows.
#include "platform/sim/state.h"

namespace sim {

const Menu* MenuInfo(Handle menu) {
    auto found = S().menus.find(menu);
    return found == S().menus.end() ? nullptr : &found->second;
}

} // namespace sim

namespace platform {

Handle CreateMenu() {
    Record("CreateMenu", {});
    const Handle menu = sim::NewHandle();
    S().menus[menu] = sim::Menu{false, {}};
    return menu;
}

Handle CreatePopupMenu() {
    Record("CreatePopupMenu", {});
    const Handle menu = sim::NewHandle();
    S().menus[menu] = sim::Menu{true, {}};
    return menu;
}

int AppendMenuA(Handle menu, unsigned flags, std::uintptr_t idOrPopup, const char* text) {
    Record("AppendMenuA",
           {Num(menu), Num(flags), Num(static_cast<std::int64_t>(idOrPopup)), Str(text)});
    auto found = S().menus.find(menu);
    if (found == S().menus.end()) return 0;
    if ((flags & kMfPopup) != 0 && S().menus.count(idOrPopup) == 0) return 0;
    std::optional<std::string> item;
    if (text != nullptr) item = text;
    found->second.items.push_back(sim::MenuItem{flags, idOrPopup, item});
    return 1;
}

int SetMenu(Handle window, Handle menu) {
    Record("SetMenu", {Num(window), Num(menu)});
    sim::Window* found = sim::Find(window);
    if (found == nullptr || (menu != 0 && S().menus.count(menu) == 0)) return 0;
    found->menu = menu;
    return 1;
}

} // namespace platform
