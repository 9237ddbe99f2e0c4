// Start-up and shut-down, the main window, and its two message boxes.
#include <algorithm>
#include <functional>

#include "fixture.h"
#include "ui/about.h"

// --- Start-up and shut-down ---

// Exit puts back what start-up found, right after start or however the user
// clicked since; however often and however it is closed, the window unloads once.
TEST_F(DesktopTest, StartupSetsTheBoxesFromTheDesktopAndChangesNothingAndExitPutsItBackOnce) {
    for (bool taskbar : {true, false}) {
        for (bool icons : {true, false}) {
            SCOPED_TRACE(testing::Message() << "taskbar " << taskbar << ", icons " << icons);
            Fresh({taskbar, icons});
            DLmodule::defaultsApplied = true; // start-up begins the run afresh
            DLmodule::Main();
            const Handle main = DLform::Window(), box = Box(kTaskbarChk);
            EXPECT_EQ(Check(kTaskbarChk), taskbar ? 1 : 0);
            EXPECT_EQ(Check(kDesktopChk), icons ? 1 : 0);
            EXPECT_EQ(Check(kDuskcolorsChk), 0);
            EXPECT_EQ(DLmodule::taskbarWasVisible, taskbar);
            EXPECT_EQ(DLmodule::desktopWasVisible, icons);
            EXPECT_STREQ(DLmodule::savedWallpaper.c_str(), kWallpaper);
            EXPECT_EQ(DLmodule::savedColors, startColors);
            EXPECT_EQ(Changes(), Lines{Show(main, 5)});
            if (!taskbar || !icons) { // else exit right after start
                Arrange("tdn");
                EXPECT_EQ(Visible(shellWindows.taskbar), !taskbar);
                EXPECT_EQ(Visible(shellWindows.icons), !icons);
            }
            sim::ClearCalls();
            sim::ChooseMenu(main, DLform::kMnExit);
            sim::Close(main);
            DLform::mnExit_Click();
            EXPECT_EQ(Changes(),
                      (Lines{Show(shellWindows.icons, icons ? 5 : 0), Spi(icons ? kWallpaper : ""),
                             Show(shellWindows.taskbar, taskbar ? 5 : 0), "SetSysColors(start)"}));
            EXPECT_EQ(sim::Log("PostQuitMessage"), Lines{"PostQuitMessage(0)"});
            EXPECT_TRUE(sim::QuitPosted());
            EXPECT_EQ(sim::Find(main), nullptr);
            EXPECT_EQ(sim::Find(box), nullptr);
        }
    }
}

TEST_F(DesktopTest, StartupTurnsTheStoredWallpaperIntoText) {
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] { sim::SetNumber("Wallpaper", 0xFFFFFFFF); }, "-1"},
        {[] { sim::SetNumber("Wallpaper", 0x80000000); }, "-2147483648"},
        {[] { sim::SetNumber("Wallpaper", 0x7FFFFFFF); }, "2147483647"},
        {[] { sim::SetNumber("Wallpaper", 0); }, "0"},
        {[] { sim::SetValue("Wallpaper", sim::kRegBinary, {1}); }, ""},
        {[] { sim::RefuseKey(); }, ""},
    };
    for (const auto& [arrange, expected] : cases) {
        Fresh();
        arrange();
        DLmodule::Main();
        EXPECT_TRUE(DLmodule::savedWallpaper.isSet()) << expected;
        EXPECT_STREQ(DLmodule::savedWallpaper.c_str(), expected);
    }
}

TEST_F(DesktopTest, StartedUnderTheNightOrAfterRestoreDefaultsExitKeepsTheColours) {
    sim::SetColors(kNight);
    DLmodule::Main();
    Arrange("nn");
    EXPECT_EQ(sim::CurrentColors(), kNight);
    DLform::mnExit_Click();
    EXPECT_EQ(sim::CurrentColors(), kNight);

    Start();
    Arrange("yn");
    sim::ClearCalls();
    sim::Close(DLform::Window());
    EXPECT_EQ(Changes(),
              (Lines{Show(shellWindows.icons, 5), Spi(kWallpaper), Show(shellWindows.taskbar, 5)}));
    EXPECT_EQ(sim::CurrentColors(), kNight);
}

