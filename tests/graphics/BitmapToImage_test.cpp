#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "AllocFail.h"
#include "BitmapTestFiles.h"

namespace {

using S = TBitmapFile::TStatus;

std::vector<std::uint32_t> PixelsOf(const TImage& image) {
    return std::vector<std::uint32_t>(image.GetPixels(), image.GetPixels() + image.GetPixelCount());
}
std::vector<TRGBColor> PaletteOf(TImage& image) {
    std::vector<TRGBColor> colors;
    for (unsigned i = 0; i < image.Palette.GetCount(); ++i) colors.push_back(*image.Palette.At(i));
    return colors;
}

// A 24-bit picture of width x height whose rows are given without fill bytes.
Bytes TrueColorFile(std::int32_t width, std::int32_t height, const Bytes& rows) {
    InfoFile f;
    f.Width = width;
    f.Height = height;
    const std::size_t data = std::size_t(width) * 3, stored = (data + 3) / 4 * 4;
    for (std::int32_t y = 0; y < height; ++y) {
        f.Pixels.insert(f.Pixels.end(), rows.begin() + y * data, rows.begin() + (y + 1) * data);
        f.Pixels.resize(f.Pixels.size() + stored - data, 0xEE);
    }
    return f.Build();
}

TEST(BitmapToImage, TrueColourPaletteIsSortedByRedGreenBlue) {
    TBitmapFile bitmap;
    TImage image;
    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(2, 1, {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00})));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ((std::vector<TRGBColor>{TRGBColor(0, 0, 255), TRGBColor(255, 0, 0)}), PaletteOf(image));
    EXPECT_EQ((std::vector<std::uint32_t>{1, 0}), PixelsOf(image));
    EXPECT_EQ(S::StatusOk, bitmap.GetStatus());

    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(3, 2, Bytes(18, 0x40))));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(std::vector<TRGBColor>{TRGBColor(0x40, 0x40, 0x40)}, PaletteOf(image));
    EXPECT_EQ(std::vector<std::uint32_t>(6, 0), PixelsOf(image));
    EXPECT_EQ(3u, image.GetWidth());
    EXPECT_EQ(2u, image.GetHeight());
}

TEST(BitmapToImage, TrueColourMatchesASortedReference) {
    // Colours drawn from a small range so that many repeat, plus extremes.
    std::mt19937 random(5);
    const std::int32_t width = 61, height = 47;
    Bytes rows;
    for (int i = 0; i < width * height; ++i)
        for (int c = 0; c < 3; ++c) rows.push_back(std::uint8_t(random() % 6 * 51));
    rows[0] = rows[1] = rows[2] = 0xFF;
    TBitmapFile bitmap;
    TImage image;
    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(width, height, rows)));
    ASSERT_TRUE(bitmap.ToImage(image));

    std::map<std::uint32_t, std::uint32_t> rank;
    for (std::size_t i = 0; i < rows.size(); i += 3) rank[rows[i] | rows[i + 1] << 8 | rows[i + 2] << 16] = 0;
    std::vector<TRGBColor> expected;
    for (auto& entry : rank) {
        entry.second = std::uint32_t(expected.size());
        expected.push_back(TRGBColor(std::uint8_t(entry.first >> 16), std::uint8_t(entry.first >> 8),
                                     std::uint8_t(entry.first)));
    }
    EXPECT_EQ(expected, PaletteOf(image));
    const std::vector<std::uint32_t> pixels = PixelsOf(image);
    ASSERT_EQ(std::size_t(width * height), pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ(rank[rows[3 * i] | rows[3 * i + 1] << 8 | rows[3 * i + 2] << 16], pixels[i]) << i;

    // All distinct: as many colours as pixels, the same conversion again.
    Bytes distinct;
    for (std::uint32_t i = 0; i < 300; ++i) distinct.insert(distinct.end(), {std::uint8_t(i), std::uint8_t(i >> 8), 9});
    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(30, 10, distinct)));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(300u, image.Palette.GetCount());
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(299u, image.GetPixels()[299]);
}

// Converts a picture of the given keys (in stream order) and compares the
// result with ranks counted in a std::map.
void ExpectConversionOf(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& keys) {
    Bytes rows;
    for (std::uint32_t key : keys) rows.insert(rows.end(), {std::uint8_t(key), std::uint8_t(key >> 8), std::uint8_t(key >> 16)});
    std::map<std::uint32_t, std::uint32_t> rank;
    for (std::uint32_t key : keys) rank[key] = 0;
    std::vector<TRGBColor> palette;
    for (auto& entry : rank) {
        entry.second = std::uint32_t(palette.size());
        palette.push_back(TRGBColor(std::uint8_t(entry.first >> 16), std::uint8_t(entry.first >> 8),
                                    std::uint8_t(entry.first)));
    }
    TBitmapFile bitmap;
    TImage image;
    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(width, height, rows)));
    ASSERT_TRUE(bitmap.ToImage(image));
    ASSERT_EQ(palette, PaletteOf(image));
    const std::vector<std::uint32_t> pixels = PixelsOf(image);
    ASSERT_EQ(keys.size(), pixels.size());
    for (std::size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(rank[keys[i]], pixels[i]) << i << " key " << keys[i];
}

