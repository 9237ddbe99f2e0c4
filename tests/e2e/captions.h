// The box captions measured inside the program under test: a font handle
// is the program's own and means nothing in another process, so captions.dll
// is loaded into the program to measure there.
#pragma once

#include "winehost/harness.h"

namespace e2e {

struct CaptionMeasure {
    char text[32];  // the box's caption
    char face[32];  // the face its font resolved to
    LONG height;    // the font's cell height in pixels
    LONG textWidth; // the caption's extent in that font
    LONG zeroWidth; // the width of '0', half of which separates box and text
    BOOL fontSet;   // the box has a font of its own (WM_GETFONT)
};

// What captions.dll writes beside itself, as CAPTIONS.DLL.txt.
struct CaptionMeasures {
    LONG dpi;
    CaptionMeasure box[3]; // Dusk Colors, Desktop, Taskbar
};

} // namespace e2e
