#pragma once
// Windows metafiles (placeable and plain) and enhanced metafiles, read by
// playing their records onto a picture of the specified size. Read only.
// The codec needs Qt for drawing, so it lives in its own library and joins
// the codec table at run time through RegisterMetafileCodec().

#include "image/Raster.h"

namespace vex {

class RasterWMF : public Raster {
public:
    RasterWMF() : Raster(TypeWmf) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
};

// Adds the metafile reader to the codec table; call once at start-up in
// every program that links the metafile library.
void RegisterMetafileCodec();

} // namespace vex
