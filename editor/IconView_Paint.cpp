// Painting the canvas: hatch, frame, floating selection, template layers,
// the framed rectangle with its handles and the grid, double-buffered and
// limited to the clip.

#include <cmath>
#include <utility>
#include <vector>

#include <QPaintEvent>
#include <QPainter>

#include "editor/CanvasPainter.h"
#include "editor/IconView.h"
#include "editor/LayerArrow.h"

namespace vex {
namespace {

constexpr uint32_t kHatchColour = 0xDDDDDD;
constexpr uint32_t kHatchBack = 0xFFFFFF;
constexpr uint32_t kEmptyColour = 0xF1F1F1;
constexpr uint32_t kGridColour = 0x808080;
const QColor kFrameColour(60, 30, 230);

PaintTarget TargetOf(QImage& buffer)
{
    PaintTarget t;
    t.pixels = reinterpret_cast<uint32_t*>(buffer.bits());
    t.width = buffer.width();
    t.height = buffer.height();
    t.stride = buffer.bytesPerLine() / 4;
    return t;
}

int64_t Zoomed(int64_t v, float zoom) { return int64_t(std::trunc(double(v) * double(zoom))); }

QRect ZoomedRect(const RasterRect& r, float zoom)
{
    const int64_t l = Zoomed(r.left, zoom), t = Zoomed(r.top, zoom);
    return QRect(int(l), int(t), int(Zoomed(int64_t{r.right} - r.left, zoom)),
                 int(Zoomed(int64_t{r.bottom} - r.top, zoom)));
}

} // namespace

void CIconView::paintEvent(QPaintEvent* event)
{
    const QRect clip = event->rect();
    if (clip.isEmpty()) return;
    const QRect logical = clip.translated(ScrollPosition());
    QPainter window(viewport());
    QImage buffer(clip.size(), QImage::Format_RGB32);
    if (!buffer.isNull()) {
        PaintCanvas(buffer, logical);
        window.drawImage(clip.topLeft(), buffer);
        return;
    }
    // No memory for the whole clip: paint it in bands.
    for (int top = 0; top < clip.height(); top += 64) {
        const QRect band(clip.left(), clip.top() + top, clip.width(), std::min(64, clip.height() - top));
        QImage strip(band.size(), QImage::Format_RGB32);
        if (strip.isNull()) return;
        PaintCanvas(strip, band.translated(ScrollPosition()));
        window.drawImage(band.topLeft(), strip);
    }
}

void CIconView::PaintCanvas(QImage& buffer, const QRect& clip)
{
    PaintTarget target = TargetOf(buffer);
    if (hatched_) FillHatch(target, clip.left() - ScrollPosition().x(), clip.top() - ScrollPosition().y(), kHatchColour, kHatchBack);
    else FillSolid(target, kEmptyColour);
    if (currentFrame_ < 0 || currentFrame_ >= image_.GetFrameCount()) currentFrame_ = 0;
    if (!HasFrames()) return;
    PaintFrames(buffer, clip, clip.left(), clip.top());
    PaintFramedRect(buffer, clip);
    if (zoom_ >= 5.0f && (drawStyle_ & StyleGrid)) PaintGrid(buffer, clip);
}

void CIconView::PaintFrames(QImage& buffer, const QRect& clip, int64_t originX, int64_t originY)
{
    (void)clip;
    PaintTarget target = TargetOf(buffer);
    const CFrameImage* frame = std::as_const(image_).GetFrame(currentFrame_);
    QRect framed;
    // The frame lands on the freshly filled background.
    const uint32_t hatch[2] = {0xFF000000u | kHatchColour, 0xFF000000u | kHatchBack};
    const uint32_t solid[2] = {0xFF000000u | kEmptyColour, 0xFF000000u | kEmptyColour};
    const uint32_t* under = hatched_ ? hatch : solid;
    if (zoom_ == 1.0f) {
        DrawScaled(*frame, target, -originX, -originY, -1, -1, under);
        framed = QRect(0, 0, int(frame->GetWidth()), int(frame->GetHeight()));
    } else {
        framed = ZoomedRect(frame->GetPlacement(), zoom_);
        DrawScaled(*frame, target, framed.left() - originX, framed.top() - originY, framed.width(), framed.height(),
                   under);
    }
    if (image_.HasSelectionRect()) {
        const QRect sel = ZoomedRect(image_.GetSelectionRect(true), zoom_);
        if (const Raster* floating = std::as_const(image_).GetFloatingSelection())
            DrawScaled(*floating, target, sel.left() - originX, sel.top() - originY, sel.width(), sel.height());
        framed = sel;
    }
    for (int32_t i = 0; i < frame->GetLayerCount(); ++i) {
        const CTemplateLayer* layer = frame->GetLayer(i);
        const QRect r = ZoomedRect(layer->picture.GetPlacement(), zoom_);
        DrawScaled(layer->picture, target, r.left() - originX, r.top() - originY, r.width(), r.height());
        if (!(layer->description.arrowStyle & kArrowHidden)) {
            QPainter p(&buffer);
            p.translate(double(-originX), double(-originY));
            PaintLayerArrow(p, *layer, zoom_);
        }
        if (i == currentTemplate_) framed = r;
    }
    framedRect_ = framed;
}

void CIconView::PaintFramedRect(QImage& buffer, const QRect& clip)
{
    const QRect r = framedRect_.normalized();
    QPainter p(&buffer);
    p.translate(-clip.topLeft());
    QPen pen(kFrameColour, 1, Qt::DotLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
    const int l = r.left(), t = r.top(), rr = r.left() + r.width(), b = r.top() + r.height();
    const int mx = l + (rr - l) / 2, my = t + (b - t) / 2;
    const QRect handles[8] = {{l - 4, t - 4, 4, 4}, {mx - 2, t - 4, 4, 4}, {rr, t - 4, 4, 4}, {l - 4, b, 4, 4},
                              {mx - 2, b, 4, 4},    {rr, b, 4, 4},         {l - 4, my - 2, 4, 4}, {rr, my - 2, 4, 4}};
    for (const QRect& h : handles) p.fillRect(h, kFrameColour);
}

void CIconView::PaintGrid(QImage& buffer, const QRect& clip)
{
    int32_t cw = 0, ch = 0;
    GetCanvasSize(cw, ch);
    const int64_t step = int64_t(std::ceil(zoom_));
    const int64_t boxLeft = std::max<int64_t>(0, clip.left() - step);
    const int64_t boxTop = std::max<int64_t>(0, clip.top() - step);
    const int64_t boxRight = std::min<int64_t>(Zoomed(cw, zoom_), int64_t{clip.left()} + clip.width() + step);
    const int64_t boxBottom = std::min<int64_t>(Zoomed(ch, zoom_), int64_t{clip.top()} + clip.height() + step);
    if (boxRight <= boxLeft || boxBottom <= boxTop) return;
    PaintTarget t = TargetOf(buffer);
    const uint32_t colour = 0xFF000000u | kGridColour;
    // Cells whose area meets the box: first and one-past-last column and row.
    const int64_t firstCol = int64_t(std::floor(double(boxLeft) / zoom_));
    const int64_t endCol = int64_t(std::ceil(double(boxRight) / zoom_));
    const int64_t firstRow = int64_t(std::floor(double(boxTop) / zoom_));
    const int64_t endRow = int64_t(std::ceil(double(boxBottom) / zoom_));
    // The lines run across the box, clipped to the buffer.
    const int64_t x0 = std::max<int64_t>(boxLeft - clip.left(), 0), x1 = std::min<int64_t>(boxRight - clip.left(), t.width);
    const int64_t y0 = std::max<int64_t>(boxTop - clip.top(), 0), y1 = std::min<int64_t>(boxBottom - clip.top(), t.height);
    for (int64_t row = firstRow; row < endRow; ++row) {
        const int64_t y = Zoomed(row, zoom_) - 1 - clip.top();
        if (y < 0 || y >= t.height || x1 <= x0) continue;
        std::fill(t.pixels + y * t.stride + x0, t.pixels + y * t.stride + x1, colour);
    }
    // Vertical lines row by row, so the writes run along memory.
    std::vector<int64_t> columns;
    for (int64_t col = firstCol; col < endCol; ++col) {
        const int64_t x = Zoomed(col, zoom_) - 1 - clip.left();
        if (x >= 0 && x < t.width) columns.push_back(x);
    }
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t* row = t.pixels + y * t.stride;
        for (int64_t x : columns) row[x] = colour;
    }
}

QPoint CIconView::ImagePointAt(QPoint w, bool clamp) const
{
    if (w == QPoint(-1, -1)) return w;
    const QPoint s = ScrollPosition();
    const int64_t x = int64_t(std::trunc(double(w.x() + s.x()) / zoom_));
    const int64_t y = int64_t(std::trunc(double(w.y() + s.y()) / zoom_));
    int32_t cw = 0, ch = 0;
    GetCanvasSize(cw, ch);
    if (!clamp) {
        if (x < 0 || y < 0 || x >= cw || y >= ch) return QPoint(-1, -1);
        return QPoint(int(x), int(y));
    }
    return QPoint(int(std::clamp<int64_t>(x, 0, cw)), int(std::clamp<int64_t>(y, 0, ch)));
}

QPoint CIconView::ImagePointUnderCursor(bool clamp) const
{
    const QPoint w = viewport()->mapFromGlobal(QCursor::pos());
    return ImagePointAt(w, clamp);
}

int CIconView::HitTestHandle(QPoint windowPoint) const
{
    if (handleInDrag_) return handleInDrag_;
    const QPoint image = ImagePointAt(windowPoint, true);
    const int64_t px = Zoomed(image.x(), zoom_), py = Zoomed(image.y(), zoom_);
    const QRect n = framedRect_.normalized();
    const int64_t l = n.left(), t = n.top(), r = int64_t{n.left()} + n.width(), b = int64_t{n.top()} + n.height();
    const int64_t mx = l + (r - l) / 2, my = t + (b - t) / 2;
    constexpr int64_t T = 5;
    auto near = [](int64_t a, int64_t b) { return std::abs(a - b) <= T; };
    if (!framedRect_.isNull()) {
        if (near(px, l) && near(py, t)) return 1;
        if (near(px, mx) && near(py, t)) return 2;
        if (near(px, r) && near(py, t)) return 3;
        if (near(px, l) && near(py, b)) return 4;
        if (near(px, mx) && near(py, b)) return 5;
        if (near(px, r) && near(py, b)) return 6;
        if (near(px, l) && near(py, my)) return 7;
        if (near(px, r) && near(py, my)) return 8;
    }
    const CFrameImage* frame = std::as_const(image_).GetFrame(currentFrame_);
    if (!frame) return 0;
    if (const CTemplateLayer* layer = frame->GetLayer(currentTemplate_)) {
        // The arrow's point is the anchor the layer's description holds.
        if (LayerHasArrow(*layer) && near(px, Zoomed(layer->description.x, zoom_)) && near(py, Zoomed(layer->description.y, zoom_)))
            return 9;
    }
    for (int32_t i = frame->GetLayerCount(); i-- > 0;) {
        const RasterRect r2 = frame->GetLayerRect(i);
        if (image.x() >= r2.left && image.x() < r2.right && image.y() >= r2.top && image.y() < r2.bottom) return 16;
    }
    if (image_.HasSelectionRect()) {
        const RasterRect s = image_.GetSelectionRect(true);
        if (image.x() >= s.left && image.x() < s.right && image.y() >= s.top && image.y() < s.bottom) return 17;
    }
    return 0;
}

} // namespace vex
