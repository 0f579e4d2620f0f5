// Wallpaper: cycling, applying and the import at first installation.
#include "EngineInternal.h"
#include <cstdlib>

const char DESKTOP_KEY[] = "Control Panel\\Desktop\\";

void CycleWallpaper(const AppSettings& settings, FileList& wallpaper, const Clock& clock) {
    const CategorySettings& s = settings[Category::Wallpaper];
    AdvanceCurrentFile(wallpaper, s.Order, true, clock);
    SaveFileList(Category::Wallpaper, s, wallpaper);
    ApplyWallpaper(wallpaper, settings.WallpaperStyle);
}

void ApplyWallpaper(const FileList& wallpaper, WallpaperStyle style) {
    if (wallpaper.Current.GetLength() == 0) return;
    char fullPath[MAX_PATH];
    if (!_fullpath(fullPath, wallpaper.Current.GetText(), sizeof fullPath)) return;

    // Only Tile and Center exist on this desktop; every other style centres.
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, DESKTOP_KEY, &key) == ERROR_SUCCESS) {
        const char* tile = style == WallpaperStyle::Tile ? "1" : "0";
        RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(tile), 2);
        RegCloseKey(key);
    }
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, fullPath, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, fullPath, SPIF_SENDWININICHANGE);
}

void ImportDesktopWallpaper(AppSettings& settings, FileList& wallpaper) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char text[5096];
    ReadRegistryString(key, "TileWallpaper", text, sizeof text);
    settings.WallpaperStyle = text[0] == '0' ? WallpaperStyle::Center : WallpaperStyle::Tile;
    ReadRegistryString(key, "Wallpaper", text, sizeof text);
    if (text[0] != '\0') {
        wallpaper.Entries.InsertLast(TCharString(text));
        wallpaper.Current = text;
    } else {
        // Nothing to cycle yet: no timer until the user enables cycling.
        settings[Category::Wallpaper].Enabled = 0;
    }
    RegCloseKey(key);
}
