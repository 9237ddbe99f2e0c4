// Through the night: unlocking, resuming, windows the shell shows again,
// displays, and other programs' changes of the wallpaper and the colours.
#include "fixture.h"

TEST_F(DesktopTest, UnlockAndResumePutBackTheNightAndWhatTheUntickedBoxesHide) {
    const std::tuple<unsigned, platform::WParam, bool> events[] = {
        {platform::kWmWtsSessionChange, platform::kWtsSessionUnlock, true},
        {platform::kWmPowerBroadcast, platform::kPbtApmResumeSuspend, true},
        {platform::kWmPowerBroadcast, platform::kPbtApmResumeAutomatic, true},
        {platform::kWmWtsSessionChange, 0x7 /* WTS_SESSION_LOCK */, false},
        {platform::kWmPowerBroadcast, 0x4 /* PBT_APMSUSPEND */, false}};
    for (const auto& [message, code, resumes] : events) {
        // "ny": the night is no longer in force.
        for (const std::string boxes : {"", "n", "ndt", "ny"}) {
            SCOPED_TRACE(testing::Message() << message << " " << code << " " << boxes);
            StartMagnified({true, true, true, sim::IconPlace::kInProgman, 1});
            Arrange(boxes);
            // As the lock screen does: light colours, and no effect.
            sim::SetColors(kStandard);
            sim::MagnifierConfig().effect = documented::kIdentity;
            sim::ClearCalls();
            EXPECT_EQ(Tell(message, code), message == platform::kWmPowerBroadcast ? 1 : 0);
            Lines expected;
            if (resumes && (boxes == "n" || boxes == "ndt"))
                expected = {"SetSysColors(night)", "MagSetFullscreenColorEffect(night)"};
            if (resumes && boxes == "ndt")
                expected.insert(expected.end(), {Show(shellWindows.icons, 0), Spi(""),
                                                 Show(shellWindows.taskbar, 0),
                                                 Show(shellWindows.secondaryTaskbars[0], 0)});
            EXPECT_EQ(Changes(), expected);
        }
    }
    // Unregistered before the desktop is put back. 95 has no wtsapi32.dll, no
    // watch and no message filter; Vista filters per process; where
    // registering failed there is nothing to end.
    for (int windows : {95, 6, 7}) {
        Fresh();
        sim::Config().wtsapi32 = windows != 95;
        sim::Config().wtsRegisterWorks = windows == 7;
        if (windows == 95)
            sim::Config().user32Lacks = {"SetWinEventHook", "ChangeWindowMessageFilter",
                                         "ChangeWindowMessageFilterEx"};
        if (windows == 6) sim::Config().user32Lacks = {"ChangeWindowMessageFilterEx"};
        DLmodule::Main();
        EXPECT_EQ(sim::SessionWatched(), windows == 7);
        const std::string created = N(platform::RegisterWindowMessageA("TaskbarCreated"));
        Lines watches = sim::Log("ChangeWindowMessageFilter");
        for (const char* call : {"ChangeWindowMessageFilterEx", "SetWinEventHook"})
            for (const std::string& line : sim::Log(call))
                watches.push_back(line);
        const std::string hook = "SetWinEventHook(32770, 32770, 0, 0, 0)";
        const std::string vista = "ChangeWindowMessageFilter(" + created + ", 1)";
        const std::string seven =
            "ChangeWindowMessageFilterEx(" + N(DLform::Window()) + ", " + created + ", 1, null)";
        EXPECT_EQ(watches, windows == 95 ? Lines{} : Lines({windows == 6 ? vista : seven, hook}));
        sim::ClearCalls();
        DLform::mnExit_Click();
        Lines order;
        for (const sim::Call& call : sim::Calls())
            if (call.name.rfind("WTS", 0) == 0 || call.name == "SetSysColors")
                order.push_back(call.name);
        EXPECT_EQ(order, (windows == 7 ? Lines{"WTSUnRegisterSessionNotification", "SetSysColors"}
                                       : Lines{"SetSysColors"}));
        EXPECT_FALSE(sim::SessionWatched());
    }
}

