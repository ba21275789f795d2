// The PNG writer: palette images as colour type 3 (with their transparent
// index or palette alpha as tRNS), 24 bpp as RGB, anything with an alpha
// plane or a key colour as RGBA.

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <new>
#include <cstring>
#include <vector>

#include "image/Limits.h"
#include "image/codecs/PngJob.h"
#include "image/codecs/RasterPNG.h"

namespace vex {
namespace {

using namespace pngio;

// Everything the file will hold, prepared before libpng is called.
struct PngPlan {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    png_color palette[256] = {};
    int paletteCount = 0;
    png_byte trans[256] = {};
    int transCount = 0;
    png_color_16 background = {};
    png_uint_32 xPpm = 0;
    png_uint_32 yPpm = 0;
};

void OnPngWrite(png_structp png, png_bytep data, size_t length)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (!job->stream->WriteExact(data, length)) png_error(png, "Write Error");
}

void OnPngFlush(png_structp png)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (!job->stream->Flush()) png_error(png, "Flush Error");
}

// Every libpng call of a write; no object with a destructor lives here.
bool WritePng(png_structp png, png_infop info, PngJob* job, const PngPlan* plan)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, plan->width, plan->height, plan->bitDepth, plan->colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (plan->paletteCount) png_set_PLTE(png, info, plan->palette, plan->paletteCount);
    if (plan->transCount) png_set_tRNS(png, info, plan->trans, plan->transCount, nullptr);
    png_set_bKGD(png, info, &plan->background);
    png_set_pHYs(png, info, plan->xPpm, plan->yPpm, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    png_write_image(png, job->rowPointers);
    png_write_end(png, info);
    return true;
}

uint8_t ScaledAlpha(uint8_t alpha, uint8_t alphaMax)
{
    return static_cast<uint8_t>(alpha * alphaMax / 255);
}

} // namespace

bool RasterPNG::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;

    // The file moves the transparent entry to index 0; that happens on a
    // private copy so the caller's image keeps its palette and index.
    const Raster* src = this;
    Raster swapped;
    const bool paletted = GetBpp() <= 8 && GetNumColors() > 0;
    const int32_t key = GetTransIndex();
    if (paletted && key > 0 && static_cast<uint32_t>(key) < GetNumColors()) {
        swapped.Copy(*this);
        if (!swapped.IsValid()) {
            SetLastError("Can't allocate memory");
            return false;
        }
        swapped.SwapIndex(0, static_cast<uint8_t>(key));
        swapped.SetTransIndex(0);
        src = &swapped;
    }

    PngPlan plan;
    plan.width = src->GetWidth();
    plan.height = src->GetHeight();
    plan.xPpm = static_cast<png_uint_32>(std::max(0, src->GetHeader().xPelsPerMeter));
    plan.yPpm = static_cast<png_uint_32>(std::max(0, src->GetHeader().yPelsPerMeter));
    const int32_t trans = src->GetTransIndex();
    const bool keyed24 = !paletted && trans != -1;
    const bool rgba = src->AlphaIsValid() || keyed24;
    const RgbQuad keyColor = src->GetTransColor();

    uint64_t rowBytes = 0;
    if (rgba) {
        plan.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        rowBytes = uint64_t{plan.width} * 4;
    } else if (paletted) {
        plan.colorType = PNG_COLOR_TYPE_PALETTE;
        plan.bitDepth = src->GetBpp();
        rowBytes = (uint64_t{plan.width} * plan.bitDepth + 7) / 8;
    } else {
        rowBytes = uint64_t{plan.width} * 3;
    }

    if (plan.colorType == PNG_COLOR_TYPE_PALETTE) {
        uint32_t count = src->GetNumColors();
        if (count > 2 && uint64_t{plan.width} * plan.height < 65536) {
            uint32_t highest = 0;
            for (uint32_t y = 0; y < plan.height; ++y)
                for (uint32_t x = 0; x < plan.width; ++x) highest = std::max<uint32_t>(highest, src->GetPixelIndex(x, y));
            count = highest + 1;
        }
        plan.paletteCount = static_cast<int>(count);
        for (uint32_t i = 0; i < count; ++i) {
            const RgbQuad c = src->GetPaletteColor(static_cast<uint8_t>(i));
            plan.palette[i] = png_color{c.red, c.green, c.blue};
            plan.trans[i] = c.reserved;
        }
        if (src->IsAlphaPaletteEnabled()) {
            plan.transCount = plan.paletteCount;
        } else if (trans == 0) {
            plan.trans[0] = 0;
            plan.transCount = 1;
        }
        // The background entry: the transparent one, else the entry nearest white.
        png_byte best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < plan.paletteCount && trans != 0; ++i) {
            const png_color& c = plan.palette[i];
            const int d = (255 - c.red) * (255 - c.red) + (255 - c.green) * (255 - c.green) + (255 - c.blue) * (255 - c.blue);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<png_byte>(i);
            }
        }
        plan.background.index = best;
    } else if (trans != -1) {
        plan.background.red = keyColor.red;
        plan.background.green = keyColor.green;
        plan.background.blue = keyColor.blue;
    } else {
        plan.background.red = plan.background.green = plan.background.blue = 255;
    }

    // The rows as the file holds them, top row first.
    const auto total = BlockSize(rowBytes, plan.height);
    if (!total) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return false;
    }
    std::vector<uint8_t> rows;
    std::vector<png_bytep> pointers;
    try {
        rows.resize(*total);
        pointers.resize(plan.height);
    } catch (const std::bad_alloc&) {
        SetLastError("Can't allocate memory");
        return false;
    }
    const uint8_t alphaMax = src->GetAlphaMax();
    for (uint32_t row = 0; row < plan.height; ++row) {
        const uint32_t y = plan.height - 1 - row;
        uint8_t* dst = rows.data() + uint64_t{row} * rowBytes;
        pointers[row] = dst;
        if (rgba) {
            for (uint32_t x = 0; x < plan.width; ++x, dst += 4) {
                const RgbQuad c = src->GetPixelColor(x, y);
                uint8_t a = src->AlphaIsValid() ? src->AlphaGet(x, y) : 255;
                if (keyed24 && c.red == keyColor.red && c.green == keyColor.green && c.blue == keyColor.blue) a = 0;
                dst[0] = c.red;
                dst[1] = c.green;
                dst[2] = c.blue;
                dst[3] = ScaledAlpha(a, alphaMax);
            }
        } else if (paletted) {
            std::memcpy(dst, src->GetBits(y), rowBytes);
        } else {
            const uint8_t* p = src->GetBits(y);
            for (uint32_t x = 0; x < plan.width; ++x, p += 3, dst += 3) {
                dst[0] = p[2];
                dst[1] = p[1];
                dst[2] = p[0];
            }
        }
    }

    PngJob job;
    job.stream = stream;
    job.image = this;
    job.rowPointers = pointers.data();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
    if (!png) {
        SetLastError("Failed to create PNG structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        SetLastError("Failed to initialize PNG info structure");
        return false;
    }
    png_set_write_fn(png, &job, OnPngWrite, OnPngFlush);
    const bool ok = WritePng(png, info, &job, &plan);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        // A stream that refused bytes says so; every other library error is one text.
        const bool streamError = std::strcmp(job.error, "Write Error") == 0 || std::strcmp(job.error, "Flush Error") == 0;
        SetLastError(streamError ? job.error : "Error saving PNG file");
        return false;
    }
    if (stream->Error() > 0) {
        SetLastError("Write Error");
        return false;
    }
    return true;
}

} // namespace vex
