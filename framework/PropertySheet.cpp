#include "PropertySheet.h"
#include "WinApp.h"
#include "SystemLibraries.h"

// ---------------------------------------------------------------- pages

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption)
{
    CommonConstruct(MAKEINTRESOURCEA(nIDTemplate), nIDCaption);
}

CPropertyPage::CPropertyPage(LPCSTR lpszTemplateName, UINT nIDCaption)
{
    CommonConstruct(lpszTemplateName, nIDCaption);
}

void CPropertyPage::CommonConstruct(LPCSTR lpszTemplateName, UINT nIDCaption)
{
    m_lpszTemplateName = lpszTemplateName;
    m_bFirstSetActive = TRUE;
    m_pSheet = NULL;
    ZeroMemory(&m_psp, sizeof m_psp);
    // The Windows 95 layout of the structure.
    m_psp.dwSize = PROPSHEETPAGEA_V1_SIZE;
    m_psp.dwFlags = PSP_USECALLBACK;
    m_psp.hInstance = AfxGetInstanceHandle();
    m_psp.pszTemplate = lpszTemplateName;
    m_psp.pfnDlgProc = PageDialogProc;
    m_psp.lParam = (LPARAM)this;
    m_psp.pfnCallback = PageCallback;
    if (nIDCaption != 0) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = MAKEINTRESOURCEA(nIDCaption);
    }
}

// Called just before the sheet creates the page's window: the creation hook
// ties the window to the page from its first message, so that a page sees
// WM_CREATE like any other window.
UINT CALLBACK CPropertyPage::PageCallback(HWND, UINT message, LPPROPSHEETPAGEA ppsp)
{
    if (message == PSPCB_CREATE)
        HookWindowCreate((CPropertyPage*)ppsp->lParam, FALSE);   // the sheet owns page windows
    return TRUE;
}

INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CPropertyPage* pPage = (CPropertyPage*)((LPPROPSHEETPAGEA)lParam)->lParam;
    UnhookWindowCreate();
    if (pPage->m_hWnd != hWnd)
        pPage->Tie(hWnd, TRUE, FALSE);   // comctl32 without the creation callback
    pPage->m_bFirstSetActive = TRUE;
    try {
        return pPage->OnInitDialog();
    } catch (...) {
        return AfxHandleWndProcException(hWnd, message);
    }
}

BOOL CPropertyPage::OnSetActive()
{
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset()
{
    OnCancel();
}

BOOL CPropertyPage::OnQueryCancel()
{
    return TRUE;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

void CPropertyPage::SetModified(BOOL bChanged)
{
    HWND hSheet = ::GetParent(m_hWnd);
    if (hSheet != NULL)
        ::SendMessageA(hSheet, bChanged ? PSM_CHANGED : PSM_UNCHANGED, (WPARAM)m_hWnd, 0);
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (((NMHDR*)lParam)->code) {
    case PSN_SETACTIVE:
        *pResult = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        *pResult = !OnKillActive();
        break;
    case PSN_APPLY:
        if (OnApply()) {
            *pResult = PSNRET_NOERROR;
            if (m_pSheet != NULL)
                m_pSheet->m_nModalResult = IDOK;
        } else {
            *pResult = PSNRET_INVALID_NOCHANGEPAGE;
        }
        break;
    case PSN_RESET:
        OnReset();
        if (m_pSheet != NULL)
            m_pSheet->m_nModalResult = IDCANCEL;
        *pResult = 0;
        break;
    case PSN_QUERYCANCEL:
        *pResult = !OnQueryCancel();
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    // The sheet reads the answer from the message result; a dialog also
    // keeps it in DWLP_MSGRESULT.
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, *pResult);
    return TRUE;
}

BOOL CPropertyPage::PreTranslateMessage(MSG*)
{
    return FALSE;
}

// ---------------------------------------------------------------- sheet

CPropertySheet::CPropertySheet()
{
    CommonConstruct(NULL, 0);
}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    CommonConstruct(pParentWnd, iSelectPage);
    char caption[256];
    if (::LoadStringA(AfxGetInstanceHandle(), nIDCaption, caption, sizeof caption) > 0)
        m_strCaption = caption;
}

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    CommonConstruct(pParentWnd, iSelectPage);
    m_strCaption = pszCaption;
}

void CPropertySheet::CommonConstruct(CWnd* pParentWnd, UINT iSelectPage)
{
    m_pParentWnd = pParentWnd;
    m_nModalResult = IDCANCEL;
    ZeroMemory(&m_psh, sizeof m_psh);
    m_psh.dwSize = PROPSHEETHEADERA_V1_SIZE;
    m_psh.nStartPage = iSelectPage;
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    m_pages.push_back(pPage);
    pPage->m_pSheet = this;
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return nPage >= 0 && nPage < (int)m_pages.size() ? m_pages[nPage] : NULL;
}

