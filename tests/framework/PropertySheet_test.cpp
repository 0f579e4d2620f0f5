#include "TestResources.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

// (prsht.h defines PropertySheet as PropertySheetA, hence the suite name.)

using fwtest::MessageBoxRecorder;

namespace {

std::vector<std::string> g_events;

void Log(const std::string& event) { g_events.push_back(event); }

// A page with one edit field exchanged with m_value, logging what happens.
struct LoggingPage : CPropertyPage {
    std::string name;
    int m_value = 0;
    BOOL applyResult = TRUE;

    LoggingPage(UINT nIDTemplate, const char* pageName, UINT nIDCaption = 0)
        : CPropertyPage(nIDTemplate, nIDCaption), name(pageName) {}

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_PAGE_VALUE, m_value);
    }
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override
    {
        Log(name + ":create");
        return CPropertyPage::OnCreate(lpCreateStruct);
    }
    BOOL OnInitDialog() override
    {
        Log(name + ":init");
        return CPropertyPage::OnInitDialog();
    }
    BOOL OnSetActive() override
    {
        Log(name + ":set");
        return CPropertyPage::OnSetActive();
    }
    BOOL OnKillActive() override
    {
        BOOL result = CPropertyPage::OnKillActive();
        Log(name + (result ? ":kill" : ":kill-refused"));
        return result;
    }
    BOOL OnApply() override
    {
        Log(name + ":apply");
        return applyResult && CPropertyPage::OnApply();
    }
    void OnReset() override
    {
        Log(name + ":reset");
        CPropertyPage::OnReset();
    }
};

const UINT WM_SCRIPT = WM_APP + 1;

// A sheet that runs a script of steps, one per posted private message, the
// way the program's sheet restores its last page from WM_CREATE.
struct ScriptedSheet : CPropertySheet {
    std::vector<std::function<void(ScriptedSheet&)>> steps;
    size_t next = 0;
    int lastActive = -2;
    BOOL ownerEnabledWhileShown = TRUE;

    explicit ScriptedSheet(LPCSTR caption) : CPropertySheet(caption) {}

    int OnCreate(LPCREATESTRUCT lpCreateStruct) override
    {
        Log("sheet:create");
        if (CPropertySheet::OnCreate(lpCreateStruct) == -1)
            return -1;
        PostMessage(WM_SCRIPT);
        return 0;
    }
    void OnDestroy() override
    {
        lastActive = GetActiveIndex();
        Log("sheet:destroy");
        CPropertySheet::OnDestroy();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_SCRIPT)
            return CPropertySheet::WindowProc(message, wParam, lParam);
        if (AfxGetMainWnd() != NULL)
            ownerEnabledWhileShown = AfxGetMainWnd()->IsWindowEnabled();
        if (next < steps.size()) {
            steps[next++](*this);
            if (m_hWnd != NULL)
                PostMessage(WM_SCRIPT);
        }
        return 0;
    }
};

void SetPageValue(CPropertyPage* pPage, const char* text)
{
    pPage->SetDlgItemText(IDC_PAGE_VALUE, text);
}

std::string ItemTextOf(CPropertyPage& page)
{
    char text[64] = "";
    page.GetDlgItemText(IDC_PAGE_VALUE, text, sizeof text);
    return text;
}

// Removes what a test left in the queue (stale posts, a WM_QUIT).
void DrainQueue()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace

