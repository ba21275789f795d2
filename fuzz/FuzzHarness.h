#pragma once
// Shared by every fuzz target: caps memory the same way, and turns a target
// into a plain program that replays files and folders when it is not built
// with libFuzzer (used by the tests over the sample corpus).

#include <cstddef>
#include <cstdint>

#include "image/Limits.h"
#include "image/Raster.h"

namespace vex::fuzz {

// Small enough to stay well inside the fuzzer's memory limit, large enough
// for every real sample in the corpus.
inline constexpr uint64_t kFuzzImageBytes = 256ull * 1024 * 1024;

inline void Init()
{
    SetRasterMemoryLimit(kFuzzImageBytes);
}

// Decodes the bytes as the given type, then touches what a caller would.
inline void DecodeAs(const uint8_t* data, size_t size, uint32_t type)
{
    Raster image(type);
    if (!image.LoadResource(data, size, type)) {
        // A failure always leaves a reason.
        if (image.GetLastError()[0] == '\0') __builtin_trap();
        return;
    }
    if (!image.IsValid() || image.GetWidth() == 0 || image.GetHeight() == 0) __builtin_trap();
    (void)image.GetPixelColor(image.GetWidth() - 1, image.GetHeight() - 1);
}

} // namespace vex::fuzz
