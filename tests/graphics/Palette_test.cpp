// Palettes: a picture's few colours, the median cut of many and the nearest
// entry of a palette.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "AllocFail.h"
#include "Palette.h"

namespace {

std::uint32_t Packed(const TPaletteColour& c) { return std::uint32_t(c.Red) << 16 | c.Green << 8 | c.Blue; }

int Distance(const TPaletteColour& c, int r, int g, int b) {
    return (c.Red - r) * (c.Red - r) + (c.Green - g) * (c.Green - g) + (c.Blue - b) * (c.Blue - b);
}

TEST(PaletteTest, FewColoursAreCountedInRunsAndGivenTheMostUsedFirst) {
    TFewColours few(3);
    // Red first: 0x102030 three times, 0x405060 once; blue first: 0x102030
    // twice more and 0x000001 twice, in two runs.
    const std::uint8_t rgb[] = {0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x10, 0x20, 0x30};
    const std::uint8_t bgr[] = {0x30, 0x20, 0x10, 1, 0, 0, 0x30, 0x20, 0x10, 1, 0, 0};
    EXPECT_TRUE(few.AddRow(rgb, 4, false));
    EXPECT_TRUE(few.AddRow(bgr, 4, true));
    EXPECT_TRUE(few.AddRow(rgb, 0, false)) << "an empty row adds nothing";
    TPaletteColour palette[TFewColours::Most];
    ASSERT_EQ(3u, few.Fill(palette));
    EXPECT_EQ(0x102030u, Packed(palette[0]));
    EXPECT_EQ(0x000001u, Packed(palette[1]));
    EXPECT_EQ(0x405060u, Packed(palette[2]));
    // Equal counts in colour order.
    EXPECT_TRUE(few.Add(0x405060, 1));
    ASSERT_EQ(3u, few.Fill(palette));
    EXPECT_EQ(0x000001u, Packed(palette[1]));
    EXPECT_EQ(0x405060u, Packed(palette[2]));
    // A fourth colour is one too many; the three known ones still count.
    const std::uint8_t fourth[] = {0x10, 0x20, 0x30, 9, 9, 9};
    EXPECT_FALSE(few.AddRow(fourth, 2, false));
    EXPECT_TRUE(few.Add(0x000001, 5));
    ASSERT_EQ(3u, few.Fill(palette));
    EXPECT_EQ(0x000001u, Packed(palette[0]));

    // 256 colours fit, the 257th does not.
    TFewColours most;
    for (std::uint32_t c = 0; c < 256; ++c) ASSERT_TRUE(most.Add(c, 1 + c % 7));
    EXPECT_FALSE(most.Add(0xFFFFFF, 1));
    ASSERT_EQ(256u, most.Fill(palette));
    for (unsigned i = 1; i < 256; ++i) {
        const unsigned before = 1 + Packed(palette[i - 1]) % 7, here = 1 + Packed(palette[i]) % 7;
        ASSERT_TRUE(before > here || (before == here && Packed(palette[i - 1]) < Packed(palette[i]))) << i;
    }
}

TEST(PaletteTest, MedianCutAveragesItsBoxesExactlyAndNearestIsExact) {
    TPaletteColour palette[256];
    TMedianCut empty;
    EXPECT_EQ(0u, empty.Choose(palette, 256, true, 0)) << "not allocated";
    ASSERT_TRUE(empty.Allocate());
    EXPECT_EQ(0u, empty.Choose(palette, 256, true, 0)) << "no pixels";
    {
        iwtest::AllocFailScope fail(0, 1);
        TMedianCut starved;
        EXPECT_FALSE(starved.Allocate());
    }

    // Five cells; one holds two colours, whose entry is their exact average
    // (three of 8 and one of 15 make 9.75: 10, where the cell's centre
    // would say 12). The most used first.
    TMedianCut cut;
    ASSERT_TRUE(cut.Allocate());
    const struct {
        std::uint8_t R, G, B;
        int Count;
    } pixels[] = {{8, 8, 8, 3}, {15, 15, 15, 1}, {200, 0, 0, 9}, {0, 200, 0, 2}, {0, 0, 200, 6}, {255, 255, 255, 5}};
    for (const auto& p : pixels)
        for (int i = 0; i < p.Count; ++i) cut.Add(p.R, p.G, p.B);
    ASSERT_EQ(5u, cut.Choose(palette, 8, true, 0)) << "no more entries than occupied cells";
    const std::uint32_t expected[] = {0xC80000, 0x0000C8, 0xFFFFFF, 0x0A0A0A, 0x00C800};
    for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(expected[i], Packed(palette[i])) << i;
    ASSERT_EQ(3u, cut.Choose(palette, 3, false, 0)) << "as many as asked for";

    // The whole colour cube (64 x 64 x 16 colours) into 200 entries: some
    // 44 steps apart, so within about 20 of a colour on average, and
    // refinement passes bring them closer still.
    TMedianCut smooth;
    ASSERT_TRUE(smooth.Allocate());
    std::vector<TPaletteColour> picture;
    for (int r = 0; r < 256; r += 4)
        for (int g = 0; g < 256; g += 4)
            for (int b = 0; b < 256; b += 16) picture.push_back(TPaletteColour{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)});
    for (const TPaletteColour& c : picture) smooth.Add(c.Red, c.Green, c.Blue);
    double error[2] = {0, 0};
    for (int refined = 0; refined < 2; ++refined) {
        ASSERT_EQ(200u, smooth.Choose(palette, 200, false, refined ? 4 : 0));
        const TNearestColour nearest(palette, 200);
        double worst = 0;
        for (const TPaletteColour& c : picture) {
            // Exact: no entry is nearer than the one found.
            const unsigned found = nearest.Find(c.Red, c.Green, c.Blue);
            ASSERT_LT(found, 200u);
            const int d = Distance(palette[found], c.Red, c.Green, c.Blue);
            for (unsigned i = 0; i < 200; ++i) ASSERT_LE(d, Distance(palette[i], c.Red, c.Green, c.Blue));
            error[refined] += std::sqrt(double(d)) / picture.size();
            worst = std::max(worst, std::sqrt(double(d)));
        }
        EXPECT_LT(worst, 48.0);
    }
    EXPECT_LT(error[0], 24.0);
    EXPECT_LT(error[1], error[0]) << "refined";
}

}  // namespace
