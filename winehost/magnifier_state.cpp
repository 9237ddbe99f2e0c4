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
    DWORD read = 0;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        if (!ReadFile(file, &state, sizeof state, &read, nullptr)) read = 0;
        CloseHandle(file);
    }
    if (read == sizeof state) return;
    state = {};
    state.inForce = documented::kIdentity;
}

bool SaveMagnifierState(const MagnifierState& state) {
    char path[MAX_PATH];
    MagnifierStatePath(path);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, &state, sizeof state, &written, nullptr) != 0 && written == sizeof state;
    CloseHandle(file);
    return ok;
}

} // namespace e2e
