#pragma once
// Small images built from a recipe for the operation tests.

#include <cstdint>
#include <vector>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex::test {

// A 24-bit image whose pixels come from colour(x, y).
template <class Colour>
Raster Rgb(uint32_t w, uint32_t h, Colour&& colour)
{
    Raster img;
    img.Create(w, h, 24, TypeBmp);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelColor(x, y, colour(x, y));
    return img;
}

inline Raster Solid(uint32_t w, uint32_t h, RgbQuad c)
{
    return Rgb(w, h, [c](uint32_t, uint32_t) { return c; });
}

// A varied image at any depth: a palette of distinct colours (not grey)
// for paletted depths, a gradient pattern at 24 bits, and an alpha ramp.
inline Raster Varied(uint32_t bpp, uint32_t w, uint32_t h, bool alpha = true)
{
    Raster img;
    img.Create(w, h, bpp, TypeBmp);
    const uint32_t n = img.GetNumColors();
    for (uint32_t i = 0; i < n; ++i)
        img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 37 + 11), uint8_t(i * 91 + 3), uint8_t(255 - i * 13));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (n) img.SetPixelIndex(x, y, static_cast<uint8_t>((x * 7 + y * 3 + x * y) % n));
            else img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 23 + y), uint8_t(y * 41 + 7), uint8_t((x * y * 13) ^ 0x5A)));
        }
    if (alpha) {
        img.AlphaCreate();
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) img.AlphaSet(x, y, static_cast<uint8_t>(x * 10 + y * 3));
    }
    return img;
}

// Everything a caller can see of an image's pixels: size, depth, palette,
// colours, indexes and alpha.
struct Look {
    uint32_t w = 0, h = 0, bpp = 0;
    std::vector<uint8_t> palette, rgb, index, alpha;
    int32_t transIndex = -1;
    friend bool operator==(const Look&, const Look&) = default;
};

inline Look LookOf(const Raster& img)
{
    Look l{img.GetWidth(), img.GetHeight(), img.GetBpp(), {}, RgbPixels(img), {}, {}, img.GetTransIndex()};
    for (uint32_t i = 0; i < img.GetNumColors(); ++i) {
        const RgbQuad c = img.GetPaletteColor(static_cast<uint8_t>(i));
        l.palette.insert(l.palette.end(), {c.blue, c.green, c.red, c.reserved});
    }
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x) {
            l.index.push_back(img.GetPixelIndex(x, y));
            l.alpha.push_back(img.AlphaGet(x, y));
        }
    return l;
}

// A selection mask covering the given pixels, with its bounding box.
template <class Inside>
void Select(Raster& img, Inside&& inside)
{
    img.SelectionCreate();
    RasterRect box{static_cast<int32_t>(img.GetWidth()), 0, 0, static_cast<int32_t>(img.GetHeight())};
    uint8_t* mask = img.SelectionGetPointer();
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x)
            if (inside(x, y)) {
                mask[uint64_t{y} * img.GetWidth() + x] = 255;
                box.left = std::min<int32_t>(box.left, x), box.right = std::max<int32_t>(box.right, x + 1);
                box.bottom = std::min<int32_t>(box.bottom, y), box.top = std::max<int32_t>(box.top, y + 1);
            }
    img.SetSelectionBox(box);
}

} // namespace vex::test
