// Colour schemes, shell windows with the wallpaper, and the registry reader.
#include "fixture.h"

using namespace DLmodule;

namespace {

std::string Describe(const RegistryValue& value) {
    switch (value.kind) {
    case RegistryValue::Kind::Text:
        return "text:" + std::string(value.text.c_str(), value.text.length());
    case RegistryValue::Kind::Number: return "number:" + std::to_string(value.number);
    default: return "empty";
    }
}

RegistryValue ReadWallpaper() { return ReadKeyValue(sim::kCurrentUser, kDesktopKey, "Wallpaper"); }

std::string StoredWallpaper() {
    const std::vector<std::uint8_t> bytes = sim::Value("Wallpaper")->bytes;
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// --- Colour schemes ---

TEST_F(DesktopTest, EverySchemeGoesInOneCallAndRestoreReturnsToStartup) {
    FillDefaultColors();
    FillNightColors();
    EXPECT_EQ(nightColors, kNight);
    EXPECT_EQ(defaultColors, kStandard);
    CaptureColors();
    sim::ClearCalls();
    ApplyNightColors();
    ApplyNightColors();
    EXPECT_EQ(sim::CurrentColors(), kNight);
    RestoreSavedColors();
    EXPECT_EQ(sim::CurrentColors(), startColors);
    EXPECT_FALSE(defaultsApplied);
    ApplyDefaultColors();
    EXPECT_EQ(sim::CurrentColors(), kStandard);
    EXPECT_TRUE(defaultsApplied);
    RestoreSavedColors();
    EXPECT_EQ(sim::CurrentColors(), startColors);
    EXPECT_TRUE(defaultsApplied); // only start-up clears it
    EXPECT_EQ(Changes(), (Lines{"SetSysColors(night)", "SetSysColors(night)", "SetSysColors(start)",
                                "SetSysColors(standard)", "SetSysColors(start)"}));
}

// The output of the night effect for `color` with alpha 0.5: the row
// [r g b a 1] times the matrix.
TEST_F(DesktopTest, NightEffectGivesRedFromBrightnessAndNeitherGreenNorBlue) {
    const auto out = [](platform::ColorRef color, int column) {
        const float in[5] = {(color & 0xFF) / 255.0f, (color >> 8 & 0xFF) / 255.0f,
                             (color >> 16 & 0xFF) / 255.0f, 0.5f, 1.0f};
        float sum = 0;
        for (int row = 0; row < 5; ++row)
            sum += in[row] * nightEffect.transform[row][column];
        return sum;
    };
    constexpr platform::ColorRef kWhite = 0xFFFFFF, kGrey = 0x808080;
    std::vector<platform::ColorRef> colors(kNight.begin(), kNight.end());
    colors.insert(colors.end(), {kWhite, kGrey, 0x0000FF, 0x00FF00, 0xFF0000, 0x000000});
    for (platform::ColorRef color : colors) {
        SCOPED_TRACE(testing::Message() << std::hex << "0x" << color);
        EXPECT_EQ(out(color, 1), 0.0f) << "green";
        EXPECT_EQ(out(color, 2), 0.0f) << "blue";
        EXPECT_FLOAT_EQ(out(color, 3), 0.5f) << "alpha";
        EXPECT_FLOAT_EQ(out(color, 4), 1.0f);
        EXPECT_EQ(out(color, 0) > 0, color != 0) << "black stays black, nothing else goes black";
        EXPECT_LE(out(color, 0), out(kWhite, 0));
    }
    EXPECT_GT(out(kWhite, 0), 0.95f);
    EXPECT_GT(out(kWhite, 0), out(kGrey, 0) + 0.4f);
}

// --- Taskbar, desktop icons and wallpaper ---

// Where each Windows keeps its taskbars and icon view (the suite's layouts,
// and 10 after a slideshow), found by exact class and title, with another
// program's button, an empty WorkerW and shell classes of other titles
// searched first, as decoys; and again once the shell restarted.
TEST_F(DesktopTest, EveryLayoutsTaskbarsAndIconViewAreFoundAndNothingElseIsTouched) {
    std::vector<std::pair<const char*, sim::ShellOptions>> layouts = {
        {"10 after a slideshow", {true, true, true, sim::IconPlace::kInWorkerW, 2}}};
    for (const layouts::Layout& l : layouts::kLayouts)
        layouts.push_back(
            {l.windows, {true, true, true, l.icons, l.secondaryTaskbars, l.startButton}});
    const auto seen = [](const std::vector<Handle>& windows) {
        std::string seen;
        for (Handle window : windows)
            seen += Visible(window) ? '+' : '-';
        return seen;
    };
    for (const auto& [windows, options] : layouts) {
        SCOPED_TRACE(windows);
        Fresh({}, false);
        std::vector<Handle> others = {
            sim::AddWindow("Button", "Start"), sim::AddWindow("WorkerW", ""),
            sim::AddWindow("Shell_TrayWnd", "Not the taskbar"), sim::AddWindow("Progman", "Other")};
        const sim::Shell shell = sim::StartShell(options);
        std::vector<Handle> taskbars = shell.secondaryTaskbars;
        taskbars.push_back(shell.taskbar);
        if (shell.startButton != 0) taskbars.push_back(shell.startButton);
        others.insert(others.end(), shell.workers.begin(), shell.workers.end());
        others.push_back(shell.desktop);
        const std::string all(taskbars.size(), '+'), none(taskbars.size(), '-');

        sim::ClearCalls();
        EXPECT_EQ(TaskbarWindow(), shell.taskbar);
        EXPECT_EQ(DesktopIconsWindow(), shell.icons);
        EXPECT_EQ(sim::Log("FindWindowA"), (Lines{R"(FindWindowA("Shell_TrayWnd", ""))",
                                                  R"(FindWindowA("Progman", "Program Manager"))"}));
        ShowTaskbar(false);
        ShowDesktop(false);
        EXPECT_EQ(seen(taskbars), none);
        EXPECT_FALSE(Visible(shell.icons));
        EXPECT_EQ(seen(others), std::string(others.size(), '+'));
        ShowTaskbar(true);
        ShowDesktop(true);
        EXPECT_EQ(seen(taskbars), all);
        EXPECT_TRUE(Visible(shell.icons));
        // The main taskbar alone says whether the taskbar is visible.
        platform::ShowWindow(shell.taskbar, platform::kSwHide);
        EXPECT_FALSE(TaskbarVisible());
        // A restarted shell is acted on through its new windows.
        const sim::Shell restarted = sim::RestartShell();
        EXPECT_NE(restarted.taskbar, shell.taskbar);
        EXPECT_NE(restarted.icons, shell.icons);
        ShowTaskbar(false);
        ShowDesktop(false);
        EXPECT_FALSE(Visible(restarted.taskbar));
        EXPECT_FALSE(Visible(restarted.icons));
        EXPECT_FALSE(TaskbarVisible());
        EXPECT_FALSE(DesktopVisible());
        ShowTaskbar(true);
        EXPECT_TRUE(TaskbarVisible());
    }
    // A replacement shell that names its icon window otherwise.
    sim::StopShell();
    const Handle icons = sim::AddWindow("Icons", "", sim::AddWindow("Progman", "Program Manager"));
    EXPECT_EQ(DesktopIconsWindow(), icons);
}

TEST_F(DesktopTest, MissingWindowsCountAsHiddenAndTheWallpaperStillChanges) {
    for (bool shell : {false, true}) {
        SCOPED_TRACE(shell ? "desktop window without icon child" : "no shell");
        Fresh({true, true, false}, shell);
        // Another program's button, and a WorkerW without the icon view.
        sim::AddWindow("Button", "Start");
        sim::AddWindow("WorkerW", "");
        savedWallpaper = dl::Text::Copy(kWallpaper, sizeof kWallpaper - 1);
        EXPECT_EQ(TaskbarVisible(), shell);
        EXPECT_FALSE(DesktopVisible());
        sim::ClearCalls();
        ShowDesktop(false);
        EXPECT_EQ(sim::Wallpaper(), "");
        ShowDesktop(true);
        EXPECT_EQ(sim::Wallpaper(), kWallpaper);
        ShowTaskbar(false);
        EXPECT_FALSE(TaskbarVisible());
        EXPECT_EQ(Changes(), (Lines{Show(0, 0), Spi(""), Show(0, 5), Spi(kWallpaper),
                                    Show(shell ? shellWindows.taskbar : 0, 0)}));
    }
}

TEST_F(DesktopTest, ShowDesktopPutsBackTheStartupWallpaperNotTheUsersLaterChoice) {
    ShowDesktop(true); // an unset wallpaper is handed over as null, not empty
    EXPECT_EQ(sim::Wallpaper(), std::nullopt);
    savedWallpaper = dl::Text::Copy(kWallpaper, sizeof kWallpaper - 1);
    const Handle icons = shellWindows.icons;
    ShowDesktop(false);
    EXPECT_FALSE(Visible(icons));
    EXPECT_EQ(sim::Wallpaper(), "");
    EXPECT_EQ(StoredWallpaper(), kWallpaper + std::string(1, '\0'));
    sim::ChooseWallpaper("D:\\Moon.bmp");
    ShowDesktop(false);
    EXPECT_FALSE(Visible(icons));
    EXPECT_EQ(sim::Wallpaper(), "");
    ShowDesktop(true);
    ShowDesktop(true); // already shown: the wallpaper is applied again all the same
    EXPECT_TRUE(Visible(icons));
    EXPECT_EQ(sim::Wallpaper(), kWallpaper);
    // Flag 2 alone: the stored setting keeps whatever the user chose.
    EXPECT_EQ(StoredWallpaper(), std::string("D:\\Moon.bmp") + '\0');
    EXPECT_EQ(sim::Log("SystemParametersInfoA"),
              (Lines{Spi(nullptr), Spi(""), Spi(""), Spi(kWallpaper), Spi(kWallpaper)}));
}

// --- Registry reader ---

// It always closes the key, even one that refused to open.
TEST_F(DesktopTest, ReadKeyValueTurnsEveryStoredFormIntoTextNumberOrEmptyAndAlwaysCloses) {
    const std::string open = R"(RegOpenKeyExA(-2147483647, "Control Panel\Desktop", 0, 63, 0))";
    sim::ClearCalls();
    EXPECT_EQ(Describe(ReadWallpaper()), std::string("text:") + kWallpaper);
    EXPECT_EQ(sim::Log("RegOpenKeyExA"), Lines{open});
    EXPECT_EQ(sim::OpenKeys(), 0);

    using B = std::string; // raw stored bytes
    const std::string big(65535, 'x');
    const std::tuple<std::uint32_t, B, std::string> cases[] = {
        {platform::kRegSz, B("C:\\a.bmp\0", 9), "text:C:\\a.bmp"},
        {platform::kRegSz, B("C:\\a.bmp"), "text:C:\\a.bmp"}, // stored without its NUL
        {platform::kRegSz, B(), "text:"},
        {platform::kRegSz, B(1, '\0'), "text:"},
        {platform::kRegSz, B("ab\0cd\0", 6), "text:ab"},
        {platform::kRegSz, big + '\0', "text:" + big},
        {platform::kRegDword, B("\x07\0\0\0", 4), "number:7"},
        {platform::kRegDword, B("\xFF\xFF\xFF\xFF"), "number:-1"},
        {platform::kRegDword, B("\x00\x00\x00\x80", 4), "number:-2147483648"},
        {platform::kRegDword, B("\x85"), "number:133"}, // upper bytes of the field stay 0
        {platform::kRegDword, B("\x34\x12"), "number:4660"},
        {platform::kRegDword, B("\x01\x02\x03"), "number:197121"},
        {platform::kRegDword, B(), "number:0"},
        {sim::kRegExpandSz, B("%WINDIR%\\a.bmp\0", 15), "empty"},
        {sim::kRegBinary, B("\x01\x02"), "empty"},
        {sim::kRegMultiSz, B("a\0b\0\0", 5), "empty"},
    };
    for (const auto& [type, bytes, expected] : cases) {
        sim::SetValue("Wallpaper", type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        EXPECT_EQ(Describe(ReadWallpaper()), expected)
            << "type " << type << ", " << bytes.size() << " bytes";
    }
    for (std::size_t bytes = 5; bytes <= 8; ++bytes) {
        sim::SetNumber("Wallpaper", 0x1122334455667788u, bytes);
        EXPECT_EQ(Describe(ReadWallpaper()), "empty") << bytes << " bytes";
    }
    EXPECT_EQ(sim::OpenKeys(), 0);
    sim::RefuseKey();
    sim::ClearCalls();
    EXPECT_EQ(Describe(ReadWallpaper()), "empty");
    EXPECT_EQ(sim::Log("RegOpenKeyExA"), Lines{open});
    EXPECT_EQ(sim::Log("RegQueryValueExA"),
              Lines{R"(RegQueryValueExA(0, "Wallpaper", null, ptr, null, 0))"});
    EXPECT_EQ(sim::Log("RegCloseKey"), Lines{"RegCloseKey(0)"});
}

TEST_F(DesktopTest, ReadValueReportsFailuresAndLeavesTheValueAlone) {
    sim::SetNumber("Long", 0x1122334455667788u, 8);
    sim::SetValue("Raw", sim::kRegBinary, {1, 2});
    sim::SetText("Text", "abc");
    Handle key = 0, closed = 0;
    ASSERT_EQ(platform::RegOpenKeyExA(sim::kCurrentUser, kDesktopKey, 0, 0x3F, &closed), 0);
    platform::RegCloseKey(closed);
    ASSERT_EQ(platform::RegOpenKeyExA(sim::kCurrentUser, kDesktopKey, 0, 0x3F, &key), 0);
    const int allocations = sim::LiveAllocations();

    const std::tuple<Handle, const char*, int, platform::Status, platform::Status, const char*>
        cases[] = {
            {key, "Long", 0, 0, 234, "number:99"}, // asked for with the field's 4 bytes only
            {key, "Raw", 0, 0, kUnhandledType, "number:99"},
            {key, "Missing", 0, 0, 2, "number:99"},
            {0, "Text", 0, 0, 6, "number:99"},
            {closed, "Text", 0, 0, 6, "number:99"},
            {key, "Text", 1, 0, kNotEnoughMemory, "number:99"},
            {key, "Text", 0, 234, 234, "empty"}, // a failed text read empties the value
            {key, "Long", 0, 5, 5, "number:99"},
        };
    for (const auto& [opened, name, failAllocations, failRead, status, after] : cases) {
        RegistryValue value;
        value.kind = RegistryValue::Kind::Number;
        value.number = 99;
        sim::FailAllocations(failAllocations);
        sim::FailNextDataQuery(failRead);
        EXPECT_EQ(ReadValue(opened, name, value), status) << name;
        EXPECT_EQ(Describe(value), after) << name;
    }
    EXPECT_EQ(sim::LiveAllocations(), allocations);
    sim::ClearCalls();
    RegistryValue value;
    EXPECT_EQ(ReadValue(key, "Long", value), 234);
    EXPECT_EQ(sim::Log("RegQueryValueExA")[1],
              "RegQueryValueExA(" + N(key) + R"(, "Long", null, ptr, ptr, 4))");
    EXPECT_EQ(ReadValue(key, "Text", value), 0);
    EXPECT_EQ(Describe(value), "text:abc");
    platform::RegCloseKey(key);
}

// Windows' headers define HKEY_CURRENT_USER as (HKEY)(ULONG_PTR)((LONG)0x80000001):
// sign-extended in a 64-bit handle, which is how the program writes it.
static_assert(sizeof(Handle) == 4 || platform::kHkeyCurrentUser == 0xFFFFFFFF80000001u,
              "the registry root sign-extended in a 64-bit handle");
