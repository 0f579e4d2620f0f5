// The file name list box under Wine: a real list box window subclassed by an
// object made through its runtime class name, driven by posted input
// messages with the real key state and cursor position.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>
#include "Engine.h"
#include "FilenameListbox.h"
#include "Framework.h"
#include "PagesTestSupport.h"
#include "resource.h"

namespace {

// The window that holds the box, counting what the box tells it.
class Host : public CWnd {
public:
    int ListClicks = 0;
    int SelChanges = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_LISTCLICKED)
            ++ListClicks;
        if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE)
            ++SelChanges;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

const int kRows = 8;

class FilenameListboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateEx(0, NULL, "list box test", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100, 100,
                                  320, 300, NULL, NULL));
        HWND list = CreateWindowExA(0, "LISTBOX", "",
                                    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                                        LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
                                    10, 10, 240, 100, host.m_hWnd, (HMENU)IDC_FILES, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(nullptr, list);
        int itemHeight = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
        // kRows whole rows and a little more, so the item area is kRows rows.
        SetWindowPos(list, NULL, 0, 0, 240, kRows * itemHeight + 2 + itemHeight / 2, SWP_NOMOVE | SWP_NOZORDER);
        CWnd* made = CRuntimeClass::CreateObject(CFilenameListbox::RuntimeClassName);
        box = dynamic_cast<CFilenameListbox*>(made);
        ASSERT_NE(nullptr, box);
        ASSERT_TRUE(box->SubclassWindow(list));
        SetForegroundWindow(host.m_hWnd);
        Pump();
    }
    void TearDown() override {
        SetKeys(false, false);
        delete box;
        host.DestroyWindow();
        Pump();
    }

    void Fill(const std::vector<std::string>& entries) {
        box->ResetContent();
        for (size_t i = 0; i < entries.size(); ++i) {
            box->AddString(entries[i].c_str());
            box->SetItemData((int)i, 1000 + i);
            data[entries[i]] = 1000 + i;
        }
    }
    void FillNumbered(int n, bool special) {
        std::vector<std::string> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back("C:\\pictures\\" + std::to_string(i) + ".bmp");
        if (special)
            entries.back() = ORIGINAL_ENTRY;
        Fill(entries);
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> entries;
        for (int i = 0; i < box->GetCount(); ++i) {
            TCharString text;
            box->GetText(i, text);
            entries.push_back(text.GetText());
            EXPECT_EQ(data[text.GetText()], box->GetItemData(i)) << "item data travels with " << text.GetText();
        }
        return entries;
    }
    std::string Name(int i) { return i == -1 ? ORIGINAL_ENTRY : "C:\\pictures\\" + std::to_string(i) + ".bmp"; }
    std::vector<std::string> Names(std::vector<int> order) {
        std::vector<std::string> names;
        for (int i : order)
            names.push_back(Name(i));
        return names;
    }

    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    static void PumpFor(DWORD ms) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            Pump();
            Sleep(10);
        }
        Pump();
    }
    static void SetKeys(bool ctrl, bool leftButton) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
        keys[VK_LBUTTON] = leftButton ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // A key press as the keyboard sends it, with Ctrl held or not.
    void Key(UINT vk, bool ctrl) {
        SetKeys(ctrl, false);
        PostMessageA(box->m_hWnd, WM_KEYDOWN, vk, 1 | (MapVirtualKeyA(vk, 0) << 16) | (1 << 24));
        PostMessageA(box->m_hWnd, WM_KEYUP, vk, 1 | (MapVirtualKeyA(vk, 0) << 16) | (1 << 24) | (3u << 30));
        Pump();
        SetKeys(false, false);
    }
    void CtrlKey(UINT vk, int select) {
        box->SetCurSel(select);
        Key(vk, true);
    }

    // Client coordinates of a point in entry i, `y` pixels below its top.
    POINT InItem(int i, int y = -1) {
        RECT item;
        box->GetItemRect(i, &item);
        POINT p = {(item.left + item.right) / 2, y < 0 ? (item.top + item.bottom) / 2 : item.top + y};
        return p;
    }
    // The pointer goes to `client`; the mouse moves Wine makes of that are
    // handled (they arrive late, so they are waited for), then `message`
    // follows as the mouse would send it.
    void Mouse(UINT message, POINT client, bool down) {
        POINT screen = client;
        ClientToScreen(box->m_hWnd, &screen);
        SetKeys(false, down);
        POINT now;
        GetCursorPos(&now);
        if (now.x != screen.x || now.y != screen.y) {
            SetCursorPos(screen.x, screen.y);
            PumpFor(60);
        }
        PostMessageA(box->m_hWnd, message, down ? MK_LBUTTON : 0, MAKELPARAM(client.x, client.y));
        Pump();
    }
    void Press(POINT p) { Mouse(WM_LBUTTONDOWN, p, true); }
    void MoveTo(POINT p) { Mouse(WM_MOUSEMOVE, p, true); }
    void Release(POINT p) { Mouse(WM_LBUTTONUP, p, false); }
    // Mouse moves to p until the dragged entry stops moving.
    void DragTo(POINT p) {
        for (int i = 0; i < 40; ++i) {
            int before = box->GetCurSel();
            MoveTo(p);
            if (box->GetCurSel() == before)
                break;
        }
    }

    HCURSOR DragCursor() { return LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDC_DRAGMOVE)); }
    HCURSOR NoDropCursor() { return LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDC_NODROP)); }

    Host host;
    CFilenameListbox* box = nullptr;
    std::map<std::string, DWORD_PTR> data;
};

