#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "processing/OperationTable.h"
#include "processing/ProcessingFixtures.h"

namespace vex {
namespace {

RgbQuad Grey(int v)
{
    return MakeRgb(uint8_t(v), uint8_t(v), uint8_t(v));
}

std::vector<std::vector<int>> GreenRows(const Raster& img)
{
    std::vector<std::vector<int>> rows(img.GetHeight());
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x) rows[y].push_back(img.GetPixelColor(x, y).green);
    return rows;
}

Raster GreyRows(const std::vector<std::vector<int>>& rows)
{
    return test::Rgb(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()),
                     [&](uint32_t x, uint32_t y) { return Grey(rows[y][x]); });
}

TEST(KernelFilter, UniformImagesUnderEveryPreset)
{
    for (const auto& p : proc::KernelPresets()) {
        Raster img = test::Solid(6, 5, MakeRgb(70, 140, 210));
        ASSERT_TRUE(img.KernelFilter(p.kernel.data(), p.size, p.divisor, p.offset)) << p.name;
        const std::string name = p.name;
        const RgbQuad want = name == "Emboss" ? Grey(127) : name == "Edge" ? Grey(255) : MakeRgb(70, 140, 210);
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 6; ++x) EXPECT_EQ(img.GetPixelColor(x, y), want) << name << " at " << x << "," << y;
    }
}

TEST(KernelFilter, WeightsAreOrderedByRowFromTheBottomOffset)
{
    // Emboss: -1 at (dx +1, dy -1), +1 at (dx -1, dy +1); dy +1 is the row above.
    const auto& p = proc::KernelPresets()[1];
    ASSERT_STREQ(p.name, "Emboss");
    Raster img = test::Rgb(5, 5, [](uint32_t x, uint32_t y) { return Grey(int(x * 40 + y * 7)); });
    const Raster src(img);
    ASSERT_TRUE(img.KernelFilter(p.kernel.data(), 3, 0, 127));
    for (uint32_t y = 1; y < 4; ++y)
        for (uint32_t x = 1; x < 4; ++x) {
            const int want = src.GetPixelColor(x - 1, y + 1).green - src.GetPixelColor(x + 1, y - 1).green + 127;
            EXPECT_EQ(img.GetPixelColor(x, y).green, std::clamp(want, 0, 255)) << x << "," << y;
        }
}

TEST(KernelFilter, DivisionTruncatesTowardZero)
{
    // -5 / 2 is -2 (not -3): 100 - 2 = 98.
    const int32_t k[1] = {-1};
    Raster img = GreyRows({{5, 6}});
    ASSERT_TRUE(img.KernelFilter(k, 1, 2, 100));
    EXPECT_EQ(GreenRows(img), (std::vector<std::vector<int>>{{98, 97}}));
}

