// The 16-bit PNM fix of Graphics/stb, in a private copy of the patched
// decoder built for PNM only (the program's own decoder has no PNM). The
// unpatched loader converted 16-bit samples to other channel counts as 8-bit
// ones, and the 16-to-8 conversion then read twice the buffer's size.
#include <gtest/gtest.h>

#include <vector>

#include "Picture.h"

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNM
#define STBI_NO_STDIO
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#include "stb_image.h"

TEST(DecoderFixes, SixteenBitPnmToOtherChannelCounts) {
    const char header[] = "P5\n3 2\n65535\n";
    std::vector<stbi_uc> file(header, header + sizeof header - 1);
    for (int i = 0; i < 6; ++i) file.insert(file.end(), {stbi_uc(10 * i), stbi_uc(10 * i)});  // either byte order
    int w = 0, h = 0, n = 0;
    stbi_uc* p = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(p[3 * i], 10 * i);
        EXPECT_EQ(p[3 * i + 2], 10 * i);
    }
    stbi_image_free(p);
    // Cut short: refused instead of decoding unread memory.
    EXPECT_EQ(stbi_load_from_memory(file.data(), int(file.size()) - 1, &w, &h, &n, 3), nullptr);
    // The program reads no PNM at all.
    TPicture picture;
    EXPECT_EQ(DecodePicture(file.data(), file.size(), 0, picture), PictureUnknownFormat);
}
