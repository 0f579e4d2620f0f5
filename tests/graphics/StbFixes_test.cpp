// The fixes the build applies to Debian's stb_image (Graphics/stb): each input
// here overran a buffer in the unpatched decoder (AddressSanitizer or
// UndefinedBehaviorSanitizer stops the native test binary there).
#include <gtest/gtest.h>

#include "Picture.h"
#include "PictureTestFiles.h"
#include "StbImage.h"

using picturetest::Bytes;

TEST(DecoderFixes, JpegHuffmanTablesOfMoreThan256Codes) {
    // A DHT segment whose 16 code counts add up to 512: the table holds 256
    // codes; building the code lengths and reading the values wrote past both.
    const Bytes jpeg = picturetest::Jpeg(BaselineJpeg, sizeof BaselineJpeg);
    for (std::uint8_t table : {0x00, 0x13}) {  // DC table 0, AC table 3
        Bytes bad(jpeg.begin(), jpeg.begin() + 2);
        const std::uint32_t length = 2 + 1 + 16 + 512;
        bad.insert(bad.end(), {0xFF, 0xC4, std::uint8_t(length >> 8), std::uint8_t(length), table});
        bad.insert(bad.end(), 16, 32);
        for (int i = 0; i < 512; ++i) bad.push_back(std::uint8_t(i));
        bad.insert(bad.end(), jpeg.begin() + 2, jpeg.end());
        TPicture p;
        EXPECT_EQ(DecodePicture(bad.data(), bad.size(), 0, p), PictureCorrupt);
        int w = 0, h = 0, n = 0;
        EXPECT_EQ(stbi_load_from_memory(bad.data(), int(bad.size()), &w, &h, &n, 3), nullptr);
    }
    // Exactly 256 codes is still a table.
    TPicture p;
    EXPECT_EQ(DecodePicture(jpeg.data(), jpeg.size(), 0, p), PictureOk);
}

TEST(DecoderFixes, GifRestoreToPreviousReadsThePreviousFrame) {
    // Disposal "restore to previous" of the second frame, seen when the third
    // is loaded, read its pixels from before the frame buffer. The program
    // itself shows only first frames; the animation loader is fixed too.
    picturetest::GifFile g;
    g.Width = g.Height = 2;
    g.Palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    picturetest::GifFrame red, green, blue;
    red.Width = red.Height = green.Width = green.Height = 2;
    red.Indices = {0, 0, 0, 0};
    green.Indices = {1, 1, 1, 1};
    green.Dispose = 3;
    blue.Indices = {2};
    g.Frames = {red, green, blue};
    const Bytes gif = g.Build();
    int* delays = nullptr;
    int w = 0, h = 0, frames = 0, n = 0;
    stbi_uc* out = stbi_load_gif_from_memory(gif.data(), int(gif.size()), &delays, &w, &h, &frames, &n, 4);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(frames, 3);
    const stbi_uc* third = out + 2 * 2 * 2 * 4;
    const stbi_uc expected[16] = {0, 0, 255, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
    EXPECT_EQ(Bytes(third, third + 16), Bytes(expected, expected + 16));  // blue over the restored red
    stbi_image_free(out);
    stbi_image_free(delays);
}
