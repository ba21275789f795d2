// Neighbourhood filters: square kernels, median, erode, dilate, contour,
// jitter and noise. Windows read the unchanged source (through a plane of its
// GetPixelColor values, so the outside value is the accessor's) and results go
// into a working copy that replaces the image only when the loop completes.

#include <algorithm>
#include <vector>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex {
using proc::Clamp255;
using proc::ColourPlane;
using proc::Grey;

namespace {

// Largest window we accept; K * K colours are gathered per pixel.
constexpr int32_t kMaxWindow = 63;

// Runs compute(x, y, window) -> colour over the selected pixels, where window
// returns the source colour at an offset; the result goes into a working copy.
template <class Compute>
bool WindowFilter(Raster& img, Compute&& compute)
{
    ColourPlane src;
    Raster work;
    if (!src.Load(img) || !proc::WorkingCopy(img, work)) return false;
    const bool direct = img.GetBpp() == 24; // SetPixelColor there stores three bytes
    const bool ok = proc::VisitSelected(img, img.GetHeight(), [&](int64_t x, int64_t y) {
        const RgbQuad c = compute(src, x, y);
        if (!direct) return work.SetPixelColor(x, y, c);
        uint8_t* p = work.GetBits(static_cast<uint32_t>(y)) + 3 * x;
        p[0] = c.blue, p[1] = c.green, p[2] = c.red;
    });
    if (ok) img.Transfer(work);
    return ok;
}

// Window offsets from -h to K - h - 1 with h = K / 2.
struct Window {
    int32_t lo, hiIncl;
    explicit Window(int32_t k) : lo(-(k / 2)), hiIncl(k - k / 2 - 1) {}
};

float RandomUnitOffset(proc::RandomSequence& rng)
{
    return static_cast<float>(rng.Next()) * 3.0518509e-05f - 0.5f;
}

} // namespace

bool Raster::KernelFilter(const int32_t* kernel, int32_t size, int32_t divisor, int32_t offset)
{
    if (!IsValid() || !kernel || size < 1 || size > kMaxWindow) return false;
    const Window win(size);
    const int32_t h = size / 2;
    return WindowFilter(*this, [&](const ColourPlane& src, int64_t x, int64_t y) {
        int64_t r = 0, g = 0, b = 0;
        if (src.WindowInside(x, y, win.lo, win.hiIncl)) {
            // Integer sums: any order gives the same total.
            for (int32_t dy = win.lo; dy <= win.hiIncl; ++dy) {
                const RgbQuad* row = src.Row(y + dy) + x;
                const int32_t* weights = kernel + size * (dy + h) + h;
                for (int32_t dx = win.lo; dx <= win.hiIncl; ++dx) {
                    const int64_t k = weights[dx];
                    r += k * row[dx].red, g += k * row[dx].green, b += k * row[dx].blue;
                }
            }
        } else {
            for (int32_t dx = win.lo; dx <= win.hiIncl; ++dx)
                for (int32_t dy = win.lo; dy <= win.hiIncl; ++dy) {
                    const int32_t k = kernel[(dx + h) + size * (dy + h)];
                    const RgbQuad c = src.At(x + dx, y + dy);
                    r += int64_t{k} * c.red, g += int64_t{k} * c.green, b += int64_t{k} * c.blue;
                }
        }
        // Integer division truncates toward zero, as the weights intend.
        auto finish = [&](int64_t sum) { return Clamp255((divisor ? sum / divisor : sum) + offset); };
        return RgbQuad{finish(b), finish(g), finish(r), 0};
    });
}

