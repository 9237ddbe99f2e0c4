#include "winehost/magnifier.h"

#include "winehost/support.h"

namespace e2e {

void MagnifierStatePath(char* path) {
    GetWindowsDirectoryA(path, MAX_PATH);
    Append(path, "\\dusklens-e2e-magnifier.bin", MAX_PATH);
}

HANDLE LockMagnifier() {
    const HANDLE lock = CreateMutexA(nullptr, FALSE, "dusklens-e2e-magnifier");
    // Abandoned by a process that was ended while holding it: still ours.
    if (lock != nullptr) WaitForSingleObject(lock, 10000);
    return lock;
}

void UnlockMagnifier(HANDLE lock) {
    if (lock == nullptr) return;
    ReleaseMutex(lock);
    CloseHandle(lock);
}

void LoadMagnifierState(MagnifierState& state) {
    char path[MAX_PATH];
    MagnifierStatePath(path);
    if (ReadWhole(path, &state, sizeof state) == sizeof state) return;
    state = {};
    state.inForce = documented::kIdentity;
}

bool SaveMagnifierState(const MagnifierState& state) {
    char path[MAX_PATH];
    MagnifierStatePath(path);
    return WriteWhole(path, &state, sizeof state);
}

} // namespace e2e
