// Reader of bitmap files.
//
// TBitmapFile reads one bitmap file from a TDataFile: the Windows
// device-independent bitmap (signature "BM") with the 12-byte or the 40-byte
// information header at 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed,
// RLE8, RLE4 or with bit-field masks, and the older headerless kind whose
// first word is 0. Whatever the file's layout, the pixels end up in one
// gapless stream: width x height pixels, rows in file order (bottom row first
// for "BM" files), each row from left to right.
//
// Problems with a file's content never throw out of Load: they end in a
// numeric Status and a false result. ToImage turns the loaded stream into an
// indexed TImage.
#pragma once

#include <cstdint>
#include <memory>

#include "FileSystem.h"
#include "Image.h"

class TBitmapFile {
public:
    enum TFormat : std::int32_t {
        FormatType0 = 1,       // no signature, first word 0
        FormatCoreHeader = 2,  // "BM" with the 12-byte information header
        FormatInfoHeader = 3,  // "BM" with the 40-byte information header
    };
    enum TCompression : std::int32_t {
        CompressionOther = 0,  // never left by a successful Load
        CompressionNone = 1,
        CompressionRLE4 = 2,
        CompressionRLE8 = 3,
        CompressionBitFields = 4,
    };
    enum TStatus : std::int32_t {
        StatusOk = 0,
        StatusNoMemory = 1,         // a buffer (or ToImage's index array) cannot be allocated
        StatusReadFailure = 2,      // the file ends early, a read or seek failed, or width 0
        StatusBadHeader = 3,        // unsupported or invalid header, or (ToImage) a pixel
                                    // value outside the colour table
        StatusBadCompression = 4,   // corrupt RLE8 or RLE4 data
        StatusImageRefused = 5,     // the image refused the converted pixels
    };

    TBitmapFile();
    virtual ~TBitmapFile();
    TBitmapFile(const TBitmapFile&) = delete;
    TBitmapFile& operator=(const TBitmapFile&) = delete;

    // Reads one bitmap file, starting at the data file's current position,
    // which must be its first byte. On failure the previous content stays
    // loaded and only Status changes.
    bool Load(TDataFile& file);

    // Converts the loaded pixels into `image`: depths 1, 4 and 8 keep the
    // colour table as the palette; depth 24 gets the picture's distinct
    // colours in ascending red-green-blue order, each pixel the position of its
    // colour. Depths 16 and 32 are not converted (false, Status unchanged). On
    // failure the image keeps its previous content. A failure of the palette
    // vector itself throws TCollectionException.
    bool ToImage(TImage& image);

    // Frees the colour table and the pixel stream of a loaded file and resets
    // Status; does nothing when nothing is loaded.
    void Clear();

    TFormat GetFormat() const { return Content.Format; }
    TCompression GetCompression() const { return Content.Compression; }
    std::uint32_t GetWidth() const { return Content.Width; }
    std::uint32_t GetHeight() const { return Content.Height; }
    std::uint32_t GetPixelCount() const { return Content.PixelCount; }
    std::uint16_t GetBitsPerPixel() const { return Content.BitsPerPixel; }
    // Entries of four bytes: blue, green, red, fourth byte (the stored reserved
    // byte of a 40-byte header file, 0 otherwise). Null when there is none.
    const std::uint8_t* GetColorTable() const { return Content.ColorTable.get(); }
    // The decompressed pixels (see the class comment): 1 bit per pixel most
    // significant bit first, 4 bits high nibble first, 8 bits an index, 16 bits
    // high byte first, 24 bits blue-green-red, 32 bits as stored.
    const std::uint8_t* GetPixelStream() const { return Content.Stream.get(); }
    // The 40-byte header's image size field as read; the stream size otherwise.
    std::uint32_t GetStoredSize() const { return Content.StoredSize; }
    std::uint32_t GetStreamSize() const { return Content.StreamSize; }
    std::int32_t GetHorizontalResolution() const { return Content.HorizontalResolution; }
    std::int32_t GetVerticalResolution() const { return Content.VerticalResolution; }
    std::uint32_t GetColorsUsed() const { return Content.ColorsUsed; }
    std::uint32_t GetColorsImportant() const { return Content.ColorsImportant; }
    std::uint32_t GetRedMask() const { return Content.RedMask; }
    std::uint32_t GetGreenMask() const { return Content.GreenMask; }
    std::uint32_t GetBlueMask() const { return Content.BlueMask; }
    std::uint32_t GetFourthMask() const { return Content.FourthMask; }
    bool IsLoaded() const { return Loaded; }
    TStatus GetStatus() const { return Status; }

private:
    friend class TBitmapReader;

    // Everything a successful Load produces; Load builds a new one and only
    // takes it over at the end, so a failed Load leaves the old one in place.
    struct TContent {
        TFormat Format = FormatType0;
        TCompression Compression = CompressionOther;
        std::uint32_t Width = 0;
        std::uint32_t Height = 0;
        std::uint32_t PixelCount = 0;
        std::uint16_t BitsPerPixel = 0;
        std::unique_ptr<std::uint8_t[]> ColorTable;
        std::unique_ptr<std::uint8_t[]> Stream;
        std::uint32_t StoredSize = 0;
        std::uint32_t StreamSize = 0;
        std::int32_t HorizontalResolution = 0;
        std::int32_t VerticalResolution = 0;
        std::uint32_t ColorsUsed = 0;
        std::uint32_t ColorsImportant = 0;
        std::uint32_t RedMask = 0;
        std::uint32_t GreenMask = 0;
        std::uint32_t BlueMask = 0;
        std::uint32_t FourthMask = 0;
    };

    // Both fill the index array of pixel count entries and hand it to the image.
    bool ConvertIndexed(std::unique_ptr<std::uint32_t[]>& indices, TImage& image);
    bool ConvertTrueColor(std::unique_ptr<std::uint32_t[]>& indices, TImage& image);
    bool Adopt(std::unique_ptr<std::uint32_t[]>& indices, TImage& image);

    TContent Content;
    bool Loaded = false;
    TStatus Status = StatusOk;
};
