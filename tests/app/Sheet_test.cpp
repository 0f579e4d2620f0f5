// imagewheel.exe end to end under Wine, driven through the sheet as a user
// drives it, with real mouse and keyboard input: reorder a logo list, pick
// another current file, change a frequency and the wallpaper style, OK; then
// the files, the profile, the installed logo and the desktop values, the
// sheet reopened, and Terminate with the sheet open discarding changes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "AppTestSupport.h"
#include <commctrl.h>

using namespace apptest;

namespace {

const char PROFILE[] = "imagewheel.ini";
const char BOOT_DRIVE[] = "N";   // mapped to a folder of the build tree by the test fixture
const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const UINT ID_TERMINATE = 0x6000;
const int IDC_FILES = 1041, IDC_CLEAR = 1043, IDC_ADD = 1044, IDC_PERIOD = 1047, IDC_UNIT = 1048, IDC_ADVANCED = 1050,
          IDC_CENTER = 1037;

std::string WindowsDirectory() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    return directory;
}

std::string ProfileValue(const char* key) {
    char value[1024] = "";
    GetPrivateProfileStringA("CONFIG", key, "(none)", value, sizeof value, PROFILE);
    return value;
}

std::string DesktopValue(const char* name) {
    HKEY key;
    std::string value = "(none)";
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    char text[1024];
    DWORD size = sizeof text;
    if (RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS)
        value.assign(text, size && text[size - 1] == '\0' ? size - 1 : size);
    RegCloseKey(key);
    return value;
}

void SetDesktopValue(const char* name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, DESKTOP_KEY, &key) != ERROR_SUCCESS)
        return;
    if (value == "(none)")
        RegDeleteValueA(key, name);
    else
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

