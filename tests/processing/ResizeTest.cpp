#include <gtest/gtest.h>

#include "processing/ProcessingFixtures.h"

namespace vex {
namespace {

RgbQuad Grey(int v)
{
    return MakeRgb(uint8_t(v), uint8_t(v), uint8_t(v));
}

// A 24-bit image from rows of grey values, the first row at the bottom.
Raster GreyRows(const std::vector<std::vector<int>>& rows)
{
    return test::Rgb(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()),
                     [&](uint32_t x, uint32_t y) { return Grey(rows[y][x]); });
}

std::vector<std::vector<int>> RedRows(const Raster& img)
{
    std::vector<std::vector<int>> rows(img.GetHeight());
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x) rows[y].push_back(img.GetPixelColor(x, y).red);
    return rows;
}

struct ResizeCase {
    const char* what;
    std::vector<std::vector<int>> src;
    int w, h, method;
    std::vector<std::vector<int>> want;
};

TEST(Resize, SamplingAndTruncationCases)
{
    const ResizeCase cases[] = {
        // 1.5 truncates to column 1; rounding would take column 2.
        {"nearest 3->2", {{10, 20, 30}}, 2, 1, Raster::NearestPixel, {{10, 20}}},
        // 100 * 2/3 = 66.67 truncates to 66.
        {"bilinear enlarge", {{0, 100}}, 3, 1, Raster::Bilinear, {{0, 66, 100}}},
        {"bilinear enlarge rows", {{0}, {90}}, 1, 3, Raster::Bilinear, {{0}, {60}, {90}}},
        // Area average: the quadrant 1,2,2,2 averages 1.75 and gives 1.
        {"area shrink 4x4", {{1, 2, 200, 200}, {2, 2, 200, 200}, {0, 0, 9, 9}, {0, 3, 9, 9}}, 2, 2, Raster::Bilinear,
         {{1, 200}, {0, 9}}},
        // B-spline weights sum to slightly less than one in single precision.
        {"bicubic uniform", {{255, 255, 255}, {255, 255, 255}}, 5, 3, Raster::Bicubic,
         {{255, 255, 254, 255, 254}, {255, 255, 254, 254, 254}, {255, 255, 254, 255, 254}}},
        {"bicubic ramp", {{0, 60, 120, 250}}, 7, 1, Raster::Bicubic, {{1, 12, 39, 72, 112, 168, 223}}},
        {"bicubic 2x2", {{10, 200}, {90, 30}}, 3, 3, Raster::Bicubic, {{15, 60, 147}, {33, 63, 122}, {69, 70, 73}}},
        // Any other method value is bilinear.
        {"method 7", {{0, 100}}, 3, 1, 7, {{0, 66, 100}}},
    };
    for (const auto& c : cases) {
        Raster img = GreyRows(c.src);
        ASSERT_TRUE(img.Resize(c.w, c.h, c.method)) << c.what;
        EXPECT_EQ(RedRows(img), c.want) << c.what;
    }
}

TEST(Resize, AreaShrinkTruncatesItsWeights)
{
    // The fixed-accuracy weights are truncated, so a uniform image shrunk by
    // a scale that is not a whole number loses one in some pixels; whole
    // scales keep it exactly. (Byte-exact results of the integer average.)
    struct Case {
        uint32_t w, h;
        int nw, nh;
        std::vector<std::vector<int>> want;
    } cases[] = {
        {5, 5, 2, 2, {{250, 250}, {250, 250}}},
        {8, 6, 4, 3, {{250, 250, 250, 250}, {250, 250, 250, 250}, {250, 250, 250, 250}}},
        {7, 3, 3, 2, {{250, 249, 249}, {250, 249, 249}}},
        {10, 9, 3, 4, {{250, 249, 249}, {250, 249, 249}, {250, 249, 249}, {250, 249, 249}}},
        {16, 16, 5, 3, {{250, 250, 250, 250, 249}, {250, 249, 249, 249, 249}, {250, 249, 249, 249, 249}}},
    };
    for (const auto& c : cases) {
        Raster img = test::Solid(c.w, c.h, Grey(250));
        ASSERT_TRUE(img.Resize(c.nw, c.nh, Raster::Bilinear));
        EXPECT_EQ(RedRows(img), c.want) << c.w << "x" << c.h << " to " << c.nw << "x" << c.nh;
    }
}

