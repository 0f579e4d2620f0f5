// The preview under Wine: an owner-drawn button of a real window subclassed
// by CImagePreview, loading bitmap files written by the test, painting them
// (read back from the screen) and showing its information window meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>
#include "AllocFail.h"
#include "Framework.h"
#include "Graphics.h"
#include "ImagePreview.h"
#include "resource.h"

namespace {

const char kInformationCaption[] = "Imagewheel [Information]";

struct Rgb {
    std::uint8_t R, G, B;
    bool operator==(const Rgb& o) const { return R == o.R && G == o.G && B == o.B; }
};

void Put(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s += char(v >> 8 * i & 0xFF);
}

// A "BM" file of 16, 24 or 32 bits per pixel with an information header of
// `headerSize` bytes (40, or 108 with masks and colour space left 0);
// pixel(x, y) with y = 0 the top row.
std::string Bitmap(int width, int height, std::function<Rgb(int, int)> pixel, int bits = 24, int headerSize = 40) {
    std::string pixels;
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, y);
            if (bits == 16)
                Put(row, (c.R >> 3) << 10 | (c.G >> 3) << 5 | c.B >> 3, 2);
            else
                Put(row, std::uint32_t(c.R) << 16 | c.G << 8 | c.B, bits / 8);
        }
        row.resize((row.size() + 3) / 4 * 4, '\0');
        pixels += row;
    }
    std::string file = "BM";
    Put(file, 14 + headerSize + pixels.size(), 4);
    Put(file, 0, 4);
    Put(file, 14 + headerSize, 4);
    for (std::uint32_t v : {std::uint32_t(headerSize), std::uint32_t(width), std::uint32_t(height)})
        Put(file, v, 4);
    Put(file, 1, 2);
    Put(file, bits, 2);
    file.resize(14 + headerSize, '\0');   // BI_RGB, sizes, resolutions and colour counts 0
    return file + pixels;
}

// The information window as a CBT hook sees it come and go.
struct InformationRecord {
    int Created = 0, Destroyed = 0, DestroyedVisible = 0;
    HWND Owner = NULL;
    POINT ClientOrigin = {};
};
InformationRecord g_information;
std::function<void()> g_duringLoad;   // runs as the information window is made
HHOOK g_hook;

LRESULT CALLBACK WatchInformation(int code, WPARAM wParam, LPARAM lParam) {
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    char text[64] = "";
    if (code == HCBT_CREATEWND) {
        LPCSTR name = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs->lpszName;
        if (name != NULL && !IS_INTRESOURCE(name) && std::strcmp(name, kInformationCaption) == 0) {
            ++g_information.Created;
            if (g_duringLoad)
                g_duringLoad();
        }
    } else if (code == HCBT_DESTROYWND && GetWindowTextA(hWnd, text, sizeof text) &&
               std::strcmp(text, kInformationCaption) == 0) {
        ++g_information.Destroyed;
        g_information.DestroyedVisible += IsWindowVisible(hWnd) != 0;
        g_information.Owner = GetWindow(hWnd, GW_OWNER);
        g_information.ClientOrigin = POINT{0, 0};
        ClientToScreen(hWnd, &g_information.ClientOrigin);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

// Reaches the internal step with an image no bitmap file gives.
class CTestPreview : public CImagePreview {
public:
    std::int16_t Build(const TImage& image) { return BuildDisplayBitmap(image); }
};

class ImagePreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateEx(0, NULL, "preview test", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 400,
                                  300, NULL, NULL));
        HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 20, 30, 150, 60,
                                      host.m_hWnd, (HMENU)IDC_PREVIEW, GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(preview.SubclassWindow(button));
        g_information = InformationRecord();
        g_hook = SetWindowsHookExA(WH_CBT, WatchInformation, NULL, GetCurrentThreadId());
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "iw_preview_" + std::to_string(GetCurrentProcessId()) + "_";
    }
    void TearDown() override {
        g_duringLoad = nullptr;
        UnhookWindowsHookEx(g_hook);
        preview.UnsubclassWindow();
        host.DestroyWindow();
        for (const std::string& f : files) {
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        }
    }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = folder + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        files.push_back(path);
        return path;
    }
    void Show(const std::string& path) {
        TCharString text(path.c_str());
        preview.SetImageFile(&text);
    }
    // The control's pixels as the screen shows them.
    std::vector<Rgb> Screen(int& width, int& height) {
        RECT client;
        preview.GetClientRect(&client);
        width = client.right;
        height = client.bottom;
        std::vector<Rgb> pixels;
        HDC hdc = GetDC(preview.m_hWnd);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const COLORREF c = GetPixel(hdc, x, y);
                pixels.push_back(Rgb{GetRValue(c), GetGValue(c), GetBValue(c)});
            }
        ReleaseDC(preview.m_hWnd, hdc);
        return pixels;
    }
    // Dark (text) pixels in the middle half of the control, and whether
    // there are none elsewhere.
    int DarkInMiddle(bool& onlyThere) {
        int width, height, dark = 0;
        std::vector<Rgb> pixels = Screen(width, height);
        onlyThere = true;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb& c = pixels[y * width + x];
                if (c.R < 64 && c.G < 64 && c.B < 64) {
                    const bool middle = x > width / 4 && x < width * 3 / 4 && y > height / 4 && y < height * 3 / 4;
                    dark += middle;
                    onlyThere = onlyThere && middle;
                }
            }
        return dark;
    }
    bool ShowsNotAvailable() {
        bool onlyThere;
        return DarkInMiddle(onlyThere) > 5 && onlyThere && preview.GetDisplayBits() == nullptr &&
               preview.GetPalette() == NULL;
    }
    std::vector<PALETTEENTRY> PaletteEntries() {
        WORD count = 0;
        if (preview.GetPalette() == NULL || !GetObjectA(preview.GetPalette(), sizeof count, &count))
            return {};
        std::vector<PALETTEENTRY> entries(count);
        GetPaletteEntries(preview.GetPalette(), 0, count, entries.data());
        return entries;
    }

    CWnd host;
    CTestPreview preview;
    std::string folder;
    std::vector<std::string> files;
};

