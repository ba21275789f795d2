// The JPEG-2000 family reader with automatic detection: JP2, J2K, PGX, PNM
// and Sun raster.
#include "fuzz/FuzzHarness.h"
#include "image/codecs/RasterJ2K.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vex::RasterJ2K codec(vex::TypeUnknown);
    vex::MemoryStream stream(data, size);
    if (!codec.DecodeStream(&stream)) {
        if (codec.GetLastError()[0] == '\0') __builtin_trap();
        return 0;
    }
    if (!codec.IsValid() || codec.GetWidth() == 0 || codec.GetHeight() == 0) __builtin_trap();
    (void)codec.GetPixelColor(codec.GetWidth() - 1, codec.GetHeight() - 1);
    return 0;
}