// A small 24-bit bitmap whose pixels depend on `seed`.
std::string PictureBytes(unsigned char seed) {
    std::string bytes(54 + 12 * 3, '\0');
    const unsigned long header[] = {static_cast<unsigned long>(bytes.size()), 0, 54, 40, 4, 3};
    bytes[0] = 'B';
    bytes[1] = 'M';
    for (int field = 0; field < 6; ++field)
        for (int i = 0; i < 4; ++i)
            bytes[2 + 4 * field + i] = static_cast<char>((header[field] >> (8 * i)) & 0xFF);
    bytes[26] = 1;
    bytes[28] = 24;
    for (size_t i = 54; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(seed * 7 + i);
    return bytes;
}

// ---------------------------------------------------------------------------
// Real input on the X server (see XInput): the pointer moves, buttons and keys
// go through X and Wine to whatever window is under the pointer or has the
// focus. Each step then waits for what it changes. Keys go to the X window
// that has X's focus, which a click gives (making a window the foreground one
// from another process does not): every key here follows a click in the same
// window.

void MouseClick(HWND window, POINT client) {
    ClientToScreen(window, &client);
    EXPECT_TRUE(ClickAt(client)) << "xdotool could not click at " << client.x << "," << client.y;
}

// A button pressed as a click on it does (BM_CLICK), and a key or characters
// as the keyboard delivers them to a control: posted, so they come in the
// order given; each caller waits for what they change. List entries, the
// Ctrl+arrow moves and the tabs take real input.
void Press(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void PressKeyIn(HWND control, UINT key) {
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void TypeText(HWND focus, const std::string& text) {
    for (char c : text)
        PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// ---------------------------------------------------------------------------
// Reading another process's controls: only messages without pointers (and
// window texts) cross processes, so entries are counted and selections
// compared, and the texts are checked in the files the program writes.

int Count(HWND list) {
    return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
}

int Selection(HWND list) {
    return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
}

// WM_GETTEXT itself: GetWindowText of another process's window gives only
// its caption, never the text of an edit.
std::string WindowText(HWND window) {
    char text[512] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

int ComboSelection(HWND combo) {
    return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// `window` made the foreground window, on top of the others, once Wine
// reports it so: clicks at its places then reach it.
bool Activate(HWND window) {
    SetForegroundWindow(window);
    return WaitFor([&] { return GetForegroundWindow() == window; }, START_TIMEOUT_MS);
}

// The tab control of the sheet, and the index of its selected tab.
HWND TabControl(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
}
int SelectedTab(HWND sheet) {
    return static_cast<int>(SendMessageA(TabControl(sheet), TCM_GETCURSEL, 0, 0));
}

// A double click on the icon, as a user opens the sheet; the sheet once it
// shows page `tab` (the sheet goes back to the page last active after its
// creation) and is the foreground window, or NULL.
HWND OpenSheetFromIcon(const Program& program, HWND tray, int tab) {
    SendTrayMouse(tray, WM_LBUTTONDBLCLK);
    HWND sheet = NULL, page = NULL;
    if (!WaitFor([&] {
            return (sheet = program.SheetWindow()) != NULL && SelectedTab(sheet) == tab &&
                   (page = CurrentPage(sheet)) != NULL && IsWindowVisible(page);
        }, START_TIMEOUT_MS))
        return NULL;
    return Activate(sheet) ? sheet : NULL;
}

// Tab `index`'s rectangle in `tab`'s client area. TCM_GETITEMRECT takes a
// pointer, which another process cannot follow: the rectangle is asked for
// in memory of the tab control's own process.
bool TabItemRect(HWND tab, int index, RECT& rect) {
    DWORD processId = 0;
    GetWindowThreadProcessId(tab, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == NULL)
        return false;
    void* remote = VirtualAllocEx(process, NULL, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    bool read = remote && SendMessageA(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)) &&
                ReadProcessMemory(process, remote, &rect, sizeof rect, NULL);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return read;
}

// A click on tab `index`, as a user moves to another page; its page once it
// is the current one and shows, or NULL.
HWND ShowTab(HWND sheet, int index) {
    HWND tab = TabControl(sheet);
    auto selected = [&] { return SelectedTab(sheet); };
    RECT item;
    if (!TabItemRect(tab, index, item)) {
        ADD_FAILURE() << "no rectangle for tab " << index;
        return NULL;
    }
    MouseClick(tab, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
    HWND page = NULL;
    if (!WaitFor([&] { return selected() == index && (page = CurrentPage(sheet)) != NULL && IsWindowVisible(page); },
                 START_TIMEOUT_MS))
        ADD_FAILURE() << "the click on tab " << index << " left tab " << selected() << " selected";
    return page;
}

// Entry `index` (not the selected one), scrolled into view, clicked in its
// middle; true once it is the selected one.
bool ClickEntry(HWND list, int index) {
    EXPECT_NE(index, SendMessageA(list, LB_GETCURSEL, 0, 0)) << "a click that changes nothing shows nothing";
    SendMessageA(list, LB_SETTOPINDEX, index, 0);
    const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    RECT client;
    GetClientRect(list, &client);
    MouseClick(list, POINT{client.right / 2, (index - top) * height + height / 2});
    return WaitFor([&] { return SendMessageA(list, LB_GETCURSEL, 0, 0) == index; }, START_TIMEOUT_MS);
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        m_wallpaper = DesktopValue("Wallpaper");
        m_tile = DesktopValue("TileWallpaper");
    }
    void TearDown() override {
        Reset();
        SetDesktopValue("Wallpaper", m_wallpaper);
        SetDesktopValue("TileWallpaper", m_tile);
    }
    static void Reset() {
        SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("ImagewheelMessage_KillFirstInstance"), 0, 0,
                            SMTO_ABORTIFHUNG, 5000, NULL);
        DeleteFileA((WindowsDirectory() + "\\" + PROFILE).c_str());
        DeleteFileA((std::string(BOOT_DRIVE) + ":\\Logo.sys").c_str());
    }
    std::string m_wallpaper, m_tile;
};

TEST_F(SheetTest, TheUsersChoicesReachEveryFileAndTerminateDiscardsThem) {
    const std::string folder = MakeEmptyFolder("sheet");
    std::string s[3], w[2];
    for (int i = 0; i < 3; ++i) {
        s[i] = folder + "\\signon" + std::to_string(i + 1) + ".bmp";
        WriteWholeFile(s[i], PictureBytes(static_cast<unsigned char>(10 + i)));
    }
    for (int i = 0; i < 2; ++i) {
        w[i] = folder + "\\wall" + std::to_string(i + 1) + ".bmp";
        WriteWholeFile(w[i], PictureBytes(static_cast<unsigned char>(50 + i)));
    }
    WriteWholeFile(folder + "\\SignonFileList.txt", s[0] + "\r\n" + s[1] + "\r\n" + s[2] + "\r\n");
    WriteWholeFile(folder + "\\CurrSignonFile.txt", s[0] + "\r\n");
    WriteWholeFile(folder + "\\WallpaperFileList.txt", w[0] + "\r\n" + w[1] + "\r\n");
    WriteWholeFile(folder + "\\CurrWallpaperFile.txt", w[0] + "\r\n");
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", BOOT_DRIVE, PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_FREQ", "1", PROFILE);   // days: no cycling meanwhile
    WritePrivateProfileStringA(NULL, NULL, NULL, PROFILE);

    Program program("", folder);
    ASSERT_TRUE(program.Started());
    HWND tray = NULL;
    ASSERT_TRUE(WaitFor([&] { return (tray = program.TrayWindow()) != NULL && TrayIconPresent(tray); },
                        START_TIMEOUT_MS));
    // The configuration run opens the sheet at once; close it and open it
    // again from the icon, as a user coming back later would.
    HWND sheet = NULL;
    ASSERT_TRUE(WaitFor([&] { return (sheet = program.SheetWindow()) != NULL; }, START_TIMEOUT_MS));
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return program.SheetWindow() == NULL; }, START_TIMEOUT_MS));
    sheet = OpenSheetFromIcon(program, tray, 0);
    ASSERT_NE(nullptr, sheet);

    // Signon: as loaded, with the special entry last and the current file selected.
    HWND page = CurrentPage(sheet);
    HWND list = GetDlgItem(page, IDC_FILES);
    ASSERT_EQ(4, Count(list));
    EXPECT_EQ(0, Selection(list));

    // Ctrl+Down moves the first entry one place down (the list file shows
    // where it went); then the third is picked.
    ASSERT_TRUE(ClickEntry(list, 1));   // a click that shows: the list has the focus
    ASSERT_TRUE(ClickEntry(list, 0));
    EXPECT_TRUE(PressKeys("ctrl+Down", [&] { return Selection(list) == 1; }));
    EXPECT_TRUE(ClickEntry(list, 2));

    // Every 3 days instead of every boot.
    HWND unit = GetDlgItem(page, IDC_UNIT), period = GetDlgItem(page, IDC_PERIOD);
    EXPECT_EQ(0, ComboSelection(unit)) << "Boot";
    EXPECT_FALSE(IsWindowEnabled(period));
    PressKeyIn(unit, VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return ComboSelection(unit) == 1 /* Days */ && IsWindowEnabled(period); }, START_TIMEOUT_MS));
    SendMessageA(period, EM_SETSEL, 0, -1);   // as a double click on the number does
    TypeText(period, "3");
    EXPECT_TRUE(WaitFor([&] { return WindowText(period) == "3"; }, START_TIMEOUT_MS));

    // Wallpaper: the second picture, centred.
    page = ShowTab(sheet, 3);
    ASSERT_NE(nullptr, page);
    list = GetDlgItem(page, IDC_FILES);
    EXPECT_EQ(2, Count(list));
    EXPECT_TRUE(ClickEntry(list, 1));
    Press(GetDlgItem(page, IDC_ADVANCED));
    HWND advanced = NULL;
    ASSERT_TRUE(WaitFor([&] { return (advanced = program.DialogWindow("Advanced Options")) != NULL; }, START_TIMEOUT_MS));
    Press(GetDlgItem(advanced, IDC_CENTER));
    EXPECT_TRUE(WaitFor([&] { return IsDlgButtonChecked(advanced, IDC_CENTER) == BST_CHECKED; }, START_TIMEOUT_MS));
    Press(GetDlgItem(advanced, IDOK));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(advanced); }, START_TIMEOUT_MS));

    Press(GetDlgItem(sheet, IDOK));
    const std::string logo = std::string(BOOT_DRIVE) + ":\\Logo.sys";
    ASSERT_TRUE(WaitFor([&] { return program.SheetWindow() == NULL && ReadWholeFile(logo) == PictureBytes(12); },
                        START_TIMEOUT_MS))
        << "the third Signon picture was not installed";

    // The lists and current files, line by line with CR LF; the special entry
    // is never written.
    EXPECT_EQ(s[1] + "\r\n" + s[0] + "\r\n" + s[2] + "\r\n", ReadWholeFile(folder + "\\SignonFileList.txt"));
    EXPECT_EQ(s[2] + "\r\n", ReadWholeFile(folder + "\\CurrSignonFile.txt"));
    EXPECT_EQ(w[0] + "\r\n" + w[1] + "\r\n", ReadWholeFile(folder + "\\WallpaperFileList.txt"));
    EXPECT_EQ(w[1] + "\r\n", ReadWholeFile(folder + "\\CurrWallpaperFile.txt"));
    for (const char* name : {"Shutdown", "Signoff"}) {
        EXPECT_EQ("", ReadWholeFile(folder + "\\" + name + "FileList.txt")) << name;
        EXPECT_EQ("\r\n", ReadWholeFile(folder + "\\Curr" + name + "File.txt")) << name;
    }
    // The whole section, with the choices.
    EXPECT_EQ("1", ProfileValue("SIGNON_CYCLE_FREQ"));
    EXPECT_EQ("3", ProfileValue("SIGNON_CYCLE_PERIOD"));
    EXPECT_EQ("0", ProfileValue("SIGNON_CYCLE_ORDER"));
    EXPECT_EQ("1", ProfileValue("SIGNON_CYCLE_ENABLE"));
    EXPECT_EQ("1", ProfileValue("WALLPAPER_DISPLAY_STYLE"));
    EXPECT_EQ("1", ProfileValue("WALLPAPER_CYCLE_FREQ"));
    EXPECT_EQ("15", ProfileValue("WALLPAPER_CYCLE_PERIOD"));
    EXPECT_EQ("N", ProfileValue("BOOT_DRIVE"));
    for (const char* key : {"SHUTDOWN_LIST_FILENAME", "CURR_SIGNOFF_FILE_FILENAME", "SIGNOFF_CYCLE_ENABLE"})
        EXPECT_NE("(none)", ProfileValue(key)) << key;
    // The desktop shows the chosen picture, centred.
    EXPECT_TRUE(WaitFor([&] { return DesktopValue("Wallpaper") == w[1]; }, START_TIMEOUT_MS)) << DesktopValue("Wallpaper");
    EXPECT_EQ("0", DesktopValue("TileWallpaper"));

    // Reopened, the sheet shows what was saved, on the page last active.
    sheet = OpenSheetFromIcon(program, tray, 3);
    ASSERT_NE(nullptr, sheet) << "reopens on Wallpaper";
    page = CurrentPage(sheet);
    list = GetDlgItem(page, IDC_FILES);
    EXPECT_EQ(2, Count(list)) << "reopens on Wallpaper";
    EXPECT_EQ(1, Selection(list));
    page = ShowTab(sheet, 0);
    ASSERT_NE(nullptr, page);
    list = GetDlgItem(page, IDC_FILES);
    EXPECT_EQ(4, Count(list));
    EXPECT_EQ(2, Selection(list));
    EXPECT_EQ(1, ComboSelection(GetDlgItem(page, IDC_UNIT))) << "Days";
    EXPECT_EQ("3", WindowText(GetDlgItem(page, IDC_PERIOD)));

    // OK without a change writes the same files again: the pages held what
    // was saved, in its order.
    const std::string signonList = ReadWholeFile(folder + "\\SignonFileList.txt");
    const std::string profileSaved = ReadWholeFile(WindowsDirectory() + "\\" + PROFILE);
    DeleteFileA((folder + "\\CurrWallpaperFile.txt").c_str());
    Press(GetDlgItem(sheet, IDOK));
    ASSERT_TRUE(WaitFor([&] {
        return program.SheetWindow() == NULL &&
               GetFileAttributesA((folder + "\\CurrWallpaperFile.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
    }, START_TIMEOUT_MS));
    EXPECT_EQ(signonList, ReadWholeFile(folder + "\\SignonFileList.txt"));
    EXPECT_EQ(s[2] + "\r\n", ReadWholeFile(folder + "\\CurrSignonFile.txt"));
    EXPECT_EQ(w[1] + "\r\n", ReadWholeFile(folder + "\\CurrWallpaperFile.txt"));
    EXPECT_EQ(profileSaved, ReadWholeFile(WindowsDirectory() + "\\" + PROFILE));

    sheet = OpenSheetFromIcon(program, tray, 0);
    ASSERT_NE(nullptr, sheet) << "reopens on Signon";
    page = CurrentPage(sheet);
    list = GetDlgItem(page, IDC_FILES);
    ASSERT_EQ(4, Count(list)) << "reopens on Signon";

    // Changes, then Terminate with the sheet open and Yes: nothing is saved.
    Press(GetDlgItem(page, IDC_CLEAR));
    EXPECT_TRUE(WaitFor([&] { return Count(list) == 1; }, START_TIMEOUT_MS)) << "only the special entry";
    const std::string profileBefore = ReadWholeFile(WindowsDirectory() + "\\" + PROFILE);
    const std::string listBefore = ReadWholeFile(folder + "\\SignonFileList.txt");
    PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
    HWND box = NULL;
    ASSERT_TRUE(WaitFor([&] { return (box = program.DialogWindow("Imagewheel -- Discard changes?")) != NULL; },
                        START_TIMEOUT_MS));
    Press(GetDlgItem(box, IDYES));
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_EQ(profileBefore, ReadWholeFile(WindowsDirectory() + "\\" + PROFILE));
    EXPECT_EQ(listBefore, ReadWholeFile(folder + "\\SignonFileList.txt"));
    EXPECT_EQ(s[2] + "\r\n", ReadWholeFile(folder + "\\CurrSignonFile.txt"));
    EXPECT_EQ(PictureBytes(12), ReadWholeFile(logo));
}

// A list file as damaged or hand-made lists come: 10,000 lines, some of 300
// characters (two entries each by the list rules), bytes of nearly every
// value, names of missing files, folders and devices. The sheet opens with
// it at once, and OK writes every entry back as it was loaded.
TEST_F(SheetTest, HostileListsOpenAndComeBackAsLoaded) {
    const std::string folder = MakeEmptyFolder("hostile");
    const std::string picture = folder + "\\real.bmp";
    WriteWholeFile(picture, PictureBytes(77));
    std::string garbage;
    for (int c = 1; c < 256; ++c)
        if (c != '\n' && c != '\r' && c != 0x1A)   // line ends, and the end-of-file mark of text files
            garbage += static_cast<char>(c);
    const char* odd[] = {"C:\\missing\\none.bmp", "C:\\windows", "C:\\", "NUL", "CON", "LPT1", "",
                         "\\\\.\\PhysicalDrive0", "*.*"};
    // IW_SHEET_LINES asks for another length (for measuring by hand).
    char lines[16] = "";
    GetEnvironmentVariableA("IW_SHEET_LINES", lines, sizeof lines);
    const int lineCount = lines[0] ? atoi(lines) : 10000;
    std::string file = picture + "\r\n", saved = file;
    int entries = 1;
    for (int i = 1; i < lineCount; ++i) {
        std::string line;
        if (i % 50 == 0) {
            line = std::string(300, static_cast<char>('a' + i % 26));
            saved += line.substr(0, 255) + "\r\n" + line.substr(255) + "\r\n";
            ++entries;
        } else {
            line = i % 37 == 0 ? garbage.substr(i % 40)
                   : i % 23 == 0 ? std::string(odd[i / 23 % (sizeof odd / sizeof odd[0])])
                                 : "C:\\pictures\\" + std::to_string(i) + ".bmp";
            saved += line + "\r\n";
        }
        file += line + "\r\n";
        ++entries;
    }
    for (const char* name : {"Signon", "Wallpaper"}) {
        WriteWholeFile(folder + "\\" + name + "FileList.txt", file);
        WriteWholeFile(folder + "\\Curr" + name + "File.txt", picture + "\r\n");
    }
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", BOOT_DRIVE, PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_FREQ", "1", PROFILE);
    WritePrivateProfileStringA(NULL, NULL, NULL, PROFILE);

    // Loading two lists of 10,000 lines takes the engine's loader a while
    // until its vector is sized up front; the bound is for a hang, not speed.
    const DWORD LOAD_TIMEOUT_MS = 90000;
    const DWORD start = GetTickCount();
    Program program("", folder);
    ASSERT_TRUE(program.Started());
    HWND sheet = NULL, page = NULL;
    ASSERT_TRUE(WaitFor([&] {
        return (sheet = program.SheetWindow()) != NULL && (page = CurrentPage(sheet)) != NULL &&
               Count(GetDlgItem(page, IDC_FILES)) == entries + 1;
    }, LOAD_TIMEOUT_MS)) << "Signon: the entries and the special one; shown: "
                           << (page ? Count(GetDlgItem(page, IDC_FILES)) : -1) << " of " << entries + 1;
    const DWORD signonShown = GetTickCount() - start;
    ASSERT_TRUE(Activate(sheet));
    page = ShowTab(sheet, 3);
    ASSERT_NE(nullptr, page);
    ASSERT_TRUE(WaitFor([&] { return Count(GetDlgItem(page, IDC_FILES)) == entries; }, START_TIMEOUT_MS));
    EXPECT_EQ(0, Selection(GetDlgItem(page, IDC_FILES)));
    const DWORD okPressed = GetTickCount();
    const std::string current = folder + "\\CurrWallpaperFile.txt";
    DeleteFileA(current.c_str());
    Press(GetDlgItem(sheet, IDOK));
    ASSERT_TRUE(WaitFor([&] {
        return program.SheetWindow() == NULL && GetFileAttributesA(current.c_str()) != INVALID_FILE_ATTRIBUTES;
    }, START_TIMEOUT_MS));
    printf("[ INFO     ] %d entries: Signon page shown %lu ms after the start, OK saved in %lu ms\n", entries,
           signonShown, GetTickCount() - okPressed);

    for (const char* name : {"Signon", "Wallpaper"}) {
        EXPECT_TRUE(saved == ReadWholeFile(folder + "\\" + name + "FileList.txt")) << name << ": not as loaded";
        EXPECT_EQ(picture + "\r\n", ReadWholeFile(folder + "\\Curr" + name + "File.txt")) << name;
    }
    // The logos are installed after the lists are written: wait for them.
    const std::string logo = std::string(BOOT_DRIVE) + ":\\Logo.sys";
    EXPECT_TRUE(WaitFor([&] { return ReadWholeFile(logo) == PictureBytes(77); }, START_TIMEOUT_MS))
        << "Logo.sys holds " << ReadWholeFile(logo).size() << " bytes";
    EXPECT_TRUE(program.Running());
}

