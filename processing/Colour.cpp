// Point operations on colours: grey scale, negative, brightness and contrast,
// gamma, threshold, colouring, pseudo colours and colour replacement.
// Paletted images change through their palette unless said otherwise; pixel
// loops run on a working copy that replaces the image only when complete.

#include <array>
#include <cmath>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex {
using proc::Clamp255;
using proc::Grey;

namespace {

using Lut = std::array<uint8_t, 256>;

void MapPalette(Raster& img, const Lut& lut)
{
    RgbQuad* pal = img.GetPalette();
    for (uint32_t i = 0; i < img.GetNumColors(); ++i)
        pal[i] = RgbQuad{lut[pal[i].blue], lut[pal[i].green], lut[pal[i].red], pal[i].reserved};
    img.SetPalette(pal, img.GetNumColors()); // drops the nearest-colour cache
}

// Applies lut to the blue, green and red of the selected pixels of a 24-bit
// image through the colour accessors.
bool MapSelected(Raster& img, const Lut& lut, int64_t progressTotal)
{
    Raster work;
    if (!proc::WorkingCopy(img, work)) return false;
    if (!img.SelectionIsValid() && img.GetBpp() == 24) {
        // Every pixel: the three stored bytes are what the accessors see.
        const uint32_t w = img.GetWidth(), h = img.GetHeight();
        for (uint32_t y = 0; y < h; ++y) {
            img.SetProgress(proc::Percent(y, progressTotal));
            if (img.GetEscape()) return false;
            uint8_t* d = work.GetBits(y);
            for (uint32_t i = 0; i < 3 * w; ++i) d[i] = lut[d[i]];
        }
        img.Transfer(work);
        return true;
    }
    const bool ok = proc::VisitSelected(img, progressTotal, [&](int64_t x, int64_t y) {
        const RgbQuad c = img.GetPixelColor(x, y);
        work.SetPixelColor(x, y, RgbQuad{lut[c.blue], lut[c.green], lut[c.red], c.reserved});
    });
    if (ok) img.Transfer(work);
    return ok;
}

// Changes every palette entry, or each selected pixel of a 24-bit image.
template <class Change>
bool ChangeColours(Raster& img, Change&& change)
{
    if (img.GetNumColors()) {
        RgbQuad* pal = img.GetPalette();
        for (uint32_t i = 0; i < img.GetNumColors(); ++i) pal[i] = change(pal[i]);
        img.SetPalette(pal, img.GetNumColors());
        return true;
    }
    Raster work;
    if (!proc::WorkingCopy(img, work)) return false;
    const bool ok = proc::VisitSelected(img, img.GetHeight(), [&](int64_t x, int64_t y) {
        work.SetPixelColor(x, y, change(img.GetPixelColor(x, y)));
    });
    if (ok) img.Transfer(work);
    return ok;
}

} // namespace

bool Raster::GrayScale()
{
    if (!IsValid()) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    Raster out;
    out.CopyInfo(*this);
    if (GetBpp() == 8 && GetNumColors()) {
        if (!proc::WorkingCopy(*this, out)) return false;
    } else if (!out.Create(w, h, 8, GetType())) {
        return false;
    } else {
        out.SelectionCopy(*this);
        out.AlphaCopy(*this);
    }

    if (!GetNumColors()) {
        for (uint32_t y = 0; y < h; ++y) {
            SetProgress(proc::Percent(y, h));
            if (GetEscape()) return false;
            const uint8_t* s = GetBits(y);
            uint8_t* d = out.GetBits(y);
            for (uint32_t x = 0; x < w; ++x, s += 3) d[x] = Grey(RgbQuad{s[0], s[1], s[2], 0});
        }
        // Keyed pixels now carry the grey of the key, so the index follows.
        if (GetTransIndex() != -1) out.SetTransIndex(Grey(GetTransColor()));
    } else {
        Lut grey{};
        for (uint32_t i = 0; i < GetNumColors(); ++i) grey[i] = Grey(GetPaletteColor(static_cast<uint8_t>(i)));
        if (GetTransIndex() >= 0 && static_cast<uint32_t>(GetTransIndex()) < GetNumColors())
            out.SetTransIndex(grey[static_cast<uint8_t>(GetTransIndex())]);
        for (uint32_t y = 0; y < h; ++y) {
            SetProgress(proc::Percent(y, h));
            if (GetEscape()) return false;
            for (uint32_t x = 0; x < w; ++x) out.SetPixelIndex(x, y, grey[GetPixelIndex(x, y)]);
        }
    }
    out.SetGrayPalette();
    Transfer(out);
    return true;
}

