// The preview under Wine: an owner-drawn button of a real window subclassed
// by CImagePreview, loading bitmap files written by the test and JPEG, PNG and
// GIF files made by ImageMagick or by the test, painting them (read back from
// the screen) and showing its information window meanwhile; hostile files of
// every format end in "N/A".
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>
#include "AllocFail.h"
#include "Framework.h"
#include "Graphics.h"
#include "ImagePreview.h"
#include "Win32TestSupport.h"
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

// ---------------------------------------------------------------------------
// Pictures of the other formats.

// The pattern of make-preview-pictures.sh: 32 x 16 pixels, eight 8 x 8 blocks.
const Rgb kPattern[2][4] = {{{200, 30, 30}, {30, 180, 50}, {40, 70, 220}, {240, 220, 40}},
                            {{40, 200, 210}, {180, 50, 180}, {240, 240, 240}, {20, 20, 20}}};
Rgb PatternAt(int x, int y) {
    return kPattern[y / 8][x / 8];
}

// The folder of the pictures ImageMagick made when the tests were built; empty
// when it made none.
std::string MadePictures() {
    const std::string folder = w32test::WindowsPath(IW_PREVIEW_PICTURES) + "\\";
    return GetFileAttributesA((folder + "pattern.png").c_str()) != INVALID_FILE_ATTRIBUTES ? folder : "";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutBig(std::string& s, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        s += char(v >> 8 * i & 0xFF);
}

std::uint32_t Crc32(const std::string& bytes, size_t from = 0) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (size_t i = from; i < bytes.size(); ++i) {
        crc ^= static_cast<std::uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// A PNG chunk: length, type, data and CRC; `length` overrides the true one.
std::string Chunk(const char* type, const std::string& data, std::int64_t length = -1) {
    std::string chunk;
    PutBig(chunk, static_cast<std::uint32_t>(length < 0 ? data.size() : length));
    chunk += std::string(type) + data;
    PutBig(chunk, Crc32(chunk, 4));
    return chunk;
}

std::string Ihdr(std::uint32_t width, std::uint32_t height, int depth, int colourType) {
    std::string data;
    PutBig(data, width);
    PutBig(data, height);
    data += char(depth);
    data += char(colourType);
    data += std::string(3, '\0');   // deflate, adaptive filters, not interlaced
    return Chunk("IHDR", data);
}

// zlib data holding `raw` in stored (uncompressed) deflate blocks.
std::string StoredZlib(const std::string& raw) {
    std::string z = "\x78\x01";
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - at, 65535);
        z += char(at + n == raw.size() ? 1 : 0);
        Put(z, n, 2);
        Put(z, ~n & 0xFFFF, 2);
        z += raw.substr(at, n);
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (char c : raw) {
        a = (a + static_cast<std::uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    PutBig(z, b << 16 | a);
    return z;
}

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

// An RGB (colour type 2) or RGBA (6) PNG of 8-bit channels; pixel(x, y)
// gives red, green, blue and alpha.
std::string Png(int width, int height, std::function<std::uint32_t(int, int)> rgba, bool alpha = false) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';   // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = rgba(x, y);
            raw += char(c >> 24);
            raw += char(c >> 16 & 0xFF);
            raw += char(c >> 8 & 0xFF);
            if (alpha)
                raw += char(c & 0xFF);
        }
    }
    return std::string(kPngSignature, 8) + Ihdr(width, height, 8, alpha ? 6 : 2) + Chunk("IDAT", StoredZlib(raw)) +
           Chunk("IEND", "");
}