int CPropertySheet::GetPageIndex(CPropertyPage* pPage) const
{
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] == pPage)
            return (int)i;
    }
    return -1;
}

int CPropertySheet::GetActiveIndex() const
{
    if (m_hWnd == NULL)
        return (int)m_psh.nStartPage;
    // The tab control still answers while the sheet is being destroyed,
    // when the sheet itself no longer reports a current page.
    HWND hTab = (HWND)SendMessage(PSM_GETTABCONTROL);
    return hTab != NULL ? (int)::SendMessageA(hTab, TCM_GETCURSEL, 0, 0) : -1;
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= (int)m_pages.size())
        return FALSE;
    if (m_hWnd == NULL) {
        m_psh.nStartPage = nPage;
        return TRUE;
    }
    return (BOOL)SendMessage(PSM_SETCURSEL, nPage, 0);
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage)
{
    return SetActivePage(GetPageIndex(pPage));
}

void CPropertySheet::SetTitle(LPCSTR lpszText)
{
    m_strCaption = lpszText;
    if (m_hWnd != NULL)
        SendMessage(PSM_SETTITLEA, 0, (LPARAM)m_strCaption.GetText());
}

BOOL CPropertySheet::PressButton(int nButton)
{
    if (m_hWnd == NULL)
        return FALSE;
    SendMessage(PSM_PRESSBUTTON, nButton, 0);
    return TRUE;
}

void CPropertySheet::EndDialog(int nEndID)
{
    m_nModalResult = nEndID;
    DestroyWindow();
}

BOOL CPropertySheet::PreTranslateMessage(MSG* pMsg)
{
    bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
                 (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
    return input && SendMessage(PSM_ISDIALOGMESSAGE, 0, (LPARAM)pMsg);
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_hWnd != NULL || m_pages.empty())
        return -1;

    std::vector<HPROPSHEETPAGE> handles;
    for (CPropertyPage* pPage : m_pages) {
        pPage->m_psp.hInstance = AfxGetInstanceHandle();
        HPROPSHEETPAGE hPage = AfxCreatePropertySheetPage(&pPage->m_psp);
        if (hPage == NULL) {
            for (HPROPSHEETPAGE h : handles)
                AfxDestroyPropertySheetPage(h);
            return -1;
        }
        handles.push_back(hPage);
    }

    // Run modeless under our own modal loop: the loop notices when the sheet
    // is closed (no current page any more) or its window destroyed from
    // outside, which the common controls' own modal loop does not survive.
    HWND hOwner = GetSafeOwner(m_pParentWnd);
    PROPSHEETHEADERA psh = m_psh;
    psh.dwFlags = (m_psh.dwFlags & ~PSH_PROPSHEETPAGE) | PSH_MODELESS;
    psh.hwndParent = hOwner;
    psh.hInstance = AfxGetInstanceHandle();
    psh.pszCaption = m_strCaption.GetText();
    psh.nPages = (UINT)handles.size();
    psh.nStartPage = m_psh.nStartPage < psh.nPages ? m_psh.nStartPage : 0;
    psh.phpage = handles.data();

    m_nModalResult = IDCANCEL;
    HookWindowCreate(this);
    HWND hWnd = (HWND)AfxPropertySheet(&psh);
    UnhookWindowCreate();
    if (hWnd == NULL || hWnd == (HWND)-1)
        return -1;
    if (m_hWnd != hWnd)
        Tie(hWnd, TRUE, TRUE);

    BOOL bOwnerDisabled = hOwner != NULL && ::IsWindowEnabled(hOwner);
    if (bOwnerDisabled)
        ::EnableWindow(hOwner, FALSE);

    INT_PTR result = 0;
    MSG msg;
    while (m_hWnd != NULL && SendMessage(PSM_GETCURRENTPAGEHWND) != 0) {
        BOOL got = ::GetMessageA(&msg, NULL, 0, 0);
        if (got == 0) {
            ::PostQuitMessage((int)msg.wParam);
            result = -1;
            break;
        }
        if (got == -1)
            break;
        if (!WalkPreTranslateTree(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        UnhookWindowCreate();   // a page creation hook that found no window
    }

    if (bOwnerDisabled && ::IsWindow(hOwner))
        ::EnableWindow(hOwner, TRUE);
    if (m_hWnd != NULL) {
        if (hOwner != NULL && ::GetActiveWindow() == m_hWnd)
            ::SetActiveWindow(hOwner);
        DestroyWindow();
    }
    return result == -1 ? -1 : m_nModalResult;
}