bool Raster::Median(int32_t size)
{
    if (!IsValid() || size < 1 || size > kMaxWindow) return false;
    const Window win(size);
    const size_t n = static_cast<size_t>(size) * static_cast<size_t>(size);
    // Ties in grey are broken by gathering order, so the result never
    // depends on the sort's internal choices.
    struct Entry {
        uint32_t key;
        RgbQuad c;
    };
    std::vector<Entry> list(n);
    return WindowFilter(*this, [&](const ColourPlane& src, int64_t x, int64_t y) {
        uint32_t i = 0;
        for (int32_t dx = win.lo; dx <= win.hiIncl; ++dx)
            for (int32_t dy = win.lo; dy <= win.hiIncl; ++dy, ++i) {
                const RgbQuad c = src.At(x + dx, y + dy);
                list[i] = Entry{(uint32_t{Grey(c)} << 16) | i, c};
            }
        auto mid = list.begin() + static_cast<ptrdiff_t>(n / 2);
        std::nth_element(list.begin(), mid, list.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
        return mid->c;
    });
}

namespace {

template <bool kMax>
bool MorphFilter(Raster& img, int32_t size)
{
    if (!img.IsValid() || size < 1 || size > kMaxWindow) return false;
    const Window win(size);
    return WindowFilter(img, [&](const ColourPlane& src, int64_t x, int64_t y) {
        const uint8_t start = kMax ? 0 : 255;
        RgbQuad out{start, start, start, 0};
        for (int32_t dx = win.lo; dx <= win.hiIncl; ++dx)
            for (int32_t dy = win.lo; dy <= win.hiIncl; ++dy) {
                const RgbQuad c = src.At(x + dx, y + dy);
                auto pick = [](uint8_t a, uint8_t b) { return kMax ? std::max(a, b) : std::min(a, b); };
                out = RgbQuad{pick(out.blue, c.blue), pick(out.green, c.green), pick(out.red, c.red), c.reserved};
            }
        return out;
    });
}

} // namespace

bool Raster::Erode(int32_t size)
{
    return MorphFilter<false>(*this, size);
}

bool Raster::Dilate(int32_t size)
{
    return MorphFilter<true>(*this, size);
}

bool Raster::Contour()
{
    if (!IsValid()) return false;
    return WindowFilter(*this, [&](const ColourPlane& src, int64_t x, int64_t y) {
        const RgbQuad centre = src.At(x, y);
        int mb = 0, mg = 0, mr = 0;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const RgbQuad n = src.At(x + dx, y + dy);
                // The maximum takes the neighbour's value, not the difference.
                if (n.blue - centre.blue > mb) mb = n.blue;
                if (n.green - centre.green > mg) mg = n.green;
                if (n.red - centre.red > mr) mr = n.red;
            }
        return RgbQuad{uint8_t(255 - mb), uint8_t(255 - mg), uint8_t(255 - mr), centre.reserved};
    });
}

bool Raster::Jitter(int32_t radius)
{
    if (!IsValid()) return false;
    Raster work;
    if (!proc::WorkingCopy(*this, work)) return false;
    proc::RandomSequence rng;
    const bool paletted = GetNumColors() != 0;
    const float span = 2.0f * static_cast<float>(radius);
    const bool ok = proc::VisitSelected(*this, GetHeight(), [&](int64_t x, int64_t y) {
        int64_t nx = x + static_cast<int64_t>(RandomUnitOffset(rng) * span);
        int64_t ny = y + static_cast<int64_t>(RandomUnitOffset(rng) * span);
        if (!IsInside(nx, ny)) nx = x, ny = y;
        if (paletted) work.SetPixelIndex(x, y, GetPixelIndex(nx, ny));
        else work.SetPixelColor(x, y, GetPixelColor(nx, ny));
        work.AlphaSet(x, y, AlphaGet(nx, ny));
    });
    if (ok) Transfer(work);
    return ok;
}

bool Raster::Noise(int32_t level)
{
    if (!IsValid()) return false;
    Raster work;
    if (!proc::WorkingCopy(*this, work)) return false;
    proc::RandomSequence rng;
    const float lv = static_cast<float>(level);
    const proc::Area a = proc::SelectedArea(*this);
    // Progress counts to the last row of the area; a one-row area divides by 1.
    const int64_t lastRow = std::max<int64_t>(1, a.topExcl - 1);
    const bool ok = proc::VisitSelected(*this, lastRow, [&](int64_t x, int64_t y) {
        RgbQuad c = GetPixelColor(x, y);
        auto add = [&](uint8_t v) { return Clamp255(int64_t{v} + static_cast<int64_t>(RandomUnitOffset(rng) * lv)); };
        c.red = add(c.red);
        c.green = add(c.green);
        c.blue = add(c.blue);
        work.SetPixelColor(x, y, c);
    });
    if (ok) Transfer(work);
    return ok;
}

} // namespace vex
