// The boundary over the real Windows API: kernel32, user32, gdi32, advapi32,
// version.
#include "platform/platform.h"

#include <windows.h>

namespace platform {

namespace {

HWND W(Handle handle) { return reinterpret_cast<HWND>(handle); }

// The program's own module, where the linker put it: no GetModuleHandleA.
extern "C" IMAGE_DOS_HEADER __ImageBase;
HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
Handle H(const void* handle) { return reinterpret_cast<Handle>(handle); }

// Predefined registry keys as Windows' headers define them: sign-extended
// in a 64-bit handle.
static_assert(kHkeyCurrentUser == static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001)),
              "HKEY_CURRENT_USER as Windows' headers define it");

WindowProc mainProcedure = nullptr;
WindowProc subclassProcedure = nullptr;

LRESULT CALLBACK MainTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return mainProcedure(H(window), message, wParam, lParam);
}

LRESULT CALLBACK SubclassTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return subclassProcedure(H(window), message, wParam, lParam);
}

} // namespace

// user32 is in every process with a window already: LoadLibraryA finds the
// module loaded and loads nothing. Also used for functions that every Windows
// has, where an import takes more bytes of the full import section than the
// lookup takes of the code.
FarProc User32Function(const char* name) {
    return reinterpret_cast<FarProc>(::GetProcAddress(::LoadLibraryA("USER32"), name));
}

Handle FindWindowA(const char* className, const char* windowTitle) {
    return H(::FindWindowA(className, windowTitle));
}
Handle FindWindowExA(Handle parent, Handle childAfter, const char* className,
                     const char* windowTitle) {
    return H(::FindWindowExA(W(parent), W(childAfter), className, windowTitle));
}
Handle GetWindow(Handle window, int command) { return H(::GetWindow(W(window), command)); }
std::uint32_t GetWindowThreadProcessId(Handle window, std::uint32_t* processId) {
    // Without it no window counts as any thread's.
    using Function = DWORD(WINAPI*)(HWND, DWORD*);
    const auto function = reinterpret_cast<Function>(User32Function("GetWindowThreadProcessId"));
    return function == nullptr ? 0 : function(W(window), reinterpret_cast<DWORD*>(processId));
}
int IsWindowVisible(Handle window) { return ::IsWindowVisible(W(window)); }
int ShowWindow(Handle window, int showCommand) { return ::ShowWindow(W(window), showCommand); }
int SystemParametersInfoA(unsigned action, unsigned uiParam, void* pvParam, unsigned winIni) {
    return ::SystemParametersInfoA(action, uiParam, pvParam, winIni);
}
ColorRef GetSysColor(int element) { return ::GetSysColor(element); }
int SetSysColors(int count, const std::int32_t* elements, const ColorRef* values) {
    return ::SetSysColors(count, reinterpret_cast<const INT*>(elements),
                          reinterpret_cast<const COLORREF*>(values));
}
unsigned RegisterWindowMessageA(const char* name) {
    using Function = UINT(WINAPI*)(const char*);
    const auto function = reinterpret_cast<Function>(User32Function("RegisterWindowMessageA"));
    return function == nullptr ? 0 : function(name);
}

std::uint32_t GetTickCount() { return ::GetTickCount(); }

unsigned GetSystemDirectoryA(char* buffer, unsigned size) {
    return ::GetSystemDirectoryA(buffer, size);
}
Handle LoadLibraryA(const char* fileName) { return H(::LoadLibraryA(fileName)); }
FarProc GetProcAddress(Handle module, const char* procName) {
    return reinterpret_cast<FarProc>(::GetProcAddress(reinterpret_cast<HMODULE>(module), procName));
}

