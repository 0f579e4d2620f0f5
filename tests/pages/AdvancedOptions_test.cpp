// The two advanced options dialogs and the preview's information window
// under Wine: their compiled templates row by row, and the loading and saving
// exchanges through real modal runs, real button clicks and keys.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>
#include "AdvancedOptionsDlg.h"
#include "Framework.h"
#include "PagesTestSupport.h"
#include "resource.h"

namespace {

using pagestest::ControlLine;
using pagestest::DialogLine;
using pagestest::RunDialog;
using pagestest::RunDialogSteps;

const DWORD SHOWN = WS_VISIBLE, BUTTON = 128, STATIC = 130;
const DWORD POPUP = DS_MODALFRAME | WS_POPUP | WS_CAPTION;   // no system menu

TEST(AdvancedOptionsTest, TemplatesHoldExactlyTheDesignedControls) {
    const std::vector<std::string> logo = {
        DialogLine(POPUP, 208, 62, "Advanced Options"),
        ControlLine(-1, BUTTON, "Cycle Order", 7, 7, 63, 47, SHOWN | BS_GROUPBOX),
        ControlLine(IDC_FORWARD, BUTTON, "&Forward", 13, 18, 45, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP),
        ControlLine(IDC_BACKWARD, BUTTON, "&Backward", 13, 29, 51, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_RANDOM, BUTTON, "&Random", 13, 40, 43, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_DISABLE, BUTTON, "&Disable Cycling", 75, 10, 63, 10, SHOWN | BS_AUTOCHECKBOX | WS_TABSTOP),
        ControlLine(IDOK, BUTTON, "&OK", 151, 7, 50, 14, SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP),
        ControlLine(IDCANCEL, BUTTON, "&Cancel", 151, 24, 50, 14, SHOWN | BS_PUSHBUTTON | WS_TABSTOP),
    };
    EXPECT_EQ(logo, pagestest::ReadTemplate(IDD_ADVANCED).Lines);

    const std::vector<std::string> wallpaper = {
        DialogLine(POPUP, 208, 74, "Advanced Options"),
        ControlLine(-1, BUTTON, "Cycle Order", 7, 7, 63, 47, SHOWN | BS_GROUPBOX | WS_GROUP),
        ControlLine(IDC_FORWARD, BUTTON, "&Forward", 13, 18, 45, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP),
        ControlLine(IDC_BACKWARD, BUTTON, "&Backward", 13, 29, 51, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_RANDOM, BUTTON, "&Random", 13, 40, 43, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_DISABLE, BUTTON, "&Disable Cycling", 7, 59, 63, 10, SHOWN | BS_AUTOCHECKBOX | WS_TABSTOP),
        ControlLine(-1, BUTTON, "Display", 75, 7, 67, 58, SHOWN | BS_GROUPBOX | WS_GROUP),
        ControlLine(IDC_TILE, BUTTON, "Tile", 79, 18, 27, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP),
        ControlLine(IDC_CENTER, BUTTON, "Center", 79, 29, 37, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_STRETCH, BUTTON, "Stretch To Fit", 79, 40, 59, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_BESTFIT, BUTTON, "Best Fit", 79, 51, 39, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDOK, BUTTON, "&OK", 151, 7, 50, 14, SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP),
        ControlLine(IDCANCEL, BUTTON, "&Cancel", 151, 24, 50, 14, SHOWN | BS_PUSHBUTTON | WS_TABSTOP),
    };
    EXPECT_EQ(wallpaper, pagestest::ReadTemplate(IDD_WALLPAPER_ADVANCED).Lines);

    const std::vector<std::string> information = {
        DialogLine(POPUP | WS_VISIBLE, 197, 47, "Imagewheel [Information]"),
        ControlLine(-1, STATIC,
                "True color images take a while to load.  If you have time to read this message, you may be "
                "loading one.  This might take a minute or two.",
                7, 7, 183, 31, SHOWN | SS_LEFT | WS_GROUP),
    };
    EXPECT_EQ(information, pagestest::ReadTemplate(IDD_INFORMATION).Lines);
}

// "1" for each checked button of `ids`, "0" for the others.
std::string Checks(HWND dialog, std::initializer_list<int> ids) {
    std::string checks;
    for (int id : ids)
        checks += SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
    return checks;
}
#define ORDER_AND_SWITCH {IDC_FORWARD, IDC_BACKWARD, IDC_RANDOM, IDC_DISABLE}
#define STYLES {IDC_TILE, IDC_CENTER, IDC_STRETCH, IDC_BESTFIT}
const int STYLE_IDS[] = STYLES;   // by style code

void Click(HWND dialog, std::initializer_list<int> ids) {
    for (int id : ids)
        SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

TEST(AdvancedOptionsTest, LogoDialogShowsAndTakesBackOrderAndSwitch) {
    // Each order checks its radio only; the check box shows "not enabled".
    const char* shownFor[] = {"1000", "0101", "0010", "0000"};
    for (LONG order : {0, 1, 2, 7}) {
        CAdvancedOptionsDlg dialog;
        dialog.m_order = order;
        dialog.m_cycleEnabled = order != 1;
        std::string shown;
        ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) { shown = Checks(hWnd, ORDER_AND_SWITCH); }, IDOK));
        EXPECT_EQ(shownFor[order <= 2 ? order : 3], shown) << order;
        EXPECT_EQ(order, dialog.m_order) << "an unknown order survives OK";
        EXPECT_EQ(order != 1, dialog.m_cycleEnabled != 0);
    }
    // Choices replace the values; Cancel changes nothing, whatever was clicked.
    CAdvancedOptionsDlg dialog;
    dialog.m_order = 7;
    dialog.m_cycleEnabled = 1;
    ASSERT_EQ(IDOK, RunDialog(dialog, [](HWND hWnd) { Click(hWnd, {IDC_RANDOM, IDC_DISABLE}); }, IDOK));
    EXPECT_EQ(2, dialog.m_order);
    EXPECT_EQ(0, dialog.m_cycleEnabled);
    ASSERT_EQ(IDCANCEL, RunDialog(dialog, [](HWND hWnd) { Click(hWnd, {IDC_FORWARD, IDC_DISABLE}); }, IDCANCEL));
    EXPECT_EQ(2, dialog.m_order);
    EXPECT_EQ(0, dialog.m_cycleEnabled);
}

