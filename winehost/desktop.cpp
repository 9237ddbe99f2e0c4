#include "winehost/harness.h"

#include <cstdarg>

namespace e2e {

Session session;

const Scheme kStartPalette = {"start-up colours",
                              {0xA09080, 0x604020, 0x803010, 0x706050, 0xD0C8B0, 0xF0E8E0,
                               0x202010, 0x501010, 0x101030, 0xF0F0E0, 0xB0A898, 0xA89888,
                               0x706860, 0xA06020, 0xFAFAF0, 0xC8D8B8, 0x687858, 0x707868,
                               0x201808, 0xD0D0C0, 0xF0F8E8, 0x303828, 0xD8E8C8, 0x102040,
                               0xD0F0F8, 0xA0B0C0, 0xC07020, 0xC08040, 0xA09888}};

const Scheme kNightScheme = {"night colours",
                             {0x000040, 0x000000, 0x000040, 0x000000, 0x000080, 0x000080,
                              0x000000, 0x0000FF, 0x0000FF, 0x0000FF, 0x000080, 0x000040,
                              0x000000, 0x000080, 0x0000C0, 0x000080, 0x000000, 0x808080,
                              0x000000, 0x000080, 0x0000FF, 0x000000, 0x000000, 0x0000FF,
                              0x000080, 0x000080, 0x000080, 0x000040, 0x000000}};

const Scheme kDefaultScheme = {"default colours",
                               {0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF,
                                0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0,
                                0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080,
                                0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xDFDFDF, 0x000000,
                                0xE1FFFF, 0xB5B5B5, 0xFF0000, 0x800000, 0x808080}};

namespace {

struct ProbeResult {
    COLORREF color[kElements];
    char wallpaper[MAX_PATH];
};

// The probe's exit code: 0, or what failed and its error code.
constexpr DWORD kProbeCreateFailed = 0x10000;
constexpr DWORD kProbeWriteFailed = 0x20000;

PROCESS_INFORMATION shellProcess;

void Close(PROCESS_INFORMATION& process) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = {};
}

bool Running(const PROCESS_INFORMATION& process) {
    return process.hProcess != nullptr && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

HWND ProgmanOf(DWORD processId) {
    HWND progman = FindWindowA("Progman", "Program Manager");
    DWORD owner = 0;
    GetWindowThreadProcessId(progman, &owner);
    return owner == processId ? progman : nullptr;
}

void AppendValues(HKEY root, const char* path, char* text, int size) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Append(text, path, size);
        Append(text, " missing;", size);
        return;
    }
    for (DWORD i = 0;; ++i) {
        char name[256], data[512];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS)
            break;
        data[dataSize] = '\0';
        char entry[800];
        wsprintfA(entry, "%s=%s;", name, data);
        Append(text, entry, size);
    }
    RegCloseKey(key);
}

// Prints why the probe failed, naming its step (start, time-out or result),
// above the failed check of the caller, which knows when it looked.
bool ProbeFailed(const char* step, const char* format, ...) {
    char text[800];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    Line("  probe, step %s: %s", step, text);
    return false;
}

} // namespace

HWND Taskbar() { return FindWindowA("Shell_TrayWnd", ""); }

HWND IconView() { return GetWindow(FindWindowA("Progman", "Program Manager"), GW_CHILD); }

int RunProbe(const char* resultFile) {
    ProbeResult result = {};
    for (int i = 0; i < kElements; ++i)
        result.color[i] = GetSysColor(i);
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, result.wallpaper, 0);
    HANDLE file = CreateFileA(resultFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return static_cast<int>(kProbeCreateFailed | (GetLastError() & 0xFFFF));
    DWORD written = 0, error = 0;
    if (!WriteFile(file, &result, sizeof result, &written, nullptr))
        error = GetLastError();
    else if (written != sizeof result)
        error = ERROR_HANDLE_DISK_FULL; // written in part
    CloseHandle(file);
    return error == 0 ? 0 : static_cast<int>(kProbeWriteFailed | (error & 0xFFFF));
}

