#include "TestResources.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <new>

using fwtest::MessageBoxRecorder;
using fwtest::PumpUntil;

namespace {

struct DrawnButton : CButton {
    int drawn = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        if (lpDrawItemStruct->hwndItem == m_hWnd)
            ++drawn;
    }
};

// The dialog of the tests: every kind of exchange on template IDD_TEST_DIALOG.
struct TestDialog : CDialog {
    TCharString m_name;
    int m_count = 0;
    int m_check = 0;
    int m_combo = -1;
    int m_list = -1;
    CComboBox m_comboCtl;
    DrawnButton m_drawn;
    std::vector<std::string> log;

    TestDialog() : CDialog(IDD_TEST_DIALOG) {}

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_COMBO, m_comboCtl);
        DDX_Control(pDX, IDC_DRAWN, m_drawn);
        DDX_Text(pDX, IDC_NAME, m_name);
        DDX_Text(pDX, IDC_COUNT, m_count);
        DDX_Check(pDX, IDC_CHECK, m_check);
        DDX_CBIndex(pDX, IDC_COMBO, m_combo);
        DDX_LBIndex(pDX, IDC_LIST, m_list);
    }
    BOOL OnInitDialog() override
    {
        log.push_back("init");
        // The controls exist but are not yet bound to their objects.
        for (const char* item : {"Boot", "Days", "Weeks"})
            ::SendDlgItemMessageA(m_hWnd, IDC_COMBO, CB_ADDSTRING, 0, (LPARAM)item);
        for (const char* item : {"a.bmp", "b.bmp"})
            ::SendDlgItemMessageA(m_hWnd, IDC_LIST, LB_ADDSTRING, 0, (LPARAM)item);
        return CDialog::OnInitDialog();
    }
    void OnOK() override
    {
        log.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        log.push_back("cancel");
        CDialog::OnCancel();
    }
};

std::string ItemText(HWND hDlg, int id)
{
    char text[256] = "";
    ::GetDlgItemTextA(hDlg, id, text, sizeof text);
    return text;
}

}  // namespace

TEST(Dialog, ModelessExchangeBothWays)
{
    MessageBoxRecorder recorder;
    TestDialog dlg;
    dlg.m_name = "Signon";
    dlg.m_count = -15;
    dlg.m_check = 1;
    dlg.m_combo = 2;
    dlg.m_list = 1;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    HWND hDlg = dlg.m_hWnd;
    EXPECT_EQ(&dlg, CWnd::FromHandlePermanent(hDlg));
    EXPECT_EQ((std::vector<std::string>{"init"}), dlg.log);

    // Loading: members to controls, and the controls are bound.
    EXPECT_EQ("Signon", ItemText(hDlg, IDC_NAME));
    EXPECT_EQ("-15", ItemText(hDlg, IDC_COUNT));
    EXPECT_EQ(BST_CHECKED, dlg.IsDlgButtonChecked(IDC_CHECK));
    EXPECT_EQ(::GetDlgItem(hDlg, IDC_COMBO), dlg.m_comboCtl.m_hWnd);
    EXPECT_EQ(2, dlg.m_comboCtl.GetCurSel());
    TCharString weeks;
    EXPECT_EQ(5, dlg.m_comboCtl.GetLBText(2, weeks));
    EXPECT_STREQ("Weeks", weeks.GetText());
    EXPECT_EQ(1, ::SendDlgItemMessageA(hDlg, IDC_LIST, LB_GETCURSEL, 0, 0));

    // The owner-drawn button paints through its own object.
    dlg.m_drawn.Invalidate();
    dlg.m_drawn.UpdateWindow();
    EXPECT_GT(dlg.m_drawn.drawn, 0);

    // Saving: controls to members.
    dlg.SetDlgItemText(IDC_NAME, "Shutdown");
    dlg.SetDlgItemText(IDC_COUNT, "  42 ");
    dlg.CheckDlgButton(IDC_CHECK, BST_UNCHECKED);
    dlg.m_comboCtl.SetCurSel(0);
    ::SendDlgItemMessageA(hDlg, IDC_LIST, LB_SETCURSEL, (WPARAM)-1, 0);
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_STREQ("Shutdown", dlg.m_name.GetText());
    EXPECT_EQ(42, dlg.m_count);
    EXPECT_EQ(0, dlg.m_check);
    EXPECT_EQ(0, dlg.m_combo);
    EXPECT_EQ(-1, dlg.m_list);
    EXPECT_TRUE(recorder.Boxes().empty());

    // A number that is not one: the user is told, the field gets the focus
    // and the exchange stops there.
    for (const char* bad : {"12x", "", "99999999999", "-"}) {
        recorder.Boxes().clear();
        dlg.SetDlgItemText(IDC_NAME, "Signoff");
        dlg.SetDlgItemText(IDC_COUNT, bad);
        dlg.CheckDlgButton(IDC_CHECK, BST_CHECKED);
        EXPECT_FALSE(dlg.UpdateData(TRUE)) << bad;
        EXPECT_EQ(42, dlg.m_count) << bad;
        EXPECT_EQ(0, dlg.m_check) << bad;   // after the failing field: untouched
        ASSERT_EQ(1u, recorder.Boxes().size()) << bad;
        EXPECT_EQ("Please enter an integer.", recorder.Boxes()[0].text);
        EXPECT_EQ(hDlg, recorder.Boxes()[0].owner);
        EXPECT_EQ(::GetDlgItem(hDlg, IDC_COUNT), ::GetFocus());
    }

    // OK on a modeless dialog: the saving exchange runs (and fails here).
    recorder.Boxes().clear();
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)::GetDlgItem(hDlg, IDOK));
    EXPECT_EQ((std::vector<std::string>{"init", "ok"}), dlg.log);
    EXPECT_EQ(1u, recorder.Boxes().size());

    // Destroying the window unbinds the controls; the object lives on.
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_comboCtl.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_drawn.m_hWnd);

    // A modeless dialog object going out of scope takes its window along.
    HWND hLocal = NULL;
    {
        TestDialog local;
        ASSERT_TRUE(local.Create(IDD_TEST_DIALOG));
        hLocal = local.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hLocal));
}

