// Resizing with nearest pixel, bilinear and B-spline (bicubic) sampling, and
// the integer area average used when a 24-bit image shrinks in both
// directions. The arithmetic (single precision, truncation toward zero) is
// part of the result: two builds must give the same bytes.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/Limits.h"
#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex {
using proc::Percent;

namespace {

inline uint8_t FloatToByte(float v)
{
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<uint8_t>(v);
}

// Area average with fixed accuracy 1000. Accumulators are 64-bit: a large
// shrink sums millions of weighted bytes per destination pixel.
bool ShrinkByArea(Raster& src, Raster& out, float xScale, float yScale)
{
    constexpr int64_t A = 1000;
    const int64_t w = src.GetWidth(), h = src.GetHeight();
    const int64_t newW = out.GetWidth(), newH = out.GetHeight();
    const size_t slots = static_cast<size_t>(3 * newW + 6);
    std::vector<int64_t> rowA(slots, 0), rowB(slots, 0);
    int64_t* cur = rowA.data();
    int64_t* carry = rowB.data();
    const auto S = static_cast<int64_t>(static_cast<float>(A) * xScale * yScale);
    float endY = yScale - 1;

    int64_t outRow = 0, outCol = 0; // emitted bytes in the current row
    auto emit = [&](int64_t v) {
        if (outRow < newH && outCol < 3 * newW)
            out.GetBits(static_cast<uint32_t>(outRow))[outCol] = static_cast<uint8_t>(v / S);
        ++outCol;
    };

    for (int64_t y = 0; y < h; ++y) {
        src.SetProgress(Percent(y, h));
        if (src.GetEscape()) return false;
        const uint8_t* s = src.GetBits(static_cast<uint32_t>(y));
        int64_t i = 0, u = 0;
        float endX = xScale - 1;
        // A split past the last destination column (float drift) is
        // accumulated into the last one instead of running off the row.
        auto splits = [&](int64_t x) { return !(static_cast<float>(x) < endX) && u < newW; };
        if (static_cast<float>(y) < endY) {
            for (int64_t x = 0; x < w; ++x, s += 3) {
                if (!splits(x)) {
                    for (int j = 0; j < 3; ++j) cur[i + j] += A * s[j];
                } else {
                    const auto wX = static_cast<int64_t>((static_cast<float>(x) - endX) * A);
                    for (int j = 0; j < 3; ++j, ++i) {
                        cur[i] += (A - wX) * s[j];
                        cur[i + 3] += wX * s[j];
                    }
                    endX += xScale;
                    ++u;
                }
            }
        } else {
            const auto wY = static_cast<int64_t>((static_cast<float>(y) - endY) * A);
            for (int64_t x = 0; x < w; ++x, s += 3) {
                if (!splits(x)) {
                    for (int j = 0; j < 3; ++j) {
                        cur[i + j] += (A - wY) * s[j];
                        carry[i + j] += wY * s[j];
                    }
                } else {
                    const auto wX = static_cast<int64_t>((static_cast<float>(x) - endX) * A);
                    for (int j = 0; j < 3; ++j, ++i) {
                        cur[i] += (A - wY) * (A - wX) * s[j] / A;
                        emit(cur[i]);
                        carry[i] += wY * (A - wX) * s[j] / A;
                        cur[i + 3] += (A - wY) * wX * s[j] / A;
                        carry[i + 3] = wY * wX * s[j] / A;
                    }
                    endX += xScale;
                    ++u;
                }
            }
            if (u < newW)
                for (int j = 0; j < 3; ++j) emit(cur[i + j]);
            std::swap(cur, carry);
            carry[0] = carry[1] = carry[2] = 0;
            ++outRow;
            outCol = 0;
            endY += yScale;
        }
    }
    if (outRow < newH)
        for (int64_t k = 0; k < 3 * newW; ++k) emit(cur[k]);
    return true;
}

} // namespace

