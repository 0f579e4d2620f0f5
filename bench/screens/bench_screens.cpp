// bench_screens [FILES] [FOLDER]: under Wine (scripts/bench-screens.sh).
//
// 1. MakeScreen of a 1024 x 768 true-colour picture, start-up and shut-down,
//    median of 5.
// 2. FILES small bitmaps (default 3000) written into FOLDER, then in one sheet:
//    the list box filled with their names directly (what adding them costs:
//    the baseline), a drop of them all on the Wallpaper page, and a drop on
//    the Signon page answered No (each file is looked at: is it a screen, can
//    it be decoded). Each until the list holds them.
// 3. A drop of 20 of them on the Signon page answered Yes: the time per
//    screen made.
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>
#include "CategoryPage.h"
#include "Engine.h"
#include "MessageBox.h"
#include "Screen.h"
#include "resource.h"

namespace {

CWinApp g_app("bench_screens");

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(f.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int g_answer = IDNO;
int Answer(HWND, LPCSTR, LPCSTR, UINT) { return g_answer; }

std::string SmallBitmap(unsigned seed) {
    std::string b(54 + 12 * 3, '\0');
    const unsigned long fields[] = {static_cast<unsigned long>(b.size()), 0, 54, 40, 4, 3};
    b[0] = 'B';
    b[1] = 'M';
    for (int f = 0; f < 6; ++f)
        for (int i = 0; i < 4; ++i) b[2 + 4 * f + i] = char((fields[f] >> (8 * i)) & 0xFF);
    b[26] = 1;
    b[28] = 24;
    for (size_t i = 54; i < b.size(); ++i) b[i] = char(seed * 31 + i * 7);
    return b;
}

void Drop(HWND page, const std::vector<std::string>& files) {
    std::string names;
    for (const std::string& f : files) names += f + '\0';
    names += '\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt.x = drop->pt.y = 1;   // not over the list: at the end
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(block);
    SendMessageA(page, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

int Count(CWnd& page) {
    return int(SendMessageA(GetDlgItem(page.GetSafeHwnd(), IDC_FILES), LB_GETCOUNT, 0, 0));
}

std::function<void()> g_work;
void CALLBACK RunWork(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(NULL, id);
    if (g_work) g_work();
    g_work = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? atoi(argv[1]) : 3000;
    const std::string folder = argc > 2 ? argv[2] : "bench-screens-files";

    // 1. Making a screen.
    TPicture picture;
    picture.Create(1024, 768);
    for (unsigned y = 0; y < 768; ++y)
        for (unsigned x = 0; x < 1024; ++x) {
            unsigned char* p = picture.GetPixels() + 3 * (size_t(y) * 1024 + x);
            p[0] = (unsigned char)(x / 4);
            p[1] = (unsigned char)(y / 3);
            p[2] = (unsigned char)(128 + 120 * sin(x / 40.0) * cos(y / 30.0) + (x * 7 + y * 13) % 9);
        }
    for (TScreenKind kind : {TScreenKind::Startup, TScreenKind::Shutdown}) {
        std::vector<double> times;
        for (int i = 0; i < 5; ++i) {
            std::vector<std::uint8_t> bytes;
            const double start = Now();
            MakeScreen(picture, kind, bytes);
            times.push_back(Now() - start);
        }
        printf("make_screen_%s_ms=%.1f\n", kind == TScreenKind::Startup ? "startup" : "shutdown", Median(times));
    }

    // 2. Drops of many files.
    CreateDirectoryA(folder.c_str(), NULL);
    char full[MAX_PATH];
    GetFullPathNameA(folder.c_str(), MAX_PATH, full, NULL);
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        char name[MAX_PATH];
        wsprintfA(name, "%s\\picture%05d.bmp", full, i);
        paths.push_back(name);
        FILE* f = fopen(name, "wb");
        if (f) {
            const std::string bytes = SmallBitmap(i);
            fwrite(bytes.data(), 1, bytes.size(), f);
            fclose(f);
        }
    }
    // What a drop asks the file system for each file.
    double start = Now();
    for (const std::string& p : paths) GetFileAttributesA(p.c_str());
    const double attributes = Now() - start;
    start = Now();
    for (const std::string& p : paths) {
        TPictureInfo info;
        ReadPictureInfo(p.c_str(), info);
    }
    const double pictureInfo = Now() - start;
    std::string names;
    for (const std::string& p : paths) names += p + '\0';
    names += '\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    DROPFILES* dropfiles = static_cast<DROPFILES*>(GlobalLock(block));
    dropfiles->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(dropfiles) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(block);
    start = Now();
    char name[MAX_PATH + 1];
    for (int i = 0; i < files; ++i) DragQueryFileA(HDROP(block), i, name, sizeof name);
    const double queries = Now() - start;
    GlobalFree(block);
    printf("file_attributes_ms=%.0f\npicture_info_ms=%.0f\ndrag_query_file_ms=%.0f\n", attributes, pictureInfo, queries);

    SetMessageBoxSink(Answer);
    CWallpaperPage wallpaper;
    CCategoryPage signon(IDD_SIGNON);
    CPropertySheet sheet("Imagewheel", NULL, 0);
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.AddPage(&wallpaper);
    sheet.AddPage(&signon);
    double baseline = 0, wallpaperDrop = 0, signonNo = 0, perScreen = 0;
    g_work = [&] {
        HWND list = GetDlgItem(wallpaper.GetSafeHwnd(), IDC_FILES);
        double start = Now();
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        for (const std::string& p : paths) SendMessageA(list, LB_INSERTSTRING, -1, (LPARAM)p.c_str());
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, NULL, TRUE);
        UpdateWindow(list);
        baseline = Now() - start;
        SendMessageA(list, LB_RESETCONTENT, 0, 0);

        start = Now();
        Drop(wallpaper.GetSafeHwnd(), paths);
        UpdateWindow(list);
        wallpaperDrop = Now() - start;
        if (Count(wallpaper) != files) printf("wallpaper drop: %d entries\n", Count(wallpaper));

        sheet.SetActivePage(1);
        g_answer = IDNO;
        start = Now();
        Drop(signon.GetSafeHwnd(), paths);
        UpdateWindow(GetDlgItem(signon.GetSafeHwnd(), IDC_FILES));
        signonNo = Now() - start;
        if (Count(signon) != files) printf("signon drop: %d entries\n", Count(signon));

        g_answer = IDYES;
        const std::vector<std::string> some(paths.begin(), paths.begin() + std::min(files, 20));
        start = Now();
        Drop(signon.GetSafeHwnd(), some);
        perScreen = (Now() - start) / some.size();
        sheet.PressButton(PSBTN_CANCEL);
    };
    SetTimer(NULL, 0, 500, RunWork);
    sheet.DoModal();
    printf("files=%d\nlist_fill_ms=%.0f\nwallpaper_drop_ms=%.0f\nsignon_drop_no_ms=%.0f\nscreen_per_file_ms=%.1f\n",
           files, baseline, wallpaperDrop, signonNo, perScreen);
    printf("wallpaper_drop_ratio=%.2f\nsignon_drop_no_ratio=%.2f\n", wallpaperDrop / baseline, signonNo / baseline);
    for (const std::string& p : paths) DeleteFileA(p.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
