// Colour-space conversions. A triple travels in the four colour bytes: hue,
// saturation and lightness in red, green and blue; Y (or X) in red, the second
// component in green, the third in blue.

#include <cmath>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

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

RgbQuad Raster::RgbToYuv(RgbQuad c)
{
    const double r = c.red, g = c.green, b = c.blue;
    const double y = std::trunc(0.299 * r + 0.587 * g + 0.114 * b);
    const uint8_t u = ClampTrunc((b - y) * 0.565 + 128);
    const uint8_t v = ClampTrunc((r - y) * 0.713 + 128);
    return RgbQuad{v, u, ClampTrunc(y), 0};
}

RgbQuad Raster::YuvToRgb(RgbQuad yuv)
{
    const double y = yuv.red, u = yuv.green - 128.0, v = yuv.blue - 128.0;
    const uint8_t r = ClampTrunc(y + 1.403 * v);
    const uint8_t g = ClampTrunc(y - 0.344 * u - 0.714 * v);
    const uint8_t b = ClampTrunc(y + 1.770 * u);
    return RgbQuad{b, g, r, 0};
}

RgbQuad Raster::YiqToRgb(RgbQuad yiq)
{
    const double y = yiq.red, i = yiq.green - 128.0, q = yiq.blue - 128.0;
    const uint8_t r = ClampTrunc(y + 0.956 * i + 0.621 * q);
    const uint8_t g = ClampTrunc(y - 0.273 * i - 0.647 * q);
    const uint8_t b = ClampTrunc(y - 1.104 * i + 1.701 * q);
    return RgbQuad{b, g, r, 0};
}

RgbQuad Raster::XyzToRgb(RgbQuad xyz)
{
    constexpr double k = 1.088751;
    const double x = xyz.red, y = xyz.green, z = xyz.blue;
    const uint8_t r = ClampTrunc(3.240479 * x - 1.53715 * y - 0.498535 * z * k);
    const uint8_t g = ClampTrunc(-0.969256 * x + 1.875992 * y + 0.041556 * z * k);
    const uint8_t b = ClampTrunc(0.055648 * x - 0.204043 * y + 1.057311 * z * k);
    return RgbQuad{b, g, r, 0};
}

} // namespace vex
