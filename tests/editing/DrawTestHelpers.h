#pragma once
// Frames for the drawing tests, read in the drawing primitives' top-down
// coordinates.

#include <cstdint>
#include <string>

#include "editing/EditingFixtures.h"
#include "editing/FrameImage.h"

namespace vex::test {

inline constexpr uint32_t kWhiteRef = 0xFFFFFF;
inline constexpr uint32_t kRedRef = 0x0000FF;
inline constexpr uint32_t kGreenRef = 0x00FF00;
inline constexpr uint32_t kBlueRef = 0xFF0000;
inline constexpr uint32_t kBlackRef = 0x000000;

inline CFrameImage Blank(uint32_t w, uint32_t h, uint32_t colorRef = kWhiteRef, uint32_t bpp = 24)
{
    CFrameImage f;
    f.Place(Filled(w, h, ColorRefToRgb(colorRef), bpp), 0, 0);
    return f;
}

// The colour at column x, top-down row y.
inline RgbQuad At(const Raster& f, int64_t x, int64_t y)
{
    return f.GetPixelColor(x, int64_t{f.GetHeight()} - 1 - y);
}

inline bool Is(const Raster& f, int64_t x, int64_t y, uint32_t colorRef)
{
    return SameRgb(At(f, x, y), ColorRefToRgb(colorRef));
}

// One character per pixel, top row first: '#' line colour, 'o' fill colour,
// '.' anything else. Shown when an assertion on a picture fails.
inline std::string Picture(const Raster& f, uint32_t lineRef, uint32_t fillRef = 0x1000000)
{
    std::string s;
    for (int64_t y = 0; y < int64_t{f.GetHeight()}; ++y) {
        for (int64_t x = 0; x < int64_t{f.GetWidth()}; ++x)
            s += Is(f, x, y, lineRef) ? '#' : (fillRef <= 0xFFFFFF && Is(f, x, y, fillRef)) ? 'o' : '.';
        s += '\n';
    }
    return s;
}

inline int64_t CountColour(const Raster& f, uint32_t colorRef)
{
    int64_t n = 0;
    for (int64_t y = 0; y < int64_t{f.GetHeight()}; ++y)
        for (int64_t x = 0; x < int64_t{f.GetWidth()}; ++x) n += Is(f, x, y, colorRef);
    return n;
}

} // namespace vex::test
