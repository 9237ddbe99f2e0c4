// The red mouse pointers on the simulated desktop, pixel by pixel, through
// tick, the night applied again, untick, defaults and exit.
#include "fixture.h"

namespace {

const std::string kReload = "SystemParametersInfoA(87, 0, null, 0)"; // SPI_SETCURSORS

// A pointer as one list: its width and hot spot, then its colour pixels (XOR
// ones when monochrome) and its AND mask, in a bottom-up DIB's order.
std::vector<std::uint32_t> Flat(const sim::Pointer& pointer) {
    std::vector<std::uint32_t> flat = {pointer.mask.width + 0u, pointer.hotX, pointer.hotY};
    flat.insert(flat.end(), pointer.color.pixels.begin(), pointer.color.pixels.end());
    flat.insert(flat.end(), pointer.mask.pixels.begin(), pointer.mask.pixels.end());
    return flat;
}

// Red copies, 0xAARRGGBB: every pixel that shows opaque (AND 0), red at its
// brightness, alpha kept; transparent ones kept. The standard arrow's white,
// black, transparent and inverting pixels (2 by 2, hot spot 1, 0), and the
// help pointer's grey, half-transparent white, blue, green, red with its AND
// bit set and transparent ones (3 by 2, 32-bit, hot spot 2, 0).
const std::vector<std::uint32_t> kRedArrow = {2, 1, 0, 0xFF0000, 0, 0, 0xFF0000, 0, 0, 0xFFFFFF, 0};
const std::vector<std::uint32_t> kRedHelp = {
    3, 2, 0, 0xFF800000, 0x80FF0000, 0xFF1D0000, 0xFF960000, 0xC04C0000,
    0, 0, 0, 0,          0,          0,          0xFFFFFF};

} // namespace

// Every pointer of the set becomes a red copy of the user's, also when the
// night colours are applied again (after unlocking): never a red copy of a
// red one. Unticking, defaults and exit put the user's back after the
// colours; exit does so also where the defaults leave the night colours.
// Nothing the program made is left but what SetSystemCursor took.
TEST_F(DesktopTest, DuskColorsTurnEveryStandardPointerRedAndEveryWayBackReloadsTheUsers) {
    sim::UserPointers()[32651] = {
        {3, 2, 1, {0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF}},
        {3, 2, 32, {0xFF808080, 0x80FFFFFF, 0xFF0000FF, 0xFF00FF00, 0xC0FF0000, 0}},
        2,
        0};
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    DLmodule::Main();
    DLmodule::ApplyRedPointers(); // as another copy of the program would have them
    DLmodule::redPointersShown = false;
    const auto expectRed = [] {
        for (const std::uint32_t id : documented::kStandardPointers)
            EXPECT_EQ(Flat(sim::PointersInForce().at(id)), id == 32651 ? kRedHelp : kRedArrow)
                << "pointer " << id;
    };
    const Handle box = Box(kDuskcolorsChk);
    sim::ClearCalls();
    sim::Click(box);
    expectRed();
    DLmodule::ApplyNightColors(); // as after unlocking
    expectRed();
    sim::Click(box); // unticked
    sim::Click(box);
    sim::Config().messageBoxAnswer = platform::kIdYes;
    DLform::mnRestore_Click();
    DLform::duskcolorsChk_Click(); // still ticked: the night again
    DLform::mnExit_Click();
    // Every change of colours reloads the user's pointers; the night's then makes them red.
    Lines expected;
    for (const std::string colors : {"night", "night", "start", "night", "standard", "night"}) {
        expected.insert(expected.end(), {"SetSysColors(" + colors + ")", kReload});
        if (colors == "night") expected.push_back("SetSystemCursor");
    }
    expected.insert(expected.end(), {Show(shellWindows.icons, 5), Spi(kWallpaper),
                                     Show(shellWindows.taskbar, 5), kReload});
    EXPECT_EQ(Changes(true), expected);
    EXPECT_EQ(sim::Log("SetSystemCursor").size(), 4 * 14u);
    EXPECT_EQ(sim::HeldByProgram(), 0);
}

// Without SetSystemCursor nothing about pointers is done. A pointer this
// Windows lacks (the hand before 98), or one without memory to copy it,
// stays the user's while the others turn red, and nothing leaks.
TEST_F(DesktopTest, WhereAPointerCannotBeMadeRedTheColoursStillSwitch) {
    sim::Config().user32Lacks = {"SetSystemCursor"};
    DLmodule::Main();
    sim::Click(Box(kDuskcolorsChk));
    DLform::mnExit_Click();
    EXPECT_EQ(Changes(true), Changes());            // no SPI_SETCURSORS
    EXPECT_EQ(sim::Log("SetSysColors").size(), 2u); // the night's, then the user's
    EXPECT_EQ(sim::Log("LoadCursorA"), Lines{});
    Fresh();
    sim::UserPointers().erase(32649);
    platform::SystemParametersInfoA(platform::kSpiSetCursors, 0, nullptr, 0);
    DLmodule::Main();
    sim::FailAllocations(1);
    sim::Click(Box(kDuskcolorsChk));
    EXPECT_EQ(sim::Log("SetSystemCursor").size(), 12u);
    EXPECT_EQ(Flat(sim::PointersInForce().at(32512)), Flat(sim::UserPointers().at(32512)));
    EXPECT_EQ(sim::HeldByProgram(), 0);
}
