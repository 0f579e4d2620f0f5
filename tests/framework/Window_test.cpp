#include "TestSupport.h"
#include <gtest/gtest.h>
#include <new>

using fwtest::MessageBoxRecorder;
using fwtest::PumpUntil;

namespace {

std::vector<std::string> g_log;

// A frame that logs its life; tests create it with new and never delete it.
struct LoggingFrame : CFrameWnd {
    int createResult = 0;
    int timerFired = 0;
    ~LoggingFrame() override { g_log.push_back("deleted"); }
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override
    {
        g_log.push_back(std::string("create:") + lpCreateStruct->lpszName);
        if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
            return -1;
        return createResult;
    }
    void OnDestroy() override
    {
        g_log.push_back("destroy");
        CFrameWnd::OnDestroy();
    }
    void OnTimer(UINT_PTR nIDEvent) override
    {
        if (nIDEvent == 1) {
            ++timerFired;
            KillTimer(1);
        }
    }
};

CRegisteredMessage g_testMessage("ImagewheelTest_Private");

// Handles a registered message in WindowProc, passing the rest on.
struct PrivateMessageFrame : CFrameWnd {
    LPARAM received = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == g_testMessage) {
            received = lParam;
            return 77;
        }
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }
};

// A list box subclassed onto a class that counts clicks and swallows keys.
struct CountingListBox : CListBox {
    int clicks = 0;
    int keys = 0;
    void OnLButtonDown(UINT nFlags, CPoint point) override
    {
        ++clicks;
        CListBox::OnLButtonDown(nFlags, point);
    }
    void OnKeyDown(UINT, UINT, UINT) override { ++keys; }
};

}  // namespace

TEST(FrameWnd, LivesWithItsWindowAndDeletesItself)
{
    g_log.clear();
    LoggingFrame* pFrame = new LoggingFrame;
    ASSERT_TRUE(pFrame->Create(NULL, "Imagewheel", 0, CFrameWnd::rectDefault));
    HWND hWnd = pFrame->m_hWnd;
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_FALSE(::IsWindowVisible(hWnd));
    EXPECT_EQ(pFrame, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(pFrame, CWnd::FromHandle(hWnd));

    TCharString title;
    pFrame->GetWindowText(title);
    EXPECT_STREQ("Imagewheel", title.GetText());
    pFrame->SetWindowText("Renamed");
    pFrame->GetWindowText(title);
    EXPECT_STREQ("Renamed", title.GetText());

    // Timers reach the handler through the message loop.
    EXPECT_NE(0u, pFrame->SetTimer(1, 1));
    EXPECT_TRUE(PumpUntil([&] { return pFrame->timerFired > 0; }));
    EXPECT_EQ(1, pFrame->timerFired);

    EXPECT_TRUE(pFrame->DestroyWindow());
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ((std::vector<std::string>{"create:Imagewheel", "destroy", "deleted"}), g_log);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));

    // A frame whose WM_CREATE fails: Create reports it and the object is gone.
    g_log.clear();
    LoggingFrame* pFailing = new LoggingFrame;
    pFailing->createResult = -1;
    EXPECT_FALSE(pFailing->Create(NULL, "failing", 0));
    EXPECT_EQ((std::vector<std::string>{"create:failing", "deleted"}), g_log);
}

TEST(FrameWnd, PrivateAndRegisteredMessagesReachWindowProc)
{
    EXPECT_NE(0u, (UINT)g_testMessage);
    EXPECT_EQ((UINT)g_testMessage, ::RegisterWindowMessageA("ImagewheelTest_Private"));

    PrivateMessageFrame* pFrame = new PrivateMessageFrame;
    ASSERT_TRUE(pFrame->Create(NULL, "", 0));
    EXPECT_EQ(77, pFrame->SendMessage(g_testMessage, 0, 1234));
    EXPECT_EQ(1234, pFrame->received);
    // Other messages keep their standard processing.
    EXPECT_EQ(TRUE, pFrame->SendMessage(WM_SETTEXT, 0, (LPARAM)"abc"));
    EXPECT_EQ(3, pFrame->GetWindowTextLength());
    pFrame->DestroyWindow();
}

