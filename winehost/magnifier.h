// The stand-in Magnification.dll's state, in one file of the prefix so that
// the program, the driver and every later process see the same: the colour
// effect in force, whether MagInitialize is to fail, and a record of every
// call. A named mutex keeps two processes from updating it at once.
#pragma once

#include <windows.h>

#include "platform/platform.h"
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

// The state file is C:\windows\dusklens-e2e-magnifier.bin; where the
// library cannot keep its record, it writes why in the same name .fault.
inline void MagnifierStatePath(char* path, const char* ending = ".bin") {
    GetWindowsDirectoryA(path, MAX_PATH);
    Append(path, "\\dusklens-e2e-magnifier", MAX_PATH);
    Append(path, ending, MAX_PATH);
}

// Reads the state, lets `change` alter it and, when `write`, writes it back,
// all under the lock; `fresh` starts from an empty state instead of the
// file. Answers why it could not, or nullptr.
template <typename Change>
const char* UpdateMagnifier(Change change, bool write = true, bool fresh = false) {
    static MagnifierState state; // too large for a small thread's stack
    char path[MAX_PATH];
    MagnifierStatePath(path);
    const HANDLE lock = CreateMutexA(nullptr, FALSE, "dusklens-e2e-magnifier");
    // Abandoned by a process that was ended while holding it: still ours.
    const DWORD waited = lock != nullptr ? WaitForSingleObject(lock, 10000) : WAIT_FAILED;
    const bool held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    const char* why = held ? nullptr : "its lock not had within 10 s";
    if (held && !fresh && ReadWhole(path, &state, sizeof state) != sizeof state)
        why = "its state file missing or short";
    if (why == nullptr) {
        change(state);
        if (write && !WriteWhole(path, &state, sizeof state)) why = "its state file not written";
    }
    if (held) ReleaseMutex(lock);
    if (lock != nullptr) CloseHandle(lock);
    return why;
}

} // namespace e2e
