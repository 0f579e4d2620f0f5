// imagewheel.exe in real processes under Wine: one instance, the hand-over
// of a second start, the uninstall stop, the switches, the icon's mouse
// operations and menu, the terminate confirmation, OK and the wallpaper timer.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "AppTestSupport.h"

#include <shellapi.h>

using namespace apptest;

namespace {

const char PROFILE[] = "imagewheel.ini";   // in the prefix's Windows directory
const char DISCARD_CAPTION[] = "Imagewheel -- Discard changes?";
const char DISCARD_TEXT[] = "Terminating Imagewheel will throw away unsaved settings.  Terminate anyway?";
const UINT ID_SHOW = 2025;
const UINT ID_TERMINATE = 0x6000;

std::string ProfilePath() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\" + PROFILE;
}

// Each test starts with no instance running and no profile, and leaves none.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset() {
        // A leftover instance of an earlier, failed run is stopped the way an
        // uninstall run stops it.
        SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance"), 0, 0,
                            SMTO_ABORTIFHUNG, 5000, NULL);
        DeleteFileA(ProfilePath().c_str());
    }

    // Starts a run and waits for its tray window.
    static HWND StartResident(Program& program) {
        EXPECT_TRUE(program.Started());
        HWND tray = NULL;
        // The window is visible to FindWindow while it is still being created,
        // before its icon is added: resident means both are there.
        EXPECT_TRUE(WaitFor([&] { return (tray = program.TrayWindow()) != NULL && TrayIconPresent(tray); },
                            START_TIMEOUT_MS))
            << "no tray window with its icon";
        return tray;
    }

    static HWND WaitForSheet(Program& program) {
        HWND sheet = NULL;
        EXPECT_TRUE(WaitFor([&] { return (sheet = program.SheetWindow()) != NULL; }, START_TIMEOUT_MS))
            << "the sheet did not open";
        return sheet;
    }

    static int CountSheets(Program& program) {
        int sheets = 0;
        for (HWND window : program.VisibleWindows()) {
            char text[64] = "";
            GetWindowTextA(window, text, sizeof text);
            sheets += std::string(text) == "Imagewheel";
        }
        return sheets;
    }

    // Asks to terminate while the sheet is open and answers the confirmation.
    static void TerminateAnswering(Program& program, HWND tray, int answer) {
        PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
        HWND box = NULL;
        ASSERT_TRUE(WaitFor([&] { return (box = program.DialogWindow(DISCARD_CAPTION)) != NULL; }, START_TIMEOUT_MS))
            << "no confirmation";
        EXPECT_EQ(DISCARD_TEXT, MessageBoxText(box));
        HWND button = GetDlgItem(box, answer);
        ASSERT_NE(nullptr, button);
        ASSERT_EQ(nullptr, GetDlgItem(box, IDOK)) << "Yes and No only";
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, START_TIMEOUT_MS));
    }
};

TEST_F(ProgramTest, SecondStartsHandOverToTheRunningInstance) {
    Program first("/cycle", MakeEmptyFolder("first"));
    HWND tray = StartResident(first);
    ASSERT_NE(nullptr, tray);
    EXPECT_TRUE(TrayIconPresent(tray));
    Sleep(1000);
    EXPECT_EQ(nullptr, first.SheetWindow()) << "a cycle run opens no sheet";
    // The cycle run has recorded its last-cycle dates; later starts must not
    // touch the profile.
    const std::string profile = ReadWholeFile(ProfilePath());

    // A second cycle run ends at once, cycles nothing; the first shows its sheet.
    const std::string secondFolder = MakeEmptyFolder("second");
    Program second("/cycle", secondFolder);
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_TRUE(FilesBesideProgram(secondFolder).empty());
    EXPECT_NE(nullptr, WaitForSheet(first));

    // A configuration start while the sheet is open only raises it.
    const std::string thirdFolder = MakeEmptyFolder("third");
    Program third("", thirdFolder);
    ASSERT_TRUE(third.WaitForExit());
    EXPECT_TRUE(FilesBesideProgram(thirdFolder).empty());
    Sleep(500);
    EXPECT_EQ(1, CountSheets(first));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(profile, ReadWholeFile(ProfilePath()));

    // Terminate with the sheet open asks first: No keeps everything.
    TerminateAnswering(first, tray, IDNO);
    Sleep(500);
    EXPECT_TRUE(first.Running());
    EXPECT_NE(nullptr, first.SheetWindow());
    EXPECT_TRUE(TrayIconPresent(tray));

    // Yes ends the program: the sheet closes unsaved and the icon goes.
    TerminateAnswering(first, tray, IDYES);
    EXPECT_TRUE(first.WaitForExit());
    EXPECT_FALSE(TrayIconPresent(tray));
    EXPECT_EQ(profile, ReadWholeFile(ProfilePath())) << "nothing saved";
}

