// The picture decoder: every format into the same 24-bit top-down picture,
// header facts, and files that are broken or hostile.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "AllocFail.h"
#include "BitmapTestFiles.h"
#include "Picture.h"
#include "PictureTestFiles.h"

namespace {

using picturetest::GifFile;
using picturetest::GifFrame;
using picturetest::PngFile;

struct Rgb {
    int R, G, B;
};

Rgb At(const TPicture& p, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* q = p.GetPixels() + (std::size_t(y) * p.GetWidth() + x) * 3;
    return {q[0], q[1], q[2]};
}

// Decodes `file` from memory; the status must be `expected`.
TPicture Decode(const Bytes& file, std::uint32_t background = 0x000000, TPictureStatus expected = PictureOk) {
    TPicture p;
    EXPECT_EQ(DecodePicture(file.data(), file.size(), background, p), expected);
    return p;
}

#define EXPECT_RGB(picture, x, y, r, g, b)                                                        \
    do {                                                                                          \
        const Rgb c_ = At(picture, x, y);                                                         \
        EXPECT_TRUE(c_.R == (r) && c_.G == (g) && c_.B == (b))                                    \
            << "pixel " << (x) << "," << (y) << " is " << c_.R << "," << c_.G << "," << c_.B;     \
    } while (0)

#define EXPECT_NEAR_RGB(picture, x, y, r, g, b, tolerance)                                        \
    do {                                                                                          \
        const Rgb c_ = At(picture, x, y);                                                         \
        EXPECT_TRUE(std::abs(c_.R - (r)) <= (tolerance) && std::abs(c_.G - (g)) <= (tolerance) && \
                    std::abs(c_.B - (b)) <= (tolerance))                                          \
            << "pixel " << (x) << "," << (y) << " is " << c_.R << "," << c_.G << "," << c_.B;     \
    } while (0)

std::string TempPath(const char* name) {
    return (testing::TempDir() + "picture-") + name;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

}  // namespace

TEST(Picture, BitmapsOfEveryLayoutBecomeTopDownRgb) {
    // 24 bits, 2 x 2: rows stored bottom first, blue-green-red, padded to 4 bytes.
    InfoFile f24;
    f24.Width = 2;
    f24.Height = 2;
    f24.Pixels = {1, 2, 3, 4, 5, 6, 0, 0,          // bottom row
                  10, 20, 30, 40, 50, 60, 0, 0};   // top row
    TPicture p = Decode(f24.Build());
    ASSERT_EQ(p.GetWidth(), 2u);
    ASSERT_EQ(p.GetHeight(), 2u);
    EXPECT_RGB(p, 0, 0, 30, 20, 10);
    EXPECT_RGB(p, 1, 0, 60, 50, 40);
    EXPECT_RGB(p, 0, 1, 3, 2, 1);
    EXPECT_RGB(p, 1, 1, 6, 5, 4);

    // 8 bits with a 3-entry table; an index outside the table is corrupt.
    InfoFile f8;
    f8.Width = 3;
    f8.Height = 1;
    f8.BitsPerPixel = 8;
    f8.ColorsUsed = 3;
    f8.Table = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    f8.Pixels = {2, 1, 0, 0};
    p = Decode(f8.Build());
    EXPECT_RGB(p, 0, 0, 0, 0, 255);
    EXPECT_RGB(p, 1, 0, 0, 255, 0);
    EXPECT_RGB(p, 2, 0, 255, 0, 0);
    f8.Pixels = {2, 3, 0, 0};
    TPicture kept = Decode(f8.Build(), 0, PictureCorrupt);
    EXPECT_TRUE(kept.IsEmpty());

    // 1 bit, 9 pixels wide: the row crosses a byte.
    InfoFile f1;
    f1.Width = 9;
    f1.Height = 1;
    f1.BitsPerPixel = 1;
    f1.Table = {0, 0, 0, 0, 255, 255, 255, 0};
    f1.Pixels = {0xA0, 0x80, 0, 0};
    p = Decode(f1.Build());
    EXPECT_RGB(p, 0, 0, 255, 255, 255);
    EXPECT_RGB(p, 1, 0, 0, 0, 0);
    EXPECT_RGB(p, 2, 0, 255, 255, 255);
    EXPECT_RGB(p, 8, 0, 255, 255, 255);
    EXPECT_RGB(p, 7, 0, 0, 0, 0);

    // 4 bits, RLE4: a run of 3 pixels alternating 1 and 2, end of picture.
    InfoFile f4;
    f4.Width = 3;
    f4.Height = 1;
    f4.BitsPerPixel = 4;
    f4.Compression = 2;
    f4.ColorsUsed = 3;
    f4.Table = {0, 0, 0, 0, 0, 0, 200, 0, 0, 100, 0, 0};
    f4.Pixels = {3, 0x12, 0, 1};
    f4.ImageSize = 4;
    p = Decode(f4.Build());
    EXPECT_RGB(p, 0, 0, 200, 0, 0);
    EXPECT_RGB(p, 1, 0, 0, 100, 0);
    EXPECT_RGB(p, 2, 0, 200, 0, 0);

    // RLE8, 2 rows: a run of 2 on the bottom row, two runs of 1 on the top.
    InfoFile r8;
    r8.Width = 2;
    r8.Height = 2;
    r8.BitsPerPixel = 8;
    r8.Compression = 1;
    r8.ColorsUsed = 2;
    r8.Table = {0, 0, 0, 0, 255, 255, 255, 0};
    r8.Pixels = {2, 1, 0, 0, 1, 0, 1, 1, 0, 1};
    r8.ImageSize = std::uint32_t(r8.Pixels.size());
    p = Decode(r8.Build());
    EXPECT_RGB(p, 0, 1, 255, 255, 255);
    EXPECT_RGB(p, 1, 1, 255, 255, 255);
    EXPECT_RGB(p, 0, 0, 0, 0, 0);
    EXPECT_RGB(p, 1, 0, 255, 255, 255);

    // 16 bits: 5-5-5 without masks, 5-6-5 with bit fields.
    InfoFile f16;
    f16.Width = 2;
    f16.Height = 1;
    f16.BitsPerPixel = 16;
    f16.Pixels = {0x00, 0x7C, 0x1F, 0x00};  // red, blue (little-endian words)
    p = Decode(f16.Build());
    EXPECT_RGB(p, 0, 0, 255, 0, 0);
    EXPECT_RGB(p, 1, 0, 0, 0, 255);
    f16.Compression = 3;
    f16.Table.clear();
    for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(f16.Table, m);
    f16.Pixels = {0xE0, 0x07, 0x00, 0x84};  // green, 0x8400 = red 16, green 32
    p = Decode(f16.Build());
    EXPECT_RGB(p, 0, 0, 0, 255, 0);
    EXPECT_RGB(p, 1, 0, 16 * 255 / 31, 32 * 255 / 63, 0);

    // 32 bits: blue-green-red-unused; with masks red in the low byte.
    InfoFile f32;
    f32.Width = 1;
    f32.Height = 1;
    f32.BitsPerPixel = 32;
    f32.Pixels = {7, 8, 9, 99};
    p = Decode(f32.Build());
    EXPECT_RGB(p, 0, 0, 9, 8, 7);
    f32.Compression = 3;
    for (std::uint32_t m : {0x0000FFu, 0x00FF00u, 0xFF0000u}) Put32(f32.Table, m);
    p = Decode(f32.Build());
    EXPECT_RGB(p, 0, 0, 7, 8, 9);

    // The 12-byte core header with a 3-byte table.
    CoreFile core;
    core.Width = 2;
    core.Height = 1;
    core.BitsPerPixel = 8;
    core.Table = {0, 0, 0, 10, 20, 30};
    core.Pixels = {1, 0, 0, 0};
    p = Decode(core.Build());
    EXPECT_RGB(p, 0, 0, 30, 20, 10);
    EXPECT_RGB(p, 1, 0, 0, 0, 0);

    // The older headerless file (1 bit without a table: black and white),
    // rows in file order taken as bottom first, as the preview's image does.
    p = Decode(Type0File(2, 2, 1, 1, 1, {0x80, 0x40}));
    EXPECT_RGB(p, 0, 1, 255, 255, 255);
    EXPECT_RGB(p, 1, 1, 0, 0, 0);
    EXPECT_RGB(p, 0, 0, 0, 0, 0);
    EXPECT_RGB(p, 1, 0, 255, 255, 255);

    // Variants the reader refuses: the 124-byte header, a top-down picture.
    InfoFile v5 = f24;
    v5.HeaderSize = 124;
    Decode(v5.Build(), 0, PictureUnsupported);
    InfoFile topDown = f24;
    topDown.Height = -2;
    Decode(topDown.Build(), 0, PictureUnsupported);
}

TEST(Picture, PngOfEveryColourTypeAndDepth) {
    const std::uint32_t background = 0x204060;
    // Grey at 1, 2, 4, 8 and 16 bits: the brightest value is white.
    for (std::uint8_t depth : {1, 2, 4, 8, 16}) {
        PngFile f;
        f.Width = 2;
        f.ColorType = 0;
        f.Depth = depth;
        const unsigned max = (1u << depth) - 1;
        if (depth == 16) f.Rows = {0xFF, 0xFF, 0x80, 0x00};
        else if (depth == 8) f.Rows = {0xFF, 0x80};
        else f.Rows = {std::uint8_t((max << (8 - depth)) & 0xFF)};  // first pixel max, second 0
        TPicture p = Decode(f.Build(), background);
        SCOPED_TRACE(depth);
        EXPECT_RGB(p, 0, 0, 255, 255, 255);
        if (depth >= 8) EXPECT_RGB(p, 1, 0, 128, 128, 128);
        else EXPECT_RGB(p, 1, 0, 0, 0, 0);
    }
    // RGB at 8 and 16 bits (16-bit samples keep their high byte).
    PngFile rgb;
    rgb.Width = 2;
    rgb.Rows = {1, 2, 3, 250, 251, 252};
    TPicture p = Decode(rgb.Build());
    EXPECT_RGB(p, 0, 0, 1, 2, 3);
    EXPECT_RGB(p, 1, 0, 250, 251, 252);
    rgb.Depth = 16;
    rgb.Rows = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF, 0, 0, 0x7F, 0xFF};
    p = Decode(rgb.Build());
    EXPECT_RGB(p, 0, 0, 0x12, 0x56, 0x9A);
    EXPECT_RGB(p, 1, 0, 0xFF, 0, 0x7F);

