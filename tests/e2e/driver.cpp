// The end-to-end driver, run by tests/e2e/run inside a Wine virtual desktop
// (its command line in DriverEntry): prints a PASS, FAIL or SKIP line per
// scenario and screenshot, PIXELS lines asking the runner for a screenshot's
// colours (answered in ACK-FOLDER), and "END passed failed" (docs/DEVELOPING.md).
#include "winehost/harness.h"

namespace e2e {

namespace {

// The night colours without the filter, Windows' defaults; then the start-up
// look with the icons (and so the wallpaper), the taskbar or both hidden.
constexpr Look kNightColorsLook = {&kNightScheme, kWallpaper, kVisible, kVisible};
constexpr Look kDefaultLook = {&kDefaultScheme, kWallpaper, kVisible, kVisible};
constexpr Look kIconsHidden = {&kStartPalette, "", kVisible, kHidden};
constexpr Look kTaskbarHidden = {&kStartPalette, kWallpaper, kHidden, kVisible};
constexpr Look kBothHidden = {&kStartPalette, "", kHidden, kHidden};

Visibility Seen(bool visible) { return visible ? kVisible : kHidden; }

const char* BoxState(int state) {
    return state == BST_CHECKED ? "checked" : state == BST_UNCHECKED ? "unchecked" : "no answer";
}

// What the runner counted in one area of a screenshot.
struct Pixels {
    char top[8];         // the commonest colour, "RRGGBB"
    long all, text, red; // every pixel, of the colour asked for, of pure red FF0000
    long off;            // what the night scheme never shows; " #RRGGBB:N" for the commonest few
    int listed;
    char commonest[200];
};

// Asks the runner for the colours in each area of the screen, the first
// saved as the picture `name`, and counts them in the zeroed `found`, those
// of `text` ("RRGGBB") too. An area counted empty fails the scenario.
bool ReadPixels(const char* name, const RECT* areas, int count, Pixels* found,
                const char* text = "") {
    Sleep(300); // the X server shows what the program drew a moment later
    char request[400];
    wsprintfA(request, "PIXELS %s", name);
    for (int i = 0; i < count; ++i)
        wsprintfA(request + lstrlenA(request), " %ld %ld %ld %ld", areas[i].left, areas[i].top,
                  areas[i].right - areas[i].left, areas[i].bottom - areas[i].top);
    Line("%s", request);
    static char answer[1 << 16];
    if (!Expect(AwaitRunner(name, 60000, answer, sizeof answer),
                "expected the runner to count the pixels of %s, seen no answer in 60 s", name))
        return false;
    // One line per area, of "RRGGBB:N" words, commonest first.
    int area = 0;
    for (const char* p = answer; *p != '\0' && area < count && (*p < ' ' || lstrlenA(p) > 7);) {
        if (*p == '\n' || *p == ' ') {
            area += *p++ == '\n';
            continue;
        }
        char colour[8];
        Copy(colour, p, 7);
        long pixels = 0;
        for (p += 7; *p >= '0' && *p <= '9'; ++p)
            pixels = pixels * 10 + (*p - '0');
        Pixels& seen = found[area];
        if (seen.all == 0) Copy(seen.top, colour, sizeof seen.top);
        seen.all += pixels;
        seen.text += Same(colour, text) ? pixels : 0;
        seen.red += Same(colour, "FF0000") ? pixels : 0;
        // All that the night scheme shows: black, grey and pure reds.
        if (Same(colour, "000000") || Same(colour, "808080") || Same(colour + 2, "0000")) continue;
        seen.off += pixels;
        if (seen.listed++ < 4)
            wsprintfA(seen.commonest + lstrlenA(seen.commonest), " #%s:%ld", colour, pixels);
    }
    for (int i = 0; i < count; ++i)
        if (found[i].all == 0)
            return Fail("expected the pixels of area %d of %s counted, seen none", i, name);
    return true;
}

void ExpectBoxes(const Program& program, const char* when, int dusk, int desktop, int taskbar,
                 const Look* look = nullptr) {
    const int expected[3] = {dusk, desktop, taskbar};
    for (int i = 0; i < 3; ++i) {
        const int seen = Checked(program, kBoxes[i]);
        Expect(seen == expected[i], "%s: expected %s %s, seen %s", when, kCaptions[i],
               BoxState(expected[i]), BoxState(seen));
    }
    if (look != nullptr) ExpectDesktop(when, *look);
}

// A screenshot of the window, a check of its own: each caption in the
// scheme's menu text colour on its button face.
void Screenshot(const Program& program, const char* name, const Scheme& scheme) {
    const COLORREF text = scheme.color[COLOR_MENUTEXT], back = scheme.color[COLOR_BTNFACE];
    RedrawWindow(program.window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The window, to be saved, and then each box's caption: from past its
    // check mark to where the next box covers it.
    RECT areas[4];
    GetWindowRect(program.window, &areas[0]);
    for (int i = 0; i < 3; ++i) {
        areas[i + 1] = VisiblePart(program, kBoxes[i]);
        areas[i + 1].left += 12 * session.dpi / 96 + 6; // the check mark and the gap after it
    }
    char textColour[8], backColour[8], problem[300] = "";
    wsprintfA(textColour, "%02X%02X%02X", GetRValue(text), GetGValue(text), GetBValue(text));
    wsprintfA(backColour, "%02X%02X%02X", GetRValue(back), GetGValue(back), GetBValue(back));
    Pixels seen[4] = {};
    if (!ReadPixels(name, areas, 4, seen, textColour)) return;
    if (Same(name, "night") && (text != RGB(255, 0, 0) || back != RGB(128, 0, 0)))
        wsprintfA(problem, "expected night captions asked as FF0000 on 800000, seen %s on %s",
                  textColour, backColour);
    for (int i = 1; i < 4 && problem[0] == '\0'; ++i) {
        if (!Same(seen[i].top, backColour) || seen[i].text < 10)
            wsprintfA(problem,
                      "caption %d: expected #%s on #%s, seen mostly #%s with %ld pixels of #%s", i,
                      textColour, backColour, seen[i].top, seen[i].text, textColour);
        else if (!Same(name, "night") && Same(seen[i].top, "800000") && seen[i].red > 0)
            wsprintfA(problem, "caption %d: expected no red-on-dark-red, seen it", i);
    }
    if (problem[0] != '\0') Line("  %s (picture %s)", problem, name);
    Line("%s screenshot-%s", problem[0] == '\0' ? "PASS" : "FAIL", name);
}

// Message boxes may keep the buttons of other styles as hidden controls.
bool HasButton(HWND box, int id) { return IsWindowVisible(GetDlgItem(box, id)) != 0; }

bool Exit(Program& program) { return Close(program, WM_COMMAND, DLform::kMnExit); }

// Opens the message box of menu command `id` and checks its caption, text and
// buttons (Yes and No for a question, else OK). Answers the box, or 0.
HWND OpenMessageBox(const Program& program, int id, const char* caption, const char* text,
                    bool question) {
    PostMessageA(program.window, WM_COMMAND, id, 0); // posted: the box blocks the program
    HWND box = nullptr;
    const auto opened = [&] {
        for (box = nullptr; (box = FindWindowExA(nullptr, box, "#32770", nullptr));)
            if (GetWindow(box, GW_OWNER) == program.window && IsWindowVisible(box)) return true;
        return false;
    };
    if (!Expect(WaitUntil(10000, opened),
                "expected a message box owned by the program, seen none in 10 s"))
        return nullptr;
    char seenCaption[128], seenText[1024] = "";
    GetWindowTextA(box, seenCaption, sizeof seenCaption);
    // The message is the longest static text; the icon is a static too.
    for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr));)
        if (GetWindowTextLengthA(child) > lstrlenA(seenText))
            GetWindowTextA(child, seenText, sizeof seenText);
    Expect(Same(seenCaption, caption), "expected the message box titled \"%s\", seen \"%s\"",
           caption, seenCaption);
    Expect(Same(seenText, text), "expected the text \"%s\", seen \"%s\"", text, seenText);
    Expect(HasButton(box, IDYES) == question && HasButton(box, IDNO) == question &&
               HasButton(box, IDOK) != question,
           "expected %s in the message box, seen others",
           question ? "Yes and No buttons" : "only an OK button");
    return box;
}

