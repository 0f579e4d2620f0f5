#include "BitmapFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "NewArray.h"

namespace {

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
// A 16-bit signed header field widened with its sign and then taken as unsigned.
std::uint32_t WidenedS16(const std::uint8_t* p) { return std::uint32_t(std::int32_t(std::int16_t(U16(p)))); }

const std::uint16_t SignatureBM = 0x4D42;
const std::uint32_t CoreHeaderEnd = 26;   // 14-byte file header + 12-byte information header
const std::uint32_t InfoHeaderEnd = 54;   // 14-byte file header + 40-byte information header
const std::uint32_t Type0HeaderEnd = 10;
const std::uint64_t MaxStreamBytes = 0x7FFFFFFF;

// Appends the first `bits` bits of `src` (most significant bit first) to the
// bit stream `dst` at bit position `at`. Bits of dst before `at` are kept,
// bits after the appended ones in the last touched byte become 0; nothing
// beyond that byte is touched. `src` may lie at or after the destination
// bytes in the same buffer: every source byte is read before a write can
// reach it.
//
// This is how 1- and 4-bit rows whose width ends inside a byte are packed:
// the rows are appended bit to bit, so pixel i of the stream (bit i * depth)
// is pixel i of the picture, whatever the width.
void AppendBits(std::uint8_t* dst, std::uint64_t at, const std::uint8_t* src, std::uint64_t bits) {
    std::uint8_t* out = dst + at / 8;
    const unsigned shift = unsigned(at % 8);
    const std::uint64_t whole = bits / 8;
    const unsigned rest = unsigned(bits % 8);
    const std::uint8_t last = rest ? std::uint8_t(src[whole] & (0xFF << (8 - rest))) : 0;
    if (shift == 0) {
        std::memmove(out, src, std::size_t(whole));
        if (rest) out[whole] = last;
        return;
    }
    out[0] &= std::uint8_t(0xFF << (8 - shift));
    for (std::uint64_t i = 0; i < whole; ++i) {
        out[i] |= std::uint8_t(src[i] >> shift);
        out[i + 1] = std::uint8_t(src[i] << (8 - shift));
    }
    if (rest) {
        out[whole] |= std::uint8_t(last >> shift);
        if (rest > 8 - shift) out[whole + 1] = std::uint8_t(last << (8 - shift));
    }
}

// Run-length decoding of RLE8 (Nibbles false: one output position per byte)
// and RLE4 (Nibbles true: two positions per byte, high nibble first). `out`
// holds `positions` positions, `width` of them per row. Returns false on
// corrupt data. Every test is made in 64 bits, so no position can wrap.
template <bool Nibbles>
bool DecodeRle(const std::uint8_t* src, std::uint64_t length, std::uint8_t* out,
               std::uint64_t positions, std::uint64_t width) {
    auto put = [out](std::uint64_t p, unsigned value) {
        if (!Nibbles) {
            out[p] = std::uint8_t(value);
        } else if (p % 2 == 0) {
            out[p / 2] = std::uint8_t((out[p / 2] & 0x0F) | (value << 4));
        } else {
            out[p / 2] = std::uint8_t((out[p / 2] & 0xF0) | (value & 0x0F));
        }
    };
    std::uint64_t s = 0;
    std::uint64_t d = 0;
    while (d < positions && s < length) {
        const unsigned count = src[s];
        if (s + 1 >= length) return false;  // the value or escape byte is missing
        const unsigned second = src[s + 1];
        s += 2;
        if (count != 0) {  // encoded run
            if (d + count > positions) return false;
            for (unsigned k = 0; k < count; ++k)
                put(d + k, Nibbles ? (k % 2 ? second & 0x0F : second >> 4) : second);
            d += count;
        } else if (second == 0) {  // end of line
            if (d % width) d += width - d % width;
        } else if (second == 1) {  // end of bitmap
            return true;
        } else if (second == 2) {  // delta: needs its two bytes and one more
            if (s + 2 >= length) return false;
            d += std::uint64_t(src[s + 1]) * width + src[s];
            s += 2;
        } else {  // absolute run, padded to an even number of source bytes
            const unsigned bytes = Nibbles ? (second + 1) / 2 : second;
            if (s + bytes > length || d + second > positions) return false;
            for (unsigned k = 0; k < second; ++k)
                put(d + k, Nibbles ? (k % 2 ? src[s + k / 2] & 0x0F : src[s + k / 2] >> 4) : src[s + k]);
            s += bytes + bytes % 2;
            d += second;
        }
    }
    return true;  // the output is full or the source is exhausted
}

}  // namespace

