// Magnification.dll as Windows 8 and later have it (docs/DEVELOPING.md): the
// four functions Dusklens uses, each call recorded in the shared state
// (winehost/magnifier.h) with its process, a refused one as misuse.
#include "winehost/magnifier.h"

namespace {

using namespace e2e;

HMODULE self;
bool initialized, uninitialized, broken;

void Add(MagnifierState& state, MagnifierCall call, BOOL result, Misuse misuse) {
    if (state.count >= 0 && state.count < e2e::kMagnifierEntries) {
        e2e::MagnifierEntry& entry = state.entries[state.count];
        entry = {GetCurrentProcessId(), call, result, misuse, {}};
        if (call == MagnifierCall::kLoad) GetModuleFileNameA(self, entry.path, MAX_PATH);
    }
    ++state.count;
}

// Why a call other than MagInitialize is refused now, if it is.
Misuse Refused() {
    if (broken) return Misuse::kAfterSecondInitialize;
    if (!initialized) return uninitialized ? Misuse::kAfterUninitialize : Misuse::kBeforeInitialize;
    return Misuse::kNone;
}

// Updates the state; where that fails, says why in the fault file, which
// the driver reports, and answers false: the call fails.
template <typename Change> bool Update(Change change) {
    const char* why = e2e::UpdateMagnifier(change);
    if (why == nullptr) return true;
    char path[MAX_PATH];
    e2e::MagnifierStatePath(path, ".fault");
    e2e::WriteWhole(path, why, static_cast<DWORD>(lstrlenA(why)));
    return false;
}

// Sets the effect in force from `effect`, or answers it there.
BOOL EffectCall(MagnifierCall call, ColorEffect* effect) {
    Misuse misuse = Refused();
    if (misuse == Misuse::kNone && effect == nullptr) misuse = Misuse::kNullEffect;
    return Update([&](MagnifierState& state) {
               if (misuse == Misuse::kNone) {
                   if (call == MagnifierCall::kSetEffect)
                       state.inForce = *effect;
                   else
                       *effect = state.inForce;
               }
               Add(state, call, misuse == Misuse::kNone, misuse);
           }) &&
           misuse == Misuse::kNone;
}

} // namespace

extern "C" {

__declspec(dllexport) BOOL WINAPI MagInitialize() {
    BOOL result = TRUE;
    const bool updated = Update([&](MagnifierState& state) {
        Misuse misuse = Misuse::kNone;
        if (state.initializeFails) {
            result = FALSE;
        } else {
            if (uninitialized) broken = true;
            if (broken) misuse = Misuse::kAfterSecondInitialize;
            initialized = true;
        }
        Add(state, MagnifierCall::kInitialize, result, misuse);
    });
    return updated && result;
}

__declspec(dllexport) BOOL WINAPI MagUninitialize() {
    const Misuse misuse = Refused();
    if (initialized) uninitialized = true;
    initialized = false;
    return Update([&](MagnifierState& state) {
               Add(state, MagnifierCall::kUninitialize, misuse == Misuse::kNone, misuse);
           }) &&
           misuse == Misuse::kNone;
}

__declspec(dllexport) BOOL WINAPI MagSetFullscreenColorEffect(ColorEffect* effect) {
    return EffectCall(MagnifierCall::kSetEffect, effect);
}

__declspec(dllexport) BOOL WINAPI MagGetFullscreenColorEffect(ColorEffect* effect) {
    return EffectCall(MagnifierCall::kGetEffect, effect);
}

BOOL WINAPI MagnifierEntry(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        Update(
            [](MagnifierState& state) { Add(state, MagnifierCall::kLoad, TRUE, Misuse::kNone); });
    }
    return TRUE;
}

} // extern "C"
