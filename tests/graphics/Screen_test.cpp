// Start-up and shut-down screens: the verdict on files made here and on the
// BMP Suite corpus, and screens made from pictures, checked against their
// sources (and, where ImageMagick is installed, against its own downscale).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

#include "BitmapTestFiles.h"
#include "Screen.h"

namespace {

// A path of the build machine as this program opens it (Wine maps Z: to /).
std::string HostPath(const std::string& path) {
#ifdef _WIN32
    std::string windows = "Z:" + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
#else
    return path;
#endif
}

std::string WorkFolder() {
    const std::string folder = IW_SCREEN_TEST_WORK;
#ifdef _WIN32
    CreateDirectoryA(HostPath(folder).c_str(), NULL);
#else
    mkdir(folder.c_str(), 0777);
#endif
    return folder;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(HostPath(path), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(HostPath(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names of the ".bmp" files in a folder.
std::vector<std::string> BitmapsIn(const std::string& folder) {
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((HostPath(folder) + "\\*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
#else
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp") names.push_back(name);
        }
        closedir(dir);
    }
#endif
    return names;
}

bool Exists(const std::string& path) {
    return std::ifstream(HostPath(path)).good();
}

// A screen as Windows wants it: 320 x 400, 8 bits, `entries` table entries.
InfoFile UncompressedScreen(std::uint32_t entries = 256) {
    InfoFile f;
    f.Width = 320;
    f.Height = 400;
    f.BitsPerPixel = 8;
    f.ColorsUsed = entries == 256 ? 0 : entries;
    f.Table.assign(4 * entries, 0x40);
    f.Pixels.assign(320 * 400, 7);
    return f;
}

// The same as RLE8: each row two runs of 160, then the end of the line; the
// end of the bitmap after the last.
InfoFile RleScreen(bool endMark = true) {
    InfoFile f = UncompressedScreen();
    f.Compression = 1;
    f.Pixels.clear();
    for (int y = 0; y < 400; ++y) {
        f.Pixels.insert(f.Pixels.end(), {160, 3, 160, 4});
        if (y < 399) f.Pixels.insert(f.Pixels.end(), {0, 0});
    }
    if (endMark) f.Pixels.insert(f.Pixels.end(), {0, 1});
    return f;
}

TScreenVerdict Verdict(const InfoFile& f) {
    const Bytes b = f.Build();
    return CheckScreen(b.data(), b.size());
}

TEST(ScreenTest, VerdictOnMadeFiles) {
    EXPECT_EQ(ScreenValid, Verdict(UncompressedScreen()));
    EXPECT_EQ(ScreenValid, Verdict(UncompressedScreen(16))) << "a shorter colour table";
    EXPECT_EQ(ScreenValid, Verdict(RleScreen()));
    EXPECT_EQ(ScreenValid, Verdict(RleScreen(false))) << "every pixel written, no end mark";

    InfoFile f = UncompressedScreen();
    f.Height = -400;
    EXPECT_EQ(ScreenTopDown, Verdict(f));
    f = UncompressedScreen();
    f.Width = 640;
    f.Height = 480;
    EXPECT_EQ(ScreenWrongSize, Verdict(f));
    f = UncompressedScreen();
    f.Height = 401;
    EXPECT_EQ(ScreenWrongSize, Verdict(f));
    f = UncompressedScreen();
    f.BitsPerPixel = 4;
    EXPECT_EQ(ScreenWrongDepth, Verdict(f));
    f = UncompressedScreen();
    f.Planes = 2;
    EXPECT_EQ(ScreenWrongDepth, Verdict(f));
    f = UncompressedScreen();
    f.Compression = 2;   // RLE4
    EXPECT_EQ(ScreenWrongCompression, Verdict(f));
    f = UncompressedScreen();
    f.ColorsUsed = 257;
    EXPECT_EQ(ScreenTooManyColours, Verdict(f));
    f = UncompressedScreen();
    f.HeaderSize = 108;
    EXPECT_EQ(ScreenWrongHeader, Verdict(f));
    f = UncompressedScreen();
    f.Pixels.pop_back();
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f)) << "one pixel short";
    f = UncompressedScreen();
    f.Offset = 54 + 1024 + 1;
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f)) << "the pixels start one byte late";
    f = UncompressedScreen();
    f.Offset = 54 + 1000;
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f)) << "the pixels overlap the colour table";

    // RLE8 data that stops early, or writes outside the picture.
    f = RleScreen();
    f.Pixels.resize(f.Pixels.size() / 2);
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f));
    f = RleScreen();
    f.Pixels[0] = 200;   // 200 + 160 pixels in the first row
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f));
    f = RleScreen();
    f.Pixels.insert(f.Pixels.begin(), {0, 2, 0, 255, 0, 2, 0, 255});   // moved below the picture first
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f));
    f = RleScreen();
    f.Pixels.insert(f.Pixels.begin(), {0, 5, 1, 2, 3, 4, 5, 0});   // an absolute run, padded
    f.Pixels[8] = 155;
    EXPECT_EQ(ScreenValid, Verdict(f));
    f.Pixels = {0, 6, 1, 2, 3};   // an absolute run of 6 with 3 bytes left
    EXPECT_EQ(ScreenPixelsMissing, Verdict(f));

    const Bytes notBitmap = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_EQ(ScreenNotBitmap, CheckScreen(notBitmap.data(), notBitmap.size()));
    EXPECT_EQ(ScreenNotBitmap, CheckScreen(notBitmap.data(), 0));

    // From files, the same verdicts; a file that is not there.
    const std::string folder = WorkFolder();
    WriteFile(folder + "/valid.sys", RleScreen().Build());
    EXPECT_EQ(ScreenValid, CheckScreen(HostPath(folder + "/valid.sys").c_str()));
    f = UncompressedScreen();
    f.Pixels.resize(1000);
    WriteFile(folder + "/short.sys", f.Build());
    EXPECT_EQ(ScreenPixelsMissing, CheckScreen(HostPath(folder + "/short.sys").c_str()));
    WriteFile(folder + "/tiny.sys", Bytes{'B', 'M', 1});
    EXPECT_EQ(ScreenPixelsMissing, CheckScreen(HostPath(folder + "/tiny.sys").c_str()));
    EXPECT_EQ(ScreenCannotOpen, CheckScreen(HostPath(folder + "/missing.sys").c_str()));
    EXPECT_STRNE("", DescribeScreenVerdict(ScreenPixelsMissing));
}

