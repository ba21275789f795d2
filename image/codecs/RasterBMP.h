#pragma once
// Windows bitmap files (and bare device-independent bitmaps): the common
// header variants, 3- and 4-byte palettes, RLE4/RLE8, 16 and 32 bpp bit
// fields and top-down rows. Writing is the pixel block behind a file header.

#include "image/Raster.h"

namespace vex {

class RasterBMP : public Raster {
public:
    RasterBMP() : Raster(TypeBmp) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;

private:
    bool ReadInfoHeader(ByteStream* stream, BitmapInfoHeader& header, bool& coreHeader);
    bool DecodeRle8(ByteStream* stream);
    bool DecodeRle4(ByteStream* stream);
};

} // namespace vex
