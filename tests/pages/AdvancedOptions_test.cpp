// The two advanced options dialogs and the preview's information window
// under Wine: their compiled templates row by row, and the loading and saving
// exchanges through real modal runs and real button clicks.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>
#include "AdvancedOptionsDlg.h"
#include "Framework.h"
#include "resource.h"

namespace {

// A string-or-ordinal field of a DLGTEMPLATE ("#n" for a number); moves past it.
std::string ReadField(const WORD*& p) {
    std::string text;
    if (*p == 0xFFFF) {
        text = "#" + std::to_string(p[1]);
        p += 2;
        return text;
    }
    while (*p)
        text += static_cast<char>(*p++);
    ++p;
    return text;
}

// The template as lines: the dialog first, then one line per control.
std::vector<std::string> TemplateLines(int id) {
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));   // RT_DIALOG
    if (found == NULL)
        return {};
    const DLGTEMPLATE* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(NULL, found)));
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    char line[400];
    std::string menu = ReadField(p), cls = ReadField(p), caption = ReadField(p);
    WORD points = *p++;
    std::string font = ReadField(p);
    std::snprintf(line, sizeof line, "%08lx %lx %d,%d,%d,%d menu'%s' class'%s' '%s' %d'%s'", dialog->style,
                  dialog->dwExtendedStyle, dialog->x, dialog->y, dialog->cx, dialog->cy, menu.c_str(), cls.c_str(),
                  caption.c_str(), points, font.c_str());
    std::vector<std::string> lines = {line};
    for (int i = 0; i < dialog->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~static_cast<UINT_PTR>(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        std::string itemClass = ReadField(p), text = ReadField(p);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        std::snprintf(line, sizeof line, "%d %s '%s' %d,%d,%d,%d %08lx %lx %u", static_cast<short>(item->id),
                      itemClass.c_str(), text.c_str(), item->x, item->y, item->cx, item->cy, item->style,
                      item->dwExtendedStyle, extra);
        lines.push_back(line);
    }
    return lines;
}

std::string Dialog(DWORD style, int cx, int cy, const char* caption) {
    char line[200];
    std::snprintf(line, sizeof line, "%08lx 0 0,0,%d,%d menu'' class'' '%s' 8'MS Sans Serif'", style | DS_SETFONT, cx,
                  cy, caption);
    return line;
}

std::string Control(int id, int atom, const char* text, int x, int y, int cx, int cy, DWORD style) {
    char line[400];
    std::snprintf(line, sizeof line, "%d #%d '%s' %d,%d,%d,%d %08lx 0 0", id, atom, text, x, y, cx, cy,
                  style | WS_CHILD);
    return line;
}

const DWORD SHOWN = WS_VISIBLE, BUTTON = 128, STATIC = 130;
const DWORD POPUP = DS_MODALFRAME | WS_POPUP | WS_CAPTION;   // no system menu

