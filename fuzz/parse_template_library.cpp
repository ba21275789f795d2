// The template library text: any bytes parse, and every entry converts to
// values inside the bounds the renderer relies on.
#include <string_view>

#include "editing/TemplateLibraryFile.h"
#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const vex::TemplateLibraryFile library(std::string_view(reinterpret_cast<const char*>(data), size));
    vex::TemplateInfo d;
    for (int32_t n = 0; n < 64 && library.ReadEntry(n, d); ++n) {
        if (d.width < 0 || d.width > vex::kMaxTemplateSide || d.height < 0 || d.height > vex::kMaxTemplateSide)
            __builtin_trap();
        if (d.arrowWidth < 0 || d.arrowWidth > vex::kMaxArrowWidth || d.arrowPen < 0 || d.arrowPen > vex::kMaxArrowPen)
            __builtin_trap();
        if (d.name[vex::kTemplatePathSize - 1] != '\0' || d.font.faceName[31] != '\0') __builtin_trap();
        const uint16_t bpp = d.bitsPerPixel;
        if (bpp != 0 && bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) __builtin_trap();
    }
    return 0;
}
