#include "FilenameListbox.h"

#include <cstring>

#include "Engine.h"
#include "resource.h"

const char* const CFilenameListbox::RuntimeClassName = "CFilenameListbox";
IMPLEMENT_DYNCREATE(CFilenameListbox, CFilenameListbox::RuntimeClassName)

namespace {

const UINT_PTR kMoveUpTimer = 1;
const UINT_PTR kMoveDownTimer = 2;
const UINT kAutoMoveInterval = 250;   // ms

HCURSOR ProgramCursor(int id) {
    return ::LoadCursorA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id));
}

}  // namespace

CFilenameListbox::CFilenameListbox() : m_dragging(0), m_savedCursor(NULL), m_changes(0) {}

bool CFilenameListbox::LastIsSpecial(int count) const {
    if (count <= 0)
        return false;
    TCharString last;
    return GetText(count - 1, last) != LB_ERR && std::strcmp(last.GetText(), ORIGINAL_ENTRY) == 0;
}

std::int16_t CFilenameListbox::MoveUp(int index) {
    if (index == -1) {
        index = GetCurSel();
        if (index == LB_ERR)
            return 0;
    }
    if (index <= 0 || index >= GetCount())
        return 1;
    SwapWithNext(index - 1, index - 1);
    return 1;
}

std::int16_t CFilenameListbox::MoveDown(int index) {
    if (index == -1) {
        index = GetCurSel();
        if (index == LB_ERR)
            return 0;
    }
    const int count = GetCount();
    if (count == LB_ERR)
        return 0;
    if (index < 0 || index >= count - 1)
        return 1;
    if (index == count - 2 && LastIsSpecial(count))
        return 1;
    SwapWithNext(index, index + 1);
    return 1;
}

void CFilenameListbox::SwapWithNext(int upper, int select) {
    // Everything that can fail (reading the texts) comes first.
    TCharString lowerText;
    if (GetText(upper + 1, lowerText) == LB_ERR)
        return;
    const DWORD_PTR lowerData = GetItemData(upper + 1);
    const int top = GetTopIndex();

    // The lower entry is inserted above the upper one before its old copy is
    // deleted: an entry can never get lost (a failed insertion changes
    // nothing), and the count never drops, so a list scrolled to its end does
    // not pull its first visible row up. That row is kept explicitly too,
    // unless the moved entry would leave the view; drawing is off meanwhile.
    SendMessage(WM_SETREDRAW, FALSE);
    const int inserted = InsertString(upper, lowerText.GetText());
    if (inserted == upper) {
        SetItemData(upper, lowerData);
        DeleteString(upper + 2);
        SetCurSel(select);
        SetTopIndex(TopIndexShowing(select, top));
    }
    SendMessage(WM_SETREDRAW, TRUE);
    if (inserted != upper)
        return;
    if (GetTopIndex() == top) {
        // Only the two rows changed.
        RECT rows, lower;
        if (GetItemRect(upper, &rows) != LB_ERR && GetItemRect(upper + 1, &lower) != LB_ERR) {
            ::UnionRect(&rows, &rows, &lower);
            ::InvalidateRect(m_hWnd, &rows, FALSE);
            return;
        }
    }
    ::InvalidateRect(m_hWnd, NULL, TRUE);
}

int CFilenameListbox::TopIndexShowing(int index, int top) const {
    RECT client;
    GetClientRect(&client);
    const int itemHeight = GetItemHeight(0);
    int rows = itemHeight > 0 ? (client.bottom - client.top) / itemHeight : 1;
    if (rows < 1)
        rows = 1;
    if (index < top)
        return index;
    if (index >= top + rows)
        return index - rows + 1;
    return top;
}

void CFilenameListbox::OnKeyDown(UINT nChar, UINT, UINT) {
    if (m_dragging)
        return;
    const bool up = nChar == VK_UP || nChar == VK_LEFT;
    const bool down = nChar == VK_DOWN || nChar == VK_RIGHT;
    if (!(up || down) || ::GetKeyState(VK_CONTROL) >= 0) {
        Default();
        return;
    }
    const int selection = GetCurSel();
    const int count = GetCount();
    if (selection == LB_ERR || count == LB_ERR) {
        Default();
        return;
    }
    // From here on the key never moves the selection the standard way.
    const bool special = LastIsSpecial(count);
    if (selection == count - 1 && special)
        return;
    if (up) {
        if (selection != 0)
            MoveUp(selection);
        return;
    }
    if (count == 1 || (special && selection >= count - 2))
        return;
    MoveDown(selection);
}

