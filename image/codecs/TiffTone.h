#pragma once
// Colour helpers of the TIFF reader: straight alpha and CIE L*a*b* to sRGB.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/Raster.h"

namespace vex {

// Premultiplied colour back to straight colour.
inline uint8_t Unpremultiply(uint32_t c, uint32_t a)
{
    if (a == 0) return 0;
    return static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
}

inline uint8_t SrgbByte(double v)
{
    v = v < 0.00304 ? 12.92 * v : 1.055 * std::pow(std::max(v, 0.0), 1.0 / 2.4) - 0.055;
    return static_cast<uint8_t>(std::clamp(v * 255.0 + 0.5, 0.0, 255.0));
}

// One CIE L*a*b* sample (8-bit L scaled to 0..100, signed a and b) to sRGB
// under the D65 white point.
inline RgbQuad LabToRgb(uint8_t l8, int8_t a, int8_t b)
{
    const double l = l8 * 100.0 / 255.0;
    const double fy = (l + 16.0) / 116.0, fx = fy + a / 500.0, fz = fy - b / 200.0;
    const auto inverse = [](double t) {
        return t > 6.0 / 29.0 ? t * t * t : 3.0 * (6.0 / 29.0) * (6.0 / 29.0) * (t - 4.0 / 29.0);
    };
    const double x = 0.95047 * inverse(fx), y = 1.0 * inverse(fy), z = 1.0883 * inverse(fz);
    const double r = 3.2406 * x - 1.5372 * y - 0.4986 * z;
    const double g = -0.9689 * x + 1.8758 * y + 0.0415 * z;
    const double bl = 0.0557 * x - 0.2040 * y + 1.0570 * z;
    return MakeRgb(SrgbByte(r), SrgbByte(g), SrgbByte(bl));
}

} // namespace vex