TEST_F(ImagePreviewTest, DisplayBitmapIsBottomRowFirstBgrWithRowsPaddedToFourBytes) {
    const Rgb colours[2][3] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},       // top row
                               {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}};   // bottom row
    Show(Write("three.bmp", Bitmap(3, 2, [&](int x, int y) { return colours[y][x]; })));
    BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(&header, &preview.GetDisplayHeader(), sizeof header));
    const std::uint8_t rows[24] = {30, 20, 10, 60, 50, 40, 90, 80, 70, 0, 0, 0, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(0, std::memcmp(rows, preview.GetDisplayBits(), sizeof rows));
    // One palette entry per colour, in the conversion's order.
    std::vector<PALETTEENTRY> entries = PaletteEntries();
    ASSERT_EQ(6u, entries.size());
    EXPECT_EQ(255, entries[0].peBlue);
    EXPECT_EQ(255, entries[5].peRed);
    for (const PALETTEENTRY& e : entries)
        EXPECT_EQ(PC_NOCOLLAPSE, e.peFlags);

    // A pixel value outside the palette throws the vector's exception and
    // leaves nothing half-built.
    TImage image;
    std::uint32_t pixels[2] = {0, 1};
    image.SetPixels(pixels, 2, 1, false);
    image.Palette.InsertLast(TRGBColor(1, 2, 3));
    EXPECT_THROW(preview.Build(image), TExceptionBase);
    preview.Invalidate();
    preview.UpdateWindow();
    EXPECT_TRUE(ShowsNotAvailable());
}

