#include "ui/DLform.h"

#include "app/lifecycle.h"
#include "desktop/colors.h"
#include "desktop/library.h"
#include "desktop/shell.h"
#include "ui/about.h"

namespace DLform {

namespace {

struct BoxLayout {
    Id id;
    const char* caption;
    int left, top, width, height; // twips, relative to the client area
};

// In creation order, which is also stacking order: a box created earlier
// lies on top, so where neighbours overlap the box further right covers its
// left neighbour and takes the click.
constexpr BoxLayout kBoxes[] = {
    {kTaskbarChk, "Taskbar", 2160, 0, 1215, 312},
    {kDesktopChk, "Desktop", 1200, 0, 1215, 312},
    {kDuskcolorsChk, "Dusk Colors", 120, 0, 1215, 312},
};

// Tab order, set apart from the stacking above.
constexpr Id kTabOrder[] = {kDuskcolorsChk, kDesktopChk, kTaskbarChk};

constexpr int kClientWidthTwips = 3360;
constexpr int kClientHeightTwips = 315;

// The captions' font: Arial, which every Windows since 3.1 has and Wine
// matches by metrics, at 7.5 pt rounded down to whole pixels. The Desktop
// box covers the right end of the Dusk Colors box, so "Dusk Colors" has
// 56 pixels past its check mark at 96 dpi: MS Sans Serif 8 pt, the 95/98
// dialog font, needs 57 there, and the default GUI font under Wine more.
constexpr char kCaptionFace[] = "Arial";
constexpr int kCaptionFontTwips = 150;

constexpr std::uint32_t kWindowStyle = platform::kWsOverlapped | platform::kWsCaption |
                                       platform::kWsSysMenu | platform::kWsMinimizeBox |
                                       platform::kWsClipChildren;
constexpr std::uint32_t kBoxStyle = platform::kWsChild | platform::kWsVisible |
                                    platform::kWsClipSiblings | platform::kWsTabStop |
                                    platform::kBsAutoCheckBox;

platform::Handle mainWindow = 0;
platform::Handle boxWindows[3] = {0, 0, 0};
// The message a shell sends every top-level window when it has made a new
// taskbar, after a restart; 0 until the window is made, and where the name
// could not be registered.
unsigned taskbarCreated = 0;
// The watch on windows being shown, where Windows has one (98, NT 4 SP6 and
// later), and where Windows tells of unlocking (XP and later), the function
// that ends that.
platform::Handle showHook = 0;
platform::WtsUnregisterProc wtsUnregister = nullptr;
// When the program last put its own back after a broadcast; see Foreign.
std::uint32_t reactedAt = 0;
bool reacted = false;

// A box shows its focus only when the Tab key brought it there. The focus
// rectangle is drawn by inverting the pixels under it, and on the night
// scheme's dark red that gives bright cyan, the brightest thing in the
// window; Windows 95 and 98 draw it after every mouse click. A box that
// took the focus otherwise never hears of it, so it neither draws the
// rectangle nor inverts one back into view when the focus leaves.
std::uintptr_t buttonProcedure = 0;
bool tabbing = false;            // PreTranslate is moving the focus
platform::Handle focusShown = 0; // the box whose focus rectangle is drawn

struct Resolution {
    int x, y;
};

Resolution ScreenResolution() {
    const platform::Handle screen = platform::GetDC(0);
    Resolution dpi{platform::GetDeviceCaps(screen, platform::kLogPixelsX),
                   platform::GetDeviceCaps(screen, platform::kLogPixelsY)};
    platform::ReleaseDC(0, screen);
    if (dpi.x <= 0) dpi.x = 96;
    if (dpi.y <= 0) dpi.y = 96;
    return dpi;
}

platform::Handle Box(Id id) {
    for (int i = 0; i < 3; ++i)
        if (kBoxes[i].id == id) return boxWindows[i];
    return 0;
}

platform::LResult BoxProcedure(platform::Handle box, unsigned message, platform::WParam wParam,
                               platform::LParam lParam) {
    if (message == platform::kWmSetFocus) {
        if (!tabbing) return 0;
        focusShown = box;
    } else if (message == platform::kWmKillFocus) {
        if (box != focusShown) return 0;
        focusShown = 0;
    }
    return platform::CallWindowProcA(buttonProcedure, box, message, wParam, lParam);
}

void CreateControls(platform::Handle window) {
    const Resolution dpi = ScreenResolution();
    // The font lives as long as the process, which frees it.
    const platform::Handle font = platform::CreateFontA(-(kCaptionFontTwips * dpi.y / 1440), 0, 0,
                                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kCaptionFace);
    for (int i = 0; i < 3; ++i) {
        const BoxLayout& box = kBoxes[i];
        boxWindows[i] = platform::CreateWindowExA(
            0, "Button", box.caption, kBoxStyle, TwipsToPixels(box.left, dpi.x),
            TwipsToPixels(box.top, dpi.y), TwipsToPixels(box.width, dpi.x),
            TwipsToPixels(box.height, dpi.y), window, box.id);
        platform::SendMessageA(boxWindows[i], platform::kWmSetFont, font, 0);
        buttonProcedure =
            platform::SetWindowLongA(boxWindows[i], platform::kGwlWndProc, BoxProcedure);
    }

    const platform::Handle menuBar = platform::CreateMenu();
    const platform::Handle helpMenu = platform::CreatePopupMenu();
    platform::AppendMenuA(menuBar, platform::kMfString, kMnExit, "&Exit");
    platform::AppendMenuA(menuBar, platform::kMfPopup, helpMenu, "&Help");
    platform::AppendMenuA(helpMenu, platform::kMfString, kMnAbout, "About Dusklens");
    platform::AppendMenuA(helpMenu, platform::kMfSeparator, 0, nullptr);
    platform::AppendMenuA(helpMenu, platform::kMfString, kMnRestore, "Restore Default Colors");
    platform::SetMenu(window, menuBar);
}

// Menu commands and box clicks both arrive with notification code 0
// (BN_CLICKED); any other notification is not a click.
void OnCommand(platform::WParam wParam) {
    if (((wParam >> 16) & 0xFFFF) != platform::kBnClicked) return;
    switch (wParam & 0xFFFF) {
    case kDuskcolorsChk: duskcolorsChk_Click(); break;
    case kDesktopChk: desktopChk_Click(); break;
    case kTaskbarChk: taskbarChk_Click(); break;
    case kMnExit: mnExit_Click(); break;
    case kMnAbout: mnAbout_Click(); break;
    case kMnRestore: mnRestore_Click(); break;
    default: break;
    }
}

// Captions in the menu-text colour on the button face, looked up at every
// repaint so they follow each scheme switch. The system brush is shared and
// never freed.
platform::LResult OnCtlColorStatic(platform::Handle dc) {
    platform::SetTextColor(dc, platform::GetSysColor(platform::kColorMenuText));
    platform::SetBkColor(dc, platform::GetSysColor(platform::kColorBtnFace));
    return static_cast<platform::LResult>(platform::GetSysColorBrush(platform::kColorBtnFace));
}

// EVENT_OBJECT_SHOW, out of context: Windows calls it from this thread's
// message loop, for windows of every program, without loading anything
// into them.
void PLATFORM_WINAPI OnWinEvent(platform::Handle, std::uint32_t, platform::Handle window,
                                std::int32_t object, std::int32_t, std::uint32_t, std::uint32_t) {
    if (object == platform::kObjidWindow) Form_WindowShown(window);
}

// Asks Windows for what it tells of the night's events.
void Watch(platform::Handle window) {
    taskbarCreated = platform::RegisterWindowMessageA("TaskbarCreated");
    // A program run as administrator hears "TaskbarCreated" from the shell,
    // which runs with less, only when it lets the message through: to this
    // window on 7 and later, to the whole process on Vista.
    const auto allowHere = reinterpret_cast<platform::ChangeWindowMessageFilterExProc>(
        platform::User32Function("ChangeWindowMessageFilterEx"));
    const auto allow = reinterpret_cast<platform::ChangeWindowMessageFilterProc>(
        platform::User32Function("ChangeWindowMessageFilter"));
    if (allowHere != nullptr)
        allowHere(window, taskbarCreated, platform::kMsgfltAllow, nullptr);
    else if (allow != nullptr)
        allow(taskbarCreated, platform::kMsgfltAdd);
    const auto setHook = reinterpret_cast<platform::SetWinEventHookProc>(
        platform::User32Function("SetWinEventHook"));
    if (setHook != nullptr)
        showHook = setHook(platform::kEventObjectShow, platform::kEventObjectShow, 0, OnWinEvent, 0,
                           0, platform::kWineventOutOfContext);
    const platform::Handle wts = DLmodule::LoadSystemLibrary("\\wtsapi32.dll");
    const auto wtsRegister = reinterpret_cast<platform::WtsRegisterProc>(
        DLmodule::Lookup(wts, "WTSRegisterSessionNotification"));
    if (wtsRegister != nullptr && wtsRegister(window, platform::kNotifyForThisSession) != 0)
        wtsUnregister = reinterpret_cast<platform::WtsUnregisterProc>(
            DLmodule::Lookup(wts, "WTSUnRegisterSessionNotification"));
}

void StopWatching(platform::Handle window) {
    const auto unhook =
        reinterpret_cast<platform::UnhookWinEventProc>(platform::User32Function("UnhookWinEvent"));
    if (showHook != 0 && unhook != nullptr) unhook(showHook);
    showHook = 0;
    if (wtsUnregister != nullptr) wtsUnregister(window);
    wtsUnregister = nullptr;
}

// Whether a broadcast of a changed setting is another program's doing, to
// be answered: not while the program's own change is being broadcast, and
// not within a second of its last answer. Another copy of the program
// answers the answer, and each answer is broadcast again: under Wine the
// changed setting cannot be read back to tell, but two copies that each
// keep quiet for a moment after answering stop after a few.
bool Foreign() {
    const std::uint32_t now = platform::GetTickCount();
    if (DLmodule::changingDesktop || (reacted && now - reactedAt < 1000)) return false;
    reacted = true;
    reactedAt = now;
    return true;
}

// What an unticked box hides is hidden again.
void HideUnticked() {
    if (!IsChecked(kDesktopChk)) DLmodule::ShowDesktop(false);
    if (!IsChecked(kTaskbarChk)) DLmodule::ShowTaskbar(false);
}

void OnCreate(platform::Handle window) {
    mainWindow = window;
    CreateControls(window);
    Watch(window);
    Form_Load();
}

void OnDestroy(platform::Handle window) {
    StopWatching(window);
    Form_Unload();
    mainWindow = 0;
    for (platform::Handle& box : boxWindows)
        box = 0;
    platform::PostQuitMessage(0);
}

void OnSessionChange(platform::WParam event) {
    if (event == platform::kWtsSessionUnlock) Form_Resume();
}

void OnPowerBroadcast(platform::WParam event) {
    if (event == platform::kPbtApmResumeSuspend || event == platform::kPbtApmResumeAutomatic)
        Form_Resume();
}

// Logging off or shutting down ends the process without unloading the
// window; unload it first so the desktop is put back as on any other exit.
void OnEndSession(platform::Handle window, bool ending) {
    if (ending) platform::DestroyWindow(window);
}

} // namespace

int TwipsToPixels(int twips, int dotsPerInch) { return (twips * dotsPerInch + 720) / 1440; }

platform::Handle Load() {
    // Vista and later stretch the window of a program that does not declare
    // that it scales itself, blurring its captions at 144 dpi and more. This
    // one scales from the resolution read below, so it declares so first:
    // until then Windows answers 96 dpi. 95 to XP have no such call and
    // stretch nothing.
    const auto setProcessDpiAware = reinterpret_cast<platform::SetProcessDpiAwareProc>(
        platform::User32Function("SetProcessDPIAware"));
    if (setProcessDpiAware != nullptr) setProcessDpiAware();
    const Resolution dpi = ScreenResolution();
    platform::Rect frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi.x),
                         TwipsToPixels(kClientHeightTwips, dpi.y)};
    platform::AdjustWindowRectEx(&frame, kWindowStyle, 1, 0);
    platform::RegisterMainClass(kClassName, WindowProcedure);
    return platform::CreateWindowExA(0, kClassName, kCaption, kWindowStyle, 0, 0,
                                     frame.right - frame.left, frame.bottom - frame.top, 0, 0);
}

