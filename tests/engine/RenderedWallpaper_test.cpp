// The rendered wallpaper: pixels against ImageMagick, size and position for
// every style, the desktop values, the bitmaps handed over as they are, bad
// files in process and through the real program, the uninstall and the
// first-run import. The pictures and references come from
// make_wallpaper_pictures.sh (CTest fixture); without ImageMagick the tests
// that need them skip.
#include <cstdlib>
#include <cstring>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace {

const char SENTINEL_WALLPAPER[] = "C:\\iwengine\\before.bmp";

std::string Pictures() { return HostPath(IW_WALLPAPER_PICTURES) + "\\"; }
bool HavePictures() { return Exists(Pictures() + "photo.jpg"); }
std::string Rendered() { return std::string(WORK_DIR) + "\\" + RENDERED_WALLPAPER_NAME; }

std::uint32_t Little(const std::string& bytes, size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void PutLittle(std::string& bytes, size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i, value >>= 8) bytes[at + i] = static_cast<char>(value);
}

// An uncompressed 24-bit bitmap with a 40-byte header, bottom-up, read by
// hand (independent of the program's readers); empty when it is not one.
struct Bitmap24 {
    std::uint32_t Width = 0, Height = 0;
    std::vector<unsigned char> Rgb;  // top row first
    const unsigned char* At(std::uint32_t x, std::uint32_t y) const { return &Rgb[(size_t(y) * Width + x) * 3]; }
};

Bitmap24 ReadBitmap24(const std::string& path) {
    Bitmap24 b;
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || Little(bytes, 14, 4) != 40 ||
        Little(bytes, 28, 2) != 24 || Little(bytes, 30, 4) != 0 || static_cast<std::int32_t>(Little(bytes, 22, 4)) <= 0)
        return b;
    const std::uint32_t w = Little(bytes, 18, 4), h = Little(bytes, 22, 4), offset = Little(bytes, 10, 4);
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    if (bytes.size() < offset + stride * h) return b;
    b.Width = w;
    b.Height = h;
    b.Rgb.resize(size_t(w) * h * 3);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                b.Rgb[(size_t(y) * w + x) * 3 + c] =
                    static_cast<unsigned char>(bytes[offset + (h - 1 - y) * stride + x * 3 + (2 - c)]);
    return b;
}

struct Difference {
    double Mean = 1e9;
    int Max = 1 << 30;
};

