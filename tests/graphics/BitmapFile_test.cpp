#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "AllocFail.h"
#include "BitmapTestFiles.h"

namespace {

using S = TBitmapFile::TStatus;

TEST(BitmapLoad, InfoHeaderEightBitsKeepsRowsAndTable) {
    InfoFile f;
    f.Width = 320;
    f.Height = 400;
    f.BitsPerPixel = 8;
    f.ColorsUsed = 256;
    f.Table = GreyTable(256);
    for (int i = 0; i < 320 * 400; ++i) f.Pixels.push_back(std::uint8_t(i * 7));
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_TRUE(bitmap.IsLoaded());
    EXPECT_EQ(TBitmapFile::FormatInfoHeader, bitmap.GetFormat());
    EXPECT_EQ(TBitmapFile::CompressionNone, bitmap.GetCompression());
    EXPECT_EQ(256u, bitmap.GetColorsUsed());
    EXPECT_EQ(128000u, bitmap.GetStreamSize());
    EXPECT_EQ(128000u, bitmap.GetPixelCount());
    EXPECT_EQ(0u, bitmap.GetStoredSize());  // the header's image size as read
    EXPECT_EQ(2835, bitmap.GetHorizontalResolution());
    EXPECT_EQ(f.Pixels, StreamOf(bitmap));
    EXPECT_EQ(255, bitmap.GetColorTable()[4 * 255 + 2]);
}

TEST(BitmapLoad, ColourCountDefaults) {
    InfoFile f;
    f.BitsPerPixel = 8;
    f.Table = GreyTable(256);
    f.Pixels = {0, 0, 0, 0};
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(256u, bitmap.GetColorsUsed());
    EXPECT_EQ(256u, bitmap.GetColorsImportant());
    f.ColorsImportant = 10;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(10u, bitmap.GetColorsImportant());
    // A table whose size in bytes does not fit 32 bits is refused.
    f.ColorsUsed = 0x40000000;
    EXPECT_FALSE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(S::StatusBadHeader, bitmap.GetStatus());
    // A table that runs past the end of the file is a read failure.
    f.ColorsUsed = 300;
    EXPECT_FALSE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(S::StatusReadFailure, bitmap.GetStatus());
}

TEST(BitmapLoad, CoreHeaderTableFillsTheGapBeforeThePixels) {
    CoreFile f;
    f.Width = 3;
    f.Height = 2;
    f.Pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    for (int i = 0; i < 256; ++i) f.Table.insert(f.Table.end(), {std::uint8_t(i), 0x11, 0x22});
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));  // offset 794
    EXPECT_EQ(TBitmapFile::FormatCoreHeader, bitmap.GetFormat());
    EXPECT_EQ(256u, bitmap.GetColorsUsed());
    EXPECT_EQ(256u, bitmap.GetColorsImportant());
    const std::uint8_t* t = bitmap.GetColorTable();
    EXPECT_EQ((Bytes{200, 0x11, 0x22, 0}), Bytes(t + 800, t + 804));
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), StreamOf(bitmap));  // 3-byte rows, 4 stored

    f.Table.clear();  // offset 26: no table
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(nullptr, bitmap.GetColorTable());
    EXPECT_EQ(0u, bitmap.GetColorsUsed());

    for (std::int64_t offset : {26 + 3 * 257, 20}) {  // too many entries; wrapped count
        f.Offset = offset;
        EXPECT_FALSE(LoadBytes(bitmap, f.Build()));
        EXPECT_EQ(S::StatusBadHeader, bitmap.GetStatus());
    }
}

