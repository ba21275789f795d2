#pragma once
// What the libpng callbacks and the setjmp frames of the PNG codec share.
// Included only by the PNG codec's own files.

#include <png.h>

#include <cstring>

#include "image/Raster.h"

namespace vex {
namespace pngio {

// How decoded rows are laid out once libpng's transforms have run.
enum class PngRows { Packed, GreyAlpha, Bgr, Bgra };

// What the libpng callbacks and the setjmp frames share. Plain data only: a
// longjmp may leave any frame between libpng and the setjmp, so nothing with
// a destructor may live there.
struct PngJob {
    ByteStream* stream = nullptr;
    Raster* image = nullptr;
    char error[kLastErrorSize] = {};
    PngRows rows = PngRows::Packed;
    int bits = 8;                   // bits per pixel of packed rows
    size_t rowBytes = 0;
    uint8_t* buffer = nullptr;      // decoded rows, top row first
    png_bytep* rowPointers = nullptr;
};

inline void RecordError(PngJob* job, const char* message)
{
    if (job->error[0]) return; // the first error is the cause
    std::strncpy(job->error, message ? message : "", kLastErrorSize - 1);
    job->error[kLastErrorSize - 1] = '\0';
}

[[noreturn]] inline void OnPngError(png_structp png, png_const_charp message)
{
    RecordError(static_cast<PngJob*>(png_get_error_ptr(png)), message);
    png_longjmp(png, 1);
}

inline void OnPngWarning(png_structp, png_const_charp) {}

} // namespace pngio
} // namespace vex
