// The About box text, built from the program's own version information.
#pragma once

#include "desktop/text.h"

namespace DLmodule {

// The About text up to the company name, which ends it: the description,
// then the authorship notice that precedes the company name. One text, so
// that it is copied with one call.
constexpr char kAboutDescription[] =
    "A utility that switches to low level red and gray colors to reduce"
    " the light level in an observatory.  Additional functions hide the"
    " destop icons and the taskbar.  Use \"AltTab\" to find Dusklens if is has"
    " has been covered by other windows."
    "\n\n"
    "Copyright (C) 2026 ";

using AboutTitle = dl::FixedText<64>;
using AboutBody = dl::FixedText<512>;

void BuildAboutText(AboutTitle& title, AboutBody& body);

} // namespace DLmodule