// No file of the corpus is a screen (none is 320 x 400); each gets the
// reason its header gives, from its bytes and from its file alike. Every file
// the decoder reads makes a valid screen.
TEST(ScreenTest, VerdictOnTheBmpSuite) {
    const std::string suite = IW_BMPSUITE;
    if (!Exists(suite + "/g/pal8.bmp")) GTEST_SKIP() << "no BMP Suite at " << suite;
    const struct {
        const char* File;
        TScreenVerdict Verdict;
    } named[] = {
        {"g/pal8.bmp", ScreenWrongSize},    {"g/pal8os2.bmp", ScreenWrongHeader},
        {"g/pal8v5.bmp", ScreenWrongHeader}, {"g/pal8topdown.bmp", ScreenWrongSize},
        {"g/rgb24.bmp", ScreenWrongSize},   {"b/shortfile.bmp", ScreenWrongSize},
    };
    for (const auto& n : named) {
        SCOPED_TRACE(n.File);
        EXPECT_EQ(n.Verdict, CheckScreen(HostPath(suite + "/" + n.File).c_str()));
    }
    int files = 0, decoded = 0;
    for (const char* sub : {"g", "q", "b"}) {
        const std::vector<std::string> names = BitmapsIn(suite + "/" + sub);
        ASSERT_FALSE(names.empty()) << sub;
        for (const std::string& name : names) {
            const std::string path = suite + "/" + sub + "/" + name;
            const Bytes bytes = ReadFile(path);
            const TScreenVerdict fromBytes = CheckScreen(bytes.data(), bytes.size());
            EXPECT_NE(ScreenValid, fromBytes) << path;
            EXPECT_EQ(fromBytes, CheckScreen(HostPath(path).c_str())) << path;
            // Whatever the decoder reads becomes a screen Windows shows.
            TPicture picture;
            if (DecodePicture(HostPath(path).c_str(), 0, picture) == PictureOk) {
                Bytes screen;
                EXPECT_TRUE(MakeScreen(picture, files % 2 ? TScreenKind::Startup : TScreenKind::Shutdown, screen))
                    << path;
                EXPECT_EQ(ScreenValid, CheckScreen(screen.data(), screen.size())) << path;
                ++decoded;
            }
            ++files;
        }
    }
    EXPECT_GT(files, 80);
    EXPECT_GT(decoded, 50);
}

