// The driver's side of the caption measurement: loads captions.dll into the
// program with a thread of the program's own that runs LoadLibraryA (kernel32
// lies at the same address in every process of a session), then waits for
// what the library writes.
#include "tests/e2e/captions.h"

namespace e2e {

bool MeasureCaptions(const Program& program, CaptionMeasures& measures) {
    char library[MAX_PATH], result[MAX_PATH];
    Copy(library, session.driver, MAX_PATH);
    for (int i = lstrlenA(library); i > 0 && library[i - 1] != '\\'; --i)
        library[i - 1] = '\0';
    Append(library, "captions.dll", MAX_PATH);
    Copy(result, library, MAX_PATH);
    Append(result, ".txt", MAX_PATH);
    DeleteFileA(result);

    const HANDLE process = program.process.hProcess;
    const SIZE_T size = static_cast<SIZE_T>(lstrlenA(library)) + 1;
    void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = nullptr;
    if (remote != nullptr && WriteProcessMemory(process, remote, library, size, nullptr))
        thread = CreateRemoteThread(process, nullptr, 0, loadLibrary, remote, 0, nullptr);
    if (!Expect(thread != nullptr,
                "expected a thread in the program to load %s, seen none (error %lu)", library,
                GetLastError()))
        return false;
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);

    bool read = false;
    WaitUntil(10000, [&] {
        HANDLE file = CreateFileA(result, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        read = ReadFile(file, &measures, sizeof measures, &got, nullptr) && got == sizeof measures;
        CloseHandle(file);
        return true;
    });
    return Expect(read,
                  "expected captions.dll to write its measurements to %s within 10 s, seen "
                  "none",
                  result);
}

} // namespace e2e
