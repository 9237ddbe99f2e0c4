// What the program is documented to show, written out apart from its own
// tables so that a swapped or mistyped entry there shows: the unit tests'
// copy, which the drivers under Wine (winehost/) read too.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace documented {

// System colours 0 to 28, 0x00BBGGRR: the night scheme and Windows' standard one.
using Colors = std::array<std::uint32_t, 29>;
constexpr Colors kNight = {0x000040, 0x000000, 0x000040, 0x000000, 0x000080, 0x000080,
                           0x000000, 0x0000FF, 0x0000FF, 0x0000FF, 0x000080, 0x000040,
                           0x000000, 0x000080, 0x0000C0, 0x000080, 0x000000, 0x808080,
                           0x000000, 0x000080, 0x0000FF, 0x000000, 0x000000, 0x0000FF,
                           0x000080, 0x000080, 0x000080, 0x000040, 0x000000};
constexpr Colors kStandard = {0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF,
                              0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0,
                              0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080,
                              0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xDFDFDF, 0x000000,
                              0xE1FFFF, 0xB5B5B5, 0xFF0000, 0x800000, 0x808080};

// The About box of version 1.5.0: its title, and its text up to the company name.
constexpr char kAboutTitle[] = "Dusklens Version 1.5.0";
constexpr char kAboutText[] =
    "A utility that switches to low level red and gray colors to reduce the light level in an "
    "observatory.  Additional functions hide the destop icons and the taskbar.  Use \"AltTab\" "
    "to find Dusklens if is has has been covered by other windows.\n\n"
    "Copyright (C) 2026 ";

// Full-screen colour effects: the identity, and a user's own (sepia).
constexpr platform::MagColorEffect kIdentity = {
    {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}};
constexpr platform::MagColorEffect kUserEffect = {{{0.393f, 0.349f, 0.272f, 0, 0},
                                                   {0.769f, 0.686f, 0.534f, 0, 0},
                                                   {0.189f, 0.168f, 0.131f, 0, 0},
                                                   {0, 0, 0, 1, 0},
                                                   {0, 0, 0, 0, 1}}};

// The standard pointers that SPI_SETCURSORS reloads, OCR_* of Windows' headers.
constexpr std::uint32_t kStandardPointers[14] = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                                                 32644, 32645, 32646, 32648, 32649, 32650, 32651};

} // namespace documented
