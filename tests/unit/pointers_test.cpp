// The red mouse pointers: their pixels, and the standard pointers of the
// simulated desktop through tick, untick, defaults and exit.
#include <cmath>

#include "fixture.h"

using DLform::kDuskcolorsChk;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
const std::string kReload = "SystemParametersInfoA(87, 0, null, 0)"; // SPI_SETCURSORS

std::uint32_t Luma(std::uint32_t color) {
    return static_cast<std::uint32_t>(std::lround(
        0.299 * (color >> 16 & 0xFF) + 0.587 * (color >> 8 & 0xFF) + 0.114 * (color & 0xFF)));
}

// The pointer's colour pixels (XOR ones when monochrome), then its AND mask.
std::vector<std::uint32_t> Pixels(const sim::Pointer& pointer) {
    std::vector<std::uint32_t> pixels = pointer.color.pixels, mask = pointer.mask.pixels;
    if (pixels.empty()) pixels.assign(mask.begin(), mask.begin() + mask.size() / 2);
    pixels.insert(pixels.end(), mask.end() - pixels.size(), mask.end());
    return pixels;
}

// Each pixel against the one it was made from: transparent stays so; every
// other is opaque (no inversion), red at its brightness, alpha kept, with
// neither green nor blue.
void ExpectRedPixels(const std::vector<std::uint32_t>& red,
                     const std::vector<std::uint32_t>& from) {
    ASSERT_EQ(red.size(), from.size());
    const std::size_t count = from.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(testing::Message() << std::hex << "pixel " << i << ", 0x" << from[i]);
        const bool transparent = from[count + i] != 0 && from[i] == 0;
        EXPECT_EQ(red[count + i], transparent ? kWhite : 0) << "AND mask";
        EXPECT_EQ(red[i], transparent ? 0 : (from[i] & 0xFF000000) | Luma(from[i]) << 16);
        EXPECT_EQ(red[i] & 0xFFFF, 0u) << "green or blue";
    }
}

} // namespace

TEST(RedPointerPixels, ShowingPixelsTurnRedAtTheirBrightnessTransparentOnesStay) {
    const std::vector<std::uint32_t> from = {
        // colour: monochrome white, black, transparent, inverting; then
        // 32-bit with alpha: grey, half-transparent white, blue, green, a
        // red whose AND bit is set, transparent
        kWhite, 0, 0, kWhite, 0xFF808080, 0x80FFFFFF, 0xFF0000FF, 0xFF00FF00, 0xC0FF0000, 0,
        // AND mask
        0, 0, kWhite, kWhite, 0, 0, 0, 0, kWhite, kWhite};
    std::vector<std::uint32_t> red = from;
    DLmodule::RedPointerPixels(red.data(), from.size() / 2);
    ExpectRedPixels(red, from);
    EXPECT_EQ(red[3], 0xFF0000u) << "the inverting pixel: opaque, full red";
}

