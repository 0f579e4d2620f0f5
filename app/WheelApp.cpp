#include "WheelApp.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include "CategoryPage.h"
#include "ConfigSheet.h"
#include "PathName.h"
#include "GeneralPage.h"
#include "TrayWnd.h"
#include "resource.h"

const CRegisteredMessage AskFirstInstanceMessage("ImagewheelMessage_AskFirstInstance");
const CRegisteredMessage ReplyFirstInstanceMessage("ImagewheelMessage_ReplyFirstInstance");
const CRegisteredMessage KillFirstInstanceMessage("ImagewheelMessage_KillFirstInstance");

namespace {

const char APP_TITLE[] = "Imagewheel";
const char INSTALLATION_KEY[] = "software\\velmorra software\\imagewheel\\1.91";
const char NEW_INSTALLATION_VALUE[] = "new installation";

// A broadcast waits for every top-level window of the session; one whose
// program has stopped answering must not stall our start-up for good.
const UINT BROADCAST_TIMEOUT_MS = 5000;

void Broadcast(UINT message, HWND sender) {
    SendMessageTimeoutA(HWND_BROADCAST, message, 0, reinterpret_cast<LPARAM>(sender),
                        SMTO_ABORTIFHUNG, BROADCAST_TIMEOUT_MS, NULL);
}

// The program's own file as a full path, for the backup folder and the
// uninstall entry. The path it was started by may be relative (and so wrong
// once the program's directory is current) or lack its directory.
const char* ProgramPath() {
    static char path[MAX_PATH + 1];
    if (path[0] == '\0') {
        const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            lstrcpynA(path, __argc > 0 ? __argv[0] : "", sizeof path);
    }
    return path;
}

// Relative names (the list files, the current-file files, the backup folder)
// belong to the program's directory, whichever directory Windows, a shortcut
// or the user started the program in.
void EnterProgramDirectory() {
    TPathName directory(ProgramPath());
    directory.SetFileName("");
    if (directory.GetFullPath()[0] != '\0')
        SetCurrentDirectoryA(directory.GetFullPath());
}

// Held by the one resident instance (or the start that is becoming it) for its
// whole life; Windows releases it when that process ends, however it ends.
const char INSTANCE_MUTEX[] = "ImagewheelMutex_FirstInstance";
// How long a start that finds the mutex held waits for the holder to answer:
// a start that holds it is busy until its tray window exists.
const DWORD HAND_OVER_TIMEOUT_MS = 15000;
const DWORD ASK_INTERVAL_MS = 250;

// Handles the messages sent to this thread's windows (other starts ask, too)
// for up to `milliseconds`; true as soon as `mutex` is ours.
bool WaitForMutex(HANDLE mutex, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return false;
        const DWORD result = MsgWaitForMultipleObjects(1, &mutex, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0)
            return true;
        if (result != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

// A new object, or null when it cannot be made (start-up must not end in an
// exception that nothing catches).
template <class T, class... Args>
T* MakeObject(Args... args) {
    try {
        return new T(args...);
    } catch (...) {
        return NULL;
    }
}

const Category LOGO_CATEGORIES[] = {Category::Signon, Category::Shutdown, Category::Signoff};

}  // namespace

// ---------------------------------------------------------------------------

CWheelCommandLineInfo::CWheelCommandLineInfo() : CycleMode(0), UninstallMode(0) {}

void CWheelCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL) {
    if (!bFlag)
        return;
    if (lstrcmpiA(pszParam, "cycle") == 0)
        CycleMode = 1;
    else if (lstrcmpiA(pszParam, "uninstall") == 0)
        UninstallMode = 1;
}

// ---------------------------------------------------------------------------

CInstanceWnd::CInstanceWnd() : TrayWnd(NULL), InstanceReplySlot(0) {}

BOOL CInstanceWnd::CreateInstanceWindow() {
    return Create(NULL, "", 0, rectDefault, NULL, NULL, 0);
}

LRESULT CInstanceWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND sender = reinterpret_cast<HWND>(lParam);
    HWND trayWindow = TrayWnd ? TrayWnd->GetSafeHwnd() : NULL;
    if (message == AskFirstInstanceMessage) {
        if (sender != m_hWnd) {
            ::SendMessageA(sender, ReplyFirstInstanceMessage, 0, reinterpret_cast<LPARAM>(trayWindow));
            if (trayWindow)
                ::PostMessageA(trayWindow, WM_COMMAND, ID_SHOW_IMAGEWHEEL, 0);
        }
        return 0;
    }
    if (message == ReplyFirstInstanceMessage) {
        InstanceReplySlot = static_cast<LONG>(lParam);
        return 0;
    }
    if (message == KillFirstInstanceMessage) {
        if (sender != m_hWnd && trayWindow)
            TrayWnd->DestroyWindow();
        return 0;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

void CInstanceWnd::PostNcDestroy() {}

// ---------------------------------------------------------------------------

CWheelApp::CWheelApp()
    : m_pSheet(NULL), m_pSignonPage(NULL), m_pShutdownPage(NULL), m_pSignoffPage(NULL),
      m_pWallpaperPage(NULL), m_pGeneralPage(NULL), m_pTrayWnd(NULL) {}

CWheelApp& WheelApp() {
    return *static_cast<CWheelApp*>(AfxGetApp());
}

BOOL CWheelApp::InitInstance() {
    EnterProgramDirectory();
    ParseCommandLine(m_cmdInfo);
    m_instanceWnd.CreateInstanceWindow();

    if (m_cmdInfo.UninstallMode)
        Broadcast(KillFirstInstanceMessage, m_instanceWnd.GetSafeHwnd());
    else if (AnotherInstanceAnswers())
        return FALSE;

    LoadSettings(m_settings);
    // A logo or backup that a power cut left only as its complete temporary
    // copy is put back before anything looks for it: the lists offer the
    // original entry only where its backup exists.
    RecoverLogoFiles(m_settings);
    RecoverRenderedWallpaper();
    for (Category category : ALL_CATEGORIES)
        LoadFileList(category, m_settings[category], m_lists[Index(category)]);

    if (ConsumeNewInstallationMarker())
        RunFirstInstallation(ProgramPath(), m_settings, m_lists);

    if (m_cmdInfo.UninstallMode) {
        RunUninstall(ProgramPath(), m_settings);
        return FALSE;
    }

    if (m_cmdInfo.CycleMode) {
        CycleDueLogos(m_settings, m_lists);
        for (Category category : {Category::Signon, Category::Shutdown, Category::Signoff})
            SaveFileList(category, m_settings[category], m_lists[Index(category)]);
        InstallLogos(m_settings, m_lists);
    }

    if (!BuildUserInterface())
        return FALSE;

    if (!m_cmdInfo.CycleMode && m_pTrayWnd && m_pTrayWnd->GetSafeHwnd())
        m_pTrayWnd->PostMessage(WM_COMMAND, ID_SHOW_IMAGEWHEEL, 0);
    return TRUE;
}

BOOL CWheelApp::OnCommand(WPARAM wParam, LPARAM) {
    if (LOWORD(wParam) != ID_HELP)
        return FALSE;
    OnHelp();
    return TRUE;
}

// Two starts in the same moment would both find no tray window to answer
// them, so the mutex decides which one stays. The one that gets it still asks
// (an instance may run without holding it); every other start asks the holder
// until it answers, and takes over only when the holder ends before that.
bool CWheelApp::AnotherInstanceAnswers() {
    auto answered = [this] {
        m_instanceWnd.InstanceReplySlot = 0;
        Broadcast(AskFirstInstanceMessage, m_instanceWnd.GetSafeHwnd());
        return m_instanceWnd.InstanceReplySlot != 0;
    };
    HANDLE mutex = CreateMutexA(NULL, TRUE, INSTANCE_MUTEX);
    if (mutex == NULL || GetLastError() != ERROR_ALREADY_EXISTS)
        return answered();   // kept open (and owned) until the process ends

    const DWORD start = GetTickCount();
    do {
        if (answered())
            return true;
        if (WaitForMutex(mutex, ASK_INTERVAL_MS))
            return answered();
    } while (GetTickCount() - start < HAND_OVER_TIMEOUT_MS);
    // The holder is alive but has not come up: it will be the one instance.
    return true;
}

bool CWheelApp::ConsumeNewInstallationMarker() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, INSTALLATION_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    char value[5096];
    DWORD size = sizeof value - 1;   // room for a terminator the value may lack
    bool isNew = false;
    if (RegQueryValueExA(key, NEW_INSTALLATION_VALUE, NULL, NULL, reinterpret_cast<BYTE*>(value), &size) ==
        ERROR_SUCCESS) {
        value[size] = '\0';
        isNew = std::strcmp(value, "TRUE") == 0;
    }
    if (isNew) {
        static const char FALSE_TEXT[] = "FALSE";
        RegSetValueExA(key, NEW_INSTALLATION_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(FALSE_TEXT),
                       sizeof FALSE_TEXT);
    }
    RegCloseKey(key);
    return isNew;
}

// Without the sheet or the tray window there is nothing to stay resident for:
// InitInstance then ends the run (ExitInstance frees what was made).
bool CWheelApp::BuildUserInterface() {
    m_pSheet = MakeObject<CConfigSheet>(APP_TITLE, static_cast<CWnd*>(NULL), 0u);
    if (!m_pSheet)
        return false;
    m_pSignonPage = MakeObject<CCategoryPage>(static_cast<UINT>(IDD_SIGNON));
    m_pShutdownPage = MakeObject<CCategoryPage>(static_cast<UINT>(IDD_SHUTDOWN));
    m_pSignoffPage = MakeObject<CCategoryPage>(static_cast<UINT>(IDD_SIGNOFF));
    m_pWallpaperPage = MakeObject<CWallpaperPage>();
    m_pGeneralPage = MakeObject<CGeneralPage>();
    if (!m_pSignonPage || !m_pShutdownPage || !m_pSignoffPage || !m_pWallpaperPage || !m_pGeneralPage)
        return false;

    HICON icon = LoadIconA(m_hInstance, MAKEINTRESOURCEA(IDI_IMAGEWHEEL));
    if (icon) {
        m_pSheet->m_psh.hIcon = icon;
        m_pSheet->m_psh.dwFlags |= PSH_USEHICON;
    }
    m_pSheet->m_psh.dwFlags |= PSH_NOAPPLYNOW;

    CPropertyPage* pages[] = {m_pSignonPage, m_pShutdownPage, m_pSignoffPage, m_pWallpaperPage, m_pGeneralPage};
    for (CPropertyPage* page : pages)
        m_pSheet->AddPage(page);
    PushSettingsToPages();

    m_pTrayWnd = new (std::nothrow) CTrayWnd(m_pSheet, m_pSignonPage, m_pShutdownPage, m_pSignoffPage,
                                             m_pWallpaperPage, m_pGeneralPage);
    if (!m_pTrayWnd)
        return false;
    m_pMainWnd = m_pTrayWnd;
    m_instanceWnd.TrayWnd = m_pTrayWnd;
    m_pTrayWnd->Title = APP_TITLE;
    if (!m_pTrayWnd->Create(NULL, m_pTrayWnd->Title.GetText(), 0, CFrameWnd::rectDefault, NULL, NULL)) {
        // A frame that got as far as a window has deleted itself with it (and
        // been forgotten); one that never got a window is still to be deleted.
        delete m_pTrayWnd;
        m_pMainWnd = NULL;
        return false;
    }
    return true;
}

void CWheelApp::TrayWndDeleted(CTrayWnd* trayWnd) {
    if (m_pTrayWnd != trayWnd)
        return;
    m_pTrayWnd = NULL;
    m_instanceWnd.TrayWnd = NULL;
}

int CWheelApp::ExitInstance() {
    delete m_pSheet;
    m_pSheet = NULL;
    CPropertyPage* pages[] = {m_pSignonPage, m_pShutdownPage, m_pSignoffPage, m_pWallpaperPage, m_pGeneralPage};
    for (CPropertyPage* page : pages)
        delete page;
    m_pSignonPage = m_pShutdownPage = m_pSignoffPage = m_pWallpaperPage = NULL;
    m_pGeneralPage = NULL;
    return CWinApp::ExitInstance();
}

// The pages show a category as enabled only when its flag is exactly 1, and
// give back 1 or 0.
void CWheelApp::PushSettingsToPages() {
    CCategoryPage* logoPages[] = {m_pSignonPage, m_pShutdownPage, m_pSignoffPage};
    for (int i = 0; i < 3; ++i) {
        const Category category = LOGO_CATEGORIES[i];
        const CategorySettings& settings = m_settings[category];
        const FileList& list = m_lists[Index(category)];
        CCategoryPage* page = logoPages[i];
        page->SetFileList(list.Entries, list.Current);
        page->m_period = settings.Period;
        page->m_unit = static_cast<LONG>(settings.Unit);
        page->m_order = static_cast<LONG>(settings.Order);
        page->m_cycleEnabled = settings.Enabled == 1 ? 1 : 0;
    }

    const CategorySettings& wallpaper = m_settings[Category::Wallpaper];
    const FileList& wallpaperList = m_lists[Index(Category::Wallpaper)];
    m_pWallpaperPage->SetFileList(wallpaperList.Entries, wallpaperList.Current);
    m_pWallpaperPage->m_period = wallpaper.Period;
    m_pWallpaperPage->m_unit = static_cast<LONG>(wallpaper.Unit);
    m_pWallpaperPage->m_wallpaperOrder = static_cast<LONG>(wallpaper.Order);
    m_pWallpaperPage->m_wallpaperEnabled = wallpaper.Enabled == 1 ? 1 : 0;
    m_pWallpaperPage->m_displayStyle = static_cast<LONG>(m_settings.WallpaperStyle);

    m_pGeneralPage->m_bootDrive = m_settings.BootDrive;
}

void CWheelApp::PullSettingsFromPages() {
    CCategoryPage* categoryPages[CATEGORY_COUNT] = {m_pSignonPage, m_pShutdownPage, m_pSignoffPage,
                                                    m_pWallpaperPage};
    for (Category category : ALL_CATEGORIES) {
        CCategoryPage* page = categoryPages[Index(category)];
        CategorySettings& settings = m_settings[category];
        FileList& list = m_lists[Index(category)];
        list.Entries = page->GetFileList();
        list.Current = page->GetCurrentFile();
        settings.Period = page->m_period;
        settings.Unit = static_cast<FrequencyUnit>(page->m_unit);
        if (category == Category::Wallpaper) {
            settings.Order = static_cast<CycleOrder>(m_pWallpaperPage->m_wallpaperOrder);
            settings.Enabled = m_pWallpaperPage->m_wallpaperEnabled ? 1 : 0;
            m_settings.WallpaperStyle = static_cast<WallpaperStyle>(m_pWallpaperPage->m_displayStyle);
        } else {
            settings.Order = static_cast<CycleOrder>(page->m_order);
            settings.Enabled = page->m_cycleEnabled ? 1 : 0;
        }
    }
    m_settings.BootDrive = m_pGeneralPage->m_bootDrive;

    SaveSettings(m_settings);
    for (Category category : ALL_CATEGORIES)
        SaveFileList(category, m_settings[category], m_lists[Index(category)]);
    InstallLogos(m_settings, m_lists);
}

void CWheelApp::ArmWallpaperTimer() {
    ::ArmWallpaperTimer(m_pTrayWnd->GetSafeHwnd(), m_wallpaperTimer, m_settings, m_lists[Index(Category::Wallpaper)]);
}

void CWheelApp::ApplyWallpaper() {
    ::ApplyWallpaper(m_lists[Index(Category::Wallpaper)], m_settings.WallpaperStyle);
}

void CWheelApp::WallpaperTimerExpired() {
    ::WallpaperTimerExpired(m_pTrayWnd->GetSafeHwnd(), m_wallpaperTimer, m_settings,
                            m_lists[Index(Category::Wallpaper)]);
}

void CWheelApp::ScreenSizeChanged() {
    if (WallpaperFollowsScreen(m_settings.WallpaperStyle))
        ApplyWallpaper();
}
