// CWnd and CFrameWnd: window objects tied to Win32 windows.
#pragma once
#include <windows.h>
#include "CharString.h"

class CDataExchange;

// Small geometry helpers with MFC's shape, for handler signatures.
struct CPoint : POINT {
    CPoint() { x = 0; y = 0; }
    CPoint(int initX, int initY) { x = initX; y = initY; }
    explicit CPoint(LPARAM lParam) { x = (short)LOWORD(lParam); y = (short)HIWORD(lParam); }
};

struct CRect : RECT {
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& rc) : RECT(rc) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

// Registers a window message by name when the object is constructed; as a
// global it does so during static initialisation, before WinMain.
class CRegisteredMessage {
public:
    explicit CRegisteredMessage(LPCSTR lpszName) : m_nMessage(::RegisterWindowMessageA(lpszName)) {}
    operator UINT() const { return m_nMessage; }
private:
    UINT m_nMessage;
};

class CWnd {
public:
    CWnd();
    // A window this object created (CreateEx, a dialog's Create) is destroyed
    // with it; a subclassed or attached window is only let go.
    virtual ~CWnd();

    HWND m_hWnd;
    operator HWND() const { return m_hWnd; }
    // Unlike MFC's, not callable through a null pointer.
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object tied to a window, or NULL.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // The tied object, else a temporary wrapper that the framework deletes
    // when the message loop next runs out of messages (do not keep it).
    static CWnd* FromHandle(HWND hWnd);

    // Wraps a window without taking its messages (a non-owning handle holder).
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Ties the object to an existing window and routes its messages through
    // WindowProc; unhandled messages go to the window's previous procedure.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // lpszClassName NULL: the framework's own window class.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  LPVOID lpParam = NULL);
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = NULL);
    virtual BOOL DestroyWindow();

    // Thin window operations.
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const { return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount); }
    void GetWindowText(TCharString& rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendMessageA(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::PostMessageA(m_hWnd, message, wParam, lParam); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = NULL) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    DWORD GetStyle() const { return (DWORD)::GetWindowLongA(m_hWnd, GWL_STYLE); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    void SetDlgItemText(int nID, LPCSTR lpszString) { ::SetDlgItemTextA(m_hWnd, nID, lpszString); }
    int GetDlgItemText(int nID, LPSTR lpStr, int nMaxCount) const { return (int)::GetDlgItemTextA(m_hWnd, nID, lpStr, nMaxCount); }
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = NULL, BOOL bSigned = TRUE) const { return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned); }
    void CheckDlgButton(int nIDButton, UINT nCheck) { ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
    UINT IsDlgButtonChecked(int nIDButton) const { return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) { ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, NULL, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) { return (HICON)::SendMessageA(m_hWnd, WM_SETICON, bBigIcon, (LPARAM)hIcon); }
    // Through ShowMessageBox; a NULL caption shows the application's name.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);

    // Dialog data exchange: runs DoDataExchange in the given direction.
    // FALSE when a field failed validation or the exchange threw (the user
    // has been told).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    // Message handling. WindowProc dispatches the messages below to the
    // On... handlers; override it to handle more (private, registered
    // messages) and pass the rest to the base class.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The previous window procedure of a subclassed window, else DefWindowProcA.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc with the message currently being handled.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers pMsg to the PreTranslateMessage of the objects tied to its target
    // window and the target's parents, up to the first top-level window.
    static BOOL WalkPreTranslateTree(MSG* pMsg);
    // WM_COMMAND; TRUE when handled. The default handles nothing.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY; TRUE when handled, the message's result in *pResult.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A message the parent reflected back to this control (WM_DRAWITEM).
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Called after the window is gone and the object has been untied from it.
    virtual void PostNcDestroy();

protected:
    // The defaults do the window's standard processing (Default()).
    virtual int OnCreate(LPCREATESTRUCT lpCreateStruct);
    virtual void OnDestroy();
    virtual void OnClose();
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual void OnPaint();
    virtual void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnMouseMove(UINT nFlags, CPoint point);
    virtual void OnLButtonDown(UINT nFlags, CPoint point);
    virtual void OnLButtonUp(UINT nFlags, CPoint point);
    virtual void OnLButtonDblClk(UINT nFlags, CPoint point);
    // The default reflects the message to the control (OnChildNotify).
    virtual void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

    // The owner for a modal window: pParent's (else the main window's)
    // top-level window; without pParent its last active popup.
    static HWND GetSafeOwner(CWnd* pParent);

    // The next window created on this thread is tied to pWnd from its very
    // first message on (a CBT hook); used for windows that other code creates.
    // bCreated: pWnd's destruction destroys the window too.
    static void HookWindowCreate(CWnd* pWnd, BOOL bCreated = TRUE);
    static void UnhookWindowCreate();
    // Ties this object to hWnd; bSubclass routes its messages through AfxWndProc.
    void Tie(HWND hWnd, BOOL bSubclass, BOOL bCreated);
    void Untie();

private:
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtHook(int, WPARAM, LPARAM);
    void HandleNcDestroy();

    WNDPROC m_pfnSuper;   // previous procedure of a subclassed window
    BOOL m_bTied;         // messages reach this object
    BOOL m_bCreated;      // this object created the window and destroys it
};

// The window procedure of every tied window.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Inside a catch block: tells the user about the exception being handled: the
// component library's report, "Out of memory." or "Internal application error.".
void AfxReportException();
// For a catch (...) where Windows calls into the framework (an exception must
// not unwind through the system's frames): reports the exception and returns
// the message's result: -1 for WM_CREATE (creation fails), else 0.
LRESULT AfxHandleWndProcException(HWND hWnd, UINT message);
// Deletes the temporary wrappers made by CWnd::FromHandle.
void AfxDeleteTempMap();

// A top-level frame window. Its object deletes itself when the window is
// destroyed, so frames are created with new and never deleted by hand.
class CFrameWnd : public CWnd {
public:
    // Lets Windows choose position and size.
    static const RECT rectDefault;

    CFrameWnd();
    // lpszClassName NULL: the framework's window class. lpszMenuName: a menu
    // resource of the exe, or NULL. When creation fails after the window has
    // been made (WM_CREATE returned -1), the object has deleted itself.
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* pParentWnd = NULL, LPCSTR lpszMenuName = NULL,
                DWORD dwExStyle = 0, void* pContext = NULL);

    // Commands the frame does not handle go on to the application object
    // (CWinApp::OnCommand), as the framework's command routing does.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    void PostNcDestroy() override;
};