// A notification, a woken monitor or a restarted shell shows a taskbar or
// the icon view again; another program's windows are never touched.
TEST_F(DesktopTest, WindowsShownAgainAreHiddenOnlyWhereTheirBoxIsUnticked) {
    using sim::IconPlace;
    for (const std::string boxes : {"", "d", "t", "dt"}) {
        SCOPED_TRACE(boxes);
        Fresh({}, false);
        const std::vector<Handle> others = {sim::AddWindow("Button", "Start"),
                                            sim::AddWindow("WorkerW", ""),
                                            sim::AddWindow("Tooltip", "")};
        const sim::Shell shell =
            sim::StartShell({true, true, true, IconPlace::kInProgmanBesideWorkerW, 2, true});
        DLmodule::Main();
        EXPECT_TRUE(sim::ShowWatched());
        Arrange(boxes);
        sim::TellShown();
        const std::vector<Handle> taskbars = {shell.taskbar, shell.startButton,
                                              shell.secondaryTaskbars[0],
                                              shell.secondaryTaskbars[1]};
        std::vector<Handle> all = taskbars;
        all.insert(all.end(), others.begin(), others.end());
        all.insert(all.end(), {shell.icons, shell.workers[0]});
        for (int command : {platform::kSwHide, platform::kSwShow})
            for (Handle window : all)
                platform::ShowWindow(window, command); // as the shell or another program
        sim::ClearCalls();
        sim::TellShown();
        Lines hidden;
        for (Handle window : taskbars)
            if (boxes.find('t') != std::string::npos) hidden.push_back(Show(window, 0));
        if (boxes.find('d') != std::string::npos) hidden.push_back(Show(shell.icons, 0));
        EXPECT_EQ(Changes(), hidden);
        // A further display woken or plugged in, where no watch tells of its taskbar.
        sim::Config().user32Lacks = {"SetWinEventHook"};
        const Handle added =
            sim::AddWindow("Shell_SecondaryTrayWnd", "", 0, true, sim::kShellThread);
        sim::ClearCalls();
        Tell(platform::kWmDisplayChange);
        EXPECT_EQ(Visible(added), boxes.find('t') == std::string::npos);
        DLform::mnExit_Click();
        EXPECT_FALSE(sim::ShowWatched()) << "unhooked at exit";
    }
}

// A restarted 11 24H2 shell announces itself before it has an icon view:
// its first child is then the WorkerW that paints the wallpaper, never to
// be hidden; the icon view is hidden when it comes.
TEST_F(DesktopTest, ARestartedShellsLateIconViewIsHiddenWhenItComesAndItsWorkerWNever) {
    Start({true, true, true, sim::IconPlace::kInProgmanBesideWorkerW, 0, false, true});
    Arrange("d");
    sim::ClearCalls();
    const sim::Shell shell = sim::RestartShell();
    EXPECT_EQ(Changes(), (Lines{Show(0, 0), Spi("")})) << "nothing hidden in the icon view's place";
    sim::TellShown();
    EXPECT_FALSE(Visible(shell.icons));
    Arrange("d");
    EXPECT_TRUE(Visible(shell.icons));
    EXPECT_TRUE(Visible(shell.workers[0]));
    EXPECT_EQ(sim::Wallpaper(), kWallpaper);
}

// Another program's wallpaper or colours are put back while a box says
// so; the program's own broadcasts are not answered, and an answer is not
// answered again within a second: two copies answering each other stop.
TEST_F(DesktopTest, OtherProgramsChangesArePutBackOnceAndTheProgramsOwnNever) {
    StartMagnified();
    sim::ClearCalls();
    Arrange("ndt");
    Arrange("ndt");
    EXPECT_EQ(Changes().size(), 10u) << "own broadcasts answered";
    const struct {
        std::string boxes;
        unsigned message;
        platform::WParam action;
        const char* answer; // "icons" for the desktop hidden again
    } cases[] = {
        {"d", platform::kWmSettingChange, 20, "icons"},
        {"", platform::kWmSettingChange, 20, nullptr},
        {"d", platform::kWmSettingChange, 0x57 /* SPI_SETCURSORS */, nullptr},
        {"n", platform::kWmSysColorChange, 0, "SetSysColors(night)"},
        {"", platform::kWmSysColorChange, 0, nullptr},
        {"ny", platform::kWmSysColorChange, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.boxes + " " + N(c.message) + " " + N(c.action));
        Start();
        Arrange(c.boxes);
        Lines answer;
        if (c.answer != nullptr)
            answer = c.answer == std::string("icons") ? Lines{Show(shellWindows.icons, 0), Spi("")}
                                                      : Lines{c.answer};
        sim::ClearCalls();
        sim::Broadcast(c.message, c.action);
        sim::Broadcast(c.message, c.action); // within the second after an answer
        EXPECT_EQ(Changes(), answer);
        sim::Wait(1000);
        sim::ClearCalls();
        sim::Broadcast(c.message, c.action);
        EXPECT_EQ(Changes(), answer);
    }
    // Another copy that answers every broadcast, with no pause of its own.
    Start();
    Arrange("nd");
    sim::AnswerBroadcasts();
    sim::Broadcast(platform::kWmSysColorChange);
    sim::Broadcast(platform::kWmSettingChange, 20);
    EXPECT_LE(sim::BroadcastsHeard(), 6);
}
