// Wallpaper: cycling, applying and the import at first installation.
#include "EngineInternal.h"
#include <cstdint>
#include <cstdlib>
#include <new>
#include "Picture.h"
#include "ScalePicture.h"

const char DESKTOP_KEY[] = "Control Panel\\Desktop\\";
const char RENDERED_WALLPAPER_NAME[] = "Rendered.bmp";

void CycleWallpaper(const AppSettings& settings, FileList& wallpaper, const Clock& clock) {
    const CategorySettings& s = settings[Category::Wallpaper];
    AdvanceCurrentFile(wallpaper, s.Order, true, clock);
    SaveFileList(Category::Wallpaper, s, wallpaper);
    ApplyWallpaper(wallpaper, settings.WallpaperStyle);
}

namespace {

std::uint32_t Little(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

void PutLittle(unsigned char* p, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i, value >>= 8) p[i] = static_cast<unsigned char>(value);
}

// The full path of the rendered wallpaper (false when it cannot be made).
bool RenderedWallpaperPath(char (&path)[MAX_PATH]) {
    return _fullpath(path, RENDERED_WALLPAPER_NAME, sizeof path) != nullptr;
}

// Whether the wallpaper of `style` is drawn at the picture's own size.
bool AtOwnSize(WallpaperStyle style) {
    return style != WallpaperStyle::Stretch && style != WallpaperStyle::BestFit;
}

// The size a picture of w x h is rendered at for `style`; false when the
// screen's size is not known.
bool RenderedSize(WallpaperStyle style, std::uint32_t w, std::uint32_t h, std::uint32_t& width,
                  std::uint32_t& height) {
    width = w;
    height = h;
    if (AtOwnSize(style)) return true;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (screenWidth <= 0 || screenHeight <= 0) return false;
    const std::uint64_t sw = static_cast<std::uint64_t>(screenWidth), sh = static_cast<std::uint64_t>(screenHeight);
    if (style == WallpaperStyle::Stretch || w * sh == h * sw) {
        width = static_cast<std::uint32_t>(sw);
        height = static_cast<std::uint32_t>(sh);
    } else if (w * sh > h * sw) {
        // Wider than the screen in proportion: full width, the height to match.
        width = static_cast<std::uint32_t>(sw);
        height = static_cast<std::uint32_t>((2 * h * sw + w) / (2 * w));
    } else {
        height = static_cast<std::uint32_t>(sh);
        width = static_cast<std::uint32_t>((2 * w * sh + h) / (2 * h));
    }
    if (width == 0) width = 1;
    if (height == 0) height = 1;
    return true;
}

// Writes `picture` as an uncompressed 24-bit bitmap file over `target`, the
// whole-file way of the lists. The rows go out one at a time from the bottom
// up, so no second copy of the picture is made.
bool WriteBitmapFile(const char* target, const TPicture& picture) {
    const std::uint32_t width = picture.GetWidth(), height = picture.GetHeight();
    const std::uint64_t rowBytes = (3 * static_cast<std::uint64_t>(width) + 3) & ~std::uint64_t(3);
    const std::uint64_t fileBytes = 54 + rowBytes * height;
    if (picture.IsEmpty() || fileBytes > 0x7FFFFFFF) return false;

    unsigned char header[54] = {'B', 'M'};
    PutLittle(header + 2, static_cast<std::uint32_t>(fileBytes), 4);
    PutLittle(header + 10, 54, 4);                 // offset of the pixels
    PutLittle(header + 14, 40, 4);                 // BITMAPINFOHEADER
    PutLittle(header + 18, width, 4);
    PutLittle(header + 22, height, 4);             // positive: bottom-up
    PutLittle(header + 26, 1, 2);                  // planes
    PutLittle(header + 28, 24, 2);                 // bits per pixel
    PutLittle(header + 34, static_cast<std::uint32_t>(rowBytes * height), 4);
    PutLittle(header + 38, 2835, 4);               // 72 dots per inch
    PutLittle(header + 42, 2835, 4);

    std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[static_cast<size_t>(rowBytes)]());
    if (!row) return false;
    TempFile file(target);
    FILE* out = file.Open("wb");
    if (!out) return false;
    setvbuf(out, nullptr, _IOFBF, 1 << 16);
    bool written = fwrite(header, sizeof header, 1, out) == 1;
    for (std::uint32_t y = height; written && y-- > 0;) {
        const unsigned char* in = picture.GetPixels() + static_cast<std::uint64_t>(y) * 3 * width;
        unsigned char* p = row.get();
        for (std::uint32_t x = 0; x < width; ++x, in += 3, p += 3) {
            p[0] = in[2];
            p[1] = in[1];
            p[2] = in[0];
        }
        written = fwrite(row.get(), static_cast<size_t>(rowBytes), 1, out) == 1;
    }
    return file.Close() && written && file.Commit();
}

