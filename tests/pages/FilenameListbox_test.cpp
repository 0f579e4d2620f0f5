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
#include "resource.h"

namespace {

// The box's parent, counting what the box tells it.
class Host : public CWnd {
public:
    int ListClicks = 0;
    int SelChanges = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        ListClicks += message == WM_LISTCLICKED;
        SelChanges += message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

const int kRows = 8;   // whole rows the box shows (and half a row more)

// The mouse moves the test posts and has not dispatched yet. Only these reach
// the windows: the moves Wine makes of the real pointer (SetCursorPos queues
// one at once, the X server echoes the warp later, sometimes with a stale
// position first) come in varying numbers and at any time, a loaded machine
// delaying them by far more than a frame. Each would move a dragged entry one
// place more, in either direction; they are dropped wherever they turn up.
struct PostedMove {
    HWND Window;
    WPARAM Flags;
    LPARAM Point;
};
std::vector<PostedMove> postedMoves;

bool ScriptedMove(const MSG& msg) {
    for (auto it = postedMoves.begin(); it != postedMoves.end(); ++it)
        if (it->Window == msg.hwnd && it->Flags == msg.wParam && it->Point == msg.lParam) {
            postedMoves.erase(it);
            return true;
        }
    return false;
}

void PostMove(HWND window, WPARAM flags, LPARAM point) {
    postedMoves.push_back(PostedMove{window, flags, point});
    PostMessageA(window, WM_MOUSEMOVE, flags, point);
}

// WM_TIMER messages dispatched to `tickedWindow` so far: each tick of the
// box's move timers moves a dragged entry one place.
HWND tickedWindow = NULL;
int ticks = 0;

// Dispatches one message (false when none is queued); the moves of the real
// pointer are dropped (see above).
bool DispatchOne(MSG& msg) {
    if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_MOUSEMOVE && !ScriptedMove(msg))
        return true;
    ticks += msg.message == WM_TIMER && msg.hwnd != NULL && msg.hwnd == tickedWindow;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

// Dispatches what is queued.
void Pump() {
    MSG msg;
    while (DispatchOne(msg)) {
    }
}

const DWORD TICK_TIMEOUT_MS = 60000;   // for a hang, not for speed

// Dispatches until `n` more ticks have come; false if they do not.
bool PumpTicks(int n) {
    const int target = ticks + n;
    const DWORD start = GetTickCount();
    MSG msg;
    while (ticks < target) {
        if (GetTickCount() - start > TICK_TIMEOUT_MS)
            return false;
        if (!DispatchOne(msg))
            MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
    }
    return true;
}

// The ticks dispatched until a timer of `ms` set now has fired. A move timer
// still running has the shorter period, so it falls due first, and timers
// that are due come in the order they fell due: it would have ticked by then,
// however late this thread gets to its messages.
int TicksWithin(UINT ms) {
    const UINT_PTR probe = SetTimer(NULL, 0, ms, NULL);
    const int before = ticks;
    const DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        if (GetTickCount() - start > TICK_TIMEOUT_MS) {
            ADD_FAILURE() << "the timer of " << ms << " ms did not fire";
            break;
        }
        if (PeekMessageA(&msg, NULL, WM_TIMER, WM_TIMER, PM_NOREMOVE) && msg.hwnd == NULL && msg.wParam == probe) {
            PeekMessageA(&msg, NULL, WM_TIMER, WM_TIMER, PM_REMOVE);
            break;
        }
        if (!DispatchOne(msg))
            MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
    }
    KillTimer(NULL, probe);
    return ticks - before;
}

void SetKeys(bool ctrl, bool leftButton) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
    keys[VK_LBUTTON] = leftButton ? 0x80 : 0;
    SetKeyboardState(keys);
}

HCURSOR Cursor(int id) {
    return LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id));
}

class FilenameListboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateEx(0, NULL, "list box test", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100, 100,
                                  320, 300, NULL, NULL));
        HWND list = CreateWindowExA(0, "LISTBOX", "",
                                    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                                        LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT,
                                    10, 10, 240, 100, host.m_hWnd, (HMENU)IDC_FILES, GetModuleHandleA(NULL), NULL);
        const int itemHeight = (int)SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
        SetWindowPos(list, NULL, 0, 0, 240, kRows * itemHeight + 2 + itemHeight / 2, SWP_NOMOVE | SWP_NOZORDER);
        box = static_cast<CFilenameListbox*>(CRuntimeClass::CreateObject(CFilenameListbox::RuntimeClassName));
        ASSERT_NE(nullptr, box);
        ASSERT_TRUE(box->SubclassWindow(list));
        SetForegroundWindow(host.m_hWnd);
        Pump();
    }
    void TearDown() override {
        SetKeys(false, false);
        postedMoves.clear();
        delete box;
        host.DestroyWindow();
        Pump();
    }

    // Entries "0" ... "n-1" (-1 stands for "[Original] (not cycled)"), each
    // with item data of its own.
    static std::string Name(int i) { return i < 0 ? ORIGINAL_ENTRY : std::to_string(i) + ".bmp"; }
    void Fill(std::vector<int> entries) {
        box->ResetContent();
        for (int i : entries) {
            const int at = box->AddString(Name(i).c_str());
            box->SetItemData(at, 1000 + i);
        }
    }
    void FillCount(int n) {
        std::vector<int> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back(i);
        Fill(entries);
    }
    // The entries in order; every entry must still carry its own item data.
    std::vector<int> Entries() {
        std::vector<int> entries;
        for (int i = 0; i < box->GetCount(); ++i) {
            TCharString text;
            box->GetText(i, text);
            const int entry = std::string(text.GetText()) == ORIGINAL_ENTRY ? -1 : std::atoi(text.GetText());
            EXPECT_EQ(DWORD_PTR(1000 + entry), box->GetItemData(i)) << text.GetText();
            entries.push_back(entry);
        }
        return entries;
    }

    void Key(UINT vk, bool ctrl) {
        SetKeys(ctrl, false);
        const LPARAM flags = 1 | (MapVirtualKeyA(vk, 0) << 16) | (1 << 24);
        PostMessageA(box->m_hWnd, WM_KEYDOWN, vk, flags);
        PostMessageA(box->m_hWnd, WM_KEYUP, vk, flags | (3u << 30));
        Pump();
        SetKeys(false, false);
    }
    void CtrlKey(UINT vk, int select) {
        box->SetCurSel(select);
        Key(vk, true);
    }

    // Client coordinates in entry i, `y` pixels below its top (the middle
    // when y < 0).
    POINT InItem(int i, int y = -1) {
        RECT item;
        box->GetItemRect(i, &item);
        return POINT{(item.left + item.right) / 2, y < 0 ? (item.top + item.bottom) / 2 : item.top + y};
    }
    // The pointer goes to `p` (the real position follows the script; the
    // moves Wine makes of that are dropped by Pump), then `message` follows.
    void Mouse(UINT message, POINT p, bool down) {
        POINT screen = p, now;
        ClientToScreen(box->m_hWnd, &screen);
        SetKeys(false, down);
        GetCursorPos(&now);
        if (now.x != screen.x || now.y != screen.y)
            SetCursorPos(screen.x, screen.y);
        const WPARAM flags = down ? MK_LBUTTON : 0;
        if (message == WM_MOUSEMOVE)
            PostMove(box->m_hWnd, flags, MAKELPARAM(p.x, p.y));
        else
            PostMessageA(box->m_hWnd, message, flags, MAKELPARAM(p.x, p.y));
        Pump();
        ASSERT_TRUE(postedMoves.empty()) << "every posted move is handled";
    }
    void Press(POINT p) { Mouse(WM_LBUTTONDOWN, p, true); }
    void MoveTo(POINT p) { Mouse(WM_MOUSEMOVE, p, true); }
    void Release(POINT p) { Mouse(WM_LBUTTONUP, p, false); }
    void DragTo(POINT p) {   // until the entry stops moving
        for (int i = 0, before = -2; i < 40 && box->GetCurSel() != before; ++i) {
            before = box->GetCurSel();
            MoveTo(p);
        }
    }

    Host host;
    CFilenameListbox* box = nullptr;
};

