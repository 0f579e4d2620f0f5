#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <random>
#include <vector>

#include "AllocFail.h"
#include "ScalePicture.h"

namespace {

// The weight of each source pixel in each target pixel along one axis, in
// floating point: a box of fractional coverage when shrinking, linear
// interpolation between pixel centres when enlarging.
std::vector<std::vector<double>> AxisWeights(std::uint32_t s, std::uint32_t d) {
    std::vector<std::vector<double>> w(d, std::vector<double>(s, 0.0));
    for (std::uint32_t i = 0; i < d; ++i) {
        if (d < s) {
            const double begin = double(i) * s / d, end = double(i + 1) * s / d;
            for (std::uint32_t j = 0; j < s; ++j) {
                const double overlap = std::min(end, double(j + 1)) - std::max(begin, double(j));
                if (overlap > 0) w[i][j] = overlap / (end - begin);
            }
        } else if (d > s) {
            double pos = (i + 0.5) * s / d - 0.5;
            pos = std::max(0.0, std::min(pos, double(s - 1)));
            const std::uint32_t j = std::uint32_t(pos);
            const double f = pos - j;
            w[i][j] += 1 - f;
            if (j + 1 < s) w[i][j + 1] += f;
        } else {
            w[i][i] = 1;
        }
    }
    return w;
}

// The exact resampled value of each target byte, computed separably in
// floating point.
std::vector<double> Reference(const TPicture& source, std::uint32_t width, std::uint32_t height) {
    const std::uint32_t sw = source.GetWidth(), sh = source.GetHeight();
    const auto wx = AxisWeights(sw, width), wy = AxisWeights(sh, height);
    std::vector<double> rows(std::size_t(sh) * width * 3, 0.0);
    for (std::uint32_t y = 0; y < sh; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (std::uint32_t j = 0; j < sw; ++j)
                if (wx[x][j] != 0)
                    for (int c = 0; c < 3; ++c)
                        rows[(std::size_t(y) * width + x) * 3 + c] +=
                            wx[x][j] * source.GetPixels()[(std::size_t(y) * sw + j) * 3 + c];
    std::vector<double> out(std::size_t(height) * width * 3, 0.0);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t j = 0; j < sh; ++j)
            if (wy[y][j] != 0)
                for (std::size_t i = 0; i < std::size_t(width) * 3; ++i)
                    out[std::size_t(y) * width * 3 + i] += wy[y][j] * rows[std::size_t(j) * width * 3 + i];
    return out;
}

TPicture Random(std::uint32_t width, std::uint32_t height, unsigned seed) {
    TPicture p;
    EXPECT_TRUE(p.Create(width, height));
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < std::size_t(width) * height * 3; ++i) p.GetPixels()[i] = std::uint8_t(random());
    return p;
}

TPicture Flat(std::uint32_t width, std::uint32_t height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    TPicture p;
    EXPECT_TRUE(p.Create(width, height));
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        p.GetPixels()[3 * i] = r;
        p.GetPixels()[3 * i + 1] = g;
        p.GetPixels()[3 * i + 2] = b;
    }
    return p;
}

// The largest difference between the scaled picture and the reference.
double ScaledError(const TPicture& source, std::uint32_t width, std::uint32_t height) {
    TPicture target;
    EXPECT_TRUE(ScalePicture(source, width, height, target));
    EXPECT_EQ(width, target.GetWidth());
    EXPECT_EQ(height, target.GetHeight());
    if (target.GetWidth() != width || target.GetHeight() != height) return 1e9;
    const std::vector<double> expected = Reference(source, width, height);
    double worst = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        worst = std::max(worst, std::fabs(target.GetPixels()[i] - expected[i]));
    return worst;
}

TEST(ScalePicture, ShrinkingGivesTheRoundedBoxAverageOfCoveredPixels) {
    // Whole and fractional coverage, each axis alone and both, odd sizes; the
    // only error allowed is the final rounding to a whole value.
    const struct { std::uint32_t sw, sh, w, h; } cases[] = {
        {4, 4, 2, 2}, {6, 4, 3, 2}, {3, 1, 2, 1}, {7, 5, 3, 2}, {5, 3, 2, 1},  {10, 10, 3, 7},
        {17, 9, 16, 8}, {1920, 12, 1024, 9}, {9, 1080 / 8, 9, 768 / 8},   {13, 11, 13, 4},
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        const TPicture source = Random(c.sw, c.sh, seed++);
        EXPECT_LE(ScaledError(source, c.w, c.h), 0.501) << c.sw << "x" << c.sh << " -> " << c.w << "x" << c.h;
    }

    // 4x2 -> 2x1 by hand: each target pixel is the mean of a 2x2 block.
    TPicture p;
    ASSERT_TRUE(p.Create(4, 2));
    const std::uint8_t bytes[] = {0, 10, 20, 4, 14, 24, 100, 0, 0, 200, 0, 0,  //
                                  8, 18, 28, 12, 22, 32, 0, 100, 0, 0, 200, 1};
    std::copy(bytes, bytes + sizeof bytes, p.GetPixels());
    TPicture t;
    ASSERT_TRUE(ScalePicture(p, 2, 1, t));
    const std::uint8_t expected[] = {6, 16, 26, 75, 75, 0};  // last: 0.25 rounds down
    EXPECT_EQ(std::vector<std::uint8_t>(expected, expected + 6), std::vector<std::uint8_t>(t.GetPixels(), t.GetPixels() + 6));

    // 3 -> 2: the middle pixel is split, half into each target pixel.
    ASSERT_TRUE(p.Create(3, 1));
    const std::uint8_t three[] = {0, 0, 0, 90, 90, 90, 180, 180, 180};
    std::copy(three, three + 9, p.GetPixels());
    ASSERT_TRUE(ScalePicture(p, 2, 1, t));
    EXPECT_EQ(30, t.GetPixels()[0]);   // (0 + 45) / 1.5
    EXPECT_EQ(150, t.GetPixels()[3]);  // (45 + 180) / 1.5
}

