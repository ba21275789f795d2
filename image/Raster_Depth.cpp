#include <algorithm>
#include <bit>
#include <cstring>

#include "image/NearestIndex.h"
#include "image/Raster.h"

namespace vex {

bool Raster::IncreaseBpp(uint32_t bpp)
{
    if (!block_ || (bpp != 4 && bpp != 8 && bpp != 24)) return false;
    if (bpp == head_.bitCount) return true;
    if (head_.bitCount > bpp) return false;

    Raster tmp;
    tmp.CopyInfo(*this);
    tmp.head_.xPelsPerMeter = head_.xPelsPerMeter;
    tmp.head_.yPelsPerMeter = head_.yPelsPerMeter;
    if (!tmp.Create(GetWidth(), GetHeight(), bpp, info_.type)) {
        SetLastError(tmp.GetLastError());
        return false;
    }
    const uint32_t w = GetWidth(), h = GetHeight();
    if (bpp == 4 || bpp == 8) {
        tmp.SetPalette(GetPalette(), head_.clrUsed);
        tmp.SelectionCopy(*this);
        tmp.AlphaCopy(*this);
        for (uint32_t y = 0; y < h; ++y) {
            if (GetEscape()) return false;
            for (uint32_t x = 0; x < w; ++x) tmp.SetPixelIndex(x, y, GetPixelIndex(x, y));
        }
    } else {
        if (info_.transIndex >= 0) tmp.info_.transColor = GetPaletteColor(static_cast<uint8_t>(info_.transIndex));
        tmp.SelectionCopy(*this);
        tmp.AlphaCopy(*this);
        if (AlphaPaletteIsValid() && !tmp.AlphaIsValid()) tmp.AlphaCreate();
        for (uint32_t y = 0; y < h; ++y) {
            if (GetEscape()) return false;
            for (uint32_t x = 0; x < w; ++x) tmp.SetPixelColor(x, y, GetPixelColor(x, y), true);
        }
    }
    Transfer(tmp);
    return true;
}

bool Raster::DecreaseBpp(uint32_t bpp, bool errorDiffusion, const RgbQuad* palette, uint32_t clrImportant)
{
    if (!block_) return false;
    if (head_.bitCount < bpp) return false;
    if (head_.bitCount == bpp &&
        (clrImportant == 0 || (head_.clrImportant != 0 && head_.clrImportant < clrImportant)))
        return true;
    if (bpp != 1 && bpp != 4 && bpp != 8) return false;

    const uint32_t w = GetWidth(), h = GetHeight();
    Raster tmp;
    tmp.CopyInfo(*this);
    tmp.head_.xPelsPerMeter = head_.xPelsPerMeter;
    tmp.head_.yPelsPerMeter = head_.yPelsPerMeter;
    if (!tmp.Create(w, h, bpp, info_.type)) {
        SetLastError(tmp.GetLastError());
        return false;
    }
    if (clrImportant) tmp.SetClrImportant(clrImportant);
    tmp.SelectionCopy(*this);
    tmp.AlphaCopy(*this);

    if (palette) {
        tmp.SetPalette(palette, tmp.head_.clrUsed);
    } else if (bpp == 1) {
        tmp.SetPaletteColor(0, 0, 0, 0);
        tmp.SetPaletteColor(1, 255, 255, 255);
    } else {
        tmp.SetStdPalette();
    }

    // The target palette is fixed from here on, so one search structure
    // answers every pixel exactly as the image's own nearest-index search would.
    const RgbQuad* tmpPalette = tmp.GetPalette();
    const uint32_t searched = std::min(tmp.GetClrImportant() ? tmp.GetClrImportant() : tmp.GetNumColors(),
                                       tmp.GetNumColors());
    NearestIndex nearest(tmpPalette, searched);

    if (!errorDiffusion) {
        for (uint32_t y = 0; y < h; ++y) {
            SetProgress(static_cast<int>(uint64_t{y} * 100 / h));
            if (GetEscape()) return false;
            for (uint32_t x = 0; x < w; ++x) tmp.SetPixelIndex(x, y, nearest.Find(GetPixelColor(x, y)));
        }
    } else {
        // The error is spread in a working copy so the source stays as it was
        // if the loop is cancelled.
        Raster work(*this, true, false, true);
        if (!work.IsValid()) {
            SetLastError(work.GetLastError());
            return false;
        }
        // A 24 bpp working copy is changed in its rows directly (same arithmetic).
        const bool direct = work.GetBpp() == 24;
        auto spread = [&work, direct](int64_t x, int64_t y, const int e[3], int weight) {
            if (!work.IsInside(x, y)) return;
            auto add = [weight](uint8_t v, int err) {
                return static_cast<uint8_t>(std::clamp(v + err * weight / 16, 0, 255));
            };
            if (direct) {
                uint8_t* p = work.GetBits(static_cast<uint32_t>(y)) + 3 * x;
                p[0] = add(p[0], e[0]);
                p[1] = add(p[1], e[1]);
                p[2] = add(p[2], e[2]);
                return;
            }
            RgbQuad c = work.GetPixelColor(x, y);
            c.blue = add(c.blue, e[0]);
            c.green = add(c.green, e[1]);
            c.red = add(c.red, e[2]);
            work.SetPixelColor(x, y, c);
        };
        for (uint32_t y = 0; y < h; ++y) {
            SetProgress(static_cast<int>(uint64_t{y} * 100 / h));
            if (GetEscape()) return false;
            const uint8_t* row = work.GetBits(y);
            for (uint32_t x = 0; x < w; ++x) {
                const RgbQuad c = direct ? RgbQuad{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0} : work.GetPixelColor(x, y);
                const uint8_t index = nearest.Find(c);
                tmp.SetPixelIndex(x, y, index);
                const RgbQuad q = tmpPalette[index];
                const int e[3] = {c.blue - q.blue, c.green - q.green, c.red - q.red};
                spread(int64_t{x} + 1, y, e, 7);
                spread(int64_t{x} - 1, int64_t{y} + 1, e, 2);
                spread(x, int64_t{y} + 1, e, 4);
                spread(int64_t{x} + 1, int64_t{y} + 1, e, 1);
            }
        }
    }
    if (head_.bitCount == 1) {
        tmp.SetPaletteColor(0, 0, 0, 0);
        tmp.SetPaletteColor(1, 255, 255, 255);
    }
    Transfer(tmp);
    return true;
}

uint64_t Raster::BitfieldRowBytes(uint32_t width, uint32_t bpp)
{
    if (bpp == 16) return (uint64_t{width} + 1) / 2 * 4;
    if (bpp == 32) return uint64_t{width} * 4;
    return 0;
}

namespace {

// One channel of a bit-field pixel scaled to 8 bits. The shift comes from the
// mask's own lowest set bit, so a hostile mask never gives a negative shift.
struct FieldDecoder {
    uint32_t mask = 0;
    int low = 0;
    int bits = 0;

