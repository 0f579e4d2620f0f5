// The indexed in-memory image.
//
// Every pixel is a 32-bit index into the image's palette of RGB colours. Rows
// are stored one after another without gaps, the bottom row of the picture
// first, each row from left to right: the row order of the bitmap files the
// images come from and of the display bitmaps made from them.
#pragma once

#include <cstdint>

#include "ExceptionBase.h"
#include "ValVector.h"

// One palette entry: four bytes, the first one unused (kept 0 so that
// comparisons stay deterministic), then red, green and blue.
struct TRGBColor {
    std::uint8_t Unused = 0;
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;

    TRGBColor() = default;
    TRGBColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
        : Red(red), Green(green), Blue(blue) {}

    bool operator==(const TRGBColor& other) const {
        return Unused == other.Unused && Red == other.Red && Green == other.Green &&
               Blue == other.Blue;
    }
    bool operator!=(const TRGBColor& other) const { return !(*this == other); }
};
static_assert(sizeof(TRGBColor) == 4, "a palette entry is four bytes");

using TPalette = TValVector<TRGBColor>;

class TImage {
public:
    TImage();
    virtual ~TImage();
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;

    // Gives the image width x height new pixel indices. With adopt the image
    // takes ownership of `pixels` (an array from new[]) and nothing can fail.
    // Without adopt the indices are copied; the buffer is reused when the
    // pixel count does not change, otherwise a new one is allocated, and a
    // failed allocation throws TImageException (code 1) before anything
    // changes.
    bool SetPixels(std::uint32_t* pixels, std::uint32_t width, std::uint32_t height, bool adopt);

    std::uint32_t GetWidth() const { return Width; }
    std::uint32_t GetHeight() const { return Height; }
    std::uint32_t GetPixelCount() const { return PixelCount; }
    const std::uint32_t* GetPixels() const { return Pixels; }

    // The colours; pixel value i stands for Palette.At(i). Replaced as a whole
    // by assignment.
    TPalette Palette;

private:
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t PixelCount = 0;  // Width * Height (32-bit product)
    std::uint32_t* Pixels = nullptr;
};