// Logging off exits too, the first time by itself; a cancelled log-off does not.
TEST_F(DesktopTest, ExitAndLoggingOffActOnAShellStartedOrRestartedDuringTheRun) {
    for (bool shellAtStart : {true, false}) {
        SCOPED_TRACE(shellAtStart ? "restarted" : "started during the run");
        Start({false, false}, shellAtStart);
        const Handle main = DLform::Window();
        EXPECT_EQ(Check(kTaskbarChk), 0);
        EXPECT_EQ(Check(kDesktopChk), 0);
        const sim::Shell shell = sim::RestartShell(); // everything visible again
        sim::ClearCalls();
        Tell(platform::kWmEndSession);
        EXPECT_EQ(Changes(), Lines{});
        EXPECT_NE(sim::Find(main), nullptr);
        if (shellAtStart)
            Tell(platform::kWmEndSession, 1);
        else
            sim::Close(main);
        EXPECT_EQ(Changes(), (Lines{Show(shell.icons, 0), Spi(""), Show(shell.taskbar, 0),
                                    "SetSysColors(start)"}));
        EXPECT_EQ(sim::Find(main), nullptr);
        EXPECT_FALSE(Visible(shell.taskbar));
        EXPECT_FALSE(Visible(shell.icons));
        EXPECT_EQ(sim::Wallpaper(), "");
    }
}

TEST_F(DesktopTest, ARestartedShellShowsOnlyWhatTheTickedBoxesShow) {
    constexpr char kChosenSince[] = "C:\\WINDOWS\\Stars.bmp";
    for (bool desktop : {true, false}) {
        for (bool taskbar : {true, false}) {
            SCOPED_TRACE(testing::Message() << "Desktop " << desktop << ", Taskbar " << taskbar);
            Start({true, true, true, sim::IconPlace::kInProgman, 2});
            Arrange(std::string(desktop ? "" : "d") + (taskbar ? "" : "t"));
            sim::ChooseWallpaper(kChosenSince);
            sim::ClearCalls();
            const sim::Shell shell = sim::RestartShell(); // everything visible again
            Lines expected;
            if (!desktop) expected = {Show(shell.icons, 0), Spi("")};
            if (!taskbar)
                for (Handle bar :
                     {shell.taskbar, shell.secondaryTaskbars[0], shell.secondaryTaskbars[1]})
                    expected.push_back(Show(bar, 0));
            EXPECT_EQ(Changes(), expected);
            EXPECT_EQ(sim::Wallpaper(), desktop ? kChosenSince : "");
            EXPECT_EQ(Check(kDesktopChk), desktop ? 1 : 0);
            EXPECT_EQ(Check(kTaskbarChk), taskbar ? 1 : 0);
        }
    }
    // Where the name could not be registered, message 0 (WM_NULL) is no restart.
    Fresh();
    sim::Config().registerWindowMessageWorks = false;
    DLmodule::Main();
    Arrange("dt");
    sim::ClearCalls();
    Tell(0);
    EXPECT_EQ(Changes(), Lines{});
}

TEST_F(DesktopTest, RunLoopsUntilTheWindowIsClosedAndWithoutOneEndsAtOnce) {
    sim::WhenIdle([] { sim::Post(Box(kDuskcolorsChk), platform::kWmKeyDown, platform::kVkTab); });
    sim::WhenIdle([] {
        EXPECT_EQ(sim::Focus(), Box(kDesktopChk));
        sim::Post(DLform::Window(), platform::kWmClose);
    });
    EXPECT_EQ(DusklensRun(), 0);
    EXPECT_EQ(DLform::Window(), 0u);
    EXPECT_EQ(sim::Log("SetSysColors").size(), 1u);

    Fresh();
    sim::Config().mainWindowCreatable = false;
    EXPECT_EQ(DusklensRun(), 1);
    EXPECT_TRUE(sim::Log("RunMessageLoop").empty());
    EXPECT_EQ(Changes(), Lines{Show(0, 5)}); // the missing window: nothing on the desktop
}

// --- The full-screen colour effect of Windows 8 and later ---

namespace {

// The magnifier's calls, a set named after its effect.
Lines MagnifierCalls() {
    Lines calls;
    for (const sim::Call& call : sim::Calls())
        if (call.name.rfind("Mag", 0) == 0)
            calls.push_back(call.name == "MagSetFullscreenColorEffect"
                                ? "set " + EffectName(call.args[0].list)
                                : call.name);
    return calls;
}

// The loads of Magnification.dll; start-up loads wtsapi32.dll.
Lines MagnifierLoads() {
    Lines loads;
    for (const std::string& load : sim::Log("LoadLibraryA"))
        if (load.find("Magnification") != std::string::npos) loads.push_back(load);
    return loads;
}

} // namespace

