// What the program asks of its own process: heap memory, which tests can make
// run out, and the version resource.
#include "platform/sim/state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace sim {

void FailAllocations(int count) { S().failAllocations = count; }

int LiveAllocations() { return S().liveAllocations; }

} // namespace sim

namespace platform {

void* AllocateZeroed(std::size_t bytes) {
    Record("AllocateZeroed", {Num(static_cast<std::int64_t>(bytes))});
    if (S().failAllocations > 0) {
        --S().failAllocations;
        return nullptr;
    }
    ++S().liveAllocations;
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void Free(void* block) {
    Record("Free", {Ptr(block)});
    if (block == nullptr) return;
    --S().liveAllocations;
    std::free(block);
}

bool ReadOwnVersion(OwnVersion* version) {
    Record("ReadOwnVersion", {Ptr(version)});
    const sim::Settings& settings = S().settings;
    if (version == nullptr) return false;
    version->major = settings.version[0];
    version->minor = settings.version[1];
    version->build = settings.version[2];
    version->revision = settings.version[3];
    const std::size_t length =
        std::min(settings.companyName.size(), sizeof version->companyName - 1);
    std::memcpy(version->companyName, settings.companyName.data(), length);
    version->companyName[length] = '\0';
    return true;
}

} // namespace platform
