#include "Dialog.h"
#include "WinApp.h"

CDialog::CDialog() : m_lpszTemplateName(NULL), m_pParentWnd(NULL) {}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    if (m_hWnd != NULL)
        return FALSE;
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd != NULL ? pParentWnd : AfxGetMainWnd();
    HWND hWnd = ::CreateDialogParamA(AfxGetInstanceHandle(), lpszTemplateName,
                                     m_pParentWnd != NULL ? m_pParentWnd->m_hWnd : NULL, DialogProc,
                                     (LPARAM)this);
    return hWnd != NULL;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != NULL || m_lpszTemplateName == NULL)
        return -1;
    return ::DialogBoxParamA(AfxGetInstanceHandle(), m_lpszTemplateName, GetSafeOwner(m_pParentWnd),
                             DialogProc, (LPARAM)this);
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = (CDialog*)lParam;
    pDlg->Tie(hWnd, TRUE, TRUE);
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        return AfxHandleWndProcException(hWnd, message);
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (CWnd::OnCommand(wParam, lParam))
        return TRUE;
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    bool input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
                 (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
    return input && ::IsDialogMessageA(m_hWnd, pMsg);
}