TEST(KernelFilter, BorderNeighboursAreTheBottomLeftPixelOrTheKey)
{
    // Blur at the top-right corner of a 3 x 3 image reads five outside
    // neighbours, each the colour of pixel (0, 0): 5 * 90 / 9 = 50.
    const auto* blur = &proc::KernelPresets()[0];
    Raster img = GreyRows({{90, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    ASSERT_TRUE(img.KernelFilter(blur->kernel.data(), 3, 9, 0));
    EXPECT_EQ(img.GetPixelColor(2, 2), Grey(50));
    // With a key colour the outside is the key instead.
    Raster keyed = GreyRows({{90, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    keyed.SetTransIndex(0);
    keyed.SetTransColor(Grey(18));
    ASSERT_TRUE(keyed.KernelFilter(blur->kernel.data(), 3, 9, 0));
    EXPECT_EQ(keyed.GetPixelColor(2, 2), Grey(10));
}

TEST(KernelFilter, SelectionAndPalette)
{
    const int32_t k[9] = {0, 0, 0, 0, 2, 0, 0, 0, 0};
    Raster img = GreyRows({{10, 10, 10}});
    test::Select(img, [](uint32_t x, uint32_t) { return x == 1; });
    ASSERT_TRUE(img.KernelFilter(k, 3, 1, 0));
    EXPECT_EQ(GreenRows(img), (std::vector<std::vector<int>>{{10, 20, 10}}));
    Raster pal;
    pal.Create(2, 1, 8, TypeBmp);
    pal.SetGrayPalette();
    pal.SetPixelIndex(0, 0, 30);
    pal.SetPixelIndex(1, 0, 40);
    ASSERT_TRUE(pal.KernelFilter(k, 3, 1, 0));
    EXPECT_EQ(pal.GetPixelIndex(0, 0), 60);
    EXPECT_EQ(pal.GetPixelIndex(1, 0), 80);
}

TEST(Morphology, DilateOfTwoGrowsAWhiteDotRightAndUp)
{
    Raster img = test::Rgb(5, 5, [](uint32_t x, uint32_t y) { return x == 2 && y == 2 ? Grey(255) : Grey(0); });
    ASSERT_TRUE(img.Dilate(2));
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 5; ++x) {
            const bool white = (x == 2 || x == 3) && (y == 2 || y == 3);
            EXPECT_EQ(img.GetPixelColor(x, y), Grey(white ? 255 : 0)) << x << "," << y;
        }
    Raster dark = test::Rgb(5, 5, [](uint32_t x, uint32_t y) { return x == 2 && y == 2 ? Grey(0) : Grey(200); });
    ASSERT_TRUE(dark.Erode(3));
    EXPECT_EQ(dark.GetPixelColor(1, 1), Grey(0));
    EXPECT_EQ(dark.GetPixelColor(3, 3), Grey(0));
    EXPECT_EQ(dark.GetPixelColor(4, 4), Grey(200));
}

TEST(Median, RemovesASingleOddPixel)
{
    Raster img = test::Rgb(5, 5, [](uint32_t x, uint32_t y) { return x == 2 && y == 3 ? MakeRgb(255, 0, 9) : Grey(40); });
    ASSERT_TRUE(img.Median(3));
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(img.GetPixelColor(x, y), Grey(40)) << x << "," << y;
}

TEST(Contour, UniformIsWhiteAndBrighterNeighboursMark)
{
    Raster img = test::Solid(4, 4, Grey(90));
    ASSERT_TRUE(img.Contour());
    EXPECT_EQ(img.GetPixelColor(2, 2), Grey(255));
    // A brighter neighbour puts its own value (not the difference) in.
    Raster dot = test::Rgb(3, 3, [](uint32_t x, uint32_t y) { return x == 1 && y == 1 ? Grey(200) : Grey(10); });
    ASSERT_TRUE(dot.Contour());
    EXPECT_EQ(dot.GetPixelColor(0, 0), Grey(55));
    EXPECT_EQ(dot.GetPixelColor(1, 1), Grey(255));
}

TEST(Noise, FixedSequenceStartsAtOneForEveryCall)
{
    // The generator's first values are 41, 18467, 6334:
    // (41 / 32767 - 0.5) * 50 = -24.94 truncates to -24.
    for (int call = 0; call < 2; ++call) {
        Raster img = test::Solid(1, 1, Grey(100));
        ASSERT_TRUE(img.Noise(50));
        EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(76, 103, 85)) << "call " << call;
    }
    Raster a = test::Varied(24, 9, 1), b = test::Varied(24, 9, 1); // one row: no division by zero
    ASSERT_TRUE(a.Noise(50));
    ASSERT_TRUE(b.Noise(50));
    EXPECT_TRUE(test::LookOf(a) == test::LookOf(b));
}

TEST(Jitter, MovesPixelsByTheFixedSequenceAndKeepsAlphaWithThem)
{
    Raster img = test::Rgb(6, 2, [](uint32_t x, uint32_t y) { return Grey(int(10 * (x + 1) + 100 * y)); });
    img.AlphaCreate();
    for (uint32_t x = 0; x < 6; ++x) img.AlphaSet(x, 1, uint8_t(x));
    ASSERT_TRUE(img.Jitter(5));
    EXPECT_EQ(GreenRows(img), (std::vector<std::vector<int>>{{10, 20, 30, 40, 50, 60}, {130, 120, 130, 140, 150, 160}}));
    EXPECT_EQ(img.AlphaGet(0, 1), 2) << "alpha moves with the pixel";
}

TEST(Filters, BadWindowsAreRefused)
{
    Raster img = test::Solid(3, 3, Grey(5));
    EXPECT_FALSE(img.Median(0));
    EXPECT_FALSE(img.Erode(-1));
    EXPECT_FALSE(img.KernelFilter(nullptr, 3, 1, 0));
    EXPECT_EQ(img.GetPixelColor(1, 1), Grey(5));
}

} // namespace
} // namespace vex
