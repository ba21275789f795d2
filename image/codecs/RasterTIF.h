#pragma once
// TIFF files through libtiff: pages, the library's RGBA reader for colour
// models it knows, a direct reader for grey, palette, CIE L*a*b* and 8-bit
// RGBA, orientation, resolution and position; one-page and multi-page writing.

#include "image/Raster.h"

typedef struct tiff TIFF;

namespace vex {

class RasterTIF : public Raster {
public:
    RasterTIF() : Raster(TypeTif) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
    bool HasMultiFrameWriter() const override { return true; }
    bool EncodeFrames(ByteStream* stream, Raster* const* frames, int count) override;

private:
    bool ReadPage(TIFF* tif);
    bool ReadRgba(TIFF* tif, bool alpha);
    bool ReadDirect(TIFF* tif, uint32_t bitsPerSample, uint32_t samples, uint32_t photometric, bool associated);
    bool SetPagePalette(TIFF* tif, uint32_t bitsPerSample, uint32_t photometric);
    void CopyRow(uint32_t top, const uint8_t* src, uint32_t bitsPerSample, uint32_t samples, uint32_t photometric,
                 bool associated);
    void ApplyOrientation(uint32_t orientation);
    bool WritePage(TIFF* tif, Raster& page, int index, int count, bool multi);

    bool signedSamples_ = false; // two's complement grey, shown from the lowest value up
};

} // namespace vex
