#include <gtest/gtest.h>

#include <cstring>

#include "editing/DrawTestHelpers.h"
#include "editing/TemplateRender.h"

namespace vex {
namespace {

using namespace test;

constexpr uint32_t kKeyRef = 0x00FF00;    // card background, its transparent colour
constexpr uint32_t kBorderRef = 0x0000FF; // red
constexpr uint32_t kFillRef = 0x00FFFF;   // yellow

TemplateInfo Card(int32_t w, int32_t h, int32_t style)
{
    TemplateInfo d;
    d.width = w;
    d.height = h;
    d.style = style;
    d.backgroundColor = kKeyRef;
    d.borderColor = kBorderRef;
    d.fillColor = kFillRef;
    return d;
}

CTemplateLayer Layer(int32_t left = 7, int32_t top = 9)
{
    CTemplateLayer layer;
    layer.picture.SetPlacement(RasterRect{left, top, left, top});
    return layer;
}

TEST(RenderTemplate, ABareCardIsItsBackgroundKeyedOut)
{
    CTemplateLayer layer = Layer();
    ASSERT_TRUE(RenderTemplate(Card(40, 30, 0), layer, true));
    const CFrameImage& p = layer.picture;
    ASSERT_EQ(p.GetWidth(), 40u);
    ASSERT_EQ(p.GetHeight(), 30u);
    EXPECT_EQ(p.GetBpp(), 24);
    EXPECT_EQ(CountColour(p, kKeyRef), 40 * 30);
    EXPECT_EQ(p.GetTransIndex(), 0);
    EXPECT_TRUE(SameRgb(p.GetTransColor(), ColorRefToRgb(kKeyRef)));
    EXPECT_TRUE(p.IsTransparent(3, 3));
    // The layer keeps its place and takes the card's size.
    EXPECT_EQ(p.GetPlacement(), (RasterRect{7, 9, 47, 39}));
}

TEST(RenderTemplate, RectangleAndRoundRectCardsStoreTheirDescription)
{
    struct Case {
        int32_t style;
        uint32_t corner; // top-left pixel
    };
    for (const Case c : {Case{0x08, kBorderRef}, Case{0x04, kKeyRef}, Case{0x0C, kBorderRef}}) {
        CTemplateLayer layer = Layer();
        const TemplateInfo d = Card(40, 30, c.style);
        ASSERT_TRUE(RenderTemplate(d, layer, true));
        const CFrameImage& p = layer.picture;
        const std::string pic = Picture(p, kBorderRef, kFillRef);
        EXPECT_TRUE(Is(p, 0, 0, c.corner)) << c.style << "\n" << pic;
        EXPECT_TRUE(Is(p, 20, 0, kBorderRef)) << c.style << "\n" << pic;
        EXPECT_TRUE(Is(p, 39, 15, kBorderRef)) << c.style << "\n" << pic;
        EXPECT_TRUE(Is(p, 20, 15, kFillRef)) << c.style << "\n" << pic;
        EXPECT_EQ(layer.description, d) << c.style;
    }
}

TEST(RenderTemplate, StarsHaveTheirTipsOnTheCard)
{
    struct Case {
        int32_t style, tips;
    };
    for (const Case c : {Case{0x10, 4}, Case{0x20, 5}, Case{0x40, 8}, Case{0x80, 10}}) {
        CTemplateLayer layer = Layer();
        ASSERT_TRUE(RenderTemplate(Card(60, 50, c.style), layer, true));
        const CFrameImage& p = layer.picture;
        const std::string pic = Picture(p, kBorderRef, kFillRef);
        const auto pts = StarPoints(60, 50, 30, 25, c.tips, 2);
        ASSERT_EQ(pts.size(), size_t(2 * c.tips + 1));
        for (const DrawPoint& pt : pts)
            if (pt.x < 60 && pt.y < 50) {
                EXPECT_TRUE(Is(p, pt.x, pt.y, kBorderRef)) << c.tips << " tips at " << pt.x << "," << pt.y << "\n" << pic;
            }
        EXPECT_TRUE(Is(p, 30, 25, kFillRef)) << pic;
        EXPECT_TRUE(Is(p, 1, 1, kKeyRef)) << pic;
        // Stars leave the stored description alone.
        EXPECT_EQ(layer.description.width, 0);
    }
}

TEST(RenderTemplate, StyleBitsApplyInOrder)
{
    // The star comes after the rectangle: its inner points are outline over
    // the rectangle's fill.
    CTemplateLayer layer = Layer();
    ASSERT_TRUE(RenderTemplate(Card(60, 50, 0x08 | 0x20), layer, true));
    const auto pts = StarPoints(60, 50, 30, 25, 5, 2);
    EXPECT_TRUE(Is(layer.picture, pts[1].x, pts[1].y, kBorderRef));
    EXPECT_TRUE(Is(layer.picture, 0, 0, kBorderRef));
    // The rectangle comes after the rounded one: its square corner wins.
    CTemplateLayer both = Layer();
    ASSERT_TRUE(RenderTemplate(Card(40, 30, 0x04 | 0x08), both, true));
    EXPECT_TRUE(Is(both.picture, 0, 0, kBorderRef));
    EXPECT_TRUE(Is(both.picture, 2, 2, kFillRef));
}

TEST(RenderTemplate, WithoutForceAnUnchangedCardIsLeftAsItWas)
{
    CTemplateLayer layer = Layer();
    TemplateInfo d = Card(40, 30, 0x08);
    ASSERT_TRUE(RenderTemplate(d, layer, false)); // stored description differs: rendered
    const CFrameImage before = layer.picture;
    d.fillColor = kWhiteRef;
    EXPECT_FALSE(RenderTemplate(d, layer, false));
    EXPECT_EQ(CountColour(layer.picture, kFillRef), CountColour(before, kFillRef));
    EXPECT_EQ(CountColour(layer.picture, kWhiteRef), 0);
    EXPECT_TRUE(RenderTemplate(d, layer, true));
    EXPECT_EQ(CountColour(layer.picture, kFillRef), 0);
    EXPECT_GT(CountColour(layer.picture, kWhiteRef), 0);
    // A new position or size renders again without force.
    for (auto change : {+[](TemplateInfo& t) { t.x = 5; }, +[](TemplateInfo& t) { t.y = -2; },
                        +[](TemplateInfo& t) { t.width = 41; }, +[](TemplateInfo& t) { t.height = 31; }}) {
        TemplateInfo moved = d;
        change(moved);
        EXPECT_TRUE(RenderTemplate(moved, layer, false));
    }
}

TEST(RenderTemplate, PictureTemplatesOnlyChangeDepth)
{
    for (bool current : {true, false}) {
        CTemplateLayer layer = Layer();
        layer.picture.Place(Filled(6, 5, MakeRgb(10, 20, 30)), 1, 2);
        TemplateInfo d = Card(40, 30, 0x08);
        std::strcpy(current ? d.currentPath.data() : d.originalPath.data(), "/tmp/picture.png");
        d.bitsPerPixel = 8;
        EXPECT_FALSE(RenderTemplate(d, layer, true));
        EXPECT_EQ(layer.picture.GetBpp(), 8);
        EXPECT_EQ(layer.picture.GetWidth(), 6u);
    }
}

TEST(RenderTemplate, DepthOfTheCard)
{
    struct Case {
        uint16_t asked;
        uint16_t want;
    };
    for (const Case c : {Case{0, 24}, Case{24, 24}, Case{8, 8}, Case{4, 4}, Case{1, 1}, Case{13, 24}}) {
        CTemplateLayer layer = Layer();
        TemplateInfo d = Card(20, 20, 0x08);
        d.backgroundColor = kWhiteRef;
        d.borderColor = kBlackRef;
        d.fillColor = kBlackRef;
        d.bitsPerPixel = c.asked;
        ASSERT_TRUE(RenderTemplate(d, layer, true)) << c.asked;
        const CFrameImage& p = layer.picture;
        EXPECT_EQ(p.GetBpp(), c.want) << c.asked;
        // The key stays the background colour, whatever entry 0 of the new
        // palette holds: the black card is opaque.
        EXPECT_TRUE(SameRgb(p.GetTransColor(), ColorRefToRgb(kWhiteRef))) << c.asked;
        EXPECT_FALSE(p.IsTransparent(10, 10)) << c.asked;
    }
}

TEST(RenderTemplate, ACardThatCannotBeMadeLeavesTheLayerEmpty)
{
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}, {1 << 30, 1 << 30}}) {
        CTemplateLayer layer = Layer();
        layer.picture.Place(Filled(6, 5, MakeRgb(10, 20, 30)), 1, 2);
        EXPECT_FALSE(RenderTemplate(Card(w, h, 0x08), layer, true)) << w << "x" << h;
        EXPECT_FALSE(layer.picture.IsValid());
    }
}