// Every pointer of the set in force is a red copy of the user's, also after
// the night colours are applied again (as after unlocking): copied from the
// user's, never from the red ones. Unticking puts the user's back after the
// colours; nothing the program made is left but what Windows took.
TEST_F(DesktopTest, DuskColorsTurnEveryStandardPointerRedAndUntickingPutsTheUsersBack) {
    sim::Pointer& help = sim::UserPointers()[32651]; // a colour pointer with alpha
    help = {{3, 1, 1, {0, kWhite, kWhite}}, {3, 1, 32, {0xFFFFFFFF, 0x80808080, 0}}, 2, 0};
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    DLmodule::Main();
    sim::ClearCalls();
    for (int pass = 1; pass <= 2; ++pass) {
        SCOPED_TRACE(testing::Message() << "pass " << pass);
        if (pass == 1)
            sim::Click(Box(kDuskcolorsChk));
        else
            DLmodule::ApplyNightColors();
        Lines expected = {"SetSysColors(night)", "SetSystemCursor"};
        if (pass == 2) expected.insert(expected.begin() + 1, kReload);
        EXPECT_EQ(Changes(true), expected);
        EXPECT_EQ(sim::Log("SetSystemCursor").size(), 14u);
        ASSERT_EQ(sim::PointersInForce().size(), 14u);
        for (const std::uint32_t id : documented::kStandardPointers) {
            SCOPED_TRACE(testing::Message() << "pointer " << id);
            const sim::Pointer &red = sim::PointersInForce().at(id),
                               &user = sim::UserPointers().at(id);
            EXPECT_EQ(red.color.width, user.mask.width); // the size: with the pixels below
            EXPECT_EQ(std::make_pair(red.hotX, red.hotY), std::make_pair(user.hotX, user.hotY));
            ExpectRedPixels(Pixels(red), Pixels(user));
        }
        EXPECT_EQ(sim::HeldByProgram().bitmaps + sim::HeldByProgram().cursors, 0u);
        EXPECT_EQ(sim::HeldByProgram().handed, 14 * pass);
        sim::ClearCalls();
    }
    sim::Click(Box(kDuskcolorsChk));
    EXPECT_EQ(Changes(true), (Lines{"SetSysColors(start)", kReload}));
    EXPECT_EQ(Pixels(sim::PointersInForce().at(32512)), Pixels(sim::UserPointers().at(32512)));
}

// Defaults put the user's pointers back after the colours; exit does so in
// every case, last, also when the defaults leave the night colours at exit.
TEST_F(DesktopTest, DefaultsAndExitPutTheUsersPointersBackEvenWhereTheColoursStay) {
    DLmodule::Main();
    sim::Click(Box(kDuskcolorsChk));
    sim::ClearCalls();
    sim::Config().messageBoxAnswer = platform::kIdYes;
    DLform::mnRestore_Click();
    EXPECT_EQ(Changes(true), (Lines{"SetSysColors(standard)", kReload}));
    sim::ClearCalls();
    DLform::duskcolorsChk_Click(); // still ticked: the night again
    DLform::mnExit_Click();
    EXPECT_EQ(Changes(true),
              (Lines{"SetSysColors(night)", "SetSystemCursor", Show(shellWindows.icons, 5),
                     Spi(kWallpaper), Show(shellWindows.taskbar, 5), kReload}));
    EXPECT_EQ(sim::CurrentColors(), kNight);
    EXPECT_EQ(Pixels(sim::PointersInForce().at(32512)), Pixels(sim::UserPointers().at(32512)));
}

// Without SetSystemCursor nothing about pointers is done; a pointer this
// Windows lacks (the hand before 98), or one without memory to copy it,
// keeps the user's while the others turn red, and nothing leaks.
TEST_F(DesktopTest, WhereAPointerCannotBeMadeRedTheColoursStillSwitch) {
    sim::Config().user32Lacks = {"SetSystemCursor"};
    DLmodule::Main();
    sim::ClearCalls();
    sim::Click(Box(kDuskcolorsChk));
    sim::Click(Box(kDuskcolorsChk));
    DLform::mnExit_Click();
    EXPECT_EQ(sim::Log("LoadCursorA"), Lines{});
    EXPECT_EQ(Changes(true),
              (Lines{"SetSysColors(night)", "SetSysColors(start)", Show(shellWindows.icons, 5),
                     Spi(kWallpaper), Show(shellWindows.taskbar, 5), "SetSysColors(start)"}));

    Fresh();
    sim::UserPointers().erase(32649);
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    DLmodule::Main();
    sim::FailAllocations(1);
    sim::Click(Box(kDuskcolorsChk));
    EXPECT_EQ(sim::Log("SetSystemCursor").size(), 12u);
    EXPECT_EQ(sim::PointersInForce().count(32649), 0u);
    EXPECT_EQ(Pixels(sim::PointersInForce().at(32512)), Pixels(sim::UserPointers().at(32512)));
    EXPECT_EQ(sim::HeldByProgram().bitmaps + sim::HeldByProgram().cursors, 0u);
}
