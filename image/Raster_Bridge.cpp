// The image's bridge to the clipboard block, to icon and cursor planes and to
// painting on a 32-bit pixel target.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/ByteOrder.h"
#include "image/Bridge.h"
#include "image/Limits.h"
#include "image/Raster.h"

namespace vex {
namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;

int32_t DpiFromPpm(int32_t ppm) { return ppm == 0 ? 96 : static_cast<int32_t>(std::floor(ppm * 0.0254 + 0.5)); }

struct Box {
    int64_t left, top, right, bottom; // right and bottom excluded
    bool Empty() const { return right <= left || bottom <= top; }
};

Box Intersect(const Box& a, const Box& b)
{
    return Box{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

Box ClipBoxOf(const PaintTarget& t)
{
    const Box whole{0, 0, t.width, t.height};
    const RasterRect& c = t.clip;
    if (c.right <= c.left || c.bottom <= c.top) return whole;
    return Intersect(whole, Box{c.left, c.top, c.right, c.bottom});
}

} // namespace

std::vector<uint8_t> Raster::CopyToHandle() const
{
    if (!block_) return {};
    return std::vector<uint8_t>(block_, block_ + GetSize());
}

bool Raster::CreateFromHandle(const uint8_t* dib, uint64_t size)
{
    if (!dib || size < kInfoHeaderSize) {
        SetLastError("Not a device-independent bitmap");
        return false;
    }
    const BitmapInfoHeader h = LoadInfoHeader(dib);
    const int64_t height = h.height < 0 ? -int64_t{h.height} : h.height;
    const uint32_t bpp = h.bitCount;
    if (h.size < kInfoHeaderSize || h.size > size || !SideInRange(h.width) || !SideInRange(height) ||
        (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) {
        SetLastError("Not a device-independent bitmap");
        return false;
    }
    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if ((h.compression != kBiRgb && !bitfields) || (bitfields && bpp != 16 && bpp != 32)) {
        SetLastError("Compressed device-independent bitmaps are not supported");
        return false;
    }
    uint64_t at = h.size;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F}; // 16 bpp without masks is 5-5-5
    if (bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (bitfields) {
        // A 40-byte header is followed by the masks; larger headers hold them.
        const uint64_t masksAt = kInfoHeaderSize;
        if (masksAt + 12 > size) {
            SetLastError("Device-independent bitmap is truncated");
            return false;
        }
        for (int i = 0; i < 3; ++i) masks[i] = Le32(dib + masksAt + 4 * i);
        if (h.size == kInfoHeaderSize) at += h.compression == kBiAlphaBitfields ? 16 : 12;
    }
    const uint32_t maxColours = bpp <= 8 ? (1u << bpp) : 0;
    const uint64_t colours = bpp <= 8 ? (h.clrUsed ? uint64_t{h.clrUsed} : maxColours) : h.clrUsed;
    if (bpp <= 8 && colours > maxColours) {
        SetLastError("Device-independent bitmap palette is too large");
        return false;
    }
    const uint64_t paletteAt = at;
    at += colours * 4;
    const bool direct = bpp == 16 || bpp == 32;
    const uint64_t srcStride = direct ? BitfieldRowBytes(static_cast<uint32_t>(h.width), bpp)
                                      : RowStride(static_cast<uint32_t>(h.width), bpp).value_or(0);
    const auto rowsBytes = CheckedMul(srcStride, static_cast<uint64_t>(height));
    if (!rowsBytes || at > size || *rowsBytes > size - at) {
        SetLastError("Device-independent bitmap is truncated");
        return false;
    }

    Raster out;
    if (!out.Create(static_cast<uint32_t>(h.width), static_cast<uint32_t>(height), bpp, TypeUnknown)) {
        SetLastError(out.GetLastError());
        return false;
    }
    out.info_.xDpi = DpiFromPpm(h.xPelsPerMeter);
    out.info_.yDpi = DpiFromPpm(h.yPelsPerMeter);
    out.head_.xPelsPerMeter = h.xPelsPerMeter;
    out.head_.yPelsPerMeter = h.yPelsPerMeter;
    out.SyncHeaderToBlock();
    if (RgbQuad* pal = out.GetPalette()) {
        std::memcpy(pal, dib + paletteAt, colours * 4);
        for (uint32_t i = 0; i < out.GetNumColors(); ++i) pal[i].reserved = 0;
    }
    // Rows bottom-up, whatever order the source keeps them in.
    const uint8_t* src = dib + at;
    std::vector<uint8_t> flipped;
    if (h.height < 0) {
        flipped.resize(*rowsBytes);
        for (int64_t y = 0; y < height; ++y)
            std::memcpy(&flipped[y * srcStride], src + (height - 1 - y) * srcStride, srcStride);
        src = flipped.data();
    }
    if (direct) {
        out.Bitfield2RGB(src, masks[0], masks[1], masks[2], bpp);
    } else {
        for (int64_t y = 0; y < height; ++y) std::memcpy(out.GetBits(static_cast<uint32_t>(y)), src + y * srcStride, srcStride);
    }
    Transfer(out);
    return true;
}

bool Raster::MakeIconPlanes(IconPlanes& out, bool isIcon)
{
    if (!block_) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    IconPlanes planes;
    planes.width = w;
    planes.height = h;
    planes.isIcon = isIcon;
    planes.hotspotX = isIcon ? 0 : info_.hotspotX;
    planes.hotspotY = isIcon ? 0 : info_.hotspotY;
    planes.color.assign(uint64_t{w} * h, 0);
    planes.mask.assign(uint64_t{w} * h, 0);
    for (uint32_t x = 0; x < w; ++x) {
        SetProgress(static_cast<int>(uint64_t{x} * 100 / w));
        if (GetEscape()) return false;
        for (uint32_t y = 0; y < h; ++y) {
            const uint64_t at = uint64_t{h - 1 - y} * w + x;
            if (IsTransparent(x, y)) {
                planes.mask[at] = 1;
                continue;
            }
            const uint32_t a = alpha_ ? AlphaGet(x, y) : 255;
            planes.color[at] = a << 24 | PackRgb(GetPixelColor(x, y));
        }
    }
    out = std::move(planes);
    return true;
}

bool Raster::MakeIcon(IconPlanes& out) { return MakeIconPlanes(out, true); }
bool Raster::MakeCursor(IconPlanes& out) { return MakeIconPlanes(out, false); }

bool Raster::CreateFromHICON(const IconPlanes& icon)
{
    Destroy();
    const uint64_t pixels = uint64_t{icon.width} * icon.height;
    const bool monochrome = icon.color.empty();
    if (pixels == 0 || icon.mask.size() != (monochrome ? 2 * pixels : pixels) ||
        (!monochrome && icon.color.size() != pixels)) {
        SetLastError("Invalid icon planes");
        return false;
    }
    Raster out;
    if (!out.Create(icon.width, icon.height, 24, TypeUnknown) || !out.AlphaCreate()) {
        SetLastError(out.GetLastError());
        return false;
    }
    for (uint32_t row = 0; row < icon.height; ++row) {
        const uint32_t y = icon.height - 1 - row;
        for (uint32_t x = 0; x < icon.width; ++x) {
            const uint64_t at = uint64_t{row} * icon.width + x;
            // Monochrome: the AND plane is the upper half, the XOR plane the lower.
            const bool masked = icon.mask[at] != 0;
            uint32_t c = 0;
            if (monochrome) c = icon.mask[pixels + at] ? 0xFFFFFF : 0;
            else c = icon.color[at];
            out.SetPixelColor(x, y, RgbQuad{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
            out.AlphaSet(x, y, masked ? 0 : 255);
        }
    }
    if (!icon.isIcon) out.SetHotspot(icon.hotspotX, icon.hotspotY);
    Transfer(out);
    return true;
}

bool Raster::Draw(PaintTarget& target, int64_t x, int64_t y, int64_t width, int64_t height, const RasterRect* clip) const
{
    if (!block_ || !target.pixels || width == 0 || height == 0 || !info_.enabled) return false;
    const int64_t W = GetWidth(), H = GetHeight();
    if (width < 0) width = W;
    if (height < 0) height = H;
    Box box = ClipBoxOf(target);
    if (clip) box = Intersect(box, Box{clip->left, clip->top, clip->right, clip->bottom});
    const Box visible = Intersect(Box{x, y, x + width, y + height}, box);
    if (visible.Empty()) return true;

    const bool keyed = info_.transIndex != -1;
    const bool paletteAlpha = info_.alphaPaletteEnabled && head_.clrUsed;
    const bool blend = keyed || alpha_ || info_.alphaPaletteEnabled;
    const RgbQuad key = GetTransColor();
    for (int64_t Y = visible.top; Y < visible.bottom; ++Y) {
        uint32_t* row = target.pixels + Y * target.stride;
        const int64_t sy = DrawSourceRow(Y, y, H, height);
        for (int64_t X = visible.left; X < visible.right; ++X) {
            const int64_t sx = DrawSourceColumn(X, x, W, width);
            uint32_t& dst = row[X];
            RgbQuad src = GetPixelColor(sx, sy);
            if (!blend) {
                dst = (dst & 0xFF000000u) | PackRgb(src);
                continue;
            }
            uint32_t a = (alpha_ ? AlphaGet(sx, sy) : 255u) * (info_.alphaMax + 1u) >> 8;
            if (paletteAlpha) a = a * (GetPaletteColor(GetPixelIndex(sx, sy)).reserved + 1u) >> 8;
            if (keyed) {
                // Paletted pictures key on the index: another entry of the
                // same colour stays visible.
                bool isKey = false;
                if (head_.clrUsed) {
                    isKey = GetPixelIndex(sx, sy) == info_.transIndex;
                } else {
                    src.reserved = 0;
                    isKey = src == key;
                }
                if (isKey) continue;
            }
            if (a == 0) continue;
            if (a >= 255) {
                dst = (dst & 0xFF000000u) | PackRgb(src);
                continue;
            }
            auto mix = [a](uint32_t s, uint32_t d) { return (s * a + d * (255 - a)) >> 8; };
            const uint32_t r = mix(src.red, dst >> 16 & 0xFF), g = mix(src.green, dst >> 8 & 0xFF),
                           b = mix(src.blue, dst & 0xFF);
            dst = (dst & 0xFF000000u) | r << 16 | g << 8 | b;
        }
    }
    return true;
}

bool Raster::Stretch(PaintTarget& target, int64_t x, int64_t y, int64_t width, int64_t height) const
{
    if (!block_ || !target.pixels || width <= 0 || height <= 0) return false;
    const int64_t W = GetWidth(), H = GetHeight();
    const Box visible = Intersect(Box{x, y, x + width, y + height}, ClipBoxOf(target));
    for (int64_t Y = visible.top; Y < visible.bottom; ++Y) {
        uint32_t* row = target.pixels + Y * target.stride;
        const int64_t sy = DrawSourceRow(Y, y, H, height);
        for (int64_t X = visible.left; X < visible.right; ++X) {
            uint32_t& dst = row[X];
            dst = (dst & 0xFF000000u) | PackRgb(GetPixelColor(DrawSourceColumn(X, x, W, width), sy));
        }
    }
    return true;
}

} // namespace vex
