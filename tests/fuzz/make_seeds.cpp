// Writes a seed corpus for the bitmap fuzz target: small files of every kind
// the reader accepts (type 0, 12- and 40-byte headers, all depths, RLE8,
// RLE4, bit fields) and a few it refuses. With a second folder, seeds for the
// picture fuzz target go there: PNG of every colour type and depth, with and
// without transparency, GIF with one and several frames, transparency and
// disposal, and baseline, progressive and grey JPEG.
//   make_seeds DIR [PICTURE_DIR]
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "BitmapTestFiles.h"
#include "PictureTestFiles.h"

namespace {

std::mt19937 Random(1);

Bytes Noise(std::size_t n) {
    Bytes b(n);
    for (auto& v : b) v = std::uint8_t(Random());
    return b;
}
std::size_t RowBytes(int width, int depth) { return std::size_t((width * depth + 31) / 32 * 4); }

template <class Save>
void WritePictureSeeds(Save& save) {
    using picturetest::GifFile;
    using picturetest::GifFrame;
    using picturetest::PngFile;
    struct Kind {
        std::uint8_t Type;
        std::vector<std::uint8_t> Depths;
    };
    const Kind kinds[] = {{0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const Kind& k : kinds) {
        for (std::uint8_t depth : k.Depths) {
            for (bool transparency : {false, true}) {
                if (transparency && (k.Type == 4 || k.Type == 6)) continue;
                PngFile f;
                f.Width = 5;
                f.Height = 3;
                f.ColorType = k.Type;
                f.Depth = depth;
                f.Rows = Noise(f.RowBytes() * f.Height);
                if (k.Type == 3) {
                    f.Palette = Noise(3u << depth);
                    if (transparency) f.Transparency = Noise(3);
                } else if (transparency) {
                    f.Transparency = Noise(k.Type == 0 ? 2 : 6);
                }
                save("png-" + std::to_string(k.Type) + "-" + std::to_string(depth) + (transparency ? "-trns" : "") +
                         ".png",
                     f.Build());
            }
        }
    }
    PngFile bomb;
    bomb.Width = bomb.Height = 64;
    bomb.Idat = picturetest::ZlibBomb(258 * 200 + 1);
    save("png-runs.png", bomb.Build());
    for (unsigned frames : {1u, 3u}) {
        GifFile g;
        g.Width = 6;
        g.Height = 4;
        g.Background = 2;
        g.Palette = Noise(30);
        for (unsigned i = 0; i < frames; ++i) {
            GifFrame f;
            f.Left = i;
            f.Top = i % 2;
            f.Width = 6 - i;
            f.Height = 3;
            f.Indices = Noise(f.Width * f.Height);
            for (auto& v : f.Indices) v %= 10;
            f.Transparent = i == 0 ? -1 : 3;
            f.Dispose = i + 1;
            g.Frames.push_back(f);
        }
        save("gif-" + std::to_string(frames) + ".gif", g.Build());
    }
    save("baseline.jpg", picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg));
    save("progressive.jpg", picturetest::Jpeg(ProgressiveJpeg, sizeof ProgressiveJpeg));
    save("grey.jpg", picturetest::Jpeg(GreyJpeg, sizeof GreyJpeg));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_seeds DIR [PICTURE_DIR]\n");
        return 2;
    }
    int written = 0;
    const char* folder = argv[1];
    auto save = [&](const std::string& name, const Bytes& bytes) {
        const std::string path = std::string(folder) + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
            std::exit(1);
        }
        ++written;
    };
    for (int width : {1, 3, 8, 13}) {
        const int height = 1 + width % 3;
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        for (int depth : {1, 4, 8, 16, 24, 32}) {
            InfoFile f;
            f.Width = width;
            f.Height = height;
            f.BitsPerPixel = std::uint16_t(depth);
            if (depth <= 8) {
                f.ColorsUsed = depth == 8 ? 20 : 0;
                f.Table = Noise(4 * (depth == 8 ? 20 : 1u << depth));
            }
            f.Pixels = Noise(RowBytes(width, depth) * height);
            if (depth == 8)
                for (auto& v : f.Pixels) v %= 20;
            save("info-" + size + "-" + std::to_string(depth) + ".bmp", f.Build());
            if (depth == 16 || depth == 32) {
                f.Compression = 3;
                Bytes masks;
                for (std::uint32_t m : {0x7C00u, 0x03E0u, 0x001Fu}) Put32(masks, depth == 32 ? m << 9 : m);
                f.Table = masks;
                save("bitfields-" + size + "-" + std::to_string(depth) + ".bmp", f.Build());
            }
            if (depth == 1 || depth == 4 || depth == 8 || depth == 24) {
                CoreFile c;
                c.Width = std::int16_t(width);
                c.Height = std::int16_t(height);
                c.BitsPerPixel = std::uint16_t(depth);
                if (depth <= 8) c.Table = Noise(3 * (1u << depth));
                c.Pixels = Noise(RowBytes(width, depth) * height);
                save("core-" + size + "-" + std::to_string(depth) + ".bmp", c.Build());
            }
            if (depth <= 8) {
                const std::uint16_t row = std::uint16_t((width * depth + 7) / 8);
                save("type0-" + size + "-" + std::to_string(depth) + ".bmp",
                     Type0File(std::uint16_t(width), std::uint16_t(height), std::uint16_t(row + 1), 1,
                               std::uint8_t(depth), Noise((row + 1u) * height)));
            }
        }
    }
    // Run-length coded: runs, absolute runs with and without fill, end of
    // line, delta, end of bitmap.
    const Bytes codes{3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 2, 5, 0, 4, 4, 3, 2, 1, 0, 2, 1, 1, 5, 0x21, 0, 0, 0, 1};
    for (bool rle4 : {false, true}) {
        InfoFile f;
        f.Width = 7;
        f.Height = 4;
        f.BitsPerPixel = rle4 ? 4 : 8;
        f.Compression = rle4 ? 2 : 1;
        f.ImageSize = std::uint32_t(codes.size());
        f.ColorsUsed = 6;
        f.Table = Noise(24);
        f.Pixels = codes;
        save(rle4 ? "rle4.bmp" : "rle8.bmp", f.Build());
    }
    InfoFile v4;
    v4.HeaderSize = 108;
    v4.Pixels = Noise(16);
    save("v4-header.bmp", v4.Build());
    std::printf("make_seeds: %d files\n", written);
    if (argc == 3) {
        folder = argv[2];
        written = 0;
        WritePictureSeeds(save);
        std::printf("make_seeds: %d pictures\n", written);
    }
    return 0;
}
