#pragma once
// Template cards and the arrows that join a template layer to its anchor.

#include <cstdint>
#include <optional>
#include <vector>

#include "editing/DrawGeometry.h"
#include "editing/FrameImage.h"

namespace vex {

// Arrow style bits.
inline constexpr int32_t kArrowHidden = 0x01;
inline constexpr int32_t kArrowToAnchor = 0x02;
inline constexpr int32_t kArrowToLayer = 0x04;
inline constexpr int32_t kArrowToAnchorAlt = 0x08;
inline constexpr int32_t kArrowWedge = 0x10;
inline constexpr int32_t kArrowDouble = 0x20;
inline constexpr int32_t kArrowThought = 0x40;

// Card style bits, applied in this order.
inline constexpr int32_t kCardText = 0x02;
inline constexpr int32_t kCardRoundRect = 0x04;
inline constexpr int32_t kCardRectangle = 0x08;
inline constexpr int32_t kCardStar4 = 0x10;
inline constexpr int32_t kCardStar5 = 0x20;
inline constexpr int32_t kCardStar8 = 0x40;
inline constexpr int32_t kCardStar10 = 0x80;

// Renders the card described by `description` into the layer's picture.
// Returns false for picture templates and when nothing had to be drawn.
bool RenderTemplate(const TemplateInfo& description, CTemplateLayer& layer, bool force);

// The points of a layer's arrow, top-down canvas coordinates:
//   wedge (0x10): border point, anchor, border point;
//   thought (0x40): three ellipse boxes as (x1, y1), (x2, y2) pairs, the
//     smallest (at the anchor) first;
//   every other style: start and end of the line, the head at the end.
// None when the anchor lies inside the rectangle, or for coordinates out of range.
std::optional<std::vector<DrawPoint>> ArrowGeometry(const RasterRect& layerRect, DrawPoint anchor, int32_t penWidth,
                                                    int32_t style);

// Draws a layer's arrow onto a frame (coordinates in the frame's own top-down
// pixels). Returns false when no arrow is drawn: hidden, anchor inside the
// layer, or a frame without pixels.
bool DrawLayerArrow(CFrameImage& frame, const RasterRect& layerRect, DrawPoint anchor, const ArrowParams& arrow);

} // namespace vex