// Reads one file into a TContent. Every problem with the file's content ends
// in a status; exceptions of the data file pass through to Load's handler.
//
// Before anything large is allocated the reader makes sure that the file is
// long enough to hold it, so a few bytes claiming a huge picture fail at once
// with a read failure instead of asking for gigabytes first.
class TBitmapReader {
public:
    using TStatus = TBitmapFile::TStatus;

    TBitmapReader(TDataFile& file, TBitmapFile::TContent& content) : File(file), C(content) {}

    TStatus Read() {
        FileSize = std::uint64_t(std::max<std::int32_t>(File.GetFileSize(), 0));
        std::uint8_t type[2];
        if (!ReadBlock(type, sizeof type)) return TBitmapFile::StatusReadFailure;
        if (U16(type) == 0) return ReadType0();
        if (U16(type) != SignatureBM) return TBitmapFile::StatusBadHeader;
        // File size, two reserved words, pixel data offset, information header size.
        std::uint8_t h[16];
        if (!ReadBlock(h, sizeof h)) return TBitmapFile::StatusReadFailure;
        const std::uint32_t offset = U32(h + 8);
        switch (U32(h + 12)) {
        case 12: return ReadCoreHeader(offset);
        case 40: return ReadInfoHeader(offset);
        default: return TBitmapFile::StatusBadHeader;
        }
    }

private:
    // True when all `count` bytes were read.
    bool ReadBlock(void* buffer, std::uint64_t count) {
        std::uint8_t* p = static_cast<std::uint8_t*>(buffer);
        while (count > 0) {
            const std::size_t chunk = std::size_t(std::min<std::uint64_t>(count, 1u << 30));
            const std::size_t got = File.Read(p, chunk);
            if (got == 0) return false;
            p += got;
            count -= got;
        }
        return true;
    }
    void SeekTo(std::uint32_t position) { File.Seek(std::int32_t(position), TDataFile::FromStart); }

    // Width 0 cannot even be checked against the height (the check divides by
    // it) and fails as a read failure; a picture of more than 2^32 - 1 pixels
    // is refused.
    TStatus CheckSize(std::uint32_t width, std::uint32_t height) const {
        if (width == 0) return TBitmapFile::StatusReadFailure;
        return 0xFFFFFFFFu / width < height ? TBitmapFile::StatusBadHeader : TBitmapFile::StatusOk;
    }
    void SetSize(std::uint32_t width, std::uint32_t height, std::uint16_t depth) {
        C.Width = width;
        C.Height = height;
        C.PixelCount = width * height;
        C.BitsPerPixel = depth;
    }
    // The pixels are first read or decoded as rows of `rowBytes` bytes each,
    // the rows as they are stored, into a buffer that is also big enough for
    // the gapless stream, and then packed in place (PackRows).
    TStatus AllocateRows(std::uint64_t rowBytes, bool zeroed) {
        // The stream size counts whole bytes only, but the buffer is rounded
        // up so that the last pixels of a 1- or 4-bit picture whose pixel
        // count ends inside a byte still fit.
        const std::uint64_t streamBits = std::uint64_t(C.PixelCount) * C.BitsPerPixel;
        const std::uint64_t bytes = std::max((streamBits + 7) / 8, rowBytes * C.Height);
        // A 32-bit Windows program never gets more than 2 GB in one piece;
        // asking for more would only make a few bytes of run-length data
        // claiming a giant picture fill gigabytes on a larger machine.
        if (bytes > MaxStreamBytes) return TBitmapFile::StatusNoMemory;
        C.Stream.reset(NewArray<std::uint8_t>(bytes, zeroed));
        if (!C.Stream) return TBitmapFile::StatusNoMemory;
        C.StreamSize = std::uint32_t(streamBits / 8);
        return TBitmapFile::StatusOk;
    }
    // Keeps the first width x depth bits of every row and drops the rest.
    // Row r moves from byte r * rowBytes to bit r * width * depth, never
    // beyond its old place, so going forward overwrites nothing unread.
    void PackRows(std::uint64_t rowBytes) {
        const std::uint64_t rowBits = std::uint64_t(C.Width) * C.BitsPerPixel;
        if (rowBits == rowBytes * 8) return;
        std::uint8_t* p = C.Stream.get();
        for (std::uint32_t r = 0; r < C.Height; ++r) AppendBits(p, r * rowBits, p + r * rowBytes, rowBits);
    }