namespace {

// Closes itself from its own message queue once it is running.
struct SelfClosingDialog : TestDialog {
    UINT closeWith = IDOK;
    BOOL OnInitDialog() override
    {
        BOOL result = TestDialog::OnInitDialog();
        if (closeWith == WM_CLOSE)
            PostMessage(WM_CLOSE);
        else
            PostMessage(WM_COMMAND, MAKEWPARAM(closeWith, BN_CLICKED), 0);
        SetDlgItemText(IDC_NAME, "typed");
        return result;
    }
};

}  // namespace

TEST(Dialog, ModalEndsWithOkOrCancel)
{
    SelfClosingDialog ok;
    ok.m_name = "start";
    EXPECT_EQ(IDOK, ok.DoModal());
    EXPECT_STREQ("typed", ok.m_name.GetText());
    EXPECT_EQ((std::vector<std::string>{"init", "ok"}), ok.log);
    EXPECT_EQ(nullptr, ok.m_hWnd);

    // Cancel and the close box end without an exchange.
    for (UINT how : {(UINT)IDCANCEL, (UINT)WM_CLOSE}) {
        SelfClosingDialog cancel;
        cancel.closeWith = how;
        cancel.m_name = "start";
        EXPECT_EQ(IDCANCEL, cancel.DoModal());
        EXPECT_STREQ("start", cancel.m_name.GetText());
        EXPECT_EQ((std::vector<std::string>{"init", "cancel"}), cancel.log);
    }

    // A template that does not exist.
    CDialog missing(999);
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_FALSE(missing.Create(999));
}

TEST(Dialog, ExceptionsAreReportedAndFailTheExchange)
{
    struct ThrowingDialog : CDialog {
        ThrowingDialog() : CDialog(IDD_TEST_DIALOG) {}
        BOOL OnInitDialog() override { throw std::bad_alloc(); }
        void DoDataExchange(CDataExchange*) override
        {
            throw TCharStringException(1, "class TCharString", "CharString", 7, "Unable to allocate memory");
        }
    };
    MessageBoxRecorder recorder;
    ThrowingDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    ASSERT_EQ(1u, recorder.Boxes().size());
    EXPECT_EQ("Out of memory.", recorder.Boxes()[0].text);
    EXPECT_EQ(&dlg, CWnd::FromHandlePermanent(dlg.m_hWnd));

    // A saving exchange that throws is a failed one: OK does not end the dialog.
    EXPECT_FALSE(dlg.UpdateData(TRUE));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(dlg.IsWindowVisible());
    ASSERT_EQ(3u, recorder.Boxes().size());
    EXPECT_NE(std::string::npos, recorder.Boxes()[2].text.find("Unable to allocate memory"));
    EXPECT_TRUE(dlg.DestroyWindow());
}