TEST(Sheet, SwitchesPagesAndClosesWithOk)
{
    g_events.clear();
    LoggingPage first(IDD_TEST_PAGE1, "p0");
    LoggingPage second(IDD_TEST_PAGE2, "p1", IDS_PAGE_CAPTION);
    first.m_value = 5;
    second.m_value = 6;
    ScriptedSheet sheet("Imagewheel");
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW | PSH_USEHICON;
    sheet.m_psh.hIcon = ::LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    EXPECT_EQ(2, sheet.GetPageCount());
    EXPECT_EQ(1, sheet.GetPageIndex(&second));
    EXPECT_EQ(-1, sheet.GetPageIndex(NULL));
    EXPECT_EQ(nullptr, sheet.GetPage(2));
    EXPECT_EQ(0, sheet.GetActiveIndex());

    std::string caption, tab;
    sheet.steps = {
        [&](ScriptedSheet& s) {
            EXPECT_EQ(0, s.GetActiveIndex());
            EXPECT_EQ(&first, s.GetActivePage());
            EXPECT_EQ(::GetParent(first.m_hWnd), s.m_hWnd);
            // No Apply button; the icon given in the header.
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(s.m_hWnd, 0x3021)));
            EXPECT_TRUE(s.SendMessage(WM_GETICON, ICON_SMALL) != 0 || s.SendMessage(WM_GETICON, ICON_BIG) != 0);
            char text[64] = "";
            ::GetWindowTextA(s.m_hWnd, text, sizeof text);
            caption = text;
            // The second tab shows the caption from the string table.
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            ::SendMessageA((HWND)s.SendMessage(PSM_GETTABCONTROL), TCM_GETITEMA, 1, (LPARAM)&item);
            tab = text;
            EXPECT_EQ("5", ItemTextOf(first));
            SetPageValue(&first, "50");
            EXPECT_TRUE(s.SetActivePage(1));
        },
        [&](ScriptedSheet& s) {
            EXPECT_EQ(1, s.GetActiveIndex());
            EXPECT_EQ(&second, s.GetActivePage());
            EXPECT_EQ(50, first.m_value);   // saved when the page was left
            SetPageValue(&second, "60");
            EXPECT_TRUE(s.SetActivePage(&first));
        },
        [&](ScriptedSheet& s) {
            EXPECT_EQ("50", ItemTextOf(first));   // reloaded, not re-created
            SetPageValue(&first, "51");
            Log("press-ok");
            s.PressButton(PSBTN_OK);
        },
    };
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ("Imagewheel", caption);
    EXPECT_EQ("Renamed page", tab);
    EXPECT_EQ(51, first.m_value);
    EXPECT_EQ(60, second.m_value);
    EXPECT_EQ(0, sheet.lastActive);
    EXPECT_EQ(nullptr, sheet.m_hWnd);
    EXPECT_EQ(nullptr, first.m_hWnd);
    EXPECT_EQ(nullptr, second.m_hWnd);
    EXPECT_EQ((std::vector<std::string>{"sheet:create", "p0:create", "p0:init", "p0:set",
                                        "p0:kill", "p1:create", "p1:init", "p1:set",
                                        "p1:kill", "p0:set",
                                        "press-ok", "p0:kill", "p0:apply", "p1:apply",
                                        "sheet:destroy"}),
              g_events);
}

TEST(Sheet, StartsOnTheChosenPageCancelsAndShowsAgain)
{
    g_events.clear();
    CWinApp app;
    CFrameWnd* pOwner = new CFrameWnd;
    ASSERT_TRUE(pOwner->Create(NULL, "owner", 0));
    app.m_pMainWnd = pOwner;

    LoggingPage first(IDD_TEST_PAGE1, "p0");
    LoggingPage second(IDD_TEST_PAGE2, "p1");
    first.m_value = 5;
    second.m_value = 6;
    ScriptedSheet sheet("Imagewheel");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    EXPECT_FALSE(sheet.SetActivePage(2));
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(1, sheet.GetActiveIndex());

    sheet.steps = {
        [&](ScriptedSheet& s) {
            EXPECT_EQ(1, s.GetActiveIndex());
            EXPECT_EQ(nullptr, first.m_hWnd);   // never shown, never created
            EXPECT_EQ(::GetParent(s.m_hWnd), pOwner->m_hWnd);
            SetPageValue(&second, "99");
            Log("click-cancel");
            ::PostMessageA(::GetDlgItem(s.m_hWnd, IDCANCEL), BM_CLICK, 0, 0);
        },
    };
    EXPECT_EQ(IDCANCEL, sheet.DoModal());
    EXPECT_FALSE(sheet.ownerEnabledWhileShown);
    EXPECT_TRUE(pOwner->IsWindowEnabled());
    EXPECT_EQ(6, second.m_value);   // cancelled: nothing saved
    EXPECT_EQ((std::vector<std::string>{"sheet:create", "p1:create", "p1:init", "p1:set",
                                        "click-cancel", "p1:reset", "sheet:destroy"}),
              g_events);

    // The same objects again: the pages are created anew and loaded.
    g_events.clear();
    second.m_value = 7;
    sheet.next = 0;
    sheet.steps = {
        [&](ScriptedSheet& s) {
            EXPECT_EQ("7", ItemTextOf(second));
            s.PressButton(PSBTN_OK);
        },
    };
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ(7, second.m_value);
    EXPECT_EQ((std::vector<std::string>{"sheet:create", "p1:create", "p1:init", "p1:set",
                                        "p1:kill", "p1:apply", "sheet:destroy"}),
              g_events);

    pOwner->DestroyWindow();
    DrainQueue();
}