// ---------------------------------------------------------------------------
// Made screens.

struct Screen {
    Bytes File;
    std::uint8_t Palette[256][3];   // red, green, blue
    const std::uint8_t* Row(int y) const { return &File[1078 + std::size_t(399 - y) * 320]; }   // top row 0
};

Screen Read(const Bytes& file) {
    Screen s;
    s.File = file;
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) s.Palette[i][c] = file.size() >= 1078 ? file[54 + 4 * i + 2 - c] : 0;
    return s;
}

TPicture MakePicture(std::uint32_t width, std::uint32_t height, void (*fill)(std::uint32_t, std::uint32_t, std::uint8_t*)) {
    TPicture p;
    EXPECT_TRUE(p.Create(width, height));
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) fill(x, y, p.GetPixels() + 3 * (std::size_t(y) * width + x));
    return p;
}

// Smooth colours everywhere: more than any palette holds.
void Photo(std::uint32_t x, std::uint32_t y, std::uint8_t* rgb) {
    rgb[0] = std::uint8_t(x * 255 / 999);
    rgb[1] = std::uint8_t(y * 255 / 249);
    rgb[2] = std::uint8_t(128 + 127 * std::sin(x / 37.0 + y / 23.0));
}

// Four flat colours in quarters.
void Quarters(std::uint32_t x, std::uint32_t y, std::uint8_t* rgb) {
    static const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 200, 0}, {10, 20, 250}, {255, 255, 255}};
    const std::uint8_t* c = colours[(x >= 100) + 2 * (y >= 150)];
    std::copy(c, c + 3, rgb);
}

