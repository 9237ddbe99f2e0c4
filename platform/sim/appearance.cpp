// The desktop's appearance: system colours and brushes, wallpaper, device
// contexts, fonts, and the mouse pointers with the bitmaps and cursors made of them.
#include "platform/sim/sim.h"

#include <cstring>

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

Handle Keep(const Bitmap& bitmap) { return S().bitmaps.emplace(NewHandle(), bitmap).first->first; }

// Copies the whole bitmap to or from `bits`, a 32-bit DIB without a colour table.
int Transfer(Handle dc, Handle bitmap, unsigned lines, const void* from, void* to,
             const platform::BitmapInfoHeader* info) {
    const auto found = S().bitmaps.find(bitmap);
    if (found == S().bitmaps.end() || S().openDcs.count(dc) == 0 || info->biSize != sizeof *info ||
        info->biWidth != found->second.width || info->biHeight != found->second.height ||
        info->biBitCount != 32 || info->biClrUsed != 0 ||
        lines != static_cast<unsigned>(found->second.height))
        return 0;
    std::vector<std::uint32_t>& pixels = found->second.pixels;
    std::memcpy(to ? to : pixels.data(), from ? from : pixels.data(), pixels.size() * 4);
    return static_cast<int>(lines);
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

Pointers& UserPointers() { return S().userPointers; }
const Pointers& PointersInForce() { return S().pointers; }
int HeldByProgram() { return static_cast<int>(S().bitmaps.size() + S().cursors.size()); }

} // namespace sim

namespace platform {

int SystemParametersInfoA(unsigned action, unsigned uiParam, void* pvParam, unsigned winIni) {
    const char* path = static_cast<const char*>(pvParam);
    Record("SystemParametersInfoA", action, uiParam,
           action == kSpiSetDeskWallpaper ? sim::ToArg(path) : sim::Ptr(pvParam), winIni);
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
    return *S().openDcs.insert(sim::NewHandle()).first;
}

int ReleaseDC(Handle window, Handle dc) {
    Record("ReleaseDC", window, dc);
    return S().openDcs.erase(dc) != 0 ? 1 : 0;
}

int GetDeviceCaps(Handle dc, int index) {
    Record("GetDeviceCaps", dc, index);
    if (S().openDcs.count(dc) == 0 || (index != kLogPixelsX && index != kLogPixelsY)) return 0;
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

// A standard pointer's handle is its number, as MAKEINTRESOURCEA gives it.
Handle LoadCursorA(Handle instance, const char* name) {
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    Record("LoadCursorA", instance, id);
    return instance == 0 && S().pointers.count(id) != 0 ? id : 0;
}

// Copies of the pointer's bitmaps, which the caller frees.
int GetIconInfo(Handle icon, IconInfo* info) {
    Record("GetIconInfo", icon);
    const auto found = S().pointers.find(static_cast<std::uint32_t>(icon));
    if (found == S().pointers.end()) return 0;
    const sim::Pointer& pointer = found->second;
    *info = {0, pointer.hotX, pointer.hotY, sim::Keep(pointer.mask),
             pointer.color.pixels.empty() ? 0 : sim::Keep(pointer.color)};
    return 1;
}

Handle CreateIconIndirect(IconInfo* info) {
    Record("CreateIconIndirect");
    const auto mask = S().bitmaps.find(info->hbmMask), color = S().bitmaps.find(info->hbmColor);
    if (mask == S().bitmaps.end() || (info->hbmColor != 0 && color == S().bitmaps.end())) return 0;
    const Handle cursor = sim::NewHandle();
    S().cursors[cursor] = {mask->second, info->hbmColor != 0 ? color->second : sim::Bitmap{},
                           info->xHotspot, info->yHotspot};
    return cursor;
}

int DestroyCursor(Handle cursor) {
    Record("DestroyCursor", cursor);
    return S().cursors.erase(cursor) != 0;
}

// Asked for the size, it tells a mask's two-colour table, as Windows may.
int GetDIBits(Handle dc, Handle bitmap, unsigned, unsigned lines, void* bits,
              BitmapInfoHeader* info, unsigned) {
    Record("GetDIBits", bitmap, lines, bits);
    const auto found = S().bitmaps.find(bitmap);
    if (bits != nullptr || found == S().bitmaps.end() || info->biBitCount != 0)
        return sim::Transfer(dc, bitmap, lines, nullptr, bits, info);
    info->biWidth = found->second.width;
    info->biHeight = found->second.height;
    info->biPlanes = 1;
    info->biBitCount = static_cast<std::uint16_t>(found->second.bitCount);
    info->biClrUsed = found->second.bitCount == 1 ? 2 : 0;
    return 1;
}

int SetDIBits(Handle dc, Handle bitmap, unsigned, unsigned lines, const void* bits,
              const BitmapInfoHeader* info, unsigned) {
    Record("SetDIBits", bitmap, lines, bits);
    return sim::Transfer(dc, bitmap, lines, bits, nullptr, info);
}

Handle CreateBitmap(int width, int height, unsigned planes, unsigned bitCount, const void*) {
    Record("CreateBitmap", width, height, planes, bitCount);
    return sim::Keep({width, height, static_cast<int>(bitCount),
                      std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)});
}

int DeleteObject(Handle object) {
    Record("DeleteObject", object);
    return S().bitmaps.erase(object) != 0;
}

} // namespace platform