// Input as a user types it, through SendInput: it goes to the window in the
// foreground and arrives later, as typed keys do.
bool PressKey(WORD key, bool shift = false) {
    const WORD keys[4] = {VK_SHIFT, key, key, VK_SHIFT}; // down, down, up, up
    INPUT inputs[4] = {};
    const int first = shift ? 0 : 1, count = shift ? 4 : 2;
    for (int i = 0; i < count; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[first + i];
        inputs[i].ki.dwFlags = first + i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    const bool taken = SendInput(count, inputs, sizeof inputs[0]) == static_cast<UINT>(count);
    return Expect(taken, "expected key 0x%02X to be taken, seen SendInput refuse it (error %lu)",
                  key, GetLastError());
}

HWND FocusOf(const Program& program) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(program.process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

// Has the stand-in shell do what a shell does on its own (tests/layouts.h);
// a wallpaper after the program's quiet period (about a second) is over.
bool AskShell(ShellRequest request, const char* wallpaper = "") {
    if (request == kNotification && !LayoutOf(session.windows).ownTaskbar) return ShowTaskbar(true);
    if (request == kSlideshow) Sleep(2000);
    const ATOM atom = GlobalAddAtomA(wallpaper);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(FindWindowA("Progman", "Program Manager"), request, atom, 0, SMTO_NORMAL,
                        15000, &answer);
    GlobalDeleteAtom(atom);
    const int expected = request == kNotification ? LayoutTaskbars() : TRUE;
    return Expect(answer == static_cast<DWORD_PTR>(expected),
                  "expected the shell to carry out request WM_APP+%d, answering %d, seen %d",
                  request - WM_APP, expected, static_cast<int>(answer));
}

// Stands in for the lock screen, or sleep that resumed as `power` says: eleven
// colours back to standard as on 8 and later, no filter; then wakes the program.
bool Wake(const Program& program, WPARAM power = 0) {
    static const INT kElements[] = {2, 3, 5, 8, 9, 13, 15, 17, 18, 19, 26};
    COLORREF standard[11];
    for (int i = 0; i < 11; ++i)
        standard[i] = documented::kStandard[kElements[i]];
    DWORD_PTR answer = 0;
    const bool woken =
        SetSysColors(11, kElements, standard) &&
        (!MagnifierSession() ||
         !UpdateMagnifier([](MagnifierState& state) { state.inForce = documented::kIdentity; })) &&
        SendMessageTimeoutA(program.window, power ? WM_POWERBROADCAST : WM_WTSSESSION_CHANGE,
                            power ? power : WTS_SESSION_UNLOCK, 0, SMTO_NORMAL, 10000, &answer);
    return Expect(woken && (power == 0 || answer == TRUE),
                  "expected the lock's colours set and the program woken (event %d: TRUE), seen %d",
                  static_cast<int>(power), static_cast<int>(answer));
}

bool RestoreDefaults(const Program& program, int answer) {
    HWND box = OpenMessageBox(program, DLform::kMnRestore, documented::kQuestionTitle,
                              documented::kQuestion, true);
    return box != nullptr && Answer(program, box, answer);
}

void ReportedVersion(Program&) {
    const OSVERSIONINFOA& version = session.version;
    const Layout& expected = LayoutOf(session.windows);
    if (!Expect(Same(session.windows, expected.windows),
                "expected win95, win98, win7 or win10 as the reported version, seen \"%s\"",
                session.windows))
        return;
    Expect(version.dwPlatformId == expected.platform && version.dwMajorVersion == expected.major &&
               version.dwMinorVersion == expected.minor,
           "expected %s as %lu.%lu on platform %lu, seen %lu.%lu on platform %lu", expected.windows,
           expected.major, expected.minor, expected.platform, version.dwMajorVersion,
           version.dwMinorVersion, version.dwPlatformId);
}

void StartupBoxes(Program& program) {
    for (int state = 0; state < 4; ++state) {
        const bool taskbar = state < 2, icons = state % 2 == 0;
        ShowTaskbar(taskbar);
        ShowIcons(icons);
        SetWallpaper(icons ? kWallpaper : "");
        char when[96];
        wsprintfA(when, "started with the taskbar %s and the icons %s",
                  taskbar ? "shown" : "hidden", icons ? "shown" : "hidden");
        if (!Launch(program)) return;
        ExpectBoxes(program, when, BST_UNCHECKED, icons, taskbar);
        if (!Exit(program)) return;
        Append(when, ", then Exit", sizeof when);
        ExpectDesktop(when, {&kStartPalette, icons ? kWallpaper : "", Seen(taskbar), Seen(icons)});
    }
    // Started hidden (as the last start), each box ticked: hidden again at exit.
    if (!Launch(program) || !Click(program, kDesktop)) return;
    ExpectDesktop("started hidden, then Desktop ticked", kTaskbarHidden);
    if (!Click(program, kTaskbar)) return;
    ExpectDesktop("started hidden, then Taskbar ticked", kStartLook);
    if (Exit(program)) ExpectDesktop("started hidden, after Exit", kBothHidden);
}

void Window(Program& program) {
    char text[64];
    GetWindowTextA(program.window, text, sizeof text);
    Expect(Same(text, "Dusklens"), "expected the caption \"Dusklens\", seen \"%s\"", text);
    Expect(GetParent(program.window) == nullptr && GetWindow(program.window, GW_OWNER) == nullptr,
           "expected a top-level window without owner, seen a parent or owner");
    const LONG exStyle = GetWindowLongA(program.window, GWL_EXSTYLE);
    Expect((exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) == 0,
           "expected an ordinary window that Alt+Tab lists, seen extended style 0x%lX", exStyle);
    Expect(GetMenu(program.window) != nullptr, "expected a menu bar, seen none");

    RECT outer, client;
    GetWindowRect(program.window, &outer);
    GetClientRect(program.window, &client);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    Expect(outer.top == 0 && outer.right == screenWidth,
           "expected the window at the top-right corner (top 0, right %d), seen top %ld, right %ld",
           screenWidth, outer.top, outer.right);
    const auto px = [](int twips) { return documented::Pixels(twips, session.dpi); };
    const int width = px(documented::kClientTwips[0]), height = px(documented::kClientTwips[1]);
    Expect(client.right == width && client.bottom == height,
           "expected a client area of %d x %d pixels at %d dpi, seen %ld x %ld", width, height,
           session.dpi, client.right, client.bottom);

    const int boxWidth = px(documented::kBoxTwips[0]), boxHeight = px(documented::kBoxTwips[1]);
    for (int i = 0; i < 3; ++i) {
        HWND control = Box(program, kBoxes[i]);
        const char* caption = kCaptions[i];
        const int left = px(documented::kBoxLeftTwips[i]);
        // Where neighbours overlap, the box further right lies on top.
        Expect(i == 0 || ChildWindowFromPointEx(program.window, {left + 5, boxHeight / 2},
                                                CWP_SKIPINVISIBLE) == control,
               "expected the %s box on top of %s at x %d, seen another window", caption,
               kCaptions[i > 0 ? i - 1 : 0], left + 5);
        if (!Expect(control != nullptr, "expected check box %d (%s), seen none", kBoxes[i],
                    caption))
            continue;
        char className[32];
        GetClassNameA(control, className, sizeof className);
        GetWindowTextA(control, text, sizeof text);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        Expect(Same(text, caption), "expected box %d captioned \"%s\", seen \"%s\"", kBoxes[i],
               caption, text);
        Expect(Same(className, "Button") && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX,
               "expected %s to be an automatic check box, seen class %s style 0x%lX", caption,
               className, style);
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, program.window, reinterpret_cast<POINT*>(&place), 2);
        Expect(place.left == left && place.right == left + boxWidth && place.top == 0 &&
                   place.bottom == boxHeight,
               "expected %s at x %d..%d, y 0..%d, seen x %ld..%ld, y %ld..%ld", caption, left,
               left + boxWidth, boxHeight, place.left, place.right, place.top, place.bottom);
    }
    Exit(program);
}

// The red pointers cannot be seen under Wine, whose SetSystemCursor does
// nothing; what each tick makes must still be freed. The first tick loads
// the system's pointers for good.
void DuskColors(Program& program) {
    ExpectDesktop("after start-up", kStartLook);
    int objects = 0;
    for (int round = 1; round <= 3; ++round) {
        char ticked[48], unticked[48];
        wsprintfA(ticked, "after ticking Dusk Colors (round %d)", round);
        wsprintfA(unticked, "after unticking Dusk Colors (round %d)", round);
        if (!Click(program, kDuskColors)) return;
        ExpectBoxes(program, ticked, BST_CHECKED, BST_CHECKED, BST_CHECKED, &kNightLook);
        if (!Click(program, kDuskColors)) return;
        ExpectBoxes(program, unticked, BST_UNCHECKED, BST_CHECKED, BST_CHECKED, &kStartLook);
        if (round == 1) objects = GdiObjects(program);
        Expect(objects > 0 && GdiObjects(program) == objects,
               "expected %d GDI objects %s as after round 1, seen %d", objects, unticked,
               GdiObjects(program));
    }
    Exit(program);
}

void TaskbarBox(Program& program) {
    if (!Click(program, kTaskbar)) return;
    ExpectBoxes(program, "after unticking Taskbar", BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED,
                &kTaskbarHidden);
    if (!Click(program, kTaskbar) || !AskShell(kMonitor)) return;
    ExpectBoxes(program, "after ticking Taskbar and a new monitor", BST_UNCHECKED, BST_CHECKED,
                BST_CHECKED, &kStartLook);
    Exit(program);
}

void DesktopBox(Program& program) {
    if (!Click(program, kDesktop)) return;
    ExpectBoxes(program, "after unticking Desktop", BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED,
                &kIconsHidden);
    // The wallpaper the program brings back is the one stored at its start,
    // whatever another program chose and stored since.
    const bool clicked = SetWallpaper(kOtherWallpaper) && StoreWallpaperSetting(kOtherWallpaper) &&
                         ExpectDesktop("after another program chose a wallpaper",
                                       {&kStartPalette, kOtherWallpaper, kVisible, kHidden,
                                        kFoundEffect, kOtherWallpaper}) &&
                         Click(program, kDesktop);
    if (!StoreWallpaperSetting(kWallpaper) || !clicked) return;
    ExpectBoxes(program, "after ticking Desktop with another wallpaper chosen meanwhile",
                BST_UNCHECKED, BST_CHECKED, BST_CHECKED, &kStartLook);
    Exit(program);
}

void RestoreDefaultsNo(Program& program) {
    if (!RestoreDefaults(program, IDNO)) return;
    ExpectDesktop("after answering No to Restore Default Colors", kStartLook);
    if (Click(program, kDuskColors) && Exit(program))
        ExpectDesktop("after No, Dusk Colors and Exit", kStartLook);
}

void RestoreDefaultsYes(Program& program) {
    if (!Click(program, kDuskColors) || !RestoreDefaults(program, IDYES)) return;
    ExpectDesktop("after answering Yes to Restore Default Colors", kDefaultLook);
    ExpectBoxes(program, "after answering Yes", BST_CHECKED, BST_CHECKED, BST_CHECKED);
    if (Wake(program) && Exit(program)) ExpectDesktop("after Yes, unlock and Exit", kDefaultLook);
}

void DefaultsNightExit(Program& program) {
    if (!RestoreDefaults(program, IDYES) || !Click(program, kDuskColors)) return;
    ExpectDesktop("after defaults, then Dusk Colors", kNightLook);
    if (!Click(program, kDuskColors)) return;
    ExpectDesktop("after defaults, then Dusk Colors ticked and unticked", kStartLook);
    if (Click(program, kDuskColors) && Exit(program))
        ExpectDesktop("after defaults, then Dusk Colors and Exit", kNightColorsLook);
}

void About(Program& program) {
    char text[1024];
    wsprintfA(text, "%s%s", documented::kAboutText, documented::kCompany);
    HWND box = OpenMessageBox(program, DLform::kMnAbout, documented::kAboutTitle, text, false);
    if (box == nullptr) return;
    Expect(!IsWindowEnabled(program.window),
           "expected the main window disabled while the About box is open, seen it enabled");
    if (!Answer(program, box, IDOK)) return;
    Expect(IsWindowEnabled(program.window) != 0,
           "expected the main window enabled after About closed, seen it disabled");
    ExpectDesktop("after closing About", kStartLook);
    Exit(program);
}

void VersionInformation(Program&) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(session.program, &ignored);
    static char block[8192];
    if (!Expect(size != 0 && size <= sizeof block &&
                    GetFileVersionInfoA(session.program, 0, size, block),
                "expected version information in the program, seen none (%lu bytes)", size))
        return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (Expect(VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length) && fixed,
               "expected a numeric file version, seen none")) {
        const unsigned short* v = documented::kVersion;
        const DWORD ms = MAKELONG(v[1], v[0]), ls = MAKELONG(v[3], v[2]);
        Expect(fixed->dwFileVersionMS == ms && fixed->dwFileVersionLS == ls &&
                   fixed->dwProductVersionMS == ms && fixed->dwProductVersionLS == ls,
               "expected file and product version %08lx.%08lx, seen %08lx.%08lx and %08lx.%08lx",
               ms, ls, fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
               fixed->dwProductVersionLS);
    }
    static const char* const kFields[][2] = {
        {"FileVersion", documented::kVersionText},
        {"ProductVersion", documented::kVersionText},
        {"FileDescription", "32 bit .exe file for use with Windows 95/98"},
        {"Comments", "Beta software. Use at your own risk."},
        {"ProductName", "Dusklens"},
        {"InternalName", "dusklens"},
        {"OriginalFilename", "dusklens.exe"},
        {"CompanyName", documented::kCompany},
    };
    for (const auto& field : kFields) {
        char query[96];
        wsprintfA(query, "\\StringFileInfo\\040904B0\\%s", field[0]);
        char* value = nullptr;
        const bool found =
            VerQueryValueA(block, query, reinterpret_cast<void**>(&value), &length) && value;
        Expect(found && Same(value, field[1]), "expected %s \"%s\", seen \"%s\"", field[0],
               field[1], found ? value : "(none)");
    }
}

