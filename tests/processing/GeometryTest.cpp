#include <gtest/gtest.h>

#include "processing/ProcessingFixtures.h"

namespace vex {
namespace {

RgbQuad C(int v)
{
    return MakeRgb(uint8_t(v), uint8_t(v * 3), uint8_t(v * 7));
}

TEST(Rotate, QuarterTurnGrowsByTwoAndHoldsTheRightTurnInside)
{
    // Rotate(90) is not a permutation: it makes (H + 2) x (W + 2), its
    // columns 1..H hold the exact right turn, column 0 repeats column 1
    // (truncation of -0.5 gives 0, not -1) and the top rows repeat too.
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        const Raster src = test::Varied(bpp, 5, 3);
        Raster turned(src), right(src);
        ASSERT_TRUE(turned.Rotate(90));
        ASSERT_TRUE(right.RotateRight());
        ASSERT_EQ(turned.GetWidth(), 3u + 2);
        ASSERT_EQ(turned.GetHeight(), 5u + 2);
        EXPECT_EQ(turned.GetBpp(), bpp);
        for (uint32_t y = 0; y < 5; ++y) {
            for (uint32_t x = 0; x < 3; ++x) {
                EXPECT_EQ(turned.GetPixelColor(x + 1, y), right.GetPixelColor(x, y)) << bpp << " bpp at " << x << "," << y;
                EXPECT_EQ(turned.AlphaGet(x + 1, y), right.AlphaGet(x, y));
            }
            EXPECT_EQ(turned.GetPixelColor(0, y), turned.GetPixelColor(1, y)) << "edge column repeated";
        }
    }
}

TEST(Rotate, UncoveredCornersTakeTheKeyColourAndZeroAlpha)
{
    Raster img = test::Solid(6, 6, MakeRgb(10, 200, 30));
    img.AlphaCreate();
    img.AlphaSet(uint8_t{255});
    img.SetTransIndex(0);
    img.SetTransColor(MakeRgb(1, 2, 3));
    ASSERT_TRUE(img.Rotate(45));
    EXPECT_GT(img.GetWidth(), 6u);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(1, 2, 3, 0)) << "corner outside the turned square";
    EXPECT_EQ(img.AlphaGet(0, 0), 0);
    const uint32_t cx = img.GetWidth() / 2, cy = img.GetHeight() / 2;
    EXPECT_EQ(img.GetPixelColor(cx, cy), MakeRgb(10, 200, 30, 255));
}

TEST(Rotate, WithoutKeyUncoveredPixelsTakeTheBottomLeftColour)
{
    Raster img = test::Rgb(6, 6, [](uint32_t x, uint32_t y) { return x == 0 && y == 0 ? C(9) : C(20); });
    ASSERT_TRUE(img.Rotate(30));
    EXPECT_EQ(img.GetPixelColor(0, 0), C(9));
    EXPECT_EQ(img.GetPixelColor(img.GetWidth() - 1, img.GetHeight() - 1), C(9));
}

TEST(Rotate, DestinationTakesTheResultAndTheSourceStays)
{
    Raster img = test::Varied(24, 7, 4);
    const test::Look before = test::LookOf(img);
    Raster dest;
    ASSERT_TRUE(img.Rotate(180, &dest));
    EXPECT_TRUE(test::LookOf(img) == before);
    EXPECT_EQ(dest.GetWidth(), 9u);
    // sin(pi) is not exactly 0: the mapped corner (W, 0) floors to row -1.
    EXPECT_EQ(dest.GetHeight(), 7u);
    Raster none;
    EXPECT_FALSE(none.Rotate(10));
}

TEST(Crop, RectanglesCountFromTheTopAndAreOrderedAndClamped)
{
    // 4 x 3, colour encodes (x, y) with y counted from the bottom.
    const Raster src = test::Rgb(4, 3, [](uint32_t x, uint32_t y) { return C(int(10 * y + x)); });
    struct Case {
        int l, t, r, b;
        uint32_t w, h, x0, y0; // result size and source origin (bottom-left)
    } cases[] = {
        {1, 0, 3, 1, 2, 1, 1, 2},   // top row
        {3, 1, 1, 0, 2, 1, 1, 2},   // reversed gives the same rectangle
        {-5, -5, 99, 99, 4, 3, 0, 0}, // clamped to the image
        {0, 2, 2, 3, 2, 1, 0, 0},   // bottom row
    };
    for (const auto& c : cases) {
        Raster img(src);
        ASSERT_TRUE(img.Crop(c.l, c.t, c.r, c.b)) << c.l << "," << c.t << "," << c.r << "," << c.b;
        ASSERT_EQ(img.GetWidth(), c.w);
        ASSERT_EQ(img.GetHeight(), c.h);
        for (uint32_t y = 0; y < c.h; ++y)
            for (uint32_t x = 0; x < c.w; ++x)
                EXPECT_EQ(img.GetPixelColor(x, y), src.GetPixelColor(c.x0 + x, c.y0 + y));
    }
    Raster img(src);
    EXPECT_FALSE(img.Crop(2, 0, 2, 3)) << "empty width";
    EXPECT_FALSE(img.Crop(0, 1, 4, 1)) << "empty height";
    EXPECT_EQ(img.GetWidth(), 4u);
}