    // Stored rows are padded to a multiple of four bytes.
    std::uint64_t StoredRowBytes() const { return (std::uint64_t(C.Width) * C.BitsPerPixel + 31) / 32 * 4; }

    TStatus ReadUncompressedRows(std::uint32_t offset) {
        const std::uint64_t rowBytes = StoredRowBytes();
        if (offset + rowBytes * C.Height > FileSize) return TBitmapFile::StatusReadFailure;
        if (TStatus status = AllocateRows(rowBytes, false)) return status;
        SeekTo(offset);
        if (!ReadBlock(C.Stream.get(), rowBytes * C.Height)) return TBitmapFile::StatusReadFailure;
        PackRows(rowBytes);
        return TBitmapFile::StatusOk;
    }

    // The run-length codes describe the rows as they would be stored
    // uncompressed, fill bytes included: a run may cover the fill pixels at
    // the end of a row, and an end of line goes to the start of the next
    // stored row. Writers emit such runs for widths that are not a multiple of
    // four bytes; decoding at the picture's own width would shift every
    // following row.
    TStatus ReadCompressed(std::uint32_t offset, std::uint32_t imageSize, bool rle4) {
        const std::uint32_t length = imageSize ? imageSize : C.PixelCount;
        if (std::uint64_t(offset) + length > FileSize) return TBitmapFile::StatusReadFailure;
        std::unique_ptr<std::uint8_t[]> block(NewArray<std::uint8_t>(length));
        if (!block) return TBitmapFile::StatusNoMemory;
        SeekTo(offset);
        if (!ReadBlock(block.get(), length)) return TBitmapFile::StatusReadFailure;
        // Positions that the codes skip (deltas, early ends of line) are 0.
        const std::uint64_t rowBytes = StoredRowBytes();
        if (TStatus status = AllocateRows(rowBytes, true)) return status;
        const std::uint64_t bytes = rowBytes * C.Height;
        const bool ok = rle4 ? DecodeRle<true>(block.get(), length, C.Stream.get(), bytes * 2, rowBytes * 2)
                             : DecodeRle<false>(block.get(), length, C.Stream.get(), bytes, rowBytes);
        if (!ok) return TBitmapFile::StatusBadCompression;
        PackRows(rowBytes);
        return TBitmapFile::StatusOk;
    }

