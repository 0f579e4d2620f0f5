// The hidden main window: the notification-area icon with its popup menu, the
// wallpaper timer, and the configuration sheet it runs.
#pragma once
#include "Framework.h"

class CConfigSheet;
class CCategoryPage;
class CWallpaperPage;
class CGeneralPage;

// The icon's callback message and identifiers.
const UINT WM_TRAY_NOTIFY = WM_USER + 1000;   // 2024
const UINT TRAY_ICON_ID = 128;
const UINT ID_TERMINATE_IMAGEWHEEL = 0x6000;
// While the notification area refuses the icon (no taskbar yet), it is
// offered again every 2 seconds, for up to a minute, on this timer.
const UINT_PTR ICON_RETRY_TIMER_ID = 2;
const UINT ICON_RETRY_INTERVAL_MS = 2000;
const int ICON_RETRY_COUNT = 30;

class CTrayWnd : public CFrameWnd {
public:
    // The sheet and pages belong to the application object.
    CTrayWnd(CConfigSheet* sheet, CCategoryPage* signonPage, CCategoryPage* shutdownPage,
             CCategoryPage* signoffPage, CWallpaperPage* wallpaperPage, CGeneralPage* generalPage);
    ~CTrayWnd() override;

    // Command 2025: runs the sheet, or brings it to the front when it is open.
    void ShowConfigSheet();
    // Command 0x6000: ends the program; asks first while the sheet is open.
    void TerminateProgram();

    TCharString Title;   // window name and the icon's tip

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR nIDEvent) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // One operation per mouse message of the icon.
    virtual void OnTrayMouseMove();
    virtual void OnTrayLButtonDown();
    virtual void OnTrayLButtonUp();       // the popup menu
    virtual void OnTrayLButtonDblClk();   // the sheet
    virtual void OnTrayRButtonDown();
    virtual void OnTrayRButtonUp();
    virtual void OnTrayRButtonDblClk();

private:
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    // Puts the icon into the notification area, or starts offering it again
    // on ICON_RETRY_TIMER_ID when that fails.
    void ShowIcon();
    // True when the notification area has the icon, added now or before.
    bool AddIcon();

    CConfigSheet* Sheet;
    CCategoryPage* SignonPage;
    CCategoryPage* ShutdownPage;
    CCategoryPage* SignoffPage;
    CWallpaperPage* WallpaperPage;
    CGeneralPage* GeneralPage;
    SHORT SheetShowing;
    CMenu PopupMenu;
    int m_iconRetriesLeft;
    // The sheet's modal loop and the confirmation box dispatch messages that
    // may destroy this window, and with it this object; a watch tells the
    // interrupted operation not to touch the object any more.
    struct DestructionWatch;
    DestructionWatch* m_pWatch;
};
