// Quarter turns and reversals. Each builds its result beside the source and
// moves it in only when complete, so escape leaves the image as it was.

#include <algorithm>
#include <cstring>
#include <utility>

#include "image/Raster.h"
#include "processing/ProcessingCommon.h"

namespace vex {
using proc::MakeLike;

namespace {

// Copies one pixel (and its alpha) between the stored rows of two images of
// the same depth, without the bounds checks of the pixel accessors: the
// caller's mapping only produces positions inside both images.
class PixelMover {
public:
    PixelMover(const Raster& src, Raster& dst)
        : s_(src.GetBits()), d_(dst.GetBits()), ss_(src.GetEffWidth()), ds_(dst.GetEffWidth()),
          sw_(src.GetWidth()), dw_(dst.GetWidth()), sa_(src.AlphaGetPointer()), da_(dst.AlphaGetPointer()),
          bpp_(src.GetBpp())
    {
    }
    void Move(uint32_t sx, uint32_t sy, uint32_t dx, uint32_t dy) const
    {
        const uint8_t* sr = s_ + uint64_t{sy} * ss_;
        uint8_t* dr = d_ + uint64_t{dy} * ds_;
        switch (bpp_) {
        case 24: std::memcpy(dr + 3 * uint64_t{dx}, sr + 3 * uint64_t{sx}, 3); break;
        case 8: dr[dx] = sr[sx]; break;
        case 4: {
            const uint8_t v = (sx & 1) ? (sr[sx >> 1] & 0x0F) : (sr[sx >> 1] >> 4);
            uint8_t& b = dr[dx >> 1];
            b = (dx & 1) ? static_cast<uint8_t>((b & 0xF0) | v) : static_cast<uint8_t>((b & 0x0F) | (v << 4));
            break;
        }
        default:
            // The destination starts cleared; only set bits are copied.
            if ((sr[sx >> 3] >> (7 - (sx & 7))) & 1) dr[dx >> 3] |= static_cast<uint8_t>(0x80 >> (dx & 7));
            break;
        }
        if (sa_ && da_) da_[uint64_t{dy} * dw_ + dx] = sa_[uint64_t{sy} * sw_ + sx];
    }

private:
    const uint8_t* s_;
    uint8_t* d_;
    uint64_t ss_, ds_, sw_, dw_;
    const uint8_t* sa_;
    uint8_t* da_;
    uint16_t bpp_;
};

// A quarter turn: the result is H wide and W high; source(x', y') names the
// source pixel of each new pixel.
template <class SourceOf>
bool QuarterTurn(Raster& src, Raster* destination, SourceOf source)
{
    if (!src.IsValid()) return false;
    const uint32_t w = src.GetWidth(), h = src.GetHeight();
    Raster out;
    if (!MakeLike(src, out, h, w, true)) return false;
    const PixelMover mover(src, out);
    for (uint32_t yn = 0; yn < w; ++yn) {
        src.SetProgress(static_cast<int>(uint64_t{yn} * 100 / w));
        if (src.GetEscape()) return false;
        for (uint32_t xn = 0; xn < h; ++xn) {
            const auto [sx, sy] = source(xn, yn, w, h);
            mover.Move(sx, sy, xn, yn);
        }
    }
    (destination ? *destination : src).Transfer(out);
    return true;
}

} // namespace

bool Raster::RotateLeft(Raster* destination)
{
    // new (x', y') = source (y', H - 1 - x')
    return QuarterTurn(*this, destination, [](uint32_t xn, uint32_t yn, uint32_t, uint32_t h) {
        return std::pair{yn, h - 1 - xn};
    });
}

bool Raster::RotateRight(Raster* destination)
{
    // new (x', y') = source (W - 1 - y', x')
    return QuarterTurn(*this, destination, [](uint32_t xn, uint32_t yn, uint32_t w, uint32_t) {
        return std::pair{w - 1 - yn, xn};
    });
}

bool Raster::Mirror()
{
    if (!IsValid()) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    Raster out;
    if (!MakeLike(*this, out, w, h, false)) return false;
    out.AlphaCopy(*this);
    for (uint32_t y = 0; y < h; ++y) {
        SetProgress(static_cast<int>(uint64_t{y} * 100 / h));
        if (GetEscape()) return false;
        const uint8_t* s = GetBits(y);
        uint8_t* d = out.GetBits(y);
        switch (GetBpp()) {
        case 8:
            for (uint32_t x = 0; x < w; ++x) d[x] = s[w - 1 - x];
            break;
        case 24:
            for (uint32_t x = 0; x < w; ++x) std::memcpy(d + 3 * x, s + 3 * (w - 1 - x), 3);
            break;
        default:
            for (uint32_t x = 0; x < w; ++x) out.SetPixelIndex(x, y, GetPixelIndex(w - 1 - x, y));
            break;
        }
    }
    out.AlphaMirror();
    Transfer(out);
    return true;
}

bool Raster::Flip()
{
    if (!IsValid()) return false;
    const uint32_t h = GetHeight();
    Raster out;
    if (!MakeLike(*this, out, GetWidth(), h, false)) return false;
    out.AlphaCopy(*this);
    for (uint32_t y = 0; y < h; ++y) {
        SetProgress(static_cast<int>(uint64_t{y} * 100 / h));
        if (GetEscape()) return false;
        std::memcpy(out.GetBits(y), GetBits(h - 1 - y), GetEffWidth());
    }
    out.AlphaFlip();
    Transfer(out);
    return true;
}

} // namespace vex
