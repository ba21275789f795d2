#pragma once
// WBMP files (type 0): one bit per pixel, rows padded to whole bytes.
#include "image/Raster.h"

namespace vex {

class RasterWBMP : public Raster {
public:
    RasterWBMP() : Raster(TypeWbmp) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
};

} // namespace vex
