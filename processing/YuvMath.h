#pragma once
// The luminance conversions in exact integer arithmetic, inline so the tone
// corrections can run them per pixel without a call.

#include <cstdint>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex::proc {

inline uint8_t ExactTrunc(int64_t numerator, int64_t scale)
{
    return Clamp255(numerator / scale); // division truncates toward zero
}

inline RgbQuad RgbToYuvExact(RgbQuad c)
{
    const int64_t r = c.red, g = c.green, b = c.blue;
    const int64_t y = (299 * r + 587 * g + 114 * b) / 1000;
    const uint8_t u = ExactTrunc((b - y) * 565 + 128000, 1000);
    const uint8_t v = ExactTrunc((r - y) * 713 + 128000, 1000);
    return RgbQuad{v, u, Clamp255(y), 0};
}

inline RgbQuad YuvToRgbExact(RgbQuad yuv)
{
    const int64_t y = yuv.red * int64_t{1000}, u = yuv.green - 128, v = yuv.blue - 128;
    return RgbQuad{ExactTrunc(y + 1770 * u, 1000), ExactTrunc(y - 344 * u - 714 * v, 1000),
                   ExactTrunc(y + 1403 * v, 1000), 0};
}

} // namespace vex::proc
