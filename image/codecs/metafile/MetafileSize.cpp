#include "image/codecs/metafile/MetafileSize.h"

#include "image/ByteOrder.h"

namespace vex::metafile {

std::optional<PlaceableHeader> ParsePlaceable(const uint8_t* b)
{
    const uint32_t key = uint32_t(Le16(b)) | uint32_t(Le16(b + 2)) << 16;
    if (key != kPlaceableKey) return std::nullopt;
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= Le16(b + 2 * i);
    if (sum != Le16(b + 20)) return std::nullopt;
    PlaceableHeader h;
    h.left = static_cast<int16_t>(Le16(b + 6));
    h.top = static_cast<int16_t>(Le16(b + 8));
    h.right = static_cast<int16_t>(Le16(b + 10));
    h.bottom = static_cast<int16_t>(Le16(b + 12));
    h.unitsPerInch = Le16(b + 14);
    if (h.unitsPerInch < 1 || h.unitsPerInch > 2540) return std::nullopt;
    return h;
}

PictureSize PlaceablePictureSize(const PlaceableHeader& h, int64_t dpiX, int64_t dpiY)
{
    const int64_t inch = h.unitsPerInch ? h.unitsPerInch : 1;
    return {(int64_t{h.right} - h.left) * dpiX / inch, (int64_t{h.bottom} - h.top) * dpiY / inch};
}

PictureSize ConversionExtents(PictureSize p)
{
    if (p.width <= 0 || p.height <= 0) return p;
    while (p.height < 6554 && p.width < 6553) {
        p.width *= 10;
        p.height *= 10;
    }
    return p;
}

std::optional<PictureSize> LimitPictureSize(PictureSize s, int64_t limit)
{
    if (s.width <= 0 || s.height <= 0 || limit <= 0) return std::nullopt;
    // Both sides are at most 2^32 here in practice; the products fit in 64 bits.
    if (s.width > limit) {
        s.height = s.height * limit / s.width;
        s.width = limit;
        if (s.height < 1) s.height = 1;
    }
    if (s.height > limit) {
        s.width = s.width * limit / s.height;
        s.height = limit;
        if (s.width < 1) s.width = 1;
    }
    return s;
}

} // namespace vex::metafile
