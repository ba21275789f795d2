#include <gtest/gtest.h>

#include "editing/EditableImage.h"
#include "editing/EditingFixtures.h"

namespace vex {
namespace {

// A frame source whose size and colour tell the frames apart.
Raster Sized(uint32_t w, uint32_t h, int32_t left = 0, int32_t top = 0)
{
    Raster img = test::Filled(w, h, MakeRgb(uint8_t(w), uint8_t(h), 9));
    img.SetFrameRect(RasterRect{left, top, left + int32_t(w), top + int32_t(h)});
    return img;
}

std::vector<int32_t> Widths(const CEditableImage& ed)
{
    std::vector<int32_t> out;
    for (int32_t i = 0; i < ed.GetFrameCount(); ++i) out.push_back(int32_t(ed.GetFrame(i)->GetWidth()));
    return out;
}

TEST(EditableImage, ListOperationsKeepOrderAndPlacement)
{
    CEditableImage ed;
    ed.Append(Sized(1, 1));
    ed.Append(Sized(2, 3, 5, 7)); // placed at its frame rectangle
    ed.Append(Sized(3, 1));
    EXPECT_EQ(ed.GetFrame(1)->GetPlacement(), (RasterRect{5, 7, 7, 10}));

    CFrameImage four;
    four.Place(Sized(4, 1), 0, 0);
    ASSERT_TRUE(ed.Insert(1, four));
    EXPECT_EQ(Widths(ed), (std::vector<int32_t>{1, 4, 2, 3}));
    ASSERT_TRUE(ed.Exchange(0, 3));
    EXPECT_EQ(Widths(ed), (std::vector<int32_t>{3, 4, 2, 1}));
    ASSERT_TRUE(ed.RemoveRange(1, 3));
    EXPECT_EQ(Widths(ed), (std::vector<int32_t>{3, 1}));
    ASSERT_TRUE(ed.ReplaceOrAppend(5, Sized(6, 1)));
    ASSERT_TRUE(ed.ReplaceOrAppend(0, Sized(7, 2, 1, 1)));
    EXPECT_EQ(Widths(ed), (std::vector<int32_t>{7, 1, 6}));
    EXPECT_EQ(ed.GetFrame(0)->GetPlacement(), (RasterRect{1, 1, 8, 3}));

    // Replacing with an image without pixels is ignored.
    EXPECT_FALSE(ed.Replace(1, Raster()));
    ASSERT_TRUE(ed.Replace(1, Sized(8, 2)));
    EXPECT_EQ(Widths(ed), (std::vector<int32_t>{7, 8, 6}));
    int32_t w = 0, h = 0;
    ed.GetFrameSize(1, w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 2);
}

TEST(EditableImage, InvalidIndexesDoNothing)
{
    CEditableImage ed;
    ed.Append(Sized(2, 2));
    const Raster other = Sized(5, 5);
    for (int32_t bad : {-1, 1, 100}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ed.GetFrame(bad), nullptr);
        int32_t w = -5, h = -5;
        ed.GetFrameSize(bad, w, h);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
        EXPECT_EQ(ed.GetBpp(bad), 0u);
        EXPECT_EQ(ed.GetLargestBpp(bad), 0u);
        EXPECT_EQ(ed.GetPalette(bad), nullptr);
        EXPECT_EQ(ed.GetPaletteSize(bad), 0u);
        EXPECT_EQ(ed.GetFrameDelay(bad), 0u);
        EXPECT_FALSE(ed.IsGrayScale(bad));
        EXPECT_FALSE(ed.SetHotspot(bad, 1, 1));
        EXPECT_FALSE(ed.Replace(bad, other));
        EXPECT_FALSE(ed.RemoveRange(bad, bad + 1));
        EXPECT_FALSE(ed.Exchange(0, bad));
        EXPECT_FALSE(ed.Crop(bad, 0, 0, 1, 1));
        EXPECT_FALSE(ed.Enlarge(bad, RasterRect{0, 0, 4, 4}));
        EXPECT_FALSE(ed.GrayScale(bad));
        EXPECT_FALSE(ed.Negative(bad));
        EXPECT_FALSE(ed.Light(bad, 10, 10));
        EXPECT_FALSE(ed.PseudoColors(bad, 1.0f));
    }
    EXPECT_FALSE(ed.Insert(2, CFrameImage()));
    EXPECT_FALSE(ed.ReplaceOrAppend(-1, other));
    ASSERT_EQ(ed.GetFrameCount(), 1);
    EXPECT_EQ(ed.GetFrame(0)->GetWidth(), 2u);
    // The same operations on the valid index do run.
    EXPECT_TRUE(ed.Negative(0));
    EXPECT_TRUE(test::SameRgb(ed.GetFrame(0)->GetPixelColor(0, 0), MakeRgb(253, 253, 246)));
    EXPECT_TRUE(ed.PseudoColors(0, 1.0f));
    EXPECT_TRUE(ed.SetHotspot(0, 1, 1));
    EXPECT_EQ(ed.GetFrame(0)->GetHotspotX(), 1);
}

TEST(EditableImage, SelectionRectangleIsNormalisedAndTransposable)
{
    CEditableImage ed;
    EXPECT_FALSE(ed.HasSelectionRect());
    struct Case {
        int32_t a, b, c, d;
        bool transposed;
        RasterRect stored;
    };
    const Case cases[] = {
        {1, 2, 5, 8, false, {1, 2, 5, 8}},
        {1, 2, 5, 8, true, {2, 1, 8, 5}},
        {5, 8, 1, 2, false, {1, 2, 5, 8}}, // reversed corners are ordered
        {5, 2, 1, 8, true, {2, 1, 8, 5}},
    };
    for (const Case& c : cases) {
        ed.SetSelectionRect(c.a, c.b, c.c, c.d, c.transposed);
        EXPECT_TRUE(ed.HasSelectionRect());
        EXPECT_EQ(ed.GetSelectionRect(true), c.stored);
        const RasterRect swapped{c.stored.top, c.stored.left, c.stored.bottom, c.stored.right};
        EXPECT_EQ(ed.GetSelectionRect(false), swapped);
    }
}

TEST(EditableImage, CanvasSizeCoversFramesLayersAndSelection)
{
    CEditableImage ed;
    ed.Append(Sized(4, 3, 1, 1));   // extent (5, 4)
    ed.GetFrame(0)->AddLayer(Sized(2, 2, 6, 0)); // layer reaches right 8
    int32_t w = 0, h = 0;
    ed.GetCanvasSize(w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 4);
    // The stored selection is transposed: its bottom bounds the width.
    ed.SetSelectionRect(0, 0, 3, 20, false);
    ed.GetCanvasSize(w, h);
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 4);
}

