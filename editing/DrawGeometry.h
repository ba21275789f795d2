#pragma once
// Point arithmetic shared by the frame's drawing primitives and the template
// arrows: no pixels here, so every coordinate rule can be checked on its own.

#include <cstdint>
#include <optional>
#include <vector>

namespace vex {

struct DrawPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const DrawPoint&, const DrawPoint&) = default;
};

// The arrow fields of a template description.
struct ArrowParams {
    int32_t width = 10;
    float angle = 0.3f;
    bool filled = false;
    int32_t pen = 1;
    uint32_t fillColor = 0;
    uint32_t color = 0;
    int32_t style = 3;
};

// Coordinates further out than this are refused: they only come from damaged
// template entries, and the rasteriser's fixed-point range ends not far beyond.
inline constexpr int64_t kMaxDrawCoord = int64_t{1} << 22;
// Pens wider than this are narrowed; the temporary surface is clipped anyway.
inline constexpr int32_t kMaxPenWidth = 4096;

inline bool CoordInRange(int64_t v) { return v >= -kMaxDrawCoord && v <= kMaxDrawCoord; }
inline int32_t ClampPen(int32_t pen) { return pen < 1 ? 1 : (pen > kMaxPenWidth ? kMaxPenWidth : pen); }

// (x1, y1), (x1, y2 - w), (x2 - w, y2 - w), (x2 - w, y1), (x1, y1).
std::vector<DrawPoint> RectanglePoints(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth);

// 2n + 1 points: tip, inner point, ..., the first tip again; the first tip
// points straight up. Empty when tips < 1, innerDivisor < 1 or a point would
// leave the drawable range.
std::vector<DrawPoint> StarPoints(int32_t boxWidth, int32_t boxHeight, int32_t cx, int32_t cy, int32_t tips,
                                  int32_t innerDivisor);

// The head of an arrow from start to tip: base point and the two wings.
struct ArrowHead {
    DrawPoint base;
    DrawPoint wing1;
    DrawPoint wing2;
};

// None when the arrow is shorter than a pixel, the head has no width, the
// angle's tangent is not positive, or a point would leave the drawable range.
std::optional<ArrowHead> ArrowHeadPoints(DrawPoint start, DrawPoint tip, int32_t headWidth, float angle);

} // namespace vex
