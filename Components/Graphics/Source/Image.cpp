#include "Image.h"

#include <cstring>

#include "NewArray.h"

enum { ImageErrorNoMemory = 1 };

constexpr char ImageModule[] = "Image";  // the module named in exceptions

// Palette: initial capacity 1, growth increment 1, no limit.
TImage::TImage() : Palette(1, 1, 0xFFFFFFFFu) {}

TImage::~TImage() { delete[] Pixels; }

bool TImage::SetPixels(std::uint32_t* pixels, std::uint32_t width, std::uint32_t height,
                       bool adopt) {
    const std::uint32_t count = width * height;  // 32-bit product, as the callers size their arrays
    if (adopt) {
        if (pixels != Pixels) delete[] Pixels;
        Pixels = pixels;
    } else {
        if (count != PixelCount) {
            std::uint32_t* buffer = NewArray<std::uint32_t>(count);
            if (!buffer)
                throw TImageException(ImageErrorNoMemory, "TImage::CopyInstance(const TImage&)",
                                      ImageModule, __LINE__, "Unable to allocate image buffer!");
            delete[] Pixels;
            Pixels = buffer;
        }
        if (count) std::memcpy(Pixels, pixels, std::size_t(count) * sizeof(std::uint32_t));
    }
    Width = width;
    Height = height;
    PixelCount = count;
    return true;
}
