// The General page in a real property sheet under Wine: the drive list, the
// exact-match rule for the boot drive, and the current directory it leaves
// alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>
#include "Framework.h"
#include "GeneralPage.h"
#include "PagesTestSupport.h"
#include "resource.h"

namespace {

CWinApp g_testApp("pages_tests");

std::string CurrentDirectory() {
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

struct ShownPage {
    std::vector<std::string> Drives;   // the combo box entries in order
    std::string Selected;              // the selected entry's text
    std::string DirectoryWhileShown;
};

// Runs a sheet holding `page`, reads the page's state once it is on screen,
// and closes the sheet with `button`.
INT_PTR ShowPage(CGeneralPage& page, int button, ShownPage& shown) {
    CPropertySheet sheet("Imagewheel");
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.AddPage(&page);
    return pagestest::RunSheet(sheet, [&](CPropertySheet&) {
        HWND combo = GetDlgItem(page.GetSafeHwnd(), IDC_BOOTDRIVE);
        int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        char text[64];
        for (int i = 0; i < count; ++i) {
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            shown.Drives.push_back(text);
        }
        int selected = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
        if (selected >= 0) {
            SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
            shown.Selected = text;
        }
        shown.DirectoryWhileShown = CurrentDirectory();
    }, button);
}

TEST(GeneralPageTest, TemplateHoldsExactlyTheDesignedControls) {
    using pagestest::ControlLine;
    const pagestest::DialogTemplate general = pagestest::ReadTemplate(IDD_GENERAL);
    ASSERT_EQ(6u, general.Texts.size());
    const std::string& about = general.Texts.back();
    EXPECT_EQ(2, std::count(about.begin(), about.end(), '\n')) << "three lines of about text";
    const DWORD CHILD = WS_CHILD | WS_VISIBLE;
    const std::vector<std::string> expected = {
        pagestest::DialogLine(WS_CHILD | WS_DISABLED | WS_CAPTION, 276, 129, "General"),
        ControlLine(-1, 0x80, "Boot Drive", 6, 5, 51, 31, CHILD | BS_GROUPBOX),
        ControlLine(IDC_BOOTDRIVE, 0x85, "", 12, 16, 40, 54, CHILD | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP),
        ControlLine(-1, 0x80, "About", 110, 5, 161, 54, CHILD | BS_GROUPBOX),
        ControlLine(-1, 0x82, "#128", 118, 22, 18, 20, CHILD | SS_ICON),
        ControlLine(-1, 0x82, "Image Wheel Version 1.91", 145, 14, 122, 8, CHILD | WS_GROUP | SS_LEFT | SS_NOPREFIX),
        ControlLine(-1, 0x82, about, 145, 30, 122, 26, CHILD | WS_GROUP | SS_LEFT),
    };
    EXPECT_EQ(expected, general.Lines);
}

TEST(GeneralPageTest, ListsTheDrivesAndSelectsTheBootDriveExactly) {
    CGeneralPage page;
    page.m_bootDrive = "Z";
    ShownPage shown;
    ASSERT_EQ(IDOK, ShowPage(page, PSBTN_OK, shown));

    // The prefix has C: (the Windows drive) and Z: (the root directory), and
    // only drives that can be made current are offered, in letter order.
    const std::string testDirectory = CurrentDirectory();
    ASSERT_GE(shown.Drives.size(), 2u);
    EXPECT_EQ("C:", shown.Drives.front());
    EXPECT_EQ("Z:", shown.Drives.back());
    for (size_t i = 0; i < shown.Drives.size(); ++i) {
        const std::string& drive = shown.Drives[i];
        ASSERT_EQ(2u, drive.size());
        EXPECT_EQ(':', drive[1]);
        EXPECT_TRUE(SetCurrentDirectoryA(drive.c_str())) << drive;
        if (i > 0) {
            EXPECT_LT(shown.Drives[i - 1], drive);
        }
    }
    SetCurrentDirectoryA(testDirectory.c_str());
    EXPECT_EQ("Z:", shown.Selected);
    EXPECT_STREQ("Z", page.m_bootDrive.GetText());
}

TEST(GeneralPageTest, ASmallLetterMatchesNoDriveSoTheFirstIsTaken) {
    CGeneralPage page;
    page.m_bootDrive = "c";
    ShownPage shown;
    ASSERT_EQ(IDOK, ShowPage(page, PSBTN_OK, shown));
    EXPECT_EQ("C:", shown.Selected);
    EXPECT_STREQ("C", page.m_bootDrive.GetText());

    // Unknown letters fall back the same way; Cancel hands back what it was given.
    page.m_bootDrive = "Q";
    ShownPage cancelled;
    ASSERT_EQ(IDCANCEL, ShowPage(page, PSBTN_CANCEL, cancelled));
    EXPECT_EQ("C:", cancelled.Selected);
    EXPECT_STREQ("Q", page.m_bootDrive.GetText());
}

TEST(GeneralPageTest, OpeningThePageKeepsTheCurrentDriveAndDirectory) {
    const std::string testDirectory = CurrentDirectory();
    for (const char* start : {"C:\\windows", testDirectory.c_str()}) {
        ASSERT_TRUE(SetCurrentDirectoryA(start)) << start;
        const std::string before = CurrentDirectory();
        CGeneralPage page;
        page.m_bootDrive = "C";
        ShownPage shown;
        ASSERT_EQ(IDOK, ShowPage(page, PSBTN_OK, shown));
        EXPECT_EQ(before, shown.DirectoryWhileShown);
        EXPECT_EQ(before, CurrentDirectory());
    }
    SetCurrentDirectoryA(testDirectory.c_str());
}

}  // namespace
