// Dialog data exchange: moving values between a dialog's controls and its
// members in DoDataExchange, in the direction UpdateData asks for.
#pragma once
#include <windows.h>
#include "CharString.h"

class CWnd;

class CDataExchange {
public:
    // Thrown by Fail and caught by CWnd::UpdateData, which then returns FALSE.
    struct Failure {};

    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;   // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;

    // The control's window, remembered for Fail; a missing control fails the exchange.
    HWND PrepareCtrl(int nIDC);
    // The same for an edit control, whose text Fail selects.
    HWND PrepareEditCtrl(int nIDC);
    // Ends the exchange: when saving, the focus goes to the last prepared control.
    [[noreturn]] void Fail();

private:
    HWND m_hWndLastControl;
    BOOL m_bEditLastControl;
};

// Subclasses control nIDC onto rControl the first time (while rControl has
// no window); the control then lives and dies with the dialog's window.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Window text. The int form writes "%d" and reads a whole decimal number
// (blanks around it allowed); anything else, or a number out of range, tells
// the user "Please enter an integer." and fails.
void DDX_Text(CDataExchange* pDX, int nIDC, TCharString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// Check state of a check box (0, 1, 2 = indeterminate).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Selected index of a combo box or list box (-1: none).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