TEST_F(DesktopTest, DuskColorsTurnsTheScreenRedAndTheEffectFoundComesBack) {
    StartMagnified();
    DLform::mnExit_Click();
    EXPECT_EQ(MagnifierLoads(), Lines{}) << "start-up and exit alone load nothing";

    StartMagnified();
    sim::ClearCalls();
    Arrange("n");
    EXPECT_EQ(MagnifierLoads(), Lines{R"(LoadLibraryA("C:\WINDOWS\system32\Magnification.dll"))"});
    EXPECT_EQ(Changes(), (Lines{"SetSysColors(night)", "MagSetFullscreenColorEffect(night)"}));
    sim::ClearCalls();
    Arrange("nnynn"); // unticked after the defaults: the start-up colours
    EXPECT_EQ(Changes(), (Lines{"SetSysColors(start)", "MagSetFullscreenColorEffect(user's)",
                                "SetSysColors(night)", "MagSetFullscreenColorEffect(night)",
                                "SetSysColors(standard)", "MagSetFullscreenColorEffect(user's)",
                                "SetSysColors(start)", "SetSysColors(night)",
                                "MagSetFullscreenColorEffect(night)"}));
    EXPECT_EQ(MagnifierLoads(), Lines{});
    EXPECT_EQ(sim::Log("MagInitialize"), Lines{});
    sim::ClearCalls();
    sim::Close(DLform::Window());
    EXPECT_EQ(MagnifierCalls(), (Lines{"set user's", "MagUninitialize"}));
    EXPECT_EQ(sim::CurrentColors(), kNight) << "the defaults were applied: the colours stay";
    EXPECT_EQ(Thousandths(sim::MagnifierConfig().effect), Thousandths(kUserEffect));
}