TEST(Sheet, RefusalsKeepTheSheetOpen)
{
    g_events.clear();
    MessageBoxRecorder recorder;
    LoggingPage first(IDD_TEST_PAGE1, "p0");
    LoggingPage second(IDD_TEST_PAGE2, "p1");
    ScriptedSheet sheet("Imagewheel");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.steps = {
        [&](ScriptedSheet& s) {
            // A value that does not convert: the page cannot be left.
            SetPageValue(&first, "abc");
            s.SetActivePage(1);
        },
        [&](ScriptedSheet& s) {
            EXPECT_EQ(0, s.GetActiveIndex());
            EXPECT_EQ(nullptr, second.m_hWnd);
            ASSERT_EQ(1u, recorder.Boxes().size());
            EXPECT_EQ("Please enter an integer.", recorder.Boxes()[0].text);
            // A page refusing OK keeps the sheet open too.
            SetPageValue(&first, "8");
            first.applyResult = FALSE;
            s.PressButton(PSBTN_OK);
        },
        [&](ScriptedSheet& s) {
            EXPECT_NE(0, s.SendMessage(PSM_GETCURRENTPAGEHWND));
            Log("press-cancel");
            s.PostMessage(PSM_PRESSBUTTON, PSBTN_CANCEL);
        },
    };
    EXPECT_EQ(IDCANCEL, sheet.DoModal());
    EXPECT_EQ(8, first.m_value);
    EXPECT_EQ((std::vector<std::string>{"sheet:create", "p0:create", "p0:init", "p0:set",
                                        "p0:kill-refused", "p0:kill", "p0:apply",
                                        "press-cancel", "p0:reset", "sheet:destroy"}),
              g_events);
    DrainQueue();
}

TEST(Sheet, EndsWhenDestroyedFromOutsideOrOnQuit)
{
    LoggingPage first(IDD_TEST_PAGE1, "p0");
    {
        ScriptedSheet sheet("Imagewheel");
        sheet.AddPage(&first);
        sheet.steps = {
            [&](ScriptedSheet& s) { ::DestroyWindow(s.m_hWnd); },
        };
        EXPECT_EQ(IDCANCEL, sheet.DoModal());
        EXPECT_EQ(0, sheet.lastActive);
        EXPECT_EQ(nullptr, sheet.m_hWnd);
    }
    {
        // WM_QUIT ends the sheet and stays posted for the outer loop.
        ScriptedSheet sheet("Imagewheel");
        sheet.AddPage(&first);
        sheet.steps = {
            [&](ScriptedSheet&) { ::PostQuitMessage(3); },
        };
        EXPECT_EQ(-1, sheet.DoModal());
        MSG msg;
        ASSERT_TRUE(::PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(3u, msg.wParam);
    }
    // Nothing to show.
    CPropertySheet empty("Imagewheel");
    EXPECT_EQ(-1, empty.DoModal());
    DrainQueue();
}
