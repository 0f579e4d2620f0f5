// The real program in a prepared prefix: a cycle run at its first start after
// setup, then an uninstall run.
#include "EngineTestSupport.h"

using namespace enginetest;

namespace {

const char APP_DIR[] = "C:\\iwengine\\work\\app\\";
const char APP_PROFILE[] = "IMAGEWHEEL.INI";
const char MARKER_KEY[] = "software\\velmorra software\\imagewheel\\1.91";
const char STARTED_FILE[] = "C:\\iwengine\\uninstaller-started.txt";

// The program under test; a placeholder build (before the application exists)
// does not know the single-instance messages.
bool IsRealProgram(const std::string& bytes) {
    return bytes.find("ImagewheelMessage_KillFirstInstance") != std::string::npos;
}

class EndToEndTest : public EngineTest {
protected:
    void TearDown() override {
        for (HANDLE process : processes) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
            CloseHandle(process);
        }
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, MARKER_KEY);
        RemoveFile(WindowsDir() + APP_PROFILE);
        RemoveFile(STARTED_FILE);
        EngineTest::TearDown();
    }
    HANDLE Start(const std::string& arguments) {
        std::string commandLine = "\"" + std::string(APP_DIR) + "imagewheel.exe\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info;
        if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, APP_DIR, &startup, &info))
            return NULL;
        CloseHandle(info.hThread);
        processes.push_back(info.hProcess);
        return info.hProcess;
    }
    static bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }
    // The program copied into APP_DIR, with no profile yet; false (the test
    // is skipped) when there is none to copy.
    bool InstallProgram() {
        const std::string exe = ReadBytes(HostPath(IW_IMAGEWHEEL_EXE));
        if (exe == "<missing>" || !IsRealProgram(exe)) return false;
        CreateDirectoryA(APP_DIR, NULL);
        WriteBytes(std::string(APP_DIR) + "imagewheel.exe", exe);
        RemoveFile(WindowsDir() + APP_PROFILE);
        return true;
    }
    // One cycle run until the program is resident, then ended as a shutdown would.
    void CycleRun() {
        HANDLE resident = Start("/cycle");
        ASSERT_NE(resident, nullptr);
        ASSERT_TRUE(WaitFor([&] { return FindWindowA(NULL, "Imagewheel") != NULL || Ended(resident); }, 60));
        ASSERT_FALSE(Ended(resident)) << "the cycle run must stay resident";
        TerminateProcess(resident, 0);
        WaitForSingleObject(resident, 30000);
        ASSERT_TRUE(WaitFor([] { return FindWindowA(NULL, "Imagewheel") == NULL; }));
    }
    std::string App(const char* name) { return ReadBytes(std::string(APP_DIR) + name); }
    void AppFile(const char* name, const std::string& text) { WriteBytes(std::string(APP_DIR) + name, text); }
    std::vector<HANDLE> processes;
};

