// The drawing primitives: lines, shapes, arcs and paths.

#include <algorithm>
#include <cmath>

#include "image/codecs/metafile/MetafileCanvas.h"

namespace vex::metafile {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxPenPixels = 8000;

Qt::BrushStyle HatchStyle(uint32_t hatch)
{
    switch (hatch) {
    case 0: return Qt::HorPattern;
    case 1: return Qt::VerPattern;
    case 2: return Qt::FDiagPattern;
    case 3: return Qt::BDiagPattern;
    case 4: return Qt::CrossPattern;
    case 5: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

// Angle of a radial through p, in degrees counter-clockwise as seen on a
// y-down page, on the ellipse's own scale so it matches arcTo.
double RadialAngle(const QRectF& box, QPointF p)
{
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9), ry = std::max(box.height() / 2, 1e-9);
    const double a = std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / kPi;
    return std::isfinite(a) ? a : 0;
}

} // namespace

QPen MetafileCanvas::MakePen() const
{
    const PenSpec& p = dc_.pen;
    const uint32_t kind = p.style & 0x0F;
    if (kind == 5) return QPen(Qt::NoPen);
    QColor color = p.color;
    if (dc_.rop2 == 1) color = Qt::black;
    if (dc_.rop2 == 16) color = Qt::white;
    QPen pen(color);
    double width = p.width <= 1 ? 0 : p.width * LengthScale();
    if (!std::isfinite(width) || width < 1) width = 0; // a cosmetic pen is one pixel wide
    pen.setWidthF(std::min(width, kMaxPenPixels));
    static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                           Qt::DashDotDotLine};
    pen.setStyle(kind < 5 ? kStyles[kind] : Qt::SolidLine);
    const uint32_t cap = p.style & 0x0F00, join = p.style & 0xF000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    return pen;
}

QBrush MetafileCanvas::MakeBrush(const BrushSpec& b) const
{
    QColor color = b.color;
    if (dc_.rop2 == 1) color = Qt::black;
    if (dc_.rop2 == 16) color = Qt::white;
    switch (b.style) {
    case 1: return QBrush(Qt::NoBrush);
    case 2: return QBrush(color, HatchStyle(b.hatch));
    case 3:
    case 5:
    case 6:
        if (!b.pattern.isNull()) return QBrush(b.pattern);
        return QBrush(color);
    default: return QBrush(color);
    }
}

void MetafileCanvas::ApplyRop2()
{
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (dc_.rop2) {
    case 4: mode = QPainter::RasterOp_NotSource; break;
    case 6: mode = QPainter::RasterOp_NotDestination; break;
    case 7: mode = QPainter::RasterOp_SourceXorDestination; break;
    case 9: mode = QPainter::RasterOp_SourceAndDestination; break;
    case 15: mode = QPainter::RasterOp_SourceOrDestination; break;
    default: break;
    }
    painter_.setCompositionMode(mode);
}

bool MetafileCanvas::ChargeArea(const QRectF& r)
{
    const QRectF visible = r.intersected(QRectF(target_.rect()));
    return Charge(visible.width() * visible.height());
}

bool MetafileCanvas::ChargeStroke(const QPainterPath& p)
{
    // Path length is bounded by the clamped coordinates; curves count by their
    // control polygon, which is never shorter than the curve.
    double length = 0;
    for (int i = 1; i < p.elementCount(); ++i) {
        const auto a = p.elementAt(i - 1), b = p.elementAt(i);
        length += std::hypot(b.x - a.x, b.y - a.y);
    }
    const double width = std::max(1.0, MakePen().widthF());
    const double visibleSpan = double(target_.width()) + target_.height();
    return Charge(std::min(length, visibleSpan * p.elementCount()) * width + p.elementCount());
}