// Switches all three effects on, then closes the program by posting `message`.
void ExitRestores(Program& program, const char* how, UINT message, WPARAM wParam) {
    if (!Launch(program) || !Click(program, kDuskColors) || !Click(program, kDesktop) ||
        !Click(program, kTaskbar))
        return;
    ExpectDesktop("with all three effects on", kAllChanged);
    // What comes back during a night is undone (sleep, not the lock, for WM_CLOSE).
    if (!AskShell(kNotification) || !ShowIcons(true) || !SetWallpaper(kOtherWallpaper) ||
        !Wake(program, message == WM_CLOSE ? PBT_APMRESUMESUSPEND : 0))
        return;
    ExpectDesktop("all three on, after all came back and waking", kAllChanged);
    if (!AskShell(kMonitor) || !AskShell(kSlideshow, kOtherWallpaper)) return;
    ExpectDesktop("all three on, after a new monitor and a slideshow's picture", kAllChanged);
    if (Close(program, message, wParam)) ExpectDesktop(how, kStartLook);
}

void ExitByMenu(Program& program) {
    ExitRestores(program, "after Exit", WM_COMMAND, DLform::kMnExit);
}

void ExitByClosing(Program& program) {
    ExitRestores(program, "after WM_CLOSE", WM_CLOSE, 0);
    PrepareDesktop();
    ExitRestores(program, "after the system menu's Close", WM_SYSCOMMAND, SC_CLOSE);
}