TEST_F(ProgramTest, UninstallStopsTheRunningInstance) {
    Program first("", MakeEmptyFolder("first"));
    HWND tray = StartResident(first);
    ASSERT_NE(nullptr, tray);
    ASSERT_NE(nullptr, WaitForSheet(first)) << "a configuration run opens its sheet at once";
    EXPECT_TRUE(TrayIconPresent(tray));

    Program uninstall("/UnInstall", MakeEmptyFolder("uninstall"));
    EXPECT_TRUE(first.WaitForExit()) << "the running instance was not stopped";
    EXPECT_FALSE(TrayIconPresent(tray));
    EXPECT_TRUE(uninstall.WaitForExit());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ProfilePath().c_str())) << "unsaved sheet discarded";
}

TEST_F(ProgramTest, OnlySwitchesCountAndTheirCaseDoesNot) {
    // "cycle" without "/" or "-" is no switch: a configuration run.
    const std::string plainFolder = MakeEmptyFolder("plain");
    {
        Program plain("cycle", plainFolder);
        HWND tray = StartResident(plain);
        ASSERT_NE(nullptr, WaitForSheet(plain));
        EXPECT_TRUE(FilesBesideProgram(plainFolder).empty()) << "nothing cycled";
        TerminateAnswering(plain, tray, IDYES);
        EXPECT_TRUE(plain.WaitForExit());
    }
    // "-CYCLE" is the cycle switch: the logo lists are saved, no sheet opens,
    // and terminating without a sheet asks nothing.
    const std::string cycleFolder = MakeEmptyFolder("cycle");
    {
        Program cycle("-CYCLE", cycleFolder);
        HWND tray = StartResident(cycle);
        ASSERT_NE(nullptr, tray);
        EXPECT_EQ(6u, FilesBesideProgram(cycleFolder).size()) << "the three logo lists and their current files";
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((cycleFolder + "\\WallpaperFileList.txt").c_str()));
        Sleep(1000);
        EXPECT_EQ(nullptr, cycle.SheetWindow());
        PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
        EXPECT_TRUE(cycle.WaitForExit());
    }
}

TEST_F(ProgramTest, IconMouseOperationsAndPopupMenu) {
    Program program("/cycle", MakeEmptyFolder("mouse"));
    HWND tray = StartResident(program);
    ASSERT_NE(nullptr, tray);

    // The right button and plain moves do nothing.
    for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK})
        SendTrayMouse(tray, message);
    PostMessageA(tray, WM_USER + 1000, 129, WM_LBUTTONDBLCLK);   // another icon id
    Sleep(1000);
    EXPECT_EQ(nullptr, program.PopupMenuWindow());
    EXPECT_EQ(nullptr, program.SheetWindow());

    // A double click opens the sheet; Cancel closes it.
    SendTrayMouse(tray, WM_LBUTTONDBLCLK);
    HWND sheet = WaitForSheet(program);
    ASSERT_NE(nullptr, sheet);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return program.SheetWindow() == NULL; }, START_TIMEOUT_MS));

    // A left click opens the menu with its right edge at the cursor; its
    // first item shows the sheet.
    const POINT cursor = {600, 300};
    SetCursorPos(cursor.x, cursor.y);
    SendTrayMouse(tray, WM_LBUTTONUP);
    HWND menu = NULL;
    ASSERT_TRUE(WaitFor([&] { return (menu = program.PopupMenuWindow()) != NULL; }, START_TIMEOUT_MS));
    RECT place;
    GetWindowRect(menu, &place);
    EXPECT_EQ(cursor.x, place.right);
    EXPECT_EQ(cursor.y, place.top);
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_NE(nullptr, WaitForSheet(program));

    // Its last item terminates: with the sheet open, after the question.
    SendTrayMouse(tray, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return (menu = program.PopupMenuWindow()) != NULL; }, START_TIMEOUT_MS));
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    HWND box = NULL;
    ASSERT_TRUE(WaitFor([&] { return (box = program.DialogWindow(DISCARD_CAPTION)) != NULL; }, START_TIMEOUT_MS));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDYES)));
    EXPECT_TRUE(program.WaitForExit());
}