// Steps for RunDialogSteps.
typedef std::function<bool(HWND)> Step;

// A mouse click on control `id`.
Step ClickOn(int id) {
    return [id](HWND dialog) {
        pagestest::ClickMiddle(GetDlgItem(dialog, id));
        return true;
    };
}

// `key` pressed in the control that has the focus.
Step Press(UINT key) {
    return [key](HWND) {
        pagestest::PressKey(GetFocus(), key);
        return true;
    };
}

// Waits until the Display group shows `checks` ("0010": Stretch To Fit
// checked), with the focus on the checked radio when `focused`.
Step Shows(const std::string& checks, bool focused = false) {
    return [checks, focused](HWND dialog) {
        if (Checks(dialog, STYLES) != checks)
            return false;
        return !focused || GetFocus() == GetDlgItem(dialog, STYLE_IDS[checks.find('1')]);
    };
}

TEST(AdvancedOptionsTest, WallpaperDialogOffersTheFourStylesToMouseAndKeyboard) {
    // Each style shows as its radio; a click on another radio and a click on
    // OK make that one the style, and the next run shows it again.
    for (LONG chosen = 0; chosen <= 3; ++chosen) {
        SCOPED_TRACE(chosen);
        CWallpaperOptionsDlg dialog;
        dialog.m_order = 1;
        dialog.m_cycleEnabled = 1;
        dialog.m_displayStyle = (chosen + 1) % 4;
        std::string before = "0000", after = "0000";
        before[dialog.m_displayStyle] = after[chosen] = '1';
        bool allShown = false;
        ASSERT_EQ(IDOK, RunDialogSteps(dialog, {
            [&](HWND hWnd) {
                allShown = true;
                for (int id : STYLES)
                    allShown = allShown && IsWindowVisible(GetDlgItem(hWnd, id)) && IsWindowEnabled(GetDlgItem(hWnd, id));
                return Shows(before)(hWnd);
            },
            ClickOn(STYLE_IDS[chosen]), Shows(after), ClickOn(IDOK)}));
        EXPECT_TRUE(allShown) << "every style can be chosen";
        EXPECT_EQ(chosen, dialog.m_displayStyle);
        EXPECT_EQ(1, dialog.m_order);
        EXPECT_EQ(1, dialog.m_cycleEnabled);
        // Shown again; Cancel after another click leaves the value.
        ASSERT_EQ(IDCANCEL, RunDialogSteps(dialog, {Shows(after), ClickOn(STYLE_IDS[(chosen + 2) % 4]),
                                                    ClickOn(IDCANCEL)}));
        EXPECT_EQ(chosen, dialog.m_displayStyle);
    }

    // The arrow keys move among the four radios only, checking each in turn
    // and wrapping round at either end; Enter is OK.
    CWallpaperOptionsDlg dialog;
    dialog.m_order = 9;   // no order checked: OK keeps it
    dialog.m_cycleEnabled = 0;
    dialog.m_displayStyle = 0;
    std::string order;
    ASSERT_EQ(IDOK, RunDialogSteps(dialog, {
        [&](HWND hWnd) {
            order = Checks(hWnd, ORDER_AND_SWITCH);
            return Shows("1000")(hWnd);
        },
        ClickOn(IDC_TILE), Shows("1000", true),
        Press(VK_DOWN), Shows("0100", true), Press(VK_DOWN), Shows("0010", true),
        Press(VK_DOWN), Shows("0001", true), Press(VK_DOWN), Shows("1000", true),
        Press(VK_UP), Shows("0001", true), Press(VK_UP), Shows("0010", true), Press(VK_RETURN)}));
    EXPECT_EQ("0001", order);
    EXPECT_EQ(2, dialog.m_displayStyle);
    EXPECT_EQ(9, dialog.m_order) << "no order checked keeps the stored one";
    EXPECT_EQ(0, dialog.m_cycleEnabled);
    ASSERT_EQ(IDOK, RunDialogSteps(dialog, {Shows("0010"), ClickOn(IDC_STRETCH), Shows("0010", true), Press(VK_RIGHT),
                                            Shows("0001", true), ClickOn(IDC_BACKWARD), ClickOn(IDC_DISABLE),
                                            ClickOn(IDOK)}));
    EXPECT_EQ(3, dialog.m_displayStyle);
    EXPECT_EQ(1, dialog.m_order);
    EXPECT_EQ(1, dialog.m_cycleEnabled);

    // A style outside 0-3 checks none; OK without a choice keeps it.
    dialog.m_displayStyle = 7;
    ASSERT_EQ(IDOK, RunDialogSteps(dialog, {Shows("0000"), ClickOn(IDOK)}));
    EXPECT_EQ(7, dialog.m_displayStyle);
}

}  // namespace