void ExitUntouched(Program& program) {
    // Another program, a slideshow and resuming change the desktop; exit undoes it all.
    if (SetColors(kDefaultScheme) && ShowTaskbar(false) && ShowIcons(false) &&
        AskShell(kSlideshow, kOtherWallpaper) && Wake(program, PBT_APMRESUMEAUTOMATIC) &&
        ExpectDesktop("after another program changed the desktop, a slideshow and resuming",
                      {&kDefaultScheme, kOtherWallpaper, kHidden, kHidden}) &&
        Exit(program))
        ExpectDesktop("after Exit with nothing clicked", kStartLook);
}

void StartedNight(Program& program) {
    SetColors(kNightScheme);
    if (!Launch(program) || !Click(program, kDuskColors) || !Click(program, kDuskColors)) return;
    ExpectDesktop("started under night colours, Dusk Colors ticked and unticked", kNightColorsLook);
    if (!Exit(program)) return;
    ExpectDesktop("started under night colours, after Exit", kNightColorsLook);

    if (Launch(program) && RestoreDefaults(program, IDYES) && Exit(program))
        ExpectDesktop("started under night colours, after defaults and Exit", kDefaultLook);
}

constexpr const char* kNoMagnifier = "did not apply: no Magnification.dll in this session";

// The user's own colour effect comes back wherever the night filter goes:
// on unticking, on Yes to Restore Default Colors and at exit.
void MagnifierUserEffect(Program& program) {
    if (!MagnifierSession()) return Skip(kNoMagnifier);
    SetMagnifier(documented::kUserEffect, false);
    if (!Launch(program)) return;
    static MagnifierState state;
    if (!ReadMagnifier(state)) return;
    Expect(state.count == 0, "after start-up: expected no magnifier call and no load, seen %ld",
           state.count);
    ExpectDesktop("with a user's effect, after start-up", kStartLook);
    if (!Click(program, kDuskColors)) return;
    ExpectDesktop("with a user's effect, after ticking Dusk Colors", kNightLook);
    if (!Click(program, kDuskColors)) return;
    ExpectDesktop("with a user's effect, after unticking Dusk Colors", kStartLook);
    if (!Click(program, kDuskColors) || !RestoreDefaults(program, IDYES)) return;
    ExpectDesktop("with a user's effect, after ticking and Yes to Restore Default Colors",
                  kDefaultLook);
    // After the defaults the colours stay at exit, but the effect goes.
    if (!Click(program, kDuskColors) || !Click(program, kDuskColors)) return;
    ExpectDesktop("with a user's effect, after Yes, then Dusk Colors unticked and ticked",
                  kNightLook);
    if (!Exit(program)) return;
    ExpectDesktop("with a user's effect, after Yes, Dusk Colors and Exit", kNightColorsLook);

    SetColors(kStartPalette);
    if (!Launch(program) || !Click(program, kDuskColors)) return;
    ExpectDesktop("with a user's effect, started again and ticked", kNightLook);
    if (Exit(program)) ExpectDesktop("with a user's effect, after ticking and Exit", kStartLook);
}