TEST_F(ProgramTest, OkSavesEverythingAndTheTimerCyclesTheWallpaper) {
    // Wallpaper every second, over two entries.
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_FREQ", "6", PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_PERIOD", "1", PROFILE);
    WritePrivateProfileStringA(NULL, NULL, NULL, PROFILE);   // flush
    const std::string folder = MakeEmptyFolder("ok");
    const std::string current = folder + "\\CurrWallpaperFile.txt";
    WriteWholeFile(folder + "\\WallpaperFileList.txt", "C:\\first.bmp\r\nC:\\second.bmp\r\n");
    WriteWholeFile(current, "C:\\first.bmp\r\n");

    Program program("", folder);
    HWND tray = StartResident(program);
    HWND sheet = WaitForSheet(program);
    ASSERT_NE(nullptr, sheet);
    // OK and Cancel, but no Apply button.
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, IDOK)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, IDCANCEL)));
    const int APPLY_BUTTON = 0x3021;
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, APPLY_BUTTON)));
    EXPECT_TRUE(WaitFor([&] { return ReadWholeFile(current) == "C:\\second.bmp\r\n"; }, 10000))
        << "timer 1 did not cycle the wallpaper while the sheet was open";

    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    // The settings are written after the sheet has gone, the lists after them.
    char bootDrive[8] = "";
    EXPECT_TRUE(WaitFor([&] {
        GetPrivateProfileStringA("CONFIG", "BOOT_DRIVE", "", bootDrive, sizeof bootDrive, PROFILE);
        return bootDrive[0] != '\0' && GetFileAttributesA((folder + "\\CurrSignoffFile.txt").c_str()) !=
                                          INVALID_FILE_ATTRIBUTES;
    }, START_TIMEOUT_MS));
    EXPECT_STREQ("C", bootDrive);
    for (const char* name : {"SignonFileList.txt", "CurrSignonFile.txt", "ShutdownFileList.txt",
                             "CurrShutdownFile.txt", "SignoffFileList.txt", "CurrSignoffFile.txt"})
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "\\" + name).c_str())) << name;
    EXPECT_TRUE(program.Running());

    PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
    EXPECT_TRUE(program.WaitForExit()) << "with the sheet closed terminate asks nothing";
}

const char INSTALLATION_KEY[] = "software\\velmorra software\\imagewheel\\1.91";
const char NEW_INSTALLATION[] = "new installation";

// The marker value, or "(none)".
std::string InstallationMarker() {
    HKEY key;
    std::string marker = "(none)";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, INSTALLATION_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return marker;
    char value[64];
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, NEW_INSTALLATION, NULL, NULL, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
        marker.assign(value);
    RegCloseKey(key);
    return marker;
}

void SetInstallationMarker(const char* value) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, INSTALLATION_KEY, &key));
    if (value)
        RegSetValueExA(key, NEW_INSTALLATION, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
    else
        RegDeleteValueA(key, NEW_INSTALLATION);
    RegCloseKey(key);
}