// However the magnifier fails (Vista's and 7's library has no full-screen
// effect; sets are refused while Windows' Magnifier inverts colours), the
// night colours still switch, and nothing is called that cannot work.
TEST_F(DesktopTest, WithoutAWorkingMagnifierTheNightColoursStillSwitch) {
    const struct {
        const char* what;
        bool sim::Magnifier::*fails; // none: the system directory is too long
        Lines calls;
        const char* after; // the effect in force at the end
    } cases[] = {
        {"no library", &sim::Magnifier::installed, {}, "user's"},
        {"no full-screen effect", &sim::Magnifier::fullscreenEffects, {}, "user's"},
        {"MagInitialize fails", &sim::Magnifier::initializeWorks, {"MagInitialize"}, "user's"},
        {"unreadable effect",
         &sim::Magnifier::getWorks,
         {"MagInitialize", "MagGetFullscreenColorEffect", "set night", "set identity", "set night",
          "set identity", "MagUninitialize"},
         "identity"},
        {"refused sets",
         &sim::Magnifier::setWorks,
         {"MagInitialize", "MagGetFullscreenColorEffect", "set night", "set user's", "set night",
          "set user's", "MagUninitialize"},
         "user's"},
        {"long system directory", nullptr, {}, "user's"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        sim::MagnifierConfig().installed = true;
        if (c.fails != nullptr)
            sim::MagnifierConfig().*c.fails = false;
        else
            sim::Config().systemDirectory = "C:\\" + std::string(240, 'x');
        DLmodule::Main();
        Arrange("nnn");
        EXPECT_EQ(sim::CurrentColors(), kNight);
        DLform::mnExit_Click();
        EXPECT_EQ(MagnifierCalls(), c.calls);
        EXPECT_EQ(EffectName(Thousandths(sim::MagnifierConfig().effect)), c.after);
        EXPECT_LE(MagnifierLoads().size(), 1u);
    }
}

// --- Main window ---

// The window sits in the top right corner of any screen.
TEST_F(DesktopTest, TwipsBecomePixelsAtTheScreenResolution) {
    const auto describe = [](Handle box) {
        const sim::Window& w = *sim::Find(box);
        return w.title + " " + N(w.id) + " " + N(w.style & 0xF) + " (" + N(w.rect.left) + "," +
               N(w.rect.top) + ")-(" + N(w.rect.right) + "," + N(w.rect.bottom) + ")";
    };
    // Vista and later have SetProcessDPIAware, and read 96 dpi until it is
    // called; 95 to XP have neither.
    for (int dpi : {96, 120})
        for (bool vista : {true, false}) {
            const auto px = [dpi](int twips) { return N(documented::Pixels(twips, dpi)); };
            const auto box = [&](const char* title, int i) {
                const int left = documented::Pixels(documented::kBoxLeftTwips[i], dpi);
                return title + (" " + N(101 + i) + " 3 (" + N(left) + ",0)-(") +
                       N(left + documented::Pixels(documented::kBoxTwips[0], dpi)) + "," +
                       px(documented::kBoxTwips[1]) + ")";
            };
            const std::string client =
                "0, 0, " + px(documented::kClientTwips[0]) + ", " + px(documented::kClientTwips[1]);
            SCOPED_TRACE(testing::Message() << dpi << " dpi, " << (vista ? "Vista" : "XP"));
            Fresh();
            sim::Config().dpi = dpi;
            sim::Config().screenWidth = vista ? 640 : 1920;
            if (!vista) sim::Config().user32Lacks = {"SetProcessDPIAware"};
            const Handle main = DLform::Load();
            EXPECT_FALSE(Visible(main));
            Lines order;
            for (const sim::Call& call : sim::Calls())
                if (call.name == "SetProcessDPIAware" || call.name == "GetDC" ||
                    call.name == "CreateWindowExA")
                    order.push_back(call.name);
            EXPECT_EQ(order.front(), vista ? "SetProcessDPIAware" : "GetDC");
            EXPECT_EQ(std::count(order.begin(), order.end(), "SetProcessDPIAware"), vista ? 1 : 0);
            const Lines adjust = sim::Log("AdjustWindowRectEx");
            ASSERT_EQ(adjust.size(), 1u);
            EXPECT_EQ(adjust[0].rfind("AdjustWindowRectEx(" + client + ", ", 0), 0u) << adjust[0];
            const platform::Rect frame = sim::Find(main)->rect; // with caption and menu bar
            EXPECT_EQ(N(frame.right - frame.left) + "x" + N(frame.bottom - frame.top),
                      dpi == 96 ? "230x64" : "286x69");
            EXPECT_EQ(frame.top, 0);
            EXPECT_EQ(frame.right, vista ? 640 : 1920);
            Lines boxes;
            for (Handle box : sim::Find(main)->children)
                boxes.push_back(describe(box));
            // In creation order.
            EXPECT_EQ(boxes, (Lines{box("Taskbar", 2), box("Desktop", 1), box("Dusk Colors", 0)}));
        }
}

// On the night scheme an inverted focus rectangle comes out bright cyan.
TEST_F(DesktopTest, TabMovesThroughTheBoxesAndOnlyItShowsTheFocusLeavingNoRectangleBehind) {
    DLmodule::Main();
    const Handle dusk = Box(kDuskcolorsChk), desktop = Box(kDesktopChk), taskbar = Box(kTaskbarChk);
    const auto shown = [&] {
        std::string boxes;
        for (Handle box : {dusk, desktop, taskbar})
            boxes += sim::Find(box)->focusRectangle ? "+" : "-";
        return boxes;
    };
    sim::Click(dusk);
    EXPECT_EQ(sim::Focus(), dusk);
    EXPECT_EQ(shown(), "---");
    EXPECT_EQ(Tab(dusk), desktop);
    EXPECT_EQ(shown(), "-+-") << "the mouse's focus inverted into view as it left";
    EXPECT_EQ(Tab(desktop), taskbar);
    EXPECT_EQ(Tab(taskbar), dusk);
    EXPECT_EQ(shown(), "+--");
    sim::Click(taskbar);
    EXPECT_EQ(shown(), "---");
    sim::SetKeyDown(platform::kVkShift, true);
    EXPECT_EQ(Tab(taskbar), desktop);
    EXPECT_EQ(shown(), "-+-");
    EXPECT_EQ(Tab(desktop), dusk);
    EXPECT_EQ(shown(), "+--");
    EXPECT_EQ(Tab(dusk), taskbar);
    sim::Click(taskbar); // the box that already has the focus
    EXPECT_EQ(shown(), "--+");
    sim::Click(desktop);
    EXPECT_EQ(shown(), "---");
    EXPECT_FALSE(DLform::PreTranslate({dusk, platform::kWmKeyDown, 'A', 0}));
    EXPECT_FALSE(
        DLform::PreTranslate({shellWindows.taskbar, platform::kWmKeyDown, platform::kVkTab, 0}));
}

// The boxes' captions are in the menu text colour on the button face, of the
// scheme in force.
TEST_F(DesktopTest, EachBoxSwitchesItsEffectOnAndOffAndTheCaptionsFollowTheScheme) {
    DLmodule::Main();
    const Handle box = Box(kDesktopChk);
    const Handle dc = platform::GetDC(box);
    const auto paint = [&] {
        return platform::SendMessageA(DLform::Window(), platform::kWmCtlColorStatic, dc,
                                      static_cast<platform::LParam>(box));
    };
    EXPECT_EQ(paint(), static_cast<platform::LResult>(platform::GetSysColorBrush(15)));
    EXPECT_EQ(sim::DcState(dc).text, startColors[7]);
    EXPECT_EQ(sim::DcState(dc).background, startColors[15]);
    sim::ClearCalls();
    Arrange("ttddnn");
    const Handle taskbar = shellWindows.taskbar, icons = shellWindows.icons;
    EXPECT_EQ(Changes(),
              (Lines{Show(taskbar, 0), Show(taskbar, 5), Show(icons, 0), Spi(""), Show(icons, 5),
                     Spi(kWallpaper), "SetSysColors(night)", "SetSysColors(start)"}));
    sim::Click(Box(kDuskcolorsChk));
    paint();
    EXPECT_EQ(sim::DcState(dc).text, 0x0000FFu);
    EXPECT_EQ(sim::DcState(dc).background, 0x000080u);
    platform::ReleaseDC(box, dc);
    EXPECT_EQ(sim::OpenDcs(), 0);
}

// --- The menu, About and Restore Default Colors ---

TEST_F(DesktopTest, MenuBarHoldsExitAndHelpAndAboutShowsTheDescriptionVersionAndCompany) {
    sim::Config().companyName = "Dark Sky Works";
    DLmodule::Main();
    const auto items = [](Handle menu) {
        Lines lines;
        for (const sim::MenuItem& item : sim::MenuInfo(menu)->items)
            lines.push_back(item.text.value_or("-") + " " + N(item.flags) + " " +
                            ((item.flags & platform::kMfPopup) ? "popup" : N(item.idOrPopup)));
        return lines;
    };
    const Handle bar = sim::Find(DLform::Window())->menu;
    ASSERT_NE(sim::MenuInfo(bar), nullptr);
    EXPECT_EQ(items(bar), (Lines{"&Exit 0 201", "&Help 16 popup"}));
    const Handle help = sim::MenuInfo(bar)->items.at(1).idOrPopup;
    EXPECT_TRUE(sim::MenuInfo(help)->popup);
    EXPECT_EQ(items(help),
              (Lines{"About Dusklens 0 202", "- 2048 0", "Restore Default Colors 0 203"}));

    sim::ChooseMenu(DLform::Window(), DLform::kMnAbout);
    const std::string body = documented::kAboutText + std::string("Dark Sky Works");
    EXPECT_EQ(sim::Log("MessageBoxA"), Lines{"MessageBoxA(" + N(DLform::Window()) + ", \"" + body +
                                             "\", \"" + documented::kAboutTitle + "\", 64)"});
    const std::uint16_t version[] = {2, 10, 0, 3};
    std::copy(version, version + 4, sim::Config().version);
    DLmodule::AboutTitle title;
    DLmodule::AboutBody text;
    DLmodule::BuildAboutText(title, text);
    EXPECT_STREQ(title.c_str(), "Dusklens Version 2.10.3");
}

TEST_F(DesktopTest, RestoreDefaultColorsAsksFirstAndAppliesOnlyOnYes) {
    DLmodule::Main();
    sim::Click(Box(kDuskcolorsChk));
    sim::ClearCalls();
    sim::ChooseMenu(DLform::Window(), DLform::kMnRestore); // answered No
    sim::Config().messageBoxAnswer = 0;                    // the box could not be shown
    sim::ChooseMenu(DLform::Window(), DLform::kMnRestore);
    const std::string question = "MessageBoxA(" + N(DLform::Window()) + ", \"" +
                                 documented::kQuestion + "\", \"" + documented::kQuestionTitle +
                                 "\", 36)";
    EXPECT_EQ(sim::Log("MessageBoxA"), (Lines{question, question}));
    EXPECT_EQ(Changes(), Lines{});
    EXPECT_FALSE(DLmodule::defaultsApplied);

    Arrange("yy");
    EXPECT_EQ(Changes(), (Lines{"SetSysColors(standard)", "SetSysColors(standard)"}));
    EXPECT_EQ(sim::CurrentColors(), kStandard);
    EXPECT_TRUE(DLmodule::defaultsApplied);
    EXPECT_EQ(Check(kDuskcolorsChk), 1);
    sim::Click(Box(kDuskcolorsChk)); // unticking goes back to the start-up colours
    EXPECT_EQ(sim::CurrentColors(), startColors);
}
