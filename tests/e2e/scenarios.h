// The end-to-end scenarios, each run on a freshly prepared desktop.
#pragma once

#include "winehost/harness.h"

namespace e2e {

extern const Scenario kScenarios[];
extern const int kScenarioCount;

} // namespace e2e