TEST(Crop, EveryDepthKeepsPaletteAlphaAndKeyButDropsSelection)
{
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        Raster img = test::Varied(bpp, 13, 5);
        img.SetTransIndex(1);
        test::Select(img, [](uint32_t x, uint32_t) { return x < 3; });
        const Raster src(img);
        ASSERT_TRUE(img.Crop(3, 1, 12, 4));
        ASSERT_EQ(img.GetWidth(), 9u);
        ASSERT_EQ(img.GetHeight(), 3u);
        EXPECT_EQ(img.GetNumColors(), src.GetNumColors());
        EXPECT_EQ(img.GetTransIndex(), 1);
        EXPECT_FALSE(img.SelectionIsValid());
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 9; ++x) {
                EXPECT_EQ(img.GetPixelIndex(x, y), src.GetPixelIndex(x + 3, y + 1)) << bpp;
                EXPECT_EQ(img.GetPixelColor(x, y), src.GetPixelColor(x + 3, y + 1)) << bpp;
            }
    }
}

TEST(ExpandCanvas, CentresWithTheOddExtraRowOnTopAndColumnRight)
{
    Raster img = test::Rgb(2, 1, [](uint32_t x, uint32_t) { return C(int(x + 1)); });
    img.AlphaCreate();
    img.AlphaSet(uint8_t{200});
    const RgbQuad fill = MakeRgb(250, 0, 5);
    ASSERT_TRUE(img.ExpandCanvas(5, 4, fill, 17, 0));
    ASSERT_EQ(img.GetWidth(), 5u);
    ASSERT_EQ(img.GetHeight(), 4u);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 5; ++x) {
            const bool inside = y == 1 && (x == 1 || x == 2);
            EXPECT_EQ(img.GetPixelColor(x, y), inside ? MakeRgb(C(int(x)).red, C(int(x)).green, C(int(x)).blue, 200)
                                                      : MakeRgb(250, 0, 5, 17))
                << x << "," << y;
        }
    EXPECT_TRUE(img.ExpandCanvas(5, 4, fill, 0, 0)) << "same size: nothing to do";
    EXPECT_FALSE(img.ExpandCanvas(4, 9, fill, 0, 0)) << "narrower";
    EXPECT_EQ(img.GetWidth(), 5u);
}

TEST(ExpandCanvas, PalettedImagesFillWithTheIndex)
{
    for (uint32_t bpp : {1u, 4u, 8u}) {
        Raster img = test::Varied(bpp, 3, 3, false);
        const Raster src(img);
        ASSERT_TRUE(img.ExpandCanvas(6, 4, MakeRgb(1, 2, 3), 0, 1));
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 6; ++x) {
                const bool inside = x >= 1 && x < 4 && y < 3;
                EXPECT_EQ(img.GetPixelIndex(x, y), inside ? src.GetPixelIndex(x - 1, y) : 1) << bpp;
            }
    }
}

TEST(Mix, SourcePixelsOverwriteExceptTransparentOnesAndKeyMatches)
{
    Raster base = test::Solid(4, 2, C(1));
    base.SetTransIndex(0);
    base.SetTransColor(C(30));
    Raster top = test::Rgb(5, 2, [](uint32_t x, uint32_t) { return x == 1 ? C(30) : C(int(x + 2)); });
    top.SetTransIndex(0);
    top.SetTransColor(C(4)); // x == 2 is transparent in the source
    ASSERT_TRUE(base.Mix(top, 1, 0));
    // column x reads source x + 1: 2 equals base's key, 3 is transparent.
    const RgbQuad want[4] = {C(1), C(1), C(5), C(6)};
    for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(base.GetPixelColor(x, 0), want[x]) << x;
}

TEST(Mix, SelectionOfBothImagesIsHonoured)
{
    Raster base = test::Solid(4, 1, C(1));
    test::Select(base, [](uint32_t x, uint32_t) { return x != 0; });
    Raster top = test::Solid(4, 1, C(9));
    test::Select(top, [](uint32_t x, uint32_t) { return x != 3; });
    ASSERT_TRUE(base.Mix(top, 0, 0));
    const RgbQuad want[4] = {C(1), C(9), C(9), C(1)};
    for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(base.GetPixelColor(x, 0), want[x]) << x;
}

} // namespace
} // namespace vex