    // RGBA at 8 and 16 bits: opaque, transparent and half transparent pixels
    // composited onto the background.
    PngFile rgba;
    rgba.Width = 3;
    rgba.ColorType = 6;
    rgba.Rows = {10, 20, 30, 255, 10, 20, 30, 0, 255, 255, 255, 128};
    p = Decode(rgba.Build(), background);
    EXPECT_RGB(p, 0, 0, 10, 20, 30);
    EXPECT_RGB(p, 1, 0, 0x20, 0x40, 0x60);
    EXPECT_NEAR_RGB(p, 2, 0, (255 * 128 + 0x20 * 127) / 255, (255 * 128 + 0x40 * 127) / 255,
                    (255 * 128 + 0x60 * 127) / 255, 1);
    rgba.Depth = 16;
    rgba.Rows = {0, 10, 0, 20, 0, 30, 255, 255, 9, 9, 9, 9, 9, 9, 0, 0, 255, 255, 255, 255, 255, 255, 128, 0};
    p = Decode(rgba.Build(), background);
    EXPECT_RGB(p, 0, 0, 0, 0, 0);
    EXPECT_RGB(p, 1, 0, 0x20, 0x40, 0x60);
    EXPECT_NEAR_RGB(p, 2, 0, (255 * 128 + 0x20 * 127) / 255, (255 * 128 + 0x40 * 127) / 255,
                    (255 * 128 + 0x60 * 127) / 255, 1);

