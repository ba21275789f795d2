// Rotation by any angle, cropping, canvas expansion and placing one image on
// another. Each builds its result beside the source and moves it in only when
// complete, so escape or a failed allocation leaves the image as it was.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/Limits.h"
#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex {
using proc::MakeLike;
using proc::Percent;

bool Raster::Rotate(float angle, Raster* destination)
{
    if (!IsValid() || !std::isfinite(angle)) return false;
    const double a = -static_cast<double>(angle) * std::acos(0.0) / 90;
    const double cosA = std::cos(a), sinA = std::sin(a);
    const double w = GetWidth(), h = GetHeight();

    // Corners (0,0), (W,0), (0,H) and (W-1,H); the first maps to itself.
    const double px[3] = {w, 0, w - 1}, py[3] = {0, h, h};
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 3; ++i) {
        const auto x = static_cast<int64_t>(std::floor(px[i] * cosA - py[i] * sinA));
        const auto y = static_cast<int64_t>(std::floor(px[i] * sinA + py[i] * cosA));
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const int64_t newW = maxX + 2 - minX, newH = maxY + 2 - minY;
    if (!SideInRange(newW) || !SideInRange(newH)) return false;

    Raster out;
    if (!MakeLike(*this, out, static_cast<uint32_t>(newW), static_cast<uint32_t>(newH), true)) return false;
    const bool paletted = GetNumColors() != 0;
    for (int64_t y = minY; y <= maxY + 2; ++y) {
        SetProgress(Percent(y - minY, newH));
        if (GetEscape()) return false;
        const int64_t dy = y - minY;
        for (int64_t x = minX; x <= maxX + 2; ++x) {
            const auto sx = static_cast<int64_t>(x * cosA + y * sinA - 0.5);
            const auto sy = static_cast<int64_t>(y * cosA - x * sinA - 0.5);
            const int64_t dx = x - minX;
            if (paletted) out.SetPixelIndex(dx, dy, GetPixelIndex(sx, sy));
            else out.SetPixelColor(dx, dy, GetPixelColor(sx, sy));
            out.AlphaSet(dx, dy, AlphaGet(sx, sy));
        }
    }
    (destination ? *destination : *this).Transfer(out);
    return true;
}

bool Raster::Crop(int32_t left, int32_t top, int32_t right, int32_t bottom, Raster* destination)
{
    if (!IsValid()) return false;
    const int64_t w = GetWidth(), h = GetHeight();
    int64_t startX = std::clamp<int64_t>(left, 0, w), endX = std::clamp<int64_t>(right, 0, w);
    // top and bottom count from the top edge; stored rows from the bottom.
    int64_t startY = h - std::clamp<int64_t>(top, 0, h), endY = h - std::clamp<int64_t>(bottom, 0, h);
    if (startX == endX || startY == endY) return false;
    if (startX > endX) std::swap(startX, endX);
    if (startY > endY) std::swap(startY, endY);

    Raster out(GetType());
    if (!out.Create(static_cast<uint32_t>(endX - startX), static_cast<uint32_t>(endY - startY), GetBpp(), GetType()))
        return false;
    if (GetNumColors()) out.SetPalette(GetPalette(), GetNumColors());
    out.SetClrImportant(GetClrImportant());
    out.SetTransIndex(GetTransIndex());
    out.SetTransColor(MutableInfo().transColor);
    if (AlphaIsValid() && !out.AlphaCreate()) return false;

    const uint32_t bpp = GetBpp();
    for (int64_t y = startY; y < endY; ++y) {
        SetProgress(Percent(y, endY));
        if (GetEscape()) return false;
        const int64_t oy = y - startY;
        if (bpp == 8 || bpp == 24) {
            const uint32_t bytes = bpp / 8;
            std::memcpy(out.GetBits(static_cast<uint32_t>(oy)), GetBits(static_cast<uint32_t>(y)) + startX * bytes,
                        static_cast<size_t>((endX - startX) * bytes));
        } else {
            for (int64_t x = startX; x < endX; ++x) out.SetPixelIndex(x - startX, oy, GetPixelIndex(x, y));
        }
        if (AlphaIsValid())
            for (int64_t x = startX; x < endX; ++x) out.AlphaSet(x - startX, oy, AlphaGet(x, y));
    }
    (destination ? *destination : *this).Transfer(out);
    return true;
}

bool Raster::ExpandCanvas(int32_t newWidth, int32_t newHeight, RgbQuad fill, uint8_t fillAlpha, uint8_t fillIndex)
{
    if (!IsValid()) return false;
    const int64_t w = GetWidth(), h = GetHeight();
    if (newWidth == w && newHeight == h) return true;
    if (newWidth < w || newHeight < h || !SideInRange(newWidth) || !SideInRange(newHeight)) return false;

    Raster out;
    if (!MakeLike(*this, out, static_cast<uint32_t>(newWidth), static_cast<uint32_t>(newHeight), true)) return false;
    const int64_t dx = (newWidth - w) / 2, dy = (newHeight - h) / 2;
    const bool paletted = GetNumColors() != 0;
    const int64_t total = int64_t{newWidth} * newHeight;
    for (int64_t g = 0; g < newHeight; ++g) {
        SetProgress(Percent(g * newWidth, total));
        if (GetEscape()) return false;
        for (int64_t f = 0; f < newWidth; ++f) {
            const int64_t sx = f - dx, sy = g - dy;
            if (sx < 0 || sy < 0 || sx >= w || sy >= h) {
                if (paletted) out.SetPixelIndex(f, g, fillIndex);
                else out.SetPixelColor(f, g, fill);
                out.AlphaSet(f, g, fillAlpha);
            } else {
                if (paletted) out.SetPixelIndex(f, g, GetPixelIndex(sx, sy));
                else out.SetPixelColor(f, g, GetPixelColor(sx, sy));
                out.AlphaSet(f, g, AlphaGet(sx, sy));
            }
        }
    }
    Transfer(out);
    return true;
}

bool Raster::Mix(const Raster& source, int32_t offX, int32_t offY)
{
    if (!IsValid() || !source.IsValid()) return false;
    Raster work;
    if (!proc::WorkingCopy(*this, work)) return false;
    const int64_t w = GetWidth(), h = GetHeight();
    const int64_t colsExcl = std::min<int64_t>(w, int64_t{source.GetWidth()} - offX);
    const int64_t rowsExcl = std::min<int64_t>(h, int64_t{source.GetHeight()} - offY);
    const bool keyed = GetTransIndex() != -1;
    const RgbQuad key = GetTransColor();
    for (int64_t y = 0; y < rowsExcl; ++y) {
        SetProgress(Percent(y, h));
        if (GetEscape()) return false;
        for (int64_t x = 0; x < colsExcl; ++x) {
            if (!SelectionIsInside(x, y) || !source.SelectionIsInside(x + offX, y + offY)) continue;
            const RgbQuad mine = GetPixelColor(x, y);
            const RgbQuad theirs =
                source.IsTransparent(x + offX, y + offY) ? mine : source.GetPixelColor(x + offX, y + offY);
            work.SetPixelColor(x, y, keyed && theirs == key ? mine : theirs);
        }
    }
    Transfer(work);
    return true;
}

} // namespace vex
