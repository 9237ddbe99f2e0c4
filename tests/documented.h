// What the program is documented to show, written out once, apart from its
// own tables, so that a swapped or mistyped entry there shows: read by the
// unit tests, the simulated desktop and the drivers under Wine.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace documented {

// System colours 0 to 28, 0x00BBGGRR: the night scheme and Windows' standard one.
constexpr int kElements = 29;
using Colors = std::array<std::uint32_t, kElements>;
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

// Version information: the company (the About text ends with it), the version in numbers and text.
constexpr char kCompany[] = "The Dusklens developers";
constexpr unsigned short kVersion[4] = {1, 5, 0, 0};
constexpr char kVersionText[] = "1.05";

// "Restore Default Colors" asks first: the question and its title.
constexpr char kQuestion[] = "Reset to Windows default colors?";
constexpr char kQuestionTitle[] = "Default Colors";

// The window's client area, width and height, and each box's left edge
// (left to right), width and height, all in twips.
constexpr int kClientTwips[2] = {3360, 315};
constexpr int kBoxLeftTwips[3] = {120, 1200, 2160};
constexpr int kBoxTwips[2] = {1215, 312};
// Twips to pixels at `dpi`, to the nearest pixel.
constexpr int Pixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

// Full-screen colour effects: the identity, and a user's own (sepia).
constexpr platform::MagColorEffect kIdentity = {
    {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}};
constexpr platform::MagColorEffect kUserEffect = {{{0.393f, 0.349f, 0.272f, 0, 0},
                                                   {0.769f, 0.686f, 0.534f, 0, 0},
                                                   {0.189f, 0.168f, 0.131f, 0, 0},
                                                   {0, 0, 0, 1, 0},
                                                   {0, 0, 0, 0, 1}}};
// An effect's entry in thousandths, to the nearest: how the call log and
// the messages show one.
constexpr long Thousandths(float value) {
    return static_cast<long>(value * 1000 + (value < 0 ? -0.5f : 0.5f));
}

// The standard pointers that SPI_SETCURSORS reloads, OCR_* of Windows' headers.
constexpr std::uint32_t kStandardPointers[14] = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                                                 32644, 32645, 32646, 32648, 32649, 32650, 32651};

} // namespace documented
