#include "MessageBox.h"
#include "WinApp.h"
#include "Wnd.h"

namespace {
MessageBoxSink g_sink = NULL;
}

int ShowMessageBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    if (g_sink != NULL)
        return g_sink(hOwner, lpszText, lpszCaption, nType);
    return ::MessageBoxA(hOwner, lpszText, lpszCaption, nType);
}

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink)
{
    MessageBoxSink previous = g_sink;
    g_sink = sink;
    return previous;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType)
{
    CWinApp* pApp = AfxGetApp();
    HWND hOwner = pApp != NULL && pApp->m_pMainWnd != NULL ? pApp->m_pMainWnd->GetSafeHwnd() : NULL;
    return ShowMessageBox(hOwner, lpszText, pApp != NULL ? pApp->m_pszAppName : NULL, nType);
}
