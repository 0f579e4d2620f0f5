#include "DataExchange.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "Wnd.h"
#include <cerrno>
#include <climits>
#include <cstdlib>

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_hWndLastControl(NULL),
      m_bEditLastControl(FALSE)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl == NULL)
        throw Failure();
    m_hWndLastControl = hWndCtrl;
    m_bEditLastControl = FALSE;
    return hWndCtrl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWndCtrl = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWndCtrl;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl != NULL) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw Failure();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd == NULL && !rControl.SubclassWindow(pDX->PrepareCtrl(nIDC)))
        pDX->Fail();
}

void DDX_Text(CDataExchange* pDX, int nIDC, TCharString& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        CWnd control;
        control.Attach(hWndCtrl);
        control.GetWindowText(value);
    } else
        ::SetWindowTextA(hWndCtrl, value.GetText());
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        char text[16];
        wsprintfA(text, "%d", value);
        ::SetWindowTextA(hWndCtrl, text);
        return;
    }
    char text[64];
    ::GetWindowTextA(hWndCtrl, text, sizeof text);
    char* end = text;
    errno = 0;
    long number = strtol(text, &end, 10);
    bool digits = end != text;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (!digits || *end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        HWND hOwner = pDX->m_pDlgWnd->m_hWnd;
        while (::GetWindowLongA(hOwner, GWL_STYLE) & WS_CHILD)
            hOwner = ::GetParent(hOwner);
        ShowMessageBox(hOwner, "Please enter an integer.",
                       AfxGetApp() != NULL ? AfxGetApp()->m_pszAppName : NULL, MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = (int)number;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = (int)::SendMessageA(hWndCtrl, BM_GETCHECK, 0, 0);
    else
        ::SendMessageA(hWndCtrl, BM_SETCHECK, value >= 0 && value <= 2 ? value : 0, 0);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = (int)::SendMessageA(hWndCtrl, CB_GETCURSEL, 0, 0);
    else
        ::SendMessageA(hWndCtrl, CB_SETCURSEL, index, 0);
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = (int)::SendMessageA(hWndCtrl, LB_GETCURSEL, 0, 0);
    else
        ::SendMessageA(hWndCtrl, LB_SETCURSEL, index, 0);
}
