// The About box text, built from the program's own version information.
#pragma once

#include "desktop/text.h"

namespace DLmodule {

// The notice that precedes the company name at the end of the About text.
constexpr char kAuthorshipNotice[] = "Copyright (C) 2026 ";

using AboutTitle = dl::FixedText<64>;
using AboutBody = dl::FixedText<512>;

void BuildAboutText(AboutTitle& title, AboutBody& body);

} // namespace DLmodule