// The edit of the open-file dialog where the file name is typed.
BOOL CALLBACK FindFileNameEdit(HWND window, LPARAM lParam) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

// Add on the Signon page with a picture that is no start-up screen, Yes to
// the question: the screen made beside the program is what OK installs as
// Logo.sys, byte for byte.
TEST_F(SheetTest, AScreenMadeOfAPictureIsInstalledAsItIs) {
    const std::string folder = MakeEmptyFolder("screen");
    const std::string picture = folder + "\\beach.bmp";
    WriteWholeFile(picture, PictureBytes(33));
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", BOOT_DRIVE, PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_FREQ", "1", PROFILE);
    WritePrivateProfileStringA(NULL, NULL, NULL, PROFILE);

    Program program("", folder);
    ASSERT_TRUE(program.Started());
    HWND sheet = NULL, page = NULL;
    ASSERT_TRUE(WaitFor([&] { return (sheet = program.SheetWindow()) != NULL && (page = CurrentPage(sheet)) != NULL; },
                        START_TIMEOUT_MS));
    SetForegroundWindow(sheet);
    HWND list = GetDlgItem(page, IDC_FILES);
    const int before = Count(list);

    Press(GetDlgItem(page, IDC_ADD));
    HWND dialog = NULL, edit = NULL;
    ASSERT_TRUE(WaitFor([&] {
        dialog = program.DialogWindow("Select file to add to list");
        if (dialog)
            EnumChildWindows(dialog, FindFileNameEdit, reinterpret_cast<LPARAM>(&edit));
        return edit != NULL;
    }, START_TIMEOUT_MS));
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picture.c_str()));
    Press(GetDlgItem(dialog, IDOK));
    HWND box = NULL;
    ASSERT_TRUE(WaitFor([&] { return (box = program.DialogWindow("Imagewheel -- Make screen?")) != NULL; },
                        START_TIMEOUT_MS));
    const std::string question = MessageBoxText(box);
    EXPECT_NE(std::string::npos, question.find("a bitmap, 4 x 3, 16.7 million colours")) << question;
    Press(GetDlgItem(box, IDYES));
    ASSERT_TRUE(WaitFor([&] { return Count(list) == before + 1; }, START_TIMEOUT_MS));
    EXPECT_EQ(0, Selection(list));

    const std::string screen = folder + "\\Screens\\beach.sys";
    const std::string made = ReadWholeFile(screen);
    ASSERT_EQ(129078u, made.size()) << "a 320 x 400 bitmap of 256 colours beside the program";
    EXPECT_EQ("BM", made.substr(0, 2));
    Press(GetDlgItem(sheet, IDOK));
    const std::string logo = std::string(BOOT_DRIVE) + ":\\Logo.sys";
    EXPECT_TRUE(WaitFor([&] { return program.SheetWindow() == NULL && ReadWholeFile(logo) == made; },
                        START_TIMEOUT_MS)) << "Logo.sys is not the screen made";
    EXPECT_EQ(screen + "\r\n", ReadWholeFile(folder + "\\CurrSignonFile.txt"));
    EXPECT_EQ(PictureBytes(33), ReadWholeFile(picture)) << "the picture itself stays";
}

}  // namespace