// A Magnification.dll planted beside a copy of the program is never
// loaded: the program asks for the system directory's by its full path.
void MagnifierPlantedCopy(Program& program) {
    if (!MagnifierSession()) return Skip(kNoMagnifier);
    char folder[MAX_PATH], copy[MAX_PATH], planted[MAX_PATH], system[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    Append(folder, "dusklens-planted", MAX_PATH);
    wsprintfA(copy, "%s\\dusklens.exe", folder);
    wsprintfA(planted, "%s\\Magnification.dll", folder);
    SystemMagnifier(system);
    CreateDirectoryA(folder, nullptr);
    const bool copied =
        CopyFileA(session.program, copy, FALSE) && CopyFileA(system, planted, FALSE);
    if (Expect(copied,
               "expected the program and the stand-in magnifier copied to %s, seen error %lu",
               folder, GetLastError()) &&
        Launch(program, copy) && Click(program, kDuskColors)) {
        ExpectDesktop("started beside a planted Magnification.dll, Dusk Colors ticked", kNightLook);
        if (Click(program, kDuskColors))
            ExpectDesktop("started beside a planted Magnification.dll, Dusk Colors unticked",
                          kStartLook);
        Exit(program);
    }
    EndLeftoverPrograms();
    DeleteFileA(copy);
    DeleteFileA(planted);
    RemoveDirectoryA(folder);
}

// A MagInitialize that fails leaves the night colours working and the
// magnifier alone for the rest of the run.
void MagnifierInitializeFails(Program& program) {
    if (!MagnifierSession()) return Skip(kNoMagnifier);
    SetMagnifier(documented::kIdentity, true);
    if (!Launch(program) || !Click(program, kDuskColors)) return;
    ExpectDesktop("with MagInitialize failing, after ticking Dusk Colors", kNightColorsLook);
    if (!Click(program, kDuskColors)) return;
    ExpectDesktop("with MagInitialize failing, after unticking Dusk Colors", kStartLook);
    if (!Click(program, kDuskColors) || !Exit(program)) return;
    ExpectDesktop("with MagInitialize failing, after ticking again and Exit", kStartLook);
    static MagnifierState state;
    if (!ReadMagnifier(state)) return;
    const DWORD id = program.process.dwProcessId;
    const int initializes = CountCalls(state, id, MagnifierCall::kInitialize);
    const int others = CountCalls(state, id, MagnifierCall::kUninitialize) +
                       CountCalls(state, id, MagnifierCall::kSetEffect) +
                       CountCalls(state, id, MagnifierCall::kGetEffect);
    Expect(initializes == 1 && others == 0,
           "with MagInitialize failing: expected the program to call it once and nothing else of "
           "the magnifier, seen %d MagInitialize and %d other calls",
           initializes, others);
}

// What an unticked box hides is hidden again in a restarted shell; what a
// ticked one shows is left as the new shell shows it.
void ShellRestarted(Program& program) {
    HWND before = IconView();
    // Another wallpaper chosen and stored since start-up, which the new shell
    // applies: the start-up one must not come back over it.
    if (!SetWallpaper(kOtherWallpaper) || !StoreWallpaperSetting(kOtherWallpaper)) return;
    const bool restarted = StartShell(true);
    if (!StoreWallpaperSetting(kWallpaper) || !restarted) return;
    Expect(IconView() != before,
           "expected a new icon window after the restart, seen the old handle");
    ExpectDesktop("after the shell restarted, both boxes ticked",
                  {&kStartPalette, kOtherWallpaper, kVisible, kVisible});
    if (!Click(program, kDesktop) || !Click(program, kTaskbar) || !StartShell(true)) return;
    ExpectBoxes(program, "after the shell restarted, Desktop and Taskbar unticked", BST_UNCHECKED,
                BST_UNCHECKED, BST_UNCHECKED, &kBothHidden);
    if (!Click(program, kDesktop) || !Click(program, kTaskbar)) return;
    ExpectDesktop("after the shell restarted, Desktop and Taskbar ticked again", kStartLook);
    if (!Click(program, kDesktop)) return;
    ExpectDesktop("after the shell restarted, Desktop unticked", kIconsHidden);
    // Nothing hidden in place of an icon view made late; the wallpaper's hides it.
    changesHeard = announcementsWithoutIcons = 0;
    if (!StartShell(true, true)) return;
    Expect(announcementsWithoutIcons == 1 && changesHeard > 0,
           "expected the shell to announce itself, no icon view, then its wallpaper, seen %ld, %ld",
           announcementsWithoutIcons, changesHeard);
    ExpectDesktop("after a restart that made its icon view late, Desktop unticked", kIconsHidden);
    if (!StartShell(false) || !Exit(program)) return;
    ExpectDesktop("after another restart and Exit", kStartLook);

    // Started with the icons hidden: the new icon window is hidden at exit.
    if (StartShell(false) && SetWallpaper("") && Launch(program) && StartShell(true) &&
        Exit(program))
        ExpectDesktop("started with icons hidden, shell restarted, after Exit", kIconsHidden);
}

// Without the shell. Where the shell makes the taskbar, the taskbar goes
// with it, and the one started during the run is hidden at exit.
void NoIconWindow(Program& program) {
    StopShell();
    const bool taskbar = !LayoutOf(session.windows).ownTaskbar;
    if (!Launch(program)) return;
    ExpectBoxes(program, "started without an icon window", BST_UNCHECKED, BST_UNCHECKED, taskbar);
    if (!Click(program, kDesktop)) return;
    ExpectDesktop("without an icon window, Desktop ticked",
                  {&kStartPalette, kWallpaper, taskbar ? kVisible : kAny, kAny});
    if (!Click(program, kDesktop)) return;
    ExpectDesktop("without an icon window, Desktop unticked",
                  {&kStartPalette, "", taskbar ? kVisible : kAny, kAny});
    if (StartShell(true) && Exit(program))
        ExpectDesktop("after a shell started during the run and Exit",
                      {&kStartPalette, "", Seen(taskbar), kHidden});
}

// Two copies at night answer each change once, the other's answer in their
// quiet period: the two, four answers, one more each if a quiet period ends.
void TwoCopies(Program& first) {
    Program second;
    if (!Launch(second) || !Click(first, kDuskColors) || !Click(second, kDuskColors) ||
        !Click(first, kDesktop) || !Click(second, kDesktop))
        return;
    Sleep(2000); // past the quiet periods the clicks began
    changesHeard = 0;
    if (!SetColors(kDefaultScheme) || !AskShell(kSlideshow, kOtherWallpaper)) return;
    for (LONG count = -1; count != changesHeard && changesHeard <= 10; Sleep(3000))
        count = changesHeard;
    Expect(changesHeard <= 10,
           "expected at most 10 colour and wallpaper broadcasts, then none, seen %ld",
           changesHeard);
    ExpectDesktop("two copies, after another program's colours and a slideshow's picture",
                  {&kNightScheme, "", kVisible, kHidden, kRedEffect});
    // The second found the first's filter in force: it goes first.
    if (Exit(second) && Exit(first)) ExpectDesktop("two copies, after both exited", kStartLook);
}

void Screenshots(Program& program) {
    Screenshot(program, "startup", kStartPalette);
    if (!Exit(program)) return;
    // What a user with Windows' standard colours sees after clicking with
    // the mouse; the README's pictures are these, from Windows 98.
    SetColors(kDefaultScheme);
    if (!Launch(program) || !MouseClick(program, kDuskColors)) return;
    Screenshot(program, "night", kNightScheme);
    if (!MouseClick(program, kDuskColors)) return;
    Screenshot(program, "default", kDefaultScheme);
    Exit(program);
}

// Only the night scheme's colours where it colours the window (not a flat menu
// bar, drawn in an element it leaves alone), but for the focus rectangle of
// the box `focused` where given. False where the pixels were not counted.
bool ExpectNightPixels(const Program& program, const char* name, const char* when,
                       HWND focused = nullptr) {
    RECT areas[2];
    POINT clientTop = {0, 0};
    GetWindowRect(program.window, &areas[0]);
    ClientToScreen(program.window, &clientTop);
    if (session.flatMenus) areas[0].top = clientTop.y;
    GetWindowRect(focused, &areas[1]);
    Pixels found[2] = {};
    if (!ReadPixels(name, areas, focused != nullptr ? 2 : 1, found)) return false;
    Expect(focused == nullptr || found[1].off > 0,
           "%s: expected the focus rectangle drawn in box %d, seen none", when,
           GetDlgCtrlID(focused));
    Expect(found[0].off == found[1].off, // found[1] counts nothing where no box has the focus
           "%s: expected only black, pure reds and grey 0x808080 in the window%s%s, seen %ld "
           "other pixels, commonest%s",
           when, session.flatMenus ? " below its flat menu bar" : "",
           focused != nullptr ? " but the focus rectangle" : "", found[0].off - found[1].off,
           found[0].commonest);
    return true;
}

// The night scheme leaves nothing bright in the window, however a box is
// clicked: BM_CLICK gives it the focus as a mouse click does on 95 and 98,
// and a click of the mouse is what a user does.
void NightPixels(Program& program) {
    if (!Click(program, kDuskColors)) return;
    ExpectNightPixels(program, "night-bm-click", "after ticking Dusk Colors with BM_CLICK");
    if (!Click(program, kDuskColors) || !MouseClick(program, kDuskColors)) return;
    Expect(FocusOf(program) == Box(program, kDuskColors),
           "after ticking Dusk Colors with the mouse: expected the focus on it, seen window %p",
           FocusOf(program));
    ExpectNightPixels(program, "night-mouse", "after ticking Dusk Colors with the mouse");
    Exit(program);
}

// A box reached with the keyboard shows its focus, and Space toggles it. The
// focus that a mouse click gave leaves nothing behind when it moves on.
void KeyboardFocus(Program& program) {
    if (!MouseClick(program, kDuskColors)) return;
    const struct {
        bool shift;
        int box;
        const char *name, *when;
    } steps[] = {{false, kDesktop, "focus-tab", "after a mouse click on Dusk Colors, then Tab"},
                 {true, kDuskColors, "focus-shift-tab", "after Shift+Tab"}};
    for (const auto& step : steps) {
        const HWND box = Box(program, step.box);
        if (!PressKey(VK_TAB, step.shift) ||
            !Expect(WaitUntil(10000, [&] { return FocusOf(program) == box; }),
                    "%s: expected the focus on box %d, seen window %p", step.when, step.box,
                    FocusOf(program)) ||
            !ExpectNightPixels(program, step.name, step.when, box))
            return;
    }
    if (!PressKey(VK_SPACE) ||
        !Expect(WaitUntil(10000, [&] { return Checked(program, kDuskColors) == BST_UNCHECKED; }),
                "after Space on Dusk Colors: expected it unchecked, seen %s (focus on %p, box %p)",
                BoxState(Checked(program, kDuskColors)), FocusOf(program),
                Box(program, kDuskColors)))
        return;
    ExpectDesktop("after Space on Dusk Colors", kStartLook);
    Exit(program);
}

// Loads captions.dll (captions_dll.cpp) into the program with a thread of its
// own that runs LoadLibraryA (kernel32 lies at the same address in every
// process of a session), then reports its INFO line and a line per fault.
void Captions(Program& program) {
    char library[MAX_PATH], result[MAX_PATH];
    Beside(session.driver, "captions.dll", library);
    wsprintfA(result, "%s.txt", library);
    DeleteFileA(result);

    const HANDLE process = program.process.hProcess;
    void* remote = VirtualAllocEx(process, nullptr, sizeof library, MEM_COMMIT, PAGE_READWRITE);
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = nullptr;
    if (remote != nullptr && WriteProcessMemory(process, remote, library, sizeof library, nullptr))
        thread = CreateRemoteThread(process, nullptr, 0, loadLibrary, remote, 0, nullptr);
    if (!Expect(thread != nullptr,
                "expected a thread in the program to load %s, seen none (error %lu)", library,
                GetLastError()))
        return;
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);

    static char report[4096];
    DWORD read = 0;
    if (!Expect(WaitUntil(10000, [&] { return (read = ReadWhole(result, report, 4095)) > 0; }),
                "expected captions.dll to write its measurements to %s within 10 s, seen none",
                result))
        return;
    report[read] = '\0';
    for (char *line = report, *p = report; *p != '\0'; ++p) {
        if (*p != '\n') continue;
        *p = '\0';
        failures += line != report; // the INFO line first, then a fault a line
        Line("%s%s", line == report ? "" : "  ", line);
        line = p + 1;
    }
    Exit(program);
}

