#include "TrayWnd.h"

#include <shellapi.h>
#include <algorithm>
#include <cstring>
#include "ConfigSheet.h"
#include "WheelApp.h"
#include "resource.h"

namespace {

const char DISCARD_TEXT[] = "Terminating Imagewheel will throw away unsaved settings.  Terminate anyway?";
const char DISCARD_CAPTION[] = "Imagewheel -- Discard changes?";

// Broadcast by the shells of Internet Explorer 4, Windows 98 and later when
// the taskbar is created, also after Explorer has ended and started again:
// every icon of the notification area is gone then.
const CRegisteredMessage TaskbarCreatedMessage("TaskbarCreated");

// The Windows 95 layout of NOTIFYICONDATA (no balloon fields).
const DWORD NOTIFYICONDATA_95_SIZE = 88;
static_assert(NOTIFYICONDATAA_V1_SIZE == NOTIFYICONDATA_95_SIZE, "the Windows 95 NOTIFYICONDATA");

void InitIconData(NOTIFYICONDATAA& data, HWND window) {
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATA_95_SIZE;
    data.hWnd = window;
    data.uID = TRAY_ICON_ID;
}

}  // namespace

struct CTrayWnd::DestructionWatch {
    explicit DestructionWatch(CTrayWnd* window) : Window(window), Outer(window->m_pWatch), Destroyed(false) {
        window->m_pWatch = this;
    }
    ~DestructionWatch() {
        if (!Destroyed)
            Window->m_pWatch = Outer;
    }
    CTrayWnd* Window;
    DestructionWatch* Outer;
    bool Destroyed;
};

CTrayWnd::CTrayWnd(CConfigSheet* sheet, CCategoryPage* signonPage, CCategoryPage* shutdownPage,
                   CCategoryPage* signoffPage, CWallpaperPage* wallpaperPage, CGeneralPage* generalPage)
    : Sheet(sheet), SignonPage(signonPage), ShutdownPage(shutdownPage), SignoffPage(signoffPage),
      WallpaperPage(wallpaperPage), GeneralPage(generalPage), SheetShowing(0),
      m_iconRetriesLeft(0), m_pWatch(NULL) {}

CTrayWnd::~CTrayWnd() {
    for (DestructionWatch* watch = m_pWatch; watch; watch = watch->Outer)
        watch->Destroyed = true;
    WheelApp().TrayWndDeleted(this);
}

int CTrayWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    SheetShowing = 0;
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;

    ShowIcon();
    WheelApp().ArmWallpaperTimer();
    return 0;
}

void CTrayWnd::ShowIcon() {
    KillTimer(ICON_RETRY_TIMER_ID);
    if (AddIcon())
        return;
    // No taskbar yet: a cycle run started with Windows may come before it.
    m_iconRetriesLeft = ICON_RETRY_COUNT;
    SetTimer(ICON_RETRY_TIMER_ID, ICON_RETRY_INTERVAL_MS);
}

bool CTrayWnd::AddIcon() {
    NOTIFYICONDATAA data;
    InitIconData(data, m_hWnd);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    // The small image of the icon, drawn for the notification area, as a
    // private copy: the shell keeps its own, so ours is destroyed below.
    data.hIcon = static_cast<HICON>(LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_IMAGEWHEEL), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    lstrcpynA(data.szTip, Title.GetText(),
              std::min(static_cast<int>(Title.GetLength()) + 1, static_cast<int>(sizeof data.szTip)));
    // A notification area that has the icon already (a "TaskbarCreated" that
    // no new taskbar sent) refuses to add it twice but takes the change.
    const bool shown = Shell_NotifyIconA(NIM_ADD, &data) || Shell_NotifyIconA(NIM_MODIFY, &data);
    if (data.hIcon)
        DestroyIcon(data.hIcon);
    return shown;
}

void CTrayWnd::OnDestroy() {
    NOTIFYICONDATAA data;
    InitIconData(data, m_hWnd);
    Shell_NotifyIconA(NIM_DELETE, &data);
    KillTimer(WALLPAPER_TIMER_ID);
    KillTimer(ICON_RETRY_TIMER_ID);
    if (SheetShowing)
        Sheet->DestroyWindow();
    PopupMenu.DestroyMenu();
    CFrameWnd::OnDestroy();
}

void CTrayWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == WALLPAPER_TIMER_ID) {
        WheelApp().WallpaperTimerExpired();
    } else if (nIDEvent == ICON_RETRY_TIMER_ID) {
        if (AddIcon() || --m_iconRetriesLeft <= 0)
            KillTimer(ICON_RETRY_TIMER_ID);
    }
}

BOOL CTrayWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case ID_SHOW_IMAGEWHEEL: ShowConfigSheet(); return TRUE;
    case ID_TERMINATE_IMAGEWHEEL: TerminateProgram(); return TRUE;
    }
    return CFrameWnd::OnCommand(wParam, lParam);
}

LRESULT CTrayWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRAY_NOTIFY)
        return OnTrayNotify(wParam, lParam);
    if (message == TaskbarCreatedMessage && message != 0) {
        ShowIcon();
        return 0;
    }
    if (message == WM_DISPLAYCHANGE)
        WheelApp().ScreenSizeChanged();
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

LRESULT CTrayWnd::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
    if (wParam != TRAY_ICON_ID)
        return 0;
    switch (lParam) {
    case WM_MOUSEMOVE: OnTrayMouseMove(); break;
    case WM_LBUTTONDOWN: OnTrayLButtonDown(); break;
    case WM_LBUTTONUP: OnTrayLButtonUp(); break;
    case WM_LBUTTONDBLCLK: OnTrayLButtonDblClk(); break;
    case WM_RBUTTONDOWN: OnTrayRButtonDown(); break;
    case WM_RBUTTONUP: OnTrayRButtonUp(); break;
    case WM_RBUTTONDBLCLK: OnTrayRButtonDblClk(); break;
    }
    return 0;
}

void CTrayWnd::OnTrayMouseMove() {}
void CTrayWnd::OnTrayLButtonDown() {}
void CTrayWnd::OnTrayRButtonDown() {}
void CTrayWnd::OnTrayRButtonUp() {}
void CTrayWnd::OnTrayRButtonDblClk() {}

void CTrayWnd::OnTrayLButtonUp() {
    PopupMenu.DestroyMenu();
    if (!PopupMenu.CreatePopupMenu())
        return;
    PopupMenu.AppendMenu(MF_STRING, ID_SHOW_IMAGEWHEEL, "Show Imagewheel");
    PopupMenu.AppendMenu(MF_SEPARATOR, 0, NULL);
    PopupMenu.AppendMenu(MF_STRING, ID_TERMINATE_IMAGEWHEEL, "Terminate Imagewheel");

    POINT cursor;
    GetCursorPos(&cursor);
    // A menu of a window that is not in the foreground would stay open when
    // the user clicks elsewhere; the empty message afterwards lets it close
    // properly the next time.
    ::SetForegroundWindow(m_hWnd);
    PopupMenu.TrackPopupMenu(TPM_RIGHTALIGN, cursor.x, cursor.y, this);
    PostMessage(WM_NULL, 0, 0);
}

void CTrayWnd::OnTrayLButtonDblClk() {
    PopupMenu.DestroyMenu();
    ShowConfigSheet();
}

void CTrayWnd::ShowConfigSheet() {
    if (SheetShowing) {
        Sheet->SetForegroundWindow();
        return;
    }
    SheetShowing = 1;
    WheelApp().PushSettingsToPages();

    DestructionWatch watch(this);
    INT_PTR result = Sheet->DoModal();
    if (watch.Destroyed)
        return;   // terminated while the sheet was open: this object is gone

    if (result == IDOK) {
        // A message box of the installation or the wallpaper's change
        // broadcast lets messages sent to us in, a request to end among them:
        // this object may be gone after each step.
        WheelApp().PullSettingsFromPages();
        if (watch.Destroyed)
            return;
        WheelApp().ApplyWallpaper();
        if (watch.Destroyed)
            return;
        WheelApp().ArmWallpaperTimer();
        if (watch.Destroyed)
            return;
    }
    SheetShowing = 0;
}

void CTrayWnd::TerminateProgram() {
    if (SheetShowing) {
        Sheet->SetForegroundWindow();
        DestructionWatch watch(this);
        int answer = ShowMessageBox(m_hWnd, DISCARD_TEXT, DISCARD_CAPTION, MB_YESNO);
        if (watch.Destroyed)
            return;   // stopped by another instance meanwhile
        if (answer == IDNO) {
            Sheet->SetForegroundWindow();
            return;
        }
    }
    DestroyWindow();
}