TEST_F(ImagePreviewTest, APictureFillsTheWholeControlWhateverItsAspectRatio) {
    // 320 x 400 in four quadrants, on a control of 150 x 60 and then 90 x 140.
    typedef Rgb Quadrants[2][2];
    const Quadrants first = {{{200, 0, 0}, {0, 200, 0}}, {{0, 0, 200}, {200, 200, 0}}};
    const Quadrants second = {{{0, 200, 200}, {200, 0, 200}}, {{90, 90, 90}, {250, 250, 250}}};
    auto file = [&](const char* name, const Quadrants& q) {
        return Write(name, Bitmap(320, 400, [&q](int x, int y) { return q[y / 200][x / 160]; }));
    };
    // Pixels off their quadrant's colour (next to the middle either will do).
    auto wrongPixels = [&](const Quadrants& q, int expectWidth, int expectHeight) {
        int width, height, wrong = 0;
        std::vector<Rgb> pixels = Screen(width, height);
        EXPECT_EQ(expectWidth, width);
        EXPECT_EQ(expectHeight, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (std::abs(2 * x + 1 - width) > 2 && std::abs(2 * y + 1 - height) > 2)
                    wrong += !(pixels[y * width + x] == q[2 * y / height][2 * x / width]);
        return wrong;
    };
    Show(file("tall.bmp", first));
    EXPECT_EQ(0, wrongPixels(first, 150, 60)) << "stretched over every pixel";
    EXPECT_EQ(4u, PaletteEntries().size());
    preview.Invalidate();
    preview.UpdateWindow();
    EXPECT_EQ(0, wrongPixels(first, 150, 60)) << "repainted";
    preview.MoveWindow(20, 30, 90, 140);
    preview.UpdateWindow();
    EXPECT_EQ(0, wrongPixels(first, 90, 140)) << "repainted at another size";

    // WM_ACTIVATE, minimised or not, changes nothing shown or kept.
    const std::uint8_t* bits = preview.GetDisplayBits();
    HPALETTE palette = preview.GetPalette();
    for (WPARAM w : {MAKEWPARAM(WA_ACTIVE, TRUE), MAKEWPARAM(WA_INACTIVE, FALSE), MAKEWPARAM(WA_ACTIVE, FALSE)})
        preview.SendMessage(WM_ACTIVATE, w, 0);
    EXPECT_EQ(bits, preview.GetDisplayBits());
    EXPECT_EQ(palette, preview.GetPalette());
    EXPECT_EQ(0, wrongPixels(first, 90, 140));

    Show(file("other.bmp", second));
    EXPECT_EQ(0, wrongPixels(second, 90, 140)) << "the next picture replaces it";
}

TEST_F(ImagePreviewTest, TheSamePathLoadsOnceLetterCaseCountsAndNoPathEmpties) {
    auto solid = [](Rgb c) { return Bitmap(8, 8, [c](int, int) { return c; }); };
    const std::string path = Write("same.bmp", solid({200, 0, 0}));
    Show(path);
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_STREQ(path.c_str(), preview.GetCurrentPath().GetText());

    // While the next file loads, "[Loading]" is written over the old picture.
    int darkInMiddle = 0, oldAround = 0, around = 0;
    g_duringLoad = [&] {
        bool unused;
        darkInMiddle = DarkInMiddle(unused);
        int width, height;
        std::vector<Rgb> pixels = Screen(width, height);
        for (int x = 0; x < width; ++x, ++around)
            oldAround += pixels[x] == Rgb{200, 0, 0};
    };
    Show(Write("next.bmp", solid({0, 200, 0})));
    g_duringLoad = nullptr;
    EXPECT_GT(darkInMiddle, 10);
    EXPECT_EQ(around, oldAround);
    EXPECT_EQ(200, preview.GetDisplayBits()[1]);

    // The file changes on disk; asking twice for its path loads it once.
    Show(path);
    Write("same.bmp", solid({0, 0, 200}));
    Show(path);
    EXPECT_EQ(200, preview.GetDisplayBits()[2]);
    EXPECT_EQ(3, g_information.Created);

    // The same file spelt in capitals is loaded again.
    std::string upper = path;
    upper.replace(upper.size() - 8, 8, "SAME.BMP");
    Show(upper);
    EXPECT_EQ(200, preview.GetDisplayBits()[0]);
    EXPECT_EQ(4, g_information.Created);

    // No path: "N/A" and an empty path, so the file loads anew afterwards.
    preview.SetImageFile(NULL);
    EXPECT_TRUE(ShowsNotAvailable());
    EXPECT_EQ(0u, preview.GetCurrentPath().GetLength());
    Show(upper);
    EXPECT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(5, g_information.Created);
}

TEST_F(ImagePreviewTest, FilesThatCannotBeShownEndInNotAvailable) {
    const std::string good = Write("good.bmp", Bitmap(4, 4, [](int x, int) { return Rgb{uint8_t(x * 60), 9, 9}; }));
    const std::string readOnly = Write("readonly.bmp", Bitmap(4, 4, [](int, int) { return Rgb{1, 2, 3}; }));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Windows cannot open a read-only file for writing; Wine run by root can,
    // and then that case shows the picture and is not checked.
    HANDLE probe = CreateFileA(readOnly.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        std::printf("note: this Wine opens read-only files for writing; that case is not checked\n");
    }
    auto grey = [](int x, int y) { return Rgb{uint8_t(x * 8), uint8_t(y * 8), 128}; };
    const std::string cases[] = {
        good + ".missing",
        probe == INVALID_HANDLE_VALUE ? readOnly : good + ".missing",
        Write("sixteen.bmp", Bitmap(16, 8, grey, 16)),
        Write("thirtytwo.bmp", Bitmap(16, 8, grey, 32)),
        Write("v4.bmp", Bitmap(16, 8, grey, 24, 108)),
        Write("notes.bmp", "These are not the pixels you are looking for.\r\n"),
        "[Original] (not cycled)",
    };
    int loads = 0;
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        Show(good);
        ASSERT_NE(nullptr, preview.GetDisplayBits());
        Show(path);
        loads += 2;
        EXPECT_TRUE(ShowsNotAvailable());
        EXPECT_STREQ(path.c_str(), preview.GetCurrentPath().GetText()) << "kept although the load failed";
        EXPECT_EQ(loads, g_information.Created);
        EXPECT_EQ(loads, g_information.DestroyedVisible) << "shown for the whole load, then destroyed";
        EXPECT_EQ(NULL, FindWindowA(NULL, kInformationCaption));
        Show(path);
        EXPECT_EQ(loads, g_information.Created) << "not retried";
    }
    // Owned by the page (the host here), at the origin of its client area.
    EXPECT_EQ(host.m_hWnd, g_information.Owner);
    POINT origin = {0, 0};
    ClientToScreen(host.m_hWnd, &origin);
    EXPECT_EQ(origin.x, g_information.ClientOrigin.x);
    EXPECT_EQ(origin.y, g_information.ClientOrigin.y);
}

