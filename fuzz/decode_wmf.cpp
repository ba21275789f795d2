// The metafile reader over Windows metafile seeds.

#include "fuzz/FuzzHarness.h"
#include "image/codecs/metafile/MetafileCanvas.h"
#include "image/codecs/metafile/RasterWMF.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    vex::RegisterMetafileCodec();
    vex::metafile::TextRenderingAvailable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vex::fuzz::DecodeAs(data, size, vex::TypeWmf);
    return 0;
}
