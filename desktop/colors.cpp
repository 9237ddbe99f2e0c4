#include "desktop/colors.h"

#include "desktop/pointers.h"
#include "desktop/screenfilter.h"

namespace DLmodule {

std::array<std::int32_t, kColorElementCount> colorElements;
ColorScheme savedColors;
ColorScheme nightColors;
ColorScheme defaultColors;
bool defaultsApplied = false;
bool nightInForce = false;
bool changingDesktop = false;

namespace {

// Four levels of red, black, and one grey for disabled text: nothing that
// would spoil an observer's dark adaptation.
constexpr ColorScheme kNightScheme = {
    0x000040, //  0 scroll bar
    0x000000, //  1 desktop background
    0x000040, //  2 active caption
    0x000000, //  3 inactive caption
    0x000080, //  4 menu
    0x000080, //  5 window
    0x000000, //  6 window frame
    0x0000FF, //  7 menu text (the check box captions)
    0x0000FF, //  8 window text
    0x0000FF, //  9 caption text
    0x000080, // 10 active border
    0x000040, // 11 inactive border
    0x000000, // 12 application workspace
    0x000080, // 13 highlight
    0x0000C0, // 14 highlighted text
    0x000080, // 15 button face (the check box background)
    0x000000, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0x000080, // 19 inactive caption text
    0x0000FF, // 20 button highlight
    0x000000, // 21 3-D dark shadow
    0x000000, // 22 3-D light
    0x0000FF, // 23 tooltip text
    0x000080, // 24 tooltip background
    0x000080, // 25 (unnamed)
    0x000080, // 26 hot-tracked item
    0x000040, // 27 active caption gradient
    0x000000, // 28 inactive caption gradient
};

// The Windows standard scheme.
constexpr ColorScheme kDefaultScheme = {
    0xC0C0C0, //  0 scroll bar
    0x808000, //  1 desktop background (teal)
    0x800000, //  2 active caption (navy)
    0x808080, //  3 inactive caption
    0xC0C0C0, //  4 menu
    0xFFFFFF, //  5 window
    0x000000, //  6 window frame
    0x000000, //  7 menu text
    0x000000, //  8 window text
    0xFFFFFF, //  9 caption text
    0xC0C0C0, // 10 active border
    0xC0C0C0, // 11 inactive border
    0x808080, // 12 application workspace
    0x800000, // 13 highlight
    0xFFFFFF, // 14 highlighted text
    0xC0C0C0, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xC0C0C0, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x000000, // 21 3-D dark shadow
    0xDFDFDF, // 22 3-D light
    0x000000, // 23 tooltip text
    0xE1FFFF, // 24 tooltip background
    0xB5B5B5, // 25 (unnamed)
    0xFF0000, // 26 hot-tracked item
    0x800000, // 27 active caption gradient
    0x808080, // 28 inactive caption gradient
};

void ApplyScheme(const ColorScheme& scheme) {
    changingDesktop = true;
    platform::SetSysColors(kColorElementCount, colorElements.data(), scheme.data());
    changingDesktop = false;
}

} // namespace

void FillDefaultColors() { defaultColors = kDefaultScheme; }

void FillNightColors() { nightColors = kNightScheme; }

void CaptureColors() {
    for (int i = 0; i < kColorElementCount; ++i) {
        colorElements[i] = i;
        savedColors[i] = platform::GetSysColor(i);
    }
}

// Windows 8 and later use few of the system colours; the full-screen effect
// after them reaches the rest of the screen.
void ApplyNightColors() {
    nightInForce = true;
    ApplyScheme(nightColors);
    ApplyNightFilter();
    ApplyRedPointers();
}

void ApplyNightScheme() { ApplyScheme(nightColors); }

void RestoreSavedColors() {
    nightInForce = false;
    ApplyScheme(savedColors);
    RestoreFoundFilter();
    RestoreUserPointers();
}

void ApplyDefaultColors() {
    // The flag goes first: shut-down must leave the defaults in place even if
    // the switch itself failed.
    defaultsApplied = true;
    nightInForce = false;
    ApplyScheme(defaultColors);
    RestoreFoundFilter();
    RestoreUserPointers();
}

} // namespace DLmodule
