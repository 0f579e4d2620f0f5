#include "AdvancedOptionsDlg.h"

#include "resource.h"

namespace {

// Checks the one button whose code equals `value` and unchecks the others.
void CheckOnly(CButton* const buttons[], int n, LONG value) {
    for (int i = 0; i < n; ++i)
        buttons[i]->SetCheck(i == value ? BST_CHECKED : BST_UNCHECKED);
}

// The code of the first checked button; `value` is kept when none is checked.
void TakeChecked(CButton* const buttons[], int n, LONG& value) {
    for (int i = 0; i < n; ++i) {
        if (buttons[i]->GetCheck() == BST_CHECKED) {
            value = i;
            return;
        }
    }
}

}  // namespace

CAdvancedOptionsDlg::CAdvancedOptionsDlg(CWnd* pParentWnd)
    : CDialog(IDD_ADVANCED, pParentWnd), m_order(0), m_cycleEnabled(1) {}

void CAdvancedOptionsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FORWARD, m_forwardButton);
    DDX_Control(pDX, IDC_BACKWARD, m_backwardButton);
    DDX_Control(pDX, IDC_RANDOM, m_randomButton);
    DDX_Control(pDX, IDC_DISABLE, m_disableButton);
    CButton* const order[] = {&m_forwardButton, &m_backwardButton, &m_randomButton};
    if (pDX->m_bSaveAndValidate) {
        m_cycleEnabled = m_disableButton.GetCheck() == BST_CHECKED ? 0 : 1;
        TakeChecked(order, 3, m_order);
    } else {
        m_disableButton.SetCheck(m_cycleEnabled ? BST_UNCHECKED : BST_CHECKED);
        // An order this dialog does not know leaves the radios as they are.
        if (m_order >= 0 && m_order <= 2)
            CheckOnly(order, 3, m_order);
    }
}

BOOL CAdvancedOptionsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;
}

CWallpaperOptionsDlg::CWallpaperOptionsDlg(CWnd* pParentWnd)
    : CDialog(IDD_WALLPAPER_ADVANCED, pParentWnd), m_order(0), m_cycleEnabled(1), m_displayStyle(0) {}

void CWallpaperOptionsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FORWARD, m_forwardButton);
    DDX_Control(pDX, IDC_BACKWARD, m_backwardButton);
    DDX_Control(pDX, IDC_RANDOM, m_randomButton);
    DDX_Control(pDX, IDC_DISABLE, m_disableButton);
    DDX_Control(pDX, IDC_TILE, m_tileButton);
    DDX_Control(pDX, IDC_CENTER, m_centerButton);
    DDX_Control(pDX, IDC_STRETCH, m_stretchButton);
    DDX_Control(pDX, IDC_BESTFIT, m_bestFitButton);
    CButton* const order[] = {&m_forwardButton, &m_backwardButton, &m_randomButton};
    // In code order: should more than one be checked, the lowest code wins.
    CButton* const style[] = {&m_tileButton, &m_centerButton, &m_stretchButton, &m_bestFitButton};
    if (pDX->m_bSaveAndValidate) {
        m_cycleEnabled = m_disableButton.GetCheck() == BST_CHECKED ? 0 : 1;
        TakeChecked(order, 3, m_order);
        TakeChecked(style, 4, m_displayStyle);
    } else {
        m_disableButton.SetCheck(m_cycleEnabled ? BST_UNCHECKED : BST_CHECKED);
        CheckOnly(order, 3, m_order);
        CheckOnly(style, 4, m_displayStyle);
    }
}

BOOL CWallpaperOptionsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;
}
