// Painting the canvas: the fast scaled drawing against the image's own
// drawing, the hatch, the grid from zoom 5 and the hit test of the handles.

#include <random>

#include "editor/CanvasPainter.h"
#include "editor/IconView.h"
#include "image/Bridge.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;
using test::MakePicture;

// A picture of the depth with varied pixels; `variant` adds a key colour
// (1), an alpha plane (2) or palette alpha (3).
Raster Varied(uint32_t bpp, int variant, uint32_t w = 7, uint32_t h = 5)
{
    Raster r = MakePicture(w, h, 77);
    if (bpp < 24) r.DecreaseBpp(bpp, false);
    std::mt19937 rng(bpp * 10 + variant);
    if (variant == 1) {
        if (bpp < 24) r.SetTransIndex(1);
        else {
            r.SetTransIndex(0);
            r.SetTransColor(r.GetPixelColor(2, 2));
        }
    } else if (variant == 2) {
        r.AlphaCreate();
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) r.AlphaSet(x, y, uint8_t(rng()));
        r.SetAlphaMax(200);
    } else if (variant == 3 && bpp < 24) {
        for (uint32_t i = 0; i < r.GetNumColors(); ++i) {
            RgbQuad c = r.GetPaletteColor(uint8_t(i));
            c.reserved = uint8_t(rng());
            r.SetPaletteColor(uint8_t(i), c);
        }
        r.AlphaPaletteEnable(true);
    }
    return r;
}

TEST(CanvasPainter, ScaledDrawingMatchesTheImagesOwnDrawing)
{
    struct Place {
        int64_t x, y, w, h;
        RasterRect clip;
    };
    const Place places[] = {{0, 0, -1, -1, {}},         {3, 2, 21, 15, {}},      {-4, -3, 70, 50, {}},
                            {5, 1, 3, 2, {}},           {2, 2, 35, 25, {4, 3, 30, 20}}, {10, 8, 14, 10, {}}};
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        for (int variant = 0; variant < 4; ++variant) {
            const Raster src = Varied(bpp, variant);
            for (const Place& p : places) {
                QImage a(48, 36, QImage::Format_RGB32), b(48, 36, QImage::Format_RGB32);
                for (int y = 0; y < 36; ++y)
                    for (int x = 0; x < 48; ++x) a.setPixel(x, y, 0xFF000000u | uint32_t(x * 5 << 16 | y * 7 << 8 | 90));
                b = a.copy();
                PaintTarget ta{reinterpret_cast<uint32_t*>(a.bits()), 48, 36, a.bytesPerLine() / 4, p.clip};
                PaintTarget tb{reinterpret_cast<uint32_t*>(b.bits()), 48, 36, b.bytesPerLine() / 4, p.clip};
                ASSERT_EQ(src.Draw(ta, p.x, p.y, p.w, p.h), DrawScaled(src, tb, p.x, p.y, p.w, p.h));
                ASSERT_EQ(a, b) << "bpp " << bpp << " variant " << variant << " at " << p.x << "," << p.y << " "
                                << p.w << "x" << p.h;
                // With two expected backgrounds, some of which the target holds.
                QImage c = b.copy(), d = b.copy();
                for (int y = 0; y < 36; y += 3)
                    for (int x = 0; x < 48; x += 2) {
                        c.setPixel(x, y, 0xFFDDDDDDu);
                        c.setPixel(x + 1, y, 0xFFFFFFFFu);
                    }
                d = c.copy();
                PaintTarget tc{reinterpret_cast<uint32_t*>(c.bits()), 48, 36, c.bytesPerLine() / 4, p.clip};
                PaintTarget td{reinterpret_cast<uint32_t*>(d.bits()), 48, 36, d.bytesPerLine() / 4, p.clip};
                const uint32_t under[2] = {0xFFDDDDDDu, 0xFFFFFFFFu};
                src.Draw(tc, p.x, p.y, p.w, p.h);
                DrawScaled(src, td, p.x, p.y, p.w, p.h, under);
                ASSERT_EQ(c, d) << "bpp " << bpp << " variant " << variant << " over two backgrounds";
            }
        }
    }
}

