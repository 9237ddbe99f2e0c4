#include "desktop/pointers.h"

namespace DLmodule {

bool redPointersShown = false;

namespace {

// The standard pointers, OCR_* of Windows' headers: those that
// SPI_SETCURSORS reloads. A Windows without one of them (the hand before
// 98) keeps its own there. Not const, like the name below: the writable data
// shares the imports' section, which has room, and read-only data the
// code's, which has little.
std::uint16_t pointerIds[] = {
    32512, // normal
    32513, // I-beam
    32514, // wait
    32515, // cross
    32516, // up arrow
    32642, // size north-west and south-east
    32643, // size north-east and south-west
    32644, // size west and east
    32645, // size north and south
    32646, // size all
    32648, // no
    32649, // hand
    32650, // app starting
    32651, // help
};
char setSystemCursorName[] = "SetSystemCursor";

// A bitmap of the pointer's size with the bits of a 32-bit DIB. Windows
// converts them to the bitmap's depth: 0 and 0xFFFFFF are a mask's 0 and 1.
platform::Handle Bitmap(platform::Handle screen, platform::BitmapInfoHeader& header,
                        unsigned bitCount, const std::uint32_t* bits) {
    const platform::Handle bitmap =
        platform::CreateBitmap(header.biWidth, header.biHeight, 1, bitCount, nullptr);
    platform::SetDIBits(screen, bitmap, 0, header.biHeight, bits, &header, platform::kDibRgbColors);
    return bitmap;
}

} // namespace

// Red is the pixel's brightness with the weights of the full-screen
// effect's (desktop/screenfilter.cpp), rounded. A pixel that inverts the
// screen (AND 1, XOR not 0) would come out cyan over dark red: it is drawn
// opaque instead.
void RedPointerPixels(std::uint32_t* pixels, std::size_t count) {
    std::uint32_t* const mask = pixels + count;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t color = pixels[i];
        if (mask[i] != 0 && color == 0) continue;
        mask[i] = 0;
        const std::uint32_t red =
            ((color >> 16 & 0xFF) * 299 + (color >> 8 & 0xFF) * 587 + (color & 0xFF) * 114 + 500) /
            1000;
        pixels[i] = (color & 0xFF000000) | red << 16;
    }
}

// Each copy is made from the pointer in force, which must be the user's: a
// red copy of a red copy darkens (white gives 255, then 76, then 23). So the
// user's are reloaded first, as they are stored (SPI_SETCURSORS writes
// nothing), and every pointer of the set is then replaced. Windows
// destroys the cursor SetSystemCursor takes; Wine's does nothing with it and
// answers TRUE, so the cursor is destroyed here in any case, which on Windows
// fails harmlessly on a handle already gone.
void ApplyRedPointers() {
    const auto setSystemCursor = reinterpret_cast<platform::SetSystemCursorProc>(
        platform::User32Function(setSystemCursorName));
    if (setSystemCursor == nullptr) return;
    // Also where this program has none in force: another copy of it may.
    redPointersShown = true;
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    const platform::Handle screen = platform::GetDC(0);
    for (const std::uint16_t id : pointerIds) {
        platform::IconInfo info;
        const platform::Handle pointer =
            platform::LoadCursorA(0, reinterpret_cast<const char*>(std::uintptr_t{id}));
        if (platform::GetIconInfo(pointer, &info) == 0) continue;
        // The mask's size. A monochrome pointer's mask holds the AND mask
        // above the XOR one: read bottom-up, it gives the XOR half first,
        // as a colour pointer gives its colour bitmap, then its mask.
        platform::BitmapInfoHeader header{};
        header.biSize = sizeof header;
        platform::GetDIBits(screen, info.hbmMask, 0, 0, nullptr, &header, platform::kDibRgbColors);
        // Read as 32-bit colour with no colour table.
        header.biBitCount = 32;
        header.biSizeImage = header.biClrUsed = 0;
        const unsigned rows = header.biHeight;
        const unsigned height = info.hbmColor != 0 ? rows : rows / 2;
        const std::size_t count = static_cast<std::size_t>(header.biWidth) * height;
        auto* const pixels = static_cast<std::uint32_t*>(
            platform::AllocateZeroed(count * 2 * sizeof(std::uint32_t)));
        if (pixels != nullptr) {
            if (info.hbmColor != 0)
                platform::GetDIBits(screen, info.hbmColor, 0, rows, pixels, &header,
                                    platform::kDibRgbColors);
            platform::GetDIBits(screen, info.hbmMask, 0, rows,
                                pixels + (info.hbmColor != 0 ? count : 0), &header,
                                platform::kDibRgbColors);
            RedPointerPixels(pixels, count);
            platform::DeleteObject(info.hbmMask);
            platform::DeleteObject(info.hbmColor);
            header.biHeight = height;
            info.hbmColor = Bitmap(screen, header, 32, pixels);
            info.hbmMask = Bitmap(screen, header, 1, pixels + count);
            const platform::Handle red = platform::CreateIconIndirect(&info);
            if (red != 0) {
                setSystemCursor(red, id);
                platform::DestroyCursor(red);
            }
            platform::Free(pixels);
        }
        platform::DeleteObject(info.hbmMask);
        platform::DeleteObject(info.hbmColor);
    }
    platform::ReleaseDC(0, screen);
}

// Reloads them from the user's own settings and writes nothing.
void RestoreUserPointers() {
    if (!redPointersShown) return;
    redPointersShown = false;
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
}

} // namespace DLmodule