TEST(BitmapToImage, TrueColourRanksMatchAMapOnRandomPictures) {
    std::mt19937 random(11);
    // Many colours: nearly every pixel distinct, with the smallest and the
    // largest key.
    std::vector<std::uint32_t> keys(173 * 129);
    for (std::uint32_t& key : keys) key = random() & 0xFFFFFF;
    keys[5] = 0;
    keys[700] = 0xFFFFFF;
    ExpectConversionOf(173, 129, keys);

    // Few colours in runs of random length (repeated neighbours), including
    // both extremes, and colours next to each other in one word.
    const std::uint32_t few[] = {0, 0xFFFFFF, 0x123456, 0x123457, 0x12347F, 0x123440, 0x80FF00};
    keys.assign(97 * 61, 0);
    for (std::size_t i = 0; i < keys.size();) {
        const std::uint32_t key = few[random() % 7];
        for (std::size_t run = random() % 9 + 1; run && i < keys.size(); --run) keys[i++] = key;
    }
    ExpectConversionOf(97, 61, keys);

    // The first and last key of every 64-key word, in random order: 2^19
    // colours, one pixel each.
    keys.clear();
    for (std::uint32_t word = 0; word < (1u << 18); ++word) keys.insert(keys.end(), {word << 6, word << 6 | 63});
    std::shuffle(keys.begin(), keys.end(), random);
    ExpectConversionOf(1024, 512, keys);

    // Both sides of the size at which the set changes its method, with many
    // and with few colours.
    for (std::uint32_t width : {16384u, 16385u}) {
        keys.assign(width, 0);
        for (std::uint32_t& key : keys) key = random() & 0xFFFFFF;
        ExpectConversionOf(width, 1, keys);
        for (std::uint32_t& key : keys) key = few[random() % 7];
        ExpectConversionOf(width, 1, keys);
    }

    // Every key of a range across several words, twice, descending.
    keys.clear();
    for (int pass = 0; pass < 2; ++pass)
        for (std::uint32_t key = 0x800100; key-- > 0x7FFF00;) keys.push_back(key);
    ExpectConversionOf(32, 32, keys);
}

TEST(BitmapToImage, OneBitPalettes) {
    TBitmapFile bitmap;
    TImage image;
    // Type 0 (no table): black and white; 9 pixels packed bit to bit.
    ASSERT_TRUE(LoadBytes(bitmap, Type0File(3, 3, 1, 1, 1, {0xA0, 0x60, 0xC0})));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ((std::vector<TRGBColor>{TRGBColor(0, 0, 0), TRGBColor(255, 255, 255)}), PaletteOf(image));
    EXPECT_EQ((std::vector<std::uint32_t>{1, 0, 1, 0, 1, 1, 1, 1, 0}), PixelsOf(image));

    InfoFile f;
    f.BitsPerPixel = 1;
    f.Width = 2;
    f.ColorsUsed = 2;
    f.Table = {10, 20, 30, 0, 40, 50, 60, 0};
    f.Pixels = {0x40, 0, 0, 0};
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ((std::vector<TRGBColor>{TRGBColor(30, 20, 10), TRGBColor(60, 50, 40)}), PaletteOf(image));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 1}), PixelsOf(image));

    f.ColorsUsed = 1;  // too small a table: black and white
    f.Table.resize(4);
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(TRGBColor(255, 255, 255), *image.Palette.At(1));

    f.ColorsUsed = 256;  // all entries, although only two can be used
    f.Table = GreyTable(256);
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(256u, image.Palette.GetCount());
}

TEST(BitmapToImage, IndexedPixelsMustLieInTheTable) {
    InfoFile f;
    f.BitsPerPixel = 8;
    f.Width = 4;
    f.ColorsUsed = 16;
    f.Table = GreyTable(16);
    f.Pixels = {1, 15, 0, 20};
    TBitmapFile bitmap;
    TImage image;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_FALSE(bitmap.ToImage(image));
    EXPECT_EQ(S::StatusBadHeader, bitmap.GetStatus());
    EXPECT_EQ(0u, image.GetPixelCount());  // untouched

    f.Pixels[3] = 7;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(16u, image.Palette.GetCount());
    EXPECT_EQ((std::vector<std::uint32_t>{1, 15, 0, 7}), PixelsOf(image));

    f.BitsPerPixel = 4;  // 0x1F, 0x07: pixel 15 is out of the 12-entry table
    f.ColorsUsed = 12;
    f.Table = GreyTable(12);
    f.Pixels = {0x1F, 0x07, 0, 0};
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_FALSE(bitmap.ToImage(image));
    EXPECT_EQ(S::StatusBadHeader, bitmap.GetStatus());
    EXPECT_EQ((std::vector<std::uint32_t>{1, 15, 0, 7}), PixelsOf(image));

    for (std::uint8_t depth : {4, 8}) {  // type 0 files have no table
        ASSERT_TRUE(LoadBytes(bitmap, Type0File(2, 1, 2, 1, depth, {0, 0})));
        EXPECT_FALSE(bitmap.ToImage(image));
        EXPECT_EQ(S::StatusBadHeader, bitmap.GetStatus());
    }
}