TEST_F(EndToEndTest, CycleRunThenUninstall) {
    if (!InstallProgram()) GTEST_SKIP() << "no real imagewheel.exe built at " << IW_IMAGEWHEEL_EXE;

    // The system as setup leaves it: shipped logos, marker, uninstall entry.
    const std::string shippedSignon = BinaryContent(3000, 21), shippedShutdown = BinaryContent(2000, 22),
                      shippedSignoff = BinaryContent(1000, 23);
    WriteBytes(BootRoot() + "Logo.sys", shippedSignon);
    WriteBytes(WindowsDir() + "Logow.sys", shippedShutdown);
    WriteBytes(WindowsDir() + "Logos.sys", shippedSignoff);
    SetRegString(HKEY_LOCAL_MACHINE, MARKER_KEY, "new installation", "TRUE");
    const std::string uninstaller = "\"" + HostPath(IW_RECORDER_EXE) + "\" " + STARTED_FILE;
    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", uninstaller.c_str());
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "M", APP_PROFILE);

    // The program with its lists: each logo category advances once.
    const std::string images = std::string(WORK_DIR) + "\\";
    const char* names[] = {"s1.bmp", "s2.bmp", "w1.sys", "w2.sys", "o1.bmp", "o2.bmp"};
    for (unsigned i = 0; i < 6; ++i) WriteBytes(images + names[i], BinaryContent(500 + 100 * i, 30 + i));
    AppFile("SignonFileList.txt", images + "s1.bmp\r\n" + images + "s2.bmp\r\n");
    AppFile("CurrSignonFile.txt", images + "s1.bmp\r\n");
    AppFile("ShutdownFileList.txt", images + "w1.sys\r\n" + images + "w2.sys\r\n");
    AppFile("CurrShutdownFile.txt", images + "w2.sys\r\n");
    AppFile("SignoffFileList.txt", images + "o1.bmp\r\n" + images + "o2.bmp\r\n");
    AppFile("CurrSignoffFile.txt", "\r\n");

    HANDLE resident = Start("/cycle");
    ASSERT_NE(resident, nullptr);
    ASSERT_TRUE(WaitFor([&] { return FindWindowA(NULL, "Imagewheel") != NULL || Ended(resident); }, 60));
    ASSERT_FALSE(Ended(resident)) << "the cycle run must stay resident";

    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), ReadBytes(images + "s2.bmp"));
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), ReadBytes(images + "w1.sys"));
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logos.sys"), ReadBytes(images + "o1.bmp"));
    EXPECT_EQ(App("CurrSignonFile.txt"), images + "s2.bmp\r\n");
    EXPECT_EQ(App("CurrShutdownFile.txt"), images + "w1.sys\r\n");
    EXPECT_EQ(App("CurrSignoffFile.txt"), images + "o1.bmp\r\n");
    EXPECT_EQ(App("SignonFileList.txt"), images + "s1.bmp\r\n" + images + "s2.bmp\r\n");
    EXPECT_EQ(App("OriginalLogos\\Logo.sys"), shippedSignon);
    EXPECT_EQ(App("OriginalLogos\\Logow.sys"), shippedShutdown);
    EXPECT_EQ(App("OriginalLogos\\Logos.sys"), shippedSignoff);
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, MARKER_KEY, "new installation"), "FALSE");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"),
              "\"" + std::string(APP_DIR) + "imagewheel.exe\" /uninstall");
    char stored[600];
    GetPrivateProfileStringA("CONFIG", "UNINSTALL_STRING", "", stored, sizeof stored, APP_PROFILE);
    EXPECT_EQ(stored, uninstaller);
    const time_t now = time(nullptr);
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("LAST_SIGNON_CYCLE_TIME", "Year", 0, APP_PROFILE)),
              localtime(&now)->tm_year + 1900);

    // The uninstall run ends the resident instance, restores the shipped
    // logos and starts the setup program's uninstaller.
    HANDLE uninstall = Start("/uninstall");
    ASSERT_NE(uninstall, nullptr);
    ASSERT_TRUE(WaitFor([&] { return Ended(uninstall) && Ended(resident); }, 60));
    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), shippedSignon);
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), shippedShutdown);
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logos.sys"), shippedSignoff);
    EXPECT_FALSE(Exists(std::string(APP_DIR) + "OriginalLogos"));
    // Until the stand-in has closed the renamed record, it cannot be opened.
    ASSERT_TRUE(WaitFor([] { return ReadBytes(STARTED_FILE) != "<missing>"; })) << "setup uninstaller not started";
    EXPECT_EQ(ReadBytes(STARTED_FILE), uninstaller);
}