// zlib data that inflates to `megabytes` MB of zeros (one fixed-Huffman
// block: a literal 0, then copies of 258 bytes at distance 1): about 13 bits
// for every 258 bytes.
std::string ZeroBomb(int megabytes) {
    std::string z = "\x78\x01";
    std::uint32_t bits = 0;
    int count = 0;
    auto put = [&](std::uint32_t value, int n) {   // least significant bit first
        bits |= value << count;
        count += n;
        while (count >= 8) {
            z += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    auto huffman = [&](std::uint32_t code, int n) {   // most significant bit first
        for (int i = n - 1; i >= 0; --i)
            put(code >> i & 1, 1);
    };
    put(1, 1);            // the last block
    put(1, 2);            // fixed Huffman codes
    huffman(0x30, 8);     // literal 0
    for (long long left = megabytes * 1048576ll - 1; left >= 258; left -= 258) {
        huffman(0xC5, 8);   // length 258 (code 285)
        huffman(0, 5);      // distance 1
    }
    huffman(0, 7);        // end of block
    put(0, 7);
    PutBig(z, 0);         // the Adler-32 is never reached intact
    return z;
}

// The offset of the first JPEG marker `marker` (0xFFC0 ...), or npos.
size_t JpegMarker(const std::string& jpeg, int marker) {
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF && static_cast<std::uint8_t>(jpeg[i + 1]) == (marker & 0xFF))
            return i;
    return std::string::npos;
}

// An arithmetic-coded baseline JPEG (SOF9) of 16 x 8 pixels, written by
// libjpeg-turbo's encoder with arith_code set.
const unsigned char kArithmeticJpeg[] = {
    0xff, 0xd8, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x02, 0x01, 0x01, 0x01, 0x02,
    0x02, 0x02, 0x02, 0x02, 0x04, 0x03, 0x02, 0x02, 0x02, 0x02, 0x05, 0x04, 0x04, 0x03, 0x04, 0x06, 0x05, 0x06,
    0x06, 0x06, 0x05, 0x06, 0x06, 0x06, 0x07, 0x09, 0x08, 0x06, 0x07, 0x09, 0x07, 0x06, 0x06, 0x08, 0x0b, 0x08,
    0x09, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x06, 0x08, 0x0b, 0x0c, 0x0b, 0x0a, 0x0c, 0x09, 0x0a, 0x0a, 0x0a, 0xff,
    0xdb, 0x00, 0x43, 0x01, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x05, 0x03, 0x03, 0x05, 0x0a, 0x07, 0x06, 0x07,
    0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a,
    0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a,
    0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0x0a, 0xff, 0xc9, 0x00, 0x11,
    0x08, 0x00, 0x08, 0x00, 0x10, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xff, 0xcc, 0x00,
    0x0a, 0x00, 0x10, 0x10, 0x05, 0x01, 0x10, 0x11, 0x05, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11,
    0x03, 0x11, 0x00, 0x3f, 0x00, 0xff, 0x00, 0xb1, 0x9e, 0x12, 0x6d, 0xce, 0x70, 0x5b, 0x60, 0xad, 0x2d, 0x0a,
    0xff, 0xd9};

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
    // Display pixels farther than `tolerance` in a channel from expected(x, y)
    // (y = 0 the top row); -1 when the display bitmap is not width x height.
    int WrongDisplayPixels(int width, int height, std::function<Rgb(int, int)> expected, int tolerance = 0) {
        const BITMAPINFOHEADER& header = preview.GetDisplayHeader();
        const std::uint8_t* bits = preview.GetDisplayBits();
        if (bits == nullptr || header.biWidth != width || header.biHeight != height || header.biBitCount != 24)
            return -1;
        const int stride = (3 * width + 3) / 4 * 4;
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = bits + (height - 1 - y) * stride + 3 * x;
                const Rgb c = expected(x, y);
                wrong += std::abs(p[2] - c.R) > tolerance || std::abs(p[1] - c.G) > tolerance ||
                         std::abs(p[0] - c.B) > tolerance;
            }
        return wrong;
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

TEST_F(ImagePreviewTest, JpegPngAndGifShowLikeBitmaps) {
    // Made here: every pixel known. Rows bottom first, blue first, filled to
    // four bytes; one palette entry per colour, the most used first.
    const std::uint32_t small[2][3] = {{0xFF000000, 0x00FF0000, 0x0000FF00}, {0x0A141E00, 0x28323C00, 0x0A141E00}};
    Show(Write("three.png", Png(3, 2, [&](int x, int y) { return small[y][x]; })));
    BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(&header, &preview.GetDisplayHeader(), sizeof header));
    const std::uint8_t rows[24] = {30, 20, 10, 60, 50, 40, 30, 20, 10, 0, 0, 0, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    ASSERT_NE(nullptr, preview.GetDisplayBits());
    EXPECT_EQ(0, std::memcmp(rows, preview.GetDisplayBits(), sizeof rows));
    std::vector<PALETTEENTRY> entries = PaletteEntries();
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(10, entries[0].peRed) << "the colour of two pixels first";
    EXPECT_EQ(30, entries[0].peBlue);
    EXPECT_EQ(255, entries[1].peBlue) << "then in colour order";
    EXPECT_EQ(255, entries[4].peRed);
    EXPECT_EQ(PC_NOCOLLAPSE, entries[4].peFlags);
    EXPECT_EQ(1, g_information.Created);
    EXPECT_EQ(1, g_information.DestroyedVisible);

    // Transparent pixels lie on the desktop colour.
    struct DesktopColour {
        const int Element = COLOR_BACKGROUND;
        const COLORREF Old = GetSysColor(COLOR_BACKGROUND);
        explicit DesktopColour(COLORREF colour) { SetSysColors(1, &Element, &colour); }
        ~DesktopColour() { SetSysColors(1, &Element, &Old); }
    } desktop(RGB(90, 140, 30));
    ASSERT_EQ(RGB(90, 140, 30), GetSysColor(COLOR_BACKGROUND));
    const Rgb onDesktop = {90, 140, 30}, halfBlack = {45, 70, 15};
    Show(Write("alpha.png", Png(4, 1, [](int x, int) {
        const std::uint32_t pixels[] = {0xC8141EFF, 0xC8141E00, 0x00000080, 0x1020FFFF};
        return pixels[x];
    }, true)));
    const Rgb alphaRow[] = {{200, 20, 30}, onDesktop, halfBlack, {16, 32, 255}};
    EXPECT_EQ(0, WrongDisplayPixels(4, 1, [&](int x, int) { return alphaRow[x]; }, 1));
    // More than 256 colours: 256 representative ones; the pixels stay exact.
    auto ramp = [](int x, int y) { return Rgb{uint8_t(x * 4), uint8_t(y * 4), uint8_t(x ^ y)}; };
    Show(Write("ramp.png", Png(64, 64, [&](int x, int y) {
        const Rgb c = ramp(x, y);
        return std::uint32_t(c.R) << 24 | c.G << 16 | c.B << 8;
    })));
    EXPECT_EQ(0, WrongDisplayPixels(64, 64, ramp));
    EXPECT_EQ(256u, PaletteEntries().size());

    // Made by ImageMagick: each format, painted over the whole control.
    const std::string made = MadePictures();
    if (made.empty())
        GTEST_SKIP() << "no pictures made by ImageMagick (" IW_PREVIEW_PICTURES ")";
    const Rgb desktopQuarter[2] = {onDesktop, halfBlack};
    const struct {
        const char* Name;
        int Tolerance;   // JPEG decoders may differ by a step or two
        bool Alpha;
    } formats[] = {{"pattern.png", 0, false}, {"pattern.gif", 0, false}, {"pattern.jpg", 3, false},
                   {"progressive.jpg", 3, false}, {"alpha.png", 1, true}};
    int loads = g_information.Created;
    for (const auto& format : formats) {
        SCOPED_TRACE(format.Name);
        auto expected = [&](int x, int y) { return format.Alpha && x >= 16 ? desktopQuarter[y / 8] : PatternAt(x, y); };
        Show(made + format.Name);
        EXPECT_EQ(++loads, g_information.DestroyedVisible);
        EXPECT_EQ(0, WrongDisplayPixels(32, 16, expected, format.Tolerance));
        EXPECT_EQ(format.Alpha ? 6u : 8u, PaletteEntries().size());
        int width, height, wrong = 0;
        std::vector<Rgb> screen = Screen(width, height);
        for (int y = 4; y < 16; y += 8)
            for (int x = 4; x < 32; x += 8) {
                const Rgb c = screen[(y * height / 16) * width + x * width / 32], e = expected(x, y);
                wrong += std::abs(c.R - e.R) > format.Tolerance || std::abs(c.G - e.G) > format.Tolerance ||
                         std::abs(c.B - e.B) > format.Tolerance;
            }
        EXPECT_EQ(0, wrong) << "on the screen";
    }

    // An animated GIF shows its first frame, however many follow.
    std::string gif = ReadWhole(made + "pattern.gif");
    ASSERT_EQ(';', gif.back());
    gif.pop_back();
    for (int i = 0; i < 2999; ++i)   // 1 x 1 frames of colour 0
        gif += std::string("\x2C\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0", 15);
    Show(Write("frames.gif", gif + ";"));
    EXPECT_EQ(0, WrongDisplayPixels(32, 16, PatternAt));
}

TEST_F(ImagePreviewTest, HostileAndUnsupportedPicturesEndInNotAvailable) {
    const std::string good = Write("fine.png", Png(8, 8, [](int x, int y) { return std::uint32_t(x * 30 << 24 | y * 30 << 16); }));
    const std::string png = Png(16, 16, [](int x, int y) { return std::uint32_t((x * 16) << 24 | (y * 16) << 8); });
    const std::string idat = StoredZlib(std::string(16 * 49, '\1'));
    auto pngWith = [&](const std::string& chunks) { return std::string(kPngSignature, 8) + Ihdr(16, 16, 8, 2) + chunks; };
    const std::string hugeJpeg = std::string("\xFF\xD8\xFF\xC0\0\x11\x08\xFF\xFF\xFF\xFF\x03\x01\x11\0\x02\x11\0\x03\x11\0"
                                             "\xFF\xD9", 23);
    const std::string hugeGif = std::string("GIF89a\xFF\xFF\xFF\xFF\x80\0\0\xFF\0\0\0\0\xFF"
                                            "\x2C\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\x02\x44\x01\0;", 35);
    std::vector<std::pair<std::string, std::string>> files = {
        {"huge.png", std::string(kPngSignature, 8) + Ihdr(65535, 65535, 8, 2) + Chunk("IDAT", idat) + Chunk("IEND", "")},
        {"huge.jpg", hugeJpeg},
        {"huge.gif", hugeGif},
        // 64 MB of zeros in 420 KB, for a picture too large and for a small one.
        {"bomb.png", std::string(kPngSignature, 8) + Ihdr(30000, 30000, 8, 2) + Chunk("IDAT", ZeroBomb(64)) + Chunk("IEND", "")},
        {"bomb-small.png", std::string(kPngSignature, 8) + Ihdr(16, 16, 8, 0) + Chunk("IDAT", ZeroBomb(64)) + Chunk("IEND", "")},
        // Chunks lying about their lengths.
        {"idat-2g.png", pngWith(Chunk("IDAT", idat, 0x7FFFFFFF) + Chunk("IEND", ""))},
        {"idat-past-end.png", pngWith(Chunk("IDAT", idat, idat.size() + 1000) + Chunk("IEND", ""))},
        {"idat-short.png", pngWith(Chunk("IDAT", idat, idat.size() / 2) + Chunk("IEND", ""))},
        {"text-4g.png", pngWith(Chunk("tEXt", "Comment\0lies", 0xFFFFFFF0) + Chunk("IDAT", idat) + Chunk("IEND", ""))},
        {"ihdr-long.png", std::string(kPngSignature, 8) + Chunk("IHDR", Ihdr(16, 16, 8, 2).substr(8, 13), 0x100) +
                              Chunk("IDAT", idat) + Chunk("IEND", "")},
        {"truncated.png", png.substr(0, png.size() / 2)},
        {"signature.png", png.substr(0, 8)},
        {"arithmetic.jpg", std::string(reinterpret_cast<const char*>(kArithmeticJpeg), sizeof kArithmeticJpeg)},
        {"empty.gif", ""},
        {"garbage.jpg", std::string("\xFF\xD8\xFF") + std::string(3000, '\xFF')},
    };
    ASSERT_NE(std::string::npos, png.find("IDAT"));
    // Made by ImageMagick: a JPEG of 12-bit samples; files cut short.
    const std::string made = MadePictures();
    std::vector<std::string> cut;
    if (!made.empty()) {
        for (const char* name : {"pattern.jpg", "progressive.jpg", "pattern.gif"}) {
            const std::string whole = ReadWhole(made + name);
            for (size_t length : {whole.size() / 4, whole.size() / 2, whole.size() - 3})
                cut.push_back(Write("cut-" + std::to_string(length) + "-" + name, whole.substr(0, length)));
        }
        std::string twelve = ReadWhole(made + "pattern.jpg");
        const size_t frame = JpegMarker(twelve, 0xFFC0);
        ASSERT_NE(std::string::npos, frame);
        twelve[frame + 4] = 12;   // sample precision
        files.push_back({"twelve-bit.jpg", twelve});
    } else {
        std::printf("note: no pictures made by ImageMagick; cut JPEG and GIF files are not checked\n");
    }
    std::vector<std::string> paths;
    for (const auto& file : files)
        paths.push_back(Write(file.first, file.second));
    // Only files on disk are read: a read from a pipe nobody writes to (or
    // from a serial port) would wait for ever.
    const char pipeName[] = "\\\\.\\pipe\\iw_preview_test";
    HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    paths.push_back(pipeName);
    paths.push_back("NUL");
    paths.push_back("CON");

    int loads = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        Show(good);
        ASSERT_EQ(0, WrongDisplayPixels(8, 8, [](int x, int y) { return Rgb{uint8_t(x * 30), uint8_t(y * 30), 0}; }))
            << "the preview keeps working";
        Show(path);
        loads += 2;
        EXPECT_TRUE(ShowsNotAvailable());
        EXPECT_EQ(loads, g_information.DestroyedVisible);
        EXPECT_EQ(NULL, FindWindowA(NULL, kInformationCaption));
    }
    CloseHandle(pipe);
    // A JPEG or GIF cut short shows "N/A", or what the decoder still makes of
    // it (the missing part filled in) at the picture's full size.
    for (const std::string& path : cut) {
        SCOPED_TRACE(path);
        Show(path);
        EXPECT_TRUE(ShowsNotAvailable() || WrongDisplayPixels(32, 16, [](int, int) { return Rgb{}; }, 255) == 0);
        Show(good);
        EXPECT_EQ(0, WrongDisplayPixels(8, 8, [](int x, int y) { return Rgb{uint8_t(x * 30), uint8_t(y * 30), 0}; }));
    }
}

TEST_F(ImagePreviewTest, RunningOutOfMemoryAnywhereInALoadEndsInNotAvailable) {
    const std::string few = Write("oom.bmp", Bitmap(40, 30, [](int x, int y) {
        return Rgb{uint8_t(x * 6), uint8_t(y * 8), uint8_t(x ^ y)};
    }));
    const std::string many = Write("oom-many.bmp", Bitmap(300, 240, [](int x, int y) {
        return Rgb{uint8_t(x), uint8_t(y), uint8_t(x >> 8 | (y & 0xFE))};
    }));
    const std::string png = Write("oom.png", Png(40, 30, [](int x, int y) { return std::uint32_t(x * 6 << 24 | y * 8 << 16); }));
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (const std::string& file : {few, many, png}) {
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
