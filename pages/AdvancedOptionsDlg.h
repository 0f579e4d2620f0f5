// The two "Advanced Options" dialogs: the cycle order and the switch that
// turns cycling off, and on the Wallpaper page also the display style. Each
// exchanges values only with its own members; the caller sets them, runs
// DoModal and reads them back after IDOK.
#pragma once
#include <cstdint>
#include "Framework.h"

class CAdvancedOptionsDlg : public CDialog {
public:
    explicit CAdvancedOptionsDlg(CWnd* pParentWnd = NULL);   // template 138

    CButton m_forwardButton;
    CButton m_backwardButton;
    CButton m_randomButton;
    CButton m_disableButton;
    LONG m_order;                  // CycleOrder code: Forward 0, Backward 1, Random 2
    std::int16_t m_cycleEnabled;   // the check box shows the opposite

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

class CWallpaperOptionsDlg : public CDialog {
public:
    explicit CWallpaperOptionsDlg(CWnd* pParentWnd = NULL);  // template 145

    CButton m_forwardButton;
    CButton m_backwardButton;
    CButton m_randomButton;
    CButton m_disableButton;
    CButton m_tileButton;
    CButton m_centerButton;
    CButton m_stretchButton;
    CButton m_bestFitButton;
    LONG m_order;
    std::int16_t m_cycleEnabled;
    LONG m_displayStyle;           // WallpaperStyle code: Tile 0, Center 1, Stretch 2, BestFit 3

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};
