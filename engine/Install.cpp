// Cycle step and installation of the logo files.
#include "Engine.h"

void AdvanceCurrentFile(FileList&, CycleOrder, bool, const Clock&) {}
TCharString LogoTargetName(Category, const AppSettings&) { return TCharString(); }
void InstallLogos(const AppSettings&, FileListSet&) {}
bool CopyFileBytes(const char*, const char*) { return false; }
bool FileExists(const char*) { return false; }
