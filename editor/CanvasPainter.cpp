#include "editor/CanvasPainter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vex {
namespace {

struct Box {
    int64_t left, top, right, bottom;
};

Box ClipOf(const PaintTarget& t)
{
    Box whole{0, 0, t.width, t.height};
    const RasterRect& c = t.clip;
    if (c.right <= c.left || c.bottom <= c.top) return whole;
    return Box{std::max<int64_t>(0, c.left), std::max<int64_t>(0, c.top), std::min<int64_t>(t.width, c.right),
               std::min<int64_t>(t.height, c.bottom)};
}

// One source row as colours and coverage (0 skipped, 255 copied, else mixed).
void DecodeRow(const Raster& src, int64_t sy, bool blend, std::vector<uint32_t>& rgb, std::vector<uint8_t>& cover)
{
    const int64_t W = src.GetWidth();
    const bool keyed = src.GetTransIndex() != -1;
    const bool paletted = src.GetNumColors() != 0;
    const bool paletteAlpha = src.IsAlphaPaletteEnabled() && paletted;
    const bool alpha = src.AlphaIsValid();
    const RgbQuad key = src.GetTransColor();
    for (int64_t sx = 0; sx < W; ++sx) {
        RgbQuad c = src.GetPixelColor(sx, sy);
        rgb[size_t(sx)] = PackRgb(c);
        if (!blend) {
            cover[size_t(sx)] = 255;
            continue;
        }
        uint32_t a = (alpha ? src.AlphaGet(sx, sy) : 255u) * (src.GetAlphaMax() + 1u) >> 8;
        if (paletteAlpha) a = a * (src.GetPaletteColor(src.GetPixelIndex(sx, sy)).reserved + 1u) >> 8;
        if (keyed) {
            bool isKey = false;
            if (paletted) {
                isKey = src.GetPixelIndex(sx, sy) == src.GetTransIndex();
            } else {
                c.reserved = 0;
                isKey = c == key;
            }
            if (isKey) a = 0;
        }
        cover[size_t(sx)] = uint8_t(std::min<uint32_t>(a, 255));
    }
}

} // namespace

namespace {

inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t a)
{
    // Red and blue share one multiply: each lane's sum stays below 65536.
    const uint32_t ia = 255 - a;
    const uint32_t rb = (((s & 0xFF00FFu) * a + (d & 0xFF00FFu) * ia) >> 8) & 0xFF00FFu;
    const uint32_t g = (((s & 0xFF00u) * a + (d & 0xFF00u) * ia) >> 8) & 0xFF00u;
    uint32_t out = rb | g;
    out = a == 255 ? s : out;
    out = a == 0 ? (d & 0xFFFFFFu) : out;
    return (d & 0xFF000000u) | out;
}

} // namespace

bool DrawScaled(const Raster& src, PaintTarget& target, int64_t x, int64_t y, int64_t width, int64_t height,
                const uint32_t* backgrounds)
{
    if (!src.IsValid() || !target.pixels || width == 0 || height == 0 || !src.IsEnabled()) return false;
    const int64_t W = src.GetWidth(), H = src.GetHeight();
    if (width < 0) width = W;
    if (height < 0) height = H;
    const Box clip = ClipOf(target);
    const Box vis{std::max(x, clip.left), std::max(y, clip.top), std::min(x + width, clip.right),
                  std::min(y + height, clip.bottom)};
    if (vis.right <= vis.left || vis.bottom <= vis.top) return true;

    const bool blend = src.GetTransIndex() != -1 || src.AlphaIsValid() || src.IsAlphaPaletteEnabled();
    const size_t n = size_t(vis.right - vis.left);
    std::vector<int32_t> column(n);
    for (int64_t X = vis.left; X < vis.right; ++X) column[size_t(X - vis.left)] = int32_t(DrawSourceColumn(X, x, W, width));
    std::vector<uint32_t> rgb(static_cast<size_t>(W));
    std::vector<uint8_t> cover(static_cast<size_t>(W));
    // The decoded source row spread over the target columns it covers, and
    // the finished pixels over each of the two expected backgrounds.
    std::vector<uint32_t> rowRgb(n), over0, over1;
    std::vector<uint8_t> rowCover(n);
    if (backgrounds) {
        over0.resize(n);
        over1.resize(n);
    }
    int64_t decoded = -1;
    for (int64_t Y = vis.top; Y < vis.bottom; ++Y) {
        const int64_t sy = DrawSourceRow(Y, y, H, height);
        if (sy != decoded) {
            DecodeRow(src, sy, blend, rgb, cover);
            for (size_t i = 0; i < n; ++i) {
                rowRgb[i] = rgb[size_t(column[i])];
                rowCover[i] = cover[size_t(column[i])];
            }
            if (backgrounds) {
                for (size_t i = 0; i < n; ++i) {
                    over0[i] = Mix(rowRgb[i], backgrounds[0], rowCover[i]);
                    over1[i] = Mix(rowRgb[i], backgrounds[1], rowCover[i]);
                }
            }
            decoded = sy;
        }
        uint32_t* row = target.pixels + Y * target.stride + vis.left;
        if (backgrounds) {
            const uint32_t b0 = backgrounds[0], b1 = backgrounds[1];
            // A row holding only the two colours takes a plain select (which
            // the compiler runs on vectors); any other row mixes pixel by pixel.
            uint32_t others = 0;
            for (size_t i = 0; i < n; ++i) others |= uint32_t(row[i] != b0 && row[i] != b1);
            if (others == 0) {
                const uint32_t* o0 = over0.data();
                const uint32_t* o1 = over1.data();
                for (size_t i = 0; i < n; ++i) row[i] = row[i] == b0 ? o0[i] : o1[i];
                continue;
            }
            for (size_t i = 0; i < n; ++i) {
                const uint32_t d = row[i];
                row[i] = d == b0 ? over0[i] : d == b1 ? over1[i] : Mix(rowRgb[i], d, rowCover[i]);
            }
            continue;
        }
        for (size_t i = 0; i < n; ++i) row[i] = Mix(rowRgb[i], row[i], rowCover[i]);
    }
    return true;
}

void FillHatch(PaintTarget& target, int64_t originX, int64_t originY, uint32_t hatch, uint32_t back)
{
    const Box clip = ClipOf(target);
    const int64_t w = clip.right - clip.left;
    if (w <= 0) return;
    // Eight pattern rows, each long enough to start at any phase.
    std::vector<uint32_t> rows(size_t(8 * (w + 8)));
    for (int py = 0; py < 8; ++py) {
        for (int64_t px = 0; px < w + 8; ++px) {
            const bool line = ((px - py) & 7) == 0 || ((px + py) & 7) == 7;
            rows[size_t(py * (w + 8) + px)] = 0xFF000000u | (line ? hatch : back);
        }
    }
    for (int64_t Y = clip.top; Y < clip.bottom; ++Y) {
        const int64_t py = ((Y + originY) % 8 + 8) % 8;
        const int64_t phase = ((clip.left + originX) % 8 + 8) % 8;
        std::copy_n(rows.data() + py * (w + 8) + phase, w, target.pixels + Y * target.stride + clip.left);
    }
}

void FillSolid(PaintTarget& target, uint32_t colour)
{
    const Box clip = ClipOf(target);
    for (int64_t Y = clip.top; Y < clip.bottom; ++Y)
        std::fill(target.pixels + Y * target.stride + clip.left, target.pixels + Y * target.stride + clip.right,
                  0xFF000000u | colour);
}

} // namespace vex
