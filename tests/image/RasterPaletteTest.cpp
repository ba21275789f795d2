#include <set>

#include <gtest/gtest.h>

#include "image/Raster.h"

namespace vex {
namespace {

TEST(RasterPalette, NearestIndexTiesCacheAndInvalidation)
{
    Raster img;
    ASSERT_TRUE(img.Create(1, 1, 4));
    // Entries 2 and 3 are equally far from (10, 0, 0); the lower one wins.
    img.SetPaletteColor(0, 255, 255, 255);
    img.SetPaletteColor(2, 0, 0, 0);
    img.SetPaletteColor(3, 20, 0, 0);
    for (int i = 4; i < 16; ++i) img.SetPaletteColor(static_cast<uint8_t>(i), 255, 255, 255);
    img.SetPaletteColor(1, 255, 255, 255);
    EXPECT_EQ(img.GetNearestIndex(MakeRgb(10, 0, 0)), 2);

    // A write behind the image's back is not seen: the answer comes from the cache.
    img.GetPalette()[3] = MakeRgb(10, 0, 0);
    EXPECT_EQ(img.GetNearestIndex(MakeRgb(10, 0, 0)), 2);
    // A palette change through the image forces a new search.
    img.SetPaletteColor(5, 10, 0, 0);
    EXPECT_EQ(img.GetNearestIndex(MakeRgb(10, 0, 0)), 3);

    // Only the important colours are searched.
    img.SetClrImportant(2);
    EXPECT_EQ(img.GetNearestIndex(MakeRgb(10, 0, 0)), 0);

    Raster rgb;
    ASSERT_TRUE(rgb.Create(1, 1, 24));
    EXPECT_EQ(rgb.GetNearestIndex(MakeRgb(1, 2, 3)), 0);
}

TEST(RasterPalette, GreyPalettesAndGreyTest)
{
    struct Case {
        uint32_t bpp;
        std::vector<uint8_t> want; // first, second and last entries
    } cases[] = {{1, {0, 255, 255}}, {4, {0, 17, 255}}, {8, {0, 1, 255}}};
    for (const auto& c : cases) {
        Raster img;
        ASSERT_TRUE(img.Create(2, 2, c.bpp));
        img.SetGrayPalette();
        const uint32_t n = img.GetNumColors();
        EXPECT_EQ(img.GetPaletteColor(0).red, c.want[0]);
        EXPECT_EQ(img.GetPaletteColor(1).green, c.want[1]);
        EXPECT_EQ(img.GetPaletteColor(static_cast<uint8_t>(n - 1)).blue, c.want[2]) << "bpp " << c.bpp;
    }
    Raster bw;
    ASSERT_TRUE(bw.Create(2, 2, 1));
    bw.SetGrayPalette();
    EXPECT_FALSE(bw.IsGrayScale()); // entry 1 is white, not (1, 1, 1)
    Raster ramp;
    ASSERT_TRUE(ramp.Create(2, 2, 8));
    ramp.SetGrayPalette();
    EXPECT_TRUE(ramp.IsGrayScale());
    ramp.SetPaletteColor(9, 9, 9, 8);
    EXPECT_FALSE(ramp.IsGrayScale());
    Raster rgb;
    ASSERT_TRUE(rgb.Create(2, 2, 24));
    EXPECT_FALSE(rgb.IsGrayScale());
}

TEST(RasterPalette, StandardPalettes)
{
    Raster four;
    ASSERT_TRUE(four.Create(1, 1, 4));
    four.SetStdPalette();
    EXPECT_EQ(four.GetPaletteColor(7), MakeRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(four.GetPaletteColor(8), MakeRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(four.GetPaletteColor(15), MakeRgb(0xFF, 0xFF, 0xFF));

    Raster eight;
    ASSERT_TRUE(eight.Create(1, 1, 8));
    eight.SetStdPalette();
    struct Entry {
        int index;
        uint32_t rgb;
    } spots[] = {{1, 0x800000},   {8, 0xC0DCC0},   {9, 0xA6CAF0},   {40, 0xFE0000},  {112, 0x0000FE},
                 {184, 0x00FE00}, {225, 0x505000}, {226, 0xF2F2F2}, {245, 0x0E0E0E}, {246, 0xFFFBF0},
                 {247, 0xA0A0A4}, {249, 0xFF0000}, {255, 0xFFFFFF}};
    for (const auto& s : spots)
        EXPECT_EQ(eight.GetPaletteColor(static_cast<uint8_t>(s.index)),
                  MakeRgb(uint8_t(s.rgb >> 16), uint8_t(s.rgb >> 8), uint8_t(s.rgb)))
            << "entry " << s.index;
    // The greys 226..245 step down by 12.
    for (int i = 226; i <= 245; ++i) EXPECT_EQ(eight.GetPaletteColor(static_cast<uint8_t>(i)).red, 0xF2 - 12 * (i - 226));
    std::set<uint32_t> distinct;
    for (int i = 10; i <= 225; ++i) {
        RgbQuad c = eight.GetPaletteColor(static_cast<uint8_t>(i));
        distinct.insert(c.red << 16 | c.green << 8 | c.blue);
    }
    EXPECT_EQ(distinct.size(), 216u);

    Raster rgb;
    ASSERT_TRUE(rgb.Create(1, 1, 24));
    rgb.SetStdPalette(); // nothing to do, nothing breaks
    EXPECT_EQ(rgb.GetPalette(), nullptr);
}

TEST(RasterPalette, BulkSettersStayInsideThePalette)
{
    Raster img;
    ASSERT_TRUE(img.Create(8, 1, 1));
    img.GetBits()[0] = 0xAA;
    std::vector<uint8_t> triplets(300 * 3, 0x55);
    triplets[0] = 1, triplets[1] = 2, triplets[2] = 3;
    img.SetPaletteRgbTriplets(300, triplets.data());
    EXPECT_EQ(img.GetPaletteColor(0), MakeRgb(1, 2, 3));
    EXPECT_EQ(img.GetBits()[0], 0xAA) << "palette writes ran into the pixel rows";

    std::vector<uint8_t> red(300, 7);
    img.SetPalette(300, red.data());
    EXPECT_EQ(img.GetPaletteColor(1), MakeRgb(7, 7, 7));
    EXPECT_EQ(img.GetBits()[0], 0xAA);

    std::vector<RgbQuad> quads(300, MakeRgb(9, 9, 9, 9));
    img.SetPalette(quads.data(), 300);
    EXPECT_EQ(img.GetPaletteColor(1), MakeRgb(9, 9, 9, 9));
    EXPECT_EQ(img.GetBits()[0], 0xAA);

    // Separate arrays: a missing green repeats red, a missing blue repeats green.
    const uint8_t r[2] = {10, 20}, g[2] = {30, 40};
    img.SetPalette(2, r, g);
    EXPECT_EQ(img.GetPaletteColor(1), MakeRgb(20, 40, 40));

    img.SetPaletteColor(5, 1, 1, 1); // index past the palette: ignored
    EXPECT_EQ(img.GetPaletteColor(5), RgbQuad{});
    uint8_t rr = 0, gg = 0, bb = 0;
    EXPECT_TRUE(img.GetPaletteColor(1, &rr, &gg, &bb));
    EXPECT_EQ(rr, 20);
}

TEST(RasterPalette, SwapIndexSwapsEntriesAndPixelsWithinRange)
{
    Raster img;
    ASSERT_TRUE(img.Create(3, 1, 4));
    img.SetPaletteColor(1, 10, 10, 10);
    img.SetPaletteColor(2, 20, 20, 20);
    img.SetPixelIndex(0, 0, 1);
    img.SetPixelIndex(1, 0, 2);
    img.SetPixelIndex(2, 0, 3);
    img.SwapIndex(1, 2);
    EXPECT_EQ(img.GetPaletteColor(1), MakeRgb(20, 20, 20));
    EXPECT_EQ(img.GetPixelIndex(0, 0), 2);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 3);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(10, 10, 10));

    img.SwapIndex(1, 200); // outside a 16-entry palette: nothing happens
    EXPECT_EQ(img.GetPaletteColor(1), MakeRgb(20, 20, 20));
    EXPECT_EQ(img.GetPixelIndex(1, 0), 1);
}

TEST(RasterPalette, ClrImportantRules)
{
    struct Case {
        uint32_t bpp, n, want;
    } cases[] = {{1, 5, 2}, {1, 1, 1}, {4, 40, 16}, {4, 3, 3}, {8, 200, 200}, {8, 0, 0}, {8, 257, 0}};
    for (const auto& c : cases) {
        Raster img;
        ASSERT_TRUE(img.Create(1, 1, c.bpp));
        img.SetClrImportant(7);
        img.SetClrImportant(c.n);
        EXPECT_EQ(img.GetClrImportant(), c.want) << "bpp " << c.bpp << " n " << c.n;
    }
    Raster rgb;
    ASSERT_TRUE(rgb.Create(1, 1, 24));
    rgb.SetClrImportant(5);
    EXPECT_EQ(rgb.GetClrImportant(), 0u);
}

TEST(RasterPalette, RedBlueSwaps)
{
    EXPECT_EQ(Raster::RBSwap(0x11223344u), 0x11443322u);
    Raster rgb;
    ASSERT_TRUE(rgb.Create(2, 1, 24)); // stride 8
    uint8_t buf[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    rgb.RBSwap(buf, 9);
    const uint8_t want[9] = {3, 2, 1, 6, 5, 4, 7, 8, 9}; // only the first stride bytes
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 9), std::vector<uint8_t>(want, want + 9));
    Raster pal;
    ASSERT_TRUE(pal.Create(2, 1, 8));
    pal.RBSwap(buf, 9);
    EXPECT_EQ(buf[0], 3);
}

} // namespace
} // namespace vex

