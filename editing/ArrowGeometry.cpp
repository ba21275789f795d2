#include <algorithm>
#include <cmath>

#include "editing/TemplateRender.h"

namespace vex {
namespace {

enum class ArrowKind { Line, Reversed, Wedge, Thought };

ArrowKind KindOf(int32_t style)
{
    if (style & kArrowWedge) return ArrowKind::Wedge;
    if (style & kArrowThought) return ArrowKind::Thought;
    if (style & kArrowToLayer) return ArrowKind::Reversed;
    return ArrowKind::Line;
}

// Ellipse box `width` wide and 6 high around a point given as floats.
void Bubble(std::vector<DrawPoint>& out, float cx, float cy, float width)
{
    const float half = width / 2.0f;
    out.push_back({int32_t(cx - half), int32_t(cy - 3.0f)});
    out.push_back({int32_t(cx + half), int32_t(cy + 3.0f)});
}

} // namespace

std::optional<std::vector<DrawPoint>> ArrowGeometry(const RasterRect& layerRect, DrawPoint anchor, int32_t penWidth,
                                                    int32_t style)
{
    for (int64_t v : {layerRect.left, layerRect.top, layerRect.right, layerRect.bottom, anchor.x, anchor.y})
        if (!CoordInRange(v)) return std::nullopt;
    const int32_t left = std::min(layerRect.left, layerRect.right), right = std::max(layerRect.left, layerRect.right);
    const int32_t top = std::min(layerRect.top, layerRect.bottom), bottom = std::max(layerRect.top, layerRect.bottom);
    const int32_t p = std::clamp(penWidth, 0, kMaxPenWidth);
    const DrawPoint a = anchor;
    const bool toLeft = a.x < left, toRight = a.x > right, above = a.y < top, below = a.y > bottom;
    if (!toLeft && !toRight && !above && !below) return std::nullopt;

    const int32_t cx = (right - left) / 2, cy = (bottom - top) / 2;
    const DrawPoint e{toLeft ? left + p : toRight ? right - p : left + cx, above ? top + p : below ? bottom - p : top + cy};

    std::vector<DrawPoint> points;
    switch (KindOf(style)) {
    case ArrowKind::Line: points = {e, a}; break;
    case ArrowKind::Reversed: points = {a, e}; break;
    case ArrowKind::Wedge: {
        const int32_t qx = (right - left) / 4, qy = (bottom - top) / 4;
        DrawPoint e1 = e, e3 = e;
        if ((toLeft || toRight) && (above || below)) {
            // Diagonal: the wedge spans the corner facing the anchor.
            e1 = {toRight ? right : left, above ? top + cy - qy : top + cy + qy};
            e3 = {toRight ? left + cx + qx : left + cx - qx, above ? top : bottom};
        } else if (above || below) {
            e1.x = e.x + qx, e3.x = e.x - qx;
        } else {
            e1.y = e.y + qy, e3.y = e.y - qy;
        }
        points = {e1, a, e3};
        break;
    }
    case ArrowKind::Thought: {
        const float ex = float(e.x), ey = float(e.y), ax = float(a.x), ay = float(a.y);
        Bubble(points, ax, ay, 20.0f);
        Bubble(points, 0.4f * ex + 0.6f * ax, 0.4f * ey + 0.6f * ay, 40.0f);
        Bubble(points, 0.75f * ex + 0.25f * ax, 0.75f * ey + 0.25f * ay, 60.0f);
        break;
    }
    }
    return points;
}

bool DrawLayerArrow(CFrameImage& frame, const RasterRect& layerRect, DrawPoint anchor, const ArrowParams& arrow)
{
    if (!frame.IsValid() || (arrow.style & kArrowHidden)) return false;
    const auto geometry = ArrowGeometry(layerRect, anchor, arrow.pen, arrow.style);
    if (!geometry) return false;
    const std::vector<DrawPoint>& pt = *geometry;
    const std::optional<uint32_t> fill = arrow.filled ? std::optional<uint32_t>(arrow.fillColor) : std::nullopt;
    switch (KindOf(arrow.style)) {
    case ArrowKind::Wedge:
        if (arrow.filled) frame.DrawPolygon(pt.data(), 3, arrow.fillColor, arrow.fillColor, arrow.pen);
        frame.DrawLine(pt[0].x, pt[0].y, pt[1].x, pt[1].y, arrow.color, arrow.pen);
        frame.DrawLine(pt[1].x, pt[1].y, pt[2].x, pt[2].y, arrow.color, arrow.pen);
        return true;
    case ArrowKind::Thought:
        for (size_t i = 0; i + 1 < pt.size(); i += 2)
            frame.DrawEllipse(pt[i].x, pt[i].y, pt[i + 1].x, pt[i + 1].y, arrow.color, fill, arrow.pen);
        return true;
    case ArrowKind::Line:
    case ArrowKind::Reversed: {
        const std::optional<DrawPoint> base = frame.DrawArrow(pt[0].x, pt[0].y, pt[1].x, pt[1].y, arrow);
        if (base && (arrow.style & kArrowDouble)) frame.DrawArrow(base->x, base->y, pt[0].x, pt[0].y, arrow);
        return base.has_value();
    }
    }
    return false;
}

} // namespace vex
