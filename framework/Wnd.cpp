#include "Wnd.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "ExceptionBase.h"
#include <vector>
#include <memory>
#include <new>

namespace {

// Window properties that tie a window to its object and, for a subclassed
// window, remember the procedure it had before.
const char kObjectProp[] = "Imagewheel.CWnd";
const char kSuperProp[] = "Imagewheel.Super";
const char kFrameClass[] = "ImagewheelFrame";

// The message being handled, for CWnd::Default (one thread).
struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
CurrentMessage g_current = {0, 0, 0};

// Creation hook state.
HHOOK g_hHook = NULL;
CWnd* g_pWndInit = NULL;
BOOL g_bCreatedInit = FALSE;

// The object a window is tied to: its window property is the authority, and
// the windows looked up last are remembered here as well. Under Wine every
// GetProp is a round trip to the wine server, so a message to a tied window
// cost tens of microseconds of it; a page that fills or reads its list box
// sends one or two per entry. An entry lives only as long as its tie: Tie
// adds it, Untie removes it.
struct TieCacheEntry {
    HWND hWnd;
    CWnd* pWnd;
};
const unsigned int kTieCacheSize = 16;   // a power of two
TieCacheEntry g_tieCache[kTieCacheSize];

TieCacheEntry& TieCacheSlot(HWND hWnd)
{
    const UINT_PTR value = (UINT_PTR)hWnd;
    return g_tieCache[(value ^ (value >> 4) ^ (value >> 8)) & (kTieCacheSize - 1)];
}

CWnd* TiedObject(HWND hWnd)
{
    TieCacheEntry& entry = TieCacheSlot(hWnd);
    if (entry.hWnd == hWnd)
        return entry.pWnd;
    CWnd* pWnd = (CWnd*)::GetPropA(hWnd, kObjectProp);
    if (pWnd != NULL) {
        entry.hWnd = hWnd;
        entry.pWnd = pWnd;
    }
    return pWnd;
}

void ForgetTie(HWND hWnd)
{
    TieCacheEntry& entry = TieCacheSlot(hWnd);
    if (entry.hWnd == hWnd) {
        entry.hWnd = NULL;
        entry.pWnd = NULL;
    }
}

// Temporary wrappers handed out by FromHandle, until the next idle time:
// a handful at most, so a list searched from the end will do.
std::vector<CWnd*>& TempMap()
{
    static std::vector<CWnd*> map;
    return map;
}

LPCSTR FrameClassName()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = AfxWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = ::LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = kFrameClass;
        registered = ::RegisterClassA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    return kFrameClass;
}

}  // namespace

LRESULT CALLBACK AfxCbtHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && g_pWndInit != NULL) {
        CWnd* pWnd = g_pWndInit;
        g_pWndInit = NULL;
        HWND hWnd = (HWND)wParam;
        pWnd->Tie(hWnd, (WNDPROC)::GetWindowLongPtrA(hWnd, GWLP_WNDPROC) != AfxWndProc, g_bCreatedInit);
    }
    return ::CallNextHookEx(g_hHook, nCode, wParam, lParam);
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = TiedObject(hWnd);
    if (pWnd == NULL) {
        // Untied, but still in the window's procedure chain (someone
        // subclassed over us): pass everything on.
        WNDPROC super = (WNDPROC)::GetPropA(hWnd, kSuperProp);
        if (message == WM_NCDESTROY)
            ::RemovePropA(hWnd, kSuperProp);
        return super != NULL ? ::CallWindowProcA(super, hWnd, message, wParam, lParam)
                             : ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
    CurrentMessage saved = g_current;
    g_current.message = message;
    g_current.wParam = wParam;
    g_current.lParam = lParam;
    LRESULT result;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = AfxHandleWndProcException(hWnd, message);
    }
    // The object may be gone now (a handler destroyed its own frame window):
    // only WM_NCDESTROY, the last message, touches it again.
    if (message == WM_NCDESTROY)
        pWnd->HandleNcDestroy();
    g_current = saved;
    return result;
}

void AfxReportException()
{
    const char* text = "Internal application error.";
    char* report = NULL;
    try {
        throw;
    } catch (const TExceptionBase& e) {
        report = e.GetReport();
        if (report != NULL)
            text = report;
    } catch (const std::bad_alloc&) {
        text = "Out of memory.";
    } catch (...) {
    }
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    delete[] report;
}

