// The red mouse pointers: their pixels, and the standard pointers of the
// simulated desktop through tick, untick, defaults and exit.
#include <cmath>

#include "fixture.h"

namespace {

const std::string kReload = "SystemParametersInfoA(87, 0, null, 0)"; // SPI_SETCURSORS

// The pointer's colour pixels (XOR ones when monochrome), then its AND mask.
std::vector<std::uint32_t> Pixels(const sim::Pointer& pointer) {
    std::vector<std::uint32_t> pixels = pointer.color.pixels, mask = pointer.mask.pixels;
    if (pixels.empty()) pixels.assign(mask.begin(), mask.begin() + mask.size() / 2);
    pixels.insert(pixels.end(), mask.end() - pixels.size(), mask.end());
    return pixels;
}

// Transparent stays so; every other pixel is opaque (no inversion), red at
// its brightness, alpha kept, with neither green nor blue.
void ExpectRed(const std::vector<std::uint32_t>& red, const std::vector<std::uint32_t>& from) {
    ASSERT_EQ(red.size(), from.size());
    for (std::size_t i = 0, count = from.size() / 2; i < count; ++i) {
        const std::uint32_t color = from[i];
        const bool transparent = from[count + i] != 0 && color == 0;
        const auto luma = std::lround(0.299 * (color >> 16 & 0xFF) + 0.587 * (color >> 8 & 0xFF) +
                                      0.114 * (color & 0xFF));
        EXPECT_EQ(red[count + i], transparent ? 0xFFFFFFu : 0u) << "AND of pixel " << i;
        EXPECT_EQ(red[i], transparent ? 0 : (color & 0xFF000000) | luma << 16) << "pixel " << i;
    }
}

} // namespace

TEST(RedPointerPixels, ShowingPixelsTurnRedAtTheirBrightnessTransparentOnesStay) {
    const std::vector<std::uint32_t> from = {
        // monochrome white, black, transparent, inverting; 32-bit with alpha:
        // grey, half-transparent white, blue, green, red with its AND bit set
        0xFFFFFF,   0,          0,          0xFFFFFF, 0xFF808080, 0x80FFFFFF,
        0xFF0000FF, 0xFF00FF00, 0xC0FF0000, 0,        0,          0xFFFFFF,
        0xFFFFFF,   0,          0,          0,        0,          0xFFFFFF}; // their AND mask
    std::vector<std::uint32_t> red = from;
    DLmodule::RedPointerPixels(red.data(), from.size() / 2);
    ExpectRed(red, from);
    EXPECT_EQ(red[3], 0xFF0000u) << "the inverting pixel: opaque, full red";
}

// Every pointer of the set becomes a red copy of the user's, also when the
// night colours are applied again (after unlocking): never a red copy of a
// red one. Unticking, defaults and exit put the user's back after the
// colours; exit does so also where the defaults leave the night colours.
// Nothing the program made is left but what SetSystemCursor took.
TEST_F(DesktopTest, DuskColorsTurnEveryStandardPointerRedAndEveryWayBackReloadsTheUsers) {
    sim::UserPointers()[32651] = {{3, 1, 1, {0, 0xFFFFFF, 0xFFFFFF}}, // colour, with alpha
                                  {3, 1, 32, {0xFFFFFFFF, 0x80808080, 0}},
                                  2,
                                  0};
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    DLmodule::Main();
    const Handle box = Box(DLform::kDuskcolorsChk);
    for (const bool again : {false, true}) {
        sim::ClearCalls();
        again ? DLmodule::ApplyNightColors() : sim::Click(box);
        Lines expected = {"SetSysColors(night)", "SetSystemCursor"};
        if (again) expected.insert(expected.begin() + 1, kReload);
        EXPECT_EQ(Changes(true), expected);
        EXPECT_EQ(sim::Log("SetSystemCursor").size(), 14u);
        for (const std::uint32_t id : documented::kStandardPointers) {
            const sim::Pointer &red = sim::PointersInForce().at(id),
                               &user = sim::UserPointers().at(id);
            SCOPED_TRACE(testing::Message() << "pointer " << id);
            EXPECT_EQ(std::vector<std::uint32_t>({red.color.width + 0u, red.hotX, red.hotY}),
                      std::vector<std::uint32_t>({user.mask.width + 0u, user.hotX, user.hotY}));
            ExpectRed(Pixels(red), Pixels(user));
        }
    }
    sim::ClearCalls();
    sim::Click(box); // unticked
    sim::Click(box);
    sim::Config().messageBoxAnswer = platform::kIdYes;
    DLform::mnRestore_Click();
    DLform::duskcolorsChk_Click(); // still ticked: the night again
    DLform::mnExit_Click();
    EXPECT_EQ(Changes(true),
              (Lines{"SetSysColors(start)", kReload, "SetSysColors(night)", "SetSystemCursor",
                     "SetSysColors(standard)", kReload, "SetSysColors(night)", "SetSystemCursor",
                     Show(shellWindows.icons, 5), Spi(kWallpaper), Show(shellWindows.taskbar, 5),
                     kReload}));
    EXPECT_EQ(sim::CurrentColors(), kNight);
    for (const std::uint32_t id : {32512, 32651})
        EXPECT_EQ(Pixels(sim::PointersInForce().at(id)), Pixels(sim::UserPointers().at(id)));
    EXPECT_EQ(sim::HeldByProgram(), 0);
    EXPECT_EQ(sim::HandedCursors(), 4 * 14);
}

// Without SetSystemCursor nothing about pointers is done. A pointer this
// Windows lacks (the hand before 98), or one without memory to copy it,
// stays the user's while the others turn red, and nothing leaks.
TEST_F(DesktopTest, WhereAPointerCannotBeMadeRedTheColoursStillSwitch) {
    sim::Config().user32Lacks = {"SetSystemCursor"};
    DLmodule::Main();
    sim::Click(Box(DLform::kDuskcolorsChk));
    DLform::mnExit_Click();
    EXPECT_EQ(sim::Log("LoadCursorA").size() + sim::Log("SetSystemCursor").size(), 0u);
    EXPECT_EQ(sim::Log("SystemParametersInfoA").size(), 1u); // the wallpaper's
    Fresh();
    sim::UserPointers().erase(32649);
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    DLmodule::Main();
    sim::FailAllocations(1);
    sim::Click(Box(DLform::kDuskcolorsChk));
    EXPECT_EQ(sim::Log("SetSystemCursor").size(), 12u);
    EXPECT_EQ(Pixels(sim::PointersInForce().at(32512)), Pixels(sim::UserPointers().at(32512)));
    EXPECT_EQ(sim::HeldByProgram(), 0);
}
