// The end-to-end scenarios, each run on a freshly prepared desktop.
#pragma once

namespace e2e {

struct Scenario {
    const char* name;
    void (*run)();
};
extern const Scenario kScenarios[];
extern const int kScenarioCount;

} // namespace e2e
