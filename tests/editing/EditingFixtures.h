#pragma once
// Small images made from a recipe for the editing tests.

#include <cstdint>
#include <initializer_list>

#include "image/ImageType.h"
#include "image/Raster.h"

namespace vex::test {

inline Raster Filled(uint32_t w, uint32_t h, RgbQuad c, uint32_t bpp = 24)
{
    Raster img;
    img.Create(w, h, 24, TypeBmp);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelColor(x, y, c);
    if (bpp < 24) img.DecreaseBpp(bpp, false);
    return img;
}

inline bool SameRgb(RgbQuad a, RgbQuad b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

} // namespace vex::test