TEST_F(FilenameListboxTest, CursorsAreMonochrome32x32WithTheirHotSpots) {
    struct {
        int Id;
        DWORD HotX, HotY;
    } cursors[] = {{IDC_DRAGMOVE, 15, 14}, {IDC_NODROP, 15, 15}};
    for (const auto& c : cursors) {
        SCOPED_TRACE(c.Id);
        HCURSOR cursor = LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(c.Id));
        ASSERT_NE(nullptr, cursor);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(c.HotX, info.xHotspot);
        EXPECT_EQ(c.HotY, info.yHotspot);
        EXPECT_EQ(nullptr, info.hbmColor) << "monochrome";
        BITMAP mask = {};
        ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask));
        EXPECT_EQ(32, mask.bmWidth);
        EXPECT_EQ(64, mask.bmHeight) << "AND and XOR masks";
        EXPECT_EQ(1, mask.bmBitsPixel);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(FilenameListboxTest, CtrlArrowsMoveTheSelectedEntryWithinTheRules) {
    FillNumbered(4, false);
    CtrlKey(VK_UP, 0);   // first entry: nothing moves, not even the selection
    EXPECT_EQ(Names({0, 1, 2, 3}), Entries());
    EXPECT_EQ(0, box->GetCurSel());
    CtrlKey(VK_DOWN, 3);   // last entry
    EXPECT_EQ(Names({0, 1, 2, 3}), Entries());
    EXPECT_EQ(3, box->GetCurSel());
    CtrlKey(VK_DOWN, 1);
    EXPECT_EQ(Names({0, 2, 1, 3}), Entries());
    EXPECT_EQ(2, box->GetCurSel());
    Key(VK_RIGHT, true);
    EXPECT_EQ(Names({0, 2, 3, 1}), Entries());
    EXPECT_EQ(3, box->GetCurSel());
    Key(VK_LEFT, true);
    Key(VK_UP, true);
    Key(VK_UP, true);
    EXPECT_EQ(Names({1, 0, 2, 3}), Entries());
    EXPECT_EQ(0, box->GetCurSel());
    EXPECT_EQ(0, host.SelChanges) << "moves do not notify a selection change";

    // Plain arrows move the selection as in any list box.
    Key(VK_DOWN, false);
    EXPECT_EQ(1, box->GetCurSel());
    Key(VK_DOWN, false);
    Key(VK_UP, false);
    EXPECT_EQ(1, box->GetCurSel());
    EXPECT_EQ(Names({1, 0, 2, 3}), Entries());
    EXPECT_GE(host.SelChanges, 3);

    // A single entry, and no selection: Ctrl+arrows change nothing.
    FillNumbered(1, false);
    CtrlKey(VK_DOWN, 0);
    CtrlKey(VK_UP, 0);
    EXPECT_EQ(Names({0}), Entries());
    // Without a selection the list box does what it always does (it selects).
    FillNumbered(3, false);
    CtrlKey(VK_DOWN, -1);
    EXPECT_EQ(Names({0, 1, 2}), Entries());
    EXPECT_NE(-1, box->GetCurSel());
    box->SetCurSel(-1);
    EXPECT_EQ(0, box->MoveUp(-1));
    EXPECT_EQ(0, box->MoveDown(-1));
    EXPECT_EQ(1, box->MoveDown(2)) << "no move possible is still true";
    EXPECT_EQ(1, box->MoveUp(0));
    EXPECT_EQ(Names({0, 1, 2}), Entries());
}

