// Everything Dusklens asks of Windows goes through these functions.
//
// They keep the names, argument order and codes of the Win32 calls they stand
// for (ANSI variants), so the portable code reads like ordinary Win32 code.
// platform/win32/ forwards them to kernel32, user32, gdi32, advapi32 and
// version; platform/sim/ is a simulated desktop that records every call for
// the tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using Handle = std::uintptr_t; // HWND, HMENU, HDC, HBRUSH, HKEY, HGDIOBJ
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using ColorRef = std::uint32_t; // 0x00BBGGRR
using Status = std::int32_t;    // LONG status of the registry calls

// The window procedure of the program's one window class. platform/win32/
// wraps it in a __stdcall trampoline, so portable code needs no calling
// convention of its own.
using WindowProc = LResult (*)(Handle window, unsigned message, WParam wParam, LParam lParam);

struct Rect {
    std::int32_t left, top, right, bottom;
};

// The calling convention of Windows' own functions, for those that the
// program looks up in a library with GetProcAddress.
#if defined(_WIN32) && !defined(_WIN64)
#define PLATFORM_WINAPI __stdcall
#else
#define PLATFORM_WINAPI
#endif

// MAGCOLOREFFECT of Magnification.dll: the output colour is the row
// [r g b a 1] times this matrix (rows are inputs, columns outputs).
struct MagColorEffect {
    float transform[5][5];
};
// What GetProcAddress answers: cast to the function's own type to call it.
using FarProc = void (*)();
using MagInitializeProc = int(PLATFORM_WINAPI*)();      // MagInitialize, MagUninitialize
using SetProcessDpiAwareProc = int(PLATFORM_WINAPI*)(); // user32's, Vista and later
using MagGetColorEffectProc = int(PLATFORM_WINAPI*)(MagColorEffect*);
using MagSetColorEffectProc = int(PLATFORM_WINAPI*)(const MagColorEffect*);
// WINEVENTPROC, and the functions of user32 and wtsapi32 that watch the
// desktop (98 and XP and later) or let a message through to a program run
// as administrator (Vista and later).
using WinEventProc = void(PLATFORM_WINAPI*)(Handle hook, std::uint32_t event, Handle window,
                                            std::int32_t object, std::int32_t child,
                                            std::uint32_t thread, std::uint32_t time);
using SetWinEventHookProc = Handle(PLATFORM_WINAPI*)(std::uint32_t eventMin, std::uint32_t eventMax,
                                                     Handle module, WinEventProc procedure,
                                                     std::uint32_t process, std::uint32_t thread,
                                                     std::uint32_t flags);
using UnhookWinEventProc = int(PLATFORM_WINAPI*)(Handle hook);
using ChangeWindowMessageFilterExProc = int(PLATFORM_WINAPI*)(Handle window, unsigned message,
                                                              std::uint32_t action, void* status);
using ChangeWindowMessageFilterProc = int(PLATFORM_WINAPI*)(unsigned message, std::uint32_t action);
using WtsRegisterProc = int(PLATFORM_WINAPI*)(Handle window, std::uint32_t flags);
using WtsUnregisterProc = int(PLATFORM_WINAPI*)(Handle window);

// Codes of the Win32 API that the program uses.
constexpr int kGwChild = 5;
constexpr int kSwHide = 0;
constexpr int kSwShow = 5;
constexpr unsigned kSpiSetDeskWallpaper = 20;
constexpr unsigned kSpifSendWinIniChange = 2;
constexpr int kColorMenuText = 7;
constexpr int kColorBtnFace = 15;
// As Windows' headers define it, (HKEY)(ULONG_PTR)((LONG)0x80000001): the
// 32-bit value sign-extended, so 0xFFFFFFFF80000001 in a 64-bit handle.
constexpr Handle kHkeyCurrentUser = static_cast<Handle>(std::intptr_t{-0x7FFFFFFF});
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;
constexpr int kIdYes = 6;
constexpr unsigned kMbYesNo = 0x04;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kSmCxScreen = 0;
constexpr int kLogPixelsX = 88;
constexpr int kLogPixelsY = 90;
constexpr int kGwlWndProc = -4;

