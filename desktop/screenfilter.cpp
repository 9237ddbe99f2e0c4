#include "desktop/screenfilter.h"

#include "desktop/library.h"

namespace DLmodule {

// Rows are the inputs red, green, blue, alpha and a constant 1; columns the
// outputs in the same order. Red is the pixel's brightness, with the ITU-R
// BT.601 luma weights: they are made for gamma-encoded values such as a
// screen's, and add up to 1, so white becomes full red (the night scheme's
// brightest), mid-grey half of it, text keeps its contrast and nothing
// clips. Green and blue come out 0; the constant row adds nothing, so black
// stays black; alpha is kept as it is (an effect that zeroed it stopped
// working on Windows 10 21H2).
const platform::MagColorEffect nightEffect = {{
    {0.299f, 0.0f, 0.0f, 0.0f, 0.0f}, // red
    {0.587f, 0.0f, 0.0f, 0.0f, 0.0f}, // green
    {0.114f, 0.0f, 0.0f, 0.0f, 0.0f}, // blue
    {0.0f, 0.0f, 0.0f, 1.0f, 0.0f},   // alpha
    {0.0f, 0.0f, 0.0f, 0.0f, 1.0f},   // constant
}};

FilterState filterState = FilterState::NotLoaded;
platform::MagColorEffect foundEffect;
bool nightEffectShown = false;

namespace {

platform::MagInitializeProc magUninitialize;
platform::MagSetColorEffectProc magSetEffect;

// Loads and initialises the magnifier the first time the effect is needed,
// and reads the effect in force then. MagInitialize runs at most once:
// initialising again after uninitialising makes later calls fail without a
// word.
bool FilterReady() {
    if (filterState != FilterState::NotLoaded) return filterState == FilterState::Ready;
    filterState = FilterState::Unavailable;
    const platform::Handle library = LoadSystemLibrary("\\Magnification.dll");
    const auto magInitialize =
        reinterpret_cast<platform::MagInitializeProc>(Lookup(library, "MagInitialize"));
    magUninitialize =
        reinterpret_cast<platform::MagInitializeProc>(Lookup(library, "MagUninitialize"));
    magSetEffect = reinterpret_cast<platform::MagSetColorEffectProc>(
        Lookup(library, "MagSetFullscreenColorEffect"));
    const auto magGetEffect = reinterpret_cast<platform::MagGetColorEffectProc>(
        Lookup(library, "MagGetFullscreenColorEffect"));
    // Vista's and 7's library has no full-screen effect.
    if (magInitialize == nullptr || magUninitialize == nullptr || magSetEffect == nullptr ||
        magGetEffect == nullptr || magInitialize() == 0)
        return false;
    filterState = FilterState::Ready;
    // Where the effect in force cannot be read, there is taken to be none.
    if (magGetEffect(&foundEffect) == 0) {
        foundEffect = {};
        for (int i = 0; i < 5; ++i)
            foundEffect.transform[i][i] = 1.0f;
    }
    return true;
}

} // namespace

void ApplyNightFilter() {
    if (!FilterReady()) return;
    // A failed set (while Windows' Magnifier inverts colours) changes nothing.
    magSetEffect(&nightEffect);
    nightEffectShown = true;
}

void RestoreFoundFilter() {
    if (!nightEffectShown) return;
    nightEffectShown = false;
    magSetEffect(&foundEffect);
}

void EndFilter() {
    RestoreFoundFilter();
    if (filterState == FilterState::Ready) magUninitialize();
}

} // namespace DLmodule
