// The preview under Wine: an owner-drawn button of a real window subclassed
// by CImagePreview, loading bitmap files written by the test, painting them
// (read back from the screen) and showing its information window while it
// loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "AllocFail.h"
#include "Graphics.h"
#include "Framework.h"
#include "ImagePreview.h"
#include "PagesTestSupport.h"
#include "resource.h"

namespace {

const char kInformationCaption[] = "Imagewheel [Information]";

// ---------------------------------------------------------------------------
// Bitmap files

struct Rgb {
    std::uint8_t R, G, B;
    bool operator==(const Rgb& o) const { return R == o.R && G == o.G && B == o.B; }
};

void Put16(std::string& s, unsigned v) {
    s += char(v & 0xFF);
    s += char(v >> 8 & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A "BM" file of `bits` per pixel (16, 24 or 32) with an information header
// of `headerSize` bytes (40 or 108); pixel(x, y) with y = 0 the top row.
// With 8 bits the colours are the entries of `table`, and pixel(x, y).R is
// the index.
std::string Bitmap(int width, int height, std::function<Rgb(int, int)> pixel, int bits = 24,
                   int headerSize = 40, const std::vector<Rgb>& table = {}) {
    const int stride = (width * bits / 8 + 3) / 4 * 4;
    std::string pixels;
    for (int row = height - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            Rgb c = pixel(x, row);
            if (bits == 8) {
                line += char(c.R);
            } else if (bits == 24) {
                line += char(c.B);
                line += char(c.G);
                line += char(c.R);
            } else if (bits == 32) {
                Put32(line, std::uint32_t(c.R) << 16 | c.G << 8 | c.B);
            } else {
                Put16(line, (c.R >> 3) << 10 | (c.G >> 3) << 5 | (c.B >> 3));
            }
        }
        line.resize(stride, '\0');
        pixels += line;
    }
    std::string colours;
    for (const Rgb& c : table) {
        colours += char(c.B);
        colours += char(c.G);
        colours += char(c.R);
        colours += '\0';
    }
    std::string file = "BM";
    Put32(file, 14 + headerSize + colours.size() + pixels.size());
    Put32(file, 0);
    Put32(file, 14 + headerSize + colours.size());
    Put32(file, headerSize);
    Put32(file, width);
    Put32(file, height);
    Put16(file, 1);
    Put16(file, bits);
    Put32(file, 0);   // BI_RGB
    Put32(file, pixels.size());
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, table.size());
    Put32(file, 0);
    file.resize(14 + headerSize, '\0');   // a 108-byte header's masks and colour space stay 0
    return file + colours + pixels;
}

class TempFolder {
public:
    TempFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        m_path = std::string(base) + "iw_preview_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_path.c_str(), NULL);
    }
    ~TempFolder() {
        for (const std::string& f : m_files) {
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        }
        RemoveDirectoryA(m_path.c_str());
    }
    std::string Write(const std::string& name, const std::string& content) {
        std::string path = m_path + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        m_files.insert(path);
        return path;
    }

private:
    std::string m_path;
    std::set<std::string> m_files;
};

// ---------------------------------------------------------------------------
// The window around the preview, and a record of the information window

class Host : public CWnd {};

// Reaches the internal step with images no bitmap file can produce.
class CBuildingPreview : public CImagePreview {
public:
    std::int16_t Build(const TImage& image) { return BuildDisplayBitmap(image); }
};

struct InformationRecord {
    int Created = 0;
    int Destroyed = 0;
    int DestroyedVisible = 0;
    HWND Owner = NULL;
    POINT ClientOrigin = {};
};
InformationRecord g_information;
HHOOK g_hook;
// Runs when the information window is being created, that is during a load.
std::function<void()> g_duringLoad;

bool IsInformation(HWND hWnd) {
    char text[64] = "";
    GetWindowTextA(hWnd, text, sizeof text);
    return std::strcmp(text, kInformationCaption) == 0;
}