TEST(ScreenTest, MadeScreensAreValidAndKeepThePicture) {
    // 1000 x 250 is 4:1: fitted into 640 x 160 of 640 x 480, so 160 of the
    // 480 rows are picture and 160 above and below are black; at 400 rows,
    // rows 133-266 are picture.
    const TPicture wide = MakePicture(1000, 250, Photo);
    for (TScreenKind kind : {TScreenKind::Startup, TScreenKind::Shutdown}) {
        SCOPED_TRACE(kind == TScreenKind::Startup ? "start-up" : "shut-down");
        Bytes file;
        ASSERT_TRUE(MakeScreen(wide, kind, file));
        ASSERT_EQ(1078u + 128000u, file.size());
        EXPECT_EQ(ScreenValid, CheckScreen(file.data(), file.size()));
        const Screen s = Read(file);
        std::set<int> used;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 320; ++x) used.insert(s.Row(y)[x]);
        if (kind == TScreenKind::Startup) {
            EXPECT_LT(*used.rbegin(), 236) << "entries 236-255 cycle at start-up";
            EXPECT_GT(used.size(), 200u) << "the 236 entries are put to use";
        } else {
            EXPECT_GT(*used.rbegin(), 235) << "a shut-down screen has all 256";
        }
        // Margins black, the picture in between: a pixel's colour averaged
        // over 8 x 8 blocks follows the source's gradients.
        for (int y : {0, 100, 128, 272, 300, 399})
            for (int x = 0; x < 320; x += 7) {
                const std::uint8_t* c = s.Palette[s.Row(y)[x]];
                ASSERT_EQ(0, c[0] + c[1] + c[2]) << "margin pixel " << x << "," << y;
            }
        double worst = 0, total = 0;
        int blocks = 0;
        for (int by = 136; by + 8 <= 264; by += 8)
            for (int bx = 0; bx + 8 <= 320; bx += 8, ++blocks) {
                double sum[3] = {0, 0, 0}, want[3] = {0, 0, 0};
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) {
                        const std::uint8_t* c = s.Palette[s.Row(y)[x]];
                        std::uint8_t source[3];
                        // The source pixel at this place: x across 1000, y
                        // across the 250 rows shown in rows 133.33-266.67.
                        Photo(std::uint32_t((x + 0.5) * 1000 / 320),
                              std::uint32_t((y + 0.5 - 400.0 / 3) * 250 / (400.0 / 3)), source);
                        for (int k = 0; k < 3; ++k) {
                            sum[k] += c[k];
                            want[k] += source[k];
                        }
                    }
                for (int k = 0; k < 3; ++k) {
                    const double difference = std::fabs(sum[k] - want[k]) / 64;
                    worst = std::max(worst, difference);
                    total += difference / 3;
                }
            }
        // Colours at the edges of the colour cube (the darkest reds, say)
        // lie outside every palette chosen by averages: those blocks come
        // out a little paler.
        EXPECT_LT(total / blocks, 3.0) << "the mean difference of an 8 x 8 block's average from the source";
        EXPECT_LT(worst, 32) << "the largest difference of an 8 x 8 block's average from the source";
    }

    // A picture of four colours keeps exactly those, undithered; 200 x 300
    // is taller than 4:3: black margins left and right.
    Bytes file;
    ASSERT_TRUE(MakeScreen(MakePicture(200, 300, Quarters), TScreenKind::Startup, file));
    const Screen s = Read(file);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 320; ++x) {
            const std::uint8_t* c = s.Palette[s.Row(y)[x]];
            colours.insert(std::uint32_t(c[0]) << 16 | c[1] << 8 | c[2]);
        }
    const std::uint8_t* middleLeft = s.Palette[s.Row(100)[100]];
    EXPECT_EQ(255, middleLeft[0]);
    EXPECT_EQ(0, middleLeft[1] + middleLeft[2]);
    EXPECT_EQ(0, s.Palette[s.Row(200)[10]][0] + s.Palette[s.Row(200)[10]][1]) << "left margin";
    // The four, black, and the blends the resampling makes where quarters
    // and margins meet; nothing else.
    EXPECT_LT(colours.size(), 60u);
    EXPECT_EQ(1u, colours.count(0x0A14FA)) << "the blue quarter kept exactly";

    TPicture empty;
    Bytes untouched = {1, 2, 3};
    EXPECT_FALSE(MakeScreen(empty, TScreenKind::Shutdown, untouched));
    EXPECT_EQ((Bytes{1, 2, 3}), untouched);
}

// A 24-bit bitmap file of a picture.
Bytes Bitmap(std::uint32_t width, std::uint32_t height, void (*fill)(std::uint32_t, std::uint32_t, std::uint8_t*)) {
    InfoFile f;
    f.Width = std::int32_t(width);
    f.Height = std::int32_t(height);
    const std::uint32_t stride = (3 * width + 3) / 4 * 4;
    f.Pixels.assign(std::size_t(stride) * height, 0);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t rgb[3];
            fill(x, y, rgb);
            std::uint8_t* out = &f.Pixels[std::size_t(height - 1 - y) * stride + 3 * x];
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
        }
    return f.Build();
}