    // Grey with alpha at 8 and 16 bits.
    PngFile ga;
    ga.Width = 2;
    ga.ColorType = 4;
    ga.Rows = {200, 255, 200, 0};
    p = Decode(ga.Build(), background);
    EXPECT_RGB(p, 0, 0, 200, 200, 200);
    EXPECT_RGB(p, 1, 0, 0x20, 0x40, 0x60);
    ga.Depth = 16;
    ga.Rows = {100, 1, 255, 255, 100, 1, 0, 0};
    p = Decode(ga.Build(), background);
    EXPECT_RGB(p, 0, 0, 100, 100, 100);
    EXPECT_RGB(p, 1, 0, 0x20, 0x40, 0x60);

    // Palette at 1, 2, 4 and 8 bits, with and without tRNS.
    for (std::uint8_t depth : {1, 2, 4, 8}) {
        PngFile pal;
        pal.Width = 2;
        pal.ColorType = 3;
        pal.Depth = depth;
        pal.Palette = {255, 0, 0, 0, 0, 255};
        pal.Rows = {std::uint8_t(depth == 8 ? 1 : 1u << (8 - 2 * depth))};  // index 0, then 1
        if (depth == 8) pal.Rows = {0, 1};
        SCOPED_TRACE(depth);
        p = Decode(pal.Build(), background);
        EXPECT_RGB(p, 0, 0, 255, 0, 0);
        EXPECT_RGB(p, 1, 0, 0, 0, 255);
        pal.Transparency = {0};
        p = Decode(pal.Build(), background);
        EXPECT_RGB(p, 0, 0, 0x20, 0x40, 0x60);
        EXPECT_RGB(p, 1, 0, 0, 0, 255);
    }
    // Interlaced (Adam7) pictures of every colour type decode as their
    // non-interlaced twins, sizes chosen so that some passes are empty.
    for (std::uint8_t type : {0, 2, 3, 4, 6}) {
        for (std::uint8_t depth : {2, 8, 16}) {
            if ((type == 3 && depth == 16) || (type != 0 && type != 3 && depth == 2)) continue;
            for (std::uint32_t size : {1u, 3u, 9u}) {
                PngFile twin;
                twin.Width = size + 2;
                twin.Height = size;
                twin.ColorType = type;
                twin.Depth = depth;
                if (type == 3) twin.Palette = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
                for (std::size_t i = 0; i < twin.RowBytes() * twin.Height; ++i)
                    twin.Rows.push_back(std::uint8_t(type == 3 ? (depth == 8 ? i % 4 : 0x1B) : i * 37 + 11));
                const TPicture flat = Decode(twin.Build(), background);
                twin.Interlaced = true;
                const TPicture interlaced = Decode(twin.Build(), background);
                SCOPED_TRACE(std::to_string(type) + "/" + std::to_string(depth) + "/" + std::to_string(size));
                ASSERT_EQ(interlaced.GetWidth(), flat.GetWidth());
                ASSERT_EQ(interlaced.GetHeight(), flat.GetHeight());
                EXPECT_EQ(0, std::memcmp(interlaced.GetPixels(), flat.GetPixels(), size_t(size + 2) * size * 3));
            }
        }
    }
    // tRNS of grey and RGB pictures: the one colour given is transparent.
    PngFile greyKey;
    greyKey.Width = 2;
    greyKey.ColorType = 0;
    greyKey.Rows = {7, 8};
    greyKey.Transparency = {0, 7};
    p = Decode(greyKey.Build(), background);
    EXPECT_RGB(p, 0, 0, 0x20, 0x40, 0x60);
    EXPECT_RGB(p, 1, 0, 8, 8, 8);
    PngFile rgbKey;
    rgbKey.Width = 2;
    rgbKey.Depth = 16;
    rgbKey.Rows = {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 7};
    rgbKey.Transparency = {1, 2, 3, 4, 5, 6};
    p = Decode(rgbKey.Build(), background);
    EXPECT_RGB(p, 0, 0, 0x20, 0x40, 0x60);
    EXPECT_RGB(p, 1, 0, 1, 3, 5);
}

