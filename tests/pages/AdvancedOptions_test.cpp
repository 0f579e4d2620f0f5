// The two advanced options dialogs under Wine: their templates row by row,
// and the loading and saving exchanges driven through real modal runs with
// real button clicks.
#include <gtest/gtest.h>

#include <functional>
#include "AdvancedOptionsDlg.h"
#include "Framework.h"
#include "PagesTestSupport.h"
#include "TemplateReader.h"
#include "resource.h"

namespace {

using pagestest::DialogTemplate;
using pagestest::ReadDialogTemplate;

struct Row {
    int Id;
    const char* Class;
    const char* Text;
    short X, Y, Width, Height;
    DWORD Style;
};

const DWORD CHILD = WS_CHILD | WS_VISIBLE;

void ExpectRows(const DialogTemplate& dialog, const Row* rows, size_t n) {
    ASSERT_EQ(n, dialog.Controls.size());
    for (size_t i = 0; i < n; ++i) {
        const pagestest::TemplateControl& got = dialog.Controls[i];
        SCOPED_TRACE(rows[i].Text);
        EXPECT_EQ(rows[i].Id, got.Id);
        EXPECT_EQ(rows[i].Class, got.Class);
        EXPECT_EQ(rows[i].Text, got.Text);
        EXPECT_EQ(rows[i].X, got.X);
        EXPECT_EQ(rows[i].Y, got.Y);
        EXPECT_EQ(rows[i].Width, got.Width);
        EXPECT_EQ(rows[i].Height, got.Height);
        EXPECT_EQ(rows[i].Style, got.Style) << std::hex << got.Style;
        EXPECT_EQ(0u, got.ExStyle);
        EXPECT_EQ(0, got.CreationDataSize);
    }
}

void ExpectDialogFrame(const DialogTemplate& dialog, DWORD style, short width, short height, const char* caption) {
    ASSERT_TRUE(dialog.Found);
    EXPECT_EQ(style | DS_SETFONT, dialog.Style) << std::hex << dialog.Style;
    EXPECT_EQ(0u, dialog.ExStyle);
    EXPECT_EQ(0, dialog.X);
    EXPECT_EQ(0, dialog.Y);
    EXPECT_EQ(width, dialog.Width);
    EXPECT_EQ(height, dialog.Height);
    EXPECT_EQ("", dialog.Menu);
    EXPECT_EQ("", dialog.Class);
    EXPECT_EQ(caption, dialog.Caption);
    EXPECT_EQ(8, dialog.PointSize);
    EXPECT_EQ("MS Sans Serif", dialog.Font);
}

TEST(AdvancedOptionsTest, TemplatesHoldExactlyTheDesignedControls) {
    const DWORD POPUP = DS_MODALFRAME | WS_POPUP | WS_CAPTION;   // no system menu
    const DialogTemplate logo = ReadDialogTemplate(IDD_ADVANCED);
    ExpectDialogFrame(logo, POPUP, 208, 62, "Advanced Options");
    const Row logoRows[] = {
        {-1, "#128", "Cycle Order", 7, 7, 63, 47, CHILD | BS_GROUPBOX},
        {IDC_FORWARD, "#128", "&Forward", 13, 18, 45, 10, CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP},
        {IDC_BACKWARD, "#128", "&Backward", 13, 29, 51, 10, CHILD | BS_AUTORADIOBUTTON},
        {IDC_RANDOM, "#128", "&Random", 13, 40, 43, 10, CHILD | BS_AUTORADIOBUTTON},
        {IDC_DISABLE, "#128", "&Disable Cycling", 75, 10, 63, 10, CHILD | BS_AUTOCHECKBOX | WS_TABSTOP},
        {IDOK, "#128", "&OK", 151, 7, 50, 14, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, "#128", "&Cancel", 151, 24, 50, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP},
    };
    ExpectRows(logo, logoRows, sizeof logoRows / sizeof logoRows[0]);

    const DialogTemplate wallpaper = ReadDialogTemplate(IDD_WALLPAPER_ADVANCED);
    ExpectDialogFrame(wallpaper, POPUP, 208, 74, "Advanced Options");
    const DWORD HIDDEN = WS_CHILD | WS_DISABLED;
    const Row wallpaperRows[] = {
        {-1, "#128", "Cycle Order", 7, 7, 63, 47, CHILD | BS_GROUPBOX | WS_GROUP},
        {IDC_FORWARD, "#128", "&Forward", 13, 18, 45, 10, CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP},
        {IDC_BACKWARD, "#128", "&Backward", 13, 29, 51, 10, CHILD | BS_AUTORADIOBUTTON},
        {IDC_RANDOM, "#128", "&Random", 13, 40, 43, 10, CHILD | BS_AUTORADIOBUTTON},
        {IDC_DISABLE, "#128", "&Disable Cycling", 7, 59, 63, 10, CHILD | BS_AUTOCHECKBOX | WS_TABSTOP},
        {-1, "#128", "Display", 75, 7, 67, 58, CHILD | BS_GROUPBOX | WS_GROUP},
        {IDC_TILE, "#128", "Tile", 79, 18, 27, 10, CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP},
        {IDC_CENTER, "#128", "Center", 79, 29, 37, 10, CHILD | BS_AUTORADIOBUTTON},
        {IDC_STRETCH, "#128", "Stretch To Fit", 79, 40, 59, 10, HIDDEN | BS_AUTORADIOBUTTON},
        {IDC_BESTFIT, "#128", "Best Fit", 79, 51, 39, 10, HIDDEN | BS_AUTORADIOBUTTON},
        {IDOK, "#128", "&OK", 151, 7, 50, 14, CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, "#128", "&Cancel", 151, 24, 50, 14, CHILD | BS_PUSHBUTTON | WS_TABSTOP},
        {-1, "#130", "More to come in\nfuture versions!", 83, 43, 56, 17, CHILD | SS_LEFT | WS_GROUP},
    };
    ExpectRows(wallpaper, wallpaperRows, sizeof wallpaperRows / sizeof wallpaperRows[0]);

    const DialogTemplate information = ReadDialogTemplate(IDD_INFORMATION);
    ExpectDialogFrame(information, DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION, 197, 47,
                      "Imagewheel [Information]");
    const Row informationRows[] = {
        {-1, "#130",
         "True color images take a while to load.  If you have time to read this message, you may be "
         "loading one.  This might take a minute or two.",
         7, 7, 183, 31, CHILD | SS_LEFT | WS_GROUP},
    };
    ExpectRows(information, informationRows, 1);
}

// Runs `dialog` modally; once it is on screen, `act` runs with its window and
// then the button `close` (IDOK, IDCANCEL) is clicked. Returns DoModal's result.
std::function<void(HWND)> g_act;
CDialog* g_dialog;
int g_close;
DWORD g_start;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (g_dialog == NULL)
        return;
    HWND hWnd = g_dialog->GetSafeHwnd();
    if (hWnd == NULL || !IsWindowVisible(hWnd)) {
        if (GetTickCount() - g_start > 15000) {
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

bool Checked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

struct Radios {
    bool Forward, Backward, Random, Disable;
};

Radios ReadOrder(HWND dialog) {
    return Radios{Checked(dialog, IDC_FORWARD), Checked(dialog, IDC_BACKWARD), Checked(dialog, IDC_RANDOM),
                  Checked(dialog, IDC_DISABLE)};
}

TEST(AdvancedOptionsTest, LogoDialogShowsAndTakesBackOrderAndSwitch) {
    // Each known order checks exactly its radio; the check box shows the
    // opposite of the enable flag.
    for (LONG order = 0; order <= 2; ++order) {
        CAdvancedOptionsDlg dialog;
        dialog.m_order = order;
        dialog.m_cycleEnabled = order != 1;
        Radios shown{};
        ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) { shown = ReadOrder(hWnd); }, IDOK));
        SCOPED_TRACE(order);
        EXPECT_EQ(order == 0, shown.Forward);
        EXPECT_EQ(order == 1, shown.Backward);
        EXPECT_EQ(order == 2, shown.Random);
        EXPECT_EQ(order == 1, shown.Disable);
        EXPECT_EQ(order, dialog.m_order);
        EXPECT_EQ(order != 1 ? 1 : 0, dialog.m_cycleEnabled);
    }