TEST(BitmapToImage, EmptyPicturesAndDepthsNotConverted) {
    TBitmapFile bitmap;
    TImage image;
    EXPECT_FALSE(bitmap.ToImage(image));  // nothing loaded
    EXPECT_EQ(S::StatusOk, bitmap.GetStatus());

    InfoFile f;
    f.Width = 5;
    f.Height = 0;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(5u, image.GetWidth());
    EXPECT_EQ(0u, image.GetPixelCount());
    EXPECT_EQ(0u, image.Palette.GetCount());
    f.BitsPerPixel = 8;
    f.ColorsUsed = 3;
    f.Table = GreyTable(3);
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ(3u, image.Palette.GetCount());

    for (std::uint16_t depth : {16, 32}) {
        InfoFile g;
        g.BitsPerPixel = depth;
        g.Pixels = {1, 2, 3, 4};
        ASSERT_TRUE(LoadBytes(bitmap, g.Build()));
        EXPECT_FALSE(bitmap.ToImage(image));
        EXPECT_EQ(S::StatusOk, bitmap.GetStatus());
        EXPECT_EQ(5u, image.GetWidth());
    }
}

TEST(BitmapToImage, OutOfMemoryLeavesTheImageAsItWas) {
    TBitmapFile bitmap;
    TImage image;
    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(1, 1, {1, 2, 3})));
    ASSERT_TRUE(bitmap.ToImage(image));
    const std::uint32_t* pixels = image.GetPixels();
    // Out of memory for the index array or the colour set's working data
    // gives Status 1 and leaves the image alone; out of memory in the palette
    // vector throws and keeps Status. Small pictures need three allocations
    // before the palette (index array, sorted keys, tree nodes), large ones
    // four (index array, bit set, counts per word, tree nodes); the count
    // does not grow with the pixels or colours.
    auto expectOutOfMemory = [&](std::uint32_t width, std::uint32_t height, const Bytes& stream, long before) {
        ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(width, height, stream)));
        for (long skip = 0; skip < before; ++skip) {
            {
                iwtest::AllocFailScope fail(skip);
                EXPECT_FALSE(bitmap.ToImage(image)) << width << " " << skip;
                EXPECT_EQ(1, iwtest::AllocationsFailed()) << width << " " << skip;
            }
            EXPECT_EQ(S::StatusNoMemory, bitmap.GetStatus()) << width << " " << skip;
            EXPECT_EQ(pixels, image.GetPixels());
            EXPECT_EQ(std::vector<TRGBColor>{TRGBColor(3, 2, 1)}, PaletteOf(image));
        }
        {
            iwtest::AllocFailScope fail(before);
            EXPECT_THROW(bitmap.ToImage(image), TCollectionException) << width;
        }
        EXPECT_EQ(S::StatusNoMemory, bitmap.GetStatus());
        EXPECT_EQ(pixels, image.GetPixels());
        EXPECT_EQ(std::vector<TRGBColor>{TRGBColor(3, 2, 1)}, PaletteOf(image));
    };
    expectOutOfMemory(3, 1, {1, 2, 3, 4, 5, 6, 1, 2, 3}, 3);
    Bytes distinct;
    for (std::uint32_t i = 0; i < 300; ++i) distinct.insert(distinct.end(), {std::uint8_t(i), std::uint8_t(i >> 8), 9});
    expectOutOfMemory(30, 10, distinct, 3);
    Bytes large(3 * 16385, 7);
    large[3 * 100] = 8;
    expectOutOfMemory(16385, 1, large, 4);
    for (std::uint32_t i = 0; i < 300; ++i) large[3 * i] = std::uint8_t(i);
    expectOutOfMemory(16385, 1, large, 4);

    // Afterwards the same file converts.
    ASSERT_TRUE(LoadBytes(bitmap, TrueColorFile(6, 1, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2})));
    ASSERT_TRUE(bitmap.ToImage(image));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 0, 0, 1}), PixelsOf(image));

    // An index array of 2^30 or more pixels does not fit 32 bits: a 1-bit
    // picture of 32768 x 32769 coded as one end of bitmap.
    InfoFile f;
    f.Width = 32768;
    f.Height = 32769;
    f.BitsPerPixel = 1;
    f.Compression = 1;
    f.ImageSize = 2;
    f.Table = GreyTable(2);
    f.Pixels = {0, 1};
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_FALSE(bitmap.ToImage(image));
    EXPECT_EQ(S::StatusNoMemory, bitmap.GetStatus());
}

}  // namespace