typedef std::vector<int> List;

TEST_F(FilenameListboxTest, CursorsAreMonochrome32x32WithTheirHotSpots) {
    for (int id : {IDC_DRAGMOVE, IDC_NODROP}) {
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(Cursor(id), &info)) << id;
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(15u, info.xHotspot);
        EXPECT_EQ(id == IDC_DRAGMOVE ? 14u : 15u, info.yHotspot);
        EXPECT_EQ(nullptr, info.hbmColor) << "monochrome: AND and XOR mask only";
        EXPECT_EQ(32, mask.bmWidth);
        EXPECT_EQ(64, mask.bmHeight);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(FilenameListboxTest, CtrlArrowsMoveTheSelectedEntryOnePlace) {
    FillCount(4);
    CtrlKey(VK_UP, 0);     // first entry: nothing moves, not even the selection
    CtrlKey(VK_DOWN, 3);   // last entry
    EXPECT_EQ(List({0, 1, 2, 3}), Entries());
    EXPECT_EQ(3, box->GetCurSel());
    CtrlKey(VK_DOWN, 1);
    Key(VK_RIGHT, true);
    EXPECT_EQ(List({0, 2, 3, 1}), Entries());
    Key(VK_LEFT, true);
    Key(VK_UP, true);
    Key(VK_UP, true);
    EXPECT_EQ(List({1, 0, 2, 3}), Entries());
    EXPECT_EQ(0, box->GetCurSel());
    EXPECT_EQ(0, host.SelChanges) << "a move notifies no selection change";

    // Plain arrows move the selection as in any list box.
    Key(VK_DOWN, false);
    Key(VK_DOWN, false);
    Key(VK_UP, false);
    EXPECT_EQ(1, box->GetCurSel());
    EXPECT_EQ(3, host.SelChanges);
    EXPECT_EQ(List({1, 0, 2, 3}), Entries());

    // One entry; and no selection, where the list box does what it always does.
    FillCount(1);
    CtrlKey(VK_DOWN, 0);
    CtrlKey(VK_UP, 0);
    EXPECT_EQ(List({0}), Entries());
    FillCount(3);
    CtrlKey(VK_DOWN, -1);
    EXPECT_EQ(List({0, 1, 2}), Entries());
    EXPECT_NE(-1, box->GetCurSel());
    box->SetCurSel(-1);
    EXPECT_EQ(0, box->MoveUp(-1));
    EXPECT_EQ(0, box->MoveDown(-1));
    EXPECT_EQ(1, box->MoveDown(2)) << "no move possible is still true";
    EXPECT_EQ(1, box->MoveUp(0));
    EXPECT_EQ(List({0, 1, 2}), Entries());
}

TEST_F(FilenameListboxTest, TheOriginalEntryStaysLastButElsewhereMovesLikeAnyOther) {
    Fill({0, 1, 2, -1});
    CtrlKey(VK_UP, 3);
    CtrlKey(VK_DOWN, 2);   // just above it
    EXPECT_EQ(1, box->MoveDown(2));
    EXPECT_EQ(List({0, 1, 2, -1}), Entries());
    EXPECT_EQ(2, box->GetCurSel());
    CtrlKey(VK_DOWN, 1);
    EXPECT_EQ(List({0, 2, 1, -1}), Entries());

    Fill({-1, 0, 1});
    CtrlKey(VK_DOWN, 0);
    Key(VK_DOWN, true);
    EXPECT_EQ(List({0, 1, -1}), Entries());
    Key(VK_UP, true);   // now last, it stays
    EXPECT_EQ(List({0, 1, -1}), Entries());
    EXPECT_EQ(2, box->GetCurSel());
}

TEST_F(FilenameListboxTest, MovesKeepTheFirstVisibleRowUnlessTheEntryWouldLeaveTheView) {
    FillCount(30);
    struct {
        int Select, Top;
        UINT Key;
        int Selected, TopAfter;
    } moves[] = {
        {25, 30 - kRows, VK_UP, 24, 30 - kRows},   // scrolled to the end: a deletion pulls the top up
        {24, 30 - kRows, VK_DOWN, 25, 30 - kRows},
        {28, 30 - kRows, VK_DOWN, 29, 30 - kRows},
        {22, 22, VK_UP, 21, 21},                   // off the top row: one row
        {5 + kRows - 1, 5, VK_DOWN, 5 + kRows, 6}, // off the bottom row: one row
        {10, 7, VK_UP, 9, 7},
    };
    for (const auto& m : moves) {
        box->SetCurSel(m.Select);
        box->SetTopIndex(m.Top);
        Key(m.Key, true);
        EXPECT_EQ(m.Selected, box->GetCurSel()) << m.Select;
        EXPECT_EQ(m.TopAfter, box->GetTopIndex()) << m.Select;
    }
    EXPECT_EQ(30u, Entries().size());
}

TEST_F(FilenameListboxTest, DraggingMovesTheEntryTowardsThePointer) {
    FillCount(6);
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_ARROW));
    HCURSOR before = GetCursor();
    Press(InItem(1));
    EXPECT_EQ(1, host.ListClicks);
    EXPECT_EQ(box->m_hWnd, GetCapture());
    EXPECT_EQ(Cursor(IDC_DRAGMOVE), GetCursor());
    Key(VK_DOWN, true);   // swallowed while the button is down
    Key(VK_DOWN, false);
    PostMessageA(box->m_hWnd, WM_CHAR, '4', 1);   // as typing "4" would select "4.bmp"
    Pump();
    EXPECT_EQ(1, box->GetCurSel());

    MoveTo(InItem(4));
    const int reached = box->GetCurSel();
    MoveTo(InItem(4));   // the pointer rests: one message more
    EXPECT_EQ(reached + 1, box->GetCurSel()) << "one place per move";
    DragTo(InItem(4));
    EXPECT_EQ(List({0, 2, 3, 4, 1, 5}), Entries());
    DragTo(InItem(0));
    EXPECT_EQ(List({1, 0, 2, 3, 4, 5}), Entries());
    EXPECT_EQ(Cursor(IDC_DRAGMOVE), GetCursor());

    // Outside the item area: no drop, no move. The release there ends the drag.
    RECT client;
    box->GetClientRect(&client);
    MoveTo(POINT{client.right / 2, client.bottom + 20});
    EXPECT_EQ(Cursor(IDC_NODROP), GetCursor());
    Release(POINT{client.right + 30, client.bottom + 20});
    EXPECT_NE(box->m_hWnd, GetCapture());
    EXPECT_EQ(before, GetCursor());
    MoveTo(InItem(3));
    Key(VK_DOWN, true);
    EXPECT_EQ(List({0, 1, 2, 3, 4, 5}), Entries()) << "no drag without the button; keys work again";

    // Every press notifies the parent, on the selected entry and below the last too.
    Press(InItem(1));
    Release(InItem(1));
    Press(POINT{client.right / 2, client.bottom - 2});
    Release(POINT{client.right / 2, client.bottom - 2});
    EXPECT_EQ(3, host.ListClicks);

    // Losing the capture to another window (a message box, say) ends the drag.
    Press(InItem(2));
    SetCapture(host.m_hWnd);
    Pump();
    EXPECT_EQ(before, GetCursor());
    Key(VK_UP, true);
    EXPECT_EQ(List({0, 2, 1, 3, 4, 5}), Entries()) << "keys work again";
    ReleaseCapture();

    // A box destroyed mid-drag leaves its object idle for the next window.
    Press(InItem(2));
    HWND old = box->m_hWnd;
    DestroyWindow(old);
    EXPECT_EQ(before, GetCursor());
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 10, 10, 240, 100,
                                host.m_hWnd, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(box->SubclassWindow(list));
    FillCount(3);
    CtrlKey(VK_DOWN, 0);
    EXPECT_EQ(List({1, 0, 2}), Entries());
}

