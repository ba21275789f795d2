#pragma once
// Targa files: colour-mapped, true-colour and grey, raw or run-length, with
// 15/16/24/32-bit pixels and colour maps; written raw at 8, 24 or 32 bits.
#include "image/Raster.h"

namespace vex {

class RasterTGA : public Raster {
public:
    RasterTGA() : Raster(TypeTga) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
};

} // namespace vex