LRESULT AfxHandleWndProcException(HWND hWnd, UINT message)
{
    AfxReportException();
    if (message == WM_PAINT)
        ::ValidateRect(hWnd, NULL);   // or the failing paint comes back at once
    return message == WM_CREATE ? -1 : 0;
}

void AfxDeleteTempMap()
{
    std::vector<CWnd*>& map = TempMap();
    while (!map.empty()) {
        CWnd* pWnd = map.back();
        map.pop_back();
        pWnd->Detach();
        delete pWnd;
    }
}

CWnd::CWnd() : m_hWnd(NULL), m_pfnSuper(NULL), m_bTied(FALSE), m_bCreated(FALSE) {}

CWnd::~CWnd()
{
    if (g_pWndInit == this)
        g_pWndInit = NULL;
    if (m_bTied) {
        HWND hWnd = m_hWnd;
        BOOL bCreated = m_bCreated;
        Untie();
        if (bCreated)
            ::DestroyWindow(hWnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd != NULL ? TiedObject(hWnd) : NULL;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == NULL)
        return NULL;
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd != NULL)
        return pWnd;
    std::vector<CWnd*>& map = TempMap();
    for (std::size_t i = map.size(); i-- > 0;)
        if (map[i]->m_hWnd == hWnd)
            return map[i];
    map.reserve(map.size() + 1);   // before the wrapper exists: a failure leaks nothing
    pWnd = new CWnd;
    pWnd->m_hWnd = hWnd;
    map.push_back(pWnd);
    return pWnd;
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (m_bTied || hWndNew == NULL)
        return FALSE;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (m_bTied)
        Untie();
    m_hWnd = NULL;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (m_bTied || hWnd == NULL || !::IsWindow(hWnd) || FromHandlePermanent(hWnd) != NULL)
        return FALSE;
    Tie(hWnd, TRUE, FALSE);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    return pParent != NULL && SubclassWindow(::GetDlgItem(pParent->m_hWnd, nID));
}

HWND CWnd::UnsubclassWindow()
{
    return Detach();
}

void CWnd::Tie(HWND hWnd, BOOL bSubclass, BOOL bCreated)
{
    m_hWnd = hWnd;
    m_bTied = TRUE;
    m_bCreated = bCreated;
    ::SetPropA(hWnd, kObjectProp, (HANDLE)this);
    TieCacheEntry& entry = TieCacheSlot(hWnd);
    entry.hWnd = hWnd;
    entry.pWnd = this;
    if (bSubclass) {
        m_pfnSuper = (WNDPROC)::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)AfxWndProc);
        ::SetPropA(hWnd, kSuperProp, (HANDLE)m_pfnSuper);
    }
}

void CWnd::Untie()
{
    if (m_hWnd != NULL)
        ForgetTie(m_hWnd);
    if (m_hWnd != NULL && ::IsWindow(m_hWnd)) {
        ::RemovePropA(m_hWnd, kObjectProp);
        // Put the previous procedure back when nobody subclassed over us;
        // otherwise AfxWndProc keeps forwarding through kSuperProp.
        if (m_pfnSuper != NULL && (WNDPROC)::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == AfxWndProc) {
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
            ::RemovePropA(m_hWnd, kSuperProp);
        }
    }
    m_pfnSuper = NULL;
    m_bTied = FALSE;
    m_bCreated = FALSE;
}

void CWnd::HandleNcDestroy()
{
    Untie();
    m_hWnd = NULL;
    CWinApp* pApp = AfxGetApp();
    if (pApp != NULL && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = NULL;
        ::PostQuitMessage(0);
    }
    PostNcDestroy();
}

void CWnd::HookWindowCreate(CWnd* pWnd, BOOL bCreated)
{
    if (g_hHook == NULL)
        g_hHook = ::SetWindowsHookExA(WH_CBT, AfxCbtHook, NULL, ::GetCurrentThreadId());
    g_pWndInit = pWnd;
    g_bCreatedInit = bCreated;
}