TEST(ScreenTest, ScreenFilesGoUnderNewNamesIntoTheirFolder) {
    const std::string work = WorkFolder();
    const std::string folder = work + "/Screens";
    for (const char* name : {"holiday.sys", "holiday (2).sys", "holiday (3).sys", "holiday (4).sys", "Screen.sys"})
        std::remove(HostPath(folder + "/" + name).c_str());
    std::remove(HostPath(folder).c_str());
    const std::string picture = work + "/holiday.bmp";
    WriteFile(picture, Bitmap(1000, 250, Photo));

    TScreenMakeResult made = MakeScreenFile(HostPath(picture).c_str(), TScreenKind::Shutdown, HostPath(folder).c_str());
    ASSERT_EQ(ScreenMade, made.Status) << DescribeScreenMakeFailure(made).GetText();
    EXPECT_EQ(HostPath(folder + "/holiday.sys"), made.Path.GetText()) << "the folder was made";
    EXPECT_STREQ("", DescribeScreenMakeFailure(made).GetText());
    const Bytes first = ReadFile(folder + "/holiday.sys");
    EXPECT_EQ(ScreenValid, CheckScreen(first.data(), first.size()));
    TPicture decoded;
    ASSERT_EQ(PictureOk, DecodePicture(HostPath(picture).c_str(), 0, decoded));
    Bytes expected;
    ASSERT_TRUE(MakeScreen(decoded, TScreenKind::Shutdown, expected));
    EXPECT_TRUE(first == expected) << "the file holds what MakeScreen makes";

    // Taken names are skipped; what is there stays as it is.
    WriteFile(folder + "/holiday (3).sys", Bytes{'m', 'i', 'n', 'e'});
    made = MakeScreenFile(HostPath(picture).c_str(), TScreenKind::Startup, HostPath(folder + "/").c_str());
    EXPECT_EQ(HostPath(folder + "/holiday (2).sys"), made.Path.GetText()) << "a folder given with its separator";
    made = MakeScreenFile(HostPath(picture).c_str(), TScreenKind::Startup, HostPath(folder).c_str());
    EXPECT_EQ(HostPath(folder + "/holiday (4).sys"), made.Path.GetText());
    EXPECT_TRUE(first == ReadFile(folder + "/holiday.sys"));
    EXPECT_EQ((Bytes{'m', 'i', 'n', 'e'}), ReadFile(folder + "/holiday (3).sys"));

    // A name that is all extension.
    WriteFile(work + "/.bmp", Bitmap(8, 8, Quarters));
    made = MakeScreenFile(HostPath(work + "/.bmp").c_str(), TScreenKind::Startup, HostPath(folder).c_str());
    EXPECT_EQ(HostPath(folder + "/Screen.sys"), made.Path.GetText());

    // Failures: nothing is made, and the reason is told.
    WriteFile(work + "/notes.txt", Bytes{'h', 'i'});
    made = MakeScreenFile(HostPath(work + "/notes.txt").c_str(), TScreenKind::Startup, HostPath(folder).c_str());
    EXPECT_EQ(ScreenNotDecoded, made.Status);
    EXPECT_NE(PictureOk, made.PictureStatus);
    EXPECT_STREQ("", made.Path.GetText());
    EXPECT_FALSE(Exists(folder + "/notes.sys"));
    WriteFile(work + "/blocked", Bytes{'x'});
    made = MakeScreenFile(HostPath(picture).c_str(), TScreenKind::Startup, HostPath(work + "/blocked/Screens").c_str());
    EXPECT_EQ(ScreenFolderFailed, made.Status);
    EXPECT_STRNE("", DescribeScreenMakeFailure(made).GetText());
    made = MakeScreenFile(HostPath(picture).c_str(), TScreenKind::Startup, HostPath(work + "/blocked").c_str());
    EXPECT_EQ(ScreenWriteFailed, made.Status) << "the folder is a file";
    EXPECT_STRNE("", DescribeScreenMakeFailure(made).GetText());
    made.Error = ENOSPC;
    EXPECT_STREQ("the screen file cannot be written: the disk is full", DescribeScreenMakeFailure(made).GetText());
    made.Status = ScreenFolderFailed;
    made.Error = 1234;   // no reason of its own: told by number
    EXPECT_STREQ("the folder for screens cannot be created (error 1234)", DescribeScreenMakeFailure(made).GetText());
}

