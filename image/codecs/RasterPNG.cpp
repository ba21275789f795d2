#include "image/codecs/RasterPNG.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/Limits.h"
#include "image/codecs/PngJob.h"

namespace vex {
namespace {

using namespace pngio;

void OnPngRead(png_structp png, png_bytep data, size_t length)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (!job->stream->ReadExact(data, length)) png_error(png, "Read Error");
}

void OnPngRow(png_structp png, png_uint_32, int)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (job->image->GetEscape()) png_error(png, "Cancelled");
}

constexpr png_alloc_size_t kMaxPngChunk = 8u << 20;
const png_byte kIgnoredChunks[] = "cHRM\0gAMA\0iCCP\0sBIT\0sRGB\0hIST\0tEXt\0zTXt\0iTXt\0oFFs\0pCAL\0sCAL\0sPLT\0tIME\0eXIf\0";
constexpr int kIgnoredChunkCount = 15;

int32_t ClampDpi(double v)
{
    return static_cast<int32_t>(std::clamp(v, 0.0, 65535.0));
}

// Palette, transparency, background and resolution of a file whose header
// has been read. Called inside the setjmp frame.
void ReadMetadata(png_structp png, png_infop info, PngJob* job, int colorType, int bitDepth)
{
    Raster& img = *job->image;
    png_colorp filePalette = nullptr;
    int paletteCount = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(png, info, &filePalette, &paletteCount)) {
        const int n = std::min<int>(paletteCount, static_cast<int>(img.GetNumColors()));
        for (int i = 0; i < n; ++i)
            img.SetPaletteColor(static_cast<uint8_t>(i), filePalette[i].red, filePalette[i].green, filePalette[i].blue);
    } else if (img.GetNumColors() && bitDepth == 2 && job->rows == PngRows::Packed) {
        for (int i = 0; i < 4; ++i) img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 85), uint8_t(i * 85), uint8_t(i * 85));
    } else if (img.GetNumColors()) {
        img.SetGrayPalette();
    }

    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_color_16p transKey = nullptr;
    if (png_get_valid(png, info, PNG_INFO_tRNS) && png_get_tRNS(png, info, &transAlpha, &transCount, &transKey)) {
        if (colorType == PNG_COLOR_TYPE_PALETTE && transAlpha && transCount > 0) {
            // One fully transparent entry among opaque ones is a key index.
            const int colours = static_cast<int>(img.GetNumColors());
            const int listed = std::min(transCount, colours);
            int keyEntry = -1, keys = 0;
            bool binary = true;
            for (int i = 0; i < listed; ++i) {
                if (transAlpha[i] == 0) {
                    keyEntry = i;
                    ++keys;
                } else if (transAlpha[i] != 255) {
                    binary = false;
                }
            }
            if (binary && keys == 1) {
                img.SetTransIndex(keyEntry);
            } else {
                for (int i = 0; i < colours; ++i) {
                    RgbQuad c = img.GetPaletteColor(static_cast<uint8_t>(i));
                    c.reserved = i < transCount ? transAlpha[i] : 255;
                    img.SetPaletteColor(static_cast<uint8_t>(i), c);
                }
                img.AlphaPaletteEnable(true);
            }
        } else if (colorType == PNG_COLOR_TYPE_GRAY && job->rows == PngRows::Packed && transKey) {
            // A key grey of 8 bits or fewer is a palette index of the grey ramp.
            if (transKey->gray < (1u << bitDepth)) img.SetTransIndex(transKey->gray);
        } else if (colorType == PNG_COLOR_TYPE_RGB && job->rows == PngRows::Bgr && transKey) {
            img.SetTransColor(MakeRgb(uint8_t(transKey->red), uint8_t(transKey->green), uint8_t(transKey->blue)));
            img.SetTransIndex(0);
        }
    }

    png_color_16p background = nullptr;
    const bool hasAlphaPlane = job->rows == PngRows::GreyAlpha || job->rows == PngRows::Bgra;
    if (hasAlphaPlane && png_get_bKGD(png, info, &background) && background) {
        if (colorType & PNG_COLOR_MASK_COLOR)
            img.SetTransColor(MakeRgb(uint8_t(background->red), uint8_t(background->green), uint8_t(background->blue)));
        else
            img.SetTransColor(MakeRgb(uint8_t(background->gray), uint8_t(background->gray), uint8_t(background->gray)));
    }

    png_uint_32 xRes = 0, yRes = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xRes, &yRes, &unit)) {
        if (unit == PNG_RESOLUTION_METER) {
            img.SetXDPI(ClampDpi(std::floor(xRes * 0.0254 + 0.5)));
            img.SetYDPI(ClampDpi(std::floor(yRes * 0.0254 + 0.5)));
        } else {
            img.SetXDPI(ClampDpi(xRes));
            img.SetYDPI(ClampDpi(yRes));
        }
    } else {
        img.SetXDPI(96);
        img.SetYDPI(96);
    }
}

