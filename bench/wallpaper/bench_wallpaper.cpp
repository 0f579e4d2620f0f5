// bench_wallpaper [-n REPEATS] PICTURE
// Runs under Wine (or Windows) on a 1024 x 768 screen. PICTURE becomes the
// stretched desktop wallpaper through ApplyWallpaper, with the folder of
// PICTURE as the program's directory (the rendered bitmap lands there).
//   memory: the process's peak private bytes during the first rendering,
//           minus its private bytes before it (GetProcessMemoryInfo, looked
//           up at run time; under Wine, which reports none, the peak working
//           set, its high-water mark reset just before through /proc);
//   apply:  median time of ApplyWallpaper, from the call until it returns
//           (the bitmap written and handed to Windows);
//   render: median time of the rendering alone (decode, scale, write).
// Prints one line:
//   size=WxH screen=WxH rendered=WxH apply_ms=A render_ms=R decoded_bytes=D
//   peak_bytes=P counter=NAME
// The desktop values it changes are put back at the end.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchWin32.h"
#include "Engine.h"
#include "Framework.h"
#include "Picture.h"

namespace {

CWinApp g_app("bench_wallpaper");

// PROCESS_MEMORY_COUNTERS_EX, declared here so that no import of psapi is needed.
struct MemoryCounters {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage,
        QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage, PrivateUsage;
};
typedef BOOL(WINAPI* GetMemoryInfo)(HANDLE, MemoryCounters*, DWORD);

GetMemoryInfo FindMemoryInfo() {
    HMODULE psapi = LoadLibraryA("psapi.dll");
    FARPROC f = psapi ? GetProcAddress(psapi, "GetProcessMemoryInfo") : nullptr;
    if (!f) f = GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo");
    return reinterpret_cast<GetMemoryInfo>(reinterpret_cast<void*>(f));
}

MemoryCounters Counters(GetMemoryInfo get) {
    MemoryCounters c = {};
    c.cb = sizeof c;
    if (!get || !get(GetCurrentProcess(), &c, sizeof c)) std::memset(&c, 0, sizeof c);
    return c;
}

std::string DesktopValue(const char* name, bool& present) {
    char text[MAX_PATH + 1] = "";
    DWORD size = sizeof text - 1, type = 0;
    HKEY key;
    present = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        present = RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    return text;
}

void RestoreDesktopValue(const char* name, const std::string& value, bool present) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, DESKTOP_KEY, &key) != ERROR_SUCCESS) return;
    if (present)
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = 5;
    int a = 1;
    if (a + 1 < argc && std::strcmp(argv[a], "-n") == 0) {
        repeats = std::atoi(argv[a + 1]);
        a += 2;
    }
    if (a >= argc || repeats < 1) {
        fprintf(stderr, "usage: bench_wallpaper [-n REPEATS] PICTURE\n");
        return 2;
    }
    char picture[MAX_PATH];
    if (!GetFullPathNameA(argv[a], sizeof picture, picture, nullptr)) return 2;
    std::string folder = picture;
    folder = folder.substr(0, folder.find_last_of('\\'));
    SetCurrentDirectoryA(folder.c_str());

    TPictureInfo info;
    if (ReadPictureInfo(picture, info) != PictureOk) {
        fprintf(stderr, "cannot read %s\n", picture);
        return 1;
    }
    bool wallpaperPresent, tilePresent, stylePresent;
    const std::string wallpaper = DesktopValue("Wallpaper", wallpaperPresent);
    const std::string tile = DesktopValue("TileWallpaper", tilePresent);
    const std::string style = DesktopValue("WallpaperStyle", stylePresent);

    FileList list;
    list.Entries.InsertLast(TCharString(picture));
    list.Current = picture;
    const std::string rendered = folder + "\\" + RENDERED_WALLPAPER_NAME;
    DeleteFileA(rendered.c_str());

    // Memory first, while nothing of the size of a picture has been held yet:
    // the render alone (ApplyWallpaper then has Windows load the bitmap too).
    // Wine reports no private bytes; its peak working set is the nearest
    // figure, and on Linux its high-water mark can be reset just before.
    const GetMemoryInfo get = FindMemoryInfo();
    if (FILE* clear = fopen("Z:\\proc\\self\\clear_refs", "w")) {
        fputs("5", clear);
        fclose(clear);
    }
    const MemoryCounters before = Counters(get);
    if (!RenderWallpaperFile(picture, WallpaperStyle::Stretch, rendered.c_str())) {
        fprintf(stderr, "rendering failed\n");
        return 1;
    }
    const MemoryCounters after = Counters(get);
    const char* counter = "PrivateUsage/PeakPagefileUsage";
    SIZE_T peak = after.PeakPagefileUsage > before.PrivateUsage ? after.PeakPagefileUsage - before.PrivateUsage : 0;
    if (before.PrivateUsage == 0 || after.PeakPagefileUsage == 0) {
        counter = "WorkingSetSize/PeakWorkingSetSize";
        peak = after.PeakWorkingSetSize > before.WorkingSetSize ? after.PeakWorkingSetSize - before.WorkingSetSize : 0;
    }

    std::vector<double> applyTimes, renderTimes;
    for (int i = 0; i < repeats; ++i) {
        DeleteFileA(rendered.c_str());
        double start = bench::Seconds();
        ApplyWallpaper(list, WallpaperStyle::Stretch);
        applyTimes.push_back(1000 * (bench::Seconds() - start));
        DeleteFileA(rendered.c_str());
        start = bench::Seconds();
        const bool done = RenderWallpaperFile(picture, WallpaperStyle::Stretch, rendered.c_str());
        renderTimes.push_back(1000 * (bench::Seconds() - start));
        if (!done) {
            fprintf(stderr, "rendering failed\n");
            return 1;
        }
    }
    TPictureInfo out;
    const bool renderedRead = ReadPictureInfo(rendered.c_str(), out) == PictureOk;

    RestoreDesktopValue("TileWallpaper", tile, tilePresent);
    RestoreDesktopValue("WallpaperStyle", style, stylePresent);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(wallpaper.c_str()), SPIF_UPDATEINIFILE);
    RestoreDesktopValue("Wallpaper", wallpaper, wallpaperPresent);

    printf("size=%lux%lu screen=%dx%d rendered=%lux%lu apply_ms=%.1f render_ms=%.1f decoded_bytes=%lu "
           "peak_bytes=%lu counter=%s private_before=%lu pagefile_before=%lu peak_pagefile_after=%lu "
           "working_set_before=%lu peak_working_set_after=%lu\n",
           (unsigned long)info.Width, (unsigned long)info.Height, GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN), renderedRead ? (unsigned long)out.Width : 0UL,
           renderedRead ? (unsigned long)out.Height : 0UL, bench::Median(applyTimes), bench::Median(renderTimes),
           (unsigned long)(3ul * info.Width * info.Height), (unsigned long)peak, counter,
           (unsigned long)before.PrivateUsage, (unsigned long)before.PagefileUsage,
           (unsigned long)after.PeakPagefileUsage, (unsigned long)before.WorkingSetSize,
           (unsigned long)after.PeakWorkingSetSize);
    return renderedRead ? 0 : 1;
}
