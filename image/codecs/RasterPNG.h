#pragma once
// PNG files through libpng: every colour type and bit depth read, with their
// transparency kept (palette alpha, a key index or colour, or an alpha plane);
// written as palette, RGB or RGBA. libpng's setjmp stays inside the adaptor.

#include "image/Raster.h"

namespace vex {

class RasterPNG : public Raster {
public:
    RasterPNG() : Raster(TypePng) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
};

} // namespace vex