TEST(Picture, GifFirstFrameWithTransparency) {
    GifFile g;
    g.Width = 3;
    g.Height = 2;
    g.Palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    GifFrame first;
    first.Width = 2;
    first.Height = 2;
    first.Indices = {0, 1, 2, 0};
    first.Transparent = 2;
    GifFrame second;  // covers everything in blue: never shown
    second.Width = 3;
    second.Height = 2;
    second.Indices = {2, 2, 2, 2, 2, 2};
    g.Frames = {first, second};
    TPicture p = Decode(g.Build(), 0xABCDEF);
    ASSERT_EQ(p.GetWidth(), 3u);
    ASSERT_EQ(p.GetHeight(), 2u);
    EXPECT_RGB(p, 0, 0, 255, 0, 0);
    EXPECT_RGB(p, 1, 0, 0, 255, 0);
    EXPECT_RGB(p, 0, 1, 0xAB, 0xCD, 0xEF);  // transparent index
    EXPECT_RGB(p, 1, 1, 255, 0, 0);
    EXPECT_RGB(p, 2, 0, 0xAB, 0xCD, 0xEF);  // outside the first frame
    EXPECT_RGB(p, 2, 1, 0xAB, 0xCD, 0xEF);

    // Thousands of frames: only the first is decoded.
    GifFile many;
    many.Width = many.Height = 2;
    many.Palette = {1, 2, 3, 4, 5, 6};
    GifFrame f;
    f.Width = f.Height = 2;
    f.Indices = {1, 1, 1, 1};
    f.Dispose = 3;
    many.Frames.assign(5000, f);
    p = Decode(many.Build());
    EXPECT_RGB(p, 1, 1, 4, 5, 6);
}

