#pragma once
// JPEG files through libjpeg(-turbo): grey, colour and CMYK reading, grey and
// colour writing, resolution from Exif or the JFIF density.

#include "image/Raster.h"
#include "image/codecs/ExifReader.h"

namespace vex {

class RasterJPG : public Raster {
public:
    RasterJPG() : Raster(TypeJpg) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;

    // The Exif record of the last file read.
    const ExifInfo& GetExifInfo() const { return exif_.Info(); }

private:
    ExifReader exif_;
};

} // namespace vex
