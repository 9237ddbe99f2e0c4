// What the program asks of its own process: heap memory, which tests can make
// run out, the version resource, and the libraries it loads itself:
// Magnification.dll, in the system directory only, with its full-screen
// colour effect, and user32, for the function that not every Windows has.
#include "platform/sim/state.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

// An effect in the call log, as Thousandths gives it.
Arg EffectArg(const Effect* effect) {
    return effect == nullptr ? Arg{Arg::Kind::Null, 0, {}, {}}
                             : Arg{Arg::Kind::List, 0, {}, Thousandths(*effect)};
}

int PLATFORM_WINAPI MagInitialize() {
    Record("MagInitialize", {});
    if (!S().magnifier.initializeWorks) return 0;
    S().magnifierInitialized = true;
    return 1;
}

int PLATFORM_WINAPI MagUninitialize() {
    Record("MagUninitialize", {});
    const bool was = S().magnifierInitialized;
    S().magnifierInitialized = false;
    return was;
}

int PLATFORM_WINAPI MagGetFullscreenColorEffect(Effect* effect) {
    Record("MagGetFullscreenColorEffect", {Ptr(effect != nullptr)});
    if (!S().magnifierInitialized || !S().magnifier.getWorks || effect == nullptr) return 0;
    *effect = S().magnifier.effect;
    return 1;
}

int PLATFORM_WINAPI SetProcessDPIAware() {
    Record("SetProcessDPIAware", {});
    S().dpiAware = true;
    return 1;
}

int PLATFORM_WINAPI MagSetFullscreenColorEffect(const Effect* effect) {
    Record("MagSetFullscreenColorEffect", {EffectArg(effect)});
    if (!S().magnifierInitialized || !S().magnifier.setWorks || effect == nullptr) return 0;
    S().magnifier.effect = *effect;
    return 1;
}

} // namespace

std::vector<std::int64_t> Thousandths(const Effect& effect) {
    std::vector<std::int64_t> list;
    for (const auto& row : effect.transform)
        for (float value : row)
            list.push_back(std::lround(value * 1000));
    return list;
}

Magnifier& MagnifierConfig() { return S().magnifier; }

void FailAllocations(int count) { S().failAllocations = count; }

int LiveAllocations() { return S().liveAllocations; }

} // namespace sim

namespace platform {

unsigned GetSystemDirectoryA(char* buffer, unsigned size) {
    Record("GetSystemDirectoryA", {Ptr(buffer != nullptr), Num(size)});
    const std::string& directory = S().settings.systemDirectory;
    if (directory.size() + 1 > size) return static_cast<unsigned>(directory.size() + 1);
    std::memcpy(buffer, directory.c_str(), directory.size() + 1);
    return static_cast<unsigned>(directory.size());
}

Handle LoadLibraryA(const char* fileName) {
    Record("LoadLibraryA", {Str(fileName)});
    const std::string name = sim::Lower(fileName == nullptr ? "" : fileName);
    const std::string magnifier = sim::Lower(S().settings.systemDirectory + "\\Magnification.dll");
    Handle* library =
        S().magnifier.installed && name == magnifier ? &S().magnifierLibrary : nullptr;
    if (library != nullptr && *library == 0) *library = sim::NewHandle();
    return library != nullptr ? *library : 0;
}

FarProc GetProcAddress(Handle module, const char* procName) {
    Record("GetProcAddress", {Num(static_cast<std::int64_t>(module)), Str(procName)});
    if (module == 0 || procName == nullptr) return nullptr;
    const std::string name = procName;
    if (module != S().magnifierLibrary) return nullptr;
    const bool fullscreen = S().magnifier.fullscreenEffects;
    if (name == "MagInitialize") return reinterpret_cast<FarProc>(sim::MagInitialize);
    if (name == "MagUninitialize") return reinterpret_cast<FarProc>(sim::MagUninitialize);
    if (name == "MagGetFullscreenColorEffect" && fullscreen)
        return reinterpret_cast<FarProc>(sim::MagGetFullscreenColorEffect);
    if (name == "MagSetFullscreenColorEffect" && fullscreen)
        return reinterpret_cast<FarProc>(sim::MagSetFullscreenColorEffect);
    return nullptr;
}

FarProc User32Function(const char* name) {
    Record("User32Function", {Str(name)});
    const std::string function = name == nullptr ? "" : name;
    if (S().settings.user32Lacks.count(function) != 0) return nullptr;
    if (function == "SetProcessDPIAware") return reinterpret_cast<FarProc>(sim::SetProcessDPIAware);
    if (function == "SetSystemCursor") return reinterpret_cast<FarProc>(sim::SetSystemCursor);
    return nullptr;
}

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
