// libFuzzer target: any bytes as a bitmap file, through Load and ToImage.
//
// Besides crashes and sanitizer reports it checks what the conversion
// promises: every pixel index lies inside the palette, and the palette of a
// true-colour picture is strictly ascending.
#include <cstdint>
#include <cstdlib>

#include "BitmapFile.h"
#include "MemoryDataFile.h"

namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

// Width x height as the header states it (0 when the header is incomplete).
// Pictures larger than the limit are skipped: run-length data of a few bytes
// may legitimately describe one of gigabytes, and allocating that for every
// such input would only measure the machine's memory. The unit tests cover
// the reader's handling of huge sizes.
std::uint64_t StatedPixels(const std::uint8_t* d, std::size_t n) {
    if (n >= 6 && U16(d) == 0) return std::uint64_t(U16(d + 2)) * U16(d + 4);
    if (n < 26 || U16(d) != 0x4D42) return 0;
    if (U32(d + 14) == 12) return std::uint64_t(std::uint32_t(std::int16_t(U16(d + 18)))) *
                                  std::uint32_t(std::int16_t(U16(d + 20)));
    return std::uint64_t(U32(d + 18)) * U32(d + 22);
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (StatedPixels(data, size) > (1u << 16)) return -1;  // not added to the corpus
    TMemoryDataFile file(data, size);
    TBitmapFile bitmap;
    const bool loaded = bitmap.Load(file);
    Check(loaded == bitmap.IsLoaded());
    Check(loaded ? bitmap.GetStatus() == TBitmapFile::StatusOk : bitmap.GetStatus() != TBitmapFile::StatusOk);
    if (!loaded) return 0;
    TImage image;
    try {
        if (!bitmap.ToImage(image)) return 0;
    } catch (const TExceptionBase&) {  // the palette vector out of memory
        return 0;
    }
    const unsigned colors = image.Palette.GetCount();
    Check(image.GetPixelCount() == bitmap.GetPixelCount());
    for (std::uint32_t i = 0; i < image.GetPixelCount(); ++i) Check(image.GetPixels()[i] < colors);
    if (bitmap.GetBitsPerPixel() == 24) {
        for (unsigned i = 1; i < colors; ++i) {
            const TRGBColor &a = *image.Palette.At(i - 1), &b = *image.Palette.At(i);
            Check((a.Red << 16 | a.Green << 8 | a.Blue) < (b.Red << 16 | b.Green << 8 | b.Blue));
        }
    }
    // A second load of a truncated copy fails and keeps the first picture.
    TMemoryDataFile half(data, size / 2);
    if (!bitmap.Load(half)) Check(bitmap.IsLoaded());
    return 0;
}
