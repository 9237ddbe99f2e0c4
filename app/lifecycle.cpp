#include "app/lifecycle.h"

#include "desktop/colors.h"
#include "desktop/pointers.h"
#include "desktop/registry.h"
#include "desktop/screenfilter.h"
#include "desktop/shell.h"
#include "ui/DLform.h"

namespace DLmodule {

bool taskbarWasVisible = false;
bool desktopWasVisible = false;

namespace {

// The wallpaper setting as text: a number gives its decimal digits.
dl::Text WallpaperText(RegistryValue value) {
    if (value.kind == RegistryValue::Kind::Text) return static_cast<dl::Text&&>(value.text);
    if (value.kind != RegistryValue::Kind::Number) return dl::Text::Empty();
    char digits[12];
    int end = sizeof digits;
    const bool negative = value.number < 0;
    // Work on the unsigned magnitude so that INT32_MIN does not overflow.
    std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value.number)
                                       : static_cast<std::uint32_t>(value.number);
    do {
        digits[--end] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits[--end] = '-';
    dl::Text text = dl::Text::Copy(digits + end, sizeof digits - end);
    return text.isSet() ? static_cast<dl::Text&&>(text) : dl::Text::Empty();
}

} // namespace

void Main() {
    defaultsApplied = false;
    taskbarWasVisible = TaskbarVisible();
    DLform::Load();
    // Setting a box runs no click handler: start-up changes nothing on the desktop.
    DLform::SetChecked(DLform::kTaskbarChk, taskbarWasVisible);
    desktopWasVisible = DesktopVisible();
    DLform::SetChecked(DLform::kDesktopChk, desktopWasVisible);
    DLform::SetChecked(DLform::kDuskcolorsChk, false);
    FillDefaultColors();
    FillNightColors();
    CaptureColors();
    savedWallpaper = WallpaperText(
        ReadKeyValue(platform::kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper"));
    DLform::Show();
}

void RestoreDesktop() {
    ShowDesktop(desktopWasVisible);
    ShowTaskbar(taskbarWasVisible);
    if (!defaultsApplied) RestoreSavedColors();
    // Also when the colours stay: an effect must never outlive the program
    // that can take it away.
    EndFilter();
    // In every case: the colours follow the user's answer, the red pointers
    // are the program's own.
    RestoreUserPointers();
}

} // namespace DLmodule

int DusklensRun() {
    DLmodule::Main();
    // Without its window the program could never be closed: it would wait
    // for events forever, unseen. End at once instead.
    if (DLform::Window() == 0) return 1;
    return platform::RunMessageLoop(DLform::PreTranslate);
}
