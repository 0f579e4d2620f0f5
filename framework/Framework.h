// The program's application framework (umbrella header).
//
// A small layer over the ANSI Win32 API and comctl32 with the class and member
// names of the MFC classes the program is written against. One thread, no locks.
//
// Classes
//   CWinApp, CCommandLineInfo   application object, WinMain glue, message loop,
//                               command line, private profile file   WinApp.h
//   CWnd, CFrameWnd             window objects; frames delete themselves   Wnd.h
//   CDialog                     modal (DoModal) and modeless (Create) dialogs   Dialog.h
//   CPropertySheet/Page         comctl32 property sheet, run modally   PropertySheet.h
//   CButton, CListBox, CComboBox, CEdit, CMenu   thin wrappers   Controls.h
//   CDataExchange, DDX_...      dialog data exchange   DataExchange.h
//   ShowMessageBox              the one door of all message boxes   MessageBox.h
//   CRegisteredMessage          a window message registered at static initialisation
//   CRuntimeClass, DECLARE_DYNCREATE   creation of a class by its name   RuntimeClass.h
//   CPoint, CRect               geometry for handler signatures
//
// Start-up. The program defines one global object of a CWinApp class; its
// constructor registers it for AfxGetApp(). The framework's WinMain (an object
// file linked into every executable that links the framework) calls
// AfxWinMain, which stores instance, command line and show flag in the object,
// initialises the common controls and calls InitInstance; when that returns
// TRUE, Run() runs the message loop, otherwise the main window (if any) is
// destroyed and ExitInstance() gives the exit code. The loop ends with WM_QUIT,
// which the framework posts when the window of m_pMainWnd is destroyed; Run()
// then returns ExitInstance().
//
// Objects and windows. A window is tied to its object by a window property
// holding the object's address; no code thunks, and GWLP_USERDATA stays free.
// - Windows the framework creates (CWnd::CreateEx, CFrameWnd::Create, the
//   property sheet's own window) are tied from their very first message by a
//   CBT hook that is armed just around the creating call, so OnCreate runs.
// - A dialog is tied at WM_INITDIALOG from the creation parameter (the object).
// - A property page is tied like a framework window: the page's comctl32
//   callback (PSPCB_CREATE) arms the hook just before comctl32 creates the page,
//   so pages see WM_CREATE too; the page's lParam, which is the object, is the
//   fallback at WM_INITDIALOG.
// - A control is tied by subclassing (DDX_Control, SubclassWindow).
// Tying replaces the window procedure with AfxWndProc and keeps the previous one
// for DefWindowProc. When the window is destroyed (WM_NCDESTROY) the object is
// untied, its m_hWnd becomes NULL and PostNcDestroy runs: CFrameWnd deletes
// itself there; dialogs, pages and controls live on and can be shown again.
// Destroying an object whose window still exists unties it; a window the object
// created is destroyed with it. CWnd::FromHandle gives the tied object or a
// temporary wrapper that the message loop deletes when it runs out of messages.
//
// How a message travels. GetMessage in CWinApp::Run (or in a modal loop) ->
// PreTranslateMessage of the tied objects from the target window up to its
// top-level window (modeless dialogs and the sheet do their keyboard navigation
// there) -> DispatchMessage -> AfxWndProc, which finds the object by the window
// property, remembers the message for Default() and calls the virtual
// WindowProc. CWnd::WindowProc is a switch that cracks the messages the program
// uses into virtual handlers (OnCreate, OnDestroy, OnClose, OnTimer, OnPaint,
// OnActivate, OnKeyDown, OnMouseMove, OnLButtonDown/Up/DblClk, OnCommand,
// OnNotify, OnDrawItem); everything else, and every handler's base version, goes
// to DefWindowProc: the window's previous procedure (for dialogs and the sheet
// the dialog manager and comctl32) or DefWindowProcA. A class handles private
// and registered messages by overriding WindowProc and passing the rest to its
// base class. A command (WM_COMMAND) that a frame window does not handle goes
// on to the application object's OnCommand, which is where the program routes
// ID_HELP to the help handler. WM_DRAWITEM is reflected from the parent to the
// control's object (OnChildNotify), which is how CButton::DrawItem is reached.
//
// Exceptions never unwind through Windows' own code: AfxWndProc and the
// dialog procedures catch whatever a handler throws, tell the user (the
// component library's report, "Out of memory." or "Internal application
// error.") and give the message a neutral result (-1 for WM_CREATE). An
// exception inside UpdateData is reported the same way and makes it return
// FALSE, so a half-done saving exchange is never taken for a finished one.
//
// Dialogs. DoModal runs DialogBoxParamA (owner: the parent's top-level window,
// else the main window); Create runs CreateDialogParamA. The dialog procedure
// only ties the object and calls OnInitDialog; all other messages reach the
// object through its subclassed window procedure first. IDOK and IDCANCEL
// (button, Enter, Esc, close box) call OnOK (saving exchange, EndDialog(IDOK))
// and OnCancel (EndDialog(IDCANCEL)).
//
// Property sheets. DoModal creates the pages' handles from each page's m_psp,
// creates the sheet modeless with PropertySheetA (m_psh with PSH_MODELESS
// added), disables the owner and runs its own modal loop until the sheet has no
// current page any more (OK or Cancel was processed) or its window has been
// destroyed from outside; then it destroys the window, re-enables the owner and
// returns IDOK when the pages accepted OK (PSN_APPLY), IDCANCEL otherwise.
// Pages run from the sheet's notifications (WM_NOTIFY to the page):
// PSN_SETACTIVE -> OnSetActive, PSN_KILLACTIVE -> OnKillActive, PSN_APPLY ->
// OnApply -> OnOK, PSN_RESET -> OnReset -> OnCancel, PSN_QUERYCANCEL ->
// OnQueryCancel. A page's data exchange: comctl32 creates the page window the
// first time the page is shown; OnInitDialog then loads the controls
// (UpdateData(FALSE)), and the first OnSetActive after it does nothing more;
// later activations reload (UpdateData(FALSE)). Leaving the page, and pressing
// OK on the active page, runs OnKillActive = UpdateData(TRUE), the saving
// exchange; if it fails the page stays. Pages never shown keep their members.
// Cancel runs no exchange. The sheet window is destroyed at the end, its pages
// with it; the page objects remain for the next DoModal.
//
// Data exchange. UpdateData(bSave) builds a CDataExchange and calls the virtual
// DoDataExchange, whose DDX_ calls move each value in the asked direction. A
// field that fails validation tells the user, puts the focus on the control and
// throws CDataExchange::Failure, which UpdateData turns into FALSE.
#pragma once
#include "WinApp.h"
#include "Wnd.h"
#include "Dialog.h"
#include "PropertySheet.h"
#include "Controls.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "RuntimeClass.h"
#include "SystemLibraries.h"
