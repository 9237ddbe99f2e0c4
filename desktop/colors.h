// System colour schemes: the colours found at start-up, the night scheme and
// the platform's default scheme, each applied to all 29 display elements in
// one SetSysColors call. The night scheme comes with the full-screen effect of
// desktop/screenfilter.h, and the other two put back the effect it found.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace DLmodule {

constexpr int kColorElementCount = 29;
using ColorScheme = std::array<platform::ColorRef, kColorElementCount>;

extern std::array<std::int32_t, kColorElementCount> colorElements;
extern ColorScheme savedColors;
extern ColorScheme nightColors;
extern ColorScheme defaultColors;
extern bool defaultsApplied;

void FillDefaultColors();
void FillNightColors();
void CaptureColors();
void ApplyNightColors();
void RestoreSavedColors();
void ApplyDefaultColors();

} // namespace DLmodule