Difference Compare(const Bitmap24& a, const Bitmap24& b) {
    Difference d;
    if (a.Width != b.Width || a.Height != b.Height || a.Rgb.empty()) return d;
    double sum = 0;
    d.Max = 0;
    for (size_t i = 0; i < a.Rgb.size(); ++i) {
        const int diff = std::abs(int(a.Rgb[i]) - int(b.Rgb[i]));
        sum += diff;
        d.Max = std::max(d.Max, diff);
    }
    d.Mean = sum / a.Rgb.size();
    return d;
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

std::string PngChunk(const char* type, const std::string& data, std::uint32_t claimedLength) {
    std::string chunk(4, '\0');
    for (int i = 0; i < 4; ++i) chunk[i] = static_cast<char>(claimedLength >> (24 - 8 * i));
    const std::string body = std::string(type) + data;
    const std::uint32_t crc = Crc32(body);
    chunk += body;
    for (int i = 0; i < 4; ++i) chunk += static_cast<char>(crc >> (24 - 8 * i));
    return chunk;
}

std::string PngIhdr(std::uint32_t w, std::uint32_t h) {
    std::string data;
    for (std::uint32_t v : {w, h})
        for (int i = 0; i < 4; ++i) data += static_cast<char>(v >> (24 - 8 * i));
    data += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    return PngChunk("IHDR", data, 13);
}

const std::string PNG_SIGNATURE("\x89PNG\r\n\x1a\n", 8);

// Files no picture can be made of, each with the style it is tried under.
struct BadFile {
    const char* Name;
    std::string Bytes;
    WallpaperStyle Style;
};

std::vector<BadFile> BadFiles() {
    std::vector<BadFile> files;
    // A bitmap header that claims 65,535 x 65,535 pixels: as a plain bitmap
    // it would be handed to Windows as it is.
    std::string bmp(54 + 64, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLittle(bmp, 2, std::uint32_t(bmp.size()), 4);
    PutLittle(bmp, 10, 54, 4);
    PutLittle(bmp, 14, 40, 4);
    PutLittle(bmp, 18, 65535, 4);
    PutLittle(bmp, 22, 65535, 4);
    PutLittle(bmp, 26, 1, 2);
    PutLittle(bmp, 28, 24, 2);
    files.push_back({"huge.bmp", bmp, WallpaperStyle::Tile});
    files.push_back({"huge-stretched.bmp", bmp, WallpaperStyle::Stretch});
    // The same size in a PNG header, with a few bytes of data.
    files.push_back({"huge.png", PNG_SIGNATURE + PngIhdr(65535, 65535) + PngChunk("IDAT", "x\x9c\x03\x00", 4) +
                                     PngChunk("IEND", "", 0),
                     WallpaperStyle::BestFit});
    // A PNG whose data chunk claims far more bytes than the file has.
    files.push_back({"lying.png", PNG_SIGNATURE + PngIhdr(64, 64) + PngChunk("IDAT", "x\x9c\x03\x00", 0x7FFFFFF0u),
                     WallpaperStyle::Center});
    // A GIF of 4,000 frames whose first one cannot be decoded (a code size
    // above 12 bits).
    std::string gif("GIF89a\x10\x00\x10\x00\x00\x00\x00", 13);
    for (int i = 0; i < 4000; ++i) gif += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x0d\x01\x00\x00", 14);
    gif += ';';
    files.push_back({"frames.gif", gif, WallpaperStyle::Stretch});
    // Not a picture at all.
    files.push_back({"text.jpg", "just some text, not a picture", WallpaperStyle::Stretch});
    // A JPEG cut short in its scan data.
    if (HavePictures()) files.push_back({"truncated.jpg", ReadBytes(Pictures() + "truncated.jpg"), WallpaperStyle::Stretch});
    return files;
}

class RenderedWallpaperTest : public EngineTest {
protected:
    std::string Desktop(const char* name) { return RegString(HKEY_CURRENT_USER, DESKTOP_KEY, name); }
    // Desktop values that no apply in these tests writes.
    void MarkDesktop() {
        SetDesktop("Wallpaper", SENTINEL_WALLPAPER);
        SetDesktop("TileWallpaper", "7");
        SetDesktop("WallpaperStyle", "2");
    }
    void ExpectDesktopMarked(const std::string& what) {
        EXPECT_EQ(Desktop("Wallpaper"), SENTINEL_WALLPAPER) << what;
        EXPECT_EQ(Desktop("TileWallpaper"), "7") << what;
        EXPECT_EQ(Desktop("WallpaperStyle"), "2") << what;
    }
    static int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
    static int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
};

TEST_F(RenderedWallpaperTest, EveryStyleAndFormatMatchesImageMagick) {
    if (!HavePictures()) GTEST_SKIP() << "no ImageMagick pictures in " << IW_WALLPAPER_PICTURES;
    ASSERT_EQ(ScreenWidth(), 1024) << "the references are made for a 1024 x 768 screen";
    ASSERT_EQ(ScreenHeight(), 768);
    const struct {
        const char* Source;
        WallpaperStyle Style;
        const char* Reference;
        std::uint32_t Width, Height;  // size and position: the rendered size, centred by Windows
        double MeanTolerance;
        int MaxTolerance;
    } cases[] = {
        // JPEG decoders may differ by a few levels (IDCT, chroma upsampling).
        {"photo.jpg", WallpaperStyle::Stretch, "photo-stretch.bmp", 1024, 768, 1.5, 12},
        {"big.jpg", WallpaperStyle::Stretch, "big-stretch.bmp", 1024, 768, 1.5, 12},
        {"tall.png", WallpaperStyle::BestFit, "tall-fit.bmp", 576, 768, 0.6, 3},
        {"wide.png", WallpaperStyle::BestFit, "wide-fit.bmp", 1024, 320, 0.6, 3},
        {"paper.gif", WallpaperStyle::Center, "paper-own.bmp", 200, 150, 0, 0},
        {"paper.gif", WallpaperStyle::Tile, "paper-own.bmp", 200, 150, 0, 0},
        {"deep.bmp", WallpaperStyle::Center, "deep-own.bmp", 120, 90, 0, 0},
        {"plain24.bmp", WallpaperStyle::Stretch, "plain24-stretch.bmp", 1024, 768, 0.6, 3},
        {"photo.jpg", WallpaperStyle::Tile, nullptr, 400, 300, 0, 0},
        {"plainrle.bmp", WallpaperStyle::BestFit, nullptr, 1024, 768, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.Source) + " style " + std::to_string(int(c.Style));
        MarkDesktop();
        RemoveFile(Rendered());
        ApplyWallpaper(MakeList({Pictures() + c.Source}, Pictures() + c.Source), c.Style);
        EXPECT_EQ(Desktop("Wallpaper"), Rendered()) << what;
        EXPECT_EQ(Desktop("TileWallpaper"), c.Style == WallpaperStyle::Tile ? "1" : "0") << what;
        EXPECT_EQ(Desktop("WallpaperStyle"), "0") << what;
        const Bitmap24 rendered = ReadBitmap24(Rendered());
        EXPECT_EQ(rendered.Width, c.Width) << what;
        EXPECT_EQ(rendered.Height, c.Height) << what;
        if (!c.Reference) continue;
        const Difference d = Compare(rendered, ReadBitmap24(Pictures() + c.Reference));
        EXPECT_LE(d.Mean, c.MeanTolerance) << what;
        EXPECT_LE(d.Max, c.MaxTolerance) << what;
    }
    EXPECT_FALSE(Exists(Rendered() + ".part"));
    EXPECT_FALSE(Exists(Rendered() + ".tmp"));
}

TEST_F(RenderedWallpaperTest, PlainBitmapsGoToWindowsAsTheyAreAndTransparencyShowsTheDesktop) {
    if (!HavePictures()) GTEST_SKIP() << "no ImageMagick pictures in " << IW_WALLPAPER_PICTURES;
    // 8-bit, RLE8 and 24-bit bitmaps, and a 12-byte-header one made here,
    // tiled or centred: the file itself becomes the wallpaper and the
    // "WallpaperStyle" of Windows 98 and Plus! is not touched.
    std::string core(26 + 2 * 8, '\0');   // 2 x 2, 24 bits, rows of 8 bytes
    core[0] = 'B';
    core[1] = 'M';
    PutLittle(core, 2, std::uint32_t(core.size()), 4);
    PutLittle(core, 10, 26, 4);
    PutLittle(core, 14, 12, 4);
    PutLittle(core, 18, 2, 2);
    PutLittle(core, 20, 2, 2);
    PutLittle(core, 22, 1, 2);
    PutLittle(core, 24, 24, 2);
    WriteBytes("core.bmp", core);
    const std::string plain[] = {Pictures() + "plain8.bmp", Pictures() + "plainrle.bmp", Pictures() + "plain24.bmp",
                                 std::string(WORK_DIR) + "\\core.bmp"};
    for (const std::string& file : plain)
        for (WallpaperStyle style : {WallpaperStyle::Tile, WallpaperStyle::Center}) {
            MarkDesktop();
            const std::string before = ReadBytes(file);
            ApplyWallpaper(MakeList({file}, file), style);
            EXPECT_EQ(Desktop("Wallpaper"), file);
            EXPECT_EQ(Desktop("TileWallpaper"), style == WallpaperStyle::Tile ? "1" : "0") << file;
            EXPECT_EQ(Desktop("WallpaperStyle"), "2") << file;
            EXPECT_EQ(ReadBytes(file), before);
            EXPECT_FALSE(Exists(Rendered())) << file;
        }

    // The same 24-bit picture stored top-down is never handed over as it is
    // (Windows 95 does not show it); where the reader takes it, it is
    // rendered unchanged.
    std::string flipped = ReadBytes(Pictures() + "plain24.bmp");
    const std::uint32_t w = Little(flipped, 18, 4), h = Little(flipped, 22, 4), offset = Little(flipped, 10, 4);
    const size_t stride = (w * 3 + 3) & ~3u;
    const std::string pixels = flipped.substr(offset);
    for (std::uint32_t y = 0; y < h; ++y) flipped.replace(offset + y * stride, stride, pixels, (h - 1 - y) * stride, stride);
    PutLittle(flipped, 22, std::uint32_t(-std::int32_t(h)), 4);
    WriteBytes("topdown.bmp", flipped);
    MarkDesktop();
    ApplyWallpaper(MakeList({"topdown.bmp"}, "topdown.bmp"), WallpaperStyle::Center);
    EXPECT_NE(Desktop("Wallpaper"), std::string(WORK_DIR) + "\\topdown.bmp");
    if (Desktop("Wallpaper") == Rendered())
        EXPECT_EQ(Compare(ReadBitmap24(Rendered()), ReadBitmap24(Pictures() + "plain24.bmp")).Max, 0);
    else
        ExpectDesktopMarked("topdown.bmp");

    // Transparent pixels take the desktop colour.
    ApplyWallpaper(MakeList({Pictures() + "clear.png"}, Pictures() + "clear.png"), WallpaperStyle::Center);
    const Bitmap24 clear = ReadBitmap24(Rendered());
    ASSERT_EQ(clear.Width, 64u);
    ASSERT_EQ(clear.Height, 32u);
    const COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    int wrong = 0;
    for (std::uint32_t y = 0; y < 32; ++y)
        for (std::uint32_t x = 0; x < 64; ++x) {
            const unsigned char* p = clear.At(x, y);
            if (x < 32)
                wrong += p[0] != GetRValue(desktop) || p[1] != GetGValue(desktop) || p[2] != GetBValue(desktop);
            else
                wrong += p[0] != 200 || p[1] != 40 || p[2] != 90;
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(RenderedWallpaperTest, FilesThatCannotBeDecodedChangeNothing) {
    // An earlier rendered wallpaper stays as it was, and so do the desktop
    // values; no temporary file is left.
    const std::string earlier = BinaryContent(300, 3);
    for (const BadFile& bad : BadFiles()) {
        WriteBytes(bad.Name, bad.Bytes);
        WriteBytes(Rendered(), earlier);
        MarkDesktop();
        ApplyWallpaper(MakeList({bad.Name}, bad.Name), bad.Style);
        ExpectDesktopMarked(bad.Name);
        EXPECT_EQ(ReadBytes(Rendered()), earlier) << bad.Name;
        EXPECT_FALSE(Exists(Rendered() + ".part")) << bad.Name;
    }
    // A missing file, under every style.
    for (WallpaperStyle style : {WallpaperStyle::Tile, WallpaperStyle::Center, WallpaperStyle::Stretch}) {
        ApplyWallpaper(MakeList({"missing.jpg"}, "missing.jpg"), style);
        ExpectDesktopMarked("missing.jpg");
    }
}

TEST_F(RenderedWallpaperTest, UninstallRemovesTheRenderedWallpaperAndImportSkipsIt) {
    // The uninstall run: the desktop that shows the rendered wallpaper is
    // set to none first; the file and its temporary copies go.
    CreateDirectoryA("prog", NULL);
    const std::string rendered = std::string(WORK_DIR) + "\\prog\\" + RENDERED_WALLPAPER_NAME;
    for (const char* suffix : {"", ".tmp", ".part"}) WriteBytes(rendered + suffix, "bitmap");
    SetDesktop("Wallpaper", rendered.c_str());
    RunUninstall(PROGRAM_PATH, DefaultSettings());
    EXPECT_EQ(Desktop("Wallpaper"), "");
    for (const char* suffix : {"", ".tmp", ".part"}) EXPECT_FALSE(Exists(rendered + suffix)) << suffix;
    RemoveDirectoryA("prog");
    EXPECT_FALSE(Exists("prog")) << "nothing else of the program's is left in its folder";

    // A desktop that shows another picture keeps it.
    CreateDirectoryA("prog", NULL);
    WriteBytes(rendered, "bitmap");
    SetDesktop("Wallpaper", "C:\\windows\\mine.bmp");
    RunUninstall(PROGRAM_PATH, DefaultSettings());
    EXPECT_EQ(Desktop("Wallpaper"), "C:\\windows\\mine.bmp");
    EXPECT_FALSE(Exists(rendered));

    // The first-run import never takes the program's own rendered wallpaper
    // (the program's directory is the current one), in any spelling.
    AppSettings settings = DefaultSettings();
    for (const std::string& shown : {Rendered(), std::string(WORK_DIR) + "\\sub\\..\\rendered.BMP"}) {
        FileList list = MakeList({}, "");
        settings[Category::Wallpaper].Enabled = 1;
        SetDesktop("Wallpaper", shown.c_str());
        ImportDesktopWallpaper(settings, list);
        EXPECT_EQ(list.Entries.GetCount(), 0u) << shown;
        EXPECT_STREQ(list.Current.GetText(), "");
        EXPECT_EQ(settings[Category::Wallpaper].Enabled, 0) << "nothing to cycle yet";
    }
}

// The real program, started as the user starts it (configuration run), with
// one wallpaper due at once (unit Boot): it applies the wallpaper while its
// tray window is created, then opens its sheet.
class RenderedWallpaperProgramTest : public RenderedWallpaperTest {
protected:
    void TearDown() override {
        for (HANDLE process : processes) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 1);
            WaitForSingleObject(process, 30000);
            CloseHandle(process);
        }
        RemoveFile(WindowsDir() + "IMAGEWHEEL.INI");
        RenderedWallpaperTest::TearDown();
    }
    std::string AppDir() { return std::string(WORK_DIR) + "\\app\\"; }
    bool InstallProgram() {
        const std::string exe = ReadBytes(HostPath(IW_IMAGEWHEEL_EXE));
        if (exe == "<missing>" || exe.find("ImagewheelMessage_KillFirstInstance") == std::string::npos) return false;
        CreateDirectoryA(AppDir().c_str(), NULL);
        WriteBytes(AppDir() + "imagewheel.exe", exe);
        return true;
    }
    // Starts a configuration run with `file` as the only wallpaper; true once
    // its sheet shows, which is after the wallpaper was applied.
    bool RunWith(const std::string& file, WallpaperStyle style, HANDLE& process) {
        const char* profile = "IMAGEWHEEL.INI";
        RemoveFile(WindowsDir() + profile);
        WritePrivateProfileStringA("CONFIG", "BOOT_DRIVE", "M", profile);
        WritePrivateProfileStringA("CONFIG", "WALLPAPER_CYCLE_FREQ", "0", profile);
        WritePrivateProfileStringA("CONFIG", "WALLPAPER_DISPLAY_STYLE", std::to_string(int(style)).c_str(), profile);
        WriteBytes(AppDir() + "WallpaperFileList.txt", file + "\r\n");
        WriteBytes(AppDir() + "CurrWallpaperFile.txt", file + "\r\n");
        std::string commandLine = "\"" + AppDir() + "imagewheel.exe\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info;
        if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, AppDir().c_str(), &startup, &info))
            return false;
        CloseHandle(info.hThread);
        processes.push_back(info.hProcess);
        process = info.hProcess;
        const DWORD id = lastId = info.dwProcessId;
        return WaitFor([&] { return SheetOf(id) != NULL || WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 60) &&
               SheetOf(id) != NULL;
    }
    // The visible dialog "Imagewheel" of a process (its sheet), or its hidden
    // window of that name (the tray window).
    struct Search {
        DWORD Id;
        bool Sheet;
        HWND Found;
    };
    static BOOL CALLBACK Visit(HWND window, LPARAM data) {
        Search& s = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char text[64] = "", cls[64] = "";
        GetWindowTextA(window, text, sizeof text);
        GetClassNameA(window, cls, sizeof cls);
        const bool dialog = !strcmp(cls, "#32770") && IsWindowVisible(window);
        if (owner == s.Id && !strcmp(text, "Imagewheel") && dialog == s.Sheet) s.Found = window;
        return s.Found == NULL;
    }
    static HWND WindowOf(DWORD processId, bool sheet) {
        Search search = {processId, sheet, NULL};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        return search.Found;
    }
    static HWND SheetOf(DWORD processId) { return WindowOf(processId, true); }
    static HWND TrayOf(DWORD processId) { return WindowOf(processId, false); }
    void End(HANDLE process) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 30000);
    }
    std::vector<HANDLE> processes;
    DWORD lastId = 0;
};

