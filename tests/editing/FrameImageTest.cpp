#include <gtest/gtest.h>

#include <cstring>

#include "editing/EditingFixtures.h"
#include "editing/FrameImage.h"

namespace vex {
namespace {

Raster At(uint32_t w, uint32_t h, int32_t left, int32_t top)
{
    Raster img = test::Filled(w, h, MakeRgb(uint8_t(w * 10), 0, 0));
    img.SetFrameRect(RasterRect{left, top, left + int32_t(w), top + int32_t(h)});
    return img;
}

TEST(TemplateLayer, NewLayerHasTheDefaultDescription)
{
    const TemplateInfo d;
    EXPECT_EQ(d.arrowWidth, 10);
    EXPECT_FLOAT_EQ(d.arrowAngle, 0.3f);
    EXPECT_FALSE(d.arrowFilled);
    EXPECT_EQ(d.arrowFillColor, 0u);
    EXPECT_EQ(d.arrowColor, 0u);
    EXPECT_EQ(d.arrowPen, 1);
    EXPECT_EQ(d.arrowStyle, 3);
    EXPECT_EQ(d.bitsPerPixel, 24);
    EXPECT_EQ(d.font.height, 24);
    EXPECT_EQ(d.font.width, 20);
    EXPECT_EQ(d.font.escapement, 0);
    EXPECT_EQ(d.font.orientation, 10);
    EXPECT_EQ(d.font.weight, 400);
    EXPECT_EQ(d.font.faceName[0], '\0');
    EXPECT_EQ(d.transparentTextBackground, 1);
    EXPECT_EQ(d.width, 0);
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.style, 0);
    EXPECT_EQ(d.textColor, 0u);
    EXPECT_FLOAT_EQ(d.textAngle, 0.0f);

    CFrameImage frame;
    frame.AddLayer(At(2, 3, 5, 7));
    ASSERT_EQ(frame.GetLayerCount(), 1);
    const CTemplateLayer& layer = *frame.GetLayer(0);
    EXPECT_EQ(layer.description, d);
    EXPECT_FALSE(layer.text.has_value());
    // The layer lies at the image's frame rectangle.
    EXPECT_EQ(frame.GetLayerRect(0), (RasterRect{5, 7, 7, 10}));
}

TEST(TemplateLayer, RemovingMovesLaterLayersDown)
{
    CFrameImage frame;
    for (uint32_t w : {1u, 2u, 3u}) frame.AddLayer(At(w, 1, 0, 0));
    frame.RemoveLayer(0);
    ASSERT_EQ(frame.GetLayerCount(), 2);
    EXPECT_EQ(frame.GetLayer(0)->picture.GetWidth(), 2u);
    EXPECT_EQ(frame.GetLayer(1)->picture.GetWidth(), 3u);
    frame.RemoveLayer(5); // ignored
    frame.RemoveLayer(-1);
    EXPECT_EQ(frame.GetLayerCount(), 2);
}

TEST(TemplateLayer, DescriptionTextAndRectByIndex)
{
    CFrameImage frame;
    frame.AddLayer(At(2, 2, 0, 0));

    TemplateInfo d;
    d.style = 0x08;
    d.fillColor = 0x123456;
    frame.SetLayerDescription(0, d, -2, -3);
    TemplateInfo got;
    int32_t x = 0, y = 0;
    ASSERT_TRUE(frame.GetLayerDescription(0, got, x, y));
    EXPECT_EQ(x, -2);
    EXPECT_EQ(y, -3);
    EXPECT_EQ(got.style, 0x08);
    EXPECT_EQ(got.fillColor, 0x123456u);

    FontRecord font;
    font.weight = 700;
    std::strcpy(font.faceName.data(), "Sans");
    frame.SetLayerText(0, "Hello", 45.0f, 0xFF, 0, &font);
    EXPECT_EQ(frame.GetLayer(0)->text, "Hello");
    EXPECT_EQ(frame.GetLayer(0)->description.font, font);
    EXPECT_FLOAT_EQ(frame.GetLayer(0)->description.textAngle, 45.0f);
    EXPECT_EQ(frame.GetLayer(0)->description.textColor, 0xFFu);
    EXPECT_EQ(frame.GetLayer(0)->description.transparentTextBackground, 0);
    // Without a font the default one is used.
    frame.SetLayerText(0, "Hi", 0.0f, 0, 1, nullptr);
    EXPECT_EQ(frame.GetLayer(0)->description.font, FontRecord{});

    frame.SetLayerRect(0, 1, 2, 3, 4);
    EXPECT_EQ(frame.GetLayerRect(0), (RasterRect{1, 2, 3, 4}));

    // Invalid layer indexes: (0,0,0,0), (-1,-1), ignored setters.
    for (int32_t bad : {-1, 1, 9}) {
        EXPECT_EQ(frame.GetLayer(bad), nullptr);
        EXPECT_EQ(frame.GetLayerRect(bad), RasterRect{});
        EXPECT_FALSE(frame.GetLayerDescription(bad, got, x, y));
        EXPECT_EQ(x, -1);
        EXPECT_EQ(y, -1);
        frame.SetLayerRect(bad, 9, 9, 9, 9);
        frame.SetLayerDescription(bad, TemplateInfo{}, 4, 4);
        frame.SetLayerText(bad, "x", 0, 0, 1, nullptr);
    }
    EXPECT_EQ(frame.GetLayerCount(), 1);
    EXPECT_EQ(frame.GetLayerRect(0), (RasterRect{1, 2, 3, 4}));
    EXPECT_EQ(frame.GetLayer(0)->text, "Hi");
}

TEST(FrameImage, CopyCarriesPlacementAndLayers)
{
    CFrameImage frame;
    frame.Place(At(3, 2, 4, 4), 4, 4);
    frame.AddLayer(At(1, 1, 20, 1));
    int32_t r = 0, b = 0;
    frame.GetExtent(r, b);
    EXPECT_EQ(r, 21);
    EXPECT_EQ(b, 6);

    CFrameImage copy(frame);
    frame.RemoveLayer(0);
    EXPECT_EQ(copy.GetPlacement(), (RasterRect{4, 4, 7, 6}));
    EXPECT_EQ(copy.GetLayerCount(), 1);
    EXPECT_EQ(copy.GetLayerRect(0), (RasterRect{20, 1, 21, 2}));
}

TEST(FrameImage, ChangeDepthUpAndDown)
{
    CFrameImage frame;
    frame.Place(test::Filled(2, 2, MakeRgb(255, 0, 0), 8), 0, 0);
    frame.AlphaPaletteEnable(true);
    ASSERT_TRUE(frame.ChangeDepth(8));
    EXPECT_EQ(frame.GetBpp(), 8);
    ASSERT_TRUE(frame.ChangeDepth(24));
    EXPECT_EQ(frame.GetBpp(), 24);
    frame.AlphaPaletteEnable(true);
    ASSERT_TRUE(frame.ChangeDepth(4));
    EXPECT_EQ(frame.GetBpp(), 4);
    // No entry carries a fourth byte, so the palette alpha is switched off.
    EXPECT_FALSE(frame.IsAlphaPaletteEnabled());
    EXPECT_FALSE(CFrameImage().ChangeDepth(8));
}

} // namespace
} // namespace vex