LRESULT CALLBACK WatchInformation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        if (create->lpcs->lpszName != NULL && !IS_INTRESOURCE(create->lpcs->lpszName) &&
            std::strcmp(create->lpcs->lpszName, kInformationCaption) == 0) {
            ++g_information.Created;
            if (g_duringLoad)
                g_duringLoad();
        }
    } else if (code == HCBT_DESTROYWND && IsInformation(reinterpret_cast<HWND>(wParam))) {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        ++g_information.Destroyed;
        if (IsWindowVisible(hWnd))
            ++g_information.DestroyedVisible;
        g_information.Owner = GetWindow(hWnd, GW_OWNER);
        g_information.ClientOrigin = POINT{0, 0};
        ClientToScreen(hWnd, &g_information.ClientOrigin);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

class ImagePreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateEx(0, NULL, "preview test", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 400,
                                  300, NULL, NULL));
        HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 20, 30, 150, 60,
                                      host.m_hWnd, (HMENU)IDC_PREVIEW, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(nullptr, button);
        ASSERT_TRUE(preview.SubclassWindow(button));
        g_information = InformationRecord();
        g_hook = SetWindowsHookExA(WH_CBT, WatchInformation, NULL, GetCurrentThreadId());
        Pump();
    }
    void TearDown() override {
        g_duringLoad = nullptr;
        UnhookWindowsHookEx(g_hook);
        preview.UnsubclassWindow();
        host.DestroyWindow();
        Pump();
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
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
                COLORREF c = GetPixel(hdc, x, y);
                pixels.push_back(Rgb{GetRValue(c), GetGValue(c), GetBValue(c)});
            }
        ReleaseDC(preview.m_hWnd, hdc);
        return pixels;
    }
    // Whether the control shows "N/A": some dark text pixels on the button
    // face, in the middle only.
    bool ShowsNotAvailable() {
        int width, height;
        std::vector<Rgb> pixels = Screen(width, height);
        int dark = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb& c = pixels[y * width + x];
                if (c.R < 64 && c.G < 64 && c.B < 64) {
                    ++dark;
                    if (x < width / 4 || x > width * 3 / 4 || y < height / 4 || y > height * 3 / 4)
                        return false;
                }
            }
        return dark > 5 && preview.GetDisplayBits() == nullptr;
    }
    int PaletteCount() {
        WORD count = 0;
        return preview.GetPalette() != NULL && GetObjectA(preview.GetPalette(), sizeof count, &count) ? count : 0;
    }
    std::vector<PALETTEENTRY> PaletteEntries() {
        std::vector<PALETTEENTRY> entries(PaletteCount());
        if (!entries.empty())
            GetPaletteEntries(preview.GetPalette(), 0, entries.size(), entries.data());
        return entries;
    }

    Host host;
    CBuildingPreview preview;
    TempFolder folder;
};

