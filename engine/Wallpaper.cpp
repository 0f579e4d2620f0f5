// Wallpaper: cycling, applying and the import at first installation.
#include "Engine.h"

const char DESKTOP_KEY[] = "Control Panel\\Desktop\\";

void CycleWallpaper(const AppSettings&, FileList&, const Clock&) {}
void ApplyWallpaper(const FileList&, WallpaperStyle) {}
void ImportDesktopWallpaper(AppSettings&, FileList&) {}
