#include "Picture.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "BitmapFile.h"
#include "FileSystem.h"
#include "MemoryDataFile.h"
#include "NewArray.h"
#include "StbImage.h"

// The pixel limit comes from the machines the program runs on: Windows 95
// computers with 8 to 32 MB of memory. A picture of 4 megapixels (2048 x 2048,
// or 2560 x 1600) is 12 MB at 24 bits. Turning it into a wallpaper needs that
// plus the rendered screen (2.3 MB at 1024 x 768) plus, while decoding, the
// decoder's working buffers: a 4:2:0 JPEG adds about 1.5 bytes a pixel, a
// progressive one up to 9, a GIF 6, a 16-bit PNG with alpha 16. That still
// fits a 32 MB machine and swaps, but works, on a 16 MB one. Twice the limit
// would not fit even the large machines, and ordinary screen-sized pictures
// (1920 x 1080 is 2 megapixels) stay well inside it.
const std::uint32_t MaxPicturePixels = 4u * 1024 * 1024;

namespace {

// The largest file read into memory. A picture within the pixel limit is never
// larger, whatever its format: a 16-bit PNG of noise with alpha stores 8 bytes
// a pixel (32 MB at the limit), a 32-bit bitmap 4.
const std::uint32_t MaxPictureFileBytes = 8 * MaxPicturePixels + 1024 * 1024;
// The largest single block the decoder may allocate: the 16-bit PNG with alpha
// (8 bytes a pixel and a filter byte a row), or the coefficients of one
// component of a progressive JPEG (2 bytes a pixel, padded to whole blocks).
const std::size_t MaxDecoderBlock = std::size_t(8) * MaxPicturePixels + 1024 * 1024;
// Each scan of a JPEG walks over every block of its components, so thousands
// of tiny scans would take minutes. Encoders write up to about a dozen (10 in
// libjpeg's progressive script); a picture may have 24 scans at the pixel
// limit, more the smaller it is, never more than 256.
const unsigned MaxJpegScans = 256;
const std::uint64_t MaxJpegScanPixels = 24ull * MaxPicturePixels;
// ReadPictureInfo(path) reads this much first; only headers beyond it (a JPEG
// after a large Exif block) need the rest of the file.
const std::uint32_t InfoPrefixBytes = 64 * 1024;

std::uint32_t Le16(const std::uint8_t* p) { return std::uint32_t(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }
std::uint32_t Be16(const std::uint8_t* p) { return std::uint32_t(p[0] << 8 | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }

// What the header walk found besides the public facts.
struct THeader {
    TPictureInfo Info;
    unsigned Channels = 0;    // PNG: the channels stb_image produces (with tRNS alpha)
    unsigned JpegScans = 0;   // JPEG: scans counted (only when counting)
    bool TypeZeroBitmap = false;
};

// A header walk's result: a public status, or Truncated when the data ended
// before the header did (the whole file may still hold it).
const int Truncated = -1;

bool SizeOk(const TPictureInfo& info) {
    return std::uint64_t(info.Width) * info.Height <= MaxPicturePixels;
}

int ReadBitmapHeader(const std::uint8_t* d, std::size_t n, THeader& h) {
    TPictureInfo& info = h.Info;
    info.Format = TPictureFormat::Bitmap;
    if (h.TypeZeroBitmap) {
        // Width, height, bytes per row, planes, bits per pixel after the 0 word.
        if (n < 10) return Truncated;
        info.Width = Le16(d + 2);
        info.Height = Le16(d + 4);
        info.BitsPerPixel = d[9];
        info.PaletteSize = 1u << d[9];
    } else {
        if (n < 18) return Truncated;
        const std::uint32_t headerSize = Le32(d + 14);
        if (headerSize == 12) {
            if (n < 26) return Truncated;
            const std::int16_t w = std::int16_t(Le16(d + 18)), ht = std::int16_t(Le16(d + 20));
            const std::uint32_t depth = Le16(d + 24);
            if (w <= 0 || ht < 0) return PictureUnsupported;
            if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return PictureUnsupported;
            info.Width = std::uint32_t(w);
            info.Height = std::uint32_t(ht);
            info.BitsPerPixel = depth;
            info.PaletteSize = depth <= 8 ? 1u << depth : 0;
        } else if (headerSize == 40) {
            if (n < 54) return Truncated;
            const std::int32_t w = std::int32_t(Le32(d + 18)), ht = std::int32_t(Le32(d + 22));
            const std::uint32_t depth = Le16(d + 28), compression = Le32(d + 30), used = Le32(d + 46);
            // Top-down pictures (negative height), JPEG or PNG inside a
            // bitmap and unusual depths are variants the reader refuses.
            if (w <= 0 || ht < 0 || compression > 3) return PictureUnsupported;
            if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
                return PictureUnsupported;
            info.Width = std::uint32_t(w);
            info.Height = std::uint32_t(ht);
            info.BitsPerPixel = depth;
            info.PaletteSize = depth > 8 ? 0 : used == 0 || used > (1u << depth) ? 1u << depth : used;
        } else {
            return PictureUnsupported;  // the later, longer information headers
        }
    }
    if (info.Width == 0 || info.Height == 0) return PictureCorrupt;
    return SizeOk(info) ? PictureOk : PictureTooLarge;
}

int ReadPngHeader(const std::uint8_t* d, std::size_t n, THeader& h) {
    TPictureInfo& info = h.Info;
    info.Format = TPictureFormat::Png;
    if (n < 33) return Truncated;
    if (Be32(d + 8) != 13 || std::memcmp(d + 12, "IHDR", 4) != 0) return PictureCorrupt;
    const std::uint32_t w = Be32(d + 16), ht = Be32(d + 20), depth = d[24], type = d[25];
    if (w == 0 || ht == 0 || w > 0x7FFFFFFF || ht > 0x7FFFFFFF) return PictureCorrupt;
    bool depthOk = false;
    switch (type) {
    case 0: depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
    case 3: depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
    case 2: case 4: case 6: depthOk = depth == 8 || depth == 16; break;
    default: break;
    }
    if (!depthOk || d[26] != 0 || d[27] != 0 || d[28] > 1) return PictureCorrupt;
    info.Width = w;
    info.Height = ht;
    static const std::uint32_t bits[] = {0, 0, 24, 0, 16, 0, 32};
    static const unsigned channels[] = {1, 0, 3, 3, 2, 0, 4};
    info.BitsPerPixel = type == 0 ? std::min<std::uint32_t>(depth, 8) : type == 3 ? depth : bits[type];
    info.PaletteSize = type == 0 ? 1u << std::min<std::uint32_t>(depth, 8) : type == 3 ? 1u << depth : type == 4 ? 256 : 0;
    h.Channels = channels[type];
    // The chunks before the image data: a palette's real length, and whether
    // a tRNS chunk adds an alpha channel.
    std::size_t p = 33;
    while (p + 8 <= n) {
        const std::uint32_t length = Be32(d + p);
        const std::uint8_t* kind = d + p + 4;
        if (std::memcmp(kind, "IDAT", 4) == 0 || std::memcmp(kind, "IEND", 4) == 0) break;
        if (std::memcmp(kind, "PLTE", 4) == 0 && type == 3 && length % 3 == 0 && length / 3 >= 1 &&
            length / 3 <= info.PaletteSize)
            info.PaletteSize = length / 3;
        if (std::memcmp(kind, "tRNS", 4) == 0 && (type == 0 || type == 2 || type == 3)) h.Channels = type == 0 ? 2 : 4;
        if (length > n - p - 8 || n - p - 8 - length < 4) break;  // the chunk runs past the data
        p += std::size_t(length) + 12;
    }
    return SizeOk(info) ? PictureOk : PictureTooLarge;
}

int ReadGifHeader(const std::uint8_t* d, std::size_t n, THeader& h) {
    TPictureInfo& info = h.Info;
    info.Format = TPictureFormat::Gif;
    if (n < 13) return Truncated;
    info.Width = Le16(d + 6);
    info.Height = Le16(d + 8);
    if (info.Width == 0 || info.Height == 0) return PictureCorrupt;
    const unsigned flags = d[10];
    info.BitsPerPixel = 8;
    if (flags & 0x80) {
        info.BitsPerPixel = (flags & 7) + 1;
    } else {
        // No global colour table: the first image's own table tells.
        std::size_t p = 13;
        while (p < n) {
            if (d[p] == 0x21) {  // an extension: label, then sub-blocks up to an empty one
                p += 2;
                while (p < n && d[p] != 0) p += std::size_t(d[p]) + 1;
                ++p;
            } else {
                if (d[p] == 0x2C && p + 9 < n && (d[p + 9] & 0x80)) info.BitsPerPixel = (d[p + 9] & 7) + 1;
                break;
            }
        }
    }
    info.PaletteSize = 1u << info.BitsPerPixel;
    return SizeOk(info) ? PictureOk : PictureTooLarge;
}

// Walks the markers up to the frame header; with `countScans` on to the end,
// counting the scans (entropy-coded data is skipped up to the next marker).
int ReadJpegHeader(const std::uint8_t* d, std::size_t n, THeader& h, bool countScans) {
    TPictureInfo& info = h.Info;
    info.Format = TPictureFormat::Jpeg;
    bool haveFrame = false;
    bool ended = false;
    std::size_t p = 2;
    for (;;) {
        if (p >= n) break;
        if (d[p] != 0xFF) {  // junk between segments, which the decoder skips too
            ++p;
            continue;
        }
        while (p < n && d[p] == 0xFF) ++p;
        if (p >= n) break;
        const unsigned m = d[p++];
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // markers without a segment
        if (m == 0xD9) {                                      // end of image
            ended = true;
            break;
        }
        if (p + 2 > n) break;
        const std::uint32_t length = Be16(d + p);
        if (length < 2) return haveFrame ? PictureOk : PictureCorrupt;
        const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (frame && !haveFrame) {
            if (p + 8 > n) return Truncated;
            const unsigned precision = d[p + 2], components = d[p + 7];
            info.Height = Be16(d + p + 3);
            info.Width = Be16(d + p + 5);
            info.BitsPerPixel = components == 1 ? 8 : components == 3 ? 24 : 32;
            info.PaletteSize = components == 1 ? 256 : 0;
            haveFrame = true;
            // Baseline, extended and progressive Huffman coding of 8-bit
            // samples are read; lossless, hierarchical and arithmetic-coded
            // frames, other precisions and a height given only after the
            // first scan are not.
            if (m != 0xC0 && m != 0xC1 && m != 0xC2) return PictureUnsupported;
            if (precision != 8 || info.Height == 0) return PictureUnsupported;
            if (info.Width == 0 || (components != 1 && components != 3 && components != 4)) return PictureCorrupt;
            if (!SizeOk(info)) return PictureTooLarge;
            if (!countScans) return PictureOk;
        }
        p += length;
        if (m == 0xDA) {
            ++h.JpegScans;
            if (h.JpegScans > MaxJpegScans || h.JpegScans * std::uint64_t(info.Width) * info.Height > MaxJpegScanPixels)
                return PictureCorrupt;
            while (p + 1 < n && !(d[p] == 0xFF && d[p + 1] != 0 && d[p + 1] != 0xFF && (d[p + 1] < 0xD0 || d[p + 1] > 0xD7)))
                ++p;
        }
    }
    // A file that ends before its end-of-image marker is cut short: the
    // decoder would paint its missing part grey, so it is not shown at all.
    if (!haveFrame) return Truncated;
    return countScans && !ended ? PictureCorrupt : PictureOk;
}

// True when the data holds the GIF's first image whole: its descriptor, its
// colour table and every sub-block of its pixel data up to the empty one that
// ends them. A file cut short inside its first image would decode with the
// rest of the picture missing.
bool GifFirstImageComplete(const std::uint8_t* d, std::size_t n) {
    if (n < 13) return false;
    std::size_t p = 13;
    if (d[10] & 0x80) p += std::size_t(3) << ((d[10] & 7) + 1);
    while (p < n) {
        if (d[p] == 0x21) {  // an extension: label, then sub-blocks up to an empty one
            p += 2;
            while (p < n && d[p] != 0) p += std::size_t(d[p]) + 1;
            if (p >= n) return false;
            ++p;
        } else if (d[p] == 0x2C) {
            if (p + 10 > n) return false;
            const unsigned flags = d[p + 9];
            p += 10;
            if (flags & 0x80) p += std::size_t(3) << ((flags & 7) + 1);
            ++p;  // the LZW code size
            while (p < n && d[p] != 0) p += std::size_t(d[p]) + 1;
            return p < n;
        } else {
            return false;  // the trailer or junk before any image
        }
    }
    return false;
}

int ReadHeader(const std::uint8_t* d, std::size_t n, THeader& h, bool countScans) {
    static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') return ReadBitmapHeader(d, n, h);
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return ReadJpegHeader(d, n, h, countScans);
    if (n >= 8 && std::memcmp(d, png, 8) == 0) return ReadPngHeader(d, n, h);
    if (n >= 6 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0)) return ReadGifHeader(d, n, h);
    // The older headerless bitmap: a 0 word, then a header the reader accepts
    // (one plane of 1, 4 or 8 bits). Anything else starting with 0 is not one.
    if (n >= 10 && d[0] == 0 && d[1] == 0 && d[8] == 1 && (d[9] == 1 || d[9] == 4 || d[9] == 8)) {
        h.TypeZeroBitmap = true;
        return ReadBitmapHeader(d, n, h);
    }
    return PictureUnknownFormat;
}

// The data ending inside the header is a corrupt file.
TPictureStatus Final(int status) { return status == Truncated ? PictureCorrupt : TPictureStatus(status); }

void ReleaseArray(void* pixels) { delete[] static_cast<std::uint8_t*>(pixels); }
void ReleaseDecoderBlock(void* pixels) { PictureDecoderFree(pixels); }

// A bit-field mask's channel scaled to 0..255.
struct TField {
    unsigned Shift = 0;
    unsigned Bits = 0;
    explicit TField(std::uint32_t mask) {
        if (!mask) return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++Shift;
        }
        while (mask & 1) {
            mask >>= 1;
            ++Bits;
        }
    }
    std::uint8_t Get(std::uint32_t v) const {
        if (Bits == 0) return 0;
        const std::uint32_t x = (v >> Shift) & ((Bits >= 32 ? 0 : 1u << Bits) - 1);
        if (Bits >= 8) return std::uint8_t(x >> (Bits - 8));
        return std::uint8_t(x * 255 / ((1u << Bits) - 1));
    }
};

}  // namespace

