// The category pages in a real property sheet under Wine, driven as a user
// drives them: mouse clicks on buttons and list entries, keys with the real
// key state, the real open-file dialog and the real advanced options dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>
#include "CategoryPage.h"
#include "Engine.h"
#include "Framework.h"
#include "AllocFail.h"
#include "PagesTestSupport.h"
#include "resource.h"

namespace {

CWinApp g_testApp("category_pages_tests");

const char ADD_TITLE[] = "Select file to add to list";
const DWORD STEP_TIMEOUT_MS = 15000;

// ---------------------------------------------------------------------------
// A script of user steps played while a sheet runs modally. Each step runs
// from a thread timer, so it keeps running inside the nested modal loops of
// the open-file dialog and the advanced options dialogs; it returns true
// when it is done and false to be tried again at the next tick. A step that
// does not finish in time fails the test and everything open is cancelled.

class SheetScript {
public:
    SheetScript& Then(const std::string& what, std::function<bool()> step) {
        m_steps.push_back({what, std::move(step)});
        return *this;
    }
    // The last step: OK or Cancel of the sheet.
    SheetScript& Press(int button) {
        return Then(button == PSBTN_OK ? "press OK" : "press Cancel", [this, button] {
            m_sheet->PressButton(button);
            return true;
        });
    }
    INT_PTR Run(CPropertySheet& sheet) {
        m_sheet = &sheet;
        m_next = 0;
        m_stepStart = GetTickCount();
        s_current = this;
        UINT_PTR timer = SetTimer(NULL, 0, 40, Tick);
        INT_PTR result = sheet.DoModal();
        KillTimer(NULL, timer);
        s_current = NULL;
        EXPECT_EQ(m_steps.size(), m_next) << "steps left when the sheet closed";
        return result;
    }

private:
    struct Step {
        std::string What;
        std::function<bool()> Run;
    };

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        SheetScript* script = s_current;
        if (!script || script->m_busy || !script->m_sheet->GetSafeHwnd() || script->m_next >= script->m_steps.size())
            return;
        script->m_busy = true;
        Step& step = script->m_steps[script->m_next];
        if (step.Run()) {
            ++script->m_next;
            script->m_stepStart = GetTickCount();
        } else if (GetTickCount() - script->m_stepStart > STEP_TIMEOUT_MS) {
            ADD_FAILURE() << "step did not finish: " << step.What;
            script->m_next = script->m_steps.size();
            script->CancelEverything();
        }
        script->m_busy = false;
    }

    void CancelEverything();

    std::vector<Step> m_steps;
    size_t m_next = 0;
    DWORD m_stepStart = 0;
    bool m_busy = false;
    CPropertySheet* m_sheet = NULL;
    static SheetScript* s_current;
};
SheetScript* SheetScript::s_current = NULL;