void Show() { platform::ShowWindow(mainWindow, platform::kSwShow); }

platform::Handle Window() { return mainWindow; }

void SetChecked(Id box, bool checked) {
    platform::SendMessageA(Box(box), platform::kBmSetCheck,
                           checked ? platform::kBstChecked : platform::kBstUnchecked, 0);
}

bool IsChecked(Id box) {
    return platform::SendMessageA(Box(box), platform::kBmGetCheck, 0, 0) == platform::kBstChecked;
}

void Form_Load() {
    platform::Rect frame{0, 0, 0, 0};
    platform::GetWindowRect(mainWindow, &frame);
    const int left = platform::GetSystemMetrics(platform::kSmCxScreen) - (frame.right - frame.left);
    platform::SetWindowPos(mainWindow, 0, left, 0, 0, 0,
                           platform::kSwpNoSize | platform::kSwpNoZOrder |
                               platform::kSwpNoActivate);
}

void Form_Unload() { DLmodule::RestoreDesktop(); }

// A restarted shell shows its new taskbars, icons and wallpaper: what an
// unticked box hides is hidden again. A ticked box leaves the new shell as
// it is: the start-up wallpaper would override one chosen since.
void Form_TaskbarCreated() { HideUnticked(); }

// Windows 8 and later reload light colours from the theme on the lock screen
// and may drop the full-screen effect; the night and what the boxes hide
// are put back, the effect set again whatever it is said to be now.
void Form_Resume() {
    if (DLmodule::nightInForce) DLmodule::ApplyNightColors();
    HideUnticked();
}

