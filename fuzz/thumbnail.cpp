#include <string>
#include <vector>

#include "fuzz/FuzzHarness.h"
#include "tools/Tool.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

// The thumbnailer's choice of entry (programs, animated cursors, icon
// directories, then guessing) and its scaling, on a name without extension
// so the bytes alone decide.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    vex::Raster image;
    const std::string error = vex::tool::PrepareThumbnail("input", bytes, 64, image);
    if (error.empty() && (!image.IsValid() || image.GetWidth() > 64 || image.GetHeight() > 64)) __builtin_trap();
    return 0;
}
