#include "EngineTestSupport.h"

using namespace enginetest;

namespace {

const char BACKUP_DIR[] = "C:\\iwengine\\work\\prog\\OriginalLogos\\";
const char STARTED_FILE[] = "C:\\iwengine\\started.txt";

class BackupTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        CreateDirectoryA("prog", NULL);
        settings = DefaultSettings();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
        RemoveFile(STARTED_FILE);
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
        RemoveFile(STARTED_FILE);
        EngineTest::TearDown();
    }
    std::string Backup(const char* name) { return ReadBytes(std::string(BACKUP_DIR) + name); }
    std::string Stored() {
        char text[600];
        GetPrivateProfileStringA("CONFIG", "UNINSTALL_STRING", "<missing>", text, sizeof text, PROFILE_NAME);
        return text;
    }
    // Logo files as the system had them before the first run.
    void ShippedLogos(bool withLogoSys) {
        WriteBytes(WindowsDir() + "Logow.sys", shutdown);
        WriteBytes(WindowsDir() + "Logos.sys", signoff);
        if (withLogoSys) WriteBytes(BootRoot() + "Logo.sys", signon);
    }
    AppSettings settings;
    const std::string signon = BinaryContent(2000, 11), shutdown = BinaryContent(4500, 12),
                      signoff = BinaryContent(129, 13);
};

TEST_F(BackupTest, FirstInstallationBacksUpAllThree) {
    EXPECT_STREQ(BackupFolderName(PROGRAM_PATH).GetText(), BACKUP_DIR);
    ShippedLogos(true);
    BackupOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(Backup("Logo.sys"), signon);
    EXPECT_EQ(Backup("Logow.sys"), shutdown);
    EXPECT_EQ(Backup("Logos.sys"), signoff);
    EXPECT_TRUE(Boxes().empty());

    // A second run never overwrites a backup.
    WriteBytes(WindowsDir() + "Logow.sys", "installed");
    BackupOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(Backup("Logow.sys"), shutdown);
}

TEST_F(BackupTest, ReinstallationBacksUpWhatHasNoBackupYet) {
    CreateDirectoryA(BACKUP_DIR, NULL);
    WriteBytes(std::string(BACKUP_DIR) + "Logow.sys", "earlier w");
    WriteBytes(std::string(BACKUP_DIR) + "Logos.sys", "earlier s");
    ShippedLogos(true);
    BackupOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(Backup("Logow.sys"), "earlier w");
    EXPECT_EQ(Backup("Logos.sys"), "earlier s");
    EXPECT_EQ(Backup("Logo.sys"), signon) << "a Logo.sys without a backup is saved";

    // So the uninstall run puts it back instead of deleting it.
    WriteBytes(BootRoot() + "Logo.sys", "cycled");
    RestoreOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), signon);
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), "earlier w");

    // Installed again while only the Logo.sys backup exists: the other two
    // are saved, the existing backup stays as it is.
    CreateDirectoryA(BACKUP_DIR, NULL);
    WriteBytes(std::string(BACKUP_DIR) + "Logo.sys", "earlier o");
    ShippedLogos(true);
    BackupOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(Backup("Logo.sys"), "earlier o");
    EXPECT_EQ(Backup("Logow.sys"), shutdown);
    EXPECT_EQ(Backup("Logos.sys"), signoff);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(BackupTest, MissingLogoSys) {
    ShippedLogos(false);
    BackupOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(Backup("Logow.sys"), shutdown);
    EXPECT_EQ(Backup("Logos.sys"), signoff);
    EXPECT_EQ(Backup("Logo.sys"), "<missing>");
    EXPECT_TRUE(Boxes().empty());

    // At uninstall the Logo.sys this program installed is removed.
    WriteBytes(BootRoot() + "Logo.sys", "installed by the program");
    RestoreOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_FALSE(Exists(BootRoot() + "Logo.sys"));
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), shutdown);
}

TEST_F(BackupTest, FolderCannotBeCreated) {
    ShippedLogos(true);
    BackupOriginalLogos("C:\\iwengine\\work\\no\\such\\imagewheel.exe", settings);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].Owner, nullptr);
    EXPECT_EQ(Boxes()[0].Text, "Unable to create backup directory for original logos!");
    EXPECT_EQ(Boxes()[0].Caption, "Error");
    EXPECT_EQ(Boxes()[0].Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_FALSE(Exists("C:\\iwengine\\work\\no"));
}