    // An unknown order checks nothing and survives OK; a choice replaces it.
    CAdvancedOptionsDlg unknown;
    unknown.m_order = 7;
    unknown.m_cycleEnabled = 1;
    Radios shown{};
    ASSERT_EQ(IDOK, RunDialog(unknown, [&](HWND hWnd) { shown = ReadOrder(hWnd); }, IDOK));
    EXPECT_FALSE(shown.Forward || shown.Backward || shown.Random || shown.Disable);
    EXPECT_EQ(7, unknown.m_order);
    EXPECT_EQ(1, unknown.m_cycleEnabled);
    ASSERT_EQ(IDOK, RunDialog(unknown, [&](HWND hWnd) {
        Click(hWnd, IDC_RANDOM);
        Click(hWnd, IDC_DISABLE);
    }, IDOK));
    EXPECT_EQ(2, unknown.m_order);
    EXPECT_EQ(0, unknown.m_cycleEnabled);

    // Cancel changes nothing, whatever was clicked.
    CAdvancedOptionsDlg cancelled;
    cancelled.m_order = 1;
    cancelled.m_cycleEnabled = 0;
    ASSERT_EQ(IDCANCEL, RunDialog(cancelled, [&](HWND hWnd) {
        Click(hWnd, IDC_FORWARD);
        Click(hWnd, IDC_DISABLE);
    }, IDCANCEL));
    EXPECT_EQ(1, cancelled.m_order);
    EXPECT_EQ(0, cancelled.m_cycleEnabled);
}