TEST(CanvasPainter, HatchStaysAlignedToTheWindow)
{
    QImage whole(24, 16, QImage::Format_RGB32), part(8, 8, QImage::Format_RGB32);
    PaintTarget tw{reinterpret_cast<uint32_t*>(whole.bits()), 24, 16, whole.bytesPerLine() / 4, {}};
    PaintTarget tp{reinterpret_cast<uint32_t*>(part.bits()), 8, 8, part.bytesPerLine() / 4, {}};
    FillHatch(tw, 0, 0, 0xDDDDDD, 0xFFFFFF);
    // The part stands for a clip box at (13, 5) of the same window.
    FillHatch(tp, 13, 5, 0xDDDDDD, 0xFFFFFF);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(part.pixel(x, y), whole.pixel(13 + x, 5 + y));
    // Both diagonals of every 8 x 8 cell carry the hatch colour.
    EXPECT_EQ(whole.pixel(0, 0) & 0xFFFFFF, 0xDDDDDDu);
    EXPECT_EQ(whole.pixel(7, 0) & 0xFFFFFF, 0xDDDDDDu);
    EXPECT_EQ(whole.pixel(3, 0) & 0xFFFFFF, 0xFFFFFFu);
}

class CanvasTest : public AppTest {
protected:
    QImage PaintAll(CIconView& view)
    {
        int32_t w = 0, h = 0;
        view.GetCanvasSize(w, h);
        const int side = int(std::ceil(std::max(w, h) * view.GetZoom())) + 8;
        QImage buffer(side, side, QImage::Format_RGB32);
        view.PaintCanvas(buffer, QRect(0, 0, side, side));
        return buffer;
    }
};

TEST_F(CanvasTest, FramePixelsShowAtTheZoomOverTheHatch)
{
    CIconView view;
    const Raster pic = MakePicture(16, 16, 5);
    ASSERT_TRUE(view.SetImage(QString(), &pic, 0));
    view.ZoomIn();
    view.ZoomIn();
    ASSERT_FLOAT_EQ(view.GetZoom(), 3.0f);
    const QImage img = PaintAll(view);
    for (int y = 0; y < 16; y += 5)
        for (int x = 0; x < 16; x += 3) {
            const RgbQuad c = pic.GetPixelColor(x, 15 - y);
            const uint32_t want = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
            EXPECT_EQ(img.pixel(3 * x + 1, 3 * y + 1) & 0xFFFFFF, want) << x << "," << y;
        }
    // Beyond the canvas the hatch shows.
    const uint32_t outside = img.pixel(54, 10) & 0xFFFFFF;
    EXPECT_TRUE(outside == 0xDDDDDD || outside == 0xFFFFFF);
}

TEST_F(CanvasTest, EmptyEditorIsSolidGrey)
{
    CIconView view;
    QImage buffer(10, 10, QImage::Format_RGB32);
    view.PaintCanvas(buffer, QRect(0, 0, 10, 10));
    EXPECT_EQ(buffer.pixel(4, 4) & 0xFFFFFF, 0xF1F1F1u);
}

