// The one translation unit that compiles stb_image (see StbImage.h).
#include <cstdlib>

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wtype-limits"
#endif
#define STB_IMAGE_IMPLEMENTATION
#include "StbImage.h"

std::size_t PictureDecoderLimit = std::size_t(-1);

namespace {
bool LimitHit = false;
}

void ResetPictureDecoderLimit() { LimitHit = false; }
bool PictureDecoderLimitHit() { return LimitHit; }

void* PictureDecoderMalloc(std::size_t size) {
    if (size > PictureDecoderLimit) {
        LimitHit = true;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

void* PictureDecoderRealloc(void* block, std::size_t size) {
    if (size > PictureDecoderLimit) {
        LimitHit = true;
        return nullptr;
    }
    return std::realloc(block, size ? size : 1);
}

void PictureDecoderFree(void* block) { std::free(block); }


void ClearPictureDecoderFailure() { stbi__g_failure_reason = nullptr; }
