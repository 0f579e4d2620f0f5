// Builders of PNG, GIF and JPEG files in memory for the picture decoder's
// tests and fuzzing seeds. The PNG and GIF builders write valid files of any
// layout without a compressor: PNG image data in stored deflate blocks (or, for
// bombs, runs in fixed Huffman codes), GIF pixels as one LZW code each with a
// clear code before the table would grow past 9-bit codes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "PictureTestJpegs.h"

namespace picturetest {

using Bytes = std::vector<std::uint8_t>;

inline void PutBe32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(v >> s));
}
inline void PutLe16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

inline std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

// A chunk with its length and CRC; `length` overrides the stated length.
inline Bytes PngChunk(const char* type, const Bytes& data, std::int64_t length = -1) {
    Bytes b;
    PutBe32(b, length < 0 ? std::uint32_t(data.size()) : std::uint32_t(length));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    b.insert(b.end(), body.begin(), body.end());
    PutBe32(b, Crc32(body.data(), body.size()));
    return b;
}

// zlib stream of stored blocks.
inline Bytes ZlibStored(const Bytes& raw) {
    Bytes z{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        PutLe16(z, std::uint32_t(n));
        PutLe16(z, std::uint32_t(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(at), raw.begin() + std::ptrdiff_t(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, b << 16 | a);
    return z;
}

// zlib stream (one fixed Huffman block) inflating to `bytes` zero bytes (a
// multiple of 258 plus 1): a literal 0, then <length 258, distance 1> pairs,
// 13 bits each. No checksum is needed: the decoder fails before it.
inline Bytes ZlibBomb(std::uint64_t bytes) {
    Bytes z{0x78, 0x01};
    std::uint32_t acc = 0;
    int bits = 0;
    auto put = [&](std::uint32_t v, int n) {  // LSB first
        acc |= v << bits;
        bits += n;
        while (bits >= 8) {
            z.push_back(std::uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    };
    auto putHuffman = [&](std::uint32_t code, int n) {  // Huffman codes MSB first
        for (int i = n - 1; i >= 0; --i) put((code >> i) & 1, 1);
    };
    put(1, 1);              // final block
    put(1, 2);              // fixed Huffman
    putHuffman(0x30, 8);    // literal 0
    for (std::uint64_t i = 0; i < (bytes - 1) / 258; ++i) {
        putHuffman(0xC5, 8);  // length code 285: 258
        putHuffman(0, 5);     // distance code 0: 1
    }
    putHuffman(0, 7);  // end of block
    put(0, 7);
    return z;
}

struct PngFile {
    std::uint32_t Width = 1, Height = 1;
    std::uint8_t Depth = 8, ColorType = 2;
    Bytes Palette, Transparency;  // PLTE and tRNS contents, written when not empty
    Bytes Rows;                   // unfiltered rows, packed as the depth says
    Bytes Idat;                   // when not empty: the IDAT content as it is

    std::size_t RowBytes() const {
        static const unsigned channels[] = {1, 0, 3, 1, 2, 0, 4};
        return (std::size_t(Width) * channels[ColorType] * Depth + 7) / 8;
    }
    Bytes Build() const {
        Bytes b{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        Bytes ihdr;
        PutBe32(ihdr, Width);
        PutBe32(ihdr, Height);
        ihdr.insert(ihdr.end(), {Depth, ColorType, 0, 0, 0});
        auto add = [&b](const Bytes& c) { b.insert(b.end(), c.begin(), c.end()); };
        add(PngChunk("IHDR", ihdr));
        if (!Palette.empty()) add(PngChunk("PLTE", Palette));
        if (!Transparency.empty()) add(PngChunk("tRNS", Transparency));
        Bytes raw;
        const std::size_t row = RowBytes();
        for (std::uint32_t y = 0; y < Height && Idat.empty(); ++y) {
            raw.push_back(0);  // filter: none
            raw.insert(raw.end(), Rows.begin() + std::ptrdiff_t(y * row), Rows.begin() + std::ptrdiff_t((y + 1) * row));
        }
        add(PngChunk("IDAT", Idat.empty() ? ZlibStored(raw) : Idat));
        add(PngChunk("IEND", {}));
        return b;
    }
};

struct GifFrame {
    std::uint32_t Left = 0, Top = 0, Width = 1, Height = 1;
    Bytes Indices;            // Width x Height palette indices
    int Transparent = -1;     // transparent index, or -1
    unsigned Dispose = 0;     // disposal method of this frame
};

// A GIF89a with a 256-entry global palette (`Palette` is padded with black).
struct GifFile {
    std::uint32_t Width = 1, Height = 1;
    std::uint8_t Background = 0;
    Bytes Palette;  // RGB triples
    std::vector<GifFrame> Frames;

    Bytes Build() const {
        Bytes b{'G', 'I', 'F', '8', '9', 'a'};
        PutLe16(b, Width);
        PutLe16(b, Height);
        b.insert(b.end(), {0xF7, Background, 0});  // global table of 256 entries
        Bytes table = Palette;
        table.resize(768, 0);
        b.insert(b.end(), table.begin(), table.end());
        for (const GifFrame& f : Frames) {
            const bool control = f.Transparent >= 0 || f.Dispose != 0;
            if (control)
                b.insert(b.end(), {0x21, 0xF9, 4, std::uint8_t(f.Dispose << 2 | (f.Transparent >= 0 ? 1 : 0)), 0, 0,
                                   std::uint8_t(f.Transparent >= 0 ? f.Transparent : 0), 0});
            b.push_back(0x2C);
            PutLe16(b, f.Left);
            PutLe16(b, f.Top);
            PutLe16(b, f.Width);
            PutLe16(b, f.Height);
            b.push_back(0);  // no local table, not interlaced
            b.push_back(8);  // minimum code size
            Bytes codes;
            std::uint32_t acc = 0;
            int bits = 0;
            auto put = [&](std::uint32_t code) {
                acc |= code << bits;
                bits += 9;
                while (bits >= 8) {
                    codes.push_back(std::uint8_t(acc));
                    acc >>= 8;
                    bits -= 8;
                }
            };
            for (std::size_t i = 0; i < f.Indices.size(); ++i) {
                if (i % 200 == 0) put(256);  // clear before the table reaches 512 entries
                put(f.Indices[i]);
            }
            put(257);  // end of information
            if (bits) codes.push_back(std::uint8_t(acc));
            for (std::size_t at = 0; at < codes.size(); at += 255) {
                const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
                b.push_back(std::uint8_t(n));
                b.insert(b.end(), codes.begin() + std::ptrdiff_t(at), codes.begin() + std::ptrdiff_t(at + n));
            }
            b.push_back(0);
        }
        b.push_back(0x3B);
        return b;
    }
};

inline Bytes Jpeg(const std::uint8_t* data, std::size_t size) { return Bytes(data, data + size); }

// Offset of the first marker `m` (its 0xFF) in a JPEG; 0 when absent.
inline std::size_t JpegMarker(const Bytes& j, std::uint8_t m) {
    for (std::size_t i = 2; i + 3 < j.size();) {
        if (j[i] != 0xFF) return 0;
        if (j[i + 1] == m) return i;
        if (j[i + 1] == 0xDA) return 0;
        i += 2 + (std::size_t(j[i + 2]) << 8 | j[i + 3]);
    }
    return 0;
}

}  // namespace picturetest
