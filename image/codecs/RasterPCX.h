#pragma once
// PCX files: run-length rows of 1, 2, 4 or 8 bits in one plane, 1-bit
// planes, and 8-bit red/green/blue (and alpha) planes.
#include "image/Raster.h"

namespace vex {

class RasterPCX : public Raster {
public:
    RasterPCX() : Raster(TypePcx) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
};

} // namespace vex
