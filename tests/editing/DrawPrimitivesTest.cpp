#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "editing/DrawTestHelpers.h"
#include "editing/EditableImage.h"

namespace vex {
namespace {

using namespace test;

std::string Show(const std::vector<DrawPoint>& pts)
{
    std::string s;
    for (const DrawPoint& p : pts) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return s;
}

TEST(DrawGeometry, RectanglePointsLeaveThePenInside)
{
    struct Case {
        int32_t x1, y1, x2, y2, pen;
        std::vector<DrawPoint> want;
    };
    const Case cases[] = {
        {0, 0, 10, 10, 1, {{0, 0}, {0, 9}, {9, 9}, {9, 0}, {0, 0}}},
        {2, 3, 20, 30, 3, {{2, 3}, {2, 27}, {17, 27}, {17, 3}, {2, 3}}},
        // A pen under one pixel is a one-pixel pen.
        {0, 0, 4, 4, 0, {{0, 0}, {0, 3}, {3, 3}, {3, 0}, {0, 0}}},
    };
    for (const Case& c : cases) {
        const auto have = RectanglePoints(c.x1, c.y1, c.x2, c.y2, c.pen);
        EXPECT_EQ(have, c.want) << "have " << Show(have) << " want " << Show(c.want);
    }
}

TEST(DrawGeometry, StarPointsFollowTheWholeDegreeSteps)
{
    struct Case {
        int32_t w, h, cx, cy, tips, k;
        std::vector<DrawPoint> want;
    };
    // Tips and inner points alternate; the first tip points up; the closing
    // point repeats the first. 50 + 50 cos(-pi/2 as a float) lies just under 50.
    const Case cases[] = {
        {100, 100, 50, 50, 5, 2,
         {{49, 0}, {64, 29}, {97, 34}, {73, 57}, {79, 90}, {49, 74}, {20, 90}, {26, 57}, {2, 34}, {35, 29}, {49, 0}}},
        {60, 40, 30, 20, 4, 2, {{29, 0}, {40, 12}, {60, 20}, {40, 27}, {29, 39}, {19, 27}, {0, 20}, {19, 12}, {29, 0}}},
    };
    for (const Case& c : cases) {
        const auto have = StarPoints(c.w, c.h, c.cx, c.cy, c.tips, c.k);
        EXPECT_EQ(have, c.want) << "have " << Show(have) << " want " << Show(c.want);
    }
}

TEST(DrawGeometry, FiveTipStarHasItsInnerPointsAtRadius25)
{
    const auto pts = StarPoints(100, 100, 50, 50, 5, 2);
    ASSERT_EQ(pts.size(), 11u);
    EXPECT_EQ(pts.front().y, 0); // top edge
    EXPECT_NEAR(pts.front().x, 50, 1);
    for (size_t i = 1; i < 10; i += 2)
        EXPECT_NEAR(std::hypot(pts[i].x - 50.0, pts[i].y - 50.0), 25.0, 1.5) << "inner point " << i;
    for (size_t i = 0; i < 10; i += 2)
        EXPECT_NEAR(std::hypot(pts[i].x - 50.0, pts[i].y - 50.0), 50.0, 1.5) << "tip " << i;
}

TEST(DrawGeometry, StarRefusesCountsThatDivideByZero)
{
    for (auto [tips, k] : {std::pair{0, 2}, {-3, 2}, {5, 0}, {5, -1}, {361, 2}})
        EXPECT_TRUE(StarPoints(100, 100, 50, 50, tips, k).empty()) << tips << " tips, divisor " << k;
}

TEST(DrawGeometry, ArrowHeadIsWWideAndWOverTanThetaLong)
{
    struct Case {
        DrawPoint s, t;
        int32_t w;
        float angle;
        DrawPoint base, wing1, wing2;
    };
    const Case cases[] = {
        // 10 / tan 0.3 = 32.3: the base lies 32.3 back from the tip, truncated.
        {{0, 0}, {100, 0}, 10, 0.3f, {67, 0}, {67, 5}, {67, -5}},
        {{0, 0}, {30, 40}, 10, 0.3f, {10, 14}, {6, 17}, {14, 11}},
        {{100, 50}, {10, 20}, 8, 0.5f, {23, 24}, {24, 20}, {21, 27}},
    };
    for (const Case& c : cases) {
        const auto head = ArrowHeadPoints(c.s, c.t, c.w, c.angle);
        ASSERT_TRUE(head.has_value());
        EXPECT_EQ(head->base, c.base) << head->base.x << "," << head->base.y;
        EXPECT_EQ(head->wing1, c.wing1) << head->wing1.x << "," << head->wing1.y;
        EXPECT_EQ(head->wing2, c.wing2) << head->wing2.x << "," << head->wing2.y;
    }
    const auto worked = ArrowHeadPoints({0, 0}, {100, 0}, 10, 0.3f);
    EXPECT_NEAR(100 - worked->base.x, 32, 1);
    EXPECT_EQ(worked->wing1.y - worked->wing2.y, 10);
}

TEST(DrawGeometry, DegenerateArrowsHaveNoHead)
{
    // Zero length or a zero angle divides by zero; a backward angle folds the
    // head over the line; a NaN angle and a zero width draw nothing sensible.
    struct Case {
        DrawPoint s, t;
        int32_t w;
        float angle;
    };
    const Case cases[] = {
        {{5, 5}, {5, 5}, 10, 0.3f}, {{5, 5}, {5, 5}, 10, 0.0f}, {{0, 0}, {50, 0}, 10, 0.0f},
        {{0, 0}, {50, 0}, 10, -0.3f}, {{0, 0}, {50, 0}, 10, 2.0f}, {{0, 0}, {50, 0}, 10, std::nanf("")},
        {{0, 0}, {50, 0}, 0, 0.3f},  {{0, 0}, {50, 0}, -4, 0.3f}, {{0, 0}, {50, 0}, 2000000000, 0.3f},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ArrowHeadPoints(c.s, c.t, c.w, c.angle).has_value())
            << "(" << c.s.x << "," << c.s.y << ")->(" << c.t.x << "," << c.t.y << ") w " << c.w << " angle " << c.angle;
}

TEST(DrawPrimitives, RectangleWithPenOneOutlinesPixelsZeroToNine)
{
    CFrameImage f = Blank(12, 12);
    ASSERT_TRUE(f.DrawRectangle(0, 0, 10, 10, kRedRef, std::nullopt, 1));
    for (int64_t y = 0; y < 12; ++y)
        for (int64_t x = 0; x < 12; ++x) {
            const bool ring = (x <= 9 && y <= 9) && (x == 0 || x == 9 || y == 0 || y == 9);
            EXPECT_TRUE(Is(f, x, y, ring ? kRedRef : kWhiteRef)) << x << "," << y << "\n" << Picture(f, kRedRef);
        }
}

TEST(DrawPrimitives, OutlineAndInteriorTakeLineAndFillColours)
{
    struct Case {
        const char* name;
        std::function<bool(CFrameImage&, std::optional<uint32_t>)> draw;
    };
    const Case cases[] = {
        {"rectangle", [](CFrameImage& f, auto fill) { return f.DrawRectangle(2, 2, 18, 16, kRedRef, fill, 1); }},
        {"wide rectangle", [](CFrameImage& f, auto fill) { return f.DrawRectangle(2, 2, 18, 16, kRedRef, fill, 3); }},
        {"round rect", [](CFrameImage& f, auto fill) { return f.DrawRoundRect(2, 2, 18, 16, 10, 10, kRedRef, fill, 1); }},
        {"ellipse", [](CFrameImage& f, auto fill) { return f.DrawEllipse(2, 2, 18, 16, kRedRef, fill, 1); }},
        {"wide ellipse", [](CFrameImage& f, auto fill) { return f.DrawEllipse(2, 2, 18, 16, kRedRef, fill, 3); }},
        {"star", [](CFrameImage& f, auto fill) { return f.DrawStar(16, 14, 10, 9, 5, 2, kRedRef, fill); }},
        {"polygon", [](CFrameImage& f, auto fill) {
             const DrawPoint pts[] = {{3, 3}, {17, 5}, {10, 16}};
             return f.DrawPolygon(pts, 3, kRedRef, fill, 1);
         }},
    };
    for (const Case& c : cases) {
        for (bool filled : {false, true}) {
            CFrameImage f = Blank(21, 19);
            ASSERT_TRUE(c.draw(f, filled ? std::optional<uint32_t>(kGreenRef) : std::nullopt)) << c.name;
            const std::string pic = Picture(f, kRedRef, kGreenRef);
            // The middle lies inside every shape.
            EXPECT_TRUE(Is(f, 10, 9, filled ? kGreenRef : kWhiteRef)) << c.name << "\n" << pic;
            EXPECT_GT(CountColour(f, kRedRef), 20) << c.name << "\n" << pic;
            EXPECT_EQ(CountColour(f, kRedRef) + CountColour(f, kGreenRef) + CountColour(f, kWhiteRef), 21 * 19)
                << c.name << "\n" << pic;
            // Nothing outside the box grown by the pen: the frame's corners stay.
            for (auto [x, y] : {std::pair{0, 0}, {20, 0}, {0, 18}, {20, 18}}) {
                EXPECT_TRUE(Is(f, x, y, kWhiteRef)) << c.name << " " << x << "," << y;
            }
            if (!filled) {
                EXPECT_EQ(CountColour(f, kGreenRef), 0) << c.name;
            }
        }
    }
}

TEST(DrawPrimitives, EveryPrimitiveRefusesAFrameWithoutPixels)
{
    CFrameImage f;
    const DrawPoint pts[] = {{0, 0}, {5, 5}, {0, 5}};
    EXPECT_FALSE(f.DrawPolygon(pts, 3, kRedRef, kGreenRef, 1));
    EXPECT_FALSE(f.DrawLine(0, 0, 5, 5, kRedRef, 1));
    EXPECT_FALSE(f.DrawRectangle(0, 0, 5, 5, kRedRef, kGreenRef, 1));
    EXPECT_FALSE(f.DrawRoundRect(0, 0, 5, 5, 2, 2, kRedRef, kGreenRef, 1));
    EXPECT_FALSE(f.DrawEllipse(0, 0, 5, 5, kRedRef, kGreenRef, 1));
    EXPECT_FALSE(f.DrawStar(10, 10, 5, 5, 5, 2, kRedRef, kGreenRef));
    EXPECT_FALSE(f.DrawArrow(0, 0, 9, 9, ArrowParams{}).has_value());
    EXPECT_FALSE(f.DrawTextImage(0, 10, "x", nullptr, kRedRef, nullptr, 0.0f, 0));
    EXPECT_FALSE(f.IsValid());
}

TEST(DrawPrimitives, ShapesAreClippedAtTheFrameEdges)
{
    struct Case {
        const char* name;
        std::function<bool(CFrameImage&)> draw;
        int64_t wantLine; // pixels in the line colour
    };
    const Case cases[] = {
        // Only the part of the ring inside the frame: column 4 and row 4, 0..4 each.
        {"over the top-left corner", [](CFrameImage& f) { return f.DrawRectangle(-5, -5, 5, 5, kRedRef, std::nullopt, 1); },
         9},
        {"over the bottom-right corner",
         [](CFrameImage& f) { return f.DrawRectangle(6, 6, 20, 20, kRedRef, std::nullopt, 1); }, 7},
        {"wholly outside", [](CFrameImage& f) { return f.DrawRectangle(20, 20, 30, 30, kRedRef, kRedRef, 1); }, 0},
        {"long line across", [](CFrameImage& f) { return f.DrawLine(-1000000, 3, 1000000, 3, kRedRef, 1); }, 10},
        {"ellipse far off", [](CFrameImage& f) { return f.DrawEllipse(-4000000, -4000000, -3000000, -3000000, kRedRef, kRedRef, 5); },
         0},
    };
    for (const Case& c : cases) {
        CFrameImage f = Blank(10, 10);
        EXPECT_TRUE(c.draw(f)) << c.name;
        EXPECT_EQ(CountColour(f, kRedRef), c.wantLine) << c.name << "\n" << Picture(f, kRedRef);
    }
}

TEST(DrawPrimitives, CoordinatesOutOfRangeAreRefused)
{
    CFrameImage f = Blank(10, 10);
    const int32_t far = int32_t(kMaxDrawCoord) + 1;
    EXPECT_FALSE(f.DrawRectangle(0, 0, far, 5, kRedRef, kRedRef, 1));
    EXPECT_FALSE(f.DrawEllipse(-far, 0, 5, 5, kRedRef, kRedRef, 1));
    EXPECT_FALSE(f.DrawLine(0, 0, 5, INT32_MAX, kRedRef, 1));
    EXPECT_FALSE(f.DrawArrow(INT32_MIN, 0, 5, 5, ArrowParams{}).has_value());
    EXPECT_FALSE(f.DrawRoundRect(0, 0, 5, 5, INT32_MAX, 2, kRedRef, kRedRef, 1));
    EXPECT_EQ(CountColour(f, kRedRef), 0);
}

TEST(DrawPrimitives, DrawnPixelsBecomeOpaque)
{
    CFrameImage f = Blank(12, 12);
    ASSERT_TRUE(f.AlphaCreate()); // all transparent
    ASSERT_TRUE(f.DrawRectangle(2, 2, 8, 8, kRedRef, kGreenRef, 1));
    for (int64_t y = 0; y < 12; ++y)
        for (int64_t x = 0; x < 12; ++x) {
            const bool inBox = x >= 2 && x <= 7 && y >= 2 && y <= 7;
            EXPECT_EQ(f.AlphaGet(x, 11 - y), inBox ? 255 : 0) << x << "," << y;
        }
}

TEST(DrawPrimitives, PalettedFramesTakeTheNearestEntry)
{
    CFrameImage f = Blank(10, 10, kWhiteRef, 8);
    ASSERT_EQ(f.GetBpp(), 8);
    ASSERT_TRUE(f.DrawRectangle(0, 0, 10, 10, kRedRef, kBlueRef, 1));
    EXPECT_TRUE(Is(f, 0, 0, kRedRef));
    EXPECT_TRUE(Is(f, 5, 5, kBlueRef));
}

TEST(DrawPrimitives, EscapeStopsTheTransfer)
{
    CFrameImage f = Blank(10, 10);
    f.SetEscape(1);
    EXPECT_FALSE(f.DrawRectangle(0, 0, 10, 10, kRedRef, kRedRef, 1));
    EXPECT_EQ(CountColour(f, kRedRef), 0);
}

TEST(DrawPrimitives, ArrowReturnsTheBaseOfItsHead)
{
    struct Case {
        bool filled;
        int64_t wantFill; // fill pixels inside the head
    };
    for (const Case c : {Case{true, 1}, Case{false, 0}}) {
        CFrameImage f = Blank(120, 20);
        const auto base = f.DrawArrow(0, 10, 100, 10, ArrowParams{10, 0.3f, c.filled, 1, kGreenRef, kRedRef, 2});
        ASSERT_TRUE(base.has_value());
        EXPECT_EQ(*base, (DrawPoint{67, 10}));
        const std::string pic = Picture(f, kRedRef, kGreenRef);
        EXPECT_TRUE(Is(f, 0, 10, kRedRef)) << pic;   // the start
        EXPECT_TRUE(Is(f, 100, 10, kRedRef)) << pic; // the tip
        EXPECT_TRUE(Is(f, 67, 5, kRedRef) && Is(f, 67, 15, kRedRef)) << pic; // the wings
        EXPECT_TRUE(Is(f, 67, 4, kWhiteRef) && Is(f, 67, 16, kWhiteRef)) << pic;
        EXPECT_EQ(Is(f, 75, 8, kGreenRef), c.wantFill == 1) << pic;
        EXPECT_TRUE(Is(f, 110, 10, kWhiteRef)) << pic;
    }
}

TEST(DrawPrimitives, DegenerateArrowDrawsNoHeadAndReturnsTheTip)
{
    struct Case {
        int32_t sx, sy, tx, ty;
        float angle;
    };
    for (const Case c : {Case{5, 5, 5, 5, 0.0f}, Case{5, 5, 5, 5, 0.3f}, Case{1, 5, 15, 5, 0.0f}}) {
        CFrameImage f = Blank(20, 12);
        const auto base = f.DrawArrow(c.sx, c.sy, c.tx, c.ty, ArrowParams{10, c.angle, true, 1, kGreenRef, kRedRef, 2});
        ASSERT_TRUE(base.has_value());
        EXPECT_EQ(*base, (DrawPoint{c.tx, c.ty}));
        EXPECT_EQ(CountColour(f, kGreenRef), 0) << Picture(f, kRedRef, kGreenRef);
        // Nothing beyond the line's own row, whatever a head would have covered.
        for (int64_t y = 0; y < 12; ++y) {
            for (int64_t x = 0; x < 20; ++x) {
                if (y != c.sy) {
                    EXPECT_TRUE(Is(f, x, y, kWhiteRef)) << x << "," << y;
                }
            }
        }
    }
}

TEST(DrawPrimitives, FillRectangleOnAFrameOfTheEditableImage)
{
    CEditableImage image;
    Raster src = Filled(8, 6, MakeRgb(255, 255, 255));
    src.SetFrameRect(RasterRect{3, 4, 11, 10});
    image.Append(src);
    EXPECT_TRUE(image.FillRectangle(0, RasterRect{2, 1, 6, 4}, kBlueRef));
    const CFrameImage& f = *image.GetFrame(0);
    EXPECT_EQ(CountColour(f, kBlueRef), 4 * 3) << Picture(f, kBlueRef);
    EXPECT_TRUE(Is(f, 2, 1, kBlueRef) && Is(f, 5, 3, kBlueRef));
    EXPECT_EQ(f.GetPlacement(), (RasterRect{3, 4, 11, 10}));
    EXPECT_FALSE(image.FillRectangle(1, RasterRect{0, 0, 2, 2}, kBlueRef));
    EXPECT_FALSE(image.FillRectangle(-1, RasterRect{0, 0, 2, 2}, kBlueRef));
}

} // namespace
} // namespace vex
