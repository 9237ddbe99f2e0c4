// The main window: a narrow strip at the top-right corner of the screen with
// a menu bar and three check boxes.
#pragma once

#include "platform/platform.h"

namespace DLform {

constexpr char kClassName[] = "DLform";
constexpr char kCaption[] = "Dusklens";

// Control and menu identifiers, as WM_COMMAND reports them.
enum Id : unsigned {
    kDuskcolorsChk = 101,
    kDesktopChk = 102,
    kTaskbarChk = 103,
    kMnExit = 201,
    kMnAbout = 202,
    kMnRestore = 203,
};

// Creates the window hidden: its controls, its menu and then Form_Load.
// Answers the window, or 0 when it could not be created.
platform::Handle Load();
void Show();
platform::Handle Window();
void SetChecked(Id box, bool checked);
bool IsChecked(Id box);

// Event handlers.
void Form_Load();
void Form_Unload();
void Form_TaskbarCreated();
void Form_Resume();
void Form_WindowShown(platform::Handle window);
void Form_DisplayChange();
void Form_SettingChange(platform::WParam action);
void Form_SysColorChange();
void duskcolorsChk_Click();
void desktopChk_Click();
void taskbarChk_Click();
void mnExit_Click();
void mnAbout_Click();
void mnRestore_Click();

platform::LResult WindowProcedure(platform::Handle window, unsigned message,
                                  platform::WParam wParam, platform::LParam lParam);
// Keeps the Tab key in the boxes' own tab order, which is not their stacking.
bool PreTranslate(const platform::Message& message);

// Twips to pixels at `dotsPerInch`, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dotsPerInch);

} // namespace DLform