void MetafileCanvas::DrawShape(const QPainterPath& image, bool fill, bool stroke)
{
    if (dc_.rop2 == 11 || overBudget_) return; // leave the picture alone
    ApplyRop2();
    if (fill && dc_.brush.style != 1) {
        if (!ChargeArea(image.controlPointRect())) return;
        if (dc_.brush.style == 2 && dc_.opaqueBackground) painter_.fillPath(image, dc_.backColor);
        painter_.fillPath(image, MakeBrush(dc_.brush));
    }
    if (stroke) {
        const QPen pen = MakePen();
        if (pen.style() != Qt::NoPen && ChargeStroke(image)) painter_.strokePath(image, pen);
    }
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void MetafileCanvas::AddOrDraw(const QPainterPath& logical, bool fill, bool stroke)
{
    if (!Charge(logical.elementCount())) return;
    const QPainterPath image = ToImage(logical);
    if (inPath_) {
        path_.addPath(image);
        return;
    }
    DrawShape(image, fill, stroke);
}

// ---- paths ----

void MetafileCanvas::BeginPath()
{
    path_ = QPainterPath();
    inPath_ = true;
}

void MetafileCanvas::AbortPath()
{
    path_ = QPainterPath();
    inPath_ = false;
}

void MetafileCanvas::CloseFigure()
{
    if (inPath_) path_.closeSubpath();
}

void MetafileCanvas::PaintPath(bool fill, bool stroke)
{
    QPainterPath p = path_;
    p.setFillRule(dc_.windingFill ? Qt::WindingFill : Qt::OddEvenFill);
    DrawShape(p, fill, stroke);
    AbortPath();
}

void MetafileCanvas::ClipToPath(int mode)
{
    // The region is read off the filled path pixel row by pixel row; Qt's own
    // polygon-to-region conversion leaks on some degenerate polygons.
    QPainterPath p = path_;
    p.setFillRule(dc_.windingFill ? Qt::WindingFill : Qt::OddEvenFill);
    AbortPath();
    const QRect box = p.controlPointRect().toAlignedRect().intersected(target_.rect());
    if (!Charge(p.elementCount()) || (!box.isEmpty() && !ChargeArea(box))) return;
    QList<QRect> rects;
    if (!box.isEmpty()) {
        QImage mask(box.size(), QImage::Format_Grayscale8);
        if (mask.isNull()) return;
        mask.fill(0);
        QPainter painter(&mask);
        painter.translate(-box.topLeft());
        painter.fillPath(p, Qt::white);
        painter.end();
        for (int y = 0; y < mask.height(); ++y) {
            const uchar* row = mask.constScanLine(y);
            for (int x = 0; x < mask.width();) {
                if (!row[x]) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < mask.width() && row[x]) ++x;
                rects.append(QRect(box.x() + start, box.y() + y, x - start, 1));
            }
        }
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    CombineClip(region, mode);
}

// ---- lines ----

void MetafileCanvas::MoveTo(QPointF p)
{
    dc_.current = p;
    if (inPath_) path_.moveTo(Map(p));
}

void MetafileCanvas::LineTo(QPointF p)
{
    if (inPath_) {
        if (path_.elementCount() == 0) path_.moveTo(Map(dc_.current));
        path_.lineTo(Map(p));
    } else {
        QPainterPath line(dc_.current);
        line.lineTo(p);
        AddOrDraw(line, false, true);
    }
    dc_.current = p;
}

void MetafileCanvas::Polyline(const std::vector<QPointF>& points, bool fromCurrent)
{
    if (points.empty() || !Charge(double(points.size()))) return;
    if (inPath_) {
        size_t i = 0;
        if (!fromCurrent) path_.moveTo(Map(points[i++]));
        else if (path_.elementCount() == 0) path_.moveTo(Map(dc_.current));
        for (; i < points.size(); ++i) path_.lineTo(Map(points[i]));
    } else {
        QPainterPath line(fromCurrent ? dc_.current : points[0]);
        for (size_t i = fromCurrent ? 0 : 1; i < points.size(); ++i) line.lineTo(points[i]);
        DrawShape(ToImage(line), false, true);
    }
    if (fromCurrent) dc_.current = points.back();
}

void MetafileCanvas::PolyBezier(const std::vector<QPointF>& points, bool fromCurrent)
{
    if (points.empty() || !Charge(double(points.size()))) return;
    size_t i = 0;
    QPainterPath curve(fromCurrent ? dc_.current : points[i++]);
    for (; i + 3 <= points.size(); i += 3) curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (fromCurrent && i > 0) dc_.current = points[i - 1];
    const QPainterPath image = ToImage(curve);
    if (inPath_) {
        if (fromCurrent && path_.elementCount() > 0) {
            for (int k = 1; k + 2 < image.elementCount(); k += 3)
                path_.cubicTo(image.elementAt(k), image.elementAt(k + 1), image.elementAt(k + 2));
        } else {
            path_.addPath(image);
        }
        return;
    }
    DrawShape(image, false, true);
}

void MetafileCanvas::Polygons(const std::vector<std::vector<QPointF>>& polygons)
{
    QPainterPath p;
    for (const auto& poly : polygons) {
        if (poly.empty()) continue;
        p.moveTo(poly[0]);
        for (size_t i = 1; i < poly.size(); ++i) p.lineTo(poly[i]);
        p.closeSubpath();
    }
    AddOrDraw(p, true, true);
}

// ---- shapes ----

void MetafileCanvas::Rectangle(QRectF r)
{
    QPainterPath p;
    p.addRect(r.normalized());
    AddOrDraw(p, true, true);
}

void MetafileCanvas::RoundRect(QRectF r, QSizeF corner)
{
    QPainterPath p;
    p.addRoundedRect(r.normalized(), std::fabs(corner.width()) / 2, std::fabs(corner.height()) / 2);
    AddOrDraw(p, true, true);
}

void MetafileCanvas::Ellipse(QRectF r)
{
    QPainterPath p;
    p.addEllipse(r.normalized());
    AddOrDraw(p, true, true);
}

void MetafileCanvas::ArcShape(QRectF box, QPointF start, QPointF end, int kind)
{
    box = box.normalized();
    const double a0 = RadialAngle(box, start), a1 = RadialAngle(box, end);
    double sweep = std::fmod(a1 - a0 + 720.0, 360.0);
    if (sweep <= 1e-9) sweep = 360;
    if (dc_.clockwiseArcs) sweep -= 360;
    QPainterPath p;
    if (kind == 2) {
        p.moveTo(box.center());
        p.arcTo(box, a0, sweep);
        p.closeSubpath();
    } else {
        p.arcMoveTo(box, a0);
        p.arcTo(box, a0, sweep);
        if (kind == 1) p.closeSubpath();
    }
    AddOrDraw(p, kind != 0, true);
}

void MetafileCanvas::SetPixel(QPointF p, QColor c)
{
    const QPointF d = Map(p);
    const int x = int(std::floor(d.x())), y = int(std::floor(d.y()));
    if (!Charge(1) || !target_.rect().contains(x, y)) return;
    if (dc_.clipped && !dc_.clip.contains(QPoint(x, y))) return;
    target_.setPixel(x, y, c.rgb());
}

void MetafileCanvas::FillLogicalRect(QRectF r, const BrushSpec& brush)
{
    const QRectF d = QRectF(Map(r.topLeft()), Map(r.bottomRight())).normalized();
    if (brush.style == 1 || !ChargeArea(d)) return;
    painter_.fillRect(d, MakeBrush(brush));
}

void MetafileCanvas::FillImageRegion(const QRegion& region, const BrushSpec& brush)
{
    if (brush.style == 1 || !ChargeArea(region.boundingRect())) return;
    QPainterPath p;
    p.addRegion(region);
    painter_.fillPath(p, MakeBrush(brush));
}

} // namespace vex::metafile