class TPictureDecoder {
public:
    static void Adopt(TPicture& picture, std::uint32_t width, std::uint32_t height, std::uint8_t* pixels,
                      void (*release)(void*)) {
        picture.Clear();
        picture.Width = width;
        picture.Height = height;
        picture.Pixels = pixels;
        picture.Release = release;
    }

    // The reader's pixel stream as 24-bit rows from the top. The stream holds
    // the rows in file order, which the indexed image of the preview takes as
    // bottom row first for every kind of file, the older headerless one too;
    // so does this.
    static TPictureStatus FromBitmap(TDataFile& file, TPicture& picture) {
        TBitmapFile bitmap;
        if (!bitmap.Load(file)) {
            switch (bitmap.GetStatus()) {
            case TBitmapFile::StatusNoMemory: return PictureNoMemory;
            case TBitmapFile::StatusBadHeader: return PictureUnsupported;
            default: return PictureCorrupt;
            }
        }
        const std::uint32_t w = bitmap.GetWidth(), h = bitmap.GetHeight();
        const unsigned depth = bitmap.GetBitsPerPixel();
        if (w == 0 || h == 0 || std::uint64_t(w) * h > MaxPicturePixels) return PictureTooLarge;
        std::uint8_t* out = NewArray<std::uint8_t>(std::uint64_t(w) * h * 3);
        if (!out) return PictureNoMemory;
        std::unique_ptr<std::uint8_t[]> owner(out);
        const std::uint8_t* s = bitmap.GetPixelStream();
        const std::uint8_t* table = bitmap.GetColorTable();
        const std::uint32_t colors = table ? bitmap.GetColorsUsed() : 0;
        const bool blackAndWhite = depth == 1 && colors < 2;
        const bool fields = bitmap.GetCompression() == TBitmapFile::CompressionBitFields;
        const TField red(fields ? bitmap.GetRedMask() : depth == 16 ? 0x7C00 : 0xFF0000);
        const TField green(fields ? bitmap.GetGreenMask() : depth == 16 ? 0x03E0 : 0x00FF00);
        const TField blue(fields ? bitmap.GetBlueMask() : depth == 16 ? 0x001F : 0x0000FF);
        std::uint64_t i = 0;
        for (std::uint32_t row = 0; row < h; ++row) {
            std::uint8_t* o = out + std::uint64_t(h - 1 - row) * w * 3;
            for (std::uint32_t x = 0; x < w; ++x, ++i, o += 3) {
                std::uint32_t index = 0;
                switch (depth) {
                case 1: index = (s[i / 8] >> (7 - i % 8)) & 1; break;
                case 4: index = i % 2 ? s[i / 2] & 0x0F : s[i / 2] >> 4; break;
                case 8: index = s[i]; break;
                case 16: {
                    const std::uint32_t v = std::uint32_t(s[2 * i]) << 8 | s[2 * i + 1];  // high byte first
                    o[0] = red.Get(v), o[1] = green.Get(v), o[2] = blue.Get(v);
                    continue;
                }
                case 24: o[0] = s[3 * i + 2], o[1] = s[3 * i + 1], o[2] = s[3 * i]; continue;
                default: {
                    const std::uint32_t v = Le32(s + 4 * i);
                    o[0] = red.Get(v), o[1] = green.Get(v), o[2] = blue.Get(v);
                    continue;
                }
                }
                if (blackAndWhite) {
                    o[0] = o[1] = o[2] = index ? 255 : 0;
                } else if (index < colors) {
                    const std::uint8_t* t = table + 4 * index;
                    o[0] = t[2], o[1] = t[1], o[2] = t[0];
                } else {
                    return PictureCorrupt;  // a pixel outside the colour table
                }
            }
        }
        Adopt(picture, w, h, owner.release(), ReleaseArray);
        return PictureOk;
    }

