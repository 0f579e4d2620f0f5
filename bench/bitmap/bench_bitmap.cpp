// bench_bitmap [-n REPEATS] FILE...
// For each bitmap file, the median time of
//   read:  reading the whole file into a fresh buffer and touching every byte,
//   load:  TBitmapFile::Load,
//   total: Load followed by ToImage,
// and a check that the conversion is exact: the palette strictly ascending by
// key, every pixel's palette entry its own colour. Prints one line per file:
//   FILE read_ms=R load_ms=L total_ms=T colours=N exact=1
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Graphics.h"

namespace {

template <class F>
double MedianMs(int repeats, F f) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

volatile unsigned Sink;

void ReadAndTouch(const char* name) {
    TDataFile file;
    file.Open(name, TDataFile::ModeReadOnly);
    const std::size_t size = std::size_t(file.GetFileSize());
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    if (file.Read(buffer.get(), size) != size) std::exit(1);
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += buffer[i];
    Sink = sum;
}

bool Load(const char* name, TBitmapFile& bitmap) {
    TDataFile file;
    file.Open(name, TDataFile::ModeReadOnly);
    return bitmap.Load(file);
}

bool Exact(const TBitmapFile& bitmap, TImage& image) {
    const std::uint32_t colors = image.Palette.GetCount();
    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < colors; ++i) {
        const TRGBColor& c = *image.Palette.At(i);
        const std::uint32_t key = std::uint32_t(c.Red) << 16 | c.Green << 8 | c.Blue;
        if (i > 0 && key <= previous) return false;
        previous = key;
    }
    const std::uint8_t* s = bitmap.GetPixelStream();
    for (std::uint32_t i = 0; i < image.GetPixelCount(); ++i, s += 3) {
        if (image.GetPixels()[i] >= colors) return false;
        const TRGBColor& c = *image.Palette.At(image.GetPixels()[i]);
        if (c.Blue != s[0] || c.Green != s[1] || c.Red != s[2]) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = 5, first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-n") == 0) {
        repeats = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: bench_bitmap [-n REPEATS] FILE...\n");
        return 2;
    }
    bool ok = true;
    for (int f = first; f < argc; ++f) {
        const char* name = argv[f];
        const double read = MedianMs(repeats, [&] { ReadAndTouch(name); });
        const double load = MedianMs(repeats, [&] {
            TBitmapFile bitmap;
            if (!Load(name, bitmap)) std::exit(1);
        });
        const double total = MedianMs(repeats, [&] {
            TBitmapFile bitmap;
            TImage image;
            if (!Load(name, bitmap) || !bitmap.ToImage(image)) std::exit(1);
        });
        TBitmapFile bitmap;
        TImage image;
        const bool exact = Load(name, bitmap) && bitmap.GetBitsPerPixel() == 24 && bitmap.ToImage(image) &&
                           Exact(bitmap, image);
        ok = ok && exact;
        std::printf("%s read_ms=%.2f load_ms=%.2f total_ms=%.2f colours=%u exact=%d\n", name, read, load, total,
                    image.Palette.GetCount(), exact ? 1 : 0);
    }
    return ok ? 0 : 1;
}
