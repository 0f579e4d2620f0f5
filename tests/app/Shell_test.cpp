// In-process checks of the shell's parts: the command line record and the
// sheet that reopens on the page last active.
#include <gtest/gtest.h>

#include <functional>
#include "ConfigSheet.h"
#include "GeneralPage.h"
#include "WheelApp.h"

namespace {

CWinApp g_testApp("app_tests");

TEST(WheelCommandLineInfoTest, OnlyTheTwoSwitchesInAnyCaseSetAFlag) {
    struct Case {
        const char* Param;
        BOOL Flag;
        LONG Cycle;
        LONG Uninstall;
    } cases[] = {
        {"cycle", TRUE, 1, 0},     {"CyClE", TRUE, 1, 0},      {"uninstall", TRUE, 0, 1},
        {"UNINSTALL", TRUE, 0, 1}, {"cycle", FALSE, 0, 0},     {"uninstall", FALSE, 0, 0},
        {"cycles", TRUE, 0, 0},    {"/cycle", TRUE, 0, 0},     {"", TRUE, 0, 0},
    };
    for (const Case& c : cases) {
        CWheelCommandLineInfo info;
        info.ParseParam(c.Param, c.Flag, TRUE);
        EXPECT_EQ(c.Cycle, info.CycleMode) << c.Param << " flag " << c.Flag;
        EXPECT_EQ(c.Uninstall, info.UninstallMode) << c.Param << " flag " << c.Flag;
        EXPECT_TRUE(info.m_strFileName.GetLength() == 0) << "file names are not taken";
    }
    // Both switches: both flags, and start-up treats the run as uninstall.
    CWheelCommandLineInfo both;
    both.ParseParam("cycle", TRUE, FALSE);
    both.ParseParam("Uninstall", TRUE, TRUE);
    EXPECT_EQ(1, both.CycleMode);
    EXPECT_EQ(1, both.UninstallMode);
}

// Runs `sheet` modally; once its active page is on screen, `act` runs once
// and `button` closes the sheet. A sheet that shows nothing in 15 s is
// cancelled (and the test fails).
class SheetDriver {
public:
    static INT_PTR Run(CConfigSheet& sheet, std::function<void(CConfigSheet&)> act, int button) {
        s_sheet = &sheet;
        s_act = std::move(act);
        s_button = button;
        s_start = GetTickCount();
        UINT_PTR timer = SetTimer(NULL, 0, 50, OnTimer);
        INT_PTR result = sheet.DoModal();
        KillTimer(NULL, timer);
        s_sheet = NULL;
        return result;
    }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (!s_sheet || !s_sheet->GetSafeHwnd())
            return;
        CConfigSheet* sheet = s_sheet;
        if (GetTickCount() - s_start > 15000) {
            ADD_FAILURE() << "the sheet did not show its page";
            s_sheet = NULL;
            sheet->PressButton(PSBTN_CANCEL);
            return;
        }
        CPropertyPage* page = sheet->GetActivePage();
        if (!page || !page->GetSafeHwnd() || !IsWindowVisible(page->GetSafeHwnd()))
            return;
        s_sheet = NULL;   // act once
        s_act(*sheet);
        sheet->PressButton(s_button);
    }

    static CConfigSheet* s_sheet;
    static std::function<void(CConfigSheet&)> s_act;
    static int s_button;
    static DWORD s_start;
};
CConfigSheet* SheetDriver::s_sheet;
std::function<void(CConfigSheet&)> SheetDriver::s_act;
int SheetDriver::s_button;
DWORD SheetDriver::s_start;

TEST(ConfigSheetTest, ReopensOnThePageLastActive) {
    CGeneralPage first, second, third;
    CConfigSheet sheet("Imagewheel", NULL, 0);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.AddPage(&third);
    EXPECT_EQ(0, sheet.LastPage);

    int shownOn = -1;
    auto showThenGoTo = [&](int page) {
        return [&shownOn, page](CConfigSheet& s) {
            shownOn = s.GetActiveIndex();
            s.SetActivePage(page);
        };
    };

    // The first showing starts on the first page; Cancel still remembers the page.
    EXPECT_EQ(IDCANCEL, SheetDriver::Run(sheet, showThenGoTo(2), PSBTN_CANCEL));
    EXPECT_EQ(0, shownOn);
    EXPECT_EQ(2, sheet.LastPage);

    EXPECT_EQ(IDOK, SheetDriver::Run(sheet, showThenGoTo(1), PSBTN_OK));
    EXPECT_EQ(2, shownOn);
    EXPECT_EQ(1, sheet.LastPage);

    EXPECT_EQ(IDCANCEL, SheetDriver::Run(sheet, showThenGoTo(1), PSBTN_CANCEL));
    EXPECT_EQ(1, shownOn);
    EXPECT_EQ(1, sheet.LastPage);
}

}  // namespace
