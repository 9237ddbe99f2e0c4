// The desktop's appearance: the system colours with their brushes, the
// wallpaper, both the current one and the setting stored in the registry,
// and device contexts with their text and background colours and fonts.
#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr unsigned kSpifUpdateIniFile = 1;
// Fixed handles, below every handle handed out by NewHandle.
constexpr Handle kSysColorBrushes = 0x2000;

// A device context's text or background colour set; answers the one before.
ColorRef SetDcColor(std::optional<ColorRef>& slot, ColorRef color, ColorRef initial) {
    const ColorRef previous = slot.value_or(initial);
    slot = color;
    return previous;
}

template <typename T> Arg List(const T* values, int count) {
    Arg arg{values == nullptr ? Arg::Kind::Null : Arg::Kind::List, 0, {}, {}};
    for (int i = 0; values != nullptr && i < count; ++i)
        arg.list.push_back(values[i]);
    return arg;
}

} // namespace

Colors CurrentColors() { return S().colors; }

void SetColors(const Colors& colors) { S().colors = colors; }

std::optional<std::string> Wallpaper() { return S().wallpaper; }

void ChooseWallpaper(const std::string& path) {
    S().wallpaper = path;
    SetText("Wallpaper", path);
}

DcColors DcState(Handle dc) { return S().dcColors[dc]; }

int OpenDcs() { return static_cast<int>(S().openDcs.size()); }

} // namespace sim

namespace platform {

int SystemParametersInfoA(unsigned action, unsigned uiParam, void* pvParam, unsigned winIni) {
    const char* path = static_cast<const char*>(pvParam);
    Record("SystemParametersInfoA", action, uiParam,
           action == kSpiSetDeskWallpaper ? sim::Str(path) : sim::Ptr(pvParam), winIni);
    if (action == kSpiSetCursors) S().pointers = S().userPointers;
    if (action != kSpiSetDeskWallpaper) return action == kSpiSetCursors;
    S().wallpaper = path == nullptr ? std::nullopt : std::optional<std::string>(path);
    if ((winIni & sim::kSpifUpdateIniFile) != 0) sim::SetText("Wallpaper", path ? path : "");
    if ((winIni & kSpifSendWinIniChange) != 0) sim::Broadcast(kWmSettingChange, action);
    return 1;
}

ColorRef GetSysColor(int element) {
    Record("GetSysColor", element);
    return element >= 0 && element < sim::kElements ? S().colors[element] : 0;
}

int SetSysColors(int count, const std::int32_t* elements, const ColorRef* values) {
    Record("SetSysColors", count, sim::List(elements, count), sim::List(values, count));
    if (count <= 0 || elements == nullptr || values == nullptr) return 0;
    for (int i = 0; i < count; ++i)
        if (elements[i] >= 0 && elements[i] < sim::kElements) S().colors[elements[i]] = values[i];
    sim::Broadcast(kWmSysColorChange);
    return 1;
}

Handle GetDC(Handle window) {
    Record("GetDC", window);
    if (window != 0 && sim::Find(window) == nullptr) return 0;
    const Handle dc = sim::NewHandle();
    S().openDcs.insert(dc);
    return dc;
}

int ReleaseDC(Handle window, Handle dc) {
    Record("ReleaseDC", window, dc);
    return S().openDcs.erase(dc) != 0 ? 1 : 0;
}

int GetDeviceCaps(Handle dc, int index) {
    Record("GetDeviceCaps", dc, index);
    if (S().openDcs.count(dc) == 0) return 0;
    if (index != kLogPixelsX && index != kLogPixelsY) return 0;
    const bool stretched =
        S().settings.user32Lacks.count("SetProcessDPIAware") == 0 && !S().dpiAware;
    return stretched ? 96 : S().settings.dpi;
}

Handle CreateFontA(int height, int width, int escapement, int orientation, int weight,
                   std::uint32_t italic, std::uint32_t underline, std::uint32_t strikeOut,
                   std::uint32_t charSet, std::uint32_t outPrecision, std::uint32_t clipPrecision,
                   std::uint32_t quality, std::uint32_t pitchAndFamily, const char* faceName) {
    Record("CreateFontA", height, width, escapement, orientation, weight, italic, underline,
           strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
    return sim::NewHandle();
}

ColorRef SetTextColor(Handle dc, ColorRef color) {
    Record("SetTextColor", dc, color);
    return sim::SetDcColor(S().dcColors[dc].text, color, 0x000000);
}

ColorRef SetBkColor(Handle dc, ColorRef color) {
    Record("SetBkColor", dc, color);
    return sim::SetDcColor(S().dcColors[dc].background, color, 0xFFFFFF);
}

Handle GetSysColorBrush(int element) {
    Record("GetSysColorBrush", element);
    return element >= 0 && element < sim::kElements ? sim::kSysColorBrushes + element : 0;
}

} // namespace platform