    explicit FieldDecoder(uint32_t m) : mask(m)
    {
        if (m) {
            low = std::countr_zero(m);
            bits = std::min(32 - low, std::popcount(m));
        }
    }
    uint8_t operator()(uint32_t w) const
    {
        if (!mask) return 0;
        uint32_t v = (w & mask) >> low;
        if (bits > 8) v >>= (bits - 8);
        else v <<= (8 - bits);
        return static_cast<uint8_t>(v);
    }
};

} // namespace

void Raster::Bitfield2RGB(const uint8_t* src, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                          uint32_t bpp)
{
    if (!block_ || !src || head_.bitCount != 24 || (bpp != 16 && bpp != 32)) return;
    const uint32_t w = GetWidth(), h = GetHeight();
    const uint64_t srcStride = BitfieldRowBytes(w, bpp);
    if (bpp == 16) {
        redMask &= 0xFFFF;
        greenMask &= 0xFFFF;
        blueMask &= 0xFFFF;
    }
    const FieldDecoder red(redMask), green(greenMask), blue(blueMask);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = src + uint64_t{y} * srcStride;
        uint8_t* d = info_.pixels + uint64_t{y} * info_.stride;
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = bpp == 16 ? uint32_t(s[2 * x] | (s[2 * x + 1] << 8))
                                         : uint32_t(s[4 * x]) | uint32_t(s[4 * x + 1]) << 8 |
                                               uint32_t(s[4 * x + 2]) << 16 | uint32_t(s[4 * x + 3]) << 24;
            d[3 * x] = blue(v);
            d[3 * x + 1] = green(v);
            d[3 * x + 2] = red(v);
        }
    }
}

} // namespace vex