TEST_F(ImagePreviewTest, DisplayBitmapRowsAreBottomFirstBgrPaddedToFourBytes) {
    const Rgb colours[2][3] = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},       // top row
                               {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}};   // bottom row
    Show(folder.Write("three.bmp", Bitmap(3, 2, [&](int x, int y) { return colours[y][x]; })));
    const BITMAPINFOHEADER& header = preview.GetDisplayHeader();
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(3, header.biWidth);
    EXPECT_EQ(2, header.biHeight);
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
    EXPECT_EQ(0u, header.biSizeImage);
    EXPECT_EQ(0, header.biXPelsPerMeter);
    EXPECT_EQ(0, header.biYPelsPerMeter);
    EXPECT_EQ(0u, header.biClrUsed);
    EXPECT_EQ(0u, header.biClrImportant);
    const std::uint8_t* bits = preview.GetDisplayBits();
    ASSERT_NE(nullptr, bits);
    const std::uint8_t expected[24] = {30, 20, 10, 60, 50, 40, 90, 80, 70, 0, 0, 0,
                                       0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, bits, sizeof expected));

    // One palette entry per colour, as the conversion sorted them.
    std::vector<PALETTEENTRY> entries = PaletteEntries();
    ASSERT_EQ(6u, entries.size());
    EXPECT_EQ(0, entries[0].peRed);
    EXPECT_EQ(255, entries[0].peBlue);
    EXPECT_EQ(255, entries[5].peRed);
    for (const PALETTEENTRY& e : entries)
        EXPECT_EQ(PC_NOCOLLAPSE, e.peFlags);
    EXPECT_EQ(1, g_information.Created);
    EXPECT_EQ(1, g_information.Destroyed);

    // An 8-bit picture: its colour table is the palette, its pixels the
    // table's colours.
    const std::vector<Rgb> table = {{1, 2, 3}, {250, 128, 0}, {9, 9, 9}};
    Show(folder.Write("eight.bmp", Bitmap(2, 1, [](int x, int) { return Rgb{uint8_t(x + 1), 0, 0}; }, 8, 40, table)));
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    const std::uint8_t row[8] = {0, 128, 250, 9, 9, 9, 0, 0};
    EXPECT_EQ(0, std::memcmp(row, preview.GetDisplayBits(), sizeof row));
    entries = PaletteEntries();
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(250, entries[1].peRed);
    EXPECT_EQ(128, entries[1].peGreen);
}

TEST_F(ImagePreviewTest, APictureFillsTheWholeControlWhateverItsAspectRatio) {
    // 320 x 400 in four quadrants, on a control of 150 x 60 and then 90 x 140.
    typedef Rgb Quadrants[2][2];
    const Quadrants first = {{{200, 0, 0}, {0, 200, 0}}, {{0, 0, 200}, {200, 200, 0}}};
    const Quadrants second = {{{0, 200, 200}, {200, 0, 200}}, {{90, 90, 90}, {250, 250, 250}}};
    auto file = [&](const char* name, const Quadrants& q) {
        return folder.Write(name, Bitmap(320, 400, [&q](int x, int y) { return q[y / 200][x / 160]; }));
    };
    // Pixels off the quadrant of their position (rows and columns next to
    // the middle may take either neighbour).
    auto wrongPixels = [&](const Quadrants& q, int expectWidth, int expectHeight) {
        int width, height;
        std::vector<Rgb> pixels = Screen(width, height);
        EXPECT_EQ(expectWidth, width);
        EXPECT_EQ(expectHeight, height);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (std::abs(2 * x + 1 - width) <= 2 || std::abs(2 * y + 1 - height) <= 2)
                    continue;
                if (!(pixels[y * width + x] == q[2 * y / height][2 * x / width]))
                    ++wrong;
            }
        return wrong;
    };
    Show(file("tall.bmp", first));
    EXPECT_EQ(0, wrongPixels(first, 150, 60)) << "every pixel shows the picture, stretched";
    EXPECT_EQ(4, PaletteCount());

    // Repaints show the same; so does a repaint at another size.
    preview.Invalidate();
    preview.UpdateWindow();
    EXPECT_EQ(0, wrongPixels(first, 150, 60));
    preview.MoveWindow(20, 30, 90, 140);
    preview.UpdateWindow();
    EXPECT_EQ(0, wrongPixels(first, 90, 140));

    // WM_ACTIVATE, minimised or not, changes nothing that is shown or kept.
    const std::uint8_t* bits = preview.GetDisplayBits();
    HPALETTE palette = preview.GetPalette();
    preview.SendMessage(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, TRUE), 0);
    preview.SendMessage(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, FALSE), 0);
    preview.SendMessage(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, FALSE), 0);
    EXPECT_EQ(bits, preview.GetDisplayBits());
    EXPECT_EQ(palette, preview.GetPalette());
    EXPECT_EQ(0, wrongPixels(first, 90, 140));

    // The next picture replaces what was painted.
    Show(file("other.bmp", second));
    EXPECT_EQ(0, wrongPixels(second, 90, 140));
    preview.Invalidate();
    preview.UpdateWindow();
    EXPECT_EQ(0, wrongPixels(second, 90, 140));
}