TEST_F(ImagePreviewTest, OnePaletteEntryPerColourUpTo65535ThenRepresentativeColours) {
    // 255 x 257 pixels of distinct colours: 65,535 entries, sorted.
    Show(Write("limit.bmp", Bitmap(255, 257, [](int x, int y) {
        const int i = y * 255 + x;
        return Rgb{uint8_t(i & 0xFF), uint8_t(i >> 8), 0};
    })));
    std::vector<PALETTEENTRY> entries = PaletteEntries();
    ASSERT_EQ(65535u, entries.size());
    for (size_t i = 0; i < entries.size(); i += 997) {
        EXPECT_EQ(i >> 8, entries[i].peRed);
        EXPECT_EQ(i & 0xFF, entries[i].peGreen);
        EXPECT_EQ(PC_NOCOLLAPSE, entries[i].peFlags);
    }

    // 76,800 colours: 256 representative ones, close to every pixel, so that
    // a 256-colour display still shows the picture; the display bits stay exact.
    auto picture = [](int x, int y) { return Rgb{uint8_t(x * 255 / 319), uint8_t(y), uint8_t((x + 2 * y) & 0xFF)}; };
    Show(Write("many.bmp", Bitmap(320, 240, picture)));
    entries = PaletteEntries();
    ASSERT_EQ(256u, entries.size());
    double total = 0, worst = 0;
    int samples = 0;
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3, ++samples) {
            const Rgb c = picture(x, y);
            double best = 1e9;
            for (const PALETTEENTRY& e : entries)
                best = std::min(best, std::hypot(std::hypot(c.R - e.peRed, c.G - e.peGreen), c.B - e.peBlue));
            total += best;
            worst = std::max(worst, best);
        }
    EXPECT_LT(total / samples, 20.0);
    EXPECT_LT(worst, 60.0);
    EXPECT_EQ(picture(0, 239).B, preview.GetDisplayBits()[0]);
    EXPECT_EQ(picture(0, 239).R, preview.GetDisplayBits()[2]);
}

TEST_F(ImagePreviewTest, RunningOutOfMemoryAnywhereInALoadEndsInNotAvailable) {
    const std::string few = Write("oom.bmp", Bitmap(40, 30, [](int x, int y) {
        return Rgb{uint8_t(x * 6), uint8_t(y * 8), uint8_t(x ^ y)};
    }));
    const std::string many = Write("oom-many.bmp", Bitmap(300, 240, [](int x, int y) {
        return Rgb{uint8_t(x), uint8_t(y), uint8_t(x >> 8 | (y & 0xFE))};
    }));
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (const std::string& file : {few, many}) {
        SCOPED_TRACE(file);
        const TCharString path(file.c_str());
        int empty = 0;
        long failed = 1;
        for (long skip = 0; skip < 300 && failed != 0; ++skip) {
            preview.SetImageFile(NULL);
            {
                iwtest::AllocFailScope scope(skip, 1);
                preview.SetImageFile(&path);
                failed = iwtest::AllocationsFailed();
            }
            EXPECT_EQ(NULL, FindWindowA(NULL, kInformationCaption));
            if (preview.GetDisplayBits() == nullptr) {
                ++empty;
                EXPECT_TRUE(ShowsNotAvailable()) << skip;
            } else {
                EXPECT_NE(nullptr, preview.GetPalette()) << skip;
            }
        }
        EXPECT_EQ(0, failed) << "a load without a failed allocation was reached";
        EXPECT_NE(nullptr, preview.GetDisplayBits());
        EXPECT_GT(empty, 3);
    }
    preview.SetImageFile(NULL);
    EXPECT_EQ(gdi, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) << "no palette or bitmap left";
    EXPECT_EQ(user, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) << "no window left";
}

}  // namespace