constexpr unsigned kWmCreate = 0x0001;
constexpr unsigned kWmDestroy = 0x0002;
constexpr unsigned kWmSetFocus = 0x0007;
constexpr unsigned kWmKillFocus = 0x0008;
constexpr unsigned kWmClose = 0x0010;
constexpr unsigned kWmSysColorChange = 0x0015;
constexpr unsigned kWmEndSession = 0x0016;
constexpr unsigned kWmSettingChange = 0x001A;
constexpr unsigned kWmSetFont = 0x0030;
constexpr unsigned kWmDisplayChange = 0x007E;
constexpr unsigned kWmKeyDown = 0x0100;
constexpr unsigned kWmCommand = 0x0111;
constexpr unsigned kWmChangeUiState = 0x0127;
constexpr unsigned kWmCtlColorStatic = 0x0138;
constexpr unsigned kWmPowerBroadcast = 0x0218;
constexpr unsigned kWmWtsSessionChange = 0x02B1;
constexpr unsigned kWtsSessionUnlock = 0x8;
constexpr unsigned kPbtApmResumeSuspend = 0x7;
constexpr unsigned kPbtApmResumeAutomatic = 0x12;
constexpr std::uint32_t kEventObjectShow = 0x8002;
constexpr std::int32_t kObjidWindow = 0;
constexpr std::uint32_t kWineventOutOfContext = 0x0000;
constexpr std::uint32_t kMsgfltAllow = 1; // ChangeWindowMessageFilterEx
constexpr std::uint32_t kMsgfltAdd = 1;   // ChangeWindowMessageFilter
constexpr std::uint32_t kNotifyForThisSession = 0;
constexpr unsigned kUisClear = 2;
constexpr unsigned kUisfHideFocus = 0x1;
constexpr unsigned kBmGetCheck = 0x00F0;
constexpr unsigned kBmSetCheck = 0x00F1;
constexpr int kBstChecked = 1;
constexpr int kBstUnchecked = 0;
constexpr unsigned kBnClicked = 0;
constexpr int kVkTab = 0x09;
constexpr int kVkShift = 0x10;

constexpr std::uint32_t kWsOverlapped = 0x00000000;
constexpr std::uint32_t kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsSysMenu = 0x00080000;
constexpr std::uint32_t kWsMinimizeBox = 0x00020000;
constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsClipSiblings = 0x04000000;
constexpr std::uint32_t kWsClipChildren = 0x02000000;
constexpr std::uint32_t kWsTabStop = 0x00010000;
constexpr std::uint32_t kBsAutoCheckBox = 0x00000003;
constexpr unsigned kMfString = 0x0000;
constexpr unsigned kMfPopup = 0x0010;
constexpr unsigned kMfSeparator = 0x0800;
constexpr unsigned kSwpNoSize = 0x0001;
constexpr unsigned kSwpNoZOrder = 0x0004;
constexpr unsigned kSwpNoActivate = 0x0010;

// --- Desktop: shell windows, system colours, wallpaper (user32) ---
Handle FindWindowA(const char* className, const char* windowTitle);
// With `parent` 0, the top-level windows; a null class or title matches any.
Handle FindWindowExA(Handle parent, Handle childAfter, const char* className,
                     const char* windowTitle);
Handle GetWindow(Handle window, int command);
// The thread that made the window, or 0 when there is no such window.
std::uint32_t GetWindowThreadProcessId(Handle window, std::uint32_t* processId);
int IsWindowVisible(Handle window);
int ShowWindow(Handle window, int showCommand);
int SystemParametersInfoA(unsigned action, unsigned uiParam, void* pvParam, unsigned winIni);
ColorRef GetSysColor(int element);
int SetSysColors(int count, const std::int32_t* elements, const ColorRef* values);
// The number of a message that every program asks for by name, or 0.
unsigned RegisterWindowMessageA(const char* name);

// A function of user32 that not every Windows has, looked up by name; nullptr
// where it is missing. Cast to the function's own type to call it.
FarProc User32Function(const char* name);

// --- Time (kernel32): milliseconds since Windows started, wrapping ---
std::uint32_t GetTickCount();

// --- Libraries (kernel32) ---
// The system directory's path and its length, or the size it needs with its
// NUL when `size` is too small, or 0.
unsigned GetSystemDirectoryA(char* buffer, unsigned size);
Handle LoadLibraryA(const char* fileName);
FarProc GetProcAddress(Handle module, const char* procName);

// --- Registry (advapi32) ---
Status RegOpenKeyExA(Handle root, const char* subKey, std::uint32_t options, std::uint32_t access,
                     Handle* key);
Status RegQueryValueExA(Handle key, const char* valueName, std::uint32_t* reserved,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* size);
Status RegCloseKey(Handle key);

// --- Memory (process heap); AllocateZeroed answers nullptr when none is left ---
void* AllocateZeroed(std::size_t bytes);
void Free(void* block);

// --- The program's own version information (version.dll) ---
struct OwnVersion {
    std::uint16_t major, minor, build, revision; // numeric file version
    char companyName[128];                       // "CompanyName", NUL-terminated
};
bool ReadOwnVersion(OwnVersion* version);

