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

namespace {

// The full path of the file a desktop "Wallpaper" value names, or empty when
// it names no file: a placeholder such as "(None)" (what the Display control
// panels of Windows 3.x and 9x write when there is no wallpaper), a path to
// nothing, a folder. Environment strings ("%SystemRoot%\...", as Windows NT
// may store it) are expanded; a bare file name is one of the Windows
// directory, where Windows itself looks for it.
TCharString WallpaperFileOf(const char* value) {
    char expanded[5096];
    if (strchr(value, '%')) {
        const DWORD length = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
        if (length == 0 || length > sizeof expanded) return TCharString();
    } else {
        lstrcpynA(expanded, value, sizeof expanded);
    }
    if (expanded[0] == '\0') return TCharString();
    const TCharString path =
        strpbrk(expanded, "\\/:") ? TCharString(expanded) : WindowsDirectory() + expanded;
    char full[MAX_PATH];
    char* name;
    const DWORD length = GetFullPathNameA(path.GetText(), sizeof full, full, &name);
    if (length == 0 || length >= sizeof full) return TCharString();
    const DWORD attributes = GetFileAttributesA(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return TCharString();
    return TCharString(full);
}

// The entry of `list` that names the file at `fullPath` (compared as full
// paths, without regard to letter case), or null.
const TCharString* EntryNaming(const TValVector<TCharString>& list, const char* fullPath) {
    for (unsigned int i = 0; i < list.GetCount(); ++i) {
        char full[MAX_PATH];
        char* name;
        const DWORD length = GetFullPathNameA(list.At(i)->GetText(), sizeof full, full, &name);
        if (length != 0 && length < sizeof full && lstrcmpiA(full, fullPath) == 0) return list.At(i);
    }
    return nullptr;
}

}  // namespace

void ImportDesktopWallpaper(AppSettings& settings, FileList& wallpaper) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char text[5096];
    ReadRegistryString(key, "TileWallpaper", text, sizeof text);
    settings.WallpaperStyle = text[0] == '0' ? WallpaperStyle::Center : WallpaperStyle::Tile;
    ReadRegistryString(key, "Wallpaper", text, sizeof text);
    RegCloseKey(key);

    const TCharString file = WallpaperFileOf(text);
    if (file.GetLength() == 0) {
        // Nothing to cycle yet: no timer until the user enables cycling.
        settings[Category::Wallpaper].Enabled = 0;
        return;
    }
    // Installed once more: the wallpaper the list holds already is not added
    // a second time. The current file is the list's own text of it, so that
    // the cycle finds it there.
    if (const TCharString* entry = EntryNaming(wallpaper.Entries, file.GetText())) {
        wallpaper.Current = *entry;
    } else {
        wallpaper.Entries.InsertLast(file);
        wallpaper.Current = file;
    }
}