TEST(Resize, LargeShrinkNeedsWideAccumulators)
{
    // 300 x 300 white into one pixel sums 1000 * 255 * 90000 (> 2^31).
    Raster img = test::Solid(300, 300, MakeRgb(255, 255, 255));
    ASSERT_TRUE(img.Resize(1, 1, Raster::Bilinear));
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(255, 255, 255));
}

TEST(Resize, PalettedImagesKeepThePaletteAndTakeNearestEntries)
{
    for (uint32_t bpp : {1u, 4u, 8u}) {
        for (int method : {Raster::Bilinear, Raster::NearestPixel, Raster::Bicubic}) {
            Raster img = test::Varied(bpp, 6, 5);
            const test::Look before = test::LookOf(img);
            ASSERT_TRUE(img.Resize(4, 7, method));
            EXPECT_EQ(img.GetBpp(), bpp);
            EXPECT_EQ(test::LookOf(img).palette, before.palette);
            for (uint32_t y = 0; y < 7; ++y)
                for (uint32_t x = 0; x < 4; ++x) {
                    const RgbQuad c = img.GetPixelColor(x, y);
                    EXPECT_EQ(img.GetNearestIndex(c), img.GetPixelIndex(x, y));
                }
        }
    }
}

TEST(Resize, AlphaIsSampledAtTheNearestPixelWhateverTheMethod)
{
    for (int method : {Raster::Bilinear, Raster::NearestPixel, Raster::Bicubic}) {
        Raster img = test::Varied(24, 6, 4);
        const Raster src(img);
        ASSERT_TRUE(img.Resize(4, 3, method));
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 4; ++x)
                EXPECT_EQ(img.AlphaGet(x, y), src.AlphaGet(static_cast<int64_t>(x * 1.5f), static_cast<int64_t>(y * (4.0f / 3))));
    }
}

TEST(Resize, SameSizeAndZeroSize)
{
    Raster img = test::Varied(24, 5, 4);
    test::Select(img, [](uint32_t x, uint32_t) { return x < 2; });
    const test::Look before = test::LookOf(img);
    EXPECT_FALSE(img.Resize(0, 4));
    EXPECT_FALSE(img.Resize(5, 0));
    EXPECT_TRUE(img.Resize(5, 4));
    EXPECT_TRUE(test::LookOf(img) == before);
    Raster dest;
    EXPECT_TRUE(img.Resize(5, 4, Raster::Bicubic, &dest));
    EXPECT_TRUE(test::LookOf(dest) == before);
    EXPECT_TRUE(dest.SelectionIsValid());
    EXPECT_TRUE(dest.AlphaIsValid());
}

TEST(Resize, EscapeOnEveryPathLeavesTheImage)
{
    struct Path {
        int w, h, method;
    } paths[] = {{3, 2, Raster::Bilinear}, {9, 9, Raster::Bilinear}, {9, 2, Raster::NearestPixel}, {9, 9, Raster::Bicubic}};
    for (const auto& p : paths) {
        Raster img = test::Varied(24, 6, 5);
        const test::Look before = test::LookOf(img);
        img.SetEscape(1);
        EXPECT_FALSE(img.Resize(p.w, p.h, p.method));
        EXPECT_TRUE(test::LookOf(img) == before) << p.w << "x" << p.h << " method " << p.method;
    }
}

TEST(BSplineWeight, KnownValues)
{
    EXPECT_FLOAT_EQ(Raster::BSplineWeight(0), 4.0f / 6);
    EXPECT_FLOAT_EQ(Raster::BSplineWeight(1), 1.0f / 6);
    EXPECT_FLOAT_EQ(Raster::BSplineWeight(-1), 1.0f / 6);
    EXPECT_EQ(Raster::BSplineWeight(2), 0.0f);
    EXPECT_FLOAT_EQ(Raster::BSplineWeight(0.5f), 23.0f / 48);
}

} // namespace
} // namespace vex