constexpr Scenario kScenarios[] = {
    {"reported-version", ReportedVersion},
    {"startup-boxes", StartupBoxes},
    {"window", Window, true},
    {"dusk-colors", DuskColors, true},
    {"taskbar-box", TaskbarBox, true},
    {"desktop-box", DesktopBox, true},
    {"restore-defaults-no", RestoreDefaultsNo, true},
    {"restore-defaults-yes", RestoreDefaultsYes, true},
    {"defaults-night-exit", DefaultsNightExit, true},
    {"about", About, true},
    {"version-information", VersionInformation},
    {"exit-menu", ExitByMenu},
    {"exit-close", ExitByClosing},
    {"exit-untouched", ExitUntouched, true},
    {"started-night", StartedNight},
    {"magnifier-user-effect", MagnifierUserEffect},
    {"magnifier-planted-copy", MagnifierPlantedCopy},
    {"magnifier-init-fails", MagnifierInitializeFails},
    {"shell-restarted", ShellRestarted, true},
    {"no-icon-window", NoIconWindow},
    {"two-copies", TwoCopies, true},
    {"screenshots", Screenshots, true},
    {"night-pixels", NightPixels, true},
    {"keyboard-focus", KeyboardFocus, true},
    {"captions", Captions, true},
};

} // namespace

} // namespace e2e

extern "C" void DriverEntry() {
    using namespace e2e;
    char only[64] = "";
    if (!ReadCommandLine("run", "driver.exe run PROGRAM SHELL ACK-FOLDER LAYOUT [SCENARIO]"))
        ExitProcess(2);
    Argument(6, only, sizeof only);
    session.decoys = true;
    ExitProcess(static_cast<UINT>(RunScenarios(kScenarios, std::size(kScenarios), only)));
}
