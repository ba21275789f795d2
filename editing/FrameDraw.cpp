#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPointF>
#include <QRectF>

#include "editing/EditableImage.h"
#include "editing/FrameImage.h"

namespace vex {
namespace {

// Which channel of the temporary surface marks the outline; green marks the
// interior.
enum class Marker { Blue, Red };

// Inclusive extent in the frame's top-down pixels.
struct Extent {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;
};

Extent ExtentOf(const DrawPoint* points, int32_t count)
{
    Extent e{points[0].x, points[0].y, points[0].x, points[0].y};
    for (int32_t i = 1; i < count; ++i) {
        e.left = std::min<int64_t>(e.left, points[i].x);
        e.right = std::max<int64_t>(e.right, points[i].x);
        e.top = std::min<int64_t>(e.top, points[i].y);
        e.bottom = std::max<int64_t>(e.bottom, points[i].y);
    }
    return e;
}

bool InRange(std::initializer_list<int64_t> values)
{
    return std::all_of(values.begin(), values.end(), [](int64_t v) { return CoordInRange(v); });
}

// Draws the shape with marker colours on a black surface covering its extent
// grown by the pen (cut to the frame, so a stray coordinate cannot ask for a
// huge surface), then moves every marked pixel into the frame: outline pixels
// take the line colour, interior pixels the fill colour when there is one.
// Returns true when the shape lies wholly outside the frame: nothing to do.
template <class Paint>
bool DrawMasked(CFrameImage& frame, Extent e, int32_t pen, Marker marker, uint32_t lineColor,
                std::optional<uint32_t> fillColor, Paint&& paint)
{
    const int64_t w = frame.GetWidth(), h = frame.GetHeight();
    // The cut leaves a margin around the frame so that the rasteriser never
    // clips the shape where it crosses the frame's edge.
    const int64_t margin = int64_t{pen} + 2;
    const Extent box{std::max(e.left - pen, -margin), std::max(e.top - pen, -margin),
                     std::min(e.right + pen, w - 1 + margin), std::min(e.bottom + pen, h - 1 + margin)};
    if (box.left > box.right || box.top > box.bottom) return true;
    const int64_t boxWidth = box.right - box.left + 1, boxHeight = box.bottom - box.top + 1;

    QImage surface(int(boxWidth), int(boxHeight), QImage::Format_RGB32);
    if (surface.isNull()) return false;
    surface.fill(QColor(0, 0, 0));
    {
        QPainter painter(&surface);
        if (!painter.isActive()) return false;
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.translate(-double(box.left), -double(box.top));
        const QColor outline = marker == Marker::Blue ? QColor(0, 0, 255) : QColor(255, 0, 0);
        painter.setPen(outline); // its colour only: outlines are filled as bands
        if (fillColor) painter.setBrush(QColor(0, 255, 0));
        else painter.setBrush(Qt::NoBrush);
        paint(painter);
    }

    const int outlineShift = marker == Marker::Blue ? 0 : 16;
    const bool alpha = frame.AlphaIsValid();
    const RgbQuad line = ColorRefToRgb(lineColor);
    const RgbQuad fill = ColorRefToRgb(fillColor.value_or(0));
    for (int64_t i = 0; i < boxWidth; ++i) {
        frame.SetProgress(int(100 * i / boxWidth));
        if (frame.GetEscape()) return false;
        const int64_t x = box.left + i;
        if (x < 0 || x >= w) continue;
        for (int64_t j = 0; j < boxHeight; ++j) {
            const uint32_t px = reinterpret_cast<const uint32_t*>(surface.constScanLine(int(j)))[i];
            const bool onOutline = ((px >> outlineShift) & 0xFF) != 0;
            const bool inside = ((px >> 8) & 0xFF) != 0;
            if (!onOutline && !inside) continue;
            const int64_t row = h - 1 - (box.top + j);
            if (row < 0 || row >= h) continue;
            if (alpha) frame.AlphaSet(x, row, 255);
            else frame.SetPixelIndex(x, row, 255);
            if (onOutline) frame.SetPixelColor(x, row, line);
            if (inside && fillColor) frame.SetPixelColor(x, row, fill);
        }
    }
    return true;
}

// Paths run through pixel centres, so an outline one pen wide covers exactly
// the pixels its points name.
QPointF Centre(DrawPoint p)
{
    return QPointF(p.x + 0.5, p.y + 0.5);
}

QPainterPath PathThrough(const DrawPoint* points, int32_t count, bool closed)
{
    QPainterPath path(Centre(points[0]));
    for (int32_t i = 1; i < count; ++i) path.lineTo(Centre(points[i]));
    if (closed) path.closeSubpath();
    return path;
}

// Shapes are filled as areas: the interior with the brush, then the pen's
// band around the outline. The rasteriser's own aliased strokes drop corner
// pixels where it clips a polyline and leave holes in wide curves.
void PaintPath(QPainter& p, const QPainterPath& path, int32_t pen, bool closed)
{
    if (closed && p.brush().style() != Qt::NoBrush) p.fillPath(path, p.brush());
    QPainterPathStroker stroker;
    stroker.setWidth(pen);
    stroker.setCapStyle(closed ? Qt::FlatCap : Qt::SquareCap);
    stroker.setJoinStyle(Qt::SvgMiterJoin);
    p.fillPath(stroker.createStroke(path), p.pen().color());
}

} // namespace

bool CFrameImage::DrawPolygon(const DrawPoint* points, int32_t count, uint32_t lineColor,
                              std::optional<uint32_t> fillColor, int32_t penWidth)
{
    if (!IsValid() || !points || count < 1) return false;
    for (int32_t i = 0; i < count; ++i)
        if (!InRange({points[i].x, points[i].y})) return false;
    // Two points make a line, drawn from end to end.
    const bool closed = count > 2;
    const QPainterPath path = PathThrough(points, count, closed);
    const int32_t pen = ClampPen(penWidth);
    return DrawMasked(*this, ExtentOf(points, count), pen, Marker::Blue, lineColor, fillColor,
                      [&](QPainter& p) { PaintPath(p, path, pen, closed); });
}

bool CFrameImage::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t penWidth)
{
    const DrawPoint points[2] = {{x1, y1}, {x2, y2}};
    return DrawPolygon(points, 2, color, std::nullopt, penWidth);
}

