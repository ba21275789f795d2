#pragma once
// What the image exchanges with the user interface in place of Windows
// device contexts and icon handles: a 32-bit pixel target to paint on, and the
// colour and mask planes an icon or cursor is made of.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

// 32-bit pixels, top row first, 0xAARRGGBB (a QImage's RGB32 rows). Painting
// sets red, green and blue and leaves the top byte alone.
struct PaintTarget {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t stride = 0; // pixels from one row to the next
    // The device's clip box; an empty box means the whole target.
    RasterRect clip;
};

// An icon or cursor as two planes, top row first. mask: one byte per pixel,
// 1 = transparent (screen shows through), 0 = the colour is drawn. colour:
// 0xAARRGGBB, black with alpha 0 where masked, alpha 255 (or the image's
// alpha) elsewhere. A monochrome icon has no colour plane and a mask of twice
// the height: the AND plane above the XOR plane.
struct IconPlanes {
    uint32_t width = 0;
    uint32_t height = 0;
    bool isIcon = true;
    uint16_t hotspotX = 0;
    uint16_t hotspotY = 0;
    std::vector<uint32_t> color;
    std::vector<uint8_t> mask;
};

// Where a picture of `width` x `height` drawn at (x, y) stretched to
// drawWidth x drawHeight samples its source for screen column X and screen row
// Y (rows counted downward on screen, from the bottom in the source). Every
// painting path uses these, so they agree on every pixel.
inline int64_t DrawSourceColumn(int64_t X, int64_t x, int64_t width, int64_t drawWidth)
{
    const float v = static_cast<float>(X - x) * static_cast<float>(width) / static_cast<float>(drawWidth);
    return std::clamp<int64_t>(static_cast<int64_t>(std::floor(v)), 0, width - 1);
}

inline int64_t DrawSourceRow(int64_t Y, int64_t y, int64_t height, int64_t drawHeight)
{
    const float v = static_cast<float>(Y + 1 - y) * static_cast<float>(height) / static_cast<float>(drawHeight);
    const int64_t row = height - static_cast<int64_t>(std::ceil(v));
    return std::clamp<int64_t>(row, 0, height - 1);
}

// 0x00RRGGBB of a colour.
inline uint32_t PackRgb(RgbQuad c) { return uint32_t{c.red} << 16 | uint32_t{c.green} << 8 | c.blue; }

} // namespace vex