bool Raster::Negative()
{
    if (!IsValid()) return false;
    if (GetNumColors() && !IsGrayScale()) {
        Lut inv;
        for (int v = 0; v < 256; ++v) inv[v] = static_cast<uint8_t>(255 - v);
        MapPalette(*this, inv);
        return true;
    }
    Raster work;
    if (!proc::WorkingCopy(*this, work)) return false;
    const uint32_t h = GetHeight();
    if (GetNumColors()) {
        if (!proc::VisitSelected(*this, h, [&](int64_t x, int64_t y) {
                work.SetPixelIndex(x, y, static_cast<uint8_t>(~GetPixelIndex(x, y)));
            }))
            return false;
        // The transparent pixels moved to the complement index; so does the key.
        if (GetTransIndex() != -1 && !SelectionIsValid())
            work.SetTransIndex(static_cast<int32_t>(~GetTransIndex() & ((1 << GetBpp()) - 1)));
    } else if (SelectionIsValid()) {
        if (!proc::VisitSelected(*this, h, [&](int64_t x, int64_t y) {
                const RgbQuad c = GetPixelColor(x, y);
                work.SetPixelColor(x, y, RgbQuad{uint8_t(255 - c.blue), uint8_t(255 - c.green), uint8_t(255 - c.red), 0});
            }))
            return false;
    } else {
        for (uint32_t y = 0; y < h; ++y) {
            SetProgress(proc::Percent(y, h));
            if (GetEscape()) return false;
            uint8_t* d = work.GetBits(y);
            for (uint32_t i = 0; i < GetEffWidth(); ++i) d[i] = static_cast<uint8_t>(~d[i]);
        }
    }
    if (!GetNumColors()) {
        const RgbQuad t = MutableInfo().transColor;
        work.SetTransColor(RgbQuad{uint8_t(255 - t.blue), uint8_t(255 - t.green), uint8_t(255 - t.red), t.reserved});
    }
    Transfer(work);
    return true;
}

bool Raster::Light(int32_t brightness, int32_t contrast)
{
    if (!IsValid()) return false;
    const auto gain = static_cast<float>((static_cast<double>(contrast) + 100) * 0.01);
    const auto base = static_cast<float>(brightness + 128);
    Lut lut;
    for (int v = 0; v < 256; ++v) lut[v] = proc::ClampTrunc(static_cast<float>(v - 128) * gain + base);
    if (GetNumColors()) {
        MapPalette(*this, lut);
        return true;
    }
    if (SelectionIsValid()) return MapSelected(*this, lut, GetSelectionBox().top);
    // Without a mask every byte of the rows, padding included.
    Raster work;
    if (!proc::WorkingCopy(*this, work)) return false;
    const uint32_t h = GetHeight();
    for (uint32_t y = 0; y < h; ++y) {
        SetProgress(proc::Percent(y, h));
        if (GetEscape()) return false;
        uint8_t* d = work.GetBits(y);
        for (uint32_t i = 0; i < GetEffWidth(); ++i) d[i] = lut[d[i]];
    }
    Transfer(work);
    return true;
}