TemplateInfo TextCard(int32_t style, uint32_t bg, int32_t transparentBackground)
{
    TemplateInfo d = Card(120, 40, style);
    d.backgroundColor = bg;
    d.textColor = kBlackRef;
    d.paddingWidth = 10;
    d.paddingHeight = 6;
    d.transparentTextBackground = transparentBackground;
    d.font.height = -20;
    return d;
}

TEST(RenderTemplate, TextCardsDrawTheTextAtThePadding)
{
    struct Case {
        const char* name;
        uint32_t bg;
        int32_t style, transparent;
        uint32_t around; // the card's colour beside the text
    };
    const Case cases[] = {
        // On white the temporary drawing colour must not be white.
        {"white card", kWhiteRef, 0x02, 1, kWhiteRef},
        {"green card", kKeyRef, 0x02, 1, kKeyRef},
        // An opaque text background first fills the card.
        {"filled card", kWhiteRef, 0x02, 0, kFillRef},
    };
    for (const Case& c : cases) {
        CTemplateLayer layer = Layer();
        layer.text = "Note";
        ASSERT_TRUE(RenderTemplate(TextCard(c.style, c.bg, c.transparent), layer, true)) << c.name;
        const CFrameImage& p = layer.picture;
        const std::string pic = Picture(p, kBlackRef, c.around);
        EXPECT_GT(CountColour(p, kBlackRef), 30) << c.name << "\n" << pic;
        for (int64_t y = 0; y < 40; ++y)
            for (int64_t x = 0; x < 120; ++x)
                if (x < 10 || y < 6) {
                    EXPECT_FALSE(Is(p, x, y, kBlackRef)) << c.name << " " << x << "," << y;
                }
        EXPECT_TRUE(Is(p, 60, 39, c.transparent ? c.around : kBorderRef)) << c.name << "\n" << pic;
        EXPECT_TRUE(Is(p, 110, 20, c.around)) << c.name << "\n" << pic;
        EXPECT_EQ(layer.text, std::optional<std::string>("Note"));
    }
}