TEST_F(EndToEndTest, RepeatedCycleRunsFollowOrderAndUnit) {
    if (!InstallProgram()) GTEST_SKIP() << "no real imagewheel.exe built at " << IW_IMAGEWHEEL_EXE;
    // Signon: random over three files and the original. Shutdown: backward,
    // no backup, so every file cycles. Signoff: every week.
    const std::string images = std::string(WORK_DIR) + "\\";
    const char* names[] = {"a.bmp", "b.bmp", "c.bmp"};
    std::string list;
    for (unsigned i = 0; i < 3; ++i) {
        WriteBytes(images + names[i], BinaryContent(300 + i, 40 + i));
        list += images + names[i] + "\r\n";
    }
    for (const char* category : {"Signon", "Shutdown", "Signoff"}) {
        AppFile((std::string(category) + "FileList.txt").c_str(), list);
        AppFile((std::string("Curr") + category + "File.txt").c_str(), images + "a.bmp\r\n");
    }
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "M", APP_PROFILE);
    WritePrivateProfileStringA("CONFIG", "SIGNON_CYCLE_ORDER", "2", APP_PROFILE);
    WritePrivateProfileStringA("CONFIG", "SHUTDOWN_CYCLE_ORDER", "1", APP_PROFILE);
    WritePrivateProfileStringA("CONFIG", "SIGNOFF_CYCLE_FREQ", "2", APP_PROFILE);
    const time_t now = time(nullptr);
    const tm today = *localtime(&now);
    tm past = today;
    past.tm_mday -= 7;
    past.tm_isdst = -1;
    mktime(&past);
    WritePrivateProfileStringA("LAST_SIGNOFF_CYCLE_TIME", "Year", std::to_string(past.tm_year + 1900).c_str(), APP_PROFILE);
    WritePrivateProfileStringA("LAST_SIGNOFF_CYCLE_TIME", "Month", std::to_string(past.tm_mon + 1).c_str(), APP_PROFILE);
    WritePrivateProfileStringA("LAST_SIGNOFF_CYCLE_TIME", "Day", std::to_string(past.tm_mday).c_str(), APP_PROFILE);

    CycleRun();
    const std::string signon = App("CurrSignonFile.txt");
    EXPECT_TRUE(signon == images + "b.bmp\r\n" || signon == images + "c.bmp\r\n") << signon;
    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), ReadBytes(signon.substr(0, signon.size() - 2)));
    EXPECT_EQ(App("CurrShutdownFile.txt"), images + "c.bmp\r\n");
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), ReadBytes(images + "c.bmp"));
    EXPECT_EQ(App("CurrSignoffFile.txt"), images + "b.bmp\r\n") << "a week has passed";
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logos.sys"), ReadBytes(images + "b.bmp"));
    EXPECT_EQ(App("SignonFileList.txt"), list) << "the original entry is never written";

    // The same day again: the weekly category stays, the others move on.
    CycleRun();
    EXPECT_NE(App("CurrSignonFile.txt"), signon);
    EXPECT_EQ(App("CurrShutdownFile.txt"), images + "b.bmp\r\n");
    EXPECT_EQ(App("CurrSignoffFile.txt"), images + "b.bmp\r\n");
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("LAST_SIGNOFF_CYCLE_TIME", "Day", 0, APP_PROFILE)), today.tm_mday);
}

// A power cut on Windows 9x between deleting a file and renaming its complete
// copy leaves only "<name>.tmp": the next start puts each one back first.
TEST_F(EndToEndTest, CycleRunAfterAPowerCutFindsEveryFile) {
    if (!InstallProgram()) GTEST_SKIP() << "no real imagewheel.exe built at " << IW_IMAGEWHEEL_EXE;
    const std::string images = std::string(WORK_DIR) + "\\";
    for (const char* name : {"a.bmp", "b.bmp"}) WriteBytes(images + name, BinaryContent(400, name[0]));
    const std::string list = images + "a.bmp\r\n" + images + "b.bmp\r\n";
    const std::string signoff = BinaryContent(800, 50);
    AppFile("SignonFileList.txt.tmp", list);
    AppFile("CurrSignonFile.txt", images + "a.bmp\r\n");
    AppFile("ShutdownFileList.txt", list);
    AppFile("CurrShutdownFile.txt.tmp", images + "b.bmp\r\n");
    // Signoff has no list: nothing is installed over its logo, which was cut
    // short in its own replacement.
    WriteBytes(WindowsDir() + "Logos.sys.tmp", signoff);
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "M", APP_PROFILE);

    CycleRun();
    EXPECT_EQ(App("SignonFileList.txt"), list);
    EXPECT_EQ(App("CurrSignonFile.txt"), images + "b.bmp\r\n");
    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), ReadBytes(images + "b.bmp"));
    EXPECT_EQ(App("CurrShutdownFile.txt"), images + "a.bmp\r\n");
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), ReadBytes(images + "a.bmp"));
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logos.sys"), signoff);
    for (const char* left : {"SignonFileList.txt.tmp", "CurrShutdownFile.txt.tmp"})
        EXPECT_FALSE(Exists(std::string(APP_DIR) + left)) << left;
    EXPECT_FALSE(Exists(WindowsDir() + "Logos.sys.tmp"));
}

}  // namespace

