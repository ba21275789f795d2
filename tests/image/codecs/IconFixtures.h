#pragma once
// Hand-made icon, cursor and animated cursor files for the icon tests, and
// the comparisons the round trips use.

#include <cstdint>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex::test {

// One bitmap image block of an icon file: 40-byte header (height doubled),
// palette, colour rows (as given, already padded), mask rows.
inline std::vector<uint8_t> IconBlock(uint32_t width, uint32_t height, uint32_t bitCount,
                                      const std::vector<uint8_t>& palette, const std::vector<uint8_t>& colour,
                                      const std::vector<uint8_t>& mask)
{
    Bytes b;
    b.u32(40).u32(width).u32(height * 2).u16(1).u16(bitCount).u32(0).u32(static_cast<uint32_t>(colour.size()));
    b.u32(0).u32(0).u32(0).u32(0);
    b.raw(palette).raw(colour).raw(mask);
    return b.v;
}

struct IconImage {
    uint8_t width, height;
    uint16_t field4, field6; // planes and bit count, or the hotspot
    std::vector<uint8_t> data;
};

// A whole directory: header, entries, then the blocks in order.
inline std::vector<uint8_t> IconFile(uint16_t type, const std::vector<IconImage>& images)
{
    Bytes b;
    b.u16(0).u16(type).u16(static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (const auto& i : images) {
        b.u8(i.width).u8(i.height).u8(0).u8(0).u16(i.field4).u16(i.field6);
        b.u32(static_cast<uint32_t>(i.data.size())).u32(offset);
        offset += static_cast<uint32_t>(i.data.size());
    }
    for (const auto& i : images) b.raw(i.data);
    return b.v;
}

// Mask rows of a w x h image with every bit set to value.
inline std::vector<uint8_t> FlatMask(uint32_t w, uint32_t h, uint8_t value)
{
    return std::vector<uint8_t>((w + 31) / 32 * 4 * h, value);
}

// Whether a pixel shows nothing, by key index, key colour or alpha.
inline bool Hidden(const Raster& img, uint32_t x, uint32_t y)
{
    if (img.AlphaIsValid() && img.AlphaGet(x, y) == 0) return true;
    if (img.GetTransIndex() == -1) return false;
    if (img.GetNumColors()) return img.GetPixelIndex(x, y) == img.GetTransIndex();
    RgbQuad c = img.GetPixelColor(x, y), k = img.GetTransColor();
    c.reserved = k.reserved = 0;
    return c == k;
}

// Equal as a viewer sees them: size, depth, every visible pixel's colour (and
// index), which pixels are hidden, the alpha of visible ones, and the hotspot.
inline std::string DescribeDifference(const Raster& want, const Raster& have)
{
    if (have.GetWidth() != want.GetWidth() || have.GetHeight() != want.GetHeight())
        return "size differs: have " + std::to_string(have.GetWidth()) + "x" + std::to_string(have.GetHeight());
    if (have.GetBpp() != want.GetBpp()) return "depth differs: have " + std::to_string(have.GetBpp());
    if (have.GetHotspotX() != want.GetHotspotX() || have.GetHotspotY() != want.GetHotspotY()) return "hotspot differs";
    for (uint32_t y = 0; y < want.GetHeight(); ++y)
        for (uint32_t x = 0; x < want.GetWidth(); ++x) {
            const std::string at = " at " + std::to_string(x) + "," + std::to_string(y);
            if (Hidden(have, x, y) != Hidden(want, x, y)) return "transparency differs" + at;
            if (Hidden(want, x, y)) continue;
            RgbQuad a = want.GetPixelColor(x, y), b = have.GetPixelColor(x, y);
            if (!want.AlphaIsValid()) a.reserved = 255;
            if (!have.AlphaIsValid()) b.reserved = 255;
            if (!(a == b)) return "colour differs" + at;
            if (want.GetNumColors() && want.GetPixelIndex(x, y) != have.GetPixelIndex(x, y)) return "index differs" + at;
        }
    return "";
}

} // namespace vex::test