bool Raster::Gamma(float gamma)
{
    // Zero, negative and NaN exponents have no meaning; refuse them unchanged.
    if (!IsValid() || !(gamma > 0) || !std::isfinite(gamma)) return false;
    const double k = 1.0 / gamma;
    const double top = std::pow(255.0, k);
    Lut lut;
    for (int v = 0; v < 256; ++v) {
        // 255^k overflows for very small gamma; the same ratio then comes
        // from the normalised form.
        const double r = std::isfinite(top) ? std::pow(v, k) / (top / 255) : 255 * std::pow(v / 255.0, k);
        lut[v] = proc::ClampTrunc(r);
    }
    if (GetNumColors()) {
        MapPalette(*this, lut);
        return true;
    }
    return MapSelected(*this, lut, std::max<int64_t>(1, int64_t{GetHeight()} - 1));
}

bool Raster::Threshold(uint8_t level)
{
    if (!IsValid()) return false;
    if (GetBpp() == 1) return true;
    // Grey scale is taken on a copy so a failure leaves the image untouched.
    Raster grey(*this);
    if (!grey.GrayScale()) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    Raster out;
    if (!out.Create(w, h, 1, 0)) return false;
    for (uint32_t y = 0; y < h; ++y) {
        SetProgress(proc::Percent(y, h));
        if (GetEscape()) return false;
        for (uint32_t x = 0; x < w; ++x) out.SetPixelIndex(x, y, grey.GetPixelIndex(x, y) > level ? 1 : 0);
    }
    out.SetPaletteColor(0, 0, 0, 0);
    out.SetPaletteColor(1, 255, 255, 255);
    Transfer(out);
    return true;
}

bool Raster::Colorize(uint8_t hue, uint8_t saturation)
{
    if (!IsValid()) return false;
    return ChangeColours(*this, [&](RgbQuad c) {
        RgbQuad hsl = RgbToHsl(c);
        hsl.red = hue;
        hsl.green = saturation;
        RgbQuad out = HslToRgb(hsl);
        out.reserved = c.reserved;
        return out;
    });
}

bool Raster::ColorizeRGB(int32_t red, int32_t green, int32_t blue)
{
    if (!IsValid()) return false;
    return ChangeColours(*this, [&](RgbQuad c) {
        return RgbQuad{Clamp255(int64_t{c.blue} + blue), Clamp255(int64_t{c.green} + green),
                       Clamp255(int64_t{c.red} + red), c.reserved};
    });
}

void Raster::PseudoColors(float correction)
{
    const uint32_t n = GetNumColors();
    if (!IsValid() || n == 0) return;
    const int64_t step = 255 / std::max<int64_t>(1, int64_t{n} - 1);
    for (uint32_t j = 0; j < n; ++j) {
        const double hv = static_cast<double>(static_cast<float>(step * j) * correction);
        // "As a byte": the low eight bits of the truncated value.
        const auto h = static_cast<uint8_t>(std::isfinite(hv) && std::fabs(hv) < 9.0e18 ? static_cast<int64_t>(hv) : 0);
        SetPaletteColor(static_cast<uint8_t>(j), HslToRgb(RgbQuad{120, 240, h, 0}));
    }
}

void Raster::ReplaceColors(const RgbQuad* colours, int32_t count)
{
    // Only complete pairs: a lone trailing colour has nothing to map to.
    const int32_t pairs = colours && count > 0 ? count / 2 : 0;
    if (!IsValid() || pairs == 0) return;
    Raster work;
    if (!proc::WorkingCopy(*this, work)) return;
    const uint32_t w = GetWidth(), h = GetHeight();
    for (uint32_t x = 0; x < w; ++x) {
        SetProgress(proc::Percent(x, w));
        if (GetEscape()) return;
        for (uint32_t y = 0; y < h; ++y) {
            const RgbQuad c = GetPixelColor(x, y);
            for (int32_t p = 0; p < pairs; ++p)
                if (c == colours[2 * p]) work.SetPixelColor(x, y, colours[2 * p + 1]);
        }
    }
    Transfer(work);
}

} // namespace vex