bool ReadDesktop(DesktopState& state) {
    DeleteFileA(session.probe);
    char arguments[MAX_PATH + 16];
    wsprintfA(arguments, "probe \"%s\"", session.probe);
    PROCESS_INFORMATION probe;
    if (!StartProcess(session.driver, arguments, probe))
        return ProbeFailed("start", "expected %s to start, seen error %lu", session.driver,
                           GetLastError());
    // A probe ends within a tenth of a second, on a busy machine too; the
    // limit only keeps a hung one from holding up the run.
    const bool ended = WaitForSingleObject(probe.hProcess, 15000) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(probe.hProcess, &code);
    if (!ended) {
        TerminateProcess(probe.hProcess, 1);
        WaitForSingleObject(probe.hProcess, 5000); // it may still hold the result file
    }
    Close(probe);
    if (!ended)
        return ProbeFailed("time-out",
                           "expected the probe to end within 15 s, seen it still running");
    if (code != 0) {
        const DWORD failed = code & ~0xFFFFul;
        if (failed == kProbeCreateFailed || failed == kProbeWriteFailed)
            return ProbeFailed("result", "expected the probe to %s %s, seen error %lu",
                               failed == kProbeCreateFailed ? "create" : "write", session.probe,
                               code & 0xFFFF);
        return ProbeFailed("result", "expected the probe to end with exit code 0, seen 0x%lX",
                           code);
    }

    ProbeResult result;
    DWORD read = 0;
    HANDLE file = CreateFileA(session.probe, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ProbeFailed("result", "expected to open %s, seen error %lu", session.probe,
                           GetLastError());
    const bool whole =
        ReadFile(file, &result, sizeof result, &read, nullptr) != 0 && read == sizeof result;
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!whole)
        return ProbeFailed("result", "expected %u bytes in %s, seen %lu (error %lu)",
                           static_cast<unsigned>(sizeof result), session.probe, read, error);
    for (int i = 0; i < kElements; ++i)
        state.color[i] = result.color[i];
    Copy(state.wallpaper, result.wallpaper, MAX_PATH);
    state.taskbar = IsWindowVisible(Taskbar()) != 0;
    state.iconsExist = IconView() != nullptr;
    state.icons = IsWindowVisible(IconView()) != 0;
    return true;
}

void SetColors(const Scheme& scheme) {
    INT elements[kElements];
    for (int i = 0; i < kElements; ++i)
        elements[i] = i;
    SetSysColors(kElements, elements, scheme.color);
}

void SetWallpaper(const char* path) {
    char copy[MAX_PATH];
    Copy(copy, path, MAX_PATH);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, copy, SPIF_SENDWININICHANGE);
}

void ShowTaskbar(bool show) { ShowWindow(Taskbar(), show ? SW_SHOW : SW_HIDE); }

void ShowIcons(bool show) { ShowWindow(IconView(), show ? SW_SHOW : SW_HIDE); }

bool ShellRunning() { return Running(shellProcess); }

bool StartShell(bool iconsVisible) {
    if (ShellRunning()) StopShell();
    if (!StartProcess(session.shell, iconsVisible ? "" : "hidden", shellProcess)) return false;
    const DWORD id = shellProcess.dwProcessId;
    return WaitUntil(10000, [id] { return IsWindowVisible(ProgmanOf(id)) != 0; });
}

void StopShell() {
    if (shellProcess.hProcess == nullptr) return;
    PostMessageA(ProgmanOf(shellProcess.dwProcessId), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(shellProcess.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(shellProcess.hProcess, 1);
    WaitForSingleObject(shellProcess.hProcess, 5000);
    Close(shellProcess);
}

void ReadStoredSettings(char* text, int size) {
    text[0] = '\0';
    AppendValues(HKEY_CURRENT_USER, "Control Panel\\Colors", text, size);
    char wallpaper[MAX_PATH + 16] = "Wallpaper=";
    HKEY key;
    DWORD length = MAX_PATH, type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        RegQueryValueExA(key, "Wallpaper", nullptr, &type, reinterpret_cast<BYTE*>(wallpaper + 10),
                         &length);
        RegCloseKey(key);
    }
    Append(text, wallpaper, size);
}

bool StoreWallpaperSetting(const char* path) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(key, "Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                                   static_cast<DWORD>(lstrlenA(path) + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

} // namespace e2e
