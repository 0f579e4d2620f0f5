#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AllocFail.h"
#include "Image.h"

namespace {

std::uint32_t* Indices(std::uint32_t count, std::uint32_t first) {
    std::uint32_t* p = new std::uint32_t[count];
    for (std::uint32_t i = 0; i < count; ++i) p[i] = first + i;
    return p;
}

TEST(RGBColor, FourBytesComparedMemberByMember) {
    static_assert(sizeof(TRGBColor) == 4, "");
    const TRGBColor black;
    EXPECT_EQ(0, black.Unused + black.Red + black.Green + black.Blue);
    const TRGBColor c(1, 2, 3);
    EXPECT_EQ(1, c.Red);
    EXPECT_EQ(2, c.Green);
    EXPECT_EQ(3, c.Blue);
    EXPECT_EQ(c, TRGBColor(1, 2, 3));
    EXPECT_NE(c, TRGBColor(9, 2, 3));
    EXPECT_NE(c, TRGBColor(1, 9, 3));
    EXPECT_NE(c, TRGBColor(1, 2, 9));
    TRGBColor marked = c;
    marked.Unused = 7;
    EXPECT_NE(c, marked);
}

TEST(RGBColorVector, PalettesInsertCompareAndAssign) {
    TPalette a(2, 1);
    a.InsertAt(TRGBColor(255, 0, 0), a.GetCount(), 1);
    a.InsertAt(TRGBColor(0, 0, 255), a.GetCount(), 1);
    a.InsertAt(TRGBColor(0, 255, 0), 1, 1);
    ASSERT_EQ(3u, a.GetCount());
    EXPECT_EQ(TRGBColor(0, 255, 0), *a.At(1));
    EXPECT_EQ(TRGBColor(0, 0, 255), *a.At(2));

    TPalette b(1, 1);
    EXPECT_TRUE(a != b);
    b = a;
    EXPECT_TRUE(a == b);
    b.At(2)->Blue = 254;
    EXPECT_TRUE(a != b);
    EXPECT_EQ(255, a.At(2)->Blue);  // the copy is independent

    b.Remove(TRGBColor(255, 0, 0));
    EXPECT_EQ(2u, b.GetCount());
    EXPECT_EQ(TRGBColor(0, 255, 0), *b.At(0));
    EXPECT_THROW(b.At(2), TCollectionException);
}

TEST(Image, NewImageIsEmpty) {
    TImage image;
    EXPECT_EQ(0u, image.GetWidth());
    EXPECT_EQ(0u, image.GetHeight());
    EXPECT_EQ(0u, image.GetPixelCount());
    EXPECT_EQ(nullptr, image.GetPixels());
    EXPECT_EQ(0u, image.Palette.GetCount());
}

TEST(Image, CopiedPixelsReuseTheBufferWhenTheCountStays) {
    TImage image;
    std::unique_ptr<std::uint32_t[]> first(Indices(200, 0)), second(Indices(200, 1000));
    image.SetPixels(first.get(), 10, 20, false);
    const std::uint32_t* buffer = image.GetPixels();
    ASSERT_NE(first.get(), buffer);
    EXPECT_EQ(199u, buffer[199]);

    EXPECT_TRUE(image.SetPixels(second.get(), 20, 10, false));
    EXPECT_EQ(buffer, image.GetPixels());
    EXPECT_EQ(20u, image.GetWidth());
    EXPECT_EQ(10u, image.GetHeight());
    EXPECT_EQ(0, std::memcmp(second.get(), image.GetPixels(), 200 * 4));

    // 0 x 0 replaces the buffer by an empty one.
    image.SetPixels(second.get(), 0, 0, false);
    EXPECT_EQ(0u, image.GetWidth() + image.GetHeight() + image.GetPixelCount());
}

TEST(Image, AdoptedPixelsBelongToTheImage) {
    TImage image;
    std::uint32_t* pixels = Indices(6, 5);
    EXPECT_TRUE(image.SetPixels(pixels, 3, 2, true));
    EXPECT_EQ(pixels, image.GetPixels());
    EXPECT_EQ(6u, image.GetPixelCount());
    // Handing over the buffer the image already holds keeps it alive.
    image.SetPixels(pixels, 2, 3, true);
    EXPECT_EQ(pixels, image.GetPixels());
    EXPECT_EQ(10u, image.GetPixels()[5]);
    // A different buffer replaces (and frees) the old one.
    std::uint32_t* other = Indices(4, 0);
    image.SetPixels(other, 2, 2, true);
    EXPECT_EQ(other, image.GetPixels());
}

TEST(Image, FailedCopyThrowsAndLeavesTheImageIntact) {
    TImage image;
    std::unique_ptr<std::uint32_t[]> old(Indices(4, 7)), fresh(Indices(9, 0));
    image.SetPixels(old.get(), 2, 2, false);
    const std::uint32_t* buffer = image.GetPixels();
    try {
        iwtest::AllocFailScope fail(0);
        image.SetPixels(fresh.get(), 3, 3, false);
        FAIL() << "no exception";
    } catch (const TImageException& e) {
        EXPECT_EQ(1, e.GetErrorCode());
        EXPECT_STREQ("TImage::CopyInstance(const TImage&)", e.GetSource());
        EXPECT_STREQ("Unable to allocate image buffer!", e.GetDescription());
        EXPECT_STREQ("Image", e.GetModule());
        EXPECT_GT(e.GetLine(), 0);
    }
    EXPECT_EQ(buffer, image.GetPixels());
    EXPECT_EQ(2u, image.GetWidth());
    EXPECT_EQ(4u, image.GetPixelCount());
    EXPECT_EQ(10u, image.GetPixels()[3]);
    // Adopting allocates nothing and cannot fail.
    iwtest::AllocFailScope fail(0);
    EXPECT_TRUE(image.SetPixels(fresh.release(), 3, 3, true));
}

}  // namespace