// Every libpng call of a read. Returns false after a libpng error (its
// text in job->error) or a refusal of ours.
bool ReadPng(png_structp png, png_infop info, PngJob* job)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxSide), static_cast<png_uint_32>(kMaxSide));
    // Chunks we never use are skipped unread, so a hostile length in one of
    // them costs no memory.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, kIgnoredChunkCount);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_chunk_malloc_max(png, kMaxPngChunk);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    uint32_t depth = 24;
    switch (colorType) {
    case PNG_COLOR_TYPE_PALETTE:
        job->rows = PngRows::Packed;
        job->bits = bitDepth;
        depth = bitDepth == 2 ? 4 : bitDepth;
        break;
    case PNG_COLOR_TYPE_GRAY:
        if (bitDepth == 16 && hasTrns) {
            // A 16-bit key cannot survive stripping to 8 bits; keep it as alpha.
            png_set_tRNS_to_alpha(png);
            job->rows = PngRows::GreyAlpha;
            depth = 8;
        } else {
            job->rows = PngRows::Packed;
            job->bits = std::min(bitDepth, 8);
            depth = job->bits == 2 ? 4 : job->bits;
        }
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        if (bitDepth == 16) {
            png_set_gray_to_rgb(png);
            job->rows = PngRows::Bgra;
        } else {
            job->rows = PngRows::GreyAlpha;
            depth = 8;
        }
        break;
    case PNG_COLOR_TYPE_RGB:
        if (bitDepth == 16 && hasTrns) {
            png_set_tRNS_to_alpha(png);
            job->rows = PngRows::Bgra;
        } else {
            job->rows = PngRows::Bgr;
        }
        break;
    default: job->rows = PngRows::Bgra; break;
    }
    if (bitDepth == 16) png_set_strip_16(png);
    if (job->rows == PngRows::Bgr || job->rows == PngRows::Bgra) png_set_bgr(png);
    png_set_interlace_handling(png);
    png_set_read_status_fn(png, OnPngRow);
    png_read_update_info(png, info);

    const uint64_t w = width;
    uint64_t want = 0;
    switch (job->rows) {
    case PngRows::Packed: want = (w * job->bits + 7) / 8; break;
    case PngRows::GreyAlpha: want = w * 2; break;
    case PngRows::Bgr: want = w * 3; break;
    case PngRows::Bgra: want = w * 4; break;
    }
    job->rowBytes = png_get_rowbytes(png, info);
    if (job->rowBytes != want) {
        RecordError(job, "Unsupported PNG pixel layout");
        return false;
    }
    if (!job->image->Create(width, height, depth, TypePng)) {
        RecordError(job, job->image->GetLastError());
        return false;
    }
    if ((job->rows == PngRows::GreyAlpha || job->rows == PngRows::Bgra) && !job->image->AlphaCreate()) {
        RecordError(job, "Can't allocate memory");
        return false;
    }
    ReadMetadata(png, info, job, colorType, bitDepth);

    const auto total = BlockSize(job->rowBytes, height);
    const auto pointers = CheckedMul(height, sizeof(png_bytep));
    if (!total || !pointers) {
        RecordError(job, "RASTER_MAX_MEMORY exceeded");
        return false;
    }
    job->buffer = static_cast<uint8_t*>(std::calloc(*total ? *total : 1, 1));
    job->rowPointers = static_cast<png_bytep*>(std::malloc(*pointers));
    if (!job->buffer || !job->rowPointers) {
        RecordError(job, "Can't allocate memory");
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) job->rowPointers[y] = job->buffer + uint64_t{y} * job->rowBytes;
    png_read_image(png, job->rowPointers);
    return true;
}

// Moves the decoded rows (top row first) into the image (bottom row first).
void StoreRows(const PngJob& job)
{
    Raster& img = *job.image;
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    uint8_t* alpha = img.AlphaGetPointer();
    for (uint32_t row = 0; row < h; ++row) {
        const uint8_t* src = job.buffer + uint64_t{row} * job.rowBytes;
        const uint32_t y = h - 1 - row;
        uint8_t* dst = img.GetBits(y);
        uint8_t* a = alpha ? alpha + uint64_t{y} * w : nullptr;
        switch (job.rows) {
        case PngRows::Packed:
            if (job.bits == 2) {
                for (uint32_t x = 0; x < w; ++x) {
                    const uint8_t v = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
                    dst[x / 2] = static_cast<uint8_t>(dst[x / 2] | (x % 2 ? v : v << 4));
                }
            } else {
                std::memcpy(dst, src, job.rowBytes);
                // Bits past the last pixel are whatever the file left there.
                const uint32_t usedBits = static_cast<uint32_t>((uint64_t{w} * job.bits) % 8);
                if (usedBits) dst[job.rowBytes - 1] &= static_cast<uint8_t>(0xFF00 >> usedBits);
            }
            break;
        case PngRows::GreyAlpha:
            for (uint32_t x = 0; x < w; ++x) {
                dst[x] = src[2 * x];
                a[x] = src[2 * x + 1];
            }
            break;
        case PngRows::Bgr: std::memcpy(dst, src, uint64_t{w} * 3); break;
        case PngRows::Bgra:
            for (uint32_t x = 0; x < w; ++x) {
                std::memcpy(dst + 3 * uint64_t{x}, src + 4 * uint64_t{x}, 3);
                a[x] = src[4 * uint64_t{x} + 3];
            }
            break;
        }
    }
}

} // namespace

using pngio::PngJob;

bool RasterPNG::DecodeStream(ByteStream* stream)
{
    if (!stream) {
        SetLastError("Read Error");
        return false;
    }
    PngJob job;
    job.stream = stream;
    job.image = this;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
    if (!png) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        SetLastError("Failed to initialize PNG info structure");
        return false;
    }
    png_set_read_fn(png, &job, OnPngRead);
    const bool ok = ReadPng(png, info, &job);
    png_destroy_read_struct(&png, &info, nullptr);
    if (ok) StoreRows(job);
    std::free(job.rowPointers);
    std::free(job.buffer);
    if (!ok) {
        SetLastError(job.error[0] ? job.error : "Read Error");
        return false;
    }
    return true;
}

} // namespace vex