TEST_F(RenderedWallpaperProgramTest, BadFilesLeaveTheDesktopAloneAndTheProgramRunning) {
    if (!InstallProgram()) GTEST_SKIP() << "no real imagewheel.exe built at " << IW_IMAGEWHEEL_EXE;
    const std::string rendered = AppDir() + RENDERED_WALLPAPER_NAME;
    for (const BadFile& bad : BadFiles()) {
        const std::string file = std::string(WORK_DIR) + "\\" + bad.Name;
        WriteBytes(file, bad.Bytes);
        MarkDesktop();
        // An earlier rendered wallpaper that a power cut left only as its
        // complete copy: start-up puts it back, and the bad file leaves it.
        RemoveFile(rendered);
        WriteBytes(rendered + ".tmp", "earlier");
        HANDLE process = NULL;
        ASSERT_TRUE(RunWith(file, bad.Style, process)) << bad.Name << ": the program did not show its sheet";
        ExpectDesktopMarked(bad.Name);
        EXPECT_EQ(ReadBytes(rendered), "earlier") << bad.Name;
        EXPECT_FALSE(Exists(rendered + ".tmp")) << bad.Name;
        EXPECT_EQ(ReadBytes(AppDir() + "CurrWallpaperFile.txt"), file + "\r\n") << "the wallpaper was cycled";
        End(process);
    }

    // The same run with a good picture does change the desktop; when the
    // screen changes, a stretched wallpaper is rendered again.
    if (!HavePictures()) return;
    MarkDesktop();
    HANDLE process = NULL;
    ASSERT_TRUE(RunWith(Pictures() + "photo.jpg", WallpaperStyle::Stretch, process));
    EXPECT_EQ(Desktop("Wallpaper"), rendered);
    EXPECT_EQ(Desktop("WallpaperStyle"), "0");
    EXPECT_EQ(ReadBitmap24(rendered).Width, 1024u);
    RemoveFile(rendered);
    const HWND tray = TrayOf(lastId);
    ASSERT_NE(tray, nullptr);
    PostMessageA(tray, WM_DISPLAYCHANGE, 24, MAKELPARAM(ScreenWidth(), ScreenHeight()));
    EXPECT_TRUE(WaitFor([&] { return ReadBitmap24(rendered).Width == 1024; }));
    End(process);
}

}  // namespace