TEST(BitmapLoad, HeadersThatAreRefused) {
    TBitmapFile bitmap;
    auto status = [&](const Bytes& bytes) {
        EXPECT_FALSE(LoadBytes(bitmap, bytes));
        return bitmap.GetStatus();
    };
    InfoFile f;
    f.Pixels = Bytes(16, 0);
    for (std::uint32_t size : {108u, 124u, 64u}) {
        InfoFile g = f;
        g.HeaderSize = size;
        EXPECT_EQ(S::StatusBadHeader, status(g.Build()));
    }
    Bytes ba = f.Build();
    ba[1] = 'A';
    EXPECT_EQ(S::StatusBadHeader, status(ba));

    InfoFile g = f;
    g.Width = 2;
    g.Height = -2;  // top-down
    EXPECT_EQ(S::StatusBadHeader, status(g.Build()));
    g.Width = 1;  // passes the size check but cannot hold 2^32 - 1 rows
    EXPECT_EQ(S::StatusReadFailure, status(g.Build()));

    g = f;
    g.Compression = 3;
    EXPECT_EQ(S::StatusBadHeader, status(g.Build()));  // bit fields at 24 bits
    g.Compression = 4;
    EXPECT_EQ(S::StatusBadHeader, status(g.Build()));
    g = f;
    g.Planes = 2;
    EXPECT_EQ(S::StatusBadHeader, status(g.Build()));
    g = f;
    g.BitsPerPixel = 2;
    EXPECT_EQ(S::StatusBadHeader, status(g.Build()));

    CoreFile c;
    c.BitsPerPixel = 16;
    c.Pixels = Bytes(4, 0);
    EXPECT_EQ(S::StatusBadHeader, status(c.Build()));
    EXPECT_EQ(S::StatusBadHeader, status(Type0File(1, 1, 1, 1, 24, {0})));
    EXPECT_EQ(S::StatusBadHeader, status(Type0File(1, 1, 1, 2, 8, {0})));
    EXPECT_FALSE(bitmap.IsLoaded());
}

TEST(BitmapLoad, WidthZeroIsAReadFailure) {
    TBitmapFile bitmap;
    InfoFile f;
    f.Width = 0;
    CoreFile c;
    c.Width = 0;
    for (const Bytes& bytes : {f.Build(), c.Build(), Type0File(0, 5, 0, 1, 8, {})}) {
        EXPECT_FALSE(LoadBytes(bitmap, bytes));
        EXPECT_EQ(S::StatusReadFailure, bitmap.GetStatus());
    }
}

TEST(BitmapLoad, EveryTruncatedFileIsAReadFailure) {
    InfoFile f;
    f.Width = 5;
    f.Height = 3;
    f.BitsPerPixel = 4;
    f.ColorsUsed = 16;
    f.Table = GreyTable(16);
    f.Pixels = Bytes(12, 0x12);
    CoreFile c;
    c.Width = 2;
    c.Height = 2;
    c.BitsPerPixel = 24;
    c.Pixels = Bytes(16, 9);
    InfoFile masks;
    masks.BitsPerPixel = 32;
    masks.Compression = 3;
    masks.Table = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    masks.Pixels = {1, 2, 3, 4};
    for (const Bytes& full : {f.Build(), c.Build(), masks.Build(), Type0File(9, 2, 2, 1, 1, {1, 2, 3, 4})}) {
        TBitmapFile bitmap;
        ASSERT_TRUE(LoadBytes(bitmap, full));
        for (std::size_t n = 0; n < full.size(); ++n) {
            EXPECT_FALSE(LoadBytes(bitmap, Bytes(full.begin(), full.begin() + n))) << n;
            EXPECT_EQ(S::StatusReadFailure, bitmap.GetStatus()) << n;
        }
    }
}

TEST(BitmapLoad, RowsEndingInsideAByteArePackedBitToBit) {
    // 1 bit, 3 x 3: rows 101, 011, 110 (each in its own padded 4-byte row).
    InfoFile f;
    f.Width = 3;
    f.Height = 3;
    f.BitsPerPixel = 1;
    f.Table = GreyTable(2);
    f.Pixels = {0xBF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0xC0, 0, 0, 0};
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(1u, bitmap.GetStreamSize());  // whole bytes: 9 bits are 1 byte
    EXPECT_EQ((Bytes{0xAF, 0x00}), StreamOf(bitmap));  // 101 011 110, then fill bits

    // 4 bits, 3 x 2: rows 1 2 3, 4 5 6.
    f.BitsPerPixel = 4;
    f.Height = 2;
    f.Table = GreyTable(16);
    f.ColorsUsed = 16;
    f.Pixels = {0x12, 0x3F, 0, 0, 0x45, 0x6F, 0, 0};
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ((Bytes{0x12, 0x34, 0x56}), StreamOf(bitmap));

    // Type 0, 1 bit, width 9 with 3 stored bytes per row.
    ASSERT_TRUE(LoadBytes(bitmap, Type0File(9, 2, 3, 1, 1, {0xFF, 0x80, 0xEE, 0x7F, 0xC0, 0xEE})));
    EXPECT_EQ(TBitmapFile::FormatType0, bitmap.GetFormat());
    EXPECT_EQ((Bytes{0xFF, 0xBF, 0xC0}), StreamOf(bitmap));  // 111111111 011111111
    EXPECT_EQ(2u, bitmap.GetStreamSize());  // 18 bits: 2 whole bytes, the last bits beyond
    EXPECT_EQ(2u, bitmap.GetStoredSize());
}