TEST(RenderTemplate, TextOnARectangleCardShowsTheFillBetweenItsLetters)
{
    // The card's bottom-left pixel is the border here; as the text's
    // background it boxed the text in, and text in the border colour vanished.
    CTemplateLayer layer = Layer();
    layer.text = "Note";
    TemplateInfo d = TextCard(0x0A, kWhiteRef, 1);
    d.borderColor = kBlackRef;
    ASSERT_TRUE(RenderTemplate(d, layer, true));
    const CFrameImage& p = layer.picture;
    int64_t left = INT64_MAX, right = -1, top = INT64_MAX, bottom = -1;
    for (int64_t y = 1; y < 39; ++y)
        for (int64_t x = 1; x < 119; ++x)
            if (Is(p, x, y, kBlackRef)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << Picture(p, kBlackRef, kFillRef);
    int64_t ink = 0, fill = 0;
    for (int64_t y = top; y <= bottom; ++y)
        for (int64_t x = left; x <= right; ++x) {
            ink += Is(p, x, y, kBlackRef);
            fill += Is(p, x, y, kFillRef);
        }
    EXPECT_GT(ink, 30);
    EXPECT_GT(fill, ink) << Picture(p, kBlackRef, kFillRef);
}

TEST(RenderTemplate, TextStyleWithoutTextDrawsNoText)
{
    CTemplateLayer layer = Layer();
    ASSERT_TRUE(RenderTemplate(TextCard(0x02, kWhiteRef, 0), layer, true));
    EXPECT_EQ(CountColour(layer.picture, kWhiteRef), 120 * 40);
    layer.text = "";
    ASSERT_TRUE(RenderTemplate(TextCard(0x02, kWhiteRef, 0), layer, true));
    EXPECT_EQ(CountColour(layer.picture, kWhiteRef), 120 * 40);
}

} // namespace
} // namespace vex