TEST(Wnd, SubclassedControlsAndTemporaryWrappers)
{
    CFrameWnd* pFrame = new CFrameWnd;
    ASSERT_TRUE(pFrame->Create(NULL, "parent", WS_OVERLAPPEDWINDOW));
    HWND hList = ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 0, 100, 100,
                                   pFrame->m_hWnd, (HMENU)42, ::GetModuleHandleA(NULL), NULL);
    ASSERT_NE(nullptr, hList);

    // Before subclassing: a temporary wrapper, the same one until cleaned up.
    CWnd* pTemp = pFrame->GetDlgItem(42);
    ASSERT_NE(nullptr, pTemp);
    EXPECT_EQ(hList, pTemp->m_hWnd);
    EXPECT_EQ(pTemp, CWnd::FromHandle(hList));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hList));
    AfxDeleteTempMap();

    {
        CountingListBox box;
        ASSERT_TRUE(box.SubclassDlgItem(42, pFrame));
        EXPECT_FALSE(box.SubclassWindow(hList));   // already tied
        EXPECT_EQ(&box, CWnd::FromHandlePermanent(hList));
        EXPECT_EQ(0, box.AddString("b.bmp"));
        EXPECT_EQ(1, box.AddString("c.bmp"));
        EXPECT_EQ(0, box.InsertString(0, "a.bmp"));
        EXPECT_EQ(3, box.GetCount());
        TCharString text;
        EXPECT_EQ(5, box.GetText(1, text));
        EXPECT_STREQ("b.bmp", text.GetText());
        EXPECT_EQ(LB_ERR, box.GetText(7, text));
        EXPECT_STREQ("", text.GetText());

        // Mouse and keyboard reach the handlers; unhandled ones the list box.
        RECT item;
        box.GetItemRect(2, &item);
        box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.left + 2, item.top + 2));
        box.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(item.left + 2, item.top + 2));
        EXPECT_EQ(1, box.clicks);
        EXPECT_EQ(2, box.GetCurSel());
        BOOL outside = TRUE;
        EXPECT_EQ(2u, box.ItemFromPoint(CPoint(item.left + 2, item.top + 2), outside));
        EXPECT_FALSE(outside);
        box.SendMessage(WM_KEYDOWN, VK_UP, 0);
        EXPECT_EQ(1, box.keys);
        EXPECT_EQ(2, box.GetCurSel());   // swallowed: the selection stays
    }
    // The object is gone, the control is not, and works as before.
    EXPECT_TRUE(::IsWindow(hList));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hList));
    EXPECT_EQ(3, ::SendMessageA(hList, LB_GETCOUNT, 0, 0));
    ::SendMessageA(hList, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(1, ::SendMessageA(hList, LB_GETCURSEL, 0, 0));

    // Destroying the window lets go of a subclassing object, which survives.
    CListBox box;
    ASSERT_TRUE(box.SubclassWindow(hList));
    pFrame->DestroyWindow();
    EXPECT_EQ(nullptr, box.m_hWnd);

    // Attach only holds the handle.
    CComboBox combo;
    HWND hDesktop = ::GetDesktopWindow();
    EXPECT_TRUE(combo.Attach(hDesktop));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hDesktop));
    EXPECT_EQ(hDesktop, combo.Detach());
    EXPECT_EQ(nullptr, combo.m_hWnd);
}

TEST(Menu, OwnsOnePopupMenu)
{
    CMenu menu;
    EXPECT_FALSE(menu.DestroyMenu());
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_FALSE(menu.CreatePopupMenu());   // one menu at a time
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 2025, "Show Imagewheel"));
    EXPECT_TRUE(menu.AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 0x6000, "Terminate Imagewheel"));
    EXPECT_EQ(3, menu.GetMenuItemCount());
    char text[64] = "";
    ::GetMenuStringA(menu, 0x6000, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("Terminate Imagewheel", text);
    HMENU hMenu = menu.m_hMenu;
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(::IsMenu(hMenu));
    EXPECT_FALSE(menu.DestroyMenu());

    // A popup menu chosen from: the command arrives at the owner window.
    struct CommandFrame : CFrameWnd {
        UINT command = 0;
        BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
        {
            if (LOWORD(wParam) == 2025) {
                command = LOWORD(wParam);
                return TRUE;
            }
            return CFrameWnd::OnCommand(wParam, lParam);
        }
    };
    CommandFrame* pFrame = new CommandFrame;
    ASSERT_TRUE(pFrame->Create(NULL, "menu owner", 0));
    pFrame->PostMessage(WM_COMMAND, 2025, 0);
    EXPECT_TRUE(PumpUntil([&] { return pFrame->command == 2025; }));
    pFrame->DestroyWindow();
}

namespace {

// Handlers that throw, as the component library does when memory runs out.
struct ThrowingFrame : CFrameWnd {
    bool throwOnCreate = false;
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override
    {
        if (throwOnCreate)
            throw std::bad_alloc();
        return CFrameWnd::OnCreate(lpCreateStruct);
    }
    void OnTimer(UINT_PTR) override
    {
        KillTimer(1);
        throw TCharStringException(1, "class TCharString", "CharString", 12, "Unable to allocate memory");
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP)
            throw 42;
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }
};

}  // namespace

TEST(Wnd, ExceptionsInHandlersAreReportedAndContained)
{
    MessageBoxRecorder recorder;
    ThrowingFrame* pFrame = new ThrowingFrame;
    ASSERT_TRUE(pFrame->Create(NULL, "", 0));
    pFrame->SetTimer(1, 1);
    EXPECT_TRUE(PumpUntil([] { return !MessageBoxRecorder::Boxes().empty(); }));
    ASSERT_EQ(1u, MessageBoxRecorder::Boxes().size());
    const std::string& report = MessageBoxRecorder::Boxes()[0].text;
    EXPECT_NE(std::string::npos, report.find("class TCharString")) << report;
    EXPECT_NE(std::string::npos, report.find("Unable to allocate memory")) << report;
    EXPECT_EQ((UINT)(MB_OK | MB_ICONEXCLAMATION), MessageBoxRecorder::Boxes()[0].type);

    EXPECT_EQ(0, pFrame->SendMessage(WM_APP));
    ASSERT_EQ(2u, MessageBoxRecorder::Boxes().size());
    EXPECT_EQ("Internal application error.", MessageBoxRecorder::Boxes()[1].text);
    EXPECT_TRUE(pFrame->DestroyWindow());

    // A throwing WM_CREATE makes the creation fail.
    ThrowingFrame* pFailing = new ThrowingFrame;
    pFailing->throwOnCreate = true;
    EXPECT_FALSE(pFailing->Create(NULL, "", 0));
    ASSERT_EQ(3u, MessageBoxRecorder::Boxes().size());
    EXPECT_EQ("Out of memory.", MessageBoxRecorder::Boxes()[2].text);
}
