// The configuration sheet: remembers the page that was active when its window
// was last destroyed and reopens on it.
#pragma once
#include "Framework.h"

class CConfigSheet : public CPropertySheet {
public:
    CConfigSheet(LPCSTR pszCaption, CWnd* pParentWnd = NULL, UINT iSelectPage = 0);

    LONG LastPage;   // index of the page active at the last close; 0 at first

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override;
    void OnDestroy() override;
};
