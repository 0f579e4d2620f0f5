// CPropertySheet and CPropertyPage on the common controls' property sheet.
#pragma once
#include "Dialog.h"
#include <commctrl.h>
#include <prsht.h>
#include <vector>

class CPropertySheet;

// One page of a sheet. The sheet creates the page's window the first time
// the page is shown and destroys it with the sheet; the object outlives both
// and may be shown again in a later DoModal.
class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    explicit CPropertyPage(LPCSTR lpszTemplateName, UINT nIDCaption = 0);

    // Handed to the sheet as is (lParam is this object); a derived class may
    // adjust it before the sheet is shown.
    PROPSHEETPAGEA m_psp;

    // The page becomes the active one. The default reloads the controls
    // (UpdateData(FALSE)), except the first time after the window was created,
    // when OnInitDialog has just done so. FALSE keeps the page from showing.
    virtual BOOL OnSetActive();
    // The page stops being active (another page is chosen, or OK is pressed):
    // the saving exchange UpdateData(TRUE). FALSE keeps the page active.
    virtual BOOL OnKillActive();
    // OK was pressed: OnOK(), TRUE. FALSE keeps the sheet open.
    virtual BOOL OnApply();
    // Cancel was pressed: OnCancel().
    virtual void OnReset();
    // Cancel was pressed; FALSE keeps the sheet open. The default allows it.
    virtual BOOL OnQueryCancel();
    // Unlike a dialog's, a page's OK and Cancel do not end anything: the
    // sheet does. Both do nothing here.
    void OnOK() override;
    void OnCancel() override;

    // Turns the sheet's Apply button on or off (when the sheet has one).
    void SetModified(BOOL bChanged = TRUE);
    // Pages run from the sheet's notifications (PSN_SETACTIVE and so on).
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Keyboard input belongs to the sheet, not to the page.
    BOOL PreTranslateMessage(MSG* pMsg) override;

private:
    friend class CPropertySheet;
    void CommonConstruct(LPCSTR lpszTemplateName, UINT nIDCaption);
    static INT_PTR CALLBACK PageDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static UINT CALLBACK PageCallback(HWND hWnd, UINT message, LPPROPSHEETPAGEA ppsp);

    BOOL m_bFirstSetActive;
    CPropertySheet* m_pSheet;
};

// The sheet. DoModal runs it as a modal dialog; its window is subclassed
// from creation on, so a derived sheet sees WM_CREATE, WM_DESTROY and its
// own private messages in WindowProc.
class CPropertySheet : public CWnd {
public:
    CPropertySheet();
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = NULL, UINT iSelectPage = 0);
    explicit CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = NULL, UINT iSelectPage = 0);

    // The header handed to PropertySheetA. Set flags such as PSH_NOAPPLYNOW
    // or PSH_USEHICON (with hIcon) here; nStartPage is the page shown first.
    // The framework fills in the pages, the caption and the owner itself.
    PROPSHEETHEADERA m_psh;
    CWnd* m_pParentWnd;

    // Pages are added before DoModal, in the order of their tabs. The sheet
    // does not own them.
    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return (int)m_pages.size(); }
    CPropertyPage* GetPage(int nPage) const;   // NULL when out of range
    int GetPageIndex(CPropertyPage* pPage) const;   // -1 when not a page of this sheet

    // With a window: the page of the selected tab; without one: nStartPage.
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const { return GetPage(GetActiveIndex()); }
    // With a window: selects the page (its OnKillActive and the new page's
    // OnSetActive run); without one: sets nStartPage.
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    void SetTitle(LPCSTR lpszText);

    // Shows the sheet and returns when it has closed: IDOK when it was
    // accepted, IDCANCEL when it was cancelled or its window destroyed,
    // -1 when it could not be shown or WM_QUIT arrived (it is posted again).
    // Without a parent the main window owns the sheet and is disabled meanwhile.
    virtual INT_PTR DoModal();
    // Presses one of the sheet's buttons (PSBTN_OK, PSBTN_CANCEL, ...).
    BOOL PressButton(int nButton);
    // Closes the sheet; DoModal returns nEndID.
    void EndDialog(int nEndID);

    BOOL PreTranslateMessage(MSG* pMsg) override;

private:
    friend class CPropertyPage;
    void CommonConstruct(CWnd* pParentWnd, UINT iSelectPage);

    std::vector<CPropertyPage*> m_pages;
    TCharString m_strCaption;
    int m_nModalResult;
};
