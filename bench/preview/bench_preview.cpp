// bench_preview [-n REPEATS] FILE...
// Runs under Wine (or Windows). For each bitmap file, the median time of
//   load:    opening the file, TBitmapFile::Load and ToImage (what the preview
//            cannot avoid), alternating with the preview's runs,
//   preview: CImagePreview::SetImageFile from the call until the picture is
//            painted (the information window, "[Loading]", the same load,
//            the display bitmap and palette, the first paint),
//   build:   BuildDisplayBitmap alone, from the converted image,
//   repaint: invalidating the loaded preview and painting it again,
// with the preview at the category page's size (68 x 46 dialog units).
// Prints one line per file:
//   FILE size=WxH colours=N preview_px=WxH load_ms=L preview_ms=P build_ms=B added=A%
//   added_min=M% repaint_ms=R
// (added: from the medians; added_min: from the fastest run of each).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Framework.h"
#include "Graphics.h"
#include "ImagePreview.h"
#include "resource.h"

namespace {

CWinApp g_app("bench_preview");

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <class F>
double MedianMs(int repeats, F f) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i)
        times.push_back(f());
    return Median(times);
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Reaches the internal step for the "build" figure.
class CBenchPreview : public CImagePreview {
public:
    bool Build(const TImage& image) { return BuildDisplayBitmap(image) != 0; }
};

class CHost : public CWnd {};

bool LoadImage(const char* name, TImage& image) {
    TDataFile file(false);
    TBitmapFile bitmap;
    file.Open(name, 8);
    return bitmap.Load(file) && bitmap.ToImage(image);
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = 5, first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-n") == 0) {
        repeats = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: bench_preview [-n REPEATS] FILE...\n");
        return 2;
    }

    CHost host;
    if (!host.CreateEx(0, NULL, "bench_preview", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 0, 0, 500, 400, NULL, NULL))
        return 1;
    // The page's preview rectangle in pixels, from a dialog in the pages' font.
    RECT size = {0, 0, 68, 46};
    CDialog measure;
    if (measure.Create(IDD_INFORMATION, &host)) {
        MapDialogRect(measure.m_hWnd, &size);
        measure.DestroyWindow();
    }
    HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 20, 20, size.right,
                                  size.bottom, host.m_hWnd, (HMENU)IDC_PREVIEW, GetModuleHandleA(NULL), NULL);
    CBenchPreview preview;
    if (button == NULL || !preview.SubclassWindow(button))
        return 1;
    Pump();

    int status = 0;
    for (int i = first; i < argc; ++i) {
        const char* name = argv[i];
        TImage probe;
        if (!LoadImage(name, probe)) {
            std::fprintf(stderr, "bench_preview: %s cannot be loaded\n", name);
            status = 1;
            continue;
        }
        // Load and preview alternate, so that whatever else the machine does
        // weighs on both alike.
        const TCharString path(name);
        std::vector<double> loads, shows;
        for (int r = 0; r < repeats; ++r) {
            {
                TImage image;
                const double start = Now();
                LoadImage(name, image);
                loads.push_back(Now() - start);
            }
            preview.SetImageFile(NULL);
            Pump();
            const double start = Now();
            preview.SetImageFile(&path);
            GdiFlush();
            shows.push_back(Now() - start);
        }
        const double load = Median(loads), shown = Median(shows);
        // The fastest runs, least disturbed by whatever else the machine does.
        const double loadMin = *std::min_element(loads.begin(), loads.end());
        const double shownMin = *std::min_element(shows.begin(), shows.end());
        const double build = MedianMs(repeats, [&] {
            const double start = Now();
            preview.Build(probe);
            return Now() - start;
        });
        preview.SetImageFile(NULL);
        preview.SetImageFile(&path);
        Pump();
        const double repaint = MedianMs(std::max(repeats, 25), [&] {
            const double start = Now();
            preview.Invalidate();
            preview.UpdateWindow();
            GdiFlush();
            return Now() - start;
        });
        std::printf("%s size=%ux%u colours=%u preview_px=%ldx%ld load_ms=%.1f preview_ms=%.1f build_ms=%.1f "
                    "added=%.1f%% added_min=%.1f%% repaint_ms=%.2f\n",
                    name, probe.GetWidth(), probe.GetHeight(), probe.Palette.GetCount(), size.right, size.bottom,
                    load, shown, build, 100.0 * (shown - load) / load, 100.0 * (shownMin - loadMin) / loadMin, repaint);
        std::fflush(stdout);
        if (preview.GetDisplayBits() == NULL) {
            std::fprintf(stderr, "bench_preview: %s was not shown\n", name);
            status = 1;
        }
    }
    preview.UnsubclassWindow();
    host.DestroyWindow();
    return status;
}