TEST_F(ProgramTest, TheFirstRunAfterSetupIsHandledOnce) {
    // A copy of the program in its own folder: the logo backup goes beside it.
    const std::string folder = MakeEmptyFolder("firstrun");
    const std::string exe = folder + "\\imagewheel.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(IW_IMAGEWHEEL_EXE).c_str(), exe.c_str(), FALSE));
    const std::string backup = folder + "\\OriginalLogos";
    auto runOnce = [&] {
        Program program("/cycle", folder, exe);
        HWND tray = StartResident(program);
        PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
        EXPECT_TRUE(program.WaitForExit());
    };

    // Only the exact text "TRUE" marks the first run.
    for (const char* marker : {static_cast<const char*>(NULL), "true", "TRUE "}) {
        SetInstallationMarker(marker);
        runOnce();
        EXPECT_EQ(marker ? marker : "(none)", InstallationMarker());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(backup.c_str())) << (marker ? marker : "(none)");
    }

    SetInstallationMarker("TRUE");
    runOnce();
    EXPECT_EQ("FALSE", InstallationMarker());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(backup.c_str())) << "the logos were backed up";

    // The next start finds "FALSE" and backs up nothing again.
    RemoveDirectoryA(backup.c_str());
    runOnce();
    EXPECT_EQ("FALSE", InstallationMarker());
    SetInstallationMarker(NULL);
}

TEST_F(ProgramTest, AnEndRequestWhileOkIsBeingSavedEndsTheProgramCleanly) {
    // The Shutdown logo cannot be installed, so OK stops at a message box.
    const std::string folder = MakeEmptyFolder("endonok");
    const std::string missing = folder + "\\missing.sys";
    WriteWholeFile(folder + "\\ShutdownFileList.txt", missing + "\r\n");
    WriteWholeFile(folder + "\\CurrShutdownFile.txt", missing + "\r\n");

    Program program("", folder);
    StartResident(program);
    HWND sheet = WaitForSheet(program);
    ASSERT_NE(nullptr, sheet);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    HWND box = NULL;
    ASSERT_TRUE(WaitFor([&] { return (box = program.DialogWindow("Error")) != NULL; }, START_TIMEOUT_MS));

    // An uninstall run asks the program to end while the box is open: its
    // tray window goes. Once the box is answered, the rest of OK must not
    // fall over the window it has lost; the program ends normally.
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, NULL);
    EXPECT_TRUE(WaitFor([&] { return program.TrayWindow() == NULL; }, START_TIMEOUT_MS));
    if ((box = program.DialogWindow("Error")) != NULL)
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    EXPECT_TRUE(program.WaitForExit()) << "the program did not end with exit code 0";
    EXPECT_EQ(missing + "\r\n", ReadWholeFile(folder + "\\CurrShutdownFile.txt")) << "OK saved the lists";
}

// What a shell broadcasts when its taskbar has been created (again).
void BroadcastTaskbarCreated() {
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000, NULL);
}

// Takes the icon of `trayWindow` away, as a taskbar that ends does.
void DeleteTrayIcon(HWND trayWindow) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = trayWindow;
    data.uID = 128;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

TEST_F(ProgramTest, TheIconComesBackWhenTheTaskbarIsCreatedAgain) {
    Program program("/cycle", MakeEmptyFolder("taskbar"));
    HWND tray = StartResident(program);
    ASSERT_NE(nullptr, tray);

    // The taskbar ended and took the icon with it; the new one announces itself.
    DeleteTrayIcon(tray);
    ASSERT_FALSE(TrayIconPresent(tray));
    BroadcastTaskbarCreated();
    EXPECT_TRUE(WaitFor([&] { return TrayIconPresent(tray); }, START_TIMEOUT_MS)) << "the icon did not come back";

    // The announcement from a program while the icon is there leaves it there
    // (the broadcast returns once every window has handled it).
    BroadcastTaskbarCreated();
    EXPECT_TRUE(TrayIconPresent(tray));
    // And it keeps working: a double click still opens the sheet.
    SendTrayMouse(tray, WM_LBUTTONDBLCLK);
    HWND sheet = WaitForSheet(program);
    ASSERT_NE(nullptr, sheet);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return program.SheetWindow() == NULL; }, START_TIMEOUT_MS));
    PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_FALSE(TrayIconPresent(tray));
}

// A notification area of the test's own that refuses every icon, as
// Shell_NotifyIcon fails before the taskbar exists. Wine's Shell_NotifyIcon
// hands each request to the first top-level window of class "Shell_TrayWnd"
// as WM_COPYDATA: the request (NIM_ADD ...) in dwData, the icon's window and
// id first in the data. A topmost window of that class comes before Wine's.
class RefusingNotificationArea {
public:
    struct Request {
        DWORD Message;
        HWND Window;
        UINT Id;
        DWORD Tick;
    };

