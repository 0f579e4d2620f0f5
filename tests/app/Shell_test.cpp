// In-process checks of the shell's parts: the command line record and the
// sheet that reopens on the page last active.
#include <gtest/gtest.h>

#include "ConfigSheet.h"
#include "GeneralPage.h"
#include "PagesTestSupport.h"
#include "WheelApp.h"

namespace {

// The program's application class, never started: its command routing and
// the shell's parts are tested on their own.
CWheelApp g_testApp;

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

TEST(WheelAppTest, RoutesOnlyTheHelpCommand) {
    EXPECT_TRUE(g_testApp.OnCommand(MAKEWPARAM(ID_HELP, 0), 0));   // no help file here: nothing shown
    EXPECT_FALSE(g_testApp.OnCommand(MAKEWPARAM(ID_SHOW_IMAGEWHEEL, 0), 0));
    EXPECT_FALSE(g_testApp.OnCommand(MAKEWPARAM(0x6000, 0), 0));
    EXPECT_FALSE(g_testApp.OnCommand(MAKEWPARAM(IDOK, 0), 0));
}

TEST(ConfigSheetTest, ReopensOnThePageLastActive) {
    CGeneralPage first, second, third;
    CConfigSheet sheet("Imagewheel", NULL, 0);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.AddPage(&third);
    EXPECT_EQ(0, sheet.LastPage);

    int shownOn = -1;
    auto showThenGoTo = [&](int page) {
        return [&shownOn, page](CPropertySheet& s) {
            shownOn = s.GetActiveIndex();
            s.SetActivePage(page);
        };
    };

    // The first showing starts on the first page; Cancel still remembers the page.
    EXPECT_EQ(IDCANCEL, pagestest::RunSheet(sheet, showThenGoTo(2), PSBTN_CANCEL));
    EXPECT_EQ(0, shownOn);
    EXPECT_EQ(2, sheet.LastPage);

    EXPECT_EQ(IDOK, pagestest::RunSheet(sheet, showThenGoTo(1), PSBTN_OK));
    EXPECT_EQ(2, shownOn);
    EXPECT_EQ(1, sheet.LastPage);

    EXPECT_EQ(IDCANCEL, pagestest::RunSheet(sheet, showThenGoTo(1), PSBTN_CANCEL));
    EXPECT_EQ(1, shownOn);
    EXPECT_EQ(1, sheet.LastPage);
}

}  // namespace
