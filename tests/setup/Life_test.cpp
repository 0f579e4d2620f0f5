// The whole life of an installation, in a prefix made for this run alone:
// the setup program installs silently, Windows starts the Run entry at log-on,
// the user configures, cycles and uninstalls from the Control Panel or with the
// uninstaller itself.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shlguid.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include "AppTestSupport.h"

using namespace apptest;

namespace {

const char INSTALL_DIR[] = "C:\\Program Files\\Imagewheel";
const char PICTURES[] = "C:\\My Pictures";
const char MARKER_KEY[] = "software\\velmorra software\\imagewheel\\1.91";
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Imagewheel 1.91";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const char UNINSTALL_CAPTION[] = "Imagewheel 1.91 Uninstall";
const UINT ID_TERMINATE = 0x6000;
const DWORD WAIT_MS = 60000;   // a whole setup or uninstall under a loaded Wine

std::string Installed(const char* name) { return std::string(INSTALL_DIR) + "\\" + name; }
std::string Picture(const char* name) { return std::string(PICTURES) + "\\" + name; }

std::string WindowsDir() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    return directory;
}
std::string Profile() { return WindowsDir() + "\\IMAGEWHEEL.INI"; }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}
// Compares file contents without printing them.
::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected.size() << " bytes, found "
                                         << (actual == "<missing>" ? std::string("no file")
                                                                   : std::to_string(actual.size()) + " other bytes");
}
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A bitmap-sized text that differs for every seed.
std::string Content(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed * 31 + i / 253) & 0xFF);
    return bytes;
}

std::string RegString(HKEY root, const char* key, const char* name) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return "<no key>";
    char value[2048];
    DWORD size = sizeof value - 1;
    std::string result = "<missing>";
    if (RegQueryValueExA(opened, name, NULL, NULL, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
        value[size] = '\0';
        result = value;
    }
    RegCloseKey(opened);
    return result;
}
bool KeyExists(HKEY root, const char* key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}
void SetRegString(HKEY root, const char* key, const char* name, const std::string& value) {
    HKEY opened;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root, key, &opened));
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

std::string ProfileString(const char* key) {
    char text[1024];
    GetPrivateProfileStringA("CONFIG", key, "<missing>", text, sizeof text, Profile().c_str());
    return text;
}

// A process started from a whole command line, as the shell or Windows start one.
class Process {
public:
    Process(const std::string& commandLine, const std::string& directory) : m_info() {
        std::vector<char> text(commandLine.begin(), commandLine.end());
        text.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(NULL, text.data(), NULL, NULL, FALSE, 0, NULL, directory.c_str(), &startup, &m_info))
            m_info = PROCESS_INFORMATION();
    }
    ~Process() {
        if (!m_info.hProcess) return;
        if (Running()) TerminateProcess(m_info.hProcess, 1);
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return m_info.hProcess != NULL; }
    bool Running() const { return Started() && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code once ended in time, otherwise -1.
    long ExitCode(DWORD timeoutMs = WAIT_MS) const {
        DWORD code = 0;
        if (!Started() || WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_info.hProcess, &code))
            return -1;
        return static_cast<long>(code);
    }
    DWORD Id() const { return m_info.dwProcessId; }

private:
    PROCESS_INFORMATION m_info;
};

struct WindowQuery {
    DWORD ProcessId;     // 0: any process
    std::string Caption;
    bool Dialog;         // a visible dialog, or else the hidden tray window
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    WindowQuery* query = reinterpret_cast<WindowQuery*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char text[256] = "", name[64] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, name, sizeof name);
    const bool dialog = std::string(name) == "#32770";
    // The setup program's wizard pages add a blank to its caption.
    std::string caption = text;
    while (!caption.empty() && caption.back() == ' ') caption.pop_back();
    if ((query->ProcessId == 0 || owner == query->ProcessId) && query->Caption == caption &&
        dialog == query->Dialog && (IsWindowVisible(window) != FALSE) == query->Dialog) {
        query->Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(const char* caption, DWORD processId = 0) {
    WindowQuery query = {processId, caption, true, NULL};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.Found;
}

// The tray window of a resident run, once its icon is there.
HWND WaitForResident(const Process& program) {
    HWND tray = NULL;
    WaitFor([&] {
        WindowQuery query = {program.Id(), "Imagewheel", false, NULL};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
        tray = query.Found;
        return tray != NULL && TrayIconPresent(tray);
    }, WAIT_MS);
    return tray;
}

void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string TextOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM lParam) {
    if (!IsWindowVisible(window)) return TRUE;
    char text[256] = "", name[64] = "";
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, name, sizeof name);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    *reinterpret_cast<std::string*>(lParam) += std::string("\n  \"") + text + "\" (" + name + ", process " +
                                               std::to_string(owner) + ")";
    return TRUE;
}