bool CFrameImage::DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t lineColor,
                                std::optional<uint32_t> fillColor, int32_t penWidth)
{
    if (!IsValid() || !InRange({x1, y1, x2, y2})) return false;
    const std::vector<DrawPoint> points = RectanglePoints(x1, y1, x2, y2, penWidth);
    return DrawPolygon(points.data(), int32_t(points.size()), lineColor, fillColor, penWidth);
}

// The box's right and bottom edges lie outside the shape, as for the
// platform's rectangle-based figures. The outline runs through pixel centres.
static QRectF FigureBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const int32_t left = std::min(x1, x2), right = std::max(x1, x2);
    const int32_t top = std::min(y1, y2), bottom = std::max(y1, y2);
    return QRectF(left + 0.5, top + 0.5, std::max(right - left - 1, 0), std::max(bottom - top - 1, 0));
}


bool CFrameImage::DrawRoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cornerWidth,
                                int32_t cornerHeight, uint32_t lineColor, std::optional<uint32_t> fillColor,
                                int32_t penWidth)
{
    if (!IsValid() || !InRange({x1, y1, x2, y2, cornerWidth, cornerHeight})) return false;
    const QRectF r = FigureBox(x1, y1, x2, y2);
    // The corner is an ellipse of cornerWidth x cornerHeight: half of each is the radius.
    const double rx = std::abs(cornerWidth) / 2.0, ry = std::abs(cornerHeight) / 2.0;
    const Extent e{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    return DrawMasked(*this, e, ClampPen(penWidth), Marker::Blue, lineColor, fillColor,
                      [&](QPainter& p) {
                          QPainterPath path;
                          path.addRoundedRect(r, rx, ry, Qt::AbsoluteSize);
                          PaintPath(p, path, ClampPen(penWidth), true);
                      });
}

bool CFrameImage::DrawEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t lineColor,
                              std::optional<uint32_t> fillColor, int32_t penWidth)
{
    if (!IsValid() || !InRange({x1, y1, x2, y2})) return false;
    const QRectF r = FigureBox(x1, y1, x2, y2);
    const Extent e{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    return DrawMasked(*this, e, ClampPen(penWidth), Marker::Blue, lineColor, fillColor,
                      [&](QPainter& p) {
                          QPainterPath path;
                          path.addEllipse(r);
                          PaintPath(p, path, ClampPen(penWidth), true);
                      });
}

bool CFrameImage::DrawStar(int32_t boxWidth, int32_t boxHeight, int32_t cx, int32_t cy, int32_t tips,
                           int32_t innerDivisor, uint32_t lineColor, std::optional<uint32_t> fillColor,
                           int32_t penWidth)
{
    if (!IsValid()) return false;
    const std::vector<DrawPoint> points = StarPoints(boxWidth, boxHeight, cx, cy, tips, innerDivisor);
    if (points.empty()) return false;
    return DrawPolygon(points.data(), int32_t(points.size()), lineColor, fillColor, penWidth);
}

std::optional<DrawPoint> CFrameImage::DrawArrow(int32_t startX, int32_t startY, int32_t tipX, int32_t tipY,
                                                const ArrowParams& arrow)
{
    if (!IsValid() || !InRange({startX, startY, tipX, tipY})) return std::nullopt;
    const DrawPoint s{startX, startY}, t{tipX, tipY};
    const std::optional<ArrowHead> head = ArrowHeadPoints(s, t, arrow.width, arrow.angle);
    std::vector<DrawPoint> all{s, t};
    if (head) all.insert(all.end(), {head->base, head->wing1, head->wing2});
    std::optional<uint32_t> fill;
    if (arrow.filled) fill = arrow.fillColor;
    const int32_t pen = ClampPen(arrow.pen);
    const bool ok = DrawMasked(*this, ExtentOf(all.data(), int32_t(all.size())), pen, Marker::Red,
                               arrow.color, fill, [&](QPainter& p) {
                                   const DrawPoint line[2] = {s, t};
                                   if (!head || arrow.filled) PaintPath(p, PathThrough(line, 2, false), pen, false);
                                   if (!head) return;
                                   if (arrow.filled) {
                                       const DrawPoint tri[3] = {t, head->wing1, head->wing2};
                                       PaintPath(p, PathThrough(tri, 3, true), pen, true);
                                   } else {
                                       const DrawPoint path[6] = {s, head->base, head->wing1, t, head->wing2, head->base};
                                       PaintPath(p, PathThrough(path, 6, false), pen, false);
                                   }
                               });
    if (!ok) return std::nullopt;
    return head ? head->base : t;
}

bool CEditableImage::FillRectangle(int32_t index, const RasterRect& rect, uint32_t colorRef)
{
    CFrameImage* f = GetFrame(index);
    if (!f) return false;
    const bool drawn = f->DrawRectangle(rect.left, rect.top, rect.right, rect.bottom, colorRef, colorRef, 1);
    f->UpdatePlacement();
    return drawn;
}

} // namespace vex