    // n colour table entries of entryBytes (3: blue, green, red; 4: blue,
    // green, red, reserved) at the current position, which is `position`.
    // Kept as four-byte entries.
    TStatus ReadColorTable(std::uint32_t position, std::uint32_t n, unsigned entryBytes) {
        const std::uint64_t bytes = std::uint64_t(n) * 4;
        if (bytes > 0xFFFFFFFFu) return TBitmapFile::StatusBadHeader;
        const std::uint64_t stored = std::uint64_t(n) * entryBytes;
        if (position + stored > FileSize) return TBitmapFile::StatusReadFailure;
        C.ColorTable.reset(NewArray<std::uint8_t>(bytes));
        if (!C.ColorTable) return TBitmapFile::StatusNoMemory;
        std::uint8_t* t = C.ColorTable.get();
        if (!ReadBlock(t, stored)) return TBitmapFile::StatusReadFailure;
        if (entryBytes == 3) {
            for (std::uint32_t i = n; i-- > 0;) {  // spread out in place, last entry first
                t[4 * i + 3] = 0;
                t[4 * i + 2] = t[3 * i + 2];
                t[4 * i + 1] = t[3 * i + 1];
                t[4 * i] = t[3 * i];
            }
        }
        return TBitmapFile::StatusOk;
    }

    TStatus ReadType0() {
        // Width, height, bytes per stored row, planes, bits per pixel.
        std::uint8_t h[8];
        if (!ReadBlock(h, sizeof h)) return TBitmapFile::StatusReadFailure;
        const std::uint16_t storedRow = U16(h + 4);
        const unsigned depth = h[7];
        if (TStatus status = CheckSize(U16(h), U16(h + 2))) return status;
        if (h[6] != 1 || (depth != 1 && depth != 4 && depth != 8)) return TBitmapFile::StatusBadHeader;
        SetSize(U16(h), U16(h + 2), std::uint16_t(depth));
        // Rows follow the header at the distance that the bytes-per-row field
        // gives, which is trusted even when it is smaller than a row's data.
        const std::uint64_t rowBytes = (std::uint64_t(C.Width) * depth + 7) / 8;
        if (C.Height > 0 && Type0HeaderEnd + (C.Height - 1) * std::uint64_t(storedRow) + rowBytes > FileSize)
            return TBitmapFile::StatusReadFailure;
        if (TStatus status = AllocateRows(rowBytes, false)) return status;
        SeekTo(Type0HeaderEnd);
        if (storedRow == rowBytes) {
            if (!ReadBlock(C.Stream.get(), rowBytes * C.Height)) return TBitmapFile::StatusReadFailure;
        } else {
            for (std::uint32_t r = 0; r < C.Height; ++r) {
                if (!ReadBlock(C.Stream.get() + r * rowBytes, rowBytes)) return TBitmapFile::StatusReadFailure;
                File.Seek(std::int32_t(storedRow) - std::int32_t(rowBytes), TDataFile::FromCurrent);
            }
        }
        PackRows(rowBytes);
        C.Format = TBitmapFile::FormatType0;
        C.Compression = TBitmapFile::CompressionNone;
        C.StoredSize = C.StreamSize;
        return TBitmapFile::StatusOk;
    }

    TStatus ReadCoreHeader(std::uint32_t offset) {
        // Width, height (signed 16-bit), planes, bits per pixel.
        std::uint8_t h[8];
        if (!ReadBlock(h, sizeof h)) return TBitmapFile::StatusReadFailure;
        const std::uint32_t width = WidenedS16(h), height = WidenedS16(h + 2);
        const unsigned depth = U16(h + 6);
        if (TStatus status = CheckSize(width, height)) return status;
        if (U16(h + 4) != 1 || (depth != 1 && depth != 4 && depth != 8 && depth != 24))
            return TBitmapFile::StatusBadHeader;
        SetSize(width, height, std::uint16_t(depth));
        // The colour table fills the gap between the header and the pixel
        // data (an offset below the header wraps to a huge count: refused).
        std::uint32_t n = 0;
        if (depth <= 8) {
            n = (offset - CoreHeaderEnd) / 3;
            if (n != 0) {
                if ((1u << depth) < n) return TBitmapFile::StatusBadHeader;
                if (TStatus status = ReadColorTable(CoreHeaderEnd, n, 3)) return status;
            }
        }
        if (TStatus status = ReadUncompressedRows(offset)) return status;
        C.Format = TBitmapFile::FormatCoreHeader;
        C.Compression = TBitmapFile::CompressionNone;
        C.StoredSize = C.StreamSize;
        C.ColorsUsed = C.ColorsImportant = n;
        return TBitmapFile::StatusOk;
    }

