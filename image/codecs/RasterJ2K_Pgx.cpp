// PGX (the JPEG-2000 test format): one grey component of 1 to 16 bits,
// signed or unsigned, either byte order, read and written in-house.

#include <cstdio>
#include <vector>

#include "image/Limits.h"
#include "image/codecs/J2kHeaderText.h"
#include "image/codecs/RasterJ2K.h"

namespace vex {

bool RasterJ2K::DecodePgx(ByteStream* s)
{
    if (s->GetC() != 'P' || s->GetC() != 'G') return false;
    int c1 = SkipHeaderSpace(s, false);
    const int c2 = s->GetC();
    const bool bigEndian = c1 == 'M' && c2 == 'L';
    if (!bigEndian && !(c1 == 'L' && c2 == 'M')) {
        SetLastError("error: cannot load image data");
        return false;
    }
    bool isSigned = false;
    int c = s->GetC();
    while (c == ' ' || c == '\t' || c == '+' || c == '-') {
        isSigned = isSigned || c == '-';
        c = s->GetC();
    }
    uint64_t depth = 0, width = 0, height = 0;
    while (c >= '0' && c <= '9' && depth <= 32) {
        depth = depth * 10 + static_cast<uint64_t>(c - '0');
        c = s->GetC();
    }
    int next = c;
    if (depth < 1 || depth > 16 || !IsHeaderSpace(next) || !ReadHeaderNumber(s, kMaxSide + 1, width, next, false) ||
        !IsHeaderSpace(next) || !ReadHeaderNumber(s, kMaxSide + 1, height, next, false) || !IsHeaderSpace(next)) {
        SetLastError("error: cannot load image data");
        return false;
    }
    if (next == '\r' && s->GetC() != '\n') s->Seek(-1, 1);
    const uint32_t bytes = depth <= 8 ? 1 : 2;
    const uint64_t rowBytes = width * bytes;
    const int64_t left = s->Size() - s->Tell();
    if (width == 0 || height == 0 || left < 0 || static_cast<uint64_t>(left) < rowBytes * height) {
        SetLastError("error: cannot load image data");
        return false;
    }
    std::vector<int32_t> plane;
    if (!AllocateSamples(plane, width, height)) {
        SetLastError("error: cannot allocate memory");
        return false;
    }
    std::vector<uint8_t> row(rowBytes);
    const uint32_t mask = (1u << depth) - 1;
    for (uint64_t y = 0; y < height; ++y) {
        if (!s->ReadExact(row.data(), row.size())) {
            SetLastError("error: cannot load image data");
            return false;
        }
        for (uint64_t x = 0; x < width; ++x) {
            const uint8_t* p = row.data() + x * bytes;
            uint32_t v = bytes == 1 ? p[0] : bigEndian ? uint32_t(p[0]) << 8 | p[1] : uint32_t(p[1]) << 8 | p[0];
            v &= mask;
            int32_t value = static_cast<int32_t>(v);
            if (isSigned && (v >> (depth - 1)) & 1) value -= static_cast<int32_t>(1u << depth);
            plane[y * width + x] = value;
        }
    }
    std::vector<J2kComponent> comps(1);
    comps[0].width = static_cast<uint32_t>(width);
    comps[0].height = static_cast<uint32_t>(height);
    comps[0].lo = isSigned ? -(int64_t{1} << (depth - 1)) : 0;
    comps[0].hi = isSigned ? (int64_t{1} << (depth - 1)) - 1 : (int64_t{1} << depth) - 1;
    comps[0].samples = plane.data();
    return Present(comps, false);
}

bool RasterJ2K::EncodePgx(ByteStream* s)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    char header[64];
    const int n = std::snprintf(header, sizeof header, "PG ML + 8 %u %u\n", w, h);
    std::vector<uint8_t> row(w);
    bool ok = s->WriteExact(header, static_cast<size_t>(n));
    for (uint32_t top = 0; ok && top < h; ++top) {
        for (uint32_t x = 0; x < w; ++x) row[x] = GreyAt(x, top);
        ok = s->WriteExact(row.data(), row.size());
    }
    if (!ok || s->Error() > 0) {
        SetLastError("error: cannot encode image\n");
        return false;
    }
    return true;
}

} // namespace vex
