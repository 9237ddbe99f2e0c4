// Device contexts with their text and background colours, stock objects and
// the system-colour brushes.
#include "platform/sim/state.h"

namespace sim {

namespace {
// Fixed handles, below every handle handed out by NewHandle.
constexpr Handle kStockObjects = 0x1000;
constexpr Handle kSysColorBrushes = 0x2000;
} // namespace

DcColors DcState(Handle dc) { return S().dcColors[dc]; }

int OpenDcs() { return static_cast<int>(S().openDcs.size()); }

} // namespace sim

namespace platform {

Handle GetDC(Handle window) {
    Record("GetDC", {Num(window)});
    if (window != 0 && sim::Find(window) == nullptr) return 0;
    const Handle dc = sim::NewHandle();
    S().openDcs.insert(dc);
    return dc;
}

int ReleaseDC(Handle window, Handle dc) {
    Record("ReleaseDC", {Num(window), Num(dc)});
    return S().openDcs.erase(dc) != 0 ? 1 : 0;
}

int GetDeviceCaps(Handle dc, int index) {
    Record("GetDeviceCaps", {Num(dc), Num(index)});
    if (S().openDcs.count(dc) == 0) return 0;
    return index == kLogPixelsX || index == kLogPixelsY ? S().settings.dpi : 0;
}

Handle GetStockObject(int object) {
    Record("GetStockObject", {Num(object)});
    return object >= 0 && object <= 19 ? sim::kStockObjects + object : 0;
}

ColorRef SetTextColor(Handle dc, ColorRef color) {
    Record("SetTextColor", {Num(dc), Num(color)});
    std::optional<ColorRef>& text = S().dcColors[dc].text;
    const ColorRef previous = text.value_or(0x000000);
    text = color;
    return previous;
}

ColorRef SetBkColor(Handle dc, ColorRef color) {
    Record("SetBkColor", {Num(dc), Num(color)});
    std::optional<ColorRef>& background = S().dcColors[dc].background;
    const ColorRef previous = background.value_or(0xFFFFFF);
    background = color;
    return previous;
}

Handle GetSysColorBrush(int element) {
    Record("GetSysColorBrush", {Num(element)});
    return element >= 0 && element < sim::kElements ? sim::kSysColorBrushes + element : 0;
}

} // namespace platform