TEST(Picture, JpegBaselineProgressiveAndGreyAgainstTheirColours) {
    // JPEG is lossy: each quadrant's centre lies within a tolerance of its colour.
    const struct {
        const char* Name;
        Bytes File;
        bool Grey;
    } cases[] = {
        {"baseline", picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg), false},
        {"progressive", picturetest::Jpeg(ProgressiveJpeg, sizeof ProgressiveJpeg), false},
        {"grey", picturetest::Jpeg(GreyJpeg, sizeof GreyJpeg), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TPicture p = Decode(c.File);
        ASSERT_EQ(p.GetWidth(), 16u);
        ASSERT_EQ(p.GetHeight(), 16u);
        if (c.Grey) {  // ImageMagick's grey: Rec. 709 luma of red, lime, blue
            EXPECT_NEAR_RGB(p, 4, 4, 54, 54, 54, 6);
            EXPECT_NEAR_RGB(p, 11, 4, 182, 182, 182, 6);
            EXPECT_NEAR_RGB(p, 4, 11, 18, 18, 18, 6);
        } else {
            EXPECT_NEAR_RGB(p, 4, 4, 255, 0, 0, 12);
            EXPECT_NEAR_RGB(p, 11, 4, 0, 255, 0, 12);
            EXPECT_NEAR_RGB(p, 4, 11, 0, 0, 255, 12);
        }
        EXPECT_NEAR_RGB(p, 11, 11, 255, 255, 255, 6);
    }
    // Arithmetic coding (SOF9), 12-bit samples, lossless (SOF3): not read,
    // and said so before any pixel is decoded.
    Bytes base = cases[0].File;
    const std::size_t sof = picturetest::JpegMarker(base, 0xC0);
    ASSERT_NE(sof, 0u);
    for (std::uint8_t marker : {0xC9, 0xC3, 0xCA}) {
        Bytes variant = base;
        variant[sof + 1] = marker;
        Decode(variant, 0, PictureUnsupported);
    }
    // Junk between two segments is skipped, as the decoder skips it.
    Bytes junk(base.begin(), base.begin() + std::ptrdiff_t(sof));
    junk.insert(junk.end(), {0x00, 0x12, 0x34});
    junk.insert(junk.end(), base.begin() + std::ptrdiff_t(sof), base.end());
    EXPECT_EQ(Decode(junk).GetWidth(), 16u);
    Bytes twelve = base;
    twelve[sof + 4] = 12;
    TPictureInfo info;
    TPicture p;
    EXPECT_EQ(DecodePicture(twelve.data(), twelve.size(), 0, p, &info), PictureUnsupported);
    EXPECT_EQ(info.Format, TPictureFormat::Jpeg);
    EXPECT_EQ(info.Width, 16u);
    EXPECT_TRUE(p.IsEmpty());
}