    TStatus ReadInfoHeader(std::uint32_t offset) {
        // Width, height, planes, bits per pixel, compression, image size,
        // resolutions, colours used, colours important.
        std::uint8_t h[36];
        if (!ReadBlock(h, sizeof h)) return TBitmapFile::StatusReadFailure;
        const std::uint32_t width = U32(h), height = U32(h + 4);
        const unsigned depth = U16(h + 10);
        const std::uint32_t compression = U32(h + 12), imageSize = U32(h + 16);
        if (TStatus status = CheckSize(width, height)) return status;
        if (U16(h + 8) != 1 || compression > 3 ||
            (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32))
            return TBitmapFile::StatusBadHeader;
        SetSize(width, height, std::uint16_t(depth));
        C.ColorsUsed = U32(h + 28);
        C.ColorsImportant = U32(h + 32);
        if (depth <= 8) {
            if (C.ColorsUsed == 0) {
                C.ColorsUsed = 1u << depth;
                if (C.ColorsImportant == 0) C.ColorsImportant = C.ColorsUsed;
            }
            if (TStatus status = ReadColorTable(InfoHeaderEnd, C.ColorsUsed, 4)) return status;
        } else if (compression == 3) {
            if (depth != 16 && depth != 32) return TBitmapFile::StatusBadHeader;
            std::uint8_t masks[12];
            if (!ReadBlock(masks, sizeof masks)) return TBitmapFile::StatusReadFailure;
            C.RedMask = U32(masks);
            C.GreenMask = U32(masks + 4);
            C.BlueMask = U32(masks + 8);
        }
        const TStatus status = compression == 1 || compression == 2
                                   ? ReadCompressed(offset, imageSize, compression == 2)
                                   : ReadUncompressedRows(offset);
        if (status) return status;
        if (depth == 16) {  // the stream holds every pixel high byte first
            std::uint8_t* p = C.Stream.get();
            for (std::uint32_t i = 0; i + 1 < C.StreamSize; i += 2) std::swap(p[i], p[i + 1]);
        }
        static const TBitmapFile::TCompression kinds[] = {
            TBitmapFile::CompressionNone, TBitmapFile::CompressionRLE8, TBitmapFile::CompressionRLE4,
            TBitmapFile::CompressionBitFields};
        C.Format = TBitmapFile::FormatInfoHeader;
        C.Compression = kinds[compression];
        C.StoredSize = imageSize;
        C.HorizontalResolution = std::int32_t(U32(h + 20));
        C.VerticalResolution = std::int32_t(U32(h + 24));
        return TBitmapFile::StatusOk;
    }

    TDataFile& File;
    TBitmapFile::TContent& C;
    std::uint64_t FileSize = 0;
};

TBitmapFile::TBitmapFile() = default;

TBitmapFile::~TBitmapFile() { Clear(); }

bool TBitmapFile::Load(TDataFile& file) {
    TContent content;
    TStatus status;
    try {
        // Every field is taken as stored, least significant byte first.
        file.SetSwapBytes(false);
        status = TBitmapReader(file, content).Read();
    } catch (...) {  // a failed read or seek of the data file, or anything else
        status = StatusReadFailure;
    }
    if (status != StatusOk) {
        Status = status;
        return false;
    }
    Clear();
    Content = std::move(content);
    Loaded = true;
    Status = StatusOk;
    return true;
}

void TBitmapFile::Clear() {
    if (!Loaded) return;
    Content.ColorTable.reset();
    Content.Stream.reset();
    Status = StatusOk;
    Loaded = false;
}
