// Every registered reader over the same bytes, and format guessing.

#include "fuzz/FuzzHarness.h"
#include "image/CodecRegistry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Animated cursors are read by file name only (decode_ani covers them).
    for (uint32_t type = vex::TypeUnknown; type <= vex::kLastImageType; ++type)
        if (type == vex::TypeAni) continue;
        else if (type == vex::TypeUnknown || vex::FindCodec(type)) vex::fuzz::DecodeAs(data, size, type);
    return 0;
}