TEST(Picture, HeaderFactsFromMemoryAndFiles) {
    InfoFile bmp8;
    bmp8.Width = 5;
    bmp8.Height = 3;
    bmp8.BitsPerPixel = 8;
    bmp8.ColorsUsed = 20;
    bmp8.Table.assign(80, 0);
    bmp8.Pixels.assign(24, 0);
    PngFile pal;
    pal.Width = 7;
    pal.Height = 2;
    pal.ColorType = 3;
    pal.Depth = 4;
    pal.Palette.assign(3 * 11, 0);
    pal.Rows.assign(8, 0);
    PngFile rgba16;
    rgba16.Width = 1;
    rgba16.ColorType = 6;
    rgba16.Depth = 16;
    rgba16.Rows.assign(8, 0);
    GifFile gif;
    gif.Width = 9;
    gif.Height = 4;
    gif.Frames.resize(1);
    gif.Frames[0].Indices = {0};
    const struct {
        Bytes File;
        TPictureFormat Format;
        std::uint32_t Width, Height, Bits, Palette;
    } cases[] = {
        {bmp8.Build(), TPictureFormat::Bitmap, 5, 3, 8, 20},
        {pal.Build(), TPictureFormat::Png, 7, 2, 4, 11},
        {rgba16.Build(), TPictureFormat::Png, 1, 1, 32, 0},
        {gif.Build(), TPictureFormat::Gif, 9, 4, 8, 256},
        {picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg), TPictureFormat::Jpeg, 16, 16, 24, 0},
        {picturetest::Jpeg(GreyJpeg, sizeof GreyJpeg), TPictureFormat::Jpeg, 16, 16, 8, 256},
    };
    const std::string path = TempPath("info");
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Format));
        TPictureInfo info;
        ASSERT_EQ(ReadPictureInfo(c.File.data(), c.File.size(), info), PictureOk);
        EXPECT_EQ(info.Format, c.Format);
        EXPECT_EQ(info.Width, c.Width);
        EXPECT_EQ(info.Height, c.Height);
        EXPECT_EQ(info.BitsPerPixel, c.Bits);
        EXPECT_EQ(info.PaletteSize, c.Palette);
        // The same from a file, and the file decodes to the same size.
        WriteFile(path, c.File);
        TPictureInfo fromFile;
        ASSERT_EQ(ReadPictureInfo(path.c_str(), fromFile), PictureOk);
        EXPECT_EQ(fromFile.Width, c.Width);
        EXPECT_EQ(fromFile.PaletteSize, c.Palette);
        TPicture p;
        TPictureInfo decoded;
        ASSERT_EQ(DecodePicture(path.c_str(), 0, p, &decoded), PictureOk);
        EXPECT_EQ(p.GetWidth(), c.Width);
        EXPECT_EQ(p.GetHeight(), c.Height);
        EXPECT_EQ(decoded.BitsPerPixel, c.Bits);
    }
    // A JPEG whose frame header lies beyond the first 64 KB read for the facts.
    Bytes jpeg = picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg);
    Bytes padded(jpeg.begin(), jpeg.begin() + 2);
    for (int i = 0; i < 3; ++i) {  // three 40 KB comment segments
        padded.insert(padded.end(), {0xFF, 0xFE, 0x9C, 0x40});
        padded.insert(padded.end(), 0x9C40 - 2, 'x');
    }
    padded.insert(padded.end(), jpeg.begin() + 2, jpeg.end());
    WriteFile(path, padded);
    TPictureInfo info;
    ASSERT_EQ(ReadPictureInfo(path.c_str(), info), PictureOk);
    EXPECT_EQ(info.Width, 16u);

    // Failures leave the info and the picture as they were.
    TPicture kept;
    ASSERT_TRUE(kept.Create(2, 2));
    info.Width = 77;
    EXPECT_EQ(ReadPictureInfo((path + "-missing").c_str(), info), PictureCannotOpen);
    EXPECT_EQ(DecodePicture((path + "-missing").c_str(), 0, kept), PictureCannotOpen);
    const Bytes text{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_EQ(ReadPictureInfo(text.data(), text.size(), info), PictureUnknownFormat);
    WriteFile(path, text);
    EXPECT_EQ(DecodePicture(path.c_str(), 0, kept), PictureUnknownFormat);
    EXPECT_EQ(info.Width, 77u);
    EXPECT_EQ(kept.GetWidth(), 2u);
    std::remove(path.c_str());
}