TEST(BitmapLoad, Type0RowsFollowTheStoredRowLength) {
    TBitmapFile bitmap;
    // Stored rows longer than the data: the rest is skipped.
    ASSERT_TRUE(LoadBytes(bitmap, Type0File(2, 2, 3, 1, 8, {1, 2, 9, 3, 4, 9})));
    EXPECT_EQ((Bytes{1, 2, 3, 4}), StreamOf(bitmap));
    EXPECT_EQ(nullptr, bitmap.GetColorTable());
    EXPECT_EQ(0u, bitmap.GetColorsUsed());
    // Shorter than the data: the rows overlap.
    ASSERT_TRUE(LoadBytes(bitmap, Type0File(3, 2, 1, 1, 8, {1, 2, 3, 4})));
    EXPECT_EQ((Bytes{1, 2, 3, 2, 3, 4}), StreamOf(bitmap));
}

TEST(BitmapLoad, TrueColourAndBitFieldStreams) {
    InfoFile f;
    f.Width = 1;
    f.Height = 2;
    f.BitsPerPixel = 16;
    f.Pixels = {0x34, 0x12, 0, 0, 0x78, 0x56, 0, 0};
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ((Bytes{0x12, 0x34, 0x56, 0x78}), StreamOf(bitmap));  // high byte first

    f.BitsPerPixel = 32;
    f.Compression = 3;
    f.Table = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};  // the masks
    f.Pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(TBitmapFile::CompressionBitFields, bitmap.GetCompression());
    EXPECT_EQ(0xF800u, bitmap.GetRedMask());
    EXPECT_EQ(0x07E0u, bitmap.GetGreenMask());
    EXPECT_EQ(0x001Fu, bitmap.GetBlueMask());
    EXPECT_EQ(0u, bitmap.GetFourthMask());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8}), StreamOf(bitmap));

    // Bit fields at 8 bits: the table is read, the rows are plain, no masks.
    f.BitsPerPixel = 8;
    f.ColorsUsed = 2;
    f.Table = GreyTable(2);
    f.Pixels = {1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_EQ(TBitmapFile::CompressionBitFields, bitmap.GetCompression());
    EXPECT_EQ(0u, bitmap.GetRedMask());
    EXPECT_EQ((Bytes{1, 0}), StreamOf(bitmap));
}

// Loads an RLE8 (or RLE4) picture of width x height; the status on failure.
S LoadRle(TBitmapFile& bitmap, std::int32_t width, std::int32_t height, const Bytes& codes, bool rle4 = false) {
    InfoFile f;
    f.Width = width;
    f.Height = height;
    f.BitsPerPixel = rle4 ? 4 : 8;
    f.Compression = rle4 ? 2 : 1;
    f.ImageSize = std::uint32_t(codes.size());
    f.ColorsUsed = 16;
    f.Table = GreyTable(16);
    f.Pixels = codes;
    LoadBytes(bitmap, f.Build());
    return bitmap.GetStatus();
}

TEST(BitmapLoad, RunLengthCodes) {
    TBitmapFile bitmap;
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 4, 2, {3, 7, 0, 0, 0, 1}));
    EXPECT_EQ(TBitmapFile::CompressionRLE8, bitmap.GetCompression());
    EXPECT_EQ((Bytes{7, 7, 7, 0, 0, 0, 0, 0}), StreamOf(bitmap));  // unwritten pixels are 0
    // End of line at the start of a row does not skip it.
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 4, 2, {4, 1, 0, 0, 4, 2}));
    EXPECT_EQ((Bytes{1, 1, 1, 1, 2, 2, 2, 2}), StreamOf(bitmap));
    // Absolute runs: 3 bytes skip one fill byte, 4 skip none; delta (1, 1).
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 4, 3, {0, 3, 5, 6, 7, 0, 0, 2, 1, 1, 0, 4, 1, 2, 3, 4}));
    EXPECT_EQ((Bytes{5, 6, 7, 0, 0, 0, 0, 0, 1, 2, 3, 4}), StreamOf(bitmap));
    // Rows are coded at their stored width: a 3-pixel row holds 4 pixels.
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 3, 2, {4, 1, 0, 0, 4, 2, 0, 1}));
    EXPECT_EQ((Bytes{1, 1, 1, 2, 2, 2}), StreamOf(bitmap));
    // Filling the output ends the decoding even without an end of bitmap.
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 4, 1, {4, 3, 9, 9}));

    for (const Bytes& corrupt : {Bytes{9, 1}, Bytes{2, 1, 0}, Bytes{2, 1, 0, 2, 1, 0}, Bytes{0, 5, 1, 2},
                                 Bytes{0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}}) {
        EXPECT_EQ(S::StatusBadCompression, LoadRle(bitmap, 4, 2, corrupt));
    }

    // RLE4: an encoded run alternates the nibbles; the next run follows it.
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 8, 1, {5, 0x12, 3, 0x34}, true));
    EXPECT_EQ(TBitmapFile::CompressionRLE4, bitmap.GetCompression());
    EXPECT_EQ((Bytes{0x12, 0x12, 0x13, 0x43}), StreamOf(bitmap));
    // An absolute run of 3 nibbles uses 2 bytes (no fill); of 5, 3 bytes and one fill.
    ASSERT_EQ(S::StatusOk, LoadRle(bitmap, 8, 1, {0, 3, 0x12, 0x30, 0, 5, 0x45, 0x67, 0x80, 0, 0, 1}, true));
    EXPECT_EQ((Bytes{0x12, 0x34, 0x56, 0x78}), StreamOf(bitmap));
    EXPECT_EQ(S::StatusBadCompression, LoadRle(bitmap, 8, 1, {9, 0x12}, true));
}

