#include <gtest/gtest.h>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

std::vector<uint8_t> BlockBytes(const Raster& img)
{
    return std::vector<uint8_t>(img.GetDIB(), img.GetDIB() + img.GetSize());
}

Raster PatternImage(uint32_t bpp, uint32_t w = 11, uint32_t h = 5)
{
    Raster img;
    img.Create(w, h, bpp, TypeBmp);
    const uint32_t n = img.GetNumColors();
    for (uint32_t i = 0; i < n; ++i) img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 37), uint8_t(i * 11), uint8_t(255 - i));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelIndex(x, y, static_cast<uint8_t>((x + 3 * y) % n));
    return img;
}

TEST(RasterIncreaseBpp, KeepsEveryColourAtEveryStep)
{
    struct Case {
        uint32_t from, to;
    } cases[] = {{1, 4}, {1, 8}, {1, 24}, {4, 8}, {4, 24}, {8, 24}};
    for (const auto& c : cases) {
        Raster img = PatternImage(c.from);
        const auto before = test::RgbPixels(img);
        ASSERT_TRUE(img.IncreaseBpp(c.to)) << c.from << " -> " << c.to;
        EXPECT_EQ(img.GetBpp(), c.to);
        EXPECT_EQ(test::RgbPixels(img), before) << c.from << " -> " << c.to;
    }
}

TEST(RasterIncreaseBpp, EqualLowerAndInvalidTargets)
{
    Raster img = PatternImage(8);
    const auto before = BlockBytes(img);
    EXPECT_TRUE(img.IncreaseBpp(8));
    EXPECT_FALSE(img.IncreaseBpp(4));
    EXPECT_FALSE(img.IncreaseBpp(16));
    EXPECT_EQ(BlockBytes(img), before);
}

TEST(RasterIncreaseBpp, PaletteAlphaAndTransparentIndexCarryOver)
{
    Raster img = PatternImage(8, 3, 1);
    img.SetPaletteColor(1, 50, 60, 70, 128);
    img.SetTransIndex(2);
    const RgbQuad key = img.GetPaletteColor(2);
    ASSERT_TRUE(img.IncreaseBpp(24));
    EXPECT_TRUE(img.AlphaIsValid());
    EXPECT_EQ(img.AlphaGet(1, 0), 128); // pixel (1,0) has index 1
    EXPECT_EQ(img.GetTransColor().red, key.red);
    EXPECT_EQ(img.GetTransColor().blue, key.blue);
}

TEST(RasterIncreaseBpp, EscapeLeavesTheImageUnchanged)
{
    Raster img = PatternImage(4);
    const auto before = BlockBytes(img);
    img.SetEscape(1);
    EXPECT_FALSE(img.IncreaseBpp(24));
    EXPECT_EQ(img.GetBpp(), 4);
    EXPECT_EQ(BlockBytes(img), before);
}

TEST(RasterDecreaseBpp, EqualDepthRules)
{
    Raster img = PatternImage(8);
    const auto before = BlockBytes(img);
    EXPECT_TRUE(img.DecreaseBpp(8, false));
    EXPECT_EQ(BlockBytes(img), before);
    EXPECT_FALSE(img.DecreaseBpp(24, false));

    // With a count the image is rebuilt with that many important colours,
    // unless it already has fewer.
    ASSERT_TRUE(img.DecreaseBpp(8, false, nullptr, 20));
    EXPECT_EQ(img.GetClrImportant(), 20u);
    ASSERT_TRUE(img.DecreaseBpp(8, false, nullptr, 100));
    EXPECT_EQ(img.GetClrImportant(), 20u);

    Raster empty;
    EXPECT_FALSE(empty.DecreaseBpp(1, false));
}

TEST(RasterDecreaseBpp, NearestColoursWithDefaultAndGivenPalettes)
{
    Raster img;
    ASSERT_TRUE(img.Create(3, 1, 24));
    img.SetPixelColor(0, 0, MakeRgb(10, 10, 10));
    img.SetPixelColor(1, 0, MakeRgb(240, 250, 230));
    img.SetPixelColor(2, 0, MakeRgb(250, 5, 5));
    Raster bw(img);
    ASSERT_TRUE(bw.DecreaseBpp(1, false));
    EXPECT_EQ(bw.GetBpp(), 1);
    EXPECT_EQ(bw.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(bw.GetPixelIndex(1, 0), 1);

    Raster std16(img);
    ASSERT_TRUE(std16.DecreaseBpp(4, false));
    EXPECT_EQ(std16.GetPixelColor(2, 0), MakeRgb(255, 0, 0));

    const RgbQuad pal[2] = {MakeRgb(255, 0, 0), MakeRgb(0, 0, 255)};
    Raster given(img);
    ASSERT_TRUE(given.DecreaseBpp(1, false, pal));
    EXPECT_EQ(given.GetPaletteColor(0), MakeRgb(255, 0, 0));
    EXPECT_EQ(given.GetPixelIndex(2, 0), 0);
}

TEST(RasterDecreaseBpp, ErrorDiffusionWorkedExample)
{
    // A 4 x 3 image reduced to black and white with weights 7, 2, 4, 1 (out
    // of 16), every share truncated toward zero and clamped; the expected
    // indices were worked out independently of this code.
    const uint8_t src[3][4][3] = {
        {{0, 30, 5}, {60, 70, 95}, {120, 110, 185}, {180, 150, 19}},
        {{25, 100, 15}, {85, 140, 105}, {145, 180, 195}, {205, 220, 29}},
        {{50, 170, 25}, {110, 210, 115}, {170, 250, 205}, {230, 34, 39}},
    };
    const int want[3][4] = {{0, 0, 1, 0}, {0, 1, 0, 1}, {0, 1, 1, 0}};
    Raster img;
    ASSERT_TRUE(img.Create(4, 3, 24));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) img.SetPixelColor(x, y, MakeRgb(src[y][x][0], src[y][x][1], src[y][x][2]));
    ASSERT_TRUE(img.DecreaseBpp(1, true));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(img.GetPixelIndex(x, y), want[y][x]) << "have/want differ at " << x << "," << y;
    EXPECT_EQ(img.GetPaletteColor(1), MakeRgb(255, 255, 255));
}

TEST(RasterDecreaseBpp, DiffusionDoesNotTouchTheSourceOnEscape)
{
    Raster img;
    ASSERT_TRUE(img.Create(40, 30, 24));
    for (uint32_t y = 0; y < 30; ++y)
        for (uint32_t x = 0; x < 40; ++x) img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 6), uint8_t(y * 8), 100));
    ASSERT_TRUE(img.AlphaCreate());
    const auto before = BlockBytes(img);
    img.SetEscape(1);
    EXPECT_FALSE(img.DecreaseBpp(1, true));
    EXPECT_FALSE(img.DecreaseBpp(8, false));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(BlockBytes(img), before);
    EXPECT_TRUE(img.AlphaIsValid());
}

TEST(RasterDecreaseBpp, KeepsAlphaAndSelection)
{
    Raster img;
    ASSERT_TRUE(img.Create(2, 2, 24));
    ASSERT_TRUE(img.AlphaCreate());
    img.AlphaSet(1, 1, 99);
    ASSERT_TRUE(img.SelectionCreate());
    img.SelectionGetPointer()[0] = 1;
    ASSERT_TRUE(img.DecreaseBpp(8, true));
    EXPECT_EQ(img.AlphaGet(1, 1), 99);
    EXPECT_TRUE(img.SelectionIsInside(0, 0));
    EXPECT_FALSE(img.SelectionIsInside(1, 0));
}

} // namespace
} // namespace vex