TEST_F(BackupTest, UninstallEntryTakeOver) {
    // No key: nothing stored.
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "<missing>");

    // The key without its value: left alone, nothing stored.
    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName", "Imagewheel 1.91");
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "<missing>");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"), "<missing>");
    // A value that is no text, or too long for the program's buffer, cannot be read either.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExA(key, "UninstallString", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "<missing>");
    const std::string tooLong(6000, 'u');
    RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
                   static_cast<DWORD>(tooLong.size() + 1));
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "<missing>");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "UninstallString", NULL, NULL, NULL, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, tooLong.size() + 1) << "the value is left alone";
    RegCloseKey(key);

    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", "C:\\setup\\uninst.exe -remove \"x y\"");
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "C:\\setup\\uninst.exe -remove \"x y\"");
    // The program's path is quoted, so that blanks in it cannot split the command.
    const std::string own = "\"" + std::string(PROGRAM_PATH) + "\" /uninstall";
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"), own);

    // Taken over once more: the setup command stays stored, never our own.
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "C:\\setup\\uninst.exe -remove \"x y\"");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"), own);

    // Our own command as an earlier version wrote it, unquoted, in other
    // letter case, is recognised too: nothing stored, nothing changed.
    WritePrivateProfileStringA("CONFIG", "UNINSTALL_STRING", NULL, PROFILE_NAME);
    std::string unquoted = std::string(PROGRAM_PATH) + " /UNINSTALL";
    CharLowerA(&unquoted[0]);
    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", unquoted.c_str());
    TakeOverUninstallEntry(PROGRAM_PATH);
    EXPECT_EQ(Stored(), "<missing>");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"), unquoted);

    // A program path with blanks.
    const char* spaced = "C:\\Program Files\\Image wheel\\imagewheel.exe";
    SetRegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString", "\"C:\\Program Files\\Image wheel\\uninstall.exe\"");
    TakeOverUninstallEntry(spaced);
    EXPECT_EQ(Stored(), "\"C:\\Program Files\\Image wheel\\uninstall.exe\"");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"),
              "\"C:\\Program Files\\Image wheel\\imagewheel.exe\" /uninstall");
}

TEST_F(BackupTest, UninstallRestoresAndStartsTheUninstaller) {
    ShippedLogos(true);
    BackupOriginalLogos(PROGRAM_PATH, settings);
    WriteBytes(BootRoot() + "Logo.sys", "cycled 1");
    WriteBytes(WindowsDir() + "Logow.sys", "cycled 2");
    WriteBytes(WindowsDir() + "Logos.sys", "cycled 3");
    const std::string command = "\"" + HostPath(IW_RECORDER_EXE) + "\" " + STARTED_FILE + " now";
    WritePrivateProfileStringA("CONFIG", "UNINSTALL_STRING", command.c_str(), PROFILE_NAME);

    RunUninstall(PROGRAM_PATH, settings);
    EXPECT_EQ(ReadBytes(BootRoot() + "logo.sys"), signon);
    EXPECT_EQ(ReadBytes(WindowsDir() + "logow.sys"), shutdown);
    EXPECT_EQ(ReadBytes(WindowsDir() + "logos.sys"), signoff);
    EXPECT_FALSE(Exists("C:\\iwengine\\work\\prog\\OriginalLogos")) << "the backup folder is removed";
    ASSERT_TRUE(WaitFor([] { return ReadBytes(STARTED_FILE) != "<missing>"; })) << "uninstaller not started";
    EXPECT_EQ(ReadBytes(STARTED_FILE), command);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(BackupTest, RestoreKeepsABackupItCouldNotCopy) {
    ShippedLogos(true);
    BackupOriginalLogos(PROGRAM_PATH, settings);
    WriteBytes(WindowsDir() + "Logos.sys", "cycled");
    SetFileAttributesA((WindowsDir() + "Logos.sys").c_str(), FILE_ATTRIBUTE_READONLY);
    RestoreOriginalLogos(PROGRAM_PATH, settings);
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logos.sys"), "cycled");
    EXPECT_EQ(Backup("Logos.sys"), signoff) << "the only copy of the original stays";
    EXPECT_EQ(Backup("Logow.sys"), "<missing>");
    EXPECT_EQ(Backup("Logo.sys"), "<missing>");
    EXPECT_EQ(ReadBytes(WindowsDir() + "Logow.sys"), shutdown);
    EXPECT_EQ(ReadBytes(BootRoot() + "Logo.sys"), signon);

    // Without a stored command nothing is started.
    EXPECT_FALSE(LaunchSetupUninstaller());
    WritePrivateProfileStringA("CONFIG", "UNINSTALL_STRING", "C:\\no\\such\\uninstaller.exe", PROFILE_NAME);
    EXPECT_FALSE(LaunchSetupUninstaller());
}

}  // namespace
