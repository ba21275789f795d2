// PNM (PBM, PGM, PPM; plain text and raw) read and written in-house. PBM
// pixels are presented as grey with black 0; samples above 8 bits are read
// big-endian and scaled from their maximum value.

#include <cstdio>
#include <vector>

#include "image/Limits.h"
#include "image/codecs/J2kHeaderText.h"
#include "image/codecs/RasterJ2K.h"

namespace vex {

bool RasterJ2K::DecodePnm(ByteStream* s)
{
    const int p = s->GetC(), kind = s->GetC();
    if (p != 'P' || kind < '1' || kind > '6') return false;
    const bool bitmap = kind == '1' || kind == '4';
    const bool plain = kind <= '3';
    const uint32_t channels = (kind == '3' || kind == '6') ? 3 : 1;
    uint64_t width = 0, height = 0, maxval = 1;
    int next = 0;
    if (!ReadHeaderNumber(s, kMaxSide + 1, width, next) || !IsHeaderSpace(next) ||
        !ReadHeaderNumber(s, kMaxSide + 1, height, next) ||
        (!bitmap && (!IsHeaderSpace(next) || !ReadHeaderNumber(s, 65535, maxval, next))) || !IsHeaderSpace(next) ||
        maxval == 0) {
        SetLastError("error: cannot load image data");
        return false;
    }
    // Raw data starts right after the single whitespace byte that ended the
    // header. A file too short for its pixels is refused before allocating.
    const bool wide = maxval > 255;
    const uint64_t rowBytes = bitmap ? (width + 7) / 8 : width * channels * (wide ? 2 : 1);
    const uint64_t least = plain ? width * height * channels : rowBytes * height;
    const int64_t left = s->Size() - s->Tell();
    if (width == 0 || height == 0 || left < 0 || static_cast<uint64_t>(left) + 1 < least) {
        SetLastError("error: cannot load image data");
        return false;
    }
    std::vector<int32_t> planes[3];
    for (uint32_t c = 0; c < channels; ++c)
        if (!AllocateSamples(planes[c], width, height)) {
            SetLastError(SideInRange(static_cast<int64_t>(width)) && SideInRange(static_cast<int64_t>(height))
                             ? "error: cannot allocate memory"
                             : "error: cannot load image data");
            return false;
        }
    std::vector<uint8_t> row(plain ? 0 : rowBytes);
    for (uint64_t y = 0; y < height; ++y) {
        if (!plain && !s->ReadExact(row.data(), row.size())) {
            SetLastError("error: cannot load image data");
            return false;
        }
        for (uint64_t x = 0; x < width; ++x) {
            for (uint32_t c = 0; c < channels; ++c) {
                uint64_t v = 0;
                if (plain && bitmap) {
                    // Plain PBM digits need no separator.
                    int d = SkipHeaderSpace(s, true);
                    if (d != '0' && d != '1') {
                        SetLastError("error: cannot load image data");
                        return false;
                    }
                    v = d == '1' ? 0 : 1;
                } else if (plain) {
                    if (!ReadHeaderNumber(s, 65535, v, next) || (!IsHeaderSpace(next) && next >= 0)) {
                        SetLastError("error: cannot load image data");
                        return false;
                    }
                    v = std::min<uint64_t>(v, maxval);
                } else if (bitmap) {
                    v = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 1;
                } else if (wide) {
                    const uint64_t at = 2 * (x * channels + c);
                    v = std::min<uint64_t>(uint64_t{row[at]} << 8 | row[at + 1], maxval);
                } else {
                    v = std::min<uint64_t>(row[x * channels + c], maxval);
                }
                planes[c][y * width + x] = static_cast<int32_t>(v);
            }
        }
    }
    std::vector<J2kComponent> comps(channels);
    for (uint32_t c = 0; c < channels; ++c) {
        comps[c].width = static_cast<uint32_t>(width);
        comps[c].height = static_cast<uint32_t>(height);
        comps[c].hi = static_cast<int64_t>(maxval);
        comps[c].samples = planes[c].data();
    }
    return Present(comps, false);
}

bool RasterJ2K::EncodePnm(ByteStream* s, bool grey)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    char header[64];
    const int n = std::snprintf(header, sizeof header, "P%c\n%u %u\n255\n", grey ? '5' : '6', w, h);
    std::vector<uint8_t> row(uint64_t{w} * (grey ? 1 : 3));
    bool ok = s->WriteExact(header, static_cast<size_t>(n));
    for (uint32_t top = 0; ok && top < h; ++top) {
        const uint8_t* src = GetBits(h - 1 - top);
        for (uint32_t x = 0; x < w; ++x) {
            if (grey) {
                row[x] = GreyAt(x, top);
            } else {
                row[3 * x] = src[3 * x + 2], row[3 * x + 1] = src[3 * x + 1], row[3 * x + 2] = src[3 * x];
            }
        }
        ok = s->WriteExact(row.data(), row.size());
    }
    if (!ok || s->Error() > 0) {
        SetLastError("error: cannot encode image\n");
        return false;
    }
    return true;
}

} // namespace vex
