// The end-to-end scenarios, each run on a freshly prepared desktop, and the
// checks that only they make.
#pragma once

#include "winehost/harness.h"

namespace e2e {

extern const Scenario kScenarios[];
extern const int kScenarioCount;

void ExpectBoxes(const Program& program, const char* when, int dusk, int desktop, int taskbar);

// Asks the runner for a screenshot of the program's client area, which
// must show box captions in `text` on `back`, and waits for it.
bool Screenshot(const Program& program, const char* name, COLORREF text, COLORREF back);

// Pixels that are neither black, a pure red (no green, no blue) nor grey
// 0x808080: the night scheme shows nothing else. The runner counts them in
// a screenshot, which it saves as `name`.
struct OffNightPixels {
    long count;
    char commonest[200]; // "#RRGGBB:N" for the commonest few
};
bool CountOffNightPixels(const char* name, const RECT* areas, int count, OffNightPixels* found);
// The part of the program's window that the night scheme colours: all of
// it, but for a flat menu bar, which is drawn in an element it leaves alone.
RECT NightArea(const Program& program);

} // namespace e2e
