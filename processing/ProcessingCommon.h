#pragma once
// Pieces shared by the operation families: the visited area, progress, the
// per-operation random generator, byte clamping and a read-only colour plane.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "image/Raster.h"

namespace vex::proc {

inline uint8_t Clamp255(int64_t v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Truncates toward zero and clamps; NaN gives 0.
inline uint8_t ClampTrunc(double v)
{
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return static_cast<uint8_t>(v);
}

// Grey value used by grey scale, histograms and median ordering.
inline uint8_t Grey(RgbQuad c)
{
    return static_cast<uint8_t>((306 * c.red + 601 * c.green + 117 * c.blue) >> 10);
}

inline int Percent(int64_t done, int64_t total)
{
    return total > 0 ? static_cast<int>(done * 100 / total) : 0;
}

// Pixels an operation visits: the selection box when a mask exists (each
// pixel still tested with SelectionIsInside), otherwise the whole image.
struct Area {
    int64_t left = 0, bottom = 0, rightExcl = 0, topExcl = 0;
    bool Empty() const { return left >= rightExcl || bottom >= topExcl; }
};

inline Area SelectedArea(const Raster& img)
{
    const int64_t w = img.GetWidth(), h = img.GetHeight();
    if (!img.SelectionIsValid()) return Area{0, 0, w, h};
    const RasterRect r = img.GetSelectionBox();
    return Area{std::clamp<int64_t>(r.left, 0, w), std::clamp<int64_t>(r.bottom, 0, h),
                std::clamp<int64_t>(r.right, 0, w), std::clamp<int64_t>(r.top, 0, h)};
}

// The C runtime's linear congruential generator, started at 1 for every
// operation so results never depend on the thread or on earlier calls.
class RandomSequence {
public:
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_ = 1;
};

// Every pixel's GetPixelColor, read once, plus the constant value that
// GetPixelColor gives outside the image. Window reads then cost an index.
class ColourPlane {
public:
    bool Load(const Raster& img)
    {
        w_ = img.GetWidth();
        h_ = img.GetHeight();
        data_.reset(new (std::nothrow) RgbQuad[static_cast<size_t>(w_ * h_)]);
        if (!data_) return false;
        if (img.GetBpp() == 24) {
            // What GetPixelColor gives inside a 24-bit image, read in bulk.
            const uint8_t fourth = img.GetTransColor().reserved;
            const uint8_t* alpha = img.AlphaGetPointer();
            for (int64_t y = 0; y < h_; ++y) {
                const uint8_t* p = img.GetBits(static_cast<uint32_t>(y));
                RgbQuad* d = data_.get() + y * w_;
                for (int64_t x = 0; x < w_; ++x, p += 3)
                    d[x] = RgbQuad{p[0], p[1], p[2], alpha ? alpha[y * w_ + x] : fourth};
            }
        } else {
            for (int64_t y = 0; y < h_; ++y)
                for (int64_t x = 0; x < w_; ++x) data_[static_cast<size_t>(y * w_ + x)] = img.GetPixelColor(x, y);
        }
        outside_ = img.GetPixelColor(-1, -1);
        return true;
    }
    RgbQuad At(int64_t x, int64_t y) const
    {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return outside_;
        return data_[static_cast<size_t>(y * w_ + x)];
    }
    const RgbQuad* Row(int64_t y) const { return data_.get() + y * w_; }
    // True when the square [lo, hiIncl] around (x, y) lies inside the image.
    bool WindowInside(int64_t x, int64_t y, int64_t lo, int64_t hiIncl) const
    {
        return x + lo >= 0 && y + lo >= 0 && x + hiIncl < w_ && y + hiIncl < h_;
    }

private:
    int64_t w_ = 0, h_ = 0;
    std::unique_ptr<RgbQuad[]> data_;
    RgbQuad outside_;
};

// A new image of the given size with the source's depth, type, info record
// and palette, and a cleared alpha plane when asked and the source has one.
bool MakeLike(const Raster& src, Raster& out, uint32_t width, uint32_t height, bool withAlpha);

// A working copy of the whole image (pixels, selection, alpha).
bool WorkingCopy(const Raster& src, Raster& out);

} // namespace vex::proc

namespace vex::proc {

// Calls visit(x, y) for each selected pixel of img, rows from the bottom of
// the area upward, with progress against progressTotal and escape per row.
// Returns false when escape stopped it.
template <class Visit>
bool VisitSelected(Raster& img, int64_t progressTotal, Visit&& visit)
{
    const Area a = SelectedArea(img);
    const bool masked = img.SelectionIsValid();
    for (int64_t y = a.bottom; y < a.topExcl; ++y) {
        img.SetProgress(Percent(y, progressTotal));
        if (img.GetEscape()) return false;
        for (int64_t x = a.left; x < a.rightExcl; ++x)
            if (!masked || img.SelectionIsInside(x, y)) visit(x, y);
    }
    return true;
}

} // namespace vex::proc