TEST(ScalePicture, EnlargingInterpolatesBetweenNeighbours) {
    unsigned seed = 100;
    const struct { std::uint32_t sw, sh, w, h; } cases[] = {
        {2, 2, 4, 4}, {3, 2, 7, 5}, {5, 5, 13, 11}, {8, 3, 9, 30}, {640, 4, 1024, 7},
        // one axis shrinks while the other grows
        {9, 4, 4, 9}, {4, 9, 9, 4},
    };
    for (const auto& c : cases) {
        const TPicture source = Random(c.sw, c.sh, seed++);
        // Positions are kept to 1/256 of a source pixel.
        EXPECT_LE(ScaledError(source, c.w, c.h), 1.5) << c.sw << "x" << c.sh << " -> " << c.w << "x" << c.h;
    }
    // Equal sizes copy byte for byte.
    const TPicture source = Random(31, 17, 7);
    TPicture copy;
    ASSERT_TRUE(ScalePicture(source, 31, 17, copy));
    EXPECT_EQ(0, std::memcmp(source.GetPixels(), copy.GetPixels(), 31 * 17 * 3));
    // A two-pixel gradient doubled: the outer pixels keep their values, the
    // inner ones are a quarter of the way across.
    TPicture p = Flat(2, 1, 0, 0, 0);
    p.GetPixels()[3] = 200;
    ASSERT_TRUE(ScalePicture(p, 4, 1, copy));
    EXPECT_EQ(0, copy.GetPixels()[0]);
    EXPECT_EQ(50, copy.GetPixels()[3]);
    EXPECT_EQ(150, copy.GetPixels()[6]);
    EXPECT_EQ(200, copy.GetPixels()[9]);
}

TEST(ScalePicture, FlatColoursStayFlat) {
    const std::uint8_t colours[][3] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 1}, {17, 128, 254}};
    const struct { std::uint32_t sw, sh, w, h; } sizes[] = {
        {1, 1, 1, 1}, {1, 1, 640, 480}, {1920, 1080, 1024, 768}, {640, 480, 1600, 1200},
        {3, 1000, 1000, 3}, {1000, 3, 7, 1}, {99, 98, 97, 96}, {2, 7, 1024, 1},
    };
    for (const auto& c : colours)
        for (const auto& s : sizes) {
            const TPicture source = Flat(s.sw, s.sh, c[0], c[1], c[2]);
            TPicture target;
            ASSERT_TRUE(ScalePicture(source, s.w, s.h, target));
            std::size_t wrong = 0;
            for (std::size_t i = 0; i < std::size_t(s.w) * s.h; ++i)
                wrong += target.GetPixels()[3 * i] != c[0] || target.GetPixels()[3 * i + 1] != c[1] ||
                         target.GetPixels()[3 * i + 2] != c[2];
            EXPECT_EQ(0u, wrong) << int(c[0]) << "," << int(c[1]) << "," << int(c[2]) << " " << s.sw << "x"
                                 << s.sh << " -> " << s.w << "x" << s.h;
        }
}

