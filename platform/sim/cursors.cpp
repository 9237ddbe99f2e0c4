// The mouse pointers: the user's, those in force, and the GDI bitmaps and
// cursors the program makes, each followed until it is freed or handed to
// SetSystemCursor. Bitmaps are read and written whole, as 32-bit DIBs.
#include "platform/sim/state.h"

#include <cstring>

namespace sim {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

Handle Keep(const Bitmap& bitmap) {
    const Handle handle = NewHandle();
    S().bitmaps[handle] = bitmap;
    return handle;
}

// The whole bitmap as a 32-bit DIB without a colour table, else nullptr.
Bitmap* Whole(Handle dc, Handle bitmap, unsigned start, unsigned lines,
              const platform::BitmapInfoHeader* info, unsigned usage) {
    const auto found = S().bitmaps.find(bitmap);
    if (found == S().bitmaps.end() || S().openDcs.count(dc) == 0 || info == nullptr) return nullptr;
    Bitmap& whole = found->second;
    const bool fits = info->biSize == sizeof *info && info->biWidth == whole.width &&
                      info->biHeight == whole.height && info->biBitCount == 32 &&
                      info->biCompression == 0 && info->biClrUsed == 0 && start == 0 &&
                      lines == static_cast<unsigned>(whole.height) && usage == 0;
    return fits ? &whole : nullptr;
}

} // namespace

Pointers StandardPointers() {
    const Pointer arrow{{2, 4, 1, {kWhite, 0, 0, kWhite, 0, 0, kWhite, kWhite}}, {}, 1, 0};
    Pointers pointers;
    for (std::uint32_t id : documented::kStandardPointers)
        pointers[id] = arrow;
    return pointers;
}

Pointers& UserPointers() { return S().userPointers; }

const Pointers& PointersInForce() { return S().pointers; }

Held HeldByProgram() { return {S().bitmaps.size(), S().cursors.size(), S().handedCursors}; }

// Windows takes the cursor and destroys it.
int PLATFORM_WINAPI SetSystemCursor(Handle cursor, std::uint32_t id) {
    Record("SetSystemCursor", {Num(cursor), Num(id)});
    const auto found = S().cursors.find(cursor);
    if (found == S().cursors.end()) return 0;
    S().pointers[id] = found->second;
    S().cursors.erase(found);
    ++S().handedCursors;
    return 1;
}

} // namespace sim

namespace platform {

// A standard pointer's handle is its number, as MAKEINTRESOURCEA gives it.
Handle LoadCursorA(Handle instance, const char* name) {
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    Record("LoadCursorA", {Num(instance), Num(id)});
    return instance == 0 && S().pointers.count(id) != 0 ? id : 0;
}

// Copies of the pointer's bitmaps, which the caller frees.
int GetIconInfo(Handle icon, IconInfo* info) {
    Record("GetIconInfo", {Num(icon), Ptr(info)});
    const auto cursor = S().cursors.find(icon);
    const auto pointer = S().pointers.find(static_cast<std::uint32_t>(icon));
    const sim::Pointer* found = cursor != S().cursors.end()     ? &cursor->second
                                : pointer != S().pointers.end() ? &pointer->second
                                                                : nullptr;
    if (found == nullptr || info == nullptr) return 0;
    *info = {0, found->hotX, found->hotY, sim::Keep(found->mask),
             found->color.pixels.empty() ? 0 : sim::Keep(found->color)};
    return 1;
}

Handle CreateIconIndirect(IconInfo* info) {
    Record("CreateIconIndirect", {Ptr(info)});
    const auto mask = S().bitmaps.find(info->hbmMask), color = S().bitmaps.find(info->hbmColor);
    if (mask == S().bitmaps.end() || (info->hbmColor != 0 && color == S().bitmaps.end())) return 0;
    const Handle cursor = sim::NewHandle();
    S().cursors[cursor] = {mask->second, info->hbmColor != 0 ? color->second : sim::Bitmap{},
                           info->xHotspot, info->yHotspot};
    return cursor;
}

int DestroyCursor(Handle cursor) {
    Record("DestroyCursor", {Num(cursor)});
    return S().cursors.erase(cursor) != 0;
}

int GetDIBits(Handle dc, Handle bitmap, unsigned start, unsigned lines, void* bits,
              BitmapInfoHeader* info, unsigned usage) {
    Record("GetDIBits", {Num(dc), Num(bitmap), Num(start), Num(lines), Ptr(bits), Ptr(info)});
    const auto found = S().bitmaps.find(bitmap);
    if (bits == nullptr && found != S().bitmaps.end() && info->biBitCount == 0) {
        const sim::Bitmap& size = found->second;
        *info = {info->biSize,
                 size.width,
                 size.height,
                 1,
                 static_cast<std::uint16_t>(size.bitCount),
                 0,
                 0,
                 0,
                 0,
                 size.bitCount == 1 ? 2u : 0u,
                 0};
        return 1;
    }
    const sim::Bitmap* whole = sim::Whole(dc, bitmap, start, lines, info, usage);
    if (whole == nullptr || bits == nullptr) return 0;
    std::memcpy(bits, whole->pixels.data(), whole->pixels.size() * 4);
    return static_cast<int>(lines);
}

// A mask keeps the nearer of black and white.
int SetDIBits(Handle dc, Handle bitmap, unsigned start, unsigned lines, const void* bits,
              const BitmapInfoHeader* info, unsigned usage) {
    Record("SetDIBits", {Num(dc), Num(bitmap), Num(start), Num(lines), Ptr(bits), Ptr(info)});
    sim::Bitmap* whole = sim::Whole(dc, bitmap, start, lines, info, usage);
    if (whole == nullptr || bits == nullptr) return 0;
    std::memcpy(whole->pixels.data(), bits, whole->pixels.size() * 4);
    for (std::uint32_t& pixel : whole->pixels)
        if (whole->bitCount == 1)
            pixel =
                (pixel & 0xFF) + (pixel >> 8 & 0xFF) + (pixel >> 16 & 0xFF) > 382 ? sim::kWhite : 0;
    return static_cast<int>(lines);
}

// Of one plane, 1 or 32 bits deep, without bits: all the program asks for.
Handle CreateBitmap(int width, int height, unsigned planes, unsigned bitCount, const void* bits) {
    Record("CreateBitmap", {Num(width), Num(height), Num(planes), Num(bitCount), Ptr(bits)});
    if (planes != 1 || (bitCount != 1 && bitCount != 32) || bits != nullptr) return 0;
    return sim::Keep({width, height, static_cast<int>(bitCount),
                      std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)});
}

int DeleteObject(Handle object) {
    Record("DeleteObject", {Num(object)});
    return S().bitmaps.erase(object) != 0;
}

} // namespace platform