TEST_F(FilenameListboxTest, DraggingNeitherMovesTheOriginalEntryNorBelowIt) {
    Fill({0, 1, 2, 3, -1});
    Press(InItem(4));
    MoveTo(InItem(1));
    EXPECT_EQ(Cursor(IDC_NODROP), GetCursor());
    Release(InItem(1));
    EXPECT_EQ(List({0, 1, 2, 3, -1}), Entries());

    Press(InItem(1));
    DragTo(InItem(4));
    EXPECT_EQ(List({0, 2, 3, 1, -1}), Entries()) << "stops just above it";
    EXPECT_EQ(Cursor(IDC_NODROP), GetCursor());
    MoveTo(InItem(3));
    EXPECT_EQ(Cursor(IDC_DRAGMOVE), GetCursor());
    Release(InItem(3));
}

TEST_F(FilenameListboxTest, RestingInAStripMovesTheEntryEveryQuarterSecond) {
    FillCount(30);
    box->SetCurSel(15);
    box->SetTopIndex(15);
    tickedWindow = box->m_hWnd;
    RECT window, item;
    box->GetWindowRect(&window);
    box->GetItemRect(15, &item);
    const int height = item.bottom - item.top;
    POINT origin = {0, 0};
    ClientToScreen(box->m_hWnd, &origin);
    // The strips: a third of a row at the top and bottom of the item area,
    // which starts at the window's top.
    POINT top = InItem(15);
    top.y = window.top + 1 - origin.y;
    ASSERT_LT(1, height / 3);

    // The entry moves one place at each tick of a timer of a quarter second,
    // and only then. Ticks come no sooner than their period after the timer
    // starts, whenever the machine lets this thread take them.
    const DWORD entered = GetTickCount();
    const int before = ticks;
    Press(InItem(15));
    MoveTo(top);
    EXPECT_EQ(15 - (ticks - before), box->GetCurSel()) << "nothing before the first period";
    ASSERT_TRUE(PumpTicks(4 - (ticks - before)));
    EXPECT_GE(GetTickCount() - entered + 20, 4u * 250) << "four ticks";
    EXPECT_EQ(11, box->GetCurSel());
    EXPECT_EQ(box->GetCurSel(), box->GetTopIndex()) << "the list scrolls along";

    int at = box->GetCurSel();
    MoveTo(POINT{top.x, -30});   // leaving the item area does not stop it
    EXPECT_EQ(Cursor(IDC_NODROP), GetCursor());
    ASSERT_TRUE(PumpTicks(1));
    EXPECT_LT(box->GetCurSel(), at);

    DragTo(InItem(box->GetTopIndex() + 3));   // another entry does
    at = box->GetCurSel();
    EXPECT_EQ(box->GetTopIndex() + 3, at);
    EXPECT_EQ(0, TicksWithin(400));
    EXPECT_EQ(at, box->GetCurSel());
    Release(InItem(at));

    // The bottom strip moves down; the release stops it.
    const int bottomRow = 5 + kRows - 1;
    box->SetCurSel(bottomRow);
    box->SetTopIndex(5);
    POINT bottom = InItem(bottomRow);
    bottom.y = window.top + height * kRows - 1 - origin.y;
    Press(InItem(bottomRow));
    MoveTo(bottom);
    ASSERT_TRUE(PumpTicks(1));
    EXPECT_GT(box->GetCurSel(), bottomRow);
    Release(bottom);
    at = box->GetCurSel();
    EXPECT_EQ(0, TicksWithin(400));
    EXPECT_EQ(at, box->GetCurSel());
    EXPECT_EQ(30u, Entries().size());
    tickedWindow = NULL;
}

}  // namespace
