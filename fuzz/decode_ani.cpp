#include "fuzz/FuzzHarness.h"
#include "image/codecs/RasterANI.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

// The animated-cursor reader is reached by file name only; the same reader
// runs over memory here, for the first step and for one further step.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (int frame : {0, 2}) {
        vex::RasterANI ani;
        ani.SetFrame(frame);
        vex::MemoryStream stream(data, size);
        if (!ani.DecodeRiff(&stream)) {
            if (ani.GetLastError()[0] == '\0') __builtin_trap();
            continue;
        }
        if (!ani.IsValid() || ani.GetWidth() == 0 || ani.GetHeight() == 0) __builtin_trap();
        (void)ani.GetPixelColor(ani.GetWidth() - 1, ani.GetHeight() - 1);
    }
    return 0;
}
