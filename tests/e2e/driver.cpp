// The end-to-end driver, run by tests/e2e/run inside a Wine virtual desktop:
//   driver.exe run PROGRAM SHELL ACK-FOLDER VERSION [SCENARIO]
// runs the scenarios against PROGRAM, with SHELL as the stand-in shell and
// VERSION (win95, win98, win7, win10) the Windows the prefix reports, and
// prints one PASS, FAIL or SKIP line per scenario and per screenshot,
// details indented above a failure, PIXELS lines asking the runner for the
// colours of a screenshot (it answers in ACK-FOLDER\NAME.ack), and finally
// "END passed failed".
//   driver.exe probe FILE
// writes this fresh process's system colours and wallpaper to FILE.
#include "tests/e2e/captions.h"
#include "tests/e2e/scenarios.h"

namespace e2e {

// Loads captions.dll into the program with a thread of the program's own
// that runs LoadLibraryA (kernel32 lies at the same address in every
// process of a session), then waits for what the library writes.
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

    const bool read = WaitUntil(
        10000, [&] { return ReadWhole(result, &measures, sizeof measures) == sizeof measures; });
    return Expect(read,
                  "expected captions.dll to write its measurements to %s within 10 s, seen "
                  "none",
                  result);
}

} // namespace e2e

extern "C" void DriverEntry() {
    using namespace e2e;
    char only[64] = "";
    if (!ReadCommandLine("[SCENARIO]")) ExitProcess(2);
    Argument(6, only, sizeof only);
    session.decoys = true;
    ExitProcess(static_cast<UINT>(RunScenarios(kScenarios, kScenarioCount, only)));
}
