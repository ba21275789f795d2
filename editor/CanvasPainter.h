#pragma once
// Fast painting of a picture onto a 32-bit target: the same pixels as the
// image's own transparent drawing, with the source row and column mapping
// worked out once per target row and column instead of once per pixel.

#include <cstdint>

#include "image/Bridge.h"

namespace vex {

// Draws `src` scaled to width x height at (x, y) of `target`, limited to the
// target's clip box; negative sizes mean the picture's own size. When most
// target pixels hold one of two colours (a hatch), `backgrounds` names them
// and each mixed pixel is worked out once per source pixel for both.
bool DrawScaled(const Raster& src, PaintTarget& target, int64_t x, int64_t y, int64_t width = -1, int64_t height = -1,
                const uint32_t* backgrounds = nullptr);

// Fills the target's clip box with the diagonal cross hatch (lines in
// `hatch` on `back`), aligned to the target's origin shifted by (originX,
// originY) so the pattern stays put while the target moves.
void FillHatch(PaintTarget& target, int64_t originX, int64_t originY, uint32_t hatch, uint32_t back);
void FillSolid(PaintTarget& target, uint32_t colour);

} // namespace vex
