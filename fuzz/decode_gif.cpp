#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vex::fuzz::DecodeAs(data, size, vex::TypeGif);
    return 0;
}