TEST(BitmapLoad, FieldsAreReadAsStoredWhateverTheFileWasSetTo) {
    InfoFile f;
    f.Width = 2;
    f.Pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    const Bytes bytes = f.Build();
    TMemoryDataFile file(bytes.data(), bytes.size());
    file.SetSwapBytes(true);
    TBitmapFile bitmap;
    ASSERT_TRUE(bitmap.Load(file));
    EXPECT_FALSE(file.GetSwapBytes());
    EXPECT_EQ(2u, bitmap.GetWidth());
    EXPECT_EQ(24u, bitmap.GetBitsPerPixel());
}

TEST(BitmapLoad, FailedLoadKeepsThePreviousPicture) {
    InfoFile f;
    f.Width = 2;
    f.Pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, f.Build()));
    EXPECT_FALSE(LoadBytes(bitmap, {'B', 'A'}));
    EXPECT_EQ(S::StatusBadHeader, bitmap.GetStatus());
    EXPECT_TRUE(bitmap.IsLoaded());
    EXPECT_EQ(2u, bitmap.GetWidth());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6}), StreamOf(bitmap));

    bitmap.Clear();
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_EQ(S::StatusOk, bitmap.GetStatus());
    EXPECT_EQ(nullptr, bitmap.GetPixelStream());
}

TEST(BitmapLoad, EveryAllocationFailureIsOutOfMemory) {
    InfoFile f;
    f.Width = 3;
    f.Height = 2;
    f.BitsPerPixel = 8;
    f.Compression = 1;
    f.ColorsUsed = 4;
    f.Table = GreyTable(4);
    f.Pixels = {3, 1, 0, 0, 3, 2, 0, 1};
    f.ImageSize = 8;
    const Bytes bytes = f.Build();
    TBitmapFile bitmap;
    ASSERT_TRUE(LoadBytes(bitmap, bytes));
    // The colour table, the compressed block, the stream.
    for (long skip = 0; skip < 3; ++skip) {
        TBitmapFile fresh;
        iwtest::AllocFailScope fail(skip);
        EXPECT_FALSE(LoadBytes(fresh, bytes)) << skip;
        EXPECT_EQ(S::StatusNoMemory, fresh.GetStatus()) << skip;
    }
    // Two bytes of run-length data claiming 50000 x 50000 pixels: a stream
    // beyond 2 GB is out of memory without being asked for.
    EXPECT_EQ(S::StatusNoMemory, LoadRle(bitmap, 50000, 50000, {0, 1}));
    EXPECT_TRUE(bitmap.IsLoaded());
}

TEST(BitmapLoad, ReadsRealFiles) {
    InfoFile f;
    f.Width = 2;
    f.Pixels = {0, 0, 255, 255, 0, 0, 0, 0};
    const Bytes bytes = f.Build();
    const std::string name = ::testing::TempDir() + "bitmap_test.bmp";
    std::FILE* out = std::fopen(name.c_str(), "wb");
    ASSERT_NE(nullptr, out);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    TBitmapFile bitmap;
    {
        TDataFile file;
        file.Open(name.c_str(), 8);
        ASSERT_TRUE(bitmap.Load(file));
    }
    std::remove(name.c_str());
    EXPECT_EQ((Bytes{0, 0, 255, 255, 0, 0}), StreamOf(bitmap));
}

}  // namespace