TEST_F(ImagePreviewTest, TheSamePathLoadsOnceAndLetterCaseCounts) {
    auto solid = [](Rgb c) { return Bitmap(8, 8, [c](int, int) { return c; }); };
    const std::string path = folder.Write("same.bmp", solid({200, 0, 0}));
    Show(path);
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(0, preview.GetDisplayBits()[0]);
    EXPECT_EQ(200, preview.GetDisplayBits()[2]);
    EXPECT_STREQ(path.c_str(), preview.GetCurrentPath().GetText());

    // While the next file loads, "[Loading]" is written over the old picture.
    int width = 0, height = 0, darkInside = 0, oldOutside = 0, outside = 0;
    g_duringLoad = [&] {
        std::vector<Rgb> pixels = Screen(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb& c = pixels[y * width + x];
                const bool inside = x > width / 4 && x < width * 3 / 4 && y > height / 4 && y < height * 3 / 4;
                if (inside && c.R < 64 && c.G < 64 && c.B < 64)
                    ++darkInside;
                if (!inside) {
                    ++outside;
                    oldOutside += c == Rgb{200, 0, 0};
                }
            }
    };
    const std::string path2 = folder.Write("next.bmp", solid({0, 200, 0}));
    Show(path2);
    g_duringLoad = nullptr;
    EXPECT_GT(darkInside, 10) << "the text";
    EXPECT_GT(oldOutside, outside / 2) << "around it the old picture";
    EXPECT_EQ(200, preview.GetDisplayBits()[1]);
    Show(path);
    EXPECT_EQ(3, g_information.Created);

    // The file changes on disk; asking for the same path keeps the old picture.
    folder.Write("same.bmp", solid({0, 0, 200}));
    Show(path);
    EXPECT_EQ(200, preview.GetDisplayBits()[2]);
    EXPECT_EQ(3, g_information.Created) << "no load";

    // The same file under another spelling is loaded again.
    std::string upper = path;
    upper.replace(upper.size() - 8, 8, "SAME.BMP");
    Show(upper);
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(200, preview.GetDisplayBits()[0]);
    EXPECT_EQ(4, g_information.Created);
    EXPECT_STREQ(upper.c_str(), preview.GetCurrentPath().GetText());

    // No path: "N/A", the path emptied, so the file loads anew afterwards.
    preview.SetImageFile(NULL);
    EXPECT_TRUE(ShowsNotAvailable());
    EXPECT_EQ(0u, preview.GetCurrentPath().GetLength());
    EXPECT_EQ(nullptr, preview.GetPalette());
    EXPECT_EQ(4, g_information.Created) << "clearing loads nothing";
    Show(upper);
    EXPECT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(5, g_information.Created);
}