#include "image/NearestIndex.h"

namespace vex {
namespace {

TEST(NearestIndexSearch, AgreesWithTheImageSearchIncludingTies)
{
    // Palettes with repeated entries and clustered greens, so ties and the
    // pruning bound are both exercised; a fixed generator keeps it repeatable.
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<uint8_t>(state >> 16);
    };
    for (uint32_t important : {0u, 1u, 17u, 256u}) {
        Raster img;
        ASSERT_TRUE(img.Create(1, 1, 8));
        for (int i = 0; i < 256; ++i) {
            const uint8_t g = static_cast<uint8_t>(next() & 0xF0);
            img.SetPaletteColor(static_cast<uint8_t>(i), next(), g, next());
        }
        for (int i = 0; i < 40; ++i) img.SetPaletteColor(static_cast<uint8_t>(200 + i % 50), img.GetPaletteColor(static_cast<uint8_t>(i)));
        img.SetClrImportant(important);
        const uint32_t n = img.GetClrImportant() ? img.GetClrImportant() : img.GetNumColors();
        NearestIndex fast(img.GetPalette(), n);
        for (int k = 0; k < 20000; ++k) {
            const RgbQuad c = MakeRgb(next(), next(), next());
            ASSERT_EQ(fast.Find(c), img.GetNearestIndex(c)) << "colour " << int(c.red) << "," << int(c.green) << ","
                                                            << int(c.blue) << " important " << important;
        }
    }
}

} // namespace
} // namespace vex
