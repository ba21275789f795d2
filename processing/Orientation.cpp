// Quarter turns and reversals. Each builds its result beside the source and
// moves it in only when complete, so escape leaves the image as it was.

#include <algorithm>
#include <cstring>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex {
using proc::MakeLike;

bool Raster::RotateLeft(Raster* destination)
{
    if (!IsValid()) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    Raster out;
    if (!MakeLike(*this, out, h, w, true)) return false;
    // new (x', y') = source (y', H - 1 - x')
    for (uint32_t yn = 0; yn < w; ++yn) {
        SetProgress(static_cast<int>(uint64_t{yn} * 100 / w));
        if (GetEscape()) return false;
        for (uint32_t xn = 0; xn < h; ++xn) {
            const uint32_t sx = yn, sy = h - 1 - xn;
            if (GetNumColors()) out.SetPixelIndex(xn, yn, GetPixelIndex(sx, sy));
            else out.SetPixelColor(xn, yn, GetPixelColor(sx, sy));
            out.AlphaSet(xn, yn, AlphaGet(sx, sy));
        }
    }
    (destination ? *destination : *this).Transfer(out);
    return true;
}

bool Raster::RotateRight(Raster* destination)
{
    if (!IsValid()) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    Raster out;
    if (!MakeLike(*this, out, h, w, true)) return false;
    // new (x', y') = source (W - 1 - y', x')
    for (uint32_t yn = 0; yn < w; ++yn) {
        SetProgress(static_cast<int>(uint64_t{yn} * 100 / w));
        if (GetEscape()) return false;
        for (uint32_t xn = 0; xn < h; ++xn) {
            const uint32_t sx = w - 1 - yn, sy = xn;
            if (GetNumColors()) out.SetPixelIndex(xn, yn, GetPixelIndex(sx, sy));
            else out.SetPixelColor(xn, yn, GetPixelColor(sx, sy));
            out.AlphaSet(xn, yn, AlphaGet(sx, sy));
        }
    }
    (destination ? *destination : *this).Transfer(out);
    return true;
}

bool Raster::Mirror()
{
    if (!IsValid()) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    Raster out;
    if (!MakeLike(*this, out, w, h, false)) return false;
    out.AlphaCopy(*this);
    for (uint32_t y = 0; y < h; ++y) {
        SetProgress(static_cast<int>(uint64_t{y} * 100 / h));
        if (GetEscape()) return false;
        const uint8_t* s = GetBits(y);
        uint8_t* d = out.GetBits(y);
        switch (GetBpp()) {
        case 8:
            for (uint32_t x = 0; x < w; ++x) d[x] = s[w - 1 - x];
            break;
        case 24:
            for (uint32_t x = 0; x < w; ++x) std::memcpy(d + 3 * x, s + 3 * (w - 1 - x), 3);
            break;
        default:
            for (uint32_t x = 0; x < w; ++x) out.SetPixelIndex(x, y, GetPixelIndex(w - 1 - x, y));
            break;
        }
    }
    out.AlphaMirror();
    Transfer(out);
    return true;
}

bool Raster::Flip()
{
    if (!IsValid()) return false;
    const uint32_t h = GetHeight();
    Raster out;
    if (!MakeLike(*this, out, GetWidth(), h, false)) return false;
    out.AlphaCopy(*this);
    for (uint32_t y = 0; y < h; ++y) {
        SetProgress(static_cast<int>(uint64_t{y} * 100 / h));
        if (GetEscape()) return false;
        std::memcpy(out.GetBits(y), GetBits(h - 1 - y), GetEffWidth());
    }
    out.AlphaFlip();
    Transfer(out);
    return true;
}

} // namespace vex