TEST(Picture, HostileFilesEndInAStatus) {
    // 65,535 x 65,535 in every format's header: refused before decoding,
    // with the header's facts still given.
    InfoFile bmp;
    bmp.Width = bmp.Height = 65535;
    PngFile png;
    png.Width = png.Height = 65535;
    png.Idat = {0};
    GifFile gif;
    gif.Width = gif.Height = 65535;
    Bytes jpeg = picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg);
    const std::size_t sof = picturetest::JpegMarker(jpeg, 0xC0);
    jpeg[sof + 5] = jpeg[sof + 6] = jpeg[sof + 7] = jpeg[sof + 8] = 0xFF;
    for (const Bytes& f : {bmp.Build(), png.Build(), gif.Build(), jpeg}) {
        TPicture p;
        TPictureInfo info;
        EXPECT_EQ(DecodePicture(f.data(), f.size(), 0, p, &info), PictureTooLarge);
        EXPECT_EQ(info.Width, 65535u);
        EXPECT_EQ(ReadPictureInfo(f.data(), f.size(), info), PictureTooLarge);
    }
    // Just above and at the limit.
    png.Width = 2048;
    png.Height = MaxPicturePixels / 2048 + 1;
    Decode(png.Build(), 0, PictureTooLarge);

    // A decompression bomb: a 2000 x 2000 PNG whose data inflates to 400 MB.
    PngFile bomb;
    bomb.Width = bomb.Height = 2000;
    bomb.Idat = picturetest::ZlibBomb(258ull * 1550000 + 1);
    Decode(bomb.Build(), 0, PictureCorrupt);

    // Chunks lying about their lengths.
    PngFile liar;
    liar.Width = liar.Height = 4;
    liar.Rows.assign(12 * 4, 0x55);
    Bytes f = liar.Build();
    const std::size_t idat = 8 + 25;  // after the signature and IHDR
    for (std::uint32_t length : {0x7FFFFFF0u, 0xFFFFFFFFu, 0x40000001u, 5u}) {
        Bytes lying = f;
        for (int i = 0; i < 4; ++i) lying[idat + i] = std::uint8_t(length >> (24 - 8 * i));
        SCOPED_TRACE(length);
        Decode(lying, 0, PictureCorrupt);
    }

    // Thousands of scans in a JPEG: refused rather than decoded for minutes.
    const std::size_t sos = picturetest::JpegMarker(jpeg = picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg), 0xDA);
    ASSERT_NE(sos, 0u);
    Bytes scans(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(sos));
    const Bytes scan(jpeg.begin() + std::ptrdiff_t(sos), jpeg.end() - 2);
    for (int i = 0; i < 3000; ++i) scans.insert(scans.end(), scan.begin(), scan.end());
    scans.insert(scans.end(), {0xFF, 0xD9});
    Decode(scans, 0, PictureCorrupt);
    // The larger the picture, the fewer: 25 scans at the pixel limit are too many.
    scans.resize(sos);
    for (int i = 0; i < 25; ++i) scans.insert(scans.end(), scan.begin(), scan.end());
    scans.insert(scans.end(), {0xFF, 0xD9});
    scans[sof + 5] = scans[sof + 7] = 0x08;  // 2048 x 2048
    scans[sof + 6] = scans[sof + 8] = 0x00;
    Decode(scans, 0, PictureCorrupt);

    // Every file of every format cut short: a status, never a crash. A
    // JPEG, PNG or GIF cut short is never shown (its missing part would be
    // grey); a file whose pixels are all there may lack what follows them (a
    // bitmap's last bytes, a PNG's closing chunk, a GIF's trailer), never a
    // JPEG its end marker.
    GifFile g;
    g.Width = g.Height = 3;
    g.Frames.resize(1);
    g.Frames[0].Width = g.Frames[0].Height = 3;
    g.Frames[0].Indices.assign(9, 1);
    InfoFile rle = InfoFile();
    rle.Width = 4;
    rle.BitsPerPixel = 8;
    rle.Compression = 1;
    rle.ColorsUsed = 2;
    rle.Table.assign(8, 9);
    rle.Pixels = {4, 1, 0, 1};
    for (const Bytes& whole : {liar.Build(), g.Build(), rle.Build(), picturetest::Jpeg(ProgressiveJpeg, sizeof ProgressiveJpeg),
                               picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg)}) {
        const TPicture full = Decode(whole);
        for (std::size_t n = 0; n < whole.size(); ++n) {
            TPicture p;
            if (DecodePicture(whole.data(), n, 0, p) == PictureOk) {
                EXPECT_TRUE(whole[0] == 'B' || (whole[0] != 0xFF && n + 12 >= whole.size()))
                    << "a cut-short picture decoded, cut at " << n << " of " << whole.size();
                EXPECT_EQ(p.GetWidth(), full.GetWidth()) << "cut at " << n;
                EXPECT_EQ(p.GetHeight(), full.GetHeight()) << "cut at " << n;
            } else {
                EXPECT_TRUE(p.IsEmpty());
            }
        }
    }
}

