// A fresh simulated desktop for every test: the shell running with taskbar
// and icons visible, the user's own colours, and a wallpaper chosen both
// currently and in the stored settings.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "desktop/colors.h"
#include "desktop/pointers.h"
#include "desktop/registry.h"
#include "desktop/screenfilter.h"
#include "desktop/shell.h"
#include "platform/sim/sim.h"
#include "tests/documented.h"
#include "ui/DLform.h"

using DLform::kDesktopChk;
using DLform::kDuskcolorsChk;
using DLform::kTaskbarChk;
using Lines = std::vector<std::string>;
using platform::Handle;

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kWallpaper[] = "C:\\WINDOWS\\Clouds.bmp";

// The documented values, written out apart from the program's tables.
using documented::kNight;
using documented::kStandard;
using documented::kUserEffect; // a user's own (sepia), in force before the program starts

inline std::string N(std::uint64_t number) { return std::to_string(number); }
inline std::string Show(Handle window, int command) {
    return "ShowWindow(" + N(window) + ", " + N(command) + ")";
}
inline std::string Spi(const char* path) {
    return "SystemParametersInfoA(20, 0, " +
           (path == nullptr ? std::string("null") : "\"" + std::string(path) + "\"") + ", 2)";
}

// The module's globals back to process start; Main sets them all again.
inline void ResetProgram() {
    if (DLform::Window() != 0) platform::DestroyWindow(DLform::Window());
    DLmodule::defaultsApplied = DLmodule::taskbarWasVisible = DLmodule::desktopWasVisible = false;
    DLmodule::savedWallpaper = dl::Text();
    DLmodule::savedColors = DLmodule::nightColors = DLmodule::defaultColors = {};
    DLmodule::filterState = DLmodule::FilterState::NotLoaded;
    DLmodule::foundEffect = {};
    DLmodule::nightEffectShown = DLmodule::redPointersShown = false;
}

using sim::Thousandths;

inline std::string EffectName(const std::vector<std::int64_t>& effect) {
    return effect == Thousandths(DLmodule::nightEffect)   ? "night"
           : effect == Thousandths(documented::kIdentity) ? "identity"
           : effect == Thousandths(kUserEffect)           ? "user's"
                                                          : "other";
}

class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override { Fresh(); }
    void TearDown() override { ResetProgram(); }

    void Fresh(const sim::ShellOptions& options = {}, bool shell = true) {
        ResetProgram();
        sim::Reset();
        if (shell) shellWindows = sim::StartShell(options);
        sim::ChooseWallpaper(kWallpaper);
        startColors = sim::CurrentColors();
    }
    void Start(const sim::ShellOptions& options = {}, bool shell = true) {
        Fresh(options, shell);
        DLmodule::Main();
    }
    void StartMagnified(const sim::ShellOptions& options = {}) { // Windows 8 and later
        Fresh(options);
        sim::MagnifierConfig().installed = true;
        DLmodule::Main();
    }

    static Handle Box(DLform::Id id) { return sim::ChildWithId(DLform::Window(), id); }
    static int Check(DLform::Id id) { return sim::Find(Box(id))->check; }
    static bool Visible(Handle window) { return sim::Find(window)->visible; }
    static platform::LResult Tell(unsigned message, platform::WParam wParam = 0) {
        return DLform::WindowProcedure(DLform::Window(), message, wParam, 0);
    }
    // Clicks the boxes named, in order: 'n' Dusk Colors, 'd' Desktop, 't'
    // Taskbar; 'y' answers Yes to Restore Default Colors.
    static void Arrange(const std::string& boxes) {
        for (char box : boxes) {
            if (box == 'y') {
                sim::Config().messageBoxAnswer = platform::kIdYes;
                sim::ChooseMenu(DLform::Window(), DLform::kMnRestore);
            } else {
                sim::Click(Box(box == 'n'   ? kDuskcolorsChk
                               : box == 'd' ? kDesktopChk
                                            : kTaskbarChk));
            }
        }
    }
    // Tab (Shift+Tab while Shift is down) in `from`: where the focus went, or
    // 0 when the key was not taken.
    static Handle Tab(Handle from) {
        const platform::Message tab = {from, platform::kWmKeyDown, platform::kVkTab, 0};
        return DLform::PreTranslate(tab) ? sim::Focus() : 0;
    }

    // The calls that change the desktop, in order. A colour switch is named
    // after its scheme and must hand over all 29 elements 0..28 in one call;
    // a full-screen effect after what it is. With `pointers`, each run of
    // SetSystemCursor calls as one line, and SPI_SETCURSORS.
    Lines Changes(bool pointers = false) const {
        Lines changes;
        for (const sim::Call& call : sim::Calls()) {
            if (call.name == "SetSysColors")
                changes.push_back("SetSysColors(" + SchemeName(call) + ")");
            else if (call.name == "MagSetFullscreenColorEffect")
                changes.push_back("MagSetFullscreenColorEffect(" + EffectName(call.args[0].list) +
                                  ")");
            else if (call.name == "SetSystemCursor" && pointers &&
                     (changes.empty() || changes.back() != call.name))
                changes.push_back(call.name);
            else if (call.name == "ShowWindow" ||
                     (call.name == "SystemParametersInfoA" &&
                      (pointers || call.args[0].number != platform::kSpiSetCursors)))
                changes.push_back(call.str());
        }
        return changes;
    }

    std::string SchemeName(const sim::Call& call) const {
        std::vector<std::int64_t> elements;
        for (int i = 0; i < sim::kElements; ++i)
            elements.push_back(i);
        if (call.args[0].number != sim::kElements || call.args[1].list != elements)
            return "malformed";
        const auto is = [&call](const sim::Colors& colors) {
            return call.args[2].list == std::vector<std::int64_t>(colors.begin(), colors.end());
        };
        return is(kNight)        ? "night"
               : is(kStandard)   ? "standard"
               : is(startColors) ? "start"
                                 : "other";
    }

    sim::Shell shellWindows;
    sim::Colors startColors{};
};