    RefusingNotificationArea() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&windowClass);
        s_area = this;
        m_window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", NULL, WS_POPUP, 0, 0, 1, 1,
                                   NULL, NULL, GetModuleHandleA(NULL), NULL);
    }
    ~RefusingNotificationArea() { Close(); }
    // From now on the requests reach Wine's notification area.
    void Close() {
        if (m_window)
            DestroyWindow(m_window);
        m_window = NULL;
        s_area = NULL;
    }
    HWND Window() const { return m_window; }
    // When each NIM_ADD for `window` came.
    std::vector<DWORD> Adds(HWND window) const {
        std::vector<DWORD> ticks;
        for (const Request& r : m_requests)
            if (r.Message == NIM_ADD && r.Window == window)
                ticks.push_back(r.Tick);
        return ticks;
    }
    const std::vector<Request>& Requests() const { return m_requests; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA && s_area) {
            const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data->cbData >= 2 * sizeof(LONG)) {
                const LONG* fields = static_cast<const LONG*>(data->lpData);
                s_area->m_requests.push_back({static_cast<DWORD>(data->dwData),
                                              reinterpret_cast<HWND>(static_cast<LONG_PTR>(fields[0])),
                                              static_cast<UINT>(fields[1]), GetTickCount()});
            }
            return FALSE;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static RefusingNotificationArea* s_area;
    HWND m_window;
    std::vector<Request> m_requests;
};
RefusingNotificationArea* RefusingNotificationArea::s_area = NULL;

TEST_F(ProgramTest, ARefusedIconIsOfferedAgainForAMinute) {
    RefusingNotificationArea area;
    ASSERT_NE(nullptr, area.Window());
    ASSERT_EQ(area.Window(), FindWindowExA(NULL, NULL, "Shell_TrayWnd", NULL)) << "Wine's would be asked first";

    // A cycle run that starts before the taskbar: no icon, but it stays.
    Program program("/cycle", MakeEmptyFolder("iconretry"));
    ASSERT_TRUE(program.Started());
    HWND tray = NULL;
    ASSERT_TRUE(WaitFor([&] { return (tray = program.TrayWindow()) != NULL && area.Adds(tray).size() >= 3; },
                        START_TIMEOUT_MS + 10000))
        << "the refused icon was not offered again";
    for (const auto& request : area.Requests())
        EXPECT_EQ(128u, request.Id);

    // Every two seconds, for a minute: the first offer and 30 more.
    ASSERT_TRUE(WaitFor([&] { return area.Adds(tray).size() >= 31; }, 120000));
    const DWORD lastOffer = area.Adds(tray).back();
    WaitFor([&] { return GetTickCount() - lastOffer >= 3 * 2000; }, 10000);   // three more periods
    std::vector<DWORD> offers = area.Adds(tray);
    EXPECT_EQ(31u, offers.size()) << "offered again after a minute";
    for (size_t i = 1; i < offers.size(); ++i)
        EXPECT_GE(offers[i] - offers[i - 1], 1500u) << "offer " << i << " came too soon";
    EXPECT_TRUE(program.Running());

    // A taskbar that announces itself gets the icon at once, and another
    // minute of offers while it refuses.
    BroadcastTaskbarCreated();
    EXPECT_EQ(32u, area.Adds(tray).size());
    EXPECT_TRUE(WaitFor([&] { return area.Adds(tray).size() >= 33; }, START_TIMEOUT_MS));
    // Once the notification area takes it, the icon is there and works.
    area.Close();
    ASSERT_TRUE(WaitFor([&] { return TrayIconPresent(tray); }, START_TIMEOUT_MS)) << "the icon never arrived";
    SendTrayMouse(tray, WM_LBUTTONDBLCLK);
    HWND sheet = WaitForSheet(program);
    ASSERT_NE(nullptr, sheet);
    TerminateAnswering(program, tray, IDYES);
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_FALSE(TrayIconPresent(tray));
}

}  // namespace
