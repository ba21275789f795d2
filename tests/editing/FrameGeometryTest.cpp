#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing/EditingFixtures.h"
#include "editing/FrameImage.h"

namespace vex {
namespace {

// Pure white as a 24-bit pixel reads it back (fourth byte from the key colour, 0).
RgbQuad GetWhite24()
{
    return MakeRgb(255, 255, 255);
}

RgbQuad S(int x, int y)
{
    return MakeRgb(uint8_t(10 + x), uint8_t(20 + y), 30);
}

// A 24-bit frame whose pixel (x, y) is S(x, y), rows counted from the bottom.
CFrameImage Pattern(uint32_t w, uint32_t h)
{
    Raster img = test::Filled(w, h, MakeRgb(0, 0, 0));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelColor(x, y, S(int(x), int(y)));
    CFrameImage f;
    f.Place(img, 0, 0);
    return f;
}

// Rows of the expected result, bottom row first; "s<x><y>" is a source pixel, "F" the fill.
RgbQuad Expect(const std::string& cell, RgbQuad fill)
{
    if (cell == "F") return fill;
    return S(cell[1] - '0', cell[2] - '0');
}

TEST(Shear, WorkedCases)
{
    const RgbQuad fill = MakeRgb(0, 0, 255);
    const uint32_t fillRef = 0xFF0000; // blue as 0x00BBGGRR
    struct Case {
        uint32_t w, h;
        int32_t vertical, horizontal;
        std::vector<std::vector<std::string>> rows;
    };
    const Case cases[] = {
        {2, 2, 0, 0, {{"s00", "s10"}, {"s01", "s11"}}},
        // Horizontal: the top row moves right by one per row.
        {2, 2, 0, 2, {{"s00", "s10", "F", "F"}, {"F", "s01", "s11", "F"}}},
        {2, 1, 0, 1, {{"s00", "s10", "F"}}},
        // Vertical: positive keeps the column low, negative lifts it.
        {1, 2, 1, 0, {{"s00"}, {"s01"}, {"F"}}},
        {1, 2, -1, 0, {{"F"}, {"s00"}, {"s01"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " v" << c.vertical << " h" << c.horizontal);
        CFrameImage f = Pattern(c.w, c.h);
        ASSERT_TRUE(f.Shear(c.vertical, c.horizontal, fillRef));
        ASSERT_EQ(f.GetHeight(), c.rows.size());
        ASSERT_EQ(f.GetWidth(), c.rows[0].size());
        for (size_t y = 0; y < c.rows.size(); ++y)
            for (size_t x = 0; x < c.rows[y].size(); ++x)
                EXPECT_TRUE(test::SameRgb(f.GetPixelColor(int64_t(x), int64_t(y)), Expect(c.rows[y][x], fill)))
                    << "at " << x << "," << y;
    }
    EXPECT_FALSE(CFrameImage().Shear(1, 1, 0));
}

TEST(Shear, CarriesAlphaWithThePixelsAndTheFillIsOpaque)
{
    // Shearing used to drop the alpha plane, turning cursors opaque.
    CFrameImage f = Pattern(2, 1);
    ASSERT_TRUE(f.AlphaCreate());
    f.AlphaSet(0, 0, 10);
    f.AlphaSet(1, 0, 20);
    ASSERT_TRUE(f.Shear(0, 1, 0));
    ASSERT_TRUE(f.AlphaIsValid());
    EXPECT_EQ(f.AlphaGet(0, 0), 10);
    EXPECT_EQ(f.AlphaGet(1, 0), 20);
    EXPECT_EQ(f.AlphaGet(2, 0), 255);
}

TEST(AddBorder, MarginsLandAroundTheImage)
{
    CFrameImage f = Pattern(2, 2);
    ASSERT_TRUE(f.AddBorder(1, 2, 0, 1, 0xFF0000));
    ASSERT_EQ(f.GetWidth(), 5u);
    ASSERT_EQ(f.GetHeight(), 3u);
    EXPECT_EQ(f.GetBpp(), 24);
    for (int x = 0; x < 5; ++x) {
        for (int y = 0; y < 3; ++y) {
            const bool inside = x >= 2 && x < 4 && y < 2;
            const RgbQuad want = inside ? S(x - 2, y) : MakeRgb(0, 0, 255);
            EXPECT_TRUE(test::SameRgb(f.GetPixelColor(x, y), want)) << x << "," << y;
        }
    }
    EXPECT_FALSE(CFrameImage().AddBorder(1, 1, 1, 1, 0));
}

TEST(AddBorder, PalettedImageKeepsOpaqueBlackAndMovesTheKey)
{
    // A keyed 4-bit image: index 0 (white) is transparent, index 1 is an
    // opaque black. Keying on the rebuilt image's stale colour turned the
    // black into border colour and left the key on an unrelated entry.
    Raster src;
    ASSERT_NE(src.Create(2, 1, 4, 0), nullptr);
    std::vector<RgbQuad> pal(16, MakeRgb(128, 128, 128));
    pal[0] = MakeRgb(255, 255, 255);
    pal[1] = MakeRgb(0, 0, 0);
    src.SetPalette(pal.data(), 16);
    src.SetPixelIndex(0, 0, 0);
    src.SetPixelIndex(1, 0, 1);
    src.SetTransIndex(0);
    CFrameImage f;
    f.Place(src, 0, 0);

    ASSERT_TRUE(f.AddBorder(1, 1, 1, 1, 0x00FF00));
    ASSERT_EQ(f.GetWidth(), 4u);
    ASSERT_EQ(f.GetHeight(), 3u);
    EXPECT_EQ(f.GetBpp(), 4);
    const RgbQuad border = f.GetPixelColor(0, 0);
    EXPECT_TRUE(test::SameRgb(border, MakeRgb(0, 255, 0)));
    EXPECT_TRUE(test::SameRgb(f.GetPixelColor(1, 1), border)) << "transparent pixel keeps the fill";
    EXPECT_TRUE(test::SameRgb(f.GetPixelColor(2, 1), MakeRgb(0, 0, 0))) << "opaque black stays black";
    ASSERT_NE(f.GetTransIndex(), -1);
    EXPECT_TRUE(test::SameRgb(f.GetTransColor(), MakeRgb(255, 255, 255))) << "key follows its colour";
}

TEST(AddBorder, EightBitComesBackEightBit)
{
    CFrameImage f;
    f.Place(test::Filled(2, 2, MakeRgb(255, 0, 0), 8), 0, 0);
    ASSERT_TRUE(f.AddBorder(1, 1, 1, 1, 0x000000));
    EXPECT_EQ(f.GetBpp(), 8);
    EXPECT_EQ(f.GetWidth(), 4u);
    EXPECT_TRUE(test::SameRgb(f.GetPixelColor(1, 1), MakeRgb(255, 0, 0)));
    EXPECT_TRUE(test::SameRgb(f.GetPixelColor(0, 0), MakeRgb(0, 0, 0)));
}

} // namespace
} // namespace vex

namespace vex {
namespace {

// Rows of a 24-bit frame, bottom row first: '.' white, '#' black.
CFrameImage FromRows(const std::vector<std::string>& rows)
{
    Raster img = test::Filled(uint32_t(rows[0].size()), uint32_t(rows.size()), MakeRgb(255, 255, 255));
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == '#') img.SetPixelColor(int64_t(x), int64_t(y), MakeRgb(0, 0, 0));
    CFrameImage f;
    f.Place(img, 0, 0);
    return f;
}

std::vector<std::string> ToRows(const CFrameImage& f)
{
    std::vector<std::string> rows;
    for (uint32_t y = 0; y < f.GetHeight(); ++y) {
        std::string row;
        for (uint32_t x = 0; x < f.GetWidth(); ++x) {
            const RgbQuad c = f.GetPixelColor(x, y);
            row += test::SameRgb(c, MakeRgb(255, 0, 0)) ? 'R' : test::SameRgb(c, MakeRgb(0, 0, 0)) ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(FloodFill, FillsTheConnectedRegionUpToTheWalls)
{
    const RgbQuad white = GetWhite24();
    struct Case {
        std::vector<std::string> in;
        int64_t x, y;
        std::vector<std::string> out;
    };
    const Case cases[] = {
        // A one-pixel image is filled (the walk used to stop before its first pixel).
        {{"."}, 0, 0, {"R"}},
        // The last pixel of the region is filled too.
        {{"..", ".."}, 1, 1, {"RR", "RR"}},
        {{"..#..", "..#..", "###.."}, 0, 0, {"RR#..", "RR#..", "###.."}},
        {{"..#..", "..#..", "###.."}, 4, 2, {"..#RR", "..#RR", "###RR"}},
        // Diagonal neighbours do not connect.
        {{".#", "#."}, 0, 0, {"R#", "#."}},
    };
    for (const Case& c : cases) {
        CFrameImage f = FromRows(c.in);
        f.FloodFill(c.x, c.y, MakeRgb(255, 0, 0), white);
        EXPECT_EQ(ToRows(f), c.out) << c.in[0];
    }
}

TEST(FloodFill, SameColourOrOutsideChangesNothing)
{
    CFrameImage f = FromRows({"..", ".#"});
    f.FloodFill(0, 0, GetWhite24(), GetWhite24());
    EXPECT_EQ(ToRows(f), (std::vector<std::string>{"..", ".#"}));
    f.FloodFill(5, 0, MakeRgb(255, 0, 0), GetWhite24());
    f.FloodFill(-1, 0, MakeRgb(255, 0, 0), GetWhite24());
    EXPECT_EQ(ToRows(f), (std::vector<std::string>{"..", ".#"}));
    CFrameImage empty;
    empty.FloodFill(0, 0, MakeRgb(255, 0, 0), GetWhite24()); // no pixels: nothing happens
    EXPECT_FALSE(empty.IsValid());
}

} // namespace
} // namespace vex
