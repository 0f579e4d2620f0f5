// Backup of the original logos, first installation and uninstall.
#include "EngineInternal.h"
#include "PathName.h"

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Imagewheel 1.91";

namespace {

const char BACKUP_FOLDER[] = "OriginalLogos";

// The drive and directory of the program's path, with a trailing backslash
// (empty for a bare file name).
TCharString ProgramDirectory(const char* programPath) {
    TPathName path(programPath);
    path.SetFileName("");
    return TCharString(path.GetFullPath());
}

}  // namespace

TCharString BackupFolderName(const char* programPath) {
    return ProgramDirectory(programPath) + BACKUP_FOLDER + "\\";
}

void BackupOriginalLogos(const char* programPath, const AppSettings& settings) {
    const TCharString folder = BackupFolderName(programPath);
    const DWORD attributes = GetFileAttributesA(folder.GetText());
    const bool folderExists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!folderExists && !CreateDirectoryA(folder.GetText(), NULL)) {
        ShowEngineError("Unable to create backup directory for original logos!");
        return;
    }

    // A backup that exists already is never overwritten: it holds the logo
    // that was there before this program's first run. A logo that has no
    // backup yet is copied, also on a reinstallation that finds the others'
    // backups; a logo file that does not exist leaves no backup.
    const TCharString windows = WindowsDirectory();
    const struct {
        const char* Name;
        TCharString Logo;
    } logos[] = {
        {"Logow.sys", windows + "Logow.sys"},
        {"Logos.sys", windows + "Logos.sys"},
        {"Logo.sys", LogoTargetName(Category::Signon, settings)},
    };
    for (const auto& logo : logos) {
        const TCharString backup = folder + logo.Name;
        if (!FileExists(backup.GetText())) CopyFileBytes(backup.GetText(), logo.Logo.GetText());
    }
}

void TakeOverUninstallEntry(const char* programPath) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char setupCommand[5096];
    // Quoted: unquoted, a path with blanks ("C:\Program Files\...") could
    // start another program ("C:\Program.exe").
    const TCharString ownCommand = TCharString("\"") + programPath + "\" /uninstall";
    const TCharString unquotedOwnCommand = TCharString(programPath) + " /uninstall";
    // Without the setup program's command there is nothing to hand over to at
    // uninstall time, so the entry stays as the setup program left it. An
    // entry that already names this program (a repeated first installation,
    // also one made by a version that wrote the command unquoted) must not be
    // stored, or the uninstall run would start itself.
    if (ReadRegistryString(key, "UninstallString", setupCommand, sizeof setupCommand) &&
        lstrcmpiA(setupCommand, ownCommand.GetText()) != 0 &&
        lstrcmpiA(setupCommand, unquotedOwnCommand.GetText()) != 0) {
        // Reading a profile value drops one pair of enclosing quotes, which
        // would unquote a command such as "C:\Program Files\...\uninstall.exe":
        // the extra pair keeps the command as it was.
        const TCharString stored = TCharString("\"") + setupCommand + "\"";
        AfxGetApp()->WriteProfileString(CONFIG_SECTION, "UNINSTALL_STRING", stored.GetText());
        RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(ownCommand.GetText()),
                       ownCommand.GetLength() + 1);
    }
    RegCloseKey(key);
}

void RunFirstInstallation(const char* programPath, AppSettings& settings, FileListSet& lists) {
    BackupOriginalLogos(programPath, settings);
    TakeOverUninstallEntry(programPath);
    ImportDesktopWallpaper(settings, lists[Index(Category::Wallpaper)]);
}

void RestoreOriginalLogos(const char* programPath, const AppSettings& settings) {
    const TCharString folder = BackupFolderName(programPath);
    const TCharString windows = WindowsDirectory();
    const struct {
        const char* Backup;
        TCharString Target;
    } logos[] = {
        {"Logo.sys", settings.BootDrive + ":\\logo.sys"},
        {"Logos.sys", windows + "logos.sys"},
        {"Logow.sys", windows + "logow.sys"},
    };
    for (const auto& logo : logos) {
        const TCharString backup = folder + logo.Backup;
        if (!FileExists(backup.GetText())) {
            DeleteFileA(logo.Target.GetText());   // installed by this program, nothing to go back to
        } else if (CopyFileBytes(logo.Target.GetText(), backup.GetText())) {
            // A backup is the only copy of the original logo: it goes only
            // once the original is back in place.
            DeleteFileA(backup.GetText());
        }
    }
    RemoveDirectoryA((ProgramDirectory(programPath) + BACKUP_FOLDER).GetText());
}

bool LaunchSetupUninstaller() {
    const TCharString command = AfxGetApp()->GetProfileString(CONFIG_SECTION, "UNINSTALL_STRING", "");
    if (command.GetLength() == 0) return false;
    char commandLine[5096];
    lstrcpynA(commandLine, command.GetText(), sizeof commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void RunUninstall(const char* programPath, const AppSettings& settings) {
    RemoveRenderedWallpaper((ProgramDirectory(programPath) + RENDERED_WALLPAPER_NAME).GetText());
    RestoreOriginalLogos(programPath, settings);
    LaunchSetupUninstaller();
}
