#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include <cstring>

#include "editing/DrawTestHelpers.h"
#include "editing/FontMapping.h"

namespace vex {
namespace {

using namespace test;

FontRecord Font(int32_t height, int32_t weight = 400, const char* face = "")
{
    FontRecord f;
    f.height = height;
    f.weight = weight;
    std::strncpy(f.faceName.data(), face, f.faceName.size() - 1);
    return f;
}

// Extent of the pixels of one colour, top-down.
struct Box {
    int64_t left = INT64_MAX, top = INT64_MAX, right = -1, bottom = -1;
};
Box Extent(const Raster& f, uint32_t colorRef)
{
    Box b;
    for (int64_t y = 0; y < int64_t{f.GetHeight()}; ++y)
        for (int64_t x = 0; x < int64_t{f.GetWidth()}; ++x)
            if (Is(f, x, y, colorRef)) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

TEST(FontMapping, RecordFieldsBecomeQtFont)
{
    ASSERT_TRUE(FontsAvailable());
    EXPECT_EQ(FontFromRecord(Font(-20)).pixelSize(), 20);
    EXPECT_EQ(FontFromRecord(Font(0)).pixelSize(), kDefaultFontPixels);
    EXPECT_EQ(FontFromRecord(Font(-1000000)).pixelSize(), kMaxFontPixels);
    // A positive height is the cell: ascent + descent.
    const QFontMetrics cell(FontFromRecord(Font(24)));
    EXPECT_NEAR(cell.ascent() + cell.descent(), 24, 1);
    EXPECT_LT(FontFromRecord(Font(24)).pixelSize(), 24);
    EXPECT_EQ(FontFromRecord(Font(-12, 700)).weight(), QFont::Bold);
    EXPECT_EQ(FontFromRecord(Font(-12, 0)).weight(), QFont::Normal);
    FontRecord styled = Font(-12);
    styled.italic = styled.underline = styled.strikeOut = 1;
    const QFont q = FontFromRecord(styled);
    EXPECT_TRUE(q.italic() && q.underline() && q.strikeOut());
    EXPECT_EQ(QFontInfo(FontFromRecord(Font(-12))).family(), QString("DejaVu Sans"));
    EXPECT_EQ(QFontInfo(FontFromRecord(Font(-12, 400, "DejaVu Serif"))).family(), QString("DejaVu Serif"));
    EXPECT_EQ(FontFromRecord(Font(-12)).styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);
}

TEST(DrawTextImage, TextOnTheFrameHasItsBottomLeftAtThePoint)
{
    CFrameImage f = Blank(80, 40);
    const FontRecord font = Font(-16);
    ASSERT_TRUE(f.DrawTextImage(5, 30, "Hi", nullptr, kRedRef, &font, 0.0f, 0));
    const Box b = Extent(f, kRedRef);
    EXPECT_GE(b.left, 5);
    EXPECT_LE(b.left, 8);
    EXPECT_LE(b.bottom, 30);
    EXPECT_GE(b.top, 30 - 20);
    // Only the text's own pixels change.
    EXPECT_EQ(CountColour(f, kRedRef) + CountColour(f, kWhiteRef), 80 * 40) << Picture(f, kRedRef);
}

TEST(DrawTextImage, CentringFlagsMoveByHalfTheTextImage)
{
    const FontRecord font = Font(-16);
    CFrameImage plain = Blank(120, 60), centred = Blank(120, 60);
    ASSERT_TRUE(plain.DrawTextImage(60, 30, "Hello", nullptr, kRedRef, &font, 0.0f, 0));
    ASSERT_TRUE(centred.DrawTextImage(60, 30, "Hello", nullptr, kRedRef, &font, 0.0f, 0x30));
    const Box a = Extent(plain, kRedRef), b = Extent(centred, kRedRef);
    EXPECT_GT(a.left - b.left, 10);  // left by half the width
    EXPECT_GT(b.bottom - a.bottom, 5); // down by half the height
    EXPECT_EQ(a.right - a.left, b.right - b.left);
}

TEST(DrawTextImage, TextDrawnOntoATransparentPixelBecomesOpaque)
{
    CFrameImage f = Blank(60, 30);
    ASSERT_TRUE(f.AlphaCreate());
    const FontRecord font = Font(-16);
    ASSERT_TRUE(f.DrawTextImage(2, 25, "W", nullptr, kRedRef, &font, 0.0f, 0));
    const Box b = Extent(f, kRedRef);
    ASSERT_GE(b.right, 0);
    int64_t opaque = 0;
    for (int64_t y = 0; y < 30; ++y)
        for (int64_t x = 0; x < 60; ++x) {
            const uint8_t a = f.AlphaGet(x, 29 - y);
            EXPECT_EQ(a == 255, Is(f, x, y, kRedRef)) << x << "," << y;
            opaque += a == 255;
        }
    EXPECT_GT(opaque, 10);
}

TEST(DrawTextImage, ACardIsCroppedToTheTextInTheTextColour)
{
    struct Case {
        const char* name;
        uint32_t bg, ink;
    };
    // On white the temporary drawing colour is magenta, elsewhere white.
    const Case cases[] = {
        {"white card, black text", kWhiteRef, kBlackRef},
        {"white card, red text", kWhiteRef, kRedRef},
        {"black card, white text", kBlackRef, kWhiteRef},
        {"magenta card, green text", 0xFF00FF, kGreenRef},
    };
    const FontRecord font = Font(-20);
    for (const Case& c : cases) {
        CFrameImage f = Blank(4, 4);
        Raster card = Filled(1, 1, ColorRefToRgb(c.bg));
        ASSERT_TRUE(f.DrawTextImage(0, 0, "Tx", &card, c.ink, &font, 0.0f, 5)) << c.name;
        ASSERT_GT(card.GetWidth(), 5u) << c.name;
        const int64_t w = card.GetWidth(), h = card.GetHeight();
        EXPECT_EQ(CountColour(card, c.ink) + CountColour(card, c.bg), w * h) << c.name;
        const Box b = Extent(card, c.ink);
        // One column of background on the left (none when the glyph starts
        // at the surface's edge), a row below; text reaches the right and
        // top edges.
        EXPECT_LE(b.left, 1) << c.name << "\n" << Picture(card, c.ink);
        EXPECT_EQ(b.right, w - 1) << c.name;
        EXPECT_EQ(b.top, 0) << c.name;
        EXPECT_EQ(b.bottom, h - 2) << c.name;
        EXPECT_TRUE(Is(f, 0, 0, kWhiteRef)) << "the frame itself is untouched";
    }
}

TEST(DrawTextImage, ATurnedCardStandsUpright)
{
    const FontRecord font = Font(-20);
    CFrameImage f = Blank(4, 4);
    Raster flat = Filled(1, 1, ColorRefToRgb(kWhiteRef)), turned = flat;
    ASSERT_TRUE(f.DrawTextImage(0, 0, "Long text", &flat, kBlackRef, &font, 0.0f, 5));
    ASSERT_TRUE(f.DrawTextImage(0, 0, "Long text", &turned, kBlackRef, &font, 90.0f, 5));
    EXPECT_GT(flat.GetWidth(), flat.GetHeight());
    EXPECT_GT(turned.GetHeight(), turned.GetWidth());
    EXPECT_NEAR(double(turned.GetHeight()), double(flat.GetWidth()), 3.0);
}

TEST(DrawTextImage, BlankTextLeavesTheCardAlone)
{
    CFrameImage f = Blank(4, 4);
    Raster card = Filled(1, 1, ColorRefToRgb(kWhiteRef));
    EXPECT_FALSE(f.DrawTextImage(0, 0, "   ", &card, kBlackRef, nullptr, 0.0f, 5));
    EXPECT_FALSE(f.DrawTextImage(0, 0, "", &card, kBlackRef, nullptr, 0.0f, 5));
    EXPECT_EQ(card.GetWidth(), 1u);
    EXPECT_FALSE(f.DrawTextImage(0, 0, "x", &card, kBlackRef, nullptr, std::nanf(""), 5));
}

} // namespace
} // namespace vex