TEST_F(CanvasTest, GridShowsFromZoomFive)
{
    CIconView view;
    // A white picture: only grid lines and the frame's handles are grey.
    Raster pic;
    pic.Create(8, 8, 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pic.SetPixelColor(x, y, MakeRgb(255, 255, 255));
    ASSERT_TRUE(view.SetImage(QString(), &pic, 0));
    view.ToggleGrid();
    for (int i = 0; i < 3; ++i) view.ZoomIn();
    ASSERT_FLOAT_EQ(view.GetZoom(), 4.0f);
    QImage img = PaintAll(view);
    EXPECT_EQ(img.pixel(4 * 3 - 1, 4 * 2 + 2) & 0xFFFFFF, 0xFFFFFFu) << "no grid at zoom 4";
    view.ZoomIn();
    img = PaintAll(view);
    // The left edge of column 3 and the top edge of row 2, one pixel before the cell.
    EXPECT_EQ(img.pixel(5 * 3 - 1, 5 * 4 + 2) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(img.pixel(5 * 4 + 2, 5 * 2 - 1) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(img.pixel(5 * 3 + 2, 5 * 4 + 2) & 0xFFFFFF, 0xFFFFFFu);
    // Without the grid bit nothing is drawn.
    view.ToggleGrid();
    img = PaintAll(view);
    EXPECT_EQ(img.pixel(5 * 3 - 1, 5 * 4 + 2) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(CanvasTest, HandleHitTestUsesFiveUnits)
{
    CIconView view;
    const Raster pic = MakePicture(64, 64, 5);
    ASSERT_TRUE(view.SetImage(QString(), &pic, 0));
    PaintAll(view);
    EXPECT_EQ(view.GetFramedRect(), QRect(0, 0, 64, 64));
    struct Case {
        QPoint at;
        int want;
    };
    const Case cases[] = {{{5, 0}, 1},  {{6, 0}, 0},   {{0, 5}, 1},   {{0, 6}, 0},   {{5, 5}, 1},
                          {{32, 2}, 2}, {{64, 0}, 3},  {{0, 64}, 4},  {{30, 63}, 5}, {{63, 60}, 6},
                          {{1, 30}, 7}, {{62, 34}, 8}, {{20, 20}, 0}};
    for (const Case& c : cases) EXPECT_EQ(view.HitTestHandle(c.at), c.want) << c.at.x() << "," << c.at.y();
    // Inside a selection.
    view.GetImage().SetSelectionRect(10, 10, 30, 30, true);
    EXPECT_EQ(view.HitTestHandle(QPoint(20, 20)), 17);
    // Cursors: handles size the frame, the tool decides on the canvas.
    EXPECT_EQ(view.CursorShapeAt(QPoint(0, 0)), Qt::SizeFDiagCursor);
    EXPECT_EQ(view.CursorShapeAt(QPoint(32, 0)), Qt::SizeVerCursor);
    EXPECT_EQ(view.CursorShapeAt(QPoint(64, 0)), Qt::SizeBDiagCursor);
    EXPECT_EQ(view.CursorShapeAt(QPoint(0, 32)), Qt::SizeHorCursor);
    EXPECT_EQ(view.CursorIdAt(QPoint(45, 45)), 149);
    EXPECT_EQ(view.CursorIdAt(QPoint(20, 20)), 149);
    view.SelectTool(ToolSelect);
    view.GetImage().SetSelectionRect(10, 10, 30, 30, true);
    EXPECT_EQ(view.CursorIdAt(QPoint(20, 20)), 153);
    EXPECT_EQ(view.CursorIdAt(QPoint(45, 45)), 158);
    view.SelectTool(ToolEraser);
    EXPECT_EQ(view.CursorIdAt(QPoint(45, 45)), -1);
    EXPECT_EQ(view.CursorIdAt(QPoint(500, 20)), 0);
}

TEST_F(CanvasTest, ImagePointsAreClampedOrRefused)
{
    CIconView view;
    const Raster pic = MakePicture(10, 6, 5);
    ASSERT_TRUE(view.SetImage(QString(), &pic, 0));
    view.ZoomIn();
    EXPECT_EQ(view.ImagePointAt(QPoint(-1, -1), true), QPoint(-1, -1));
    EXPECT_EQ(view.ImagePointAt(QPoint(5, 3), false), QPoint(2, 1));
    EXPECT_EQ(view.ImagePointAt(QPoint(40, 3), false), QPoint(-1, -1));
    EXPECT_EQ(view.ImagePointAt(QPoint(40, 30), true), QPoint(10, 6));
}

TEST_F(CanvasTest, EraserCursorFollowsZoomAndSize)
{
    CIconView view;
    const Raster pic = MakePicture(10, 6, 5);
    ASSERT_TRUE(view.SetImage(QString(), &pic, 0));
    EXPECT_EQ(view.EraserCursorSize(), QSize(4, 4));
    view.SetEraserSize(2);
    EXPECT_EQ(view.EraserCursorSize(), QSize(8, 8));
    view.ZoomIn();
    EXPECT_EQ(view.EraserCursorSize(), QSize(16, 16));
}

} // namespace
} // namespace vex

namespace vex {
namespace {

// A 40 x 40 white frame with one 10 x 10 layer at (5, 5) whose arrow points
// to (30, 30).
void AddArrowLayer(CIconView& view, int32_t style)
{
    CFrameImage* frame = view.GetImage().GetFrame(0);
    Raster card = test::MakePicture(10, 10, 200);
    card.SetFrameRect(RasterRect{5, 5, 15, 15});
    frame->AddLayer(card);
    TemplateInfo d;
    d.arrowStyle = style;
    d.arrowPen = 1;
    d.arrowColor = 0x0000FF; // red as 0x00BBGGRR
    frame->SetLayerDescription(0, d, 30, 30);
}

// A white 40 x 40 picture carrying the arrow layer above.
bool ShowWhiteWithArrowLayer(CIconView& view)
{
    Raster white;
    white.Create(40, 40, 24);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) white.SetPixelColor(x, y, MakeRgb(255, 255, 255));
    if (!view.SetImage(QString(), &white, 0)) return false;
    AddArrowLayer(view, 0x02);
    return true;
}

class TemplateCanvasTest : public CanvasTest {};

TEST_F(TemplateCanvasTest, LayerArrowAndAnchorMarkerArePainted)
{
    CIconView view;
    ASSERT_TRUE(ShowWhiteWithArrowLayer(view));
    view.ZoomIn();
    QImage img = PaintAll(view);
    // The marker's red centre at the zoomed anchor.
    EXPECT_EQ(img.pixel(60, 60) & 0xFFFFFF, 0xFF0000u);
    // The layer's picture at its zoomed rectangle.
    const RgbQuad c = test::MakePicture(10, 10, 200).GetPixelColor(0, 9);
    EXPECT_EQ(img.pixel(11, 11) & 0xFFFFFF, uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue);
    // Selected, the layer is framed and its anchor is handle 9.
    view.SetCurrentTemplate(0);
    img = PaintAll(view);
    EXPECT_EQ(view.GetFramedRect(), QRect(10, 10, 20, 20));
    EXPECT_EQ(view.HitTestHandle(QPoint(60, 61)), 9);
    EXPECT_EQ(view.HitTestHandle(QPoint(19, 19)), 16);
    // A hidden arrow is neither painted nor hit.
    TemplateInfo d;
    int32_t x = 0, y = 0;
    view.GetImage().GetFrame(0)->GetLayerDescription(0, d, x, y);
    d.arrowStyle |= 0x01;
    view.GetImage().GetFrame(0)->SetLayerDescription(0, d, x, y);
    img = PaintAll(view);
    EXPECT_EQ(img.pixel(60, 60) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(view.HitTestHandle(QPoint(60, 61)), 0);
}

TEST_F(TemplateCanvasTest, RenderFrameFlattensLayersAndArrows)
{
    CIconView view;
    ASSERT_TRUE(ShowWhiteWithArrowLayer(view));
    auto flat = view.RenderFrame(0);
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->GetWidth(), 40u);
    EXPECT_EQ(flat->GetBpp(), 24);
    // The card's top-left pixel at (5, 5) from the top.
    EXPECT_EQ(flat->GetPixelColor(5, 39 - 5), test::MakePicture(10, 10, 200).GetPixelColor(0, 9));
    // Somewhere along the arrow the line colour shows.
    int red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (flat->GetPixelColor(x, y) == MakeRgb(255, 0, 0)) ++red;
    EXPECT_GT(red, 5);
}

} // namespace
} // namespace vex
