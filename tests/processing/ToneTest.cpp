#include <gtest/gtest.h>

#include "processing/ProcessingFixtures.h"

namespace vex {
namespace {

RgbQuad Grey(int v)
{
    return MakeRgb(uint8_t(v), uint8_t(v), uint8_t(v));
}

// A 24-bit image with the given grey levels, one pixel each, on one row.
Raster Levels(const std::vector<int>& levels)
{
    return test::Rgb(static_cast<uint32_t>(levels.size()), 1, [&](uint32_t x, uint32_t) { return Grey(levels[x]); });
}

std::vector<int> GreenOf(const Raster& img)
{
    std::vector<int> out;
    for (uint32_t x = 0; x < img.GetWidth(); ++x) out.push_back(img.GetPixelColor(x, 0).green);
    return out;
}

TEST(Histogram, CountsSelectedPixelsAndReturnsTheLargestBin)
{
    Raster img = Levels({10, 10, 10, 200});
    int32_t red[256], grey[256];
    EXPECT_EQ(img.Histogram(red, nullptr, nullptr, grey), 3);
    EXPECT_EQ(red[10], 3);
    EXPECT_EQ(grey[200], 1);
    test::Select(img, [](uint32_t x, uint32_t) { return x >= 2; });
    EXPECT_EQ(img.Histogram(red), 1);
    EXPECT_EQ(red[10], 1);
    EXPECT_EQ(red[200], 1);
    EXPECT_EQ(img.Histogram(nullptr), 0) << "no table given";
}

TEST(HistogramNormalize, TwoLevelsBecomeZeroAnd254)
{
    Raster img = Levels({50, 50, 50, 200, 200, 200});
    ASSERT_TRUE(img.HistogramNormalize());
    EXPECT_EQ(GreenOf(img), (std::vector<int>{0, 0, 0, 254, 254, 254}));
}

TEST(HistogramEqualize, CumulativeMapTruncates)
{
    // Two of four pixels at 50: 2 * 255 / 4 = 127.5 gives 127.
    Raster img = Levels({50, 50, 200, 200});
    ASSERT_TRUE(img.HistogramEqualize());
    EXPECT_EQ(GreenOf(img), (std::vector<int>{127, 127, 255, 255}));
}

TEST(HistogramStretch, GreyRangeSpreadsToFullScale)
{
    Raster img = Levels({50, 100, 200});
    ASSERT_TRUE(img.HistogramStretch());
    EXPECT_EQ(GreenOf(img), (std::vector<int>{0, 85, 255}));
}

TEST(HistogramCorrections, FlatImagesFailUnchanged)
{
    // One grey level has nothing to spread: a flat grey must not turn white.
    for (int level : {0, 90, 255}) {
        for (bool (Raster::*op)() : {&Raster::HistogramStretch, &Raster::HistogramEqualize, &Raster::HistogramNormalize}) {
            Raster img = Levels({level, level, level});
            EXPECT_FALSE((img.*op)()) << level;
            EXPECT_EQ(GreenOf(img), (std::vector<int>{level, level, level}));
        }
    }
    Raster pal = test::Varied(8, 3, 2);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x) pal.SetPixelIndex(x, y, 4);
    const test::Look before = test::LookOf(pal);
    EXPECT_FALSE(pal.HistogramStretch()) << "every pixel uses one entry";
    EXPECT_TRUE(test::LookOf(pal) == before);
}

TEST(HistogramLog, ValuesPast255AreHeldAt255)
{
    // Y of (4, 15, 0) is 10 but its grey is 9, so the curve scaled to grey
    // 9 gives 265 for it: held at 255, not wrapped to 9.
    Raster img = test::Solid(2, 2, MakeRgb(4, 15, 0));
    ASSERT_TRUE(img.HistogramLog());
    EXPECT_EQ(img.GetPixelColor(1, 1), MakeRgb(247, 255, 244));
}

TEST(HistogramRoot, ClampsAndKeepsBlack)
{
    Raster img = Levels({0, 1, 255});
    ASSERT_TRUE(img.HistogramRoot());
    // k = 128 / ln 256 = 23.08; sqrt(1) * k = 23.08; sqrt(255) * k = 368.6.
    EXPECT_EQ(GreenOf(img), (std::vector<int>{0, 23, 255}));
}

TEST(HistogramCorrections, PalettedImagesChangeThePaletteOnly)
{
    Raster img = test::Varied(4, 5, 3);
    const test::Look before = test::LookOf(img);
    ASSERT_TRUE(img.HistogramEqualize());
    EXPECT_EQ(test::LookOf(img).index, before.index);
    EXPECT_NE(test::LookOf(img).palette, before.palette);
}

} // namespace
} // namespace vex