TEST_F(ImagePreviewTest, FilesThatCannotBeShownEndInNotAvailable) {
    const std::string good = folder.Write("good.bmp", Bitmap(4, 4, [](int x, int y) { return Rgb{uint8_t(x * 60), uint8_t(y * 60), 9}; }));
    const std::string readOnly = folder.Write("readonly.bmp", Bitmap(4, 4, [](int, int) { return Rgb{1, 2, 3}; }));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Windows refuses to open a read-only file for writing; Wine run by root
    // does not, and then the picture simply loads.
    HANDLE probe = CreateFileA(readOnly.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    const bool readOnlyRefused = probe == INVALID_HANDLE_VALUE;
    if (!readOnlyRefused)
        CloseHandle(probe);
    auto grey = [](int x, int y) { return Rgb{uint8_t(x * 8), uint8_t(y * 8), 128}; };
    const struct {
        const char* What;
        std::string Path;
    } cases[] = {
        {"missing", good + ".missing"},
        {"read-only", readOnly},
        {"16 bits", folder.Write("sixteen.bmp", Bitmap(16, 8, grey, 16))},
        {"32 bits", folder.Write("thirtytwo.bmp", Bitmap(16, 8, grey, 32))},
        {"108-byte header", folder.Write("v4.bmp", Bitmap(16, 8, grey, 24, 108))},
        {"text", folder.Write("notes.bmp", "These are not the pixels you are looking for.\r\n")},
        {"the original entry", "[Original] (not cycled)"},
    };
    int loads = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        if (c.Path == readOnly && !readOnlyRefused) {
            std::printf("note: this Wine opens read-only files for writing; that case is not checked\n");
            continue;
        }
        Show(good);
        ASSERT_NE(nullptr, preview.GetDisplayBits());
        loads += 1;
        Show(c.Path);
        loads += 1;
        EXPECT_TRUE(ShowsNotAvailable());
        EXPECT_EQ(nullptr, preview.GetPalette());
        EXPECT_STREQ(c.Path.c_str(), preview.GetCurrentPath().GetText()) << "kept although the load failed";
        EXPECT_EQ(loads, g_information.Created);
        EXPECT_EQ(loads, g_information.Destroyed);
        EXPECT_EQ(loads, g_information.DestroyedVisible) << "shown for the whole load";
        EXPECT_EQ(NULL, FindWindowA(NULL, kInformationCaption));
        // Asking again does not retry.
        Show(c.Path);
        EXPECT_EQ(loads, g_information.Created);
    }

    // The information window is owned by the page (here the host window) and
    // sits at the origin of its client area.
    EXPECT_EQ(host.m_hWnd, g_information.Owner);
    POINT origin = {0, 0};
    ClientToScreen(host.m_hWnd, &origin);
    EXPECT_EQ(origin.x, g_information.ClientOrigin.x);
    EXPECT_EQ(origin.y, g_information.ClientOrigin.y);
}

TEST_F(ImagePreviewTest, TrueColourPicturesGetOnePaletteEntryPerColourUpToTheLimit) {
    // 255 x 257 pixels of distinct colours: 65,535, the most a palette counts.
    auto distinct = [](int width) {
        return [width](int x, int y) {
            const int i = y * width + x;
            return Rgb{uint8_t(i & 0xFF), uint8_t(i >> 8 & 0xFF), uint8_t(i >> 16)};
        };
    };
    Show(folder.Write("limit.bmp", Bitmap(255, 257, distinct(255))));
    std::vector<PALETTEENTRY> entries = PaletteEntries();
    ASSERT_EQ(65535u, entries.size());
    for (size_t i = 0; i < entries.size(); i += 997) {
        // Sorted by red, green, blue: entry i is the colour (i >> 8, i & 0xFF, 0)
        // of pixel index (i & 0xFF) << 8 | i >> 8.
        EXPECT_EQ(i >> 8, entries[i].peRed);
        EXPECT_EQ(i & 0xFF, entries[i].peGreen);
        EXPECT_EQ(0, entries[i].peBlue);
        EXPECT_EQ(PC_NOCOLLAPSE, entries[i].peFlags);
    }

    // One colour more: 256 representative colours (median cut) that a
    // 256-colour display can show; every pixel finds one close to it.
    const int width = 320, height = 240;   // 76,800 colours
    auto picture = [](int x, int y) { return Rgb{uint8_t(x * 255 / 319), uint8_t(y), uint8_t((x + 2 * y) & 0xFF)}; };
    Show(folder.Write("many.bmp", Bitmap(width, height, picture)));
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    entries = PaletteEntries();
    ASSERT_EQ(256u, entries.size());
    double total = 0;
    int worst = 0;
    for (int y = 0; y < height; y += 3)
        for (int x = 0; x < width; x += 3) {
            const Rgb c = picture(x, y);
            int best = 1 << 30;
            for (const PALETTEENTRY& e : entries) {
                const int dr = c.R - e.peRed, dg = c.G - e.peGreen, db = c.B - e.peBlue;
                best = std::min(best, dr * dr + dg * dg + db * db);
            }
            total += std::sqrt(double(best));
            worst = std::max(worst, best);
        }
    const double mean = total / ((width / 3 + 1) * (height / 3));
    EXPECT_LT(mean, 20.0);
    EXPECT_LT(std::sqrt(double(worst)), 60.0);
    for (const PALETTEENTRY& e : entries)
        EXPECT_EQ(PC_NOCOLLAPSE, e.peFlags);
    // The display bits stay exact.
    EXPECT_EQ(picture(0, height - 1).B, preview.GetDisplayBits()[0]);
    EXPECT_EQ(picture(0, height - 1).R, preview.GetDisplayBits()[2]);
}

