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
        char directory[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, directory);
        shown.DirectoryWhileShown = directory;
    }, button);
}

std::string CurrentDirectory() {
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

// One control line of a dialog template as the resource compiler stored it.
struct TemplateItem {
    int Id;
    WORD ClassAtom;     // 0x80 button, 0x82 static, 0x85 combo box
    std::string Text;   // "#128" for a resource number
    short X, Y, Width, Height;
    DWORD Style;
};

// Reads a string-or-ordinal field of a DLGTEMPLATE and moves past it.
std::string ReadSzOrOrd(const WORD*& p) {
    if (*p == 0xFFFF) {
        std::string number = "#" + std::to_string(p[1]);
        p += 2;
        return number;
    }
    std::string text;
    while (*p)
        text += static_cast<char>(*p++);
    ++p;
    return text;
}

const WORD* AlignDword(const WORD* p) {
    return reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~static_cast<UINT_PTR>(3));
}

TEST(GeneralPageTest, TemplateHoldsExactlyTheDesignedControls) {
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDD_GENERAL), MAKEINTRESOURCEA(5));   // RT_DIALOG
    ASSERT_NE(nullptr, found);
    const DLGTEMPLATE* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(NULL, found)));
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_DISABLED | WS_CAPTION | DS_SETFONT), dialog->style);
    EXPECT_EQ(0u, dialog->dwExtendedStyle);
    EXPECT_EQ(0, dialog->x);
    EXPECT_EQ(0, dialog->y);
    EXPECT_EQ(276, dialog->cx);
    EXPECT_EQ(129, dialog->cy);
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    EXPECT_EQ("", ReadSzOrOrd(p)) << "menu";
    EXPECT_EQ("", ReadSzOrOrd(p)) << "class";
    EXPECT_EQ("General", ReadSzOrOrd(p));
    EXPECT_EQ(8, *p++);
    EXPECT_EQ("MS Sans Serif", ReadSzOrOrd(p));

    const DWORD CHILD = WS_CHILD | WS_VISIBLE;
    const TemplateItem expected[] = {
        {-1, 0x80, "Boot Drive", 6, 5, 51, 31, CHILD | BS_GROUPBOX},
        {IDC_BOOTDRIVE, 0x85, "", 12, 16, 40, 54, CHILD | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
        {-1, 0x80, "About", 110, 5, 161, 54, CHILD | BS_GROUPBOX},
        {-1, 0x82, "#128", 118, 22, 18, 20, CHILD | SS_ICON},
        {-1, 0x82, "Image Wheel Version 1.91", 145, 14, 122, 8, CHILD | WS_GROUP | SS_LEFT | SS_NOPREFIX},
        {-1, 0x82, "", 145, 30, 122, 26, CHILD | WS_GROUP | SS_LEFT},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], static_cast<size_t>(dialog->cdit));
    for (const TemplateItem& want : expected) {
        p = AlignDword(p);
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        SCOPED_TRACE(want.Text);
        EXPECT_EQ(want.Id, static_cast<short>(item->id));
        EXPECT_EQ(want.Style, item->style);
        EXPECT_EQ(0u, item->dwExtendedStyle);
        EXPECT_EQ(want.X, item->x);
        EXPECT_EQ(want.Y, item->y);
        EXPECT_EQ(want.Width, item->cx);
        EXPECT_EQ(want.Height, item->cy);
        EXPECT_EQ("#" + std::to_string(want.ClassAtom), ReadSzOrOrd(p));
        std::string text = ReadSzOrOrd(p);
        if (!want.Text.empty() || want.Id == IDC_BOOTDRIVE)
            EXPECT_EQ(want.Text, text);
        else
            EXPECT_EQ(2, std::count(text.begin(), text.end(), '\n')) << "three lines of about text";
        EXPECT_EQ(0, *p++) << "no creation data";
    }
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