TEST_F(FilenameListboxTest, TheOriginalEntryStaysLastButMovesLikeAnyOtherElsewhere) {
    FillNumbered(4, true);   // 0 1 2 [Original]
    CtrlKey(VK_UP, 3);
    EXPECT_EQ(Names({0, 1, 2, -1}), Entries());
    EXPECT_EQ(3, box->GetCurSel());
    CtrlKey(VK_DOWN, 2);   // just above it
    EXPECT_EQ(Names({0, 1, 2, -1}), Entries());
    EXPECT_EQ(2, box->GetCurSel());
    EXPECT_EQ(1, box->MoveDown(2));
    EXPECT_EQ(Names({0, 1, 2, -1}), Entries());
    CtrlKey(VK_DOWN, 1);
    EXPECT_EQ(Names({0, 2, 1, -1}), Entries());
    CtrlKey(VK_UP, 2);
    EXPECT_EQ(Names({0, 1, 2, -1}), Entries());

    // Not last: an ordinary entry.
    Fill(Names({-1, 0, 1}));
    CtrlKey(VK_DOWN, 0);
    EXPECT_EQ(Names({0, -1, 1}), Entries());
    Key(VK_DOWN, true);
    EXPECT_EQ(Names({0, 1, -1}), Entries());
    EXPECT_EQ(2, box->GetCurSel());
    Key(VK_UP, true);   // now it is last and stays
    EXPECT_EQ(Names({0, 1, -1}), Entries());
}

TEST_F(FilenameListboxTest, MovesKeepTheFirstVisibleRowUnlessTheEntryWouldLeaveTheView) {
    FillNumbered(30, false);
    auto select = [&](int index, int top) {
        box->SetCurSel(index);
        box->SetTopIndex(top);
        ASSERT_EQ(top, box->GetTopIndex());
    };
    // Scrolled to the end: a deletion would pull the top row up.
    select(25, 30 - kRows);
    Key(VK_UP, true);
    EXPECT_EQ(24, box->GetCurSel());
    EXPECT_EQ(30 - kRows, box->GetTopIndex());
    Key(VK_DOWN, true);
    Key(VK_DOWN, true);
    Key(VK_DOWN, true);
    Key(VK_DOWN, true);
    EXPECT_EQ(28, box->GetCurSel());
    EXPECT_EQ(30 - kRows, box->GetTopIndex());
    // Off the top row: the view follows by one row.
    select(22, 22);
    Key(VK_UP, true);
    EXPECT_EQ(21, box->GetCurSel());
    EXPECT_EQ(21, box->GetTopIndex());
    // Off the bottom row likewise.
    select(5 + kRows - 1, 5);
    Key(VK_DOWN, true);
    EXPECT_EQ(5 + kRows, box->GetCurSel());
    EXPECT_EQ(6, box->GetTopIndex());
    // In the middle nothing scrolls.
    select(10, 7);
    Key(VK_DOWN, true);
    Key(VK_UP, true);
    Key(VK_UP, true);
    EXPECT_EQ(9, box->GetCurSel());
    EXPECT_EQ(7, box->GetTopIndex());
    EXPECT_EQ(30, box->GetCount());
    Entries();   // item data checked on every entry
}

TEST_F(FilenameListboxTest, DraggingMovesTheEntryTowardsThePointer) {
    FillNumbered(6, false);
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_ARROW));
    HCURSOR before = GetCursor();

    Press(InItem(1));
    EXPECT_EQ(1, host.ListClicks);
    EXPECT_EQ(1, box->GetCurSel());
    EXPECT_EQ(box->m_hWnd, GetCapture());
    EXPECT_EQ(DragCursor(), GetCursor());

    // Keys are swallowed while the button is down.
    Key(VK_DOWN, true);
    Key(VK_DOWN, false);
    EXPECT_EQ(1, box->GetCurSel());
    EXPECT_EQ(Names({0, 1, 2, 3, 4, 5}), Entries());

    MoveTo(InItem(4));
    const int reached = box->GetCurSel();
    EXPECT_GT(reached, 1);
    MoveTo(InItem(4));   // the pointer rests: exactly one more message
    EXPECT_EQ(reached + 1, box->GetCurSel()) << "one place per move";
    DragTo(InItem(4));
    EXPECT_EQ(Names({0, 2, 3, 4, 1, 5}), Entries());
    EXPECT_EQ(4, box->GetCurSel());
    EXPECT_EQ(DragCursor(), GetCursor());
    DragTo(InItem(0));
    EXPECT_EQ(Names({1, 0, 2, 3, 4, 5}), Entries());

    // Outside the item area: the no-drop cursor, nothing moves.
    RECT client;
    box->GetClientRect(&client);
    MoveTo(POINT{client.right / 2, client.bottom + 20});
    EXPECT_EQ(NoDropCursor(), GetCursor());
    EXPECT_EQ(0, box->GetCurSel());

    // The release, outside the box, ends the drag: capture and cursor are back.
    Release(POINT{client.right + 30, client.bottom + 20});
    EXPECT_NE(box->m_hWnd, GetCapture());
    EXPECT_EQ(before, GetCursor());
    MoveTo(InItem(3));
    EXPECT_EQ(Names({1, 0, 2, 3, 4, 5}), Entries()) << "moves without the button do nothing";
    Key(VK_DOWN, true);
    EXPECT_EQ(Names({0, 1, 2, 3, 4, 5}), Entries()) << "keys work again";

    // Every press notifies the parent, also on the selected entry and below the last.
    box->SetCurSel(2);
    Press(InItem(2));
    Release(InItem(2));
    Press(POINT{client.right / 2, client.bottom - 2});
    Release(POINT{client.right / 2, client.bottom - 2});
    EXPECT_EQ(3, host.ListClicks);
}

