// The full-screen colour effect of Windows 8 and later (Magnification.dll),
// which reaches every pixel the compositor shows, also where programs draw
// themselves and ignore the system colours. With the night colours it turns
// the whole screen red; otherwise the effect found is put back. Where the
// library lacks the effect (Windows 95 to 7, Wine) nothing happens.
#pragma once

#include "platform/platform.h"

namespace DLmodule {

// Red from each pixel's brightness, and no green or blue.
extern const platform::MagColorEffect nightEffect;

enum class FilterState {
    NotLoaded,   // not looked for yet: start-up loads nothing
    Unavailable, // no library, not the functions, or MagInitialize failed
    Ready        // initialised, and foundEffect read
};
extern FilterState filterState;
// The effect in force before the program first changed it.
extern platform::MagColorEffect foundEffect;
// Whether nightEffect is the program's and still in force.
extern bool nightEffectShown;

void ApplyNightFilter();
// Puts foundEffect back when the night effect is in force.
void RestoreFoundFilter();
// At exit: puts foundEffect back, then lets go of the magnifier.
void EndFilter();

} // namespace DLmodule
