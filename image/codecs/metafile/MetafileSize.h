#pragma once
// The size rules of the metafile reader: the placeable header, the picture
// size in screen pixels, the extents of the conversion frame and the limit on
// the rendered size. Plain integer arithmetic, no drawing.

#include <cstdint>
#include <optional>

namespace vex::metafile {

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr int kPlaceableBytes = 22;
inline constexpr int kWmfHeaderBytes = 18;
// What the screen reports for LOGPIXELSX and LOGPIXELSY.
inline constexpr int64_t kScreenDpi = 96;
// Largest rendered side; larger pictures are scaled down keeping their shape.
inline constexpr int64_t kMaxPictureSide = 4000;
// Units per inch assumed for a metafile without a placeable header.
inline constexpr int kPlainUnitsPerInch = 1440;

struct PlaceableHeader {
    int16_t left = 0;
    int16_t top = 0;
    int16_t right = 0;
    int16_t bottom = 0;
    uint16_t unitsPerInch = 0;
};

struct PictureSize {
    int64_t width = 0;
    int64_t height = 0;
};

// The header in the first 22 bytes, or nothing when the key, the checksum
// (XOR of the first ten 16-bit words) or the units per inch (1-2540) fail.
std::optional<PlaceableHeader> ParsePlaceable(const uint8_t* bytes22);

// (right - left) x LOGPIXELSX / units per inch by (bottom - top) x LOGPIXELSY
// / units per inch, in 64 bits. Negative extents stay negative here.
PictureSize PlaceablePictureSize(const PlaceableHeader& h, int64_t dpiX = kScreenDpi, int64_t dpiY = kScreenDpi);

// The extents of the frame a Windows metafile is converted into: the picture
// size multiplied by 10 while the height is below 6554 and the width below
// 6553. Sides of 0 or less are returned as they are (the loop would never end).
PictureSize ConversionExtents(PictureSize picture);

// Applies the limit: above `limit` the width becomes `limit` and the height is
// scaled by limit / width, then the same for the height. A side of 0 or less
// gives nothing; a scaled side never drops below 1.
std::optional<PictureSize> LimitPictureSize(PictureSize size, int64_t limit = kMaxPictureSide);

} // namespace vex::metafile
