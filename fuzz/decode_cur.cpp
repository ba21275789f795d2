#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

// The first and the second image of the directory.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (int frame : {0, 1}) {
        vex::Raster image(vex::TypeCur);
        image.SetFrame(frame);
        if (!image.LoadResource(data, size, vex::TypeCur)) {
            if (image.GetLastError()[0] == '\0') __builtin_trap();
            continue;
        }
        if (!image.IsValid() || image.GetWidth() == 0 || image.GetHeight() == 0) __builtin_trap();
        (void)image.GetPixelColor(image.GetWidth() - 1, image.GetHeight() - 1);
    }
    return 0;
}