Status RegOpenKeyExA(Handle root, const char* subKey, std::uint32_t options, std::uint32_t access,
                     Handle* key) {
    HKEY opened = nullptr;
    const Status status =
        ::RegOpenKeyExA(reinterpret_cast<HKEY>(root), subKey, options, access, &opened);
    *key = H(opened);
    return status;
}
Status RegQueryValueExA(Handle key, const char* valueName, std::uint32_t* reserved,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    return ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName,
                              reinterpret_cast<DWORD*>(reserved), reinterpret_cast<DWORD*>(type),
                              data, reinterpret_cast<DWORD*>(size));
}
Status RegCloseKey(Handle key) { return ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

void* AllocateZeroed(std::size_t bytes) {
    return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}
void Free(void* block) {
    if (block != nullptr) ::HeapFree(::GetProcessHeap(), 0, block);
}

bool ReadOwnVersion(OwnVersion* version) {
    char path[MAX_PATH];
    if (::GetModuleFileNameA(nullptr, path, sizeof path) == 0) return false;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    void* block = AllocateZeroed(size);
    if (block == nullptr) return false;
    bool found = false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (::GetFileVersionInfoA(path, 0, size, block) &&
        ::VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length) &&
        length >= sizeof *fixed) {
        version->major = HIWORD(fixed->dwFileVersionMS);
        version->minor = LOWORD(fixed->dwFileVersionMS);
        version->build = HIWORD(fixed->dwFileVersionLS);
        version->revision = LOWORD(fixed->dwFileVersionLS);
        found = true;
        char* company = nullptr;
        version->companyName[0] = '\0';
        if (::VerQueryValueA(block, "\\StringFileInfo\\040904B0\\CompanyName",
                             reinterpret_cast<void**>(&company), &length)) {
            std::size_t i = 0;
            for (; i < length && i + 1 < sizeof version->companyName && company[i] != '\0'; ++i)
                version->companyName[i] = company[i];
            version->companyName[i] = '\0';
        }
    }
    Free(block);
    return found;
}

bool RegisterMainClass(const char* className, WindowProc procedure) {
    mainProcedure = procedure;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = MainTrampoline;
    windowClass.hInstance = Instance();
    windowClass.hIcon = ::LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    return ::RegisterClassA(&windowClass) != 0;
}

Handle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                       std::uint32_t style, int x, int y, int width, int height, Handle parent,
                       std::uintptr_t menuOrId) {
    return H(::CreateWindowExA(exStyle, className, title, style, x, y, width, height, W(parent),
                               reinterpret_cast<HMENU>(menuOrId), Instance(), nullptr));
}
int DestroyWindow(Handle window) { return ::DestroyWindow(W(window)); }
LResult DefWindowProcA(Handle window, unsigned message, WParam wParam, LParam lParam) {
    return ::DefWindowProcA(W(window), message, wParam, lParam);
}
LResult SendMessageA(Handle window, unsigned message, WParam wParam, LParam lParam) {
    return ::SendMessageA(W(window), message, wParam, lParam);
}
std::uintptr_t SetWindowLongA(Handle window, int index, WindowProc procedure) {
    subclassProcedure = procedure;
    return static_cast<std::uintptr_t>(
        ::SetWindowLongPtrA(W(window), index, reinterpret_cast<LONG_PTR>(SubclassTrampoline)));
}
LResult CallWindowProcA(std::uintptr_t procedure, Handle window, unsigned message, WParam wParam,
                        LParam lParam) {
    return ::CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), W(window), message, wParam,
                             lParam);
}
int AdjustWindowRectEx(Rect* rect, std::uint32_t style, int hasMenu, std::uint32_t exStyle) {
    return ::AdjustWindowRectEx(reinterpret_cast<RECT*>(rect), style, hasMenu, exStyle);
}
int GetWindowRect(Handle window, Rect* rect) {
    return ::GetWindowRect(W(window), reinterpret_cast<RECT*>(rect));
}
int SetWindowPos(Handle window, Handle insertAfter, int x, int y, int width, int height,
                 unsigned flags) {
    return ::SetWindowPos(W(window), W(insertAfter), x, y, width, height, flags);
}
int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }
Handle GetDC(Handle window) { return H(::GetDC(W(window))); }
int ReleaseDC(Handle window, Handle dc) {
    return ::ReleaseDC(W(window), reinterpret_cast<HDC>(dc));
}
int GetDeviceCaps(Handle dc, int index) {
    return ::GetDeviceCaps(reinterpret_cast<HDC>(dc), index);
}
Handle CreateFontA(int height, int width, int escapement, int orientation, int weight,
                   std::uint32_t italic, std::uint32_t underline, std::uint32_t strikeOut,
                   std::uint32_t charSet, std::uint32_t outPrecision, std::uint32_t clipPrecision,
                   std::uint32_t quality, std::uint32_t pitchAndFamily, const char* faceName) {
    return H(::CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                           strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily,
                           faceName));
}
Handle CreateMenu() { return H(::CreateMenu()); }
Handle CreatePopupMenu() { return H(::CreatePopupMenu()); }
int AppendMenuA(Handle menu, unsigned flags, std::uintptr_t idOrPopup, const char* text) {
    return ::AppendMenuA(reinterpret_cast<HMENU>(menu), flags, idOrPopup, text);
}
int SetMenu(Handle window, Handle menu) {
    return ::SetMenu(W(window), reinterpret_cast<HMENU>(menu));
}
ColorRef SetTextColor(Handle dc, ColorRef color) {
    return ::SetTextColor(reinterpret_cast<HDC>(dc), color);
}
ColorRef SetBkColor(Handle dc, ColorRef color) {
    return ::SetBkColor(reinterpret_cast<HDC>(dc), color);
}
Handle GetSysColorBrush(int element) { return H(::GetSysColorBrush(element)); }
Handle SetFocus(Handle window) { return H(::SetFocus(W(window))); }
short GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }
int MessageBoxA(Handle owner, const char* text, const char* caption, unsigned style) {
    return ::MessageBoxA(W(owner), text, caption, style);
}
void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