float Raster::BSplineWeight(float x)
{
    auto p = [](float t) { return t > 0 ? t * t * t : 0.0f; };
    return 0.16666667f * (p(x + 2) - 4 * p(x + 1) + 6 * p(x) - 4 * p(x - 1));
}

bool Raster::Resize(int32_t newWidth, int32_t newHeight, int method, Raster* destination)
{
    if (!IsValid() || newWidth <= 0 || newHeight <= 0) return false;
    const int64_t w = GetWidth(), h = GetHeight();
    if (newWidth == w && newHeight == h) {
        if (destination) destination->Copy(*this);
        return true;
    }
    if (!SideInRange(newWidth) || !SideInRange(newHeight)) return false;
    const float xScale = static_cast<float>(w) / static_cast<float>(newWidth);
    const float yScale = static_cast<float>(h) / static_cast<float>(newHeight);

    Raster out;
    if (!proc::MakeLike(*this, out, static_cast<uint32_t>(newWidth), static_cast<uint32_t>(newHeight), true))
        return false;
    const bool paletted = GetNumColors() != 0;

    // Column positions and weights depend only on x, row ones only on y:
    // computed once, with the same single-precision values per pixel.
    // row is GetBits(y) for a 24-bit source (rows looked up once per line).
    auto rowOf = [&](int64_t y) { return paletted ? nullptr : GetBits(static_cast<uint32_t>(y)); };
    auto sample = [&](const uint8_t* row, int64_t x, int64_t y) {
        if (paletted) return GetPixelColor(x, y);
        const uint8_t* p = row + 3 * x;
        return RgbQuad{p[0], p[1], p[2], 0};
    };
    auto store = [&](int64_t x, int64_t y, RgbQuad c) {
        if (paletted) return out.SetPixelColor(x, y, c);
        uint8_t* p = out.GetBits(static_cast<uint32_t>(y)) + 3 * x;
        p[0] = c.blue, p[1] = c.green, p[2] = c.red;
    };

    if (method == NearestPixel) {
        std::vector<int64_t> sx(static_cast<size_t>(newWidth));
        for (int64_t x = 0; x < newWidth; ++x) sx[x] = static_cast<int64_t>(static_cast<float>(x) * xScale);
        for (int64_t y = 0; y < newHeight; ++y) {
            SetProgress(Percent(y, newHeight));
            if (GetEscape()) return false;
            const auto sy = static_cast<int64_t>(static_cast<float>(y) * yScale);
            const uint8_t* row = rowOf(sy);
            for (int64_t x = 0; x < newWidth; ++x) store(x, y, sample(row, sx[x], sy));
        }
    } else if (method == Bicubic) {
        struct Column {
            int64_t sx[4];
            float w[4];
        };
        std::vector<Column> cols(static_cast<size_t>(newWidth));
        for (int64_t x = 0; x < newWidth; ++x) {
            const float fx = static_cast<float>(x) * xScale - 0.5f;
            const auto ix = static_cast<int64_t>(std::floor(fx));
            const float b = fx - std::floor(fx);
            for (int n = -1; n <= 2; ++n) {
                cols[x].sx[n + 1] = std::clamp<int64_t>(ix + n, 0, w - 1);
                cols[x].w[n + 1] = BSplineWeight(b - static_cast<float>(n));
            }
        }
        for (int64_t y = 0; y < newHeight; ++y) {
            SetProgress(Percent(y, newHeight));
            if (GetEscape()) return false;
            const float fy = static_cast<float>(y) * yScale - 0.5f;
            const auto iy = static_cast<int64_t>(std::floor(fy));
            const float a = fy - std::floor(fy);
            int64_t sy[4];
            float wm[4];
            const uint8_t* rows[4];
            for (int m = -1; m <= 2; ++m) {
                sy[m + 1] = std::clamp<int64_t>(iy + m, 0, h - 1);
                wm[m + 1] = BSplineWeight(static_cast<float>(m) - a);
                rows[m + 1] = rowOf(sy[m + 1]);
            }
            if (!paletted) {
                // The same sums as below, without the per-sample dispatch.
                uint8_t* d = out.GetBits(static_cast<uint32_t>(y));
                for (int64_t x = 0; x < newWidth; ++x, d += 3) {
                    const Column& col = cols[x];
                    float r = 0, g = 0, bl = 0;
                    for (int m = 0; m < 4; ++m) {
                        const uint8_t* row = rows[m];
                        for (int n = 0; n < 4; ++n) {
                            const float wgt = wm[m] * col.w[n];
                            const uint8_t* p = row + 3 * col.sx[n];
                            r += wgt * static_cast<float>(p[2]);
                            g += wgt * static_cast<float>(p[1]);
                            bl += wgt * static_cast<float>(p[0]);
                        }
                    }
                    d[0] = FloatToByte(bl), d[1] = FloatToByte(g), d[2] = FloatToByte(r);
                }
                continue;
            }
            for (int64_t x = 0; x < newWidth; ++x) {
                const Column& col = cols[x];
                float r = 0, g = 0, bl = 0;
                for (int m = 0; m < 4; ++m)
                    for (int n = 0; n < 4; ++n) {
                        const float wgt = wm[m] * col.w[n];
                        const RgbQuad c = sample(rows[m], col.sx[n], sy[m]);
                        r += wgt * c.red;
                        g += wgt * c.green;
                        bl += wgt * c.blue;
                    }
                store(x, y, MakeRgb(FloatToByte(r), FloatToByte(g), FloatToByte(bl)));
            }
        }
    } else if (newWidth < w && newHeight < h && !paletted) {
        if (!ShrinkByArea(*this, out, xScale, yScale)) return false;
    } else {
        struct Column {
            int64_t ix, ix1;
            float dx;
        };
        std::vector<Column> cols(static_cast<size_t>(newWidth));
        for (int64_t x = 0; x < newWidth; ++x) {
            const float fX = static_cast<float>(x) * xScale;
            const auto ix = static_cast<int64_t>(fX);
            cols[x] = Column{ix, std::min(w - 1, ix + 1), fX - static_cast<float>(ix)};
        }
        for (int64_t y = 0; y < newHeight; ++y) {
            SetProgress(Percent(y, newHeight));
            if (GetEscape()) return false;
            const float fY = static_cast<float>(y) * yScale;
            const auto iy = static_cast<int64_t>(fY);
            const int64_t iy1 = std::min(h - 1, iy + 1);
            const float dy = fY - static_cast<float>(iy);
            const uint8_t* row0 = rowOf(iy);
            const uint8_t* row1 = rowOf(iy1);
            for (int64_t x = 0; x < newWidth; ++x) {
                const float dx = cols[x].dx;
                const RgbQuad c00 = sample(row0, cols[x].ix, iy), c10 = sample(row0, cols[x].ix1, iy);
                const RgbQuad c01 = sample(row1, cols[x].ix, iy1), c11 = sample(row1, cols[x].ix1, iy1);
                auto mix = [&](uint8_t p00, uint8_t p10, uint8_t p01, uint8_t p11) {
                    return FloatToByte((1 - dx) * ((1 - dy) * p00 + dy * p01) + dx * ((1 - dy) * p10 + dy * p11));
                };
                store(x, y,
                      MakeRgb(mix(c00.red, c10.red, c01.red, c11.red), mix(c00.green, c10.green, c01.green, c11.green),
                              mix(c00.blue, c10.blue, c01.blue, c11.blue)));
            }
        }
    }

    if (AlphaIsValid()) {
        for (int64_t y = 0; y < newHeight; ++y) {
            const auto sy = static_cast<int64_t>(static_cast<float>(y) * yScale);
            for (int64_t x = 0; x < newWidth; ++x)
                out.AlphaSet(x, y, AlphaGet(static_cast<int64_t>(static_cast<float>(x) * xScale), sy));
        }
    }
    (destination ? *destination : *this).Transfer(out);
    return true;
}

} // namespace vex