TEST_F(ImagePreviewTest, RunningOutOfMemoryAnywhereInALoadEndsInNotAvailable) {
    const std::string path = folder.Write("oom.bmp", Bitmap(40, 30, [](int x, int y) {
        return Rgb{uint8_t(x * 6), uint8_t(y * 8), uint8_t(x ^ y)};
    }));
    const std::string many = folder.Write("oom-many.bmp", Bitmap(300, 240, [](int x, int y) {
        return Rgb{uint8_t(x), uint8_t(y), uint8_t(x >> 8 | (y & 0xFE))};
    }));
    Show(path);   // once unarmed, so lazily made things exist
    preview.SetImageFile(NULL);
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (const std::string& file : {path, many}) {
        SCOPED_TRACE(file);
        int failedLoads = 0;
        bool finished = false;
        for (long skip = 0; skip < 200 && !finished; ++skip) {
            preview.SetImageFile(NULL);
            TCharString text(file.c_str());
            long failed;
            {
                iwtest::AllocFailScope scope(skip, 1);
                preview.SetImageFile(&text);
                failed = iwtest::AllocationsFailed();
            }
            Pump();
            EXPECT_EQ(NULL, FindWindowA(NULL, kInformationCaption));
            if (failed == 0) {
                finished = true;   // every allocation of the load succeeded
                EXPECT_NE(nullptr, preview.GetDisplayBits());
                break;
            }
            if (preview.GetDisplayBits() == nullptr) {
                ++failedLoads;
                EXPECT_TRUE(ShowsNotAvailable()) << skip;
                EXPECT_EQ(nullptr, preview.GetPalette());
            } else {
                EXPECT_NE(nullptr, preview.GetPalette()) << skip;
            }
        }
        EXPECT_TRUE(finished);
        EXPECT_GT(failedLoads, 3);
    }
    preview.SetImageFile(NULL);
    EXPECT_EQ(gdiBefore, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) << "no palette left behind";
    EXPECT_EQ(userBefore, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) << "no window left behind";
}

}  // namespace

namespace {

TEST_F(ImagePreviewTest, APixelOutsideThePaletteLeavesNothingHalfBuilt) {
    Show(folder.Write("before.bmp", Bitmap(4, 4, [](int x, int) { return Rgb{uint8_t(x * 50), 0, 0}; })));
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    TImage image;
    std::uint32_t pixels[6] = {0, 1, 0, 1, 2, 0};   // 2: beyond the two colours
    image.SetPixels(pixels, 3, 2, false);
    image.Palette.InsertLast(TRGBColor(1, 2, 3));
    image.Palette.InsertLast(TRGBColor(4, 5, 6));
    bool thrown = false;
    try {
        preview.Build(image);
    } catch (const TExceptionBase&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown) << "the palette vector's own exception";
    EXPECT_EQ(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(nullptr, preview.GetPalette());
    preview.Invalidate();
    preview.UpdateWindow();
    EXPECT_TRUE(ShowsNotAvailable());

    // With valid pixels the same image builds.
    pixels[4] = 1;
    image.SetPixels(pixels, 3, 2, false);
    EXPECT_EQ(1, preview.Build(image));
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(3, preview.GetDisplayBits()[0]);
    EXPECT_EQ(2, PaletteCount());
}

}  // namespace
