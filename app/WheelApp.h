// The application shell of Imagewheel.
//
// Start-up. The one CWheelApp object runs InitInstance: it parses the command
// line ("/cycle", "/uninstall", letter case ignored), creates the hidden
// CInstanceWnd and asks any running instance to answer. A running instance
// replies with its tray window and opens (or raises) its sheet; the new process
// then ends before it has touched anything. Otherwise the settings and the four
// file lists are loaded; the first run after setup backs up the logos, takes
// over the uninstall entry and imports the wallpaper. An uninstall run (which
// has already told any running instance to stop) restores the logos, starts
// the setup uninstaller and ends; a cycle run advances and installs the due
// logos. Then the sheet and its pages are built and CTrayWnd is created; a
// configuration run (no switch) opens the sheet as soon as the loop runs.
//
// Single instance. Three registered messages, broadcast to every top-level
// window: AskFirstInstance (lParam: the asker's CInstanceWnd), answered
// synchronously with ReplyFirstInstance (lParam: the running CTrayWnd), and
// KillFirstInstance, on which a running instance destroys its CTrayWnd.
//
// Tray window. CTrayWnd is the hidden main window: it owns the notification
// icon (callback message 2024), its popup menu ("Show Imagewheel" = command
// 2025, "Terminate Imagewheel" = 0x6000) and the wallpaper timer (id 1). The
// icon comes back when the taskbar is created again ("TaskbarCreated"), and an
// add that fails is retried (timer 2) for a minute. Its
// destruction removes the icon, closes an open sheet unsaved and ends the
// message loop; ExitInstance then deletes the sheet and the pages.
//
// Sheet. CConfigSheet runs modally inside CTrayWnd::ShowConfigSheet; the pages
// get copies of the settings and lists before (PushSettingsToPages) and give
// them back only on OK (PullSettingsFromPages, which saves and installs). The
// sheet reopens on the page that was active when it last closed.
#pragma once
#include "Framework.h"
#include "Engine.h"

class CConfigSheet;
class CCategoryPage;
class CWallpaperPage;
class CGeneralPage;
class CTrayWnd;

// The single-instance messages; registered during static initialisation.
extern const CRegisteredMessage AskFirstInstanceMessage;
extern const CRegisteredMessage ReplyFirstInstanceMessage;
extern const CRegisteredMessage KillFirstInstanceMessage;

// Command of CTrayWnd that shows the configuration sheet.
const UINT ID_SHOW_IMAGEWHEEL = 2025;

class CWheelCommandLineInfo : public CCommandLineInfo {
public:
    CWheelCommandLineInfo();
    // Looks only at switches ("/" or "-"): "cycle" and "uninstall", in any
    // letter case. Everything else, file names included, is ignored.
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override;

    LONG CycleMode;
    LONG UninstallMode;
};

// The hidden window through which instances find and stop each other. It is
// embedded in the application object and lives as long as the process.
class CInstanceWnd : public CFrameWnd {
public:
    CInstanceWnd();
    // Creates the never-shown window (empty name, style 0).
    BOOL CreateInstanceWindow();

    CTrayWnd* TrayWnd;       // set once the tray window exists
    LONG InstanceReplySlot;  // a running instance's tray window, 0: no reply

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Embedded, so it must not delete itself like other frames.
    void PostNcDestroy() override;
};

class CWheelApp : public CWinApp {
public:
    CWheelApp();

    BOOL InitInstance() override;
    int ExitInstance() override;
    // The application's own commands: only the framework's help command
    // (ID_HELP), which goes to the framework's help handler.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Copies the settings, lists and current files into the pages, and back
    // (the latter also saves everything and installs the logo files).
    void PushSettingsToPages();
    void PullSettingsFromPages();
    // The wallpaper operations of the tray window: (re)starting its timer,
    // applying the current wallpaper, and the timer's expiry.
    void ArmWallpaperTimer();
    void ApplyWallpaper();
    void WallpaperTimerExpired();
    // A stretched or fitted wallpaper is rendered again for the new size.
    void ScreenSizeChanged();
    // The tray window deletes itself with its window: the application and
    // the instance window forget it, so that a single-instance message that
    // arrives before the message loop has ended finds no tray window rather
    // than a deleted one.
    void TrayWndDeleted(CTrayWnd* trayWnd);

private:
    // Broadcasts the question; true when a running instance replied.
    bool AnotherInstanceAnswers();
    // True once, on the first run after setup: consumes the marker.
    bool ConsumeNewInstallationMarker();
    // Builds the sheet, the pages and the tray window; false when one of
    // them could not be made.
    bool BuildUserInterface();

    CConfigSheet* m_pSheet;
    CCategoryPage* m_pSignonPage;
    CCategoryPage* m_pShutdownPage;
    CCategoryPage* m_pSignoffPage;
    CWallpaperPage* m_pWallpaperPage;
    CGeneralPage* m_pGeneralPage;
    CTrayWnd* m_pTrayWnd;             // also m_pMainWnd; deletes itself
    CInstanceWnd m_instanceWnd;
    CWheelCommandLineInfo m_cmdInfo;
    FileListSet m_lists;
    AppSettings m_settings;
    WallpaperTimer m_wallpaperTimer;   // timer 1 of the tray window
};

// The application object (only the program has one of this class).
CWheelApp& WheelApp();