TEST_F(FilenameListboxTest, DraggingRespectsTheOriginalEntry) {
    FillNumbered(5, true);   // 0 1 2 3 [Original]
    Press(InItem(4));
    MoveTo(InItem(1));
    EXPECT_EQ(NoDropCursor(), GetCursor());
    EXPECT_EQ(Names({0, 1, 2, 3, -1}), Entries());
    Release(InItem(1));

    Press(InItem(1));
    DragTo(InItem(4));
    EXPECT_EQ(Names({0, 2, 3, 1, -1}), Entries()) << "stops just above it";
    EXPECT_EQ(3, box->GetCurSel());
    EXPECT_EQ(NoDropCursor(), GetCursor());
    MoveTo(InItem(3));
    EXPECT_EQ(DragCursor(), GetCursor());
    Release(InItem(3));
}

TEST_F(FilenameListboxTest, RestingInAStripMovesTheEntryEveryQuarterSecond) {
    FillNumbered(30, false);
    box->SetCurSel(15);
    box->SetTopIndex(15);
    RECT window, item;
    box->GetWindowRect(&window);
    box->GetItemRect(15, &item);
    const int third = (item.bottom - item.top) / 3;
    // Screen y of window.top + 1 in client coordinates: the top strip.
    POINT client = {0, 0};
    ClientToScreen(box->m_hWnd, &client);
    POINT topStrip = InItem(15);
    topStrip.y = window.top + 1 - client.y;
    ASSERT_LT(window.top + 1, window.top + third);

    Press(InItem(15));
    MoveTo(topStrip);
    EXPECT_EQ(15, box->GetCurSel()) << "no move before the first period";
    PumpFor(1150);
    int moved = 15 - box->GetCurSel();
    EXPECT_GE(moved, 3);
    EXPECT_LE(moved, 5);
    EXPECT_EQ(box->GetCurSel(), box->GetTopIndex()) << "the list scrolls along";

    // Leaving the item area does not stop it.
    int at = box->GetCurSel();
    MoveTo(POINT{topStrip.x, -30});
    EXPECT_EQ(NoDropCursor(), GetCursor());
    PumpFor(600);
    EXPECT_LE(box->GetCurSel(), at - 1);

    // Moving onto another entry does: the entry follows the pointer there and rests.
    DragTo(InItem(box->GetTopIndex() + 3));
    at = box->GetCurSel();
    EXPECT_EQ(box->GetTopIndex() + 3, at);
    PumpFor(600);
    EXPECT_EQ(at, box->GetCurSel());
    Release(InItem(at));

    // The bottom strip of the item area moves down; the release stops it.
    box->SetTopIndex(5);
    int bottomRow = 5 + kRows - 1;
    box->SetCurSel(bottomRow);
    box->SetTopIndex(5);
    POINT bottomStrip = InItem(bottomRow);
    bottomStrip.y = window.top + (item.bottom - item.top) * kRows - 1 - client.y;
    Press(InItem(bottomRow));
    MoveTo(bottomStrip);
    PumpFor(600);
    EXPECT_GE(box->GetCurSel(), bottomRow + 1);
    Release(bottomStrip);
    at = box->GetCurSel();
    PumpFor(600);
    EXPECT_EQ(at, box->GetCurSel());
    EXPECT_EQ(30, box->GetCount());
    Entries();
}

}  // namespace