// --- Window toolkit (user32, gdi32) ---
bool RegisterMainClass(const char* className, WindowProc procedure);
Handle CreateWindowExA(std::uint32_t exStyle, const char* className, const char* title,
                       std::uint32_t style, int x, int y, int width, int height, Handle parent,
                       std::uintptr_t menuOrId);
int DestroyWindow(Handle window);
LResult DefWindowProcA(Handle window, unsigned message, WParam wParam, LParam lParam);
LResult SendMessageA(Handle window, unsigned message, WParam wParam, LParam lParam);
// SetWindowLongA(window, GWL_WNDPROC, procedure), the only index supported:
// subclasses a control with `procedure` (one such procedure per program,
// wrapped in a __stdcall trampoline like the main one) and answers the
// control's own procedure, for CallWindowProcA.
std::uintptr_t SetWindowLongA(Handle window, int index, WindowProc procedure);
LResult CallWindowProcA(std::uintptr_t procedure, Handle window, unsigned message, WParam wParam,
                        LParam lParam);
int AdjustWindowRectEx(Rect* rect, std::uint32_t style, int hasMenu, std::uint32_t exStyle);
int GetWindowRect(Handle window, Rect* rect);
int SetWindowPos(Handle window, Handle insertAfter, int x, int y, int width, int height,
                 unsigned flags);
int GetSystemMetrics(int index);
Handle GetDC(Handle window);
int ReleaseDC(Handle window, Handle dc);
int GetDeviceCaps(Handle dc, int index);
Handle CreateFontA(int height, int width, int escapement, int orientation, int weight,
                   std::uint32_t italic, std::uint32_t underline, std::uint32_t strikeOut,
                   std::uint32_t charSet, std::uint32_t outPrecision, std::uint32_t clipPrecision,
                   std::uint32_t quality, std::uint32_t pitchAndFamily, const char* faceName);
Handle CreateMenu();
Handle CreatePopupMenu();
int AppendMenuA(Handle menu, unsigned flags, std::uintptr_t idOrPopup, const char* text);
int SetMenu(Handle window, Handle menu);
ColorRef SetTextColor(Handle dc, ColorRef color);
ColorRef SetBkColor(Handle dc, ColorRef color);
Handle GetSysColorBrush(int element);
Handle SetFocus(Handle window);
short GetKeyState(int virtualKey);
int MessageBoxA(Handle owner, const char* text, const char* caption, unsigned style);
void PostQuitMessage(int exitCode);

// --- Mouse pointers (user32, gdi32) ---
// ICONINFO and BITMAPINFOHEADER, laid out as Windows' own on 32 and 64 bits.
struct IconInfo {
    std::int32_t fIcon;
    std::uint32_t xHotspot, yHotspot;
    Handle hbmMask, hbmColor;
};
struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth, biHeight;
    std::uint16_t biPlanes, biBitCount;
    std::uint32_t biCompression, biSizeImage;
    std::int32_t biXPelsPerMeter, biYPelsPerMeter;
    std::uint32_t biClrUsed, biClrImportant;
};
// user32's, looked up: Windows 95 may lack it.
using SetSystemCursorProc = int(PLATFORM_WINAPI*)(Handle cursor, std::uint32_t id);
constexpr unsigned kSpiSetCursors = 0x0057;
constexpr unsigned kDibRgbColors = 0;
// `name` is a resource number as MAKEINTRESOURCEA gives it.
Handle LoadCursorA(Handle instance, const char* name);
int GetIconInfo(Handle icon, IconInfo* info);
Handle CreateIconIndirect(IconInfo* info);
int DestroyCursor(Handle cursor);
// With `bits` null and biBitCount 0, fills in the bitmap's size and format.
int GetDIBits(Handle dc, Handle bitmap, unsigned start, unsigned lines, void* bits,
              BitmapInfoHeader* info, unsigned usage);
int SetDIBits(Handle dc, Handle bitmap, unsigned start, unsigned lines, const void* bits,
              const BitmapInfoHeader* info, unsigned usage);
Handle CreateBitmap(int width, int height, unsigned planes, unsigned bitCount, const void* bits);
int DeleteObject(Handle object);

// Runs the event loop until PostQuitMessage. Before a message is dispatched
// it is offered to preTranslate, which may consume it by answering true.
struct Message {
    Handle window;
    unsigned message;
    WParam wParam;
    LParam lParam;
};
int RunMessageLoop(bool (*preTranslate)(const Message& message));

} // namespace platform
