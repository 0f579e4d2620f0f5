#include "ConfigSheet.h"

namespace {
// Posted to itself on creation: the pages exist only once creation is over,
// so the remembered page is selected when the message loop gets to it.
const UINT WM_RESTORE_LAST_PAGE = WM_USER + 1000;   // 2024
}

CConfigSheet::CConfigSheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(pszCaption, pParentWnd, iSelectPage), LastPage(0) {}

int CConfigSheet::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    int result = CPropertySheet::OnCreate(lpCreateStruct);
    PostMessage(WM_RESTORE_LAST_PAGE, 0, 0);
    return result;
}

LRESULT CConfigSheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RESTORE_LAST_PAGE) {
        SetActivePage(LastPage);
        return 0;
    }
    return CPropertySheet::WindowProc(message, wParam, lParam);
}

void CConfigSheet::OnDestroy() {
    LastPage = GetActiveIndex();
    CPropertySheet::OnDestroy();
}