void CFilenameListbox::OnLButtonDown(UINT, CPoint) {
    Default();
    HWND parent = ::GetParent(m_hWnd);
    if (parent != NULL)
        ::SendMessageA(parent, WM_LISTCLICKED, 0, 0);
    if (m_hWnd == NULL)
        return;   // the parent destroyed the box
    m_dragging = 1;
    ::SetCapture(m_hWnd);
    m_savedCursor = ::GetCursor();
    ::SetCursor(ProgramCursor(IDC_DRAGMOVE));
}

void CFilenameListbox::OnLButtonUp(UINT, CPoint) {
    EndDrag();
    Default();
}

void CFilenameListbox::EndDrag() {
    KillTimer(kMoveUpTimer);
    KillTimer(kMoveDownTimer);
    if (!m_dragging)
        return;
    // Cleared first: releasing the capture sends WM_CAPTURECHANGED here.
    m_dragging = 0;
    ::SetCursor(m_savedCursor);
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

void CFilenameListbox::OnMouseMove(UINT, CPoint point) {
    if (!m_dragging) {
        Default();
        return;
    }
    RECT window;
    GetWindowRect(&window);
    POINT pointer = point;
    ::ClientToScreen(m_hWnd, &pointer);
    const int top = GetTopIndex();
    const int count = GetCount();
    const int itemHeight = GetItemHeight(0);
    if (top == LB_ERR || count == LB_ERR || itemHeight <= 0)
        return;

    // The item area: the window's whole rows that hold entries.
    int rows = (window.bottom - window.top) / itemHeight;
    if (rows > count - top)
        rows = count - top;
    RECT area = window;
    area.bottom = window.top + itemHeight * (rows > 0 ? rows : 0);
    if (!::PtInRect(&area, pointer)) {
        ::SetCursor(ProgramCursor(IDC_NODROP));
        return;
    }
    ::SetCursor(ProgramCursor(IDC_DRAGMOVE));

    int target = -1;
    RECT item;
    for (int i = top; i < count; ++i) {
        if (GetItemRect(i, &item) == LB_ERR)
            break;
        ::OffsetRect(&item, window.left, window.top);
        if (::PtInRect(&item, pointer)) {
            target = i;
            break;
        }
    }
    if (target < 0)
        return;
    const int selection = GetCurSel();
    if (selection == LB_ERR)
        return;
    const bool special = LastIsSpecial(count);
    if (selection == count - 1 && special) {
        ::SetCursor(ProgramCursor(IDC_NODROP));
        return;
    }
    if (target == selection) {
        // Resting in the top or bottom third-of-a-row strip of the item area
        // moves the entry on its own; moving within the strip restarts the
        // period.
        const int third = (item.bottom - item.top) / 3;
        if (pointer.y >= area.top && pointer.y < area.top + third)
            SetTimer(kMoveUpTimer, kAutoMoveInterval);
        else if (pointer.y >= area.bottom - third && pointer.y < area.bottom)
            SetTimer(kMoveDownTimer, kAutoMoveInterval);
        return;
    }
    KillTimer(kMoveUpTimer);
    KillTimer(kMoveDownTimer);
    if (target < selection) {
        MoveUp(selection);
    } else if (selection == count - 2 && special) {
        ::SetCursor(ProgramCursor(IDC_NODROP));
    } else {
        MoveDown(selection);
    }
}

void CFilenameListbox::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kMoveUpTimer)
        MoveUp(-1);
    else if (nIDEvent == kMoveDownTimer)
        MoveDown(-1);
}

LRESULT CFilenameListbox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Keys are swallowed while dragging, the characters they make too: typing
    // would otherwise select another entry in the middle of the drag.
    if (message == WM_CHAR && m_dragging)
        return 0;
    // Losing the capture to another window (a message box, task switching)
    // ends the drag as a release would; otherwise the keyboard would stay
    // swallowed.
    if (message == WM_CAPTURECHANGED && m_dragging && reinterpret_cast<HWND>(lParam) != m_hWnd)
        EndDrag();
    // The object outlives its window (a page's box is made anew with each
    // showing of the sheet): a window destroyed mid-drag leaves it idle.
    if (message == WM_DESTROY)
        EndDrag();
    switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_ADDFILE:
    case LB_DIR:
        ++m_changes;
        break;
    }
    return CListBox::WindowProc(message, wParam, lParam);
}
