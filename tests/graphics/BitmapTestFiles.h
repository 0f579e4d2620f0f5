// Builders of bitmap files in memory for the reader's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "BitmapFile.h"
#include "MemoryDataFile.h"

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A "BM" file with the 40-byte header; `Table` (whole 4-byte entries or the
// masks) is followed directly by `Pixels`. The pixel data offset points after
// the table unless `Offset` says otherwise.
struct InfoFile {
    std::int32_t Width = 1, Height = 1;
    std::uint16_t Planes = 1, BitsPerPixel = 24;
    std::uint32_t Compression = 0, ImageSize = 0, ColorsUsed = 0, ColorsImportant = 0;
    std::uint32_t HeaderSize = 40;
    std::int64_t Offset = -1;
    Bytes Table, Pixels;

    Bytes Build() const {
        Bytes b{'B', 'M'};
        Put32(b, std::uint32_t(54 + Table.size() + Pixels.size()));
        Put32(b, 0);
        Put32(b, Offset < 0 ? std::uint32_t(54 + Table.size()) : std::uint32_t(Offset));
        Put32(b, HeaderSize);
        Put32(b, std::uint32_t(Width));
        Put32(b, std::uint32_t(Height));
        Put16(b, Planes);
        Put16(b, BitsPerPixel);
        Put32(b, Compression);
        Put32(b, ImageSize);
        Put32(b, 2835);
        Put32(b, 2835);
        Put32(b, ColorsUsed);
        Put32(b, ColorsImportant);
        return b + Table + Pixels;
    }
};

// A "BM" file with the 12-byte header; the pixel data starts at `Offset`
// (default: right after the 3-byte table entries).
struct CoreFile {
    std::int16_t Width = 1, Height = 1;
    std::uint16_t Planes = 1, BitsPerPixel = 8;
    std::int64_t Offset = -1;
    Bytes Table, Pixels;

    Bytes Build() const {
        const std::uint32_t offset = Offset < 0 ? std::uint32_t(26 + Table.size()) : std::uint32_t(Offset);
        Bytes b{'B', 'M'};
        Put32(b, 0);
        Put32(b, 0);
        Put32(b, offset);
        Put32(b, 12);
        Put16(b, std::uint16_t(Width));
        Put16(b, std::uint16_t(Height));
        Put16(b, Planes);
        Put16(b, BitsPerPixel);
        b = b + Table;
        b.resize(std::max<std::size_t>(b.size(), offset), 0);
        return b + Pixels;
    }
};

inline Bytes Type0File(std::uint16_t width, std::uint16_t height, std::uint16_t storedRow, std::uint8_t planes,
                       std::uint8_t depth, const Bytes& rows) {
    Bytes b;
    Put16(b, 0);
    Put16(b, width);
    Put16(b, height);
    Put16(b, storedRow);
    b.push_back(planes);
    b.push_back(depth);
    return b + rows;
}

// Grey-scale colour table of n 4-byte entries (entry i is i, i, i).
inline Bytes GreyTable(unsigned n) {
    Bytes t;
    for (unsigned i = 0; i < n; ++i) t.insert(t.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    return t;
}

inline bool LoadBytes(TBitmapFile& bitmap, const Bytes& bytes) {
    TMemoryDataFile file(bytes.data(), bytes.size());
    return bitmap.Load(file);
}

// Every byte that holds pixels, the last partly filled one included.
inline Bytes StreamOf(const TBitmapFile& bitmap) {
    const std::uint64_t bytes = (std::uint64_t(bitmap.GetPixelCount()) * bitmap.GetBitsPerPixel() + 7) / 8;
    return Bytes(bitmap.GetPixelStream(), bitmap.GetPixelStream() + bytes);
}