    static TPictureStatus FromStb(const std::uint8_t* data, std::size_t size, const THeader& header,
                                  std::uint32_t background, TPicture& picture) {
        // JPEG straight to RGB; PNG in its own channels (asking for others
        // costs a converted copy); GIF as RGBA, the only form it is built in.
        const int wanted = header.Info.Format == TPictureFormat::Jpeg ? 3
                           : header.Info.Format == TPictureFormat::Png ? int(header.Channels)
                                                                        : 4;
        PictureDecoderLimit = MaxDecoderBlock;
        ResetPictureDecoderLimit();
        ClearPictureDecoderFailure();
        int w = 0, h = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(data, int(size), &w, &h, &channels, wanted);
        const bool limitHit = PictureDecoderLimitHit();
        PictureDecoderLimit = std::size_t(-1);
        if (!pixels) {
            const char* reason = stbi_failure_reason();
            if (!limitHit && reason && std::strcmp(reason, "outofmem") == 0) return PictureNoMemory;
            return PictureCorrupt;
        }
        if (std::uint32_t(w) != header.Info.Width || std::uint32_t(h) != header.Info.Height) {
            PictureDecoderFree(pixels);
            return PictureCorrupt;
        }
        const std::size_t count = std::size_t(w) * std::size_t(h);
        pixels = ToRgb(pixels, count, unsigned(wanted), background);
        if (!pixels) return PictureNoMemory;
        Adopt(picture, std::uint32_t(w), std::uint32_t(h), pixels, ReleaseDecoderBlock);
        return PictureOk;
    }