TEST(EditableImage, CopyIsDeepAndResetClearsEverything)
{
    CEditableImage ed;
    Raster src = Sized(3, 3);
    src.AlphaCreate();
    src.AlphaSet(uint8_t{77});
    ed.Append(src);
    ed.GetFrame(0)->AddLayer(Sized(1, 1));
    ed.SetAnimated(1);
    ed.SetLabel("Rotated");
    ed.SetSecondText("note");
    ed.SetSelectionRect(0, 0, 2, 2, false);
    ed.SetFloatingSelection(&src);

    CEditableImage copy(ed);
    ed.GetFrame(0)->SetPixelColor(0, 0, MakeRgb(1, 2, 3));
    ed.GetFrame(0)->AlphaSet(0, 0, 5);
    ed.GetFrame(0)->RemoveLayer(0);
    ed.GetFloatingSelection()->AlphaSet(0, 0, 6);

    EXPECT_TRUE(test::SameRgb(copy.GetFrame(0)->GetPixelColor(0, 0), MakeRgb(3, 3, 9)));
    EXPECT_EQ(copy.GetFrame(0)->AlphaGet(0, 0), 77);
    EXPECT_EQ(copy.GetFrame(0)->GetLayerCount(), 1);
    EXPECT_EQ(copy.GetFloatingSelection()->AlphaGet(0, 0), 77);
    EXPECT_TRUE(copy.IsAnimated());
    EXPECT_EQ(copy.GetLabel(), "Rotated");
    EXPECT_EQ(copy.GetSecondText(), "note");
    EXPECT_EQ(copy.GetSelectionRect(true), (RasterRect{0, 0, 2, 2}));

    copy.Reset();
    EXPECT_EQ(copy.GetFrameCount(), 0);
    EXPECT_FALSE(copy.IsAnimated());
    EXPECT_FALSE(copy.GetLabel().has_value());
    EXPECT_FALSE(copy.GetSecondText().has_value());
    EXPECT_EQ(copy.GetFloatingSelection(), nullptr);
    EXPECT_FALSE(copy.HasSelectionRect());
}

TEST(EditableImage, CropAndEnlargeUpdateThePlacement)
{
    CEditableImage ed;
    Raster src = test::Filled(4, 4, MakeRgb(10, 20, 30));
    src.SetPixelColor(0, 3, MakeRgb(200, 0, 0)); // top-left pixel
    src.SetFrameRect(RasterRect{3, 4, 7, 8});
    ed.Append(src);

    ASSERT_TRUE(ed.Crop(0, 0, 0, 2, 3));
    EXPECT_EQ(ed.GetFrame(0)->GetPlacement(), (RasterRect{3, 4, 5, 7}));
    EXPECT_TRUE(test::SameRgb(ed.GetFrame(0)->GetPixelColor(0, 2), MakeRgb(200, 0, 0)));

    // The old pixels keep their top-left corner, white around them.
    ASSERT_TRUE(ed.Enlarge(0, RasterRect{0, 0, 4, 5}));
    const CFrameImage& f = *ed.GetFrame(0);
    EXPECT_EQ(f.GetPlacement(), (RasterRect{0, 0, 4, 5}));
    ASSERT_EQ(f.GetWidth(), 4u);
    ASSERT_EQ(f.GetHeight(), 5u);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            const bool old = x < 2 && y >= 2;
            RgbQuad want = old ? MakeRgb(10, 20, 30) : MakeRgb(255, 255, 255);
            if (x == 0 && y == 4) want = MakeRgb(200, 0, 0);
            EXPECT_TRUE(test::SameRgb(f.GetPixelColor(x, y), want)) << x << "," << y;
        }
    }
}

} // namespace
} // namespace vex
