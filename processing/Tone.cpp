// The luminance histogram and the five corrections built on it (stretch,
// equalise, normalise, logarithm, root). Corrections remap the Y of each
// palette entry or pixel through a table and convert back to colour.

#include <array>
#include <cmath>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"
#include "processing/YuvMath.h"

namespace vex {
using proc::Grey;

namespace {

using Bins = std::array<int64_t, 256>;
using Lut = std::array<uint8_t, 256>;

// Grey histogram over every pixel of the image, whatever its depth.
bool GreyHistogram(Raster& img, Bins& bins)
{
    bins.fill(0);
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    for (uint32_t y = 0; y < h; ++y) {
        img.SetProgress(proc::Percent(50 * int64_t{y}, 100 * int64_t{h}));
        if (img.GetEscape()) return false;
        if (img.GetNumColors()) {
            for (uint32_t x = 0; x < w; ++x) ++bins[Grey(img.GetPixelColor(x, y))];
        } else {
            const uint8_t* s = img.GetBits(y);
            for (uint32_t x = 0; x < w; ++x, s += 3) ++bins[Grey(RgbQuad{s[0], s[1], s[2], 0})];
        }
    }
    return true;
}

// True when every pixel falls into one bin: nothing to spread.
bool Flat(const Bins& bins, int64_t pixels)
{
    for (int64_t b : bins)
        if (b == pixels) return true;
    return false;
}

RgbQuad MapY(RgbQuad c, const Lut& lut)
{
    RgbQuad yuv = proc::RgbToYuvExact(c);
    yuv.red = lut[yuv.red];
    RgbQuad out = proc::YuvToRgbExact(yuv);
    out.reserved = c.reserved;
    return out;
}

// Remaps Y of every palette entry, or of every pixel of a 24-bit image.
bool ApplyY(Raster& img, const Lut& lut)
{
    if (img.GetNumColors()) {
        RgbQuad* pal = img.GetPalette();
        for (uint32_t i = 0; i < img.GetNumColors(); ++i) pal[i] = MapY(pal[i], lut);
        img.SetPalette(pal, img.GetNumColors());
        return true;
    }
    Raster work;
    if (!proc::WorkingCopy(img, work)) return false;
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    for (uint32_t y = 0; y < h; ++y) {
        img.SetProgress(50 + proc::Percent(50 * int64_t{y}, 100 * int64_t{h}));
        if (img.GetEscape()) return false;
        uint8_t* d = work.GetBits(y);
        for (uint32_t x = 0; x < w; ++x, d += 3) {
            const RgbQuad c = MapY(RgbQuad{d[0], d[1], d[2], 0}, lut);
            d[0] = c.blue, d[1] = c.green, d[2] = c.red;
        }
    }
    img.Transfer(work);
    return true;
}

// Largest (or smallest) grey over the palette entries, or over every pixel.
bool GreyRange(Raster& img, int& smallest, int& largest)
{
    smallest = 255, largest = 0;
    if (img.GetNumColors()) {
        for (uint32_t i = 0; i < img.GetNumColors(); ++i) {
            const int g = Grey(img.GetPaletteColor(static_cast<uint8_t>(i)));
            smallest = std::min(smallest, g), largest = std::max(largest, g);
        }
        return true;
    }
    Bins bins;
    if (!GreyHistogram(img, bins)) return false;
    for (int i = 0; i < 256; ++i)
        if (bins[i]) smallest = std::min(smallest, i), largest = std::max(largest, i);
    return true;
}

int64_t Pixels(const Raster& img)
{
    return int64_t{img.GetWidth()} * img.GetHeight();
}

} // namespace

int32_t Raster::Histogram(int32_t* red, int32_t* green, int32_t* blue, int32_t* grey, int32_t colourSpace)
{
    for (int32_t* t : {red, green, blue, grey})
        if (t) std::fill(t, t + 256, 0);
    if (!IsValid()) return 0;
    proc::VisitSelected(*this, GetHeight(), [&](int64_t x, int64_t y) {
        RgbQuad c = GetPixelColor(x, y);
        switch (colourSpace) {
        case 1: c = HslToRgb(c); break;
        case 2: c = YuvToRgb(c); break;
        case 3: c = YiqToRgb(c); break;
        case 4: c = XyzToRgb(c); break;
        default: break;
        }
        if (red) ++red[c.red];
        if (green) ++green[c.green];
        if (blue) ++blue[c.blue];
        if (grey) ++grey[Grey(c)];
    });
    int32_t most = 0;
    for (int32_t* t : {red, green, blue, grey})
        if (t) most = std::max(most, *std::max_element(t, t + 256));
    return most;
}

bool Raster::HistogramStretch()
{
    if (!IsValid()) return false;
    Bins bins;
    if (!GreyHistogram(*this, bins) || Flat(bins, Pixels(*this))) return false;
    int smallest = 0, largest = 0;
    if (!GreyRange(*this, smallest, largest) || smallest >= largest) return false;
    const double scale = 255.0 / (largest - smallest);
    Lut lut;
    for (int v = 0; v < 256; ++v) {
        const double t = (v - smallest) * scale;
        lut[v] = t < 0 ? 0 : proc::ClampTrunc(t);
    }
    return ApplyY(*this, lut);
}

bool Raster::HistogramEqualize()
{
    if (!IsValid()) return false;
    Bins bins;
    if (!GreyHistogram(*this, bins) || Flat(bins, Pixels(*this))) return false;
    Bins cumulative;
    int64_t sum = 0;
    for (int i = 0; i < 256; ++i) cumulative[i] = sum += bins[i];
    const int64_t low = cumulative[0], high = cumulative[255];
    if (low == high) return false;
    Lut eq;
    for (int i = 0; i < 256; ++i)
        eq[i] = static_cast<uint8_t>(static_cast<int64_t>((cumulative[i] - low) * 255.0 / (high - low)));
    return ApplyY(*this, eq);
}

bool Raster::HistogramNormalize()
{
    if (!IsValid()) return false;
    Bins bins;
    if (!GreyHistogram(*this, bins) || Flat(bins, Pixels(*this))) return false;
    auto bounds = [&](int64_t threshold, int& low, int& high) {
        int64_t sum = 0;
        for (low = 0; low < 255; ++low)
            if ((sum += bins[low]) > threshold) break;
        sum = 0;
        for (high = 255; high > 0; --high)
            if ((sum += bins[high]) > threshold) break;
    };
    int low = 0, high = 0;
    bounds(Pixels(*this) / 100, low, high);
    if (low == high) bounds(0, low, high);
    if (low >= high) return false;
    Lut map;
    for (int i = 0; i < 256; ++i)
        map[i] = i < low ? 0 : i > high ? 255 : static_cast<uint8_t>(254 * (i - low) / (high - low));
    return ApplyY(*this, map);
}

bool Raster::HistogramLog()
{
    if (!IsValid()) return false;
    int smallest = 0, largest = 0;
    if (!GreyRange(*this, smallest, largest)) return false;
    const double k = 255 / std::log(1.0 + std::max(1, largest));
    Lut lut;
    // Values past 255 are held at 255 rather than wrapping to dark bytes.
    for (int v = 0; v < 256; ++v) lut[v] = proc::ClampTrunc(k * std::log(1.0 + v));
    return ApplyY(*this, lut);
}

bool Raster::HistogramRoot()
{
    if (!IsValid()) return false;
    int smallest = 0, largest = 0;
    if (!GreyRange(*this, smallest, largest)) return false;
    const double k = 128 / std::log(1.0 + std::max(1, largest));
    Lut lut;
    for (int v = 0; v < 256; ++v) lut[v] = proc::ClampTrunc(k * std::sqrt(static_cast<double>(v)));
    return ApplyY(*this, lut);
}

} // namespace vex
