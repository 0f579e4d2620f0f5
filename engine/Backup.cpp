// Backup of the original logos, first installation and uninstall.
#include "Engine.h"

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Imagewheel 1.91";

TCharString BackupFolderName(const char*) { return TCharString(); }
void BackupOriginalLogos(const char*, const AppSettings&) {}
void TakeOverUninstallEntry(const char*) {}
void RunFirstInstallation(const char*, AppSettings&, FileListSet&) {}
void RestoreOriginalLogos(const char*, const AppSettings&) {}
bool LaunchSetupUninstaller() { return false; }
void RunUninstall(const char*, const AppSettings&) {}
