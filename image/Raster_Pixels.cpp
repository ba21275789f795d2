#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/Limits.h"
#include "image/Raster.h"

namespace vex {

bool Raster::IsInside(int64_t x, int64_t y) const
{
    return block_ && x >= 0 && y >= 0 && x < head_.width && y < head_.height;
}

uint8_t Raster::GetPixelIndex(int64_t x, int64_t y) const
{
    if (!block_ || head_.clrUsed == 0) return 0;
    if (!IsInside(x, y)) {
        if (info_.transIndex != -1) return static_cast<uint8_t>(info_.transIndex);
        // The bottom-left pixel, not the whole first byte (which packs several
        // pixels at 1 and 4 bpp).
        x = 0;
        y = 0;
    }
    const uint8_t* row = info_.pixels + static_cast<uint64_t>(y) * info_.stride;
    switch (head_.bitCount) {
    case 8: return row[x];
    case 4: {
        const uint8_t b = row[x >> 1];
        return (x & 1) ? (b & 0x0F) : (b >> 4);
    }
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default: return 0;
    }
}

void Raster::SetPixelIndex(int64_t x, int64_t y, uint8_t index)
{
    if (!IsInside(x, y) || head_.clrUsed == 0) return;
    uint8_t* row = info_.pixels + static_cast<uint64_t>(y) * info_.stride;
    switch (head_.bitCount) {
    case 8: row[x] = index; break;
    case 4: {
        uint8_t& b = row[x >> 1];
        if (x & 1) b = static_cast<uint8_t>((b & 0xF0) | (index & 0x0F));
        else b = static_cast<uint8_t>((b & 0x0F) | (index << 4));
        break;
    }
    case 1: {
        uint8_t& b = row[x >> 3];
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        b = (index & 1) ? (b | bit) : (b & ~bit);
        break;
    }
    default: break;
    }
}

RgbQuad Raster::GetPixelColor(int64_t x, int64_t y) const
{
    RgbQuad c = info_.transColor;
    if (!IsInside(x, y)) {
        if (info_.transIndex == -1) {
            if (block_) {
                x = 0;
                y = 0;
            }
        } else if (head_.clrUsed) {
            c = GetPaletteColor(static_cast<uint8_t>(info_.transIndex));
            x = -1; // keep the key colour below
        }
    }
    if (IsInside(x, y)) {
        if (head_.clrUsed) {
            c = GetPaletteColor(GetPixelIndex(x, y));
        } else {
            const uint8_t* p = info_.pixels + static_cast<uint64_t>(y) * info_.stride + x * 3;
            c = RgbQuad{p[0], p[1], p[2], info_.transColor.reserved};
        }
    }
    if (alpha_) c.reserved = AlphaGet(x, y);
    return c;
}

void Raster::SetPixelColor(int64_t x, int64_t y, RgbQuad c, bool setAlpha)
{
    if (!IsInside(x, y)) return;
    if (head_.clrUsed) {
        SetPixelIndex(x, y, GetNearestIndex(c));
    } else {
        uint8_t* p = info_.pixels + static_cast<uint64_t>(y) * info_.stride + x * 3;
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
    }
    if (setAlpha) AlphaSet(x, y, c.reserved);
}

void Raster::SetPixelColorRef(int64_t x, int64_t y, uint32_t colorRef)
{
    const uint32_t v = RBSwap(colorRef);
    SetPixelColor(x, y, RgbQuad{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}, false);
}

RgbQuad Raster::GetTransColor() const
{
    if (head_.bitCount < 24 && info_.transIndex >= 0)
        return GetPaletteColor(static_cast<uint8_t>(info_.transIndex));
    return info_.transColor;
}

bool Raster::IsTransparent(int64_t x, int64_t y) const
{
    if (head_.clrUsed) return info_.transIndex != -1 && GetPixelIndex(x, y) == info_.transIndex;
    if (info_.transIndex != -1) return GetPixelColor(x, y) == GetTransColor();
    if (alpha_) return AlphaGet(x, y) == 0;
    return false;
}

// ---- alpha plane ----

bool Raster::AlphaCreate()
{
    if (!block_) return false;
    AlphaDelete();
    alpha_ = static_cast<uint8_t*>(std::calloc(PlaneBytes(), 1));
    return alpha_ != nullptr;
}

void Raster::AlphaDelete()
{
    if (!IsGhost()) std::free(alpha_);
    alpha_ = nullptr;
}

void Raster::AlphaSet(uint8_t value)
{
    if (alpha_) std::memset(alpha_, value, PlaneBytes());
}

void Raster::AlphaSet(int64_t x, int64_t y, uint8_t value)
{
    if (alpha_ && IsInside(x, y)) alpha_[static_cast<uint64_t>(y) * GetWidth() + x] = value;
}

uint8_t Raster::AlphaGet(int64_t x, int64_t y) const
{
    if (alpha_ && IsInside(x, y)) return alpha_[static_cast<uint64_t>(y) * GetWidth() + x];
    return 0;
}

bool Raster::AlphaCopy(const Raster& src)
{
    if (!src.alpha_ || !block_ || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight()) return false;
    if (!alpha_ && !AlphaCreate()) return false;
    std::memcpy(alpha_, src.alpha_, PlaneBytes());
    info_.alphaMax = src.info_.alphaMax;
    return true;
}

bool Raster::AlphaSetFromGray(const Raster& src)
{
    if (!src.IsGrayScale() || !block_ || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight())
        return false;
    if (!alpha_ && !AlphaCreate()) return false;
    for (uint32_t y = 0; y < GetHeight(); ++y)
        for (uint32_t x = 0; x < GetWidth(); ++x) alpha_[uint64_t{y} * GetWidth() + x] = src.GetPixelIndex(x, y);
    return true;
}

void Raster::AlphaFlip()
{
    if (!alpha_) return;
    const uint32_t w = GetWidth(), h = GetHeight();
    for (uint32_t y = 0; y < h / 2; ++y)
        std::swap_ranges(alpha_ + uint64_t{y} * w, alpha_ + uint64_t{y} * w + w, alpha_ + uint64_t{h - 1 - y} * w);
}

void Raster::AlphaMirror()
{
    if (!alpha_) return;
    const uint32_t w = GetWidth();
    for (uint32_t y = 0; y < GetHeight(); ++y) std::reverse(alpha_ + uint64_t{y} * w, alpha_ + uint64_t{y} * w + w);
}

bool Raster::AlphaPaletteIsValid() const
{
    RgbQuad* pal = GetPalette();
    if (!pal) return false;
    for (uint32_t i = 0; i < head_.clrUsed; ++i)
        if (pal[i].reserved) return true;
    return false;
}

bool Raster::AlphaStrip()
{
    const bool paletteAlpha = AlphaPaletteIsValid();
    if (!block_ || (!alpha_ && !paletteAlpha)) return false;
    const RgbQuad bg = info_.transColor;
    auto blend = [&](RgbQuad c, int64_t x, int64_t y) {
        uint32_t a = alpha_ ? info_.alphaMax * uint32_t{AlphaGet(x, y)} / 255 : info_.alphaMax;
        if (paletteAlpha) a = a * GetPaletteColor(GetPixelIndex(x, y)).reserved / 255;
        auto mix = [a](uint8_t b, uint8_t f) { return static_cast<uint8_t>((b * (255 - a) + f * a) / 255); };
        return RgbQuad{mix(bg.blue, c.blue), mix(bg.green, c.green), mix(bg.red, c.red), 0};
    };
    const uint32_t w = GetWidth(), h = GetHeight();
    if (head_.bitCount == 24) {
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) SetPixelColor(x, y, blend(GetPixelColor(x, y), x, y));
        AlphaDelete();
        return true;
    }
    Raster flat;
    flat.CopyInfo(*this);
    if (!flat.Create(w, h, 24, info_.type)) return false;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) flat.SetPixelColor(x, y, blend(GetPixelColor(x, y), x, y));
    flat.SelectionCopy(*this);
    flat.info_.alphaPaletteEnabled = false;
    Transfer(flat);
    return true;
}

// ---- selection mask ----

bool Raster::SelectionCreate()
{
    if (!block_) return false;
    if (!IsGhost()) std::free(selection_);
    selection_ = static_cast<uint8_t*>(std::calloc(PlaneBytes(), 1));
    return selection_ != nullptr;
}

void Raster::SelectionDelete()
{
    if (!IsGhost()) std::free(selection_);
    selection_ = nullptr;
    info_.selectionBox = RasterRect{head_.width, 0, 0, head_.height};
}

bool Raster::SelectionCopy(const Raster& src)
{
    if (!src.selection_ || !block_ || src.GetWidth() != GetWidth() || src.GetHeight() != GetHeight()) return false;
    if (!selection_ && !SelectionCreate()) return false;
    std::memcpy(selection_, src.selection_, PlaneBytes());
    info_.selectionBox = src.info_.selectionBox;
    return true;
}

bool Raster::SelectionIsInside(int64_t x, int64_t y) const
{
    if (!IsInside(x, y)) return false;
    if (!selection_) return true;
    return selection_[static_cast<uint64_t>(y) * GetWidth() + x] != 0;
}

} // namespace vex