std::string VisibleWindowList() {
    std::string list;
    EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

// The uninstaller as a user answers it: "Uninstall" on its first page, then
// "Close" once it has finished. True when its window has gone.
bool DriveUninstaller() {
    HWND wizard = NULL;
    if (!WaitFor([&] { return (wizard = FindDialog(UNINSTALL_CAPTION)) != NULL; }, WAIT_MS)) {
        ADD_FAILURE() << "the uninstaller did not open; visible windows:" << VisibleWindowList();
        return false;
    }
    HWND next = GetDlgItem(wizard, IDOK);
    EXPECT_TRUE(WaitFor([&] { return TextOf(next) == "&Uninstall" && IsWindowEnabled(next); }, WAIT_MS))
        << TextOf(next);
    Click(wizard, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(wizard) || (TextOf(next) == "&Close" && IsWindowEnabled(next)); },
                        WAIT_MS))
        << TextOf(next);
    if (IsWindow(wizard)) Click(wizard, IDOK);
    return WaitFor([&] { return !IsWindow(wizard); }, WAIT_MS);
}

// What a shortcut starts: target, arguments and working directory.
struct Shortcut {
    std::string Target, Arguments, Directory;
};
bool ReadShortcut(const std::string& link, Shortcut& shortcut) {
    IShellLinkA* shellLink = NULL;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    IPersistFile* file = NULL;
    bool loaded = false;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        loaded = SUCCEEDED(file->Load(wide, STGM_READ));
        file->Release();
    }
    char text[MAX_PATH] = "";
    if (loaded) {
        shellLink->GetPath(text, MAX_PATH, NULL, SLGP_RAWPATH);
        shortcut.Target = text;
        shellLink->GetArguments(text, MAX_PATH);
        shortcut.Arguments = text;
        shellLink->GetWorkingDirectory(text, MAX_PATH);
        shortcut.Directory = text;
    }
    shellLink->Release();
    return loaded;
}

std::string ShortcutPath() {
    char programs[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, programs, CSIDL_COMMON_PROGRAMS, FALSE);
    return std::string(programs) + "\\Imagewheel.lnk";
}

class LifeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(NULL); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override {
        CreateDirectoryA(PICTURES, NULL);
        // The logos Windows shipped with, and the user's own pictures.
        WriteBytes("C:\\Logo.sys", shippedSignon);
        WriteBytes(WindowsDir() + "\\Logow.sys", shippedShutdown);
        WriteBytes(WindowsDir() + "\\Logos.sys", shippedSignoff);
        WriteBytes(Picture("sunset.bmp"), sunset);
        WriteBytes(Picture("sunrise.bmp"), sunrise);
        SetRegString(HKEY_CURRENT_USER, DESKTOP_KEY, "Wallpaper", Picture("sunset.bmp"));
        SetRegString(HKEY_CURRENT_USER, DESKTOP_KEY, "TileWallpaper", "0");
    }

    // The setup program run silently into INSTALL_DIR.
    void InstallSilently() {
        Process setup("\"" + WindowsPath(IW_SETUP_EXE) + "\" /S /D=" + INSTALL_DIR, "C:\\");
        ASSERT_TRUE(setup.Started());
        ASSERT_EQ(0, setup.ExitCode()) << "silent setup failed";
    }

    // The cycle run at log-on: the Run entry's command, in Windows' current directory.
    HWND StartAtLogOn(std::unique_ptr<Process>& program) {
        program.reset(new Process(RegString(HKEY_LOCAL_MACHINE, RUN_KEY, "Imagewheel"), WindowsDir()));
        EXPECT_TRUE(program->Started());
        HWND tray = WaitForResident(*program);
        EXPECT_NE(nullptr, tray) << "the Run entry's command did not become resident";
        return tray;
    }

    // Everything setup and the program wrote is gone; the user's pictures and
    // the logos Windows shipped with are there as they were.
    void ExpectNothingLeft() {
        for (const char* name : {"imagewheel.exe", "uninstall.exe", "OriginalLogos", "SignonFileList.txt",
                                 "CurrSignonFile.txt", "ShutdownFileList.txt", "CurrShutdownFile.txt",
                                 "SignoffFileList.txt", "CurrSignoffFile.txt", "WallpaperFileList.txt",
                                 "CurrWallpaperFile.txt"})
            EXPECT_FALSE(Exists(Installed(name))) << name << " left behind";
        EXPECT_FALSE(Exists(Profile()));
        EXPECT_FALSE(Exists(ShortcutPath()));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "software\\velmorra software"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
        EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, RUN_KEY, "Imagewheel"));
        EXPECT_TRUE(SameBytes(shippedSignon, ReadBytes("C:\\logo.sys")));
        EXPECT_TRUE(SameBytes(shippedShutdown, ReadBytes(WindowsDir() + "\\logow.sys")));
        EXPECT_TRUE(SameBytes(shippedSignoff, ReadBytes(WindowsDir() + "\\logos.sys")));
        EXPECT_TRUE(SameBytes(sunset, ReadBytes(Picture("sunset.bmp"))));
        EXPECT_TRUE(SameBytes(sunrise, ReadBytes(Picture("sunrise.bmp"))));
    }

    const std::string shippedSignon = Content(3000, 1), shippedShutdown = Content(2000, 2),
                      shippedSignoff = Content(1500, 3), sunset = Content(1200, 4), sunrise = Content(1300, 5),
                      holiday = Content(900, 6);
};

