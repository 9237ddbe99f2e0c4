// The stand-in Magnification.dll's state, in one file of the prefix so that
// the program, the driver and every later process see the same: the colour
// effect in force, whether MagInitialize is to fail, and a record of every
// call. A named mutex keeps two processes from updating it at once.
#pragma once

#include <windows.h>

#include "tests/unit/documented.h"
#include "winehost/support.h"

namespace e2e {

// MAGCOLOREFFECT: the output colour is the row [r g b a 1] times the matrix,
// so rows are inputs and columns outputs.
using ColorEffect = platform::MagColorEffect;

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

// The state file is C:\windows\dusklens-e2e-magnifier.bin. Without one, the
// identity is in force and nothing is recorded.
inline void MagnifierStatePath(char* path) {
    GetWindowsDirectoryA(path, MAX_PATH);
    Append(path, "\\dusklens-e2e-magnifier.bin", MAX_PATH);
}

inline HANDLE LockMagnifier() {
    const HANDLE lock = CreateMutexA(nullptr, FALSE, "dusklens-e2e-magnifier");
    // Abandoned by a process that was ended while holding it: still ours.
    if (lock != nullptr) WaitForSingleObject(lock, 10000);
    return lock;
}

inline void UnlockMagnifier(HANDLE lock) {
    if (lock == nullptr) return;
    ReleaseMutex(lock);
    CloseHandle(lock);
}

inline void LoadMagnifierState(MagnifierState& state) {
    char path[MAX_PATH];
    MagnifierStatePath(path);
    if (ReadWhole(path, &state, sizeof state) == sizeof state) return;
    state = {};
    state.inForce = documented::kIdentity;
}

inline bool SaveMagnifierState(const MagnifierState& state) {
    char path[MAX_PATH];
    MagnifierStatePath(path);
    return WriteWhole(path, &state, sizeof state);
}

// Reads the state, lets `change` alter it and writes it back, under the lock.
template <typename Change> bool UpdateMagnifier(Change change) {
    static MagnifierState state; // too large for a small thread's stack
    const HANDLE lock = LockMagnifier();
    LoadMagnifierState(state);
    change(state);
    const bool saved = SaveMagnifierState(state);
    UnlockMagnifier(lock);
    return saved;
}

} // namespace e2e
