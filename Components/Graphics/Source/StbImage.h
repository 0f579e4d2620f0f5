// The picture decoder's configuration of stb_image (Debian's libstb-dev, with
// the fixes of Graphics/stb/stb_image-fixes.patch applied by the build into
// the build tree). Everything that includes stb_image.h includes it through
// this header, so that every translation unit sees the same configuration;
// StbImage.cpp compiles the implementation once.
//
// - Pictures are decoded from memory only, and only JPEG, PNG and GIF (the
//   program reads bitmap files itself).
// - No SIMD: the program runs on 486 and Pentium processors, which have no
//   SSE2; no thread-local storage, which would need a thread library.
// - Every allocation goes through PictureDecoderMalloc & co., which refuse a
//   single block larger than PictureDecoderLimit bytes. A legitimate picture
//   within the pixel limit never needs more; a decompression bomb or a chunk
//   lying about its length hits the limit and fails instead of taking the
//   machine's memory.
#pragma once

#include <cstddef>

#define STBI_NO_STDIO
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 65535
#define STBI_MALLOC(size) PictureDecoderMalloc(size)
#define STBI_REALLOC(block, size) PictureDecoderRealloc(block, size)
#define STBI_FREE(block) PictureDecoderFree(block)

void* PictureDecoderMalloc(std::size_t size);
void* PictureDecoderRealloc(void* block, std::size_t size);
void PictureDecoderFree(void* block);

// The largest block the decoder may allocate, and whether an allocation was
// refused for exceeding it since the last ResetPictureDecoderLimit.
extern std::size_t PictureDecoderLimit;
void ResetPictureDecoderLimit();
bool PictureDecoderLimitHit();
// Forgets the reason of the last failure (stbi_failure_reason gives null).
void ClearPictureDecoderFailure();

#include "stb_image.h"
