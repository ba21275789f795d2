#include <algorithm>
#include <cstring>

#include "image/Raster.h"

namespace vex {
namespace {

// Red-green-blue values, entry by entry.
constexpr uint32_t kStdPalette16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

constexpr uint32_t kStdPalette256[256] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0xC0DCC0, 0xA6CAF0, 0xFFF0D4, 0xFFE2B1, 0xFFD48E, 0xFFC66B, 0xFFB848, 0xFFAA25,
    0xFFAA00, 0xDC9200, 0xB97A00, 0x966200, 0x734A00, 0x503200, 0xFFE3D4, 0xFFC7B1,
    0xFFAB8E, 0xFF8F6B, 0xFF7348, 0xFF5725, 0xFF5500, 0xDC4900, 0xB93D00, 0x963100,
    0x732500, 0x501900, 0xFFD4D4, 0xFFB1B1, 0xFF8E8E, 0xFF6B6B, 0xFF4848, 0xFF2525,
    0xFE0000, 0xDC0000, 0xB90000, 0x960000, 0x730000, 0x500000, 0xFFD4E3, 0xFFB1C7,
    0xFF8EAB, 0xFF6B8F, 0xFF4873, 0xFF2557, 0xFF0055, 0xDC0049, 0xB9003D, 0x960031,
    0x730025, 0x500019, 0xFFD4F0, 0xFFB1E2, 0xFF8ED4, 0xFF6BC6, 0xFF48B8, 0xFF25AA,
    0xFF00AA, 0xDC0092, 0xB9007A, 0x960062, 0x73004A, 0x500032, 0xFFD4FF, 0xFFB1FF,
    0xFF8EFF, 0xFF6BFF, 0xFF48FF, 0xFF25FF, 0xFE00FE, 0xDC00DC, 0xB900B9, 0x960096,
    0x730073, 0x500050, 0xF0D4FF, 0xE2B1FF, 0xD48EFF, 0xC66BFF, 0xB848FF, 0xAA25FF,
    0xAA00FF, 0x9200DC, 0x7A00B9, 0x620096, 0x4A0073, 0x320050, 0xE3D4FF, 0xC7B1FF,
    0xAB8EFF, 0x8F6BFF, 0x7348FF, 0x5725FF, 0x5500FF, 0x4900DC, 0x3D00B9, 0x310096,
    0x250073, 0x190050, 0xD4D4FF, 0xB1B1FF, 0x8E8EFF, 0x6B6BFF, 0x4848FF, 0x2525FF,
    0x0000FE, 0x0000DC, 0x0000B9, 0x000096, 0x000073, 0x000050, 0xD4E3FF, 0xB1C7FF,
    0x8EABFF, 0x6B8FFF, 0x4873FF, 0x2557FF, 0x0055FF, 0x0049DC, 0x003DB9, 0x003196,
    0x002573, 0x001950, 0xD4F0FF, 0xB1E2FF, 0x8ED4FF, 0x6BC6FF, 0x48B8FF, 0x25AAFF,
    0x00AAFF, 0x0092DC, 0x007AB9, 0x006296, 0x004A73, 0x003250, 0xD4FFFF, 0xB1FFFF,
    0x8EFFFF, 0x6BFFFF, 0x48FFFF, 0x25FFFF, 0x00FEFE, 0x00DCDC, 0x00B9B9, 0x009696,
    0x007373, 0x005050, 0xD4FFF0, 0xB1FFE2, 0x8EFFD4, 0x6BFFC6, 0x48FFB8, 0x25FFAA,
    0x00FFAA, 0x00DC92, 0x00B97A, 0x009662, 0x00734A, 0x005032, 0xD4FFE3, 0xB1FFC7,
    0x8EFFAB, 0x6BFF8F, 0x48FF73, 0x25FF57, 0x00FF55, 0x00DC49, 0x00B93D, 0x009631,
    0x007325, 0x005019, 0xD4FFD4, 0xB1FFB1, 0x8EFF8E, 0x6BFF6B, 0x48FF48, 0x25FF25,
    0x00FE00, 0x00DC00, 0x00B900, 0x009600, 0x007300, 0x005000, 0xE3FFD4, 0xC7FFB1,
    0xABFF8E, 0x8FFF6B, 0x73FF48, 0x57FF25, 0x55FF00, 0x49DC00, 0x3DB900, 0x319600,
    0x257300, 0x195000, 0xF0FFD4, 0xE2FFB1, 0xD4FF8E, 0xC6FF6B, 0xB8FF48, 0xAAFF25,
    0xAAFF00, 0x92DC00, 0x7AB900, 0x629600, 0x4A7300, 0x325000, 0xFFFFD4, 0xFFFFB1,
    0xFFFF8E, 0xFFFF6B, 0xFFFF48, 0xFFFF25, 0xFEFE00, 0xDCDC00, 0xB9B900, 0x969600,
    0x737300, 0x505000, 0xF2F2F2, 0xE6E6E6, 0xDADADA, 0xCECECE, 0xC2C2C2, 0xB6B6B6,
    0xAAAAAA, 0x9E9E9E, 0x929292, 0x868686, 0x7A7A7A, 0x6E6E6E, 0x626262, 0x565656,
    0x4A4A4A, 0x3E3E3E, 0x323232, 0x262626, 0x1A1A1A, 0x0E0E0E, 0xFFFBF0, 0xA0A0A4,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

RgbQuad FromRgbHex(uint32_t v)
{
    return MakeRgb(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
}

} // namespace

RgbQuad* Raster::GetPalette() const
{
    if (!block_ || head_.clrUsed == 0) return nullptr;
    return reinterpret_cast<RgbQuad*>(block_ + kInfoHeaderSize);
}

void Raster::SetPaletteColor(uint8_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth)
{
    SetPaletteColor(index, MakeRgb(red, green, blue, fourth));
}

void Raster::SetPaletteColor(uint8_t index, RgbQuad c)
{
    RgbQuad* pal = GetPalette();
    if (!pal || index >= head_.clrUsed) return;
    pal[index] = c;
    info_.lastColorValid = false;
}

RgbQuad Raster::GetPaletteColor(uint8_t index) const
{
    RgbQuad* pal = GetPalette();
    if (!pal || index >= head_.clrUsed) return RgbQuad{};
    return pal[index];
}

bool Raster::GetPaletteColor(uint8_t index, uint8_t* red, uint8_t* green, uint8_t* blue) const
{
    if (!GetPalette()) return false;
    RgbQuad c = GetPaletteColor(index);
    if (red) *red = c.red;
    if (green) *green = c.green;
    if (blue) *blue = c.blue;
    return true;
}

void Raster::SetPalette(uint32_t n, const uint8_t* red, const uint8_t* green, const uint8_t* blue)
{
    RgbQuad* pal = GetPalette();
    if (!pal || !red) return;
    if (!green) green = red;
    if (!blue) blue = green;
    const uint32_t count = std::min(n, head_.clrUsed);
    for (uint32_t i = 0; i < count; ++i) pal[i] = MakeRgb(red[i], green[i], blue[i]);
    info_.lastColorValid = false;
}

void Raster::SetPaletteRgbTriplets(uint32_t n, const uint8_t* rgb)
{
    RgbQuad* pal = GetPalette();
    if (!pal || !rgb) return;
    const uint32_t count = std::min(n, head_.clrUsed);
    for (uint32_t i = 0; i < count; ++i) pal[i] = MakeRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    info_.lastColorValid = false;
}

void Raster::SetPalette(const RgbQuad* entries, uint32_t n)
{
    RgbQuad* pal = GetPalette();
    if (!pal || !entries) return;
    const uint64_t bytes = std::min<uint64_t>(uint64_t{n} * 4, GetPaletteSize());
    std::memcpy(pal, entries, bytes);
    info_.lastColorValid = false;
}

void Raster::SetGrayPalette()
{
    RgbQuad* pal = GetPalette();
    if (!pal || head_.clrUsed < 2) return;
    const uint8_t step = static_cast<uint8_t>(255 / (head_.clrUsed - 1));
    for (uint32_t i = 0; i < head_.clrUsed; ++i) {
        const auto v = static_cast<uint8_t>(i * step);
        pal[i] = MakeRgb(v, v, v);
    }
    info_.lastColorValid = false;
}

void Raster::SetStdPalette()
{
    RgbQuad* pal = GetPalette();
    if (!pal) return;
    if (head_.bitCount == 4) {
        for (int i = 0; i < 16; ++i) pal[i] = FromRgbHex(kStdPalette16[i]);
    } else if (head_.bitCount == 8) {
        for (int i = 0; i < 256; ++i) pal[i] = FromRgbHex(kStdPalette256[i]);
    } else {
        return;
    }
    info_.lastColorValid = false;
}

bool Raster::IsGrayScale() const
{
    RgbQuad* pal = GetPalette();
    if (!pal) return false;
    for (uint32_t i = 0; i < head_.clrUsed; ++i)
        if (pal[i].blue != i || pal[i].green != i || pal[i].red != i) return false;
    return true;
}

void Raster::SwapIndex(uint8_t a, uint8_t b)
{
    RgbQuad* pal = GetPalette();
    if (!pal || a >= head_.clrUsed || b >= head_.clrUsed || a == b) return;
    std::swap(pal[a], pal[b]);
    info_.lastColorValid = false;
    for (uint32_t y = 0; y < GetHeight(); ++y) {
        for (uint32_t x = 0; x < GetWidth(); ++x) {
            const uint8_t i = GetPixelIndex(x, y);
            if (i == a) SetPixelIndex(x, y, b);
            else if (i == b) SetPixelIndex(x, y, a);
        }
    }
}

void Raster::SetClrImportant(uint32_t n)
{
    if (n == 0 || n > 256) {
        head_.clrImportant = 0;
    } else {
        switch (head_.bitCount) {
        case 1: head_.clrImportant = std::min(n, 2u); break;
        case 4: head_.clrImportant = std::min(n, 16u); break;
        case 8: head_.clrImportant = n; break;
        default: return;
        }
    }
    info_.lastColorValid = false;
    SyncHeaderToBlock();
}

uint8_t Raster::GetNearestIndex(RgbQuad c)
{
    RgbQuad* pal = GetPalette();
    if (!pal) return 0;
    if (info_.lastColorValid && info_.lastColor == c) return info_.lastColorIndex;
    uint32_t n = head_.clrImportant ? head_.clrImportant : head_.clrUsed;
    n = std::min(n, head_.clrUsed);
    int64_t best = 200000;
    uint8_t bestIndex = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const int dr = pal[i].red - c.red, dg = pal[i].green - c.green, db = pal[i].blue - c.blue;
        const int64_t d = int64_t{dr} * dr + int64_t{dg} * dg + int64_t{db} * db;
        if (d < best) {
            best = d;
            bestIndex = static_cast<uint8_t>(i);
            if (d == 0) break;
        }
    }
    info_.lastColor = c;
    info_.lastColorIndex = bestIndex;
    info_.lastColorValid = true;
    return bestIndex;
}

uint32_t Raster::RBSwap(uint32_t packed)
{
    return (packed & 0xFF00FF00u) | ((packed & 0xFFu) << 16) | ((packed >> 16) & 0xFFu);
}

void Raster::RBSwap(uint8_t* buffer, uint64_t length) const
{
    if (!buffer || head_.bitCount != 24) return;
    const uint64_t n = std::min<uint64_t>(length, info_.stride);
    for (uint64_t i = 0; i + 2 < n; i += 3) std::swap(buffer[i], buffer[i + 2]);
}

} // namespace vex