void CWnd::UnhookWindowCreate()
{
    g_pWndInit = NULL;
    if (g_hHook != NULL) {
        ::UnhookWindowsHookEx(g_hHook);
        g_hHook = NULL;
    }
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    if (m_hWnd != NULL)
        return FALSE;
    HookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(dwExStyle, lpszClassName != NULL ? lpszClassName : FrameClassName(),
                                  lpszWindowName, dwStyle, x, y, nWidth, nHeight, hWndParent,
                                  nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    UnhookWindowCreate();
    // On failure after WM_NCCREATE the window has been destroyed again and
    // PostNcDestroy has run (a frame has deleted itself): touch nothing.
    return hWnd != NULL;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    // Unsigned arithmetic: rectDefault's CW_USEDEFAULT corners must give
    // CW_USEDEFAULT sizes without overflowing.
    int nWidth = (int)((unsigned)rect.right - (unsigned)rect.left);
    int nHeight = (int)((unsigned)rect.bottom - (unsigned)rect.top);
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, nWidth,
                    nHeight, pParentWnd != NULL ? pParentWnd->m_hWnd : NULL, (HMENU)(UINT_PTR)nID, lpParam);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == NULL)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::GetWindowText(TCharString& rString) const
{
    const int size = ::GetWindowTextLengthA(m_hWnd) + 1;
    std::unique_ptr<char[]> buffer(new char[size]());
    ::GetWindowTextA(m_hWnd, buffer.get(), size);
    rString = buffer.get();
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    if (lpszCaption == NULL && AfxGetApp() != NULL)
        lpszCaption = AfxGetApp()->m_pszAppName;
    return ShowMessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchange::Failure&) {
        return FALSE;
    } catch (...) {
        // Half an exchange is not a result: the caller must not go on with
        // it (a page stays, a dialog's OK does not end it).
        AfxReportException();
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(wParam, lParam, &result))
            return result;
        break;
    }
    case WM_CREATE:
        return OnCreate((LPCREATESTRUCT)lParam);
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam), FromHandle((HWND)lParam), HIWORD(wParam));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown((UINT)wParam, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove((UINT)wParam, CPoint(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown((UINT)wParam, CPoint(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp((UINT)wParam, CPoint(lParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk((UINT)wParam, CPoint(lParam));
        return 0;
    case WM_DRAWITEM:
        OnDrawItem((int)wParam, (LPDRAWITEMSTRUCT)lParam);
        return TRUE;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != NULL)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(g_current.message, g_current.wParam, g_current.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != NULL; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != NULL && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    return FALSE;
}

HWND CWnd::GetSafeOwner(CWnd* pParent)
{
    HWND hWnd = pParent != NULL ? pParent->m_hWnd : NULL;
    if (hWnd == NULL && AfxGetMainWnd() != NULL)
        hWnd = AfxGetMainWnd()->m_hWnd;
    while (hWnd != NULL && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    if (pParent == NULL && hWnd != NULL)
        hWnd = ::GetLastActivePopup(hWnd);
    return hWnd;
}

BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

void CWnd::PostNcDestroy() {}

int CWnd::OnCreate(LPCREATESTRUCT) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    LRESULT result = 0;
    CWnd* pChild = lpDrawItemStruct->CtlType != ODT_MENU ? FromHandlePermanent(lpDrawItemStruct->hwndItem) : NULL;
    if (pChild == NULL || !pChild->OnChildNotify(WM_DRAWITEM, g_current.wParam, (LPARAM)lpDrawItemStruct, &result))
        Default();
}

const RECT CFrameWnd::rectDefault = {(LONG)CW_USEDEFAULT, (LONG)CW_USEDEFAULT, 0, 0};

CFrameWnd::CFrameWnd() {}

BOOL CFrameWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCSTR lpszMenuName, DWORD dwExStyle, void*)
{
    HMENU hMenu = NULL;
    if (lpszMenuName != NULL && (hMenu = ::LoadMenuA(AfxGetInstanceHandle(), lpszMenuName)) == NULL)
        return FALSE;
    if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, (UINT)(UINT_PTR)hMenu)) {
        if (hMenu != NULL && ::IsMenu(hMenu))
            ::DestroyMenu(hMenu);   // a window that got as far as WM_CREATE took its menu along
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (CWnd::OnCommand(wParam, lParam))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp != NULL && pApp->OnCommand(wParam, lParam);
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}