TEST(ScalePicture, SinglePixelsLinesAndRefusals) {
    // One pixel to a block: every pixel is that one.
    TPicture one = Flat(1, 1, 9, 8, 7);
    TPicture t;
    ASSERT_TRUE(ScalePicture(one, 3, 5, t));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(9 + 8 * 256 + 7 * 65536, t.GetPixels()[3 * i] + t.GetPixels()[3 * i + 1] * 256 + t.GetPixels()[3 * i + 2] * 65536);
    // Lines along each axis and a line to a point.
    unsigned seed = 200;
    const struct { std::uint32_t sw, sh, w, h; } lines[] = {
        {1, 7, 1, 3}, {9, 1, 2, 1}, {1, 50, 1, 1}, {50, 1, 1, 1}, {1, 5, 1, 12}, {1, 1, 1, 9},
        {1, 9, 4, 1}, {7, 1, 1, 8},
    };
    for (const auto& c : lines) {
        const TPicture source = Random(c.sw, c.sh, seed++);
        EXPECT_LE(ScaledError(source, c.w, c.h), c.w > c.sw || c.h > c.sh ? 1.5 : 0.501)
            << c.sw << "x" << c.sh << " -> " << c.w << "x" << c.h;
    }
    // A size of 0 or an empty source is refused, the target unchanged.
    TPicture kept = Flat(2, 2, 1, 2, 3);
    const std::uint8_t* pixels = kept.GetPixels();
    EXPECT_FALSE(ScalePicture(one, 0, 5, kept));
    EXPECT_FALSE(ScalePicture(one, 5, 0, kept));
    EXPECT_FALSE(ScalePicture(TPicture(), 5, 5, kept));
    EXPECT_EQ(pixels, kept.GetPixels());
    EXPECT_EQ(2u, kept.GetWidth());
    EXPECT_EQ(2u, kept.GetHeight());
}

TEST(ScalePicture, HugeFactorsAverageEveryPixel) {
    // 120,000 alternating black and white columns to one pixel, and to three:
    // no column is dropped, so the averages are half way.
    TPicture stripes = Flat(120000, 1, 0, 0, 0);
    for (std::uint32_t x = 0; x < 120000; x += 2) stripes.GetPixels()[3 * x] = 255;
    TPicture t;
    ASSERT_TRUE(ScalePicture(stripes, 1, 1, t));
    EXPECT_NEAR(127.5, t.GetPixels()[0], 0.51);
    ASSERT_TRUE(ScalePicture(stripes, 7, 1, t));
    for (int x = 0; x < 7; ++x) EXPECT_NEAR(127.5, t.GetPixels()[3 * x], 0.6) << x;
    // The same down a column of 100,000 rows, where a single odd row must
    // still count: one white row among black ones.
    TPicture column = Flat(2, 100000, 0, 0, 0);
    for (int c = 0; c < 3; ++c) column.GetPixels()[3 * 2 * 50000 + c] = 255;
    ASSERT_TRUE(ScalePicture(column, 1, 1, t));
    EXPECT_EQ(0, t.GetPixels()[0]);  // 255 / 200000 rounds to 0
    ASSERT_TRUE(ScalePicture(column, 2, 390, t));
    // Row 50,000 falls in target row 195 (195 * 256.4 ... 196 * 256.4); its
    // share there is 1 / 256.4 of 255: one unit.
    EXPECT_EQ(1, t.GetPixels()[3 * 2 * 195]);
    EXPECT_EQ(0, t.GetPixels()[3 * 2 * 194]);
    EXPECT_EQ(0, t.GetPixels()[3 * 2 * 196]);
    // A random long column against the reference.
    EXPECT_LE(ScaledError(Random(1, 70001, 5), 1, 3), 0.501);
    EXPECT_LE(ScaledError(Random(3, 70001, 6), 2, 7), 0.501);
    // Two pixels to a very wide row: the ends keep the source values and the
    // values in between never leave their range.
    TPicture two = Flat(2, 1, 10, 10, 10);
    two.GetPixels()[3] = 250;
    ASSERT_TRUE(ScalePicture(two, 65535, 2, t));
    EXPECT_EQ(10, t.GetPixels()[0]);
    EXPECT_EQ(250, t.GetPixels()[3 * 65534]);
    int previous = 0;
    bool monotone = true;
    for (std::uint32_t x = 0; x < 65535; ++x) {
        monotone = monotone && t.GetPixels()[3 * x] >= previous;
        previous = t.GetPixels()[3 * x];
    }
    EXPECT_TRUE(monotone);
}

TEST(ScalePicture, HoldsFewRowsAndFailsCleanlyWithoutMemory) {
    // Besides the target, a shrink keeps only a few rows of the target's width.
    const TPicture source = Random(1600, 1200, 9);
    {
        iwtest::AllocationCounter counter;
        TPicture t;
        ASSERT_TRUE(ScalePicture(source, 1024, 768, t));
        EXPECT_LT(counter.Bytes(), 1024ull * 768 * 3 + 64ull * 1024 * 3);
    }
    // Whatever allocation fails, the result is false and the target intact.
    for (long skip = 0; skip < 8; ++skip) {
        TPicture kept = Flat(2, 2, 1, 2, 3);
        const std::uint8_t* pixels = kept.GetPixels();
        bool done;
        {
            iwtest::AllocFailScope fail(skip, 1000);
            done = ScalePicture(source, 300, 2000, kept);
        }
        if (done) {
            EXPECT_EQ(300u, kept.GetWidth());
            break;
        }
        EXPECT_EQ(pixels, kept.GetPixels());
        EXPECT_EQ(2u, kept.GetWidth());
        EXPECT_EQ(1, kept.GetPixels()[0]);
    }
}

}  // namespace
