// The stand-in Magnification.dll's state, in one file of the prefix so that
// the program, the driver and every later process see the same: the colour
// effect in force, whether MagInitialize is to fail, and a record of every
// call. A named mutex keeps two processes from updating it at once.
#pragma once

#include <windows.h>

#include "tests/unit/documented.h"
#include "winehost/support.h"

namespace e2e {

using ColorEffect = platform::MagColorEffect; // MAGCOLOREFFECT, as platform.h says

enum class MagnifierCall : LONG { kLoad, kInitialize, kUninitialize, kSetEffect, kGetEffect };

// A call that Windows' own library refuses, or that fails for the rest of
// the process's life.
enum class Misuse : LONG {
    kNone,
    kBeforeInitialize,
    kAfterUninitialize,
    kAfterSecondInitialize, // MagInitialize again after MagUninitialize
    kNullEffect,
};

struct MagnifierEntry {
    DWORD process;
    MagnifierCall call;
    BOOL result;
    Misuse misuse;
    char path[MAX_PATH]; // where the library was loaded from
};

constexpr int kMagnifierEntries = 64;

struct MagnifierState {
    ColorEffect inForce;
    BOOL initializeFails;
    LONG count; // every call, those past the record's end too
    MagnifierEntry entries[kMagnifierEntries];
};

// The state file is C:\windows\dusklens-e2e-magnifier.bin.
inline void MagnifierStatePath(char* path) {
    GetWindowsDirectoryA(path, MAX_PATH);
    Append(path, "\\dusklens-e2e-magnifier.bin", MAX_PATH);
}

// Reads the state, lets `change` alter it and, when `write`, writes it back,
// all under the lock. Without a state file, the identity is in force and
// nothing is recorded.
template <typename Change> bool UpdateMagnifier(Change change, bool write = true) {
    static MagnifierState state; // too large for a small thread's stack
    char path[MAX_PATH];
    MagnifierStatePath(path);
    const HANDLE lock = CreateMutexA(nullptr, FALSE, "dusklens-e2e-magnifier");
    // Abandoned by a process that was ended while holding it: still ours.
    if (lock != nullptr) WaitForSingleObject(lock, 10000);
    if (ReadWhole(path, &state, sizeof state) != sizeof state)
        state = {documented::kIdentity, FALSE, 0, {}};
    change(state);
    const bool saved = !write || WriteWhole(path, &state, sizeof state);
    if (lock != nullptr) {
        ReleaseMutex(lock);
        CloseHandle(lock);
    }
    return saved;
}

} // namespace e2e