// A notification, a flashing button or a woken monitor shows a taskbar
// again, and a restarted shell its icon view after it has announced itself.
void Form_WindowShown(platform::Handle window) {
    if ((!IsChecked(kTaskbarChk) && DLmodule::IsTaskbar(window)) ||
        (!IsChecked(kDesktopChk) && window != 0 && window == DLmodule::DesktopIconsWindow()))
        platform::ShowWindow(window, platform::kSwHide);
}

// A monitor switched on or woken gets a taskbar of its own; also where no
// watch tells of it being shown.
void Form_DisplayChange() {
    if (!IsChecked(kTaskbarChk)) DLmodule::ShowTaskbar(false);
}

// A wallpaper slideshow, Windows Spotlight or another program applied a
// picture.
void Form_SettingChange(platform::WParam action) {
    if (action == platform::kSpiSetDeskWallpaper && !IsChecked(kDesktopChk) && Foreign())
        DLmodule::ShowDesktop(false);
}

// Another program set colours of its own while the night is in force.
void Form_SysColorChange() {
    if (DLmodule::nightInForce && Foreign()) DLmodule::ApplyNightScheme();
}

void duskcolorsChk_Click() {
    if (IsChecked(kDuskcolorsChk))
        DLmodule::ApplyNightColors();
    else
        DLmodule::RestoreSavedColors();
}

