// The two advanced options dialogs and the preview's information window
// under Wine: their compiled templates row by row, and the loading and saving
// exchanges through real modal runs and real button clicks.
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
        ControlLine(IDC_TILE, BUTTON, "Tile", 79, 18, 27, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP),
        ControlLine(IDC_CENTER, BUTTON, "Center", 79, 29, 37, 10, SHOWN | BS_AUTORADIOBUTTON),
        ControlLine(IDC_STRETCH, BUTTON, "Stretch To Fit", 79, 40, 59, 10, WS_DISABLED | BS_AUTORADIOBUTTON),
        ControlLine(IDC_BESTFIT, BUTTON, "Best Fit", 79, 51, 39, 10, WS_DISABLED | BS_AUTORADIOBUTTON),
        ControlLine(IDOK, BUTTON, "&OK", 151, 7, 50, 14, SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP),
        ControlLine(IDCANCEL, BUTTON, "&Cancel", 151, 24, 50, 14, SHOWN | BS_PUSHBUTTON | WS_TABSTOP),
        ControlLine(-1, STATIC, "More to come in\nfuture versions!", 83, 43, 56, 17, SHOWN | SS_LEFT | WS_GROUP),
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

TEST(AdvancedOptionsTest, WallpaperDialogKeepsHiddenStylesUntilAVisibleOneIsChosen) {
    // Styles 2 and 3 check a hidden, disabled radio; OK keeps them.
    for (LONG style = 0; style <= 3; ++style) {
        CWallpaperOptionsDlg dialog;
        dialog.m_order = 2;
        dialog.m_cycleEnabled = 0;
        dialog.m_displayStyle = style;
        std::string order, styles;
        bool hiddenShown = true;
        ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) {
            order = Checks(hWnd, ORDER_AND_SWITCH);
            styles = Checks(hWnd, STYLES);
            hiddenShown = false;
            for (int id : {IDC_STRETCH, IDC_BESTFIT})
                hiddenShown = hiddenShown || IsWindowVisible(GetDlgItem(hWnd, id)) || IsWindowEnabled(GetDlgItem(hWnd, id));
        }, IDOK));
        EXPECT_EQ("0011", order);
        EXPECT_EQ(std::string("0000").replace(style, 1, "1"), styles);
        EXPECT_FALSE(hiddenShown);
        EXPECT_EQ(style, dialog.m_displayStyle);
        EXPECT_EQ(2, dialog.m_order);
        EXPECT_EQ(0, dialog.m_cycleEnabled);
    }

    // A visible radio wins over a checked hidden one; the object keeps the
    // accepted values for its next run; Cancel leaves them.
    CWallpaperOptionsDlg dialog;
    dialog.m_order = 9;
    dialog.m_cycleEnabled = 1;
    dialog.m_displayStyle = 3;
    std::string order;
    ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) {
        order = Checks(hWnd, ORDER_AND_SWITCH);
        Click(hWnd, {IDC_CENTER});
        // Whether or not the click cleared the hidden radio, Center is tested first.
        SendMessageA(GetDlgItem(hWnd, IDC_BESTFIT), BM_SETCHECK, BST_CHECKED, 0);
    }, IDOK));
    EXPECT_EQ("0000", order);
    EXPECT_EQ(9, dialog.m_order) << "no order checked keeps the stored one";
    EXPECT_EQ(1, dialog.m_displayStyle);
    std::string styles;
    ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) {
        styles = Checks(hWnd, STYLES);
        Click(hWnd, {IDC_BACKWARD, IDC_TILE});
    }, IDOK));
    EXPECT_EQ("0100", styles);
    EXPECT_EQ(1, dialog.m_order);
    EXPECT_EQ(0, dialog.m_displayStyle);
    ASSERT_EQ(IDCANCEL, RunDialog(dialog, [](HWND hWnd) { Click(hWnd, {IDC_RANDOM, IDC_CENTER, IDC_DISABLE}); }, IDCANCEL));
    EXPECT_EQ(1, dialog.m_order);
    EXPECT_EQ(0, dialog.m_displayStyle);
    EXPECT_EQ(1, dialog.m_cycleEnabled);
}

}  // namespace