    // Turns `count` pixels of `channels` bytes (grey, grey and alpha, RGB,
    // RGBA) into RGB in the same block, compositing alpha onto `background`.
    // The block grows for fewer than 3 channels and shrinks for 4. Null, with
    // the block freed, when it cannot grow.
    static stbi_uc* ToRgb(stbi_uc* p, std::size_t count, unsigned channels, std::uint32_t background) {
        const unsigned bg[3] = {(background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF};
        auto blend = [](unsigned c, unsigned a, unsigned b) { return stbi_uc((c * a + b * (255 - a) + 127) / 255); };
        switch (channels) {
        case 4:
            for (std::size_t i = 0; i < count; ++i) {
                const stbi_uc* s = p + 4 * i;
                const unsigned a = s[3];
                const stbi_uc r = blend(s[0], a, bg[0]), g = blend(s[1], a, bg[1]), b = blend(s[2], a, bg[2]);
                stbi_uc* o = p + 3 * i;
                o[0] = r, o[1] = g, o[2] = b;
            }
            if (void* smaller = PictureDecoderRealloc(p, count * 3)) p = static_cast<stbi_uc*>(smaller);
            return p;
        case 1:
        case 2: {
            void* larger = PictureDecoderRealloc(p, count * 3);
            if (!larger) {
                PictureDecoderFree(p);
                return nullptr;
            }
            p = static_cast<stbi_uc*>(larger);
            for (std::size_t i = count; i-- > 0;) {  // backwards: each pixel moves up
                const unsigned v = p[channels * i], a = channels == 2 ? p[2 * i + 1] : 255;
                stbi_uc* o = p + 3 * i;
                o[0] = blend(v, a, bg[0]), o[1] = blend(v, a, bg[1]), o[2] = blend(v, a, bg[2]);
            }
            return p;
        }
        default: return p;
        }
    }
};

namespace {

TPictureStatus DecodeMemory(const std::uint8_t* data, std::size_t size, std::uint32_t background,
                            TPicture& picture, TPictureInfo* info) {
    THeader header;
    const int status = ReadHeader(data, size, header, true);
    if (info && header.Info.Width != 0 && status != PictureUnknownFormat) *info = header.Info;
    if (status != PictureOk) return Final(status);
    if (size > MaxPictureFileBytes) return PictureTooLarge;
    if (header.Info.Format == TPictureFormat::Gif && !GifFirstImageComplete(data, size)) return PictureCorrupt;
    if (header.Info.Format == TPictureFormat::Bitmap) {
        TMemoryDataFile file(data, size);
        return TPictureDecoder::FromBitmap(file, picture);
    }
    return TPictureDecoder::FromStb(data, size, header, background, picture);
}

// Reads up to `limit` bytes of the file from its start; false when it cannot
// be read. `size` receives the file's whole size.
bool ReadStart(TDataFile& file, std::uint32_t limit, std::unique_ptr<std::uint8_t[]>& bytes, std::size_t& got,
               std::uint32_t& size) {
    const std::int32_t fileSize = file.GetFileSize();
    if (fileSize < 0) return false;
    size = std::uint32_t(fileSize);
    const std::uint32_t wanted = std::min(size, limit);
    bytes.reset(NewArray<std::uint8_t>(std::max<std::uint32_t>(wanted, 1)));
    if (!bytes) return false;
    file.SeekFromStart(0);
    got = file.Read(bytes.get(), wanted);
    return got == wanted;
}

}  // namespace

TPicture::TPicture() = default;

TPicture::~TPicture() { Clear(); }

TPicture::TPicture(TPicture&& other) noexcept
    : Width(other.Width), Height(other.Height), Pixels(other.Pixels), Release(other.Release) {
    other.Width = other.Height = 0;
    other.Pixels = nullptr;
    other.Release = nullptr;
}

TPicture& TPicture::operator=(TPicture&& other) noexcept {
    if (this != &other) {
        Clear();
        std::swap(Width, other.Width);
        std::swap(Height, other.Height);
        std::swap(Pixels, other.Pixels);
        std::swap(Release, other.Release);
    }
    return *this;
}

bool TPicture::Create(std::uint32_t width, std::uint32_t height) {
    const std::uint64_t count = std::uint64_t(width) * height;
    if (count == 0 || count > std::uint64_t(-1) / 3) return false;
    std::uint8_t* pixels = NewArray<std::uint8_t>(count * 3);
    if (!pixels) return false;
    TPictureDecoder::Adopt(*this, width, height, pixels, ReleaseArray);
    return true;
}

void TPicture::Clear() {
    if (Pixels && Release) Release(Pixels);
    Pixels = nullptr;
    Release = nullptr;
    Width = Height = 0;
}

TPictureStatus ReadPictureInfo(const std::uint8_t* data, std::size_t size, TPictureInfo& info) {
    if (!data) return PictureCorrupt;
    THeader header;
    const int status = ReadHeader(data, size, header, false);
    if (status == PictureOk) info = header.Info;
    return Final(status);
}

TPictureStatus ReadPictureInfo(const char* path, TPictureInfo& info) {
    try {
        TDataFile file;
        file.Open(path, TDataFile::ModeReadOnly);
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t got = 0;
        std::uint32_t size = 0;
        if (!ReadStart(file, InfoPrefixBytes, bytes, got, size)) return PictureCannotOpen;
        THeader header;
        int status = ReadHeader(bytes.get(), got, header, false);
        if (status == Truncated && got < size) {
            if (size > MaxPictureFileBytes) return PictureTooLarge;
            if (!ReadStart(file, size, bytes, got, size)) return PictureCannotOpen;
            header = THeader();
            status = ReadHeader(bytes.get(), got, header, false);
        }
        if (status == PictureOk) info = header.Info;
        return Final(status);
    } catch (const TDataFileException& e) {
        return e.GetErrorCode() == DataFileNoMemory ? PictureNoMemory : PictureCannotOpen;
    } catch (const std::bad_alloc&) {
        return PictureNoMemory;
    }
}

TPictureStatus DecodePicture(const std::uint8_t* data, std::size_t size, std::uint32_t background,
                             TPicture& picture, TPictureInfo* info) {
    if (!data) return PictureCorrupt;
    return DecodeMemory(data, size, background, picture, info);
}

TPictureStatus DecodePicture(const char* path, std::uint32_t background, TPicture& picture, TPictureInfo* info) {
    try {
        TDataFile file;
        file.Open(path, TDataFile::ModeReadOnly);
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t got = 0;
        std::uint32_t size = 0;
        if (!ReadStart(file, 64, bytes, got, size)) return PictureCannotOpen;
        THeader header;
        const int status = ReadHeader(bytes.get(), got, header, false);
        // A bitmap is read from the file itself; its header decides first.
        if (status != Truncated && header.Info.Format == TPictureFormat::Bitmap) {
            if (info && header.Info.Width != 0) *info = header.Info;
            if (status != PictureOk) return Final(status);
            file.SeekFromStart(0);
            return TPictureDecoder::FromBitmap(file, picture);
        }
        if (status == PictureUnknownFormat) return PictureUnknownFormat;
        if (size > MaxPictureFileBytes) {
            if (info && header.Info.Width != 0) *info = header.Info;
            return PictureTooLarge;
        }
        if (!ReadStart(file, size, bytes, got, size)) return PictureCannotOpen;
        file.Close();
        return DecodeMemory(bytes.get(), got, background, picture, info);
    } catch (const TDataFileException& e) {
        return e.GetErrorCode() == DataFileNoMemory ? PictureNoMemory : PictureCannotOpen;
    } catch (const std::bad_alloc&) {
        return PictureNoMemory;
    }
}