TEST(AdvancedOptionsTest, WallpaperDialogKeepsHiddenStylesUntilAVisibleOneIsChosen) {
    struct Shown {
        Radios Order;
        bool Tile, Center, Stretch, BestFit;
        bool StretchVisible, StretchEnabled, BestFitVisible, BestFitEnabled;
    };
    auto read = [](HWND hWnd) {
        return Shown{ReadOrder(hWnd), Checked(hWnd, IDC_TILE), Checked(hWnd, IDC_CENTER),
                     Checked(hWnd, IDC_STRETCH), Checked(hWnd, IDC_BESTFIT),
                     IsWindowVisible(GetDlgItem(hWnd, IDC_STRETCH)) != 0,
                     IsWindowEnabled(GetDlgItem(hWnd, IDC_STRETCH)) != 0,
                     IsWindowVisible(GetDlgItem(hWnd, IDC_BESTFIT)) != 0,
                     IsWindowEnabled(GetDlgItem(hWnd, IDC_BESTFIT)) != 0};
    };

    // Styles 2 and 3 check a hidden radio, and OK without touching the
    // Display group keeps them.
    for (LONG style = 0; style <= 3; ++style) {
        CWallpaperOptionsDlg dialog;
        dialog.m_order = 2;
        dialog.m_cycleEnabled = 0;
        dialog.m_displayStyle = style;
        Shown shown{};
        ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) { shown = read(hWnd); }, IDOK));
        SCOPED_TRACE(style);
        EXPECT_TRUE(shown.Order.Random && !shown.Order.Forward && !shown.Order.Backward);
        EXPECT_TRUE(shown.Order.Disable);
        EXPECT_EQ(style == 0, shown.Tile);
        EXPECT_EQ(style == 1, shown.Center);
        EXPECT_EQ(style == 2, shown.Stretch);
        EXPECT_EQ(style == 3, shown.BestFit);
        EXPECT_FALSE(shown.StretchVisible || shown.StretchEnabled || shown.BestFitVisible || shown.BestFitEnabled);
        EXPECT_EQ(style, dialog.m_displayStyle);
        EXPECT_EQ(2, dialog.m_order);
        EXPECT_EQ(0, dialog.m_cycleEnabled);
    }

    // A visible radio chosen over a checked hidden one wins; the object keeps
    // the accepted values for its next run.
    CWallpaperOptionsDlg dialog;
    dialog.m_order = 9;
    dialog.m_cycleEnabled = 1;
    dialog.m_displayStyle = 3;
    Shown shown{};
    ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) {
        shown = read(hWnd);
        Click(hWnd, IDC_CENTER);
        // Whether or not the click cleared the hidden radio, Center is tested first.
        SendMessageA(GetDlgItem(hWnd, IDC_BESTFIT), BM_SETCHECK, BST_CHECKED, 0);
    }, IDOK));
    EXPECT_FALSE(shown.Order.Forward || shown.Order.Backward || shown.Order.Random);
    EXPECT_EQ(9, dialog.m_order) << "no order checked keeps the stored one";
    EXPECT_EQ(1, dialog.m_displayStyle);
    ASSERT_EQ(IDOK, RunDialog(dialog, [&](HWND hWnd) {
        shown = read(hWnd);
        Click(hWnd, IDC_BACKWARD);
        Click(hWnd, IDC_TILE);
    }, IDOK));
    EXPECT_TRUE(shown.Center && !shown.Tile && !shown.BestFit);
    EXPECT_EQ(1, dialog.m_order);
    EXPECT_EQ(0, dialog.m_displayStyle);

    // Cancel leaves everything as it was.
    ASSERT_EQ(IDCANCEL, RunDialog(dialog, [&](HWND hWnd) {
        Click(hWnd, IDC_RANDOM);
        Click(hWnd, IDC_CENTER);
        Click(hWnd, IDC_DISABLE);
    }, IDCANCEL));
    EXPECT_EQ(1, dialog.m_order);
    EXPECT_EQ(0, dialog.m_displayStyle);
    EXPECT_EQ(1, dialog.m_cycleEnabled);
}

}  // namespace
