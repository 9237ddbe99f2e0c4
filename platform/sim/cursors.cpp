// The mouse pointers: the user's, those in force, and the GDI bitmaps and
// cursors the program makes, each followed until it is freed or handed to
// SetSystemCursor. Bitmaps are read and written whole, as 32-bit DIBs.
#include "platform/sim/state.h"

#include <cstring>

namespace sim {

namespace {

Handle Keep(const Bitmap& bitmap) {
    const Handle handle = NewHandle();
    S().bitmaps[handle] = bitmap;
    return handle;
}

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

Pointers& UserPointers() { return S().userPointers; }
const Pointers& PointersInForce() { return S().pointers; }
int HeldByProgram() { return static_cast<int>(S().bitmaps.size() + S().cursors.size()); }

// Windows takes the cursor and destroys it.
int PLATFORM_WINAPI SetSystemCursor(Handle cursor, std::uint32_t id) {
    Record("SetSystemCursor", cursor, id);
    const auto found = S().cursors.find(cursor);
    if (found == S().cursors.end()) return 0;
    S().pointers[id] = found->second;
    S().cursors.erase(found);
    return 1;
}

} // namespace sim

namespace platform {

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
