// CDialog: modal and modeless dialogs from the exe's dialog templates.
#pragma once
#include "Wnd.h"

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = NULL);

    // Modeless: creates the dialog and returns at once. The window lives until
    // DestroyWindow or the object's destruction.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = NULL);
    // Modal: runs the dialog and returns the EndDialog value, -1 on failure.
    // Without a parent the main window owns it.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // Called once the controls exist; the default loads them (UpdateData(FALSE)).
    // TRUE lets Windows set the focus.
    virtual BOOL OnInitDialog();
    // IDOK: saving exchange, then EndDialog(IDOK) when it succeeded.
    virtual void OnOK();
    // IDCANCEL (also Esc and the close box): EndDialog(IDCANCEL), no exchange.
    virtual void OnCancel();

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Keyboard navigation of a modeless dialog (IsDialogMessage).
    BOOL PreTranslateMessage(MSG* pMsg) override;

    LPCSTR m_lpszTemplateName;   // a template name or MAKEINTRESOURCE number
    CWnd* m_pParentWnd;

protected:
    // The dialog procedure: ties the object at WM_INITDIALOG (lParam is the
    // object) and calls OnInitDialog; every other message reaches the object
    // through its subclassed window procedure first.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
