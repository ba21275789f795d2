// Colour-space conversions. A triple travels in the four colour bytes: hue,
// saturation and lightness in red, green and blue; Y (or X) in red, the second
// component in green, the third in blue.

#include <cmath>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"
#include "processing/YuvMath.h"

namespace vex {
using proc::ClampTrunc;

RgbQuad Raster::RgbToHsl(RgbQuad c)
{
    const int r = c.red, g = c.green, b = c.blue;
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const int l = ((mx + mn) * 255 + 255) / 510;
    int h = 170, s = 0;
    if (mx != mn) {
        if (l <= 127) s = ((mx - mn) * 255 + (mx + mn) / 2) / (mx + mn);
        else s = ((mx - mn) * 255 + (510 - mx - mn) / 2) / (510 - mx - mn);
        const int d = mx - mn;
        const int rd = ((mx - r) * 42 + d / 2) / d;
        const int gd = ((mx - g) * 42 + d / 2) / d;
        const int bd = ((mx - b) * 42 + d / 2) / d;
        if (r == mx) h = bd - gd;
        else if (g == mx) h = 85 + rd - bd;
        else h = 170 + gd - rd;
        h &= 0xFF; // modulo 256, negative hues wrap
    }
    return RgbQuad{static_cast<uint8_t>(l), static_cast<uint8_t>(s), static_cast<uint8_t>(h), 0};
}

float Raster::HueToRgb(float low, float high, float hue)
{
    if (hue > 360) hue -= 360;
    else if (hue < 0) hue += 360;
    if (hue < 60) return low + (high - low) * hue * 0.016666668f;
    if (hue < 180) return high;
    if (hue < 240) return low + (high - low) * (240 - hue) * 0.016666668f;
    return low;
}

RgbQuad Raster::HslToRgb(RgbQuad hsl)
{
    const float h = hsl.red * 1.4117647f;
    const float s = hsl.green / 255.0f;
    const float l = hsl.blue / 255.0f;
    if (s == 0) {
        const uint8_t v = ClampTrunc(l * 255);
        return RgbQuad{v, v, v, 0};
    }
    const float m2 = l <= 0.5f ? l * (1 + s) : l + s - l * s;
    const float m1 = 2 * l - m2;
    const uint8_t r = ClampTrunc(255 * HueToRgb(m1, m2, h + 120));
    const uint8_t g = ClampTrunc(255 * HueToRgb(m1, m2, h));
    const uint8_t b = ClampTrunc(255 * HueToRgb(m1, m2, h - 120));
    return RgbQuad{b, g, r, 0};
}

// The linear conversions are evaluated exactly in integers (the constants
// have at most six decimals), so truncation never drops a value that is
// whole in exact arithmetic: a grey keeps its value through YUV and back.
using proc::ExactTrunc;

RgbQuad Raster::RgbToYuv(RgbQuad c)
{
    return proc::RgbToYuvExact(c);
}

RgbQuad Raster::YuvToRgb(RgbQuad yuv)
{
    return proc::YuvToRgbExact(yuv);
}

RgbQuad Raster::YiqToRgb(RgbQuad yiq)
{
    const int64_t y = yiq.red * int64_t{1000}, i = yiq.green - 128, q = yiq.blue - 128;
    return RgbQuad{ExactTrunc(y - 1104 * i + 1701 * q, 1000), ExactTrunc(y - 273 * i - 647 * q, 1000),
                   ExactTrunc(y + 956 * i + 621 * q, 1000), 0};
}

RgbQuad Raster::XyzToRgb(RgbQuad xyz)
{
    // Weights scaled by 10^6; the Z weight also carries k = 1.088751.
    constexpr int64_t M = 1000000, k = 1088751;
    const int64_t x = xyz.red, y = xyz.green, z = xyz.blue;
    const int64_t r = 3240479 * M * x - 1537150 * M * y - 498535 * k * z;
    const int64_t g = -969256 * M * x + 1875992 * M * y + 41556 * k * z;
    const int64_t b = 55648 * M * x - 204043 * M * y + 1057311 * k * z;
    return RgbQuad{ExactTrunc(b, M * M), ExactTrunc(g, M * M), ExactTrunc(r, M * M), 0};
}

} // namespace vex
