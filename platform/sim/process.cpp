// What the program asks of its own process: heap, version resource, ticks, and
// the functions it looks up at run time, in user32 and the system directory's DLLs.
#include "platform/sim/sim.h"

#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

namespace sim {

namespace {

int PLATFORM_WINAPI MagInitialize() {
    Record("MagInitialize");
    if (S().magnifier.initializeWorks) S().magnifierInitialized = true;
    return S().magnifier.initializeWorks;
}

int PLATFORM_WINAPI MagUninitialize() {
    Record("MagUninitialize");
    return std::exchange(S().magnifierInitialized, false);
}

int PLATFORM_WINAPI MagGetFullscreenColorEffect(Effect* effect) {
    Record("MagGetFullscreenColorEffect", effect);
    if (!S().magnifierInitialized || !S().magnifier.getWorks || effect == nullptr) return 0;
    *effect = S().magnifier.effect;
    return 1;
}

int PLATFORM_WINAPI SetProcessDPIAware() {
    Record("SetProcessDPIAware");
    S().dpiAware = true;
    return 1;
}

int PLATFORM_WINAPI MagSetFullscreenColorEffect(const Effect* effect) {
    Record("MagSetFullscreenColorEffect", List(effect ? Thousandths(*effect).data() : nullptr, 25));
    if (!S().magnifierInitialized || !S().magnifier.setWorks || effect == nullptr) return 0;
    S().magnifier.effect = *effect;
    return 1;
}

Handle PLATFORM_WINAPI SetWinEventHook(std::uint32_t eventMin, std::uint32_t eventMax, Handle,
                                       platform::WinEventProc procedure, std::uint32_t process,
                                       std::uint32_t thread, std::uint32_t flags) {
    Record("SetWinEventHook", eventMin, eventMax, process, thread, flags);
    S().showHook = procedure;
    return 0x5E0;
}

int PLATFORM_WINAPI UnhookWinEvent(Handle hook) {
    Record("UnhookWinEvent", hook);
    return std::exchange(S().showHook, nullptr) != nullptr && hook == 0x5E0;
}

int PLATFORM_WINAPI ChangeWindowMessageFilterEx(Handle window, unsigned message,
                                                std::uint32_t action, void* status) {
    Record("ChangeWindowMessageFilterEx", window, message, action, status);
    return 1;
}

int PLATFORM_WINAPI ChangeWindowMessageFilter(unsigned message, std::uint32_t action) {
    Record("ChangeWindowMessageFilter", message, action);
    return 1;
}

// Windows takes the cursor and destroys it.
int PLATFORM_WINAPI SetSystemCursor(Handle cursor, std::uint32_t id) {
    Record("SetSystemCursor", cursor, id);
    const auto found = S().cursors.find(cursor);
    if (found == S().cursors.end()) return 0;
    S().pointers[id] = found->second;
    S().cursors.erase(found);
    return 1;
}

int PLATFORM_WINAPI WTSRegisterSessionNotification(Handle window, std::uint32_t flags) {
    Record("WTSRegisterSessionNotification", window, flags);
    if (S().settings.wtsRegisterWorks) S().sessionWatcher = window;
    return S().settings.wtsRegisterWorks;
}

int PLATFORM_WINAPI WTSUnRegisterSessionNotification(Handle window) {
    Record("WTSUnRegisterSessionNotification", window);
    return std::exchange(S().sessionWatcher, 0) == window && window != 0;
}

constexpr Handle kUser32 = ~Handle{0};

// Every function the program looks up at run time, by the library that has it;
// the magnifier's full-screen effect only where that Windows has it.
platform::FarProc Function(Handle library, const std::string& name) {
#define SIM_FUNCTION(lib, function)                                                                \
    { lib, #function, reinterpret_cast<platform::FarProc>(sim::function) }
    const Handle fullscreen = S().magnifier.fullscreenEffects ? S().magnifierLibrary : 0;
    const std::tuple<Handle, std::string, platform::FarProc> functions[] = {
        SIM_FUNCTION(S().wtsLibrary, WTSRegisterSessionNotification),
        SIM_FUNCTION(S().wtsLibrary, WTSUnRegisterSessionNotification),
        SIM_FUNCTION(S().magnifierLibrary, MagInitialize),
        SIM_FUNCTION(S().magnifierLibrary, MagUninitialize),
        SIM_FUNCTION(fullscreen, MagGetFullscreenColorEffect),
        SIM_FUNCTION(fullscreen, MagSetFullscreenColorEffect),
        SIM_FUNCTION(kUser32, SetProcessDPIAware),
        SIM_FUNCTION(kUser32, SetWinEventHook),
        SIM_FUNCTION(kUser32, UnhookWinEvent),
        SIM_FUNCTION(kUser32, ChangeWindowMessageFilter),
        SIM_FUNCTION(kUser32, ChangeWindowMessageFilterEx),
        SIM_FUNCTION(kUser32, SetSystemCursor),
    };
#undef SIM_FUNCTION
    for (const auto& [known, knownName, address] : functions)
        if (known == library && knownName == name) return address;
    return nullptr;
}

} // namespace

bool SessionWatched() { return S().sessionWatcher != 0; }

void Wait(std::uint32_t milliseconds) { S().ticks += milliseconds; }

std::vector<std::int64_t> Thousandths(const Effect& effect) {
    std::vector<std::int64_t> list;
    for (const auto& row : effect.transform)
        for (float value : row)
            list.push_back(documented::Thousandths(value));
    return list;
}

Magnifier& MagnifierConfig() { return S().magnifier; }

void FailAllocations(int count) { S().failAllocations = count; }

int LiveAllocations() { return S().liveAllocations; }

} // namespace sim

namespace platform {

unsigned GetSystemDirectoryA(char* buffer, unsigned size) {
    Record("GetSystemDirectoryA", buffer, size);
    const std::string& directory = S().settings.systemDirectory;
    if (directory.size() + 1 > size) return static_cast<unsigned>(directory.size() + 1);
    std::memcpy(buffer, directory.c_str(), directory.size() + 1);
    return static_cast<unsigned>(directory.size());
}

Handle LoadLibraryA(const char* fileName) {
    Record("LoadLibraryA", fileName);
    const std::string name = sim::Lower(fileName == nullptr ? "" : fileName);
    const std::string magnifier = sim::Lower(S().settings.systemDirectory + "\\Magnification.dll");
    const std::string wtsapi32 = sim::Lower(S().settings.systemDirectory + "\\wtsapi32.dll");
    Handle* library = S().magnifier.installed && name == magnifier ? &S().magnifierLibrary
                      : S().settings.wtsapi32 && name == wtsapi32  ? &S().wtsLibrary
                                                                   : nullptr;
    if (library != nullptr && *library == 0) *library = sim::NewHandle();
    return library != nullptr ? *library : 0;
}

FarProc GetProcAddress(Handle module, const char* procName) {
    Record("GetProcAddress", module, procName);
    return module == 0 || procName == nullptr ? nullptr : sim::Function(module, procName);
}

std::uint32_t GetTickCount() {
    Record("GetTickCount");
    return S().ticks;
}

FarProc User32Function(const char* name) {
    Record("User32Function", name);
    const bool lacks = name == nullptr || S().settings.user32Lacks.count(name) != 0;
    return lacks ? nullptr : sim::Function(sim::kUser32, name);
}

void* AllocateZeroed(std::size_t bytes) {
    Record("AllocateZeroed", bytes);
    if (S().failAllocations > 0) {
        --S().failAllocations;
        return nullptr;
    }
    ++S().liveAllocations;
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void Free(void* block) {
    Record("Free", block);
    if (block == nullptr) return;
    --S().liveAllocations;
    std::free(block);
}

bool ReadOwnVersion(OwnVersion* version) {
    Record("ReadOwnVersion", version);
    const sim::Settings& settings = S().settings;
    if (version == nullptr) return false;
    version->major = settings.version[0];
    version->minor = settings.version[1];
    version->build = settings.version[2];
    version->revision = settings.version[3];
    const std::size_t length =
        settings.companyName.copy(version->companyName, sizeof version->companyName - 1);
    version->companyName[length] = '\0';
    return true;
}

} // namespace platform