TEST_F(LifeTest, InstallStartConfigureCycleAndUninstallFromTheControlPanel) {
    InstallSilently();
    const std::string builtProgram = ReadBytes(WindowsPath(IW_IMAGEWHEEL_EXE));
    EXPECT_TRUE(SameBytes(builtProgram, ReadBytes(Installed("imagewheel.exe"))));
    EXPECT_TRUE(Exists(Installed("uninstall.exe")));
    EXPECT_EQ("TRUE", RegString(HKEY_LOCAL_MACHINE, MARKER_KEY, "new installation"));
    EXPECT_EQ("Imagewheel 1.91", RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));
    const std::string uninstaller = "\"" + Installed("uninstall.exe") + "\"";
    EXPECT_EQ(uninstaller, RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    EXPECT_EQ("\"" + Installed("imagewheel.exe") + "\" /cycle", RegString(HKEY_LOCAL_MACHINE, RUN_KEY, "Imagewheel"));
    Shortcut shortcut;
    ASSERT_TRUE(ReadShortcut(ShortcutPath(), shortcut)) << ShortcutPath();
    EXPECT_EQ(Installed("imagewheel.exe"), shortcut.Target);
    EXPECT_EQ("", shortcut.Arguments) << "a configuration run";
    EXPECT_EQ(INSTALL_DIR, shortcut.Directory);
    // A picture the user keeps in the program's folder.
    WriteBytes(Installed("holiday.bmp"), holiday);

    // Log-on: the first start after setup.
    std::unique_ptr<Process> resident;
    HWND tray = StartAtLogOn(resident);
    ASSERT_NE(nullptr, tray);
    EXPECT_TRUE(SameBytes(shippedSignon, ReadBytes(Installed("OriginalLogos\\Logo.sys"))));
    EXPECT_TRUE(SameBytes(shippedShutdown, ReadBytes(Installed("OriginalLogos\\Logow.sys"))));
    EXPECT_TRUE(SameBytes(shippedSignoff, ReadBytes(Installed("OriginalLogos\\Logos.sys"))));
    EXPECT_EQ("FALSE", RegString(HKEY_LOCAL_MACHINE, MARKER_KEY, "new installation"));
    EXPECT_EQ("\"" + Installed("imagewheel.exe") + "\" /uninstall",
              RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    EXPECT_EQ(uninstaller, ProfileString("UNINSTALL_STRING"));
    for (const char* name : {"SignonFileList.txt", "CurrSignonFile.txt", "ShutdownFileList.txt",
                             "CurrShutdownFile.txt", "SignoffFileList.txt", "CurrSignoffFile.txt"}) {
        EXPECT_TRUE(Exists(Installed(name))) << name;
        EXPECT_FALSE(Exists(WindowsDir() + "\\" + name)) << name << " written in the start's directory";
    }
    EXPECT_TRUE(SameBytes(shippedSignon, ReadBytes("C:\\Logo.sys"))) << "only the original to show so far";

    // The Start menu shortcut while the program runs: the running instance
    // opens its sheet; OK saves everything, the imported wallpaper included.
    {
        Process configuration("\"" + shortcut.Target + "\"", shortcut.Directory);
        EXPECT_EQ(0, configuration.ExitCode());
    }
    HWND sheet = NULL;
    ASSERT_TRUE(WaitFor([&] { return (sheet = FindDialog("Imagewheel", resident->Id())) != NULL; }, WAIT_MS))
        << "the running instance did not open its sheet";
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitFor([] { return Exists(Installed("CurrWallpaperFile.txt")); }, WAIT_MS));
    EXPECT_EQ(Picture("sunset.bmp") + "\r\n", ReadBytes(Installed("WallpaperFileList.txt")));
    EXPECT_EQ("1", ProfileString("WALLPAPER_DISPLAY_STYLE")) << "centred, as the desktop was";
    EXPECT_TRUE(resident->Running());

    // The user lists pictures for the start-up and shut-down screens; at the
    // next log-on both are due and installed.
    PostMessageA(tray, WM_COMMAND, ID_TERMINATE, 0);
    ASSERT_EQ(0, resident->ExitCode());
    WriteBytes(Installed("SignonFileList.txt"), Picture("sunrise.bmp") + "\r\n");
    WriteBytes(Installed("ShutdownFileList.txt"), Installed("holiday.bmp") + "\r\n");
    tray = StartAtLogOn(resident);
    ASSERT_NE(nullptr, tray);
    EXPECT_TRUE(SameBytes(sunrise, ReadBytes("C:\\Logo.sys")));
    EXPECT_TRUE(SameBytes(holiday, ReadBytes(WindowsDir() + "\\Logow.sys")));
    EXPECT_EQ(Picture("sunrise.bmp") + "\r\n", ReadBytes(Installed("CurrSignonFile.txt")));
    EXPECT_TRUE(SameBytes(shippedSignon, ReadBytes(Installed("OriginalLogos\\Logo.sys")))) << "the backup is made once";

    // Torn files a write cut short by a power failure leaves.
    WriteBytes(Installed("SignonFileList.txt.part"), "torn");
    WriteBytes(WindowsDir() + "\\Logos.sys.part", "torn");
    // A wallpaper the program rendered, on the desktop: the uninstall clears
    // the desktop and removes the file, so the folder can go.
    WriteBytes(Installed("Rendered.bmp"), "BM");
    WriteBytes(Installed("Rendered.bmp.tmp"), "BM");
    SetRegString(HKEY_CURRENT_USER, DESKTOP_KEY, "Wallpaper", Installed("Rendered.bmp"));

    // Control Panel, Add/Remove Programs: the entry's command while the
    // program is resident.
    Process uninstall(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"), WindowsDir());
    ASSERT_TRUE(uninstall.Started());
    EXPECT_EQ(0, resident->ExitCode()) << "the resident instance was not stopped";
    EXPECT_EQ(0, uninstall.ExitCode());
    EXPECT_TRUE(SameBytes(shippedSignon, ReadBytes("C:\\logo.sys")));
    EXPECT_TRUE(SameBytes(shippedShutdown, ReadBytes(WindowsDir() + "\\logow.sys")));
    EXPECT_TRUE(SameBytes(shippedSignoff, ReadBytes(WindowsDir() + "\\logos.sys")));
    ASSERT_TRUE(DriveUninstaller());
    ExpectNothingLeft();
    EXPECT_FALSE(Exists(Installed("Rendered.bmp")));
    EXPECT_FALSE(Exists(Installed("Rendered.bmp.tmp")));
    EXPECT_EQ("", RegString(HKEY_CURRENT_USER, DESKTOP_KEY, "Wallpaper"));
    EXPECT_FALSE(Exists(Installed("SignonFileList.txt.part")));
    EXPECT_FALSE(Exists(WindowsDir() + "\\Logos.sys.part"));
    EXPECT_TRUE(SameBytes(holiday, ReadBytes(Installed("holiday.bmp")))) << "the user's picture in the program's folder";
    DeleteFileA(Installed("holiday.bmp").c_str());
    RemoveDirectoryA(INSTALL_DIR);
}

TEST_F(LifeTest, TheUninstallerStartedDirectlyPutsTheLogosBackFirst) {
    InstallSilently();
    // A list before the first start: that start installs the picture.
    WriteBytes(Installed("SignonFileList.txt"), Picture("sunrise.bmp") + "\r\n");
    WriteBytes(Installed("CurrSignonFile.txt"), "\r\n");
    std::unique_ptr<Process> resident;
    ASSERT_NE(nullptr, StartAtLogOn(resident));
    ASSERT_TRUE(SameBytes(sunrise, ReadBytes("C:\\Logo.sys")));
    ASSERT_TRUE(SameBytes(shippedSignon, ReadBytes(Installed("OriginalLogos\\Logo.sys"))));

    // Started from the install folder, silently: it hands over to the
    // program's uninstall run, which stops the resident instance, puts the
    // logos back and starts the uninstaller again (as the user sees it).
    Process direct("\"" + Installed("uninstall.exe") + "\" /S", INSTALL_DIR);
    ASSERT_TRUE(direct.Started());
    EXPECT_EQ(0, resident->ExitCode()) << "the resident instance was not stopped";
    ASSERT_TRUE(WaitFor([] { return !Exists(Installed("OriginalLogos")); }, WAIT_MS));
    EXPECT_TRUE(SameBytes(shippedSignon, ReadBytes("C:\\logo.sys")));
    EXPECT_TRUE(Exists(Installed("imagewheel.exe"))) << "nothing removed before the logos are back";
    ASSERT_TRUE(DriveUninstaller());
    ExpectNothingLeft();
    RemoveDirectoryA(INSTALL_DIR);
    EXPECT_FALSE(Exists(INSTALL_DIR));
}

}  // namespace
