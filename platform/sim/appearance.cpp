// The desktop's appearance: the system colours and the wallpaper, both the
// current one and the setting stored in the registry.
#include "platform/sim/state.h"

namespace sim {

namespace {

constexpr unsigned kSpifUpdateIniFile = 1;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";

template <typename T> Arg List(const T* values, int count) {
    Arg arg;
    arg.kind = values == nullptr ? Arg::Kind::Null : Arg::Kind::List;
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
    SetText(kCurrentUser, kDesktopKey, "Wallpaper", path);
}

} // namespace sim

namespace platform {

int SystemParametersInfoA(unsigned action, unsigned uiParam, void* pvParam, unsigned winIni) {
    const char* path = static_cast<const char*>(pvParam);
    Record("SystemParametersInfoA",
           {Num(action), Num(uiParam), action == kSpiSetDeskWallpaper ? Str(path) : Ptr(pvParam),
            Num(winIni)});
    if (action != kSpiSetDeskWallpaper) return 0;
    S().wallpaper = path == nullptr ? std::nullopt : std::optional<std::string>(path);
    if ((winIni & sim::kSpifUpdateIniFile) != 0)
        sim::SetText(kHkeyCurrentUser, sim::kDesktopKey, "Wallpaper", path ? path : "");
    return 1;
}

ColorRef GetSysColor(int element) {
    Record("GetSysColor", {Num(element)});
    return element >= 0 && element < sim::kElements ? S().colors[element] : 0;
}

int SetSysColors(int count, const std::int32_t* elements, const ColorRef* values) {
    Record("SetSysColors", {Num(count), sim::List(elements, count), sim::List(values, count)});
    if (count <= 0 || elements == nullptr || values == nullptr) return 0;
    for (int i = 0; i < count; ++i)
        if (elements[i] >= 0 && elements[i] < sim::kElements) S().colors[elements[i]] = values[i];
    return 1;
}

} // namespace platform