// --- Mouse pointers ---
static_assert(sizeof(IconInfo) == sizeof(ICONINFO) &&
                  offsetof(IconInfo, hbmMask) == offsetof(ICONINFO, hbmMask),
              "ICONINFO as Windows lays it out");
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER),
              "BITMAPINFOHEADER as Windows lays it out");
Handle LoadCursorA(Handle instance, const char* name) {
    return H(::LoadCursorA(reinterpret_cast<HINSTANCE>(instance), name));
}
int GetIconInfo(Handle icon, IconInfo* info) {
    return ::GetIconInfo(reinterpret_cast<HICON>(icon), reinterpret_cast<ICONINFO*>(info));
}
Handle CreateIconIndirect(IconInfo* info) {
    return H(::CreateIconIndirect(reinterpret_cast<ICONINFO*>(info)));
}
int DestroyCursor(Handle cursor) { return ::DestroyCursor(reinterpret_cast<HCURSOR>(cursor)); }
int GetDIBits(Handle dc, Handle bitmap, unsigned start, unsigned lines, void* bits,
              BitmapInfoHeader* info, unsigned usage) {
    return ::GetDIBits(reinterpret_cast<HDC>(dc), reinterpret_cast<HBITMAP>(bitmap), start, lines,
                       bits, reinterpret_cast<BITMAPINFO*>(info), usage);
}
int SetDIBits(Handle dc, Handle bitmap, unsigned start, unsigned lines, const void* bits,
              const BitmapInfoHeader* info, unsigned usage) {
    return ::SetDIBits(reinterpret_cast<HDC>(dc), reinterpret_cast<HBITMAP>(bitmap), start, lines,
                       bits, reinterpret_cast<const BITMAPINFO*>(info), usage);
}
Handle CreateBitmap(int width, int height, unsigned planes, unsigned bitCount, const void* bits) {
    return H(::CreateBitmap(width, height, planes, bitCount, bits));
}
int DeleteObject(Handle object) { return ::DeleteObject(reinterpret_cast<HGDIOBJ>(object)); }

int RunMessageLoop(bool (*preTranslate)(const Message& message)) {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        const Message offered{H(msg.hwnd), msg.message, msg.wParam, msg.lParam};
        if (preTranslate != nullptr && preTranslate(offered)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace platform