// Hands `path` to Windows as the wallpaper with its tiling; a rendered
// wallpaper is also marked as not to be stretched by Windows.
void SetDesktopWallpaper(const char* path, WallpaperStyle style, bool rendered) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, DESKTOP_KEY, &key) == ERROR_SUCCESS) {
        const char* tile = style == WallpaperStyle::Tile ? "1" : "0";
        RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(tile), 2);
        // Windows 98 and Plus! stretch a wallpaper whose "WallpaperStyle" is "2".
        if (rendered) RegSetValueExA(key, "WallpaperStyle", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
        RegCloseKey(key);
    }
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path), SPIF_UPDATEINIFILE);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path), SPIF_SENDWININICHANGE);
}

}  // namespace

bool RenderWallpaperFile(const char* source, WallpaperStyle style, const char* target) {
    const COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    const std::uint32_t background = static_cast<std::uint32_t>(GetRValue(desktop)) << 16 |
                                     static_cast<std::uint32_t>(GetGValue(desktop)) << 8 | GetBValue(desktop);
    TPicture picture;
    if (DecodePicture(source, background, picture) != PictureOk) return false;
    std::uint32_t width, height;
    if (!RenderedSize(style, picture.GetWidth(), picture.GetHeight(), width, height)) return false;
    if (width != picture.GetWidth() || height != picture.GetHeight()) {
        TPicture scaled;
        if (!ScalePicture(picture, width, height, scaled)) return false;
        picture = std::move(scaled);   // the decoded pixels go before the file is written
    }
    return WriteBitmapFile(target, picture);
}

bool IsPlainWallpaperBitmap(const char* path) {
    FilePtr file(fopen(path, "rb"));
    if (!file) return false;
    unsigned char h[54];
    const size_t length = fread(h, 1, sizeof h, file.get());
    if (length < 26 || h[0] != 'B' || h[1] != 'M') return false;
    const std::uint32_t headerSize = Little(h + 14, 4);
    std::int32_t width, height;
    std::uint32_t planes, bits, compression = 0;
    if (headerSize == 12) {
        width = static_cast<std::int32_t>(Little(h + 18, 2));
        height = static_cast<std::int32_t>(Little(h + 20, 2));
        planes = Little(h + 22, 2);
        bits = Little(h + 24, 2);
    } else if (headerSize == 40 && length == sizeof h) {
        width = static_cast<std::int32_t>(Little(h + 18, 4));
        height = static_cast<std::int32_t>(Little(h + 22, 4));   // negative: top-down
        planes = Little(h + 26, 2);
        bits = Little(h + 28, 2);
        compression = Little(h + 30, 4);
    } else {
        return false;
    }
    const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 24;
    const bool knownCompression =
        compression == BI_RGB || (compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4);
    return width > 0 && height > 0 && planes == 1 && knownDepth && knownCompression;
}

bool IsRenderedWallpaper(const char* path) {
    char rendered[MAX_PATH], full[MAX_PATH];
    return RenderedWallpaperPath(rendered) && _fullpath(full, path, sizeof full) && lstrcmpiA(rendered, full) == 0;
}

bool WallpaperFollowsScreen(WallpaperStyle style) {
    return !AtOwnSize(style);
}

void ApplyWallpaper(const FileList& wallpaper, WallpaperStyle style) {
    if (wallpaper.Current.GetLength() == 0) return;
    char fullPath[MAX_PATH];
    if (!_fullpath(fullPath, wallpaper.Current.GetText(), sizeof fullPath)) return;

    // A bitmap Windows shows itself, tiled or centred, goes to Windows as it
    // is. Every other picture, and every stretched or fitted one, is drawn
    // into the rendered wallpaper; one that cannot be decoded leaves the
    // desktop as it was.
    if (AtOwnSize(style) && IsPlainWallpaperBitmap(fullPath)) {
        // Windows would show a torn or oversized one as garbage, or nothing
        // at all: it goes only when it reads whole.
        TPicture check;
        if (DecodePicture(fullPath, 0, check) == PictureOk) SetDesktopWallpaper(fullPath, style, false);
        return;
    }
    char rendered[MAX_PATH];
    if (!RenderedWallpaperPath(rendered) || !RenderWallpaperFile(fullPath, style, rendered)) return;
    SetDesktopWallpaper(rendered, style, true);
}

void RecoverRenderedWallpaper() {
    char rendered[MAX_PATH];
    if (RenderedWallpaperPath(rendered)) RecoverReplacedFile(rendered);
}

void RemoveRenderedWallpaper(const char* rendered) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        char text[MAX_PATH + 1];
        char full[MAX_PATH];
        const bool shown = ReadRegistryString(key, "Wallpaper", text, sizeof text) && text[0] &&
                           _fullpath(full, text, sizeof full) && lstrcmpiA(full, rendered) == 0;
        RegCloseKey(key);
        if (shown) {
            // No wallpaper rather than one that names a deleted file.
            SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
            SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_SENDWININICHANGE);
        }
    }
    for (const char* suffix : {"", ".part", ".tmp"}) DeleteFileA((TCharString(rendered) + suffix).GetText());
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

    // The program's own rendered copy is never a wallpaper of the user's.
    const TCharString file = IsRenderedWallpaper(text) ? TCharString() : WallpaperFileOf(text);
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
