#include "editing/DrawGeometry.h"

#include <cmath>

namespace vex {

std::vector<DrawPoint> RectanglePoints(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth)
{
    const int32_t w = ClampPen(penWidth);
    return {{x1, y1}, {x1, y2 - w}, {x2 - w, y2 - w}, {x2 - w, y1}, {x1, y1}};
}

std::vector<DrawPoint> StarPoints(int32_t boxWidth, int32_t boxHeight, int32_t cx, int32_t cy, int32_t tips,
                                  int32_t innerDivisor)
{
    // Beyond 360 tips the whole-degree step is zero and every tip coincides.
    if (tips < 1 || tips > 360 || innerDivisor < 1) return {};
    if (!CoordInRange(boxWidth) || !CoordInRange(boxHeight) || !CoordInRange(cx) || !CoordInRange(cy)) return {};
    constexpr float kRadiansPerDegree = 0.017453292f;
    constexpr float kQuarterTurn = 1.5707964f;
    const float rx = float(boxWidth / 2), ry = float(boxHeight / 2);
    const float irx = rx / float(innerDivisor), iry = ry / float(innerDivisor);
    const float step = float(360 / tips) * kRadiansPerDegree;
    const float half = float(180 / tips) * kRadiansPerDegree;
    auto at = [&](float a, float radiusX, float radiusY) {
        // The sums are taken as the C expressions would: float operands, a
        // double cosine, truncated toward zero.
        return DrawPoint{int32_t(std::trunc(double(cx) + double(radiusX) * std::cos(double(a)))),
                         int32_t(std::trunc(double(cy) + double(radiusY) * std::sin(double(a))))};
    };
    std::vector<DrawPoint> points;
    points.reserve(size_t(2 * tips + 1));
    for (int32_t i = 0; i < tips; ++i) {
        const float a = float(i) * step - kQuarterTurn;
        points.push_back(at(a, rx, ry));
        points.push_back(at(a + half, irx, iry));
    }
    points.push_back(points.front());
    return points;
}

std::optional<ArrowHead> ArrowHeadPoints(DrawPoint start, DrawPoint tip, int32_t headWidth, float angle)
{
    const float dx = float(int64_t{tip.x} - start.x), dy = float(int64_t{tip.y} - start.y);
    const float len = std::sqrt(dx * dx + dy * dy);
    const float tangent = std::tan(angle);
    // A zero-length arrow or a flat or backward angle would divide by zero or
    // fold the head over the line, so such arrows are drawn without a head.
    if (!(len >= 1.0f) || !(tangent > 0.0f) || !std::isfinite(tangent) || headWidth < 1) return std::nullopt;
    const float w = float(headWidth);
    const float l = w / (2.0f * len);
    const float m = w / (len * tangent);
    auto cut = [](float v, int32_t& out) {
        if (!std::isfinite(v) || std::fabs(v) > float(kMaxDrawCoord)) return false;
        out = int32_t(v);
        return true;
    };
    ArrowHead head;
    if (!cut(float(tip.x) - dx * m, head.base.x) || !cut(float(tip.y) - dy * m, head.base.y)) return std::nullopt;
    const float bx = float(head.base.x), by = float(head.base.y);
    if (!cut(bx - dy * l, head.wing1.x) || !cut(by + dx * l, head.wing1.y) || !cut(bx + dy * l, head.wing2.x) ||
        !cut(by - dx * l, head.wing2.y))
        return std::nullopt;
    return head;
}

} // namespace vex