void desktopChk_Click() { DLmodule::ShowDesktop(IsChecked(kDesktopChk)); }

void taskbarChk_Click() { DLmodule::ShowTaskbar(IsChecked(kTaskbarChk)); }

void mnExit_Click() { platform::DestroyWindow(mainWindow); }

void mnAbout_Click() {
    DLmodule::AboutTitle title;
    DLmodule::AboutBody body;
    DLmodule::BuildAboutText(title, body);
    platform::MessageBoxA(mainWindow, body.c_str(), title.c_str(), platform::kMbIconInformation);
}

void mnRestore_Click() {
    const int answer =
        platform::MessageBoxA(mainWindow, "Reset to Windows default colors?", "Default Colors",
                              platform::kMbYesNo | platform::kMbIconQuestion);
    if (answer == platform::kIdYes) DLmodule::ApplyDefaultColors();
}

platform::LResult WindowProcedure(platform::Handle window, unsigned message,
                                  platform::WParam wParam, platform::LParam lParam) {
    // Registered at run time, so not a case of its own; never message 0.
    if (message == taskbarCreated && message != 0) {
        Form_TaskbarCreated();
        return 0;
    }
    switch (message) {
    case platform::kWmCreate: OnCreate(window); return 0;
    case platform::kWmCommand: OnCommand(wParam); return 0;
    case platform::kWmCtlColorStatic: return OnCtlColorStatic(wParam);
    case platform::kWmDestroy: OnDestroy(window); return 0;
    case platform::kWmEndSession: OnEndSession(window, wParam != 0); return 0;
    case platform::kWmSysColorChange: Form_SysColorChange(); return 0;
    case platform::kWmSettingChange: Form_SettingChange(wParam); return 0;
    case platform::kWmDisplayChange: Form_DisplayChange(); return 0;
    case platform::kWmWtsSessionChange: OnSessionChange(wParam); return 0;
    case platform::kWmPowerBroadcast: OnPowerBroadcast(wParam); return 1; // TRUE: grant any query
    default: return platform::DefWindowProcA(window, message, wParam, lParam);
    }
}

bool PreTranslate(const platform::Message& message) {
    if (message.message != platform::kWmKeyDown || message.wParam != platform::kVkTab ||
        mainWindow == 0)
        return false;
    int current = -1;
    for (int i = 0; i < 3; ++i)
        if (Box(kTabOrder[i]) == message.window) current = i;
    // Only the window itself and its boxes, its only children.
    if (current < 0 && message.window != mainWindow) return false;
    const bool backwards = platform::GetKeyState(platform::kVkShift) < 0;
    int next;
    if (current < 0)
        next = backwards ? 2 : 0;
    else
        next = (current + (backwards ? 2 : 1)) % 3;
    // Windows 2000 and later keep focus rectangles hidden after mouse use
    // until a dialog sees the keyboard used, which this window is not; 95
    // and 98 ignore the message.
    platform::SendMessageA(mainWindow, platform::kWmChangeUiState,
                           (platform::kUisfHideFocus << 16) | platform::kUisClear, 0);
    tabbing = true;
    platform::SetFocus(Box(kTabOrder[next]));
    tabbing = false;
    return true;
}

} // namespace DLform
