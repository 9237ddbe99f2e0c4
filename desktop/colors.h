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
// The night is in force: "Dusk Colors" was ticked, and neither unticked nor
// followed by the default colours since.
extern bool nightInForce;
// Set while the program's own SetSysColors or wallpaper call runs: the
// broadcast that such a call sends reaches the program's window too, and is
// no change of another program's.
extern bool changingDesktop;

void FillDefaultColors();
void FillNightColors();
void CaptureColors();
void ApplyNightColors();
// The night scheme alone, without the effect that ApplyNightColors adds.
void ApplyNightScheme();
void RestoreSavedColors();
void ApplyDefaultColors();

} // namespace DLmodule
