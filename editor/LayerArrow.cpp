#include "editor/LayerArrow.h"

#include <cmath>

namespace vex {
namespace {

QColor FromColorRef(uint32_t c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }

QPoint Scaled(DrawPoint p, float zoom)
{
    return QPoint(int(std::trunc(double(p.x) * zoom)), int(std::trunc(double(p.y) * zoom)));
}

DrawPoint ToDraw(QPoint p) { return DrawPoint{p.x(), p.y()}; }

// A line with a head at the tip; returns the head's base point.
QPoint PaintArrowLine(QPainter& p, QPoint start, QPoint tip, const ArrowParams& a, const QBrush& fill)
{
    const auto head = ArrowHeadPoints(ToDraw(start), ToDraw(tip), a.width, a.angle);
    if (!head) {
        p.drawLine(start, tip);
        return start;
    }
    const QPoint base(head->base.x, head->base.y), w1(head->wing1.x, head->wing1.y), w2(head->wing2.x, head->wing2.y);
    if (a.filled) {
        p.drawLine(start, tip);
        p.save();
        p.setBrush(fill);
        const QPoint tri[3] = {tip, w1, w2};
        p.drawPolygon(tri, 3);
        p.restore();
    } else {
        const QPoint path[6] = {start, base, w1, tip, w2, base};
        p.drawPolyline(path, 6);
    }
    return base;
}

} // namespace

ArrowParams ArrowOf(const TemplateInfo& d)
{
    ArrowParams a;
    a.width = d.arrowWidth;
    a.angle = d.arrowAngle;
    a.filled = d.arrowFilled;
    a.pen = d.arrowPen;
    a.fillColor = d.arrowFillColor;
    a.color = d.arrowColor;
    a.style = d.arrowStyle;
    return a;
}

bool LayerHasArrow(const CTemplateLayer& layer)
{
    const TemplateInfo& d = layer.description;
    if (d.arrowStyle & kArrowHidden) return false;
    return ArrowGeometry(layer.picture.GetPlacement(), DrawPoint{d.x, d.y}, ClampPen(d.arrowPen), d.arrowStyle)
        .has_value();
}

void PaintLayerArrow(QPainter& p, const CTemplateLayer& layer, float zoom)
{
    const TemplateInfo& d = layer.description;
    if (d.arrowStyle & kArrowHidden) return;
    const ArrowParams a = ArrowOf(d);
    const int32_t pen = ClampPen(a.pen);
    const auto points = ArrowGeometry(layer.picture.GetPlacement(), DrawPoint{d.x, d.y}, pen, a.style);
    if (!points || points->empty()) return;
    p.save();
    QPen line(FromColorRef(a.color), std::max(1.0, double(pen) * zoom));
    p.setPen(line);
    p.setBrush(Qt::NoBrush);
    const QBrush fill(FromColorRef(a.fillColor));
    const auto& pts = *points;
    if ((a.style & kArrowWedge) && pts.size() >= 3) {
        const QPoint e1 = Scaled(pts[0], zoom), an = Scaled(pts[1], zoom), e3 = Scaled(pts[2], zoom);
        if (a.filled) {
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            const QPoint wedge[3] = {e1, an, e3};
            p.drawPolygon(wedge, 3);
            p.restore();
        }
        p.drawLine(e1, an);
        p.drawLine(an, e3);
    } else if ((a.style & kArrowThought) && pts.size() >= 6) {
        if (a.filled) p.setBrush(fill);
        for (size_t i = 0; i + 1 < pts.size(); i += 2) p.drawEllipse(QRect(Scaled(pts[i], zoom), Scaled(pts[i + 1], zoom)));
    } else if (pts.size() >= 2) {
        const QPoint from = Scaled(pts[0], zoom), to = Scaled(pts[1], zoom);
        const QPoint base = PaintArrowLine(p, from, to, a, fill);
        if (a.style & kArrowDouble) PaintArrowLine(p, base, from, a, fill);
    }
    p.restore();
    // The anchor marker: 6 x 6 device pixels, red with a navy outline.
    const QPoint anchor = Scaled(DrawPoint{d.x, d.y}, zoom);
    p.save();
    p.setPen(QPen(QColor(0, 0, 128), 1));
    p.setBrush(QColor(255, 0, 0));
    p.drawRect(QRect(anchor.x() - 3, anchor.y() - 3, 5, 5));
    p.restore();
}

} // namespace vex