// The visible dialogs of this thread with this caption.
struct DialogSearch {
    const char* Caption;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
    DialogSearch* search = reinterpret_cast<DialogSearch*>(lParam);
    char text[256] = "", name[64] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && std::strcmp(name, "#32770") == 0 && std::strcmp(text, search->Caption) == 0)
        search->Found.push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadDialogs(const char* caption) {
    DialogSearch search{caption, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND ThreadDialog(const char* caption) {
    std::vector<HWND> found = ThreadDialogs(caption);
    return found.empty() ? NULL : found.front();
}

void SheetScript::CancelEverything() {
    for (const char* caption : {ADD_TITLE, "Advanced Options"})
        for (HWND dialog : ThreadDialogs(caption))
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    m_sheet->PostMessage(PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// ---------------------------------------------------------------------------
// Input as a user gives it.

// A left click in the middle of `window` (or at `client`, in its client
// coordinates): the cursor goes there, then button down and up arrive.
void Click(HWND window, POINT client) {
    POINT screen = client;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
}

void Click(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    Click(window, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

// Scrolls entry `index` into view and clicks it.
void ClickEntry(HWND list, int index) {
    SendMessageA(list, LB_SETTOPINDEX, index, 0);
    RECT item;
    SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    Click(list, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

// A click on tab `index` of the sheet that holds `page`.
void ClickTab(CWnd& page, int index) {
    HWND tab = reinterpret_cast<HWND>(SendMessageA(GetParent(page.GetSafeHwnd()), PSM_GETTABCONTROL, 0, 0));
    RECT item;
    SendMessageA(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    Click(tab, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

void PressKey(HWND window, UINT key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

void Type(HWND edit, const std::string& text) {
    for (char c : text)
        PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// ---------------------------------------------------------------------------
// What the page shows.

HWND Control(CWnd& page, int id) {
    return GetDlgItem(page.GetSafeHwnd(), id);
}

std::string TextOf(HWND window) {
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::vector<std::string> ListEntries(HWND list) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.assign(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        entries.push_back(text.c_str());
    }
    return entries;
}

int Selection(HWND list) {
    return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
}

std::vector<std::string> ComboEntries(HWND combo, std::vector<DWORD_PTR>* data = NULL) {
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
        if (data)
            data->push_back(SendMessageA(combo, CB_GETITEMDATA, i, 0));
    }
    return entries;
}

std::string ComboSelection(HWND combo) {
    const int selected = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    std::vector<std::string> entries = ComboEntries(combo);
    return selected >= 0 && selected < static_cast<int>(entries.size()) ? entries[selected] : "(none)";
}

// ---------------------------------------------------------------------------
// Lists and files.

TValVector<TCharString> MakeList(const std::vector<std::string>& entries) {
    TValVector<TCharString> list(static_cast<unsigned int>(std::max<size_t>(entries.size(), 1)));
    for (const std::string& entry : entries)
        list.InsertLast(TCharString(entry.c_str()));
    return list;
}

std::vector<std::string> Entries(const TValVector<TCharString>& list) {
    std::vector<std::string> entries;
    TValVector<TCharString>& items = const_cast<TValVector<TCharString>&>(list);
    for (unsigned int i = 0; i < items.GetCount(); ++i)
        entries.push_back(items.At(i)->GetText());
    return entries;
}

// A folder of the build tree for the pictures the lists name.
std::string WorkFolder() {
    std::string folder = pagestest::WindowsPath(IW_TEST_WORK_ROOT);
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

// A small 24-bit bitmap file; its name in the work folder.
std::string Picture(const char* name, unsigned char shade) {
    const int width = 4, height = 3, row = 12;
    std::string bytes(54 + row * height, '\0');
    auto put32 = [&](size_t at, unsigned long value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, bytes.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bytes[26] = 1;
    bytes[28] = 24;
    for (size_t i = 54; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(shade + i);
    const std::string path = WorkFolder() + "\\" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The file name box of the open-file dialog: its only visible edit (alone,
// or inside a combo box, depending on the dialog's version).
BOOL CALLBACK FindEdit(HWND window, LPARAM lParam) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

HWND FileNameBox(HWND dialog) {
    HWND box = NULL;
    EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&box));
    return box;
}

// Shows `pages` in a sheet and plays the script; the sheet starts on `start`.
INT_PTR RunPages(std::vector<CPropertyPage*> pages, SheetScript& script, int start = 0) {
    CPropertySheet sheet("Imagewheel", NULL, start);
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    for (CPropertyPage* page : pages)
        sheet.AddPage(page);
    return script.Run(sheet);
}

// Waits until `page` is the visible, active page.
std::function<bool()> PageShown(CPropertyPage& page) {
    return [&page] { return page.GetSafeHwnd() && IsWindowVisible(page.GetSafeHwnd()); };
}

// ---------------------------------------------------------------------------
// The templates as compiled.

TEST(CategoryPageTest, TemplatesHoldTheElevenControls) {
    using pagestest::ControlLine;
    const DWORD CHILD = WS_CHILD | WS_VISIBLE;
    const std::vector<std::string> controls = {
        ControlLine(-1, 0x80, "Files List", 7, 7, 172, 115, CHILD | BS_GROUPBOX),
        ControlLine(IDC_FILES, 0x83, "", 13, 18, 160, 79,
                    CHILD | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT),
        ControlLine(IDC_ADD, 0x80, "Add", 13, 102, 50, 14, CHILD | WS_TABSTOP | BS_PUSHBUTTON),
        ControlLine(IDC_REMOVE, 0x80, "Remove", 68, 102, 50, 14, CHILD | WS_TABSTOP | BS_PUSHBUTTON),
        ControlLine(IDC_CLEAR, 0x80, "Clear", 123, 102, 50, 14, CHILD | WS_TABSTOP | BS_PUSHBUTTON),
        ControlLine(-1, 0x80, "Preview", 187, 7, 76, 60, CHILD | BS_GROUPBOX),
        ControlLine(IDC_PREVIEW, 0x80, "", 191, 17, 68, 46, CHILD | BS_OWNERDRAW),
        ControlLine(IDC_ADVANCED, 0x80, "Advanced ...", 183, 73, 86, 13, CHILD | WS_TABSTOP | BS_PUSHBUTTON),
        ControlLine(-1, 0x80, "Cycle Frequency", 183, 91, 86, 31, CHILD | BS_GROUPBOX),
        ControlLine(IDC_PERIOD, 0x81, "", 189, 102, 21, 14, CHILD | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL),
        ControlLine(IDC_UNIT, 0x85, "", 213, 103, 50, 56, CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST),
    };
    const struct {
        int Id;
        const char* Caption;
        short Height;
    } templates[] = {{IDD_SIGNON, "Signon", 130}, {IDD_SHUTDOWN, "Shutdown", 129},
                     {IDD_SIGNOFF, "Signoff", 129}, {IDD_WALLPAPER, "Wallpaper", 130}};
    for (const auto& t : templates) {
        SCOPED_TRACE(t.Caption);
        std::vector<std::string> expected = {
            pagestest::DialogLine(WS_CHILD | WS_DISABLED | WS_CAPTION, 276, t.Height, t.Caption)};
        expected.insert(expected.end(), controls.begin(), controls.end());
        EXPECT_EQ(expected, pagestest::ReadTemplate(t.Id).Lines);
    }
}

// ---------------------------------------------------------------------------

TEST(CategoryPageTest, SetFileListSelectsTheFirstEqualEntry) {
    CCategoryPage page(IDD_SIGNON);
    EXPECT_EQ(0, page.m_selection);
    EXPECT_EQ(0u, page.GetFileList().GetCount());

    TValVector<TCharString> list = MakeList({"C:\\a.bmp", "C:\\B.bmp", "C:\\b.bmp", "C:\\b.bmp"});
    page.SetFileList(list, TCharString("C:\\b.bmp"));
    EXPECT_EQ(2, page.m_selection) << "exact, case-sensitive, first match";
    EXPECT_EQ(Entries(list), Entries(page.GetFileList()));
    EXPECT_STREQ("C:\\b.bmp", page.GetCurrentFile().GetText());

    page.SetFileList(list, TCharString("C:\\missing.bmp"));
    EXPECT_EQ(0, page.m_selection);
    EXPECT_STREQ("C:\\missing.bmp", page.GetCurrentFile().GetText());

    // The page's own list handed back in.
    page.SetFileList(page.GetFileList(), TCharString("C:\\B.bmp"));
    EXPECT_EQ(1, page.m_selection);
    EXPECT_EQ(Entries(list), Entries(page.GetFileList()));
}

TEST(CategoryPageTest, ShowsTheCategoryAndHandsBackWhatTheUserChose) {
    const std::string a = Picture("show-a.bmp", 10), b = Picture("show-b.bmp", 90), c = Picture("show-c.bmp", 170);
    CCategoryPage signon(IDD_SIGNON);
    signon.SetFileList(MakeList({a, b, c, ORIGINAL_ENTRY}), TCharString(b.c_str()));
    signon.m_period = 7;
    signon.m_unit = static_cast<LONG>(FrequencyUnit::Minutes);   // not offered on a logo page
    signon.m_order = 2;
    signon.m_cycleEnabled = 0;
    CWallpaperPage wallpaper;
    wallpaper.SetFileList(MakeList({a, c}), TCharString(c.c_str()));
    wallpaper.m_period = 15;
    wallpaper.m_unit = static_cast<LONG>(FrequencyUnit::Minutes);
    CCategoryPage signoff(IDD_SIGNOFF);   // never displayed
    signoff.SetFileList(MakeList({c, a}), TCharString("elsewhere"));
    signoff.m_period = -3;
    signoff.m_unit = 99;

    SheetScript script;
    script.Then("Signon shown", PageShown(signon))
        .Then("Signon as loaded", [&] {
            HWND list = Control(signon, IDC_FILES), unit = Control(signon, IDC_UNIT);
            EXPECT_EQ((std::vector<std::string>{a, b, c, ORIGINAL_ENTRY}), ListEntries(list));
            EXPECT_EQ(1, Selection(list));
            std::vector<DWORD_PTR> codes;
            EXPECT_EQ((std::vector<std::string>{"Boot", "Days", "Weeks", "Months"}), ComboEntries(unit, &codes));
            EXPECT_EQ((std::vector<DWORD_PTR>{0, 1, 2, 3}), codes);
            EXPECT_EQ("Boot", ComboSelection(unit)) << "a unit the page does not offer shows as Boot";
            EXPECT_EQ("7", TextOf(Control(signon, IDC_PERIOD)));
            EXPECT_FALSE(IsWindowEnabled(Control(signon, IDC_PERIOD))) << "Boot disables the period";
            EXPECT_TRUE(IsWindowEnabled(Control(signon, IDC_REMOVE)));
            EXPECT_TRUE(IsWindowEnabled(Control(signon, IDC_CLEAR)));
            CImagePreview* preview =
                static_cast<CImagePreview*>(CWnd::FromHandlePermanent(Control(signon, IDC_PREVIEW)));
            EXPECT_TRUE(preview != NULL && preview->GetCurrentPath().GetText() == b) << "the selected file previewed";
            return true;
        })
        .Then("choose Weeks with the keyboard", [&] {
            HWND unit = Control(signon, IDC_UNIT);
            SetFocus(unit);
            PressKey(unit, VK_DOWN);
            PressKey(unit, VK_DOWN);
            return true;
        })
        .Then("the period opens up", [&] {
            if (ComboSelection(Control(signon, IDC_UNIT)) != "Weeks")
                return false;
            EXPECT_TRUE(IsWindowEnabled(Control(signon, IDC_PERIOD)));
            return true;
        })
        .Then("pick the first entry and empty the period", [&] {
            ClickEntry(Control(signon, IDC_FILES), 0);
            HWND period = Control(signon, IDC_PERIOD);
            SetFocus(period);
            SendMessageA(period, EM_SETSEL, 0, -1);
            PressKey(period, VK_DELETE);
            return true;
        })
        .Then("period empty", [&] { return TextOf(Control(signon, IDC_PERIOD)).empty(); })
        .Then("to the Wallpaper page", [&] {
            ClickTab(signon, 1);
            return true;
        })
        .Then("Wallpaper shown", PageShown(wallpaper))
        .Then("Signon handed over on leaving, Wallpaper as loaded", [&] {
            EXPECT_EQ(0, signon.m_selection);
            EXPECT_EQ(a, signon.GetCurrentFile().GetText());
            EXPECT_EQ(static_cast<LONG>(FrequencyUnit::Weeks), signon.m_unit);
            EXPECT_EQ(0, signon.m_period) << "an empty period counts as 0";
            HWND unit = Control(wallpaper, IDC_UNIT);
            std::vector<DWORD_PTR> codes;
            EXPECT_EQ((std::vector<std::string>{"Boot", "Days", "Weeks", "Months", "Hours", "Minutes", "Seconds"}),
                      ComboEntries(unit, &codes));
            EXPECT_EQ((std::vector<DWORD_PTR>{0, 1, 2, 3, 4, 5, 6}), codes);
            EXPECT_EQ("Minutes", ComboSelection(unit));
            EXPECT_TRUE(IsWindowEnabled(Control(wallpaper, IDC_PERIOD)));
            EXPECT_EQ(1, Selection(Control(wallpaper, IDC_FILES)));
            // Pasted text that is not a number only up to its first digit.
            HWND period = Control(wallpaper, IDC_PERIOD);
            SendMessageA(period, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("42x7"));
            return true;
        })
        .Press(PSBTN_OK);
    ASSERT_EQ(IDOK, RunPages({&signon, &wallpaper, &signoff}, script));

    EXPECT_EQ((std::vector<std::string>{a, b, c, ORIGINAL_ENTRY}), Entries(signon.GetFileList()));
    EXPECT_EQ(2, signon.m_order) << "untouched values stay";
    EXPECT_EQ(0, signon.m_cycleEnabled);
    EXPECT_EQ(42, wallpaper.m_period);
    EXPECT_EQ(static_cast<LONG>(FrequencyUnit::Minutes), wallpaper.m_unit);
    EXPECT_EQ(c, wallpaper.GetCurrentFile().GetText());
    // The page never displayed hands back exactly what it was given.
    EXPECT_EQ((std::vector<std::string>{c, a}), Entries(signoff.GetFileList()));
    EXPECT_STREQ("elsewhere", signoff.GetCurrentFile().GetText());
    EXPECT_EQ(-3, signoff.m_period);
    EXPECT_EQ(99, signoff.m_unit);

    // A unit not offered, saved: Boot. Cancel hands nothing back.
    signon.m_unit = static_cast<LONG>(FrequencyUnit::Hours);
    SheetScript again;
    again.Then("shown", PageShown(signon)).Press(PSBTN_OK);
    ASSERT_EQ(IDOK, RunPages({&signon}, again));
    EXPECT_EQ(static_cast<LONG>(FrequencyUnit::Boot), signon.m_unit);
    EXPECT_EQ(0, signon.m_selection) << "the selection as handed back last time";

    signon.m_period = 5;
    SheetScript cancelled;
    cancelled.Then("shown", PageShown(signon))
        .Then("change the period", [&] {
            SendMessageA(Control(signon, IDC_PERIOD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("9"));
            return true;
        })
        .Press(PSBTN_CANCEL);
    ASSERT_EQ(IDCANCEL, RunPages({&signon}, cancelled));
    EXPECT_EQ(5, signon.m_period);
}

TEST(CategoryPageTest, RemoveAndClearFollowTheListAndKeepTheSpecialEntry) {
    CCategoryPage signon(IDD_SIGNON);
    signon.SetFileList(MakeList({"C:\\one.sys", "C:\\two.sys", "C:\\three.sys", ORIGINAL_ENTRY}),
                       TCharString("C:\\three.sys"));
    CWallpaperPage wallpaper;
    wallpaper.SetFileList(MakeList({"C:\\x.bmp", "C:\\y.bmp"}), TCharString("C:\\y.bmp"));

    SheetScript script;
    script.Then("shown", PageShown(signon))
        .Then("remove the third", [&] {
            EXPECT_EQ(2, Selection(Control(signon, IDC_FILES)));
            Click(Control(signon, IDC_REMOVE));
            return true;
        })
        .Then("the special entry is selected: Remove off, focus on Add", [&] {
            HWND list = Control(signon, IDC_FILES);
            if (ListEntries(list).size() != 3)
                return false;
            EXPECT_EQ((std::vector<std::string>{"C:\\one.sys", "C:\\two.sys", ORIGINAL_ENTRY}), ListEntries(list));
            EXPECT_EQ(2, Selection(list));
            EXPECT_FALSE(IsWindowEnabled(Control(signon, IDC_REMOVE)));
            EXPECT_TRUE(IsWindowEnabled(Control(signon, IDC_CLEAR)));
            EXPECT_EQ(Control(signon, IDC_ADD), GetFocus()) << "Remove had the focus";
            return true;
        })
        .Then("select the first again", [&] {
            ClickEntry(Control(signon, IDC_FILES), 0);
            return true;
        })
        .Then("Remove on again", [&] { return IsWindowEnabled(Control(signon, IDC_REMOVE)) != FALSE; })
        .Then("select the special entry with the keyboard", [&] {
            HWND list = Control(signon, IDC_FILES);
            SetFocus(list);
            PressKey(list, VK_END);
            return true;
        })
        .Then("Remove off", [&] {
            return Selection(Control(signon, IDC_FILES)) == 2 && !IsWindowEnabled(Control(signon, IDC_REMOVE));
        })
        .Then("clear", [&] {
            Click(Control(signon, IDC_CLEAR));
            return true;
        })
        .Then("only the special entry, unselected", [&] {
            HWND list = Control(signon, IDC_FILES);
            if (ListEntries(list).size() != 1)
                return false;
            EXPECT_EQ(std::vector<std::string>{ORIGINAL_ENTRY}, ListEntries(list));
            EXPECT_EQ(LB_ERR, Selection(list));
            EXPECT_FALSE(IsWindowEnabled(Control(signon, IDC_REMOVE)));
            EXPECT_TRUE(IsWindowEnabled(Control(signon, IDC_CLEAR)));
            ClickTab(signon, 1);
            return true;
        })
        .Then("Wallpaper shown", PageShown(wallpaper))
        .Then("remove the last entry", [&] {
            EXPECT_EQ(-1, signon.m_selection) << "left with nothing selected";
            EXPECT_STREQ("", signon.GetCurrentFile().GetText());
            EXPECT_EQ(1, Selection(Control(wallpaper, IDC_FILES)));
            Click(Control(wallpaper, IDC_REMOVE));
            return true;
        })
        .Then("the new last is selected", [&] {
            HWND list = Control(wallpaper, IDC_FILES);
            if (ListEntries(list).size() != 1)
                return false;
            EXPECT_EQ(0, Selection(list));
            Click(Control(wallpaper, IDC_REMOVE));
            return true;
        })
        .Then("the only entry removed: both buttons off", [&] {
            HWND list = Control(wallpaper, IDC_FILES);
            if (!ListEntries(list).empty())
                return false;
            EXPECT_FALSE(IsWindowEnabled(Control(wallpaper, IDC_REMOVE)));
            EXPECT_FALSE(IsWindowEnabled(Control(wallpaper, IDC_CLEAR)));
            EXPECT_EQ(Control(wallpaper, IDC_ADD), GetFocus());
            return true;
        })
        .Press(PSBTN_OK);
    ASSERT_EQ(IDOK, RunPages({&signon, &wallpaper}, script));
    EXPECT_EQ(std::vector<std::string>{ORIGINAL_ENTRY}, Entries(signon.GetFileList()));
    EXPECT_EQ(0u, wallpaper.GetFileList().GetCount());
    EXPECT_EQ(-1, wallpaper.m_selection);
    EXPECT_STREQ("", wallpaper.GetCurrentFile().GetText());
}

// The real open-file dialog: its filter list, a typed path, Open and Cancel,
// and the next Add on another page starting where this one ended.
TEST(CategoryPageTest, AddRunsTheOpenFileDialog) {
    const std::string first = Picture("add-first.bmp", 30), second = Picture("add-second.bmp", 60),
                      third = Picture("add-third.bmp", 120);
    CCategoryPage shutdown(IDD_SHUTDOWN);
    shutdown.SetFileList(MakeList({"C:\\kept.sys", ORIGINAL_ENTRY}), TCharString("C:\\kept.sys"));
    CWallpaperPage wallpaper;   // an empty list: nothing selected

    // Clicks Add, waits for the dialog, types `path` and presses Open (or
    // Cancel when path is empty).
    auto addThroughDialog = [&](SheetScript& script, CCategoryPage& page, const std::string& path,
                                std::function<void(HWND)> look) {
        script.Then("click Add", [&page] {
                  Click(Control(page, IDC_ADD));
                  return true;
              })
            .Then("the dialog, answered", [&page, path, look] {
                HWND dialog = ThreadDialog(ADD_TITLE);
                HWND box = dialog ? FileNameBox(dialog) : NULL;
                if (!box)
                    return false;
                if (look)
                    look(dialog);
                if (path.empty()) {
                    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
                } else {
                    SetFocus(box);
                    SendMessageA(box, EM_SETSEL, 0, -1);
                    PressKey(box, VK_DELETE);
                    Type(box, path);
                    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                }
                return true;
            })
            .Then("the dialog gone", [] { return ThreadDialog(ADD_TITLE) == NULL; });
    };

    SheetScript script;
    script.Then("shown", PageShown(shutdown));
    addThroughDialog(script, shutdown, first, [&](HWND dialog) {
        HWND types = GetDlgItem(dialog, 0x470);
        EXPECT_EQ((std::vector<std::string>{"Logo files", "All files", "Pictures"}), ComboEntries(types))
            << "Files of type, the first time";
        EXPECT_EQ("Logo files", ComboSelection(types));
        // The user picks "Pictures" with the keyboard.
        SetFocus(types);
        PressKey(types, VK_DOWN);
        PressKey(types, VK_DOWN);
    });
    script.Then("inserted before the selected entry and selected", [&] {
        HWND list = Control(shutdown, IDC_FILES);
        EXPECT_EQ((std::vector<std::string>{first, "C:\\kept.sys", ORIGINAL_ENTRY}), ListEntries(list));
        EXPECT_EQ(0, Selection(list));
        CImagePreview* preview =
            static_cast<CImagePreview*>(CWnd::FromHandlePermanent(Control(shutdown, IDC_PREVIEW)));
        EXPECT_TRUE(preview != NULL && preview->GetCurrentPath().GetText() == first);
        return true;
    });
    addThroughDialog(script, shutdown, "", nullptr);
    script.Then("Cancel added nothing; now clear", [&] {
        EXPECT_EQ(3u, ListEntries(Control(shutdown, IDC_FILES)).size());
        Click(Control(shutdown, IDC_CLEAR));
        return true;
    });
    script.Then("cleared", [&] { return ListEntries(Control(shutdown, IDC_FILES)).size() == 1; });
    addThroughDialog(script, shutdown, second, nullptr);
    script.Then("with nothing selected the file goes before the special entry", [&] {
        HWND list = Control(shutdown, IDC_FILES);
        EXPECT_EQ((std::vector<std::string>{second, ORIGINAL_ENTRY}), ListEntries(list));
        EXPECT_EQ(0, Selection(list));
        EXPECT_TRUE(IsWindowEnabled(Control(shutdown, IDC_REMOVE)));
        ClickTab(shutdown, 1);
        return true;
    });
    script.Then("Wallpaper shown", PageShown(wallpaper));
    addThroughDialog(script, wallpaper, third, [&](HWND dialog) {
        // Where the last Add, on the other page, ended: its file, in its folder.
        EXPECT_EQ("add-second.bmp", TextOf(FileNameBox(dialog)));
        EXPECT_EQ((std::vector<std::string>{"Logo files", "All files", "Pictures"}),
                  ComboEntries(GetDlgItem(dialog, 0x470)));
        EXPECT_EQ("Pictures", ComboSelection(GetDlgItem(dialog, 0x470))) << "the filter chosen last";
    });
    script.Then("appended to the empty list", [&] {
        HWND list = Control(wallpaper, IDC_FILES);
        EXPECT_EQ(std::vector<std::string>{third}, ListEntries(list));
        EXPECT_EQ(0, Selection(list));
        return true;
    });
    script.Press(PSBTN_OK);
    ASSERT_EQ(IDOK, RunPages({&shutdown, &wallpaper}, script));
    EXPECT_EQ((std::vector<std::string>{second, ORIGINAL_ENTRY}), Entries(shutdown.GetFileList()));
    EXPECT_EQ(second, shutdown.GetCurrentFile().GetText());
    EXPECT_EQ(std::vector<std::string>{third}, Entries(wallpaper.GetFileList()));
    EXPECT_EQ(third, wallpaper.GetCurrentFile().GetText());
}

// Clicks one of the visible radio buttons or check boxes of the open
// "Advanced Options" dialog; false while it is not there.
bool ClickInAdvanced(std::initializer_list<int> ids, int closeWith) {
    HWND dialog = ThreadDialog("Advanced Options");
    if (!dialog)
        return false;
    for (int id : ids)
        Click(GetDlgItem(dialog, id));
    PostMessageA(GetDlgItem(dialog, closeWith), BM_CLICK, 0, 0);
    return true;
}

TEST(CategoryPageTest, AdvancedOptionsTakeEffectOnlyAfterOk) {
    CCategoryPage signon(IDD_SIGNON);
    signon.SetFileList(MakeList({"C:\\a.sys"}), TCharString("C:\\a.sys"));
    signon.m_order = 0;
    signon.m_cycleEnabled = 1;
    CWallpaperPage wallpaper;
    wallpaper.SetFileList(MakeList({"C:\\w.bmp"}), TCharString("C:\\w.bmp"));
    wallpaper.m_wallpaperOrder = 0;
    wallpaper.m_wallpaperEnabled = 1;
    wallpaper.m_displayStyle = 0;

    auto clickAdvanced = [](CCategoryPage& page) {
        return [&page] {
            Click(Control(page, IDC_ADVANCED));
            return true;
        };
    };
    auto gone = [] { return ThreadDialog("Advanced Options") == NULL; };

    SheetScript script;
    script.Then("shown", PageShown(signon))
        .Then("Advanced", clickAdvanced(signon))
        .Then("Random, disable, Cancel", [] { return ClickInAdvanced({IDC_RANDOM, IDC_DISABLE}, IDCANCEL); })
        .Then("closed", gone)
        .Then("unchanged; Advanced again", [&] {
            EXPECT_EQ(0, signon.m_order);
            EXPECT_EQ(1, signon.m_cycleEnabled);
            Click(Control(signon, IDC_ADVANCED));
            return true;
        })
        .Then("Backward, disable, OK", [] { return ClickInAdvanced({IDC_BACKWARD, IDC_DISABLE}, IDOK); })
        .Then("closed", gone)
        .Then("taken at once; to Wallpaper", [&] {
            EXPECT_EQ(1, signon.m_order);
            EXPECT_EQ(0, signon.m_cycleEnabled);
            ClickTab(signon, 1);
            return true;
        })
        .Then("Wallpaper shown", PageShown(wallpaper))
        .Then("Advanced", clickAdvanced(wallpaper))
        .Then("Center, Random, Cancel", [] { return ClickInAdvanced({IDC_CENTER, IDC_RANDOM}, IDCANCEL); })
        .Then("closed", gone)
        .Then("Advanced again", clickAdvanced(wallpaper))
        .Then("Center, Backward, disable, OK", [&] {
            HWND dialog = ThreadDialog("Advanced Options");
            if (!dialog)
                return false;
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_TILE)) << "Cancel left the dialog's values";
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_FORWARD));
            return ClickInAdvanced({IDC_CENTER, IDC_BACKWARD, IDC_DISABLE}, IDOK);
        })
        .Then("closed", gone)
        .Then("not yet taken; back to Signon", [&] {
            EXPECT_EQ(0, wallpaper.m_displayStyle);
            EXPECT_EQ(0, wallpaper.m_wallpaperOrder);
            EXPECT_EQ(1, wallpaper.m_wallpaperEnabled);
            ClickTab(wallpaper, 0);
            return true;
        })
        .Then("taken on leaving the page", [&] {
            if (wallpaper.m_displayStyle != 1)
                return false;
            EXPECT_EQ(1, wallpaper.m_wallpaperOrder);
            EXPECT_EQ(0, wallpaper.m_wallpaperEnabled);
            return true;
        })
        .Press(PSBTN_CANCEL);
    ASSERT_EQ(IDCANCEL, RunPages({&signon, &wallpaper}, script));

    // The next showing starts the dialog from the page's values again, and
    // OK of the sheet on the page itself takes the dialog's values.
    wallpaper.m_wallpaperOrder = 2;
    wallpaper.m_wallpaperEnabled = 1;
    wallpaper.m_displayStyle = 3;   // Best Fit
    SheetScript next;
    next.Then("shown", PageShown(wallpaper))
        .Then("Advanced", clickAdvanced(wallpaper))
        .Then("as the page holds them; Stretch To Fit, OK", [&] {
            HWND dialog = ThreadDialog("Advanced Options");
            if (!dialog)
                return false;
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_RANDOM));
            EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_DISABLE));
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_BESTFIT));
            return ClickInAdvanced({IDC_STRETCH, IDC_DISABLE}, IDOK);
        })
        .Then("closed", gone)
        .Press(PSBTN_OK);
    ASSERT_EQ(IDOK, RunPages({&wallpaper}, next));
    EXPECT_EQ(2, wallpaper.m_wallpaperOrder);
    EXPECT_EQ(0, wallpaper.m_wallpaperEnabled);
    EXPECT_EQ(2, wallpaper.m_displayStyle);
}

// Lists as they come from hand-edited or damaged list files: longer than a
// Windows 9x list box holds, long lines, bytes of every value, names of
// missing files, folders and devices. The page opens and hands every entry
// back as it got it.
TEST(CategoryPageTest, HostileListsOpenAndComeBackAsLoaded) {
    std::vector<std::string> entries;
    std::string garbage;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n')
            garbage += static_cast<char>(c);
    const char* odd[] = {"", "C:\\missing\\nothing.bmp", "C:\\windows", "C:\\", "NUL", "CON", "LPT1", "COM1",
                         "\\\\.\\PhysicalDrive0", "*.bmp", "\t\t", ORIGINAL_ENTRY};
    const unsigned int total = CCategoryPage::MAX_SHOWN_ENTRIES + 2000;
    for (unsigned int i = 0; i < total; ++i) {
        if (i % 97 == 0)
            entries.push_back(garbage.substr(i % 200));
        else if (i % 89 == 0)
            entries.push_back(std::string(255, static_cast<char>('a' + i % 26)));
        else if (i % 13 == 0)
            entries.push_back(odd[i / 13 % (sizeof odd / sizeof odd[0])]);
        else
            entries.push_back("C:\\pictures\\" + std::to_string(i) + ".bmp");
    }
    const TValVector<TCharString> list = MakeList(entries);

    // The current file lies beyond what the list box shows (and is a device
    // on the other page), so neither page previews anything it cannot read.
    CWallpaperPage wallpaper;
    const unsigned int currentIndex = total - 4;
    wallpaper.SetFileList(list, TCharString(entries[currentIndex].c_str()));
    CCategoryPage signoff(IDD_SIGNOFF);
    signoff.SetFileList(list, TCharString("CON"));

    DWORD shownAfter = 0, okAt = 0;
    const DWORD start = GetTickCount();
    SheetScript script;
    script.Then("shown", PageShown(wallpaper))
        .Then("the first 32,767 shown, nothing selected", [&] {
            shownAfter = GetTickCount() - start;
            HWND list = Control(wallpaper, IDC_FILES);
            EXPECT_EQ(static_cast<LRESULT>(CCategoryPage::MAX_SHOWN_ENTRIES), SendMessageA(list, LB_GETCOUNT, 0, 0));
            std::vector<std::string> shown = ListEntries(list);
            EXPECT_TRUE(std::equal(shown.begin(), shown.end(), entries.begin())) << "shown as loaded";
            EXPECT_EQ(LB_ERR, Selection(list));
            ClickTab(wallpaper, 1);
            return true;
        })
        .Then("Signoff shown", PageShown(signoff))
        .Then("its selection on the device name", [&] {
            HWND list = Control(signoff, IDC_FILES);
            EXPECT_EQ(13 * 5, Selection(list)) << "the first \"CON\"";
            okAt = GetTickCount();
            return true;
        })
        .Press(PSBTN_OK);
    ASSERT_EQ(IDOK, RunPages({&wallpaper, &signoff}, script));
    printf("[ INFO     ] %u entries: first page shown after %lu ms, OK of two pages took %lu ms\n", total,
           shownAfter, GetTickCount() - okAt);

    EXPECT_TRUE(Entries(wallpaper.GetFileList()) == entries) << "every entry back, in order";
    EXPECT_EQ(entries[currentIndex], wallpaper.GetCurrentFile().GetText()) << "the current file is kept";
    EXPECT_EQ(static_cast<LONG>(currentIndex), wallpaper.m_selection);
    EXPECT_TRUE(Entries(signoff.GetFileList()) == entries);
    EXPECT_STREQ("CON", signoff.GetCurrentFile().GetText());
    // Filled in one allocation of the right size, not one entry at a time.
    EXPECT_EQ(total, wallpaper.GetFileList().GetMinimumCapacity());
    EXPECT_EQ(total, wallpaper.GetFileList().GetCapacity());
}

// Memory running out while the preview loads a picture: whatever the
// preview lets through stops at the page, which shows nothing ("N/A") and
// goes on; choosing the entry again loads it anew.
// A message box sink that allocates nothing (memory may be running out
// when it is called): the framework's reports of what failed outside the
// preview (the list box, the buttons) are only counted.
int g_memoryBoxes = 0;
int CountMemoryBox(HWND, LPCSTR, LPCSTR, UINT) {
    ++g_memoryBoxes;
    return IDOK;
}

TEST(CategoryPageTest, APreviewOutOfMemoryLeavesThePageWorking) {
    const std::string first = Picture("memory-first.bmp", 5), second = Picture("memory-second.bmp", 99);
    CCategoryPage page(IDD_SIGNON);
    page.SetFileList(MakeList({first, second}), TCharString(first.c_str()));
    g_memoryBoxes = 0;
    MessageBoxSink previousSink = SetMessageBoxSink(CountMemoryBox);
    auto preview = [&page] {
        return static_cast<CImagePreview*>(CWnd::FromHandlePermanent(Control(page, IDC_PREVIEW)));
    };

    SheetScript script;
    script.Then("shown", PageShown(page));
    for (long skip = 0; skip < 40; skip += 2) {
        script
            .Then("choose the other entry while memory runs out", [&page, skip] {
                HWND list = Control(page, IDC_FILES);
                const int other = Selection(list) == 0 ? 1 : 0;
                SendMessageA(list, LB_SETTOPINDEX, 0, 0);
                RECT item;
                SendMessageA(list, LB_GETITEMRECT, other, reinterpret_cast<LPARAM>(&item));
                iwtest::ArmAllocFailure(skip, 100000);
                Click(list, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
                return true;
            })
            .Then("still there", [&page, &preview, first, second] {
                iwtest::DisarmAllocFailure();
                EXPECT_TRUE(IsWindow(page.GetSafeHwnd()));
                const std::string shown = preview()->GetCurrentPath().GetText();
                EXPECT_TRUE(shown.empty() || shown == first || shown == second) << shown;
                return true;
            });
    }
    script
        .Then("with memory to spare, the second entry", [&page] {
            ClickEntry(Control(page, IDC_FILES), 1);
            return true;
        })
        .Then("then the first", [&page] {
            ClickEntry(Control(page, IDC_FILES), 0);
            return true;
        })
        .Then("shown in full", [&page, &preview, first] {
            if (Selection(Control(page, IDC_FILES)) != 0)
                return false;
            EXPECT_EQ(first, preview()->GetCurrentPath().GetText());
            EXPECT_NE(nullptr, preview()->GetDisplayBits());
            return true;
        })
        .Press(PSBTN_OK);
    const INT_PTR result = RunPages({&page}, script);
    SetMessageBoxSink(previousSink);
    ASSERT_EQ(IDOK, result);
    printf("[ INFO     ] %d reports of failures outside the preview\n", g_memoryBoxes);
    EXPECT_EQ(first, page.GetCurrentFile().GetText());
}

}  // namespace
