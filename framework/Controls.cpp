#include "Controls.h"
#include <memory>

namespace {

// Reads item text of a list box or combo box into rString: LB_ERR/CB_ERR
// (both -1) for a bad index.
int ReadItemText(const CWnd& control, UINT lenMessage, UINT textMessage, int nIndex, TCharString& rString)
{
    int n = (int)control.SendMessage(lenMessage, nIndex);
    if (n < 0) {
        rString = "";
        return n;
    }
    std::unique_ptr<char[]> buffer(new char[n + 1]());
    int result = (int)control.SendMessage(textMessage, nIndex, (LPARAM)buffer.get());
    rString = buffer.get();
    return result;
}

}  // namespace

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message != WM_DRAWITEM)
        return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem((LPDRAWITEMSTRUCT)lParam);
    *pResult = TRUE;
    return TRUE;
}

int CListBox::GetText(int nIndex, TCharString& rString) const
{
    return ReadItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, nIndex, rString);
}

UINT CListBox::ItemFromPoint(CPoint pt, BOOL& bOutside) const
{
    DWORD result = (DWORD)SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    bOutside = HIWORD(result) != 0;
    return LOWORD(result);
}

int CComboBox::GetLBText(int nIndex, TCharString& rString) const
{
    return ReadItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, nIndex, rString);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll)
{
    SendMessage(EM_SETSEL, nStartChar, nEndChar);
    if (!bNoScroll)
        SendMessage(EM_SCROLLCARET);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const
{
    DWORD start = 0, end = 0;
    SendMessage(EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    nStartChar = (int)start;
    nEndChar = (int)end;
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu != NULL || hMenu == NULL)
        return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    m_hMenu = NULL;
    return hMenu;
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == NULL)
        return FALSE;
    BOOL ok = ::DestroyMenu(m_hMenu);
    m_hMenu = NULL;
    return ok;
}
