#include <gtest/gtest.h>

#include <vector>

#include "editing/DrawTestHelpers.h"
#include "editing/TemplateRender.h"

namespace vex {
namespace {

using namespace test;

std::string Show(const std::vector<DrawPoint>& pts)
{
    std::string s;
    for (const DrawPoint& p : pts) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return s;
}

// Layer (10, 10, 50, 30): half sizes 20 and 10, quarters 10 and 5; pen 1.
constexpr RasterRect kLayer{10, 10, 50, 30};

TEST(ArrowGeometry, EveryStyleFromEveryDirection)
{
    struct Case {
        DrawPoint anchor;
        int32_t style;
        std::vector<DrawPoint> want;
    };
    const Case cases[] = {
        // Line styles: border point facing the anchor, then the anchor.
        {{0, 20}, 0x02, {{11, 20}, {0, 20}}},
        {{70, 20}, 0x02, {{49, 20}, {70, 20}}},
        {{30, 0}, 0x02, {{30, 11}, {30, 0}}},
        {{30, 40}, 0x02, {{30, 29}, {30, 40}}},
        {{70, 0}, 0x02, {{49, 11}, {70, 0}}},
        {{0, 40}, 0x02, {{11, 29}, {0, 40}}},
        {{70, 20}, 0x08, {{49, 20}, {70, 20}}},
        {{70, 20}, 0x20, {{49, 20}, {70, 20}}},
        {{70, 20}, 0x03, {{49, 20}, {70, 20}}}, // hidden bit does not change the points
        // Unknown styles draw like 0x02.
        {{70, 20}, 0x00, {{49, 20}, {70, 20}}},
        {{70, 20}, 0x80, {{49, 20}, {70, 20}}},
        // Head at the layer: the points exchanged.
        {{70, 20}, 0x04, {{70, 20}, {49, 20}}},
        {{30, 0}, 0x05, {{30, 0}, {30, 11}}},
        // Wedges along the facing side.
        {{0, 20}, 0x10, {{11, 25}, {0, 20}, {11, 15}}},
        {{70, 20}, 0x10, {{49, 25}, {70, 20}, {49, 15}}},
        {{30, 0}, 0x10, {{40, 11}, {30, 0}, {20, 11}}},
        {{30, 40}, 0x10, {{40, 29}, {30, 40}, {20, 29}}},
        // Diagonal wedges span the corner.
        {{70, 0}, 0x10, {{50, 15}, {70, 0}, {40, 10}}},
        {{70, 40}, 0x10, {{50, 25}, {70, 40}, {40, 30}}},
        {{0, 40}, 0x10, {{10, 25}, {0, 40}, {20, 30}}},
        {{0, 0}, 0x10, {{10, 15}, {0, 0}, {20, 10}}},
        // Thought bubbles: 20, 40 and 60 wide, 6 high, growing toward the layer.
        {{70, 20}, 0x40, {{60, 17}, {80, 23}, {41, 17}, {81, 23}, {24, 17}, {84, 23}}},
        // Truncation toward zero after the float sums: -7.6 - 20 gives -27.
        {{-20, 20}, 0x40, {{-30, 17}, {-10, 23}, {-27, 17}, {12, 23}, {-26, 17}, {33, 23}}},
    };
    for (const Case& c : cases) {
        const auto have = ArrowGeometry(kLayer, c.anchor, 1, c.style);
        ASSERT_TRUE(have.has_value()) << "anchor " << c.anchor.x << "," << c.anchor.y << " style " << c.style;
        EXPECT_EQ(*have, c.want) << "anchor " << c.anchor.x << "," << c.anchor.y << " style " << c.style << ": have "
                                 << Show(*have) << " want " << Show(c.want);
    }
}

TEST(ArrowGeometry, ThePenMovesTheBorderPointInward)
{
    const auto have = ArrowGeometry(kLayer, {70, 0}, 4, 0x02);
    ASSERT_TRUE(have.has_value());
    EXPECT_EQ(have->front(), (DrawPoint{46, 14}));
}

TEST(ArrowGeometry, AnAnchorInsideTheLayerGivesNoArrow)
{
    for (DrawPoint anchor : {DrawPoint{30, 20}, DrawPoint{10, 10}, DrawPoint{50, 30}, DrawPoint{10, 25}})
        for (int32_t style : {0x00, 0x02, 0x03, 0x04, 0x08, 0x10, 0x20, 0x40, 0xFF})
            EXPECT_FALSE(ArrowGeometry(kLayer, anchor, 1, style).has_value())
                << "anchor " << anchor.x << "," << anchor.y << " style " << style;
}

TEST(ArrowGeometry, CoordinatesOutOfRangeGiveNoArrow)
{
    EXPECT_FALSE(ArrowGeometry(kLayer, {INT32_MAX, 0}, 1, 0x02).has_value());
    EXPECT_FALSE(ArrowGeometry(RasterRect{INT32_MIN, 0, 10, 10}, {100, 0}, 1, 0x10).has_value());
}

// The pictures of the arrow-style list: 110 x 50, layer (0, 0, 10, 50),
// anchor (100, 25), black, head 10 wide at 0.3, filled in 0x80FFFF.
constexpr uint32_t kArrowFill = 0x80FFFF;

CFrameImage StylePicture(int32_t style, bool* drawn)
{
    CFrameImage f = Blank(110, 50);
    *drawn = DrawLayerArrow(f, RasterRect{0, 0, 10, 50}, {100, 25}, ArrowParams{10, 0.3f, true, 1, kArrowFill, kBlackRef, style});
    return f;
}

TEST(DrawLayerArrow, EachStyleOfTheList)
{
    struct Case {
        int32_t style;
        std::vector<DrawPoint> black; // pixels in the line colour
        std::vector<DrawPoint> fill;  // pixels in the fill colour
        std::vector<DrawPoint> white; // untouched
    };
    const Case cases[] = {
        // Head at the anchor: base 100 - 32.3, wings 5 either side.
        {0x02, {{9, 25}, {100, 25}, {67, 20}, {67, 30}}, {{80, 24}}, {{41, 20}, {5, 5}}},
        // Head at the layer: base 9 + 32.3.
        {0x04, {{9, 25}, {100, 25}, {41, 20}, {41, 30}}, {{30, 24}}, {{67, 20}, {5, 5}}},
        // Both heads: the second from the first one's base back to the layer.
        {0x20, {{9, 25}, {100, 25}, {67, 20}, {67, 30}, {41, 20}, {41, 30}}, {{80, 24}, {30, 24}}, {{5, 5}}},
        // Wedge from (9, 37) and (9, 13) to the anchor, filled.
        {0x10, {{9, 37}, {9, 13}, {100, 25}}, {{30, 25}, {60, 25}}, {{9, 40}, {9, 10}}},
        // Bubbles: anchor box (90, 22, 110, 28), then 43..83 and 1..61, each
        // drawn over the one before.
        {0x40, {{90, 24}, {82, 24}, {1, 24}}, {{100, 25}, {70, 25}, {31, 25}}, {{100, 20}, {86, 25}, {5, 5}}},
    };
    for (const Case& c : cases) {
        bool drawn = false;
        const CFrameImage f = StylePicture(c.style, &drawn);
        const std::string pic = Picture(f, kBlackRef, kArrowFill);
        EXPECT_TRUE(drawn) << c.style;
        for (DrawPoint p : c.black) EXPECT_TRUE(Is(f, p.x, p.y, kBlackRef)) << c.style << " at " << p.x << "," << p.y << "\n" << pic;
        for (DrawPoint p : c.fill) EXPECT_TRUE(Is(f, p.x, p.y, kArrowFill)) << c.style << " at " << p.x << "," << p.y << "\n" << pic;
        for (DrawPoint p : c.white) EXPECT_TRUE(Is(f, p.x, p.y, kWhiteRef)) << c.style << " at " << p.x << "," << p.y << "\n" << pic;
    }
}

TEST(DrawLayerArrow, HiddenOrInsideArrowsDrawNothing)
{
    for (int32_t style : {0x03, 0x11, 0x41}) {
        bool drawn = true;
        const CFrameImage f = StylePicture(style, &drawn);
        EXPECT_FALSE(drawn) << style;
        EXPECT_EQ(CountColour(f, kWhiteRef), 110 * 50) << style;
    }
    CFrameImage f = Blank(60, 60);
    EXPECT_FALSE(DrawLayerArrow(f, RasterRect{0, 0, 50, 50}, {25, 25}, ArrowParams{10, 0.3f, true, 1, 0, 0, 0x02}));
    EXPECT_EQ(CountColour(f, kWhiteRef), 60 * 60);
    CFrameImage empty;
    EXPECT_FALSE(DrawLayerArrow(empty, RasterRect{0, 0, 10, 10}, {50, 5}, ArrowParams{}));
}

TEST(DrawLayerArrow, ALibraryArrowWithZeroAngleDrawsOnlyItsLine)
{
    // Keys missing from a library entry read as 0.
    CFrameImage f = Blank(110, 50);
    ASSERT_TRUE(DrawLayerArrow(f, RasterRect{0, 0, 10, 50}, {100, 25}, ArrowParams{0, 0.0f, true, 0, kArrowFill, kBlackRef, 0x20}));
    EXPECT_TRUE(Is(f, 50, 25, kBlackRef));
    EXPECT_EQ(CountColour(f, kArrowFill), 0);
    EXPECT_EQ(CountColour(f, kBlackRef) + CountColour(f, kWhiteRef), 110 * 50);
}

} // namespace
} // namespace vex