#ifndef _WIN32
// Against ImageMagick's own downscale of the same picture: fitted into
// 640 x 480 on black, then 320 x 400. Averaged over 8 x 8 blocks (which the
// dithering leaves alone), the two agree closely; the same comparison with
// the reference upside down shows how far apart unrelated pictures are.
TEST(ScreenTest, MadeScreensLookLikeImageMagicksDownscale) {
    if (std::system("convert -version 2>/dev/null | grep -q ImageMagick") != 0) GTEST_SKIP() << "no ImageMagick";
    const std::string work = WorkFolder();
    const struct {
        const char* Name;
        const char* Make;
        TScreenKind Kind;
    } sources[] = {
        {"logo.bmp", "-resize '1000x560!' -type TrueColor BMP3:", TScreenKind::Startup},
        {"logo.png", "-resize '300x500!' PNG24:", TScreenKind::Shutdown},   // taller than 4:3
        {"logo.jpg", "-resize '1280x960!' -quality 95 JPEG:", TScreenKind::Startup},
    };
    for (const auto& from : sources) {
        SCOPED_TRACE(from.Name);
        const std::string source = work + "/" + from.Name, reference = work + "/reference.rgb";
        ASSERT_EQ(0, std::system(("convert logo: " + std::string(from.Make) + source).c_str()));
        ASSERT_EQ(0, std::system(("convert " + source +
                                  " -resize 640x480 -background black -gravity center -extent 640x480"
                                  " -resize '320x400!' -depth 8 rgb:" + reference).c_str()));
        const Bytes want = ReadFile(reference);
        ASSERT_EQ(320u * 400 * 3, want.size());

        TPicture picture;
        ASSERT_EQ(PictureOk, DecodePicture(source.c_str(), 0, picture));
        Bytes file;
        ASSERT_TRUE(MakeScreen(picture, from.Kind, file));
        ASSERT_EQ(ScreenValid, CheckScreen(file.data(), file.size()));
        const Screen s = Read(file);
        auto blockDifference = [&](bool flipped) {
            double total = 0;
            int blocks = 0;
            for (int by = 0; by < 400; by += 8)
                for (int bx = 0; bx < 320; bx += 8, ++blocks) {
                    double ours[3] = {0, 0, 0}, theirs[3] = {0, 0, 0};
                    for (int y = by; y < by + 8; ++y)
                        for (int x = bx; x < bx + 8; ++x) {
                            const int ry = flipped ? 399 - y : y;
                            for (int k = 0; k < 3; ++k) {
                                ours[k] += s.Palette[s.Row(y)[x]][k];
                                theirs[k] += want[3 * (std::size_t(ry) * 320 + x) + k];
                            }
                        }
                    for (int k = 0; k < 3; ++k) total += std::fabs(ours[k] - theirs[k]) / 64 / 3;
                }
            return total / blocks;
        };
        const double same = blockDifference(false), unrelated = blockDifference(true);
        std::printf("[ INFO     ] %s, %s screen: mean block difference %.2f (upside down: %.2f)\n", from.Name,
                    from.Kind == TScreenKind::Startup ? "start-up" : "shut-down", same, unrelated);
        EXPECT_LT(same, 2.0);
        EXPECT_GT(unrelated, 5 * same);
        if (from.Kind == TScreenKind::Startup) {
            for (std::size_t i = 1078; i < file.size(); ++i)
                ASSERT_LT(file[i], 236) << "entries 236-255 cycle at start-up";
        }
    }
}
#endif

}  // namespace
