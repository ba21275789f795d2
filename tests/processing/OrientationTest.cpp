#include <gtest/gtest.h>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

Raster Pattern(uint32_t bpp, uint32_t w, uint32_t h)
{
    Raster img;
    img.Create(w, h, bpp, TypeBmp);
    const uint32_t n = img.GetNumColors();
    for (uint32_t i = 0; i < n; ++i) img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 29), uint8_t(i * 7), uint8_t(i));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (n) img.SetPixelIndex(x, y, static_cast<uint8_t>((x * 5 + y * 3 + x * y) % n));
            else img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 17), uint8_t(y * 31), uint8_t(x ^ y)));
        }
    img.AlphaCreate();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.AlphaSet(x, y, static_cast<uint8_t>(x * 10 + y));
    return img;
}

struct Snapshot {
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> alpha;
    uint32_t w, h;
};

Snapshot Take(const Raster& img)
{
    Snapshot s{test::RgbPixels(img), {}, img.GetWidth(), img.GetHeight()};
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x) s.alpha.push_back(img.AlphaGet(x, y));
    return s;
}

bool operator==(const Snapshot& a, const Snapshot& b)
{
    return a.w == b.w && a.h == b.h && a.rgb == b.rgb && a.alpha == b.alpha;
}

TEST(Orientation, InversePairsGiveTheInputBackAtEveryDepth)
{
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        for (auto [w, h] : {std::pair{13u, 5u}, std::pair{1u, 9u}, std::pair{33u, 2u}}) {
            const Raster src = Pattern(bpp, w, h);
            const Snapshot start = Take(src);
            Raster img(src);
            for (int i = 0; i < 4; ++i) ASSERT_TRUE(img.RotateRight());
            EXPECT_TRUE(Take(img) == start) << "four right turns, bpp " << bpp << " " << w << "x" << h;
            ASSERT_TRUE(img.RotateLeft());
            ASSERT_TRUE(img.RotateRight());
            EXPECT_TRUE(Take(img) == start) << "left then right, bpp " << bpp;
            ASSERT_TRUE(img.Mirror());
            ASSERT_TRUE(img.Mirror());
            ASSERT_TRUE(img.Flip());
            ASSERT_TRUE(img.Flip());
            EXPECT_TRUE(Take(img) == start) << "two mirrors and two flips, bpp " << bpp;
        }
    }
}

TEST(Orientation, MappingOfEachOperation)
{
    const Raster src = Pattern(24, 3, 2);
    Raster right;
    Raster copy(src);
    ASSERT_TRUE(copy.RotateRight(&right));
    EXPECT_EQ(copy.GetWidth(), 3u); // the source stays when a destination is given
    ASSERT_EQ(right.GetWidth(), 2u);
    ASSERT_EQ(right.GetHeight(), 3u);
    // new (x', y') = source (W - 1 - y', x')
    EXPECT_EQ(right.GetPixelColor(1, 0), src.GetPixelColor(2, 1));
    EXPECT_EQ(right.AlphaGet(0, 2), src.AlphaGet(0, 0));
    Raster left(src);
    ASSERT_TRUE(left.RotateLeft());
    // new (x', y') = source (y', H - 1 - x')
    EXPECT_EQ(left.GetPixelColor(0, 2), src.GetPixelColor(2, 1));
    Raster m(src);
    ASSERT_TRUE(m.Mirror());
    EXPECT_EQ(m.GetPixelColor(0, 1), src.GetPixelColor(2, 1));
    EXPECT_EQ(m.AlphaGet(0, 1), src.AlphaGet(2, 1));
    Raster f(src);
    ASSERT_TRUE(f.Flip());
    EXPECT_EQ(f.GetPixelColor(2, 0), src.GetPixelColor(2, 1));
}

TEST(Orientation, SelectionDroppedByReversalsAndEscapeChangesNothing)
{
    Raster img = Pattern(8, 4, 4);
    ASSERT_TRUE(img.SelectionCreate());
    ASSERT_TRUE(img.Mirror());
    EXPECT_FALSE(img.SelectionIsValid());

    const Snapshot before = Take(img);
    img.SetEscape(1);
    EXPECT_FALSE(img.RotateLeft());
    EXPECT_FALSE(img.RotateRight());
    EXPECT_FALSE(img.Mirror());
    EXPECT_FALSE(img.Flip());
    EXPECT_TRUE(Take(img) == before);

    Raster empty;
    EXPECT_FALSE(empty.Flip());
}

} // namespace
} // namespace vex