TEST(Picture, CreateMoveAndClear) {
    TPicture a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_FALSE(a.Create(0, 5));
    EXPECT_FALSE(a.Create(0xFFFFFFFF, 0xFFFFFFFF));
    ASSERT_TRUE(a.Create(3, 2));
    a.GetPixels()[17] = 42;
    TPicture b(std::move(a));
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(b.GetWidth(), 3u);
    EXPECT_EQ(b.GetPixels()[17], 42);
    PngFile png;
    png.Rows = {1, 2, 3};
    TPicture c = Decode(png.Build());
    c = std::move(b);  // the decoder's block is released, the other one taken
    EXPECT_EQ(c.GetHeight(), 2u);
    c.Clear();
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.GetWidth(), 0u);
}

TEST(Picture, RunningOutOfMemoryLeavesThePictureAsItWas) {
    // Every allocation of a bitmap's decoding, from memory and from a file,
    // failing in turn: no memory, and the picture kept, until all succeed.
    InfoFile f;
    f.Width = 3;
    f.Height = 2;
    f.BitsPerPixel = 8;
    f.ColorsUsed = 2;
    f.Table = {1, 2, 3, 0, 4, 5, 6, 0};
    f.Pixels.assign(8, 1);
    const Bytes file = f.Build();
    const std::string path = TempPath("memory.bmp");
    WriteFile(path, file);
    for (bool fromFile : {false, true}) {
        bool decoded = false;
        for (long skip = 0; skip < 50 && !decoded; ++skip) {
            TPicture p;
            ASSERT_TRUE(p.Create(1, 1));
            p.GetPixels()[0] = 99;
            TPictureStatus status;
            {
                iwtest::AllocFailScope fail(skip, 1000);
                status = fromFile ? DecodePicture(path.c_str(), 0, p) : DecodePicture(file.data(), file.size(), 0, p);
            }
            if (status == PictureOk) {
                decoded = true;
                EXPECT_EQ(p.GetWidth(), 3u);
                EXPECT_RGB(p, 2, 0, 6, 5, 4);
            } else {
                // Opening the file may itself fail for want of memory.
                EXPECT_TRUE(status == PictureNoMemory || (fromFile && status == PictureCannotOpen))
                    << "allocation " << skip << ": " << status;
                EXPECT_EQ(p.GetWidth(), 1u);
                EXPECT_EQ(p.GetPixels()[0], 99);
            }
        }
        EXPECT_TRUE(decoded);
    }
    std::remove(path.c_str());
    // Create keeps the old pixels when the new ones cannot be had.
    TPicture p;
    ASSERT_TRUE(p.Create(2, 2));
    {
        iwtest::AllocFailScope fail(0);
        EXPECT_FALSE(p.Create(5, 5));
    }
    EXPECT_EQ(p.GetWidth(), 2u);
}