TEST(AdvancedOptionsTest, TemplatesHoldExactlyTheDesignedControls) {
    const std::vector<std::string> logo = {
        Dialog(POPUP, 208, 62, "Advanced Options"),
        Control(-1, BUTTON, "Cycle Order", 7, 7, 63, 47, SHOWN | BS_GROUPBOX),
        Control(IDC_FORWARD, BUTTON, "&Forward", 13, 18, 45, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP),
        Control(IDC_BACKWARD, BUTTON, "&Backward", 13, 29, 51, 10, SHOWN | BS_AUTORADIOBUTTON),
        Control(IDC_RANDOM, BUTTON, "&Random", 13, 40, 43, 10, SHOWN | BS_AUTORADIOBUTTON),
        Control(IDC_DISABLE, BUTTON, "&Disable Cycling", 75, 10, 63, 10, SHOWN | BS_AUTOCHECKBOX | WS_TABSTOP),
        Control(IDOK, BUTTON, "&OK", 151, 7, 50, 14, SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP),
        Control(IDCANCEL, BUTTON, "&Cancel", 151, 24, 50, 14, SHOWN | BS_PUSHBUTTON | WS_TABSTOP),
    };
    EXPECT_EQ(logo, TemplateLines(IDD_ADVANCED));

    const std::vector<std::string> wallpaper = {
        Dialog(POPUP, 208, 74, "Advanced Options"),
        Control(-1, BUTTON, "Cycle Order", 7, 7, 63, 47, SHOWN | BS_GROUPBOX | WS_GROUP),
        Control(IDC_FORWARD, BUTTON, "&Forward", 13, 18, 45, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP),
        Control(IDC_BACKWARD, BUTTON, "&Backward", 13, 29, 51, 10, SHOWN | BS_AUTORADIOBUTTON),
        Control(IDC_RANDOM, BUTTON, "&Random", 13, 40, 43, 10, SHOWN | BS_AUTORADIOBUTTON),
        Control(IDC_DISABLE, BUTTON, "&Disable Cycling", 7, 59, 63, 10, SHOWN | BS_AUTOCHECKBOX | WS_TABSTOP),
        Control(-1, BUTTON, "Display", 75, 7, 67, 58, SHOWN | BS_GROUPBOX | WS_GROUP),
        Control(IDC_TILE, BUTTON, "Tile", 79, 18, 27, 10, SHOWN | BS_AUTORADIOBUTTON | WS_TABSTOP),
        Control(IDC_CENTER, BUTTON, "Center", 79, 29, 37, 10, SHOWN | BS_AUTORADIOBUTTON),
        Control(IDC_STRETCH, BUTTON, "Stretch To Fit", 79, 40, 59, 10, WS_DISABLED | BS_AUTORADIOBUTTON),
        Control(IDC_BESTFIT, BUTTON, "Best Fit", 79, 51, 39, 10, WS_DISABLED | BS_AUTORADIOBUTTON),
        Control(IDOK, BUTTON, "&OK", 151, 7, 50, 14, SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP),
        Control(IDCANCEL, BUTTON, "&Cancel", 151, 24, 50, 14, SHOWN | BS_PUSHBUTTON | WS_TABSTOP),
        Control(-1, STATIC, "More to come in\nfuture versions!", 83, 43, 56, 17, SHOWN | SS_LEFT | WS_GROUP),
    };
    EXPECT_EQ(wallpaper, TemplateLines(IDD_WALLPAPER_ADVANCED));

    const std::vector<std::string> information = {
        Dialog(POPUP | WS_VISIBLE, 197, 47, "Imagewheel [Information]"),
        Control(-1, STATIC,
                "True color images take a while to load.  If you have time to read this message, you may be "
                "loading one.  This might take a minute or two.",
                7, 7, 183, 31, SHOWN | SS_LEFT | WS_GROUP),
    };
    EXPECT_EQ(information, TemplateLines(IDD_INFORMATION));
}

// Runs `dialog` modally; once it is on screen, `act` runs with its window,
// then the button `close` is clicked. Returns DoModal's result.
std::function<void(HWND)> g_act;
CDialog* g_dialog;
int g_close;
DWORD g_start;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND hWnd = g_dialog != NULL ? g_dialog->GetSafeHwnd() : NULL;
    if (hWnd == NULL || !IsWindowVisible(hWnd)) {
        if (g_dialog != NULL && GetTickCount() - g_start > 15000) {
            ADD_FAILURE() << "the dialog did not show";
            g_dialog = NULL;
        }
        return;
    }
    g_dialog = NULL;   // act once
    g_act(hWnd);
    SendMessageA(GetDlgItem(hWnd, g_close), BM_CLICK, 0, 0);
}

INT_PTR RunDialog(CDialog& dialog, std::function<void(HWND)> act, int close) {
    g_dialog = &dialog;
    g_act = std::move(act);
    g_close = close;
    g_start = GetTickCount();
    UINT_PTR timer = SetTimer(NULL, 0, 50, DriveDialog);
    INT_PTR result = dialog.DoModal();
    KillTimer(NULL, timer);
    g_dialog = NULL;
    return result;
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