namespace {

TEST_F(EndToEndTest, UninstallAfterAPowerCutPutsBackABackupLeftAsItsCopy) {
    if (!InstallProgram()) GTEST_SKIP() << "no real imagewheel.exe built at " << IW_IMAGEWHEEL_EXE;
    // The backup of the shut-down screen was being replaced when the power
    // went: only its complete temporary copy is there. The uninstall run must
    // still put it back instead of deleting the installed logo for want of one.
    const std::string shipped = BinaryContent(1500, 31), installed = BinaryContent(700, 32);
    CreateDirectoryA((std::string(APP_DIR) + "OriginalLogos").c_str(), NULL);
    WriteBytes(std::string(APP_DIR) + "OriginalLogos\\Logow.sys.tmp", shipped);
    WriteBytes(WindowsDir() + "Logow.sys", installed);
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "M", APP_PROFILE);

    HANDLE uninstall = Start("/uninstall");
    ASSERT_NE(uninstall, nullptr);
    ASSERT_EQ(WaitForSingleObject(uninstall, 60000), WAIT_OBJECT_0) << "the uninstall run ends by itself";
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), shipped);
    EXPECT_FALSE(Exists(std::string(APP_DIR) + "OriginalLogos\\Logow.sys.tmp"));
    EXPECT_FALSE(Exists(std::string(APP_DIR) + "OriginalLogos"));
}

}  // namespace

namespace {

// Lists whose current-file files are gone (deleted as clutter, or lists
// brought from another machine): a cycle run with the wallpaper on a
// two-second timer keeps every entry and starts each cycle from the first.
TEST_F(EndToEndTest, ListsWithoutCurrentFilesKeepTheirEntries) {
    if (!InstallProgram()) GTEST_SKIP() << "no real imagewheel.exe built at " << IW_IMAGEWHEEL_EXE;
    const std::string images = std::string(WORK_DIR) + "\\";
    std::string signonList, wallpaperList;
    for (const char* name : {"s1.bmp", "s2.bmp", "s3.bmp"}) {
        WriteBytes(images + name, BinaryContent(600, name[1]));
        signonList += images + name + "\r\n";
    }
    for (const char* name : {"p1.bmp", "p2.bmp"}) {
        WriteBytes(images + name, BinaryContent(200, name[1]));
        wallpaperList += images + name + "\r\n";
    }
    AppFile("SignonFileList.txt", signonList);
    AppFile("WallpaperFileList.txt", wallpaperList);
    WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "M", APP_PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_FREQ", "6", APP_PROFILE);
    WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_PERIOD", "2", APP_PROFILE);

    HANDLE resident = Start("/cycle");
    ASSERT_NE(resident, nullptr);
    // Two expiries of the timer: from no current file to the first entry,
    // then to the second.
    ASSERT_TRUE(WaitFor([&] { return App("CurrWallpaperFile.txt") == images + "p2.bmp\r\n" || Ended(resident); }, 60))
        << App("CurrWallpaperFile.txt");
    ASSERT_FALSE(Ended(resident)) << "the cycle run must stay resident";
    EXPECT_EQ(App("SignonFileList.txt"), signonList);
    EXPECT_EQ(App("CurrSignonFile.txt"), images + "s1.bmp\r\n");
    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), ReadBytes(images + "s1.bmp"));
    // The wallpaper files are rewritten at every expiry (on Windows 9x by
    // deleting and renaming), so they are read until they are complete.
    EXPECT_TRUE(WaitFor([&] { return App("WallpaperFileList.txt") == wallpaperList; }))
        << App("WallpaperFileList.txt");
    // The next expiry goes on around the list, which stays whole.
    ASSERT_TRUE(WaitFor([&] { return App("CurrWallpaperFile.txt") == images + "p1.bmp\r\n"; }, 60));
    EXPECT_TRUE(WaitFor([&] { return App("WallpaperFileList.txt") == wallpaperList; }));
    EXPECT_TRUE(WaitFor([&] { return RegString(HKEY_CURRENT_USER, DESKTOP_KEY, "Wallpaper") == images + "p1.bmp"; }))
        << "the wallpaper is applied";
    TerminateProcess(resident, 0);
    WaitForSingleObject(resident, 30000);
    ASSERT_TRUE(WaitFor([] { return FindWindowA(NULL, "Imagewheel") == NULL; }));
}

}  // namespace
