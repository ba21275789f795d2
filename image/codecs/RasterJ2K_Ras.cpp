// Sun raster files read and written in-house: 1, 8, 24 and 32 bits, with or
// without an RGB colour map, plain, run-length encoded or in RGB order.

#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/Limits.h"
#include "image/codecs/RasterJ2K.h"

namespace vex {
namespace {

constexpr uint32_t kRasMagic = 0x59A66A95;
constexpr uint32_t kTypeStandard = 1, kTypeRle = 2, kTypeRgb = 3; // 0, the old type, reads as standard
constexpr uint32_t kMapNone = 0, kMapRgb = 1, kMapRaw = 2;

// Run-length data: 0x80 0 is one 0x80, 0x80 n v is n + 1 copies of v.
bool Unpack(ByteStream* s, uint8_t* out, uint64_t size)
{
    uint64_t at = 0;
    while (at < size) {
        const int b = s->GetC();
        if (b < 0) return false;
        if (b != 0x80) {
            out[at++] = static_cast<uint8_t>(b);
            continue;
        }
        const int n = s->GetC();
        if (n < 0) return false;
        if (n == 0) {
            out[at++] = 0x80;
            continue;
        }
        const int v = s->GetC();
        if (v < 0) return false;
        const uint64_t run = std::min<uint64_t>(uint64_t(n) + 1, size - at);
        std::memset(out + at, v, run);
        at += run;
    }
    return true;
}

} // namespace

bool RasterJ2K::DecodeRas(ByteStream* s)
{
    uint8_t head[32];
    if (!s->ReadExact(head, sizeof head) || Be32(head) != kRasMagic) {
        SetLastError("error: cannot load image data");
        return false;
    }
    const uint32_t width = Be32(head + 4), height = Be32(head + 8), depth = Be32(head + 12);
    const uint32_t type = Be32(head + 20), mapType = Be32(head + 24), mapLength = Be32(head + 28);
    if ((depth != 1 && depth != 8 && depth != 24 && depth != 32) || type > kTypeRgb || mapType > kMapRaw ||
        (mapType == kMapRgb && (mapLength % 3 != 0 || mapLength > 768)) || !SideInRange(width) ||
        !SideInRange(height)) {
        SetLastError("error: cannot load image data");
        return false;
    }
    uint8_t map[768] = {};
    if (mapType == kMapRgb && !s->ReadExact(map, mapLength)) {
        SetLastError("error: cannot load image data");
        return false;
    }
    if (mapType == kMapRaw && !s->Seek(mapLength, 1)) {
        SetLastError("error: cannot load image data");
        return false;
    }
    const uint32_t entries = mapType == kMapRgb ? mapLength / 3 : 0;
    const uint64_t rowBytes = (uint64_t{width} * depth + 15) / 16 * 2;
    const uint64_t size = rowBytes * height;
    const int64_t left = s->Size() - s->Tell();
    // A run of three bytes gives at most 256: a shorter file cannot hold the pixels.
    const uint64_t least = type == kTypeRle ? size / 86 : size;
    if (left < 0 || static_cast<uint64_t>(left) < least || size > RasterMemoryLimit()) {
        SetLastError("error: cannot load image data");
        return false;
    }
    std::vector<uint8_t> data(size);
    if (!(type == kTypeRle ? Unpack(s, data.data(), size) : s->ReadExact(data.data(), size))) {
        SetLastError("error: cannot load image data");
        return false;
    }

    const bool colour = depth >= 24 || entries > 0;
    const uint32_t channels = colour ? 3 : 1;
    std::vector<int32_t> planes[3];
    for (uint32_t c = 0; c < channels; ++c)
        if (!AllocateSamples(planes[c], width, height)) {
            SetLastError("error: cannot allocate memory");
            return false;
        }
    const bool rgbOrder = type == kTypeRgb;
    for (uint64_t y = 0; y < height; ++y) {
        const uint8_t* row = data.data() + y * rowBytes;
        for (uint64_t x = 0; x < width; ++x) {
            const uint64_t at = y * width + x;
            if (depth >= 24) {
                const uint8_t* p = row + x * (depth / 8) + (depth == 32 ? 1 : 0);
                planes[0][at] = rgbOrder ? p[0] : p[2];
                planes[1][at] = p[1];
                planes[2][at] = rgbOrder ? p[2] : p[0];
                continue;
            }
            const uint32_t index = depth == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            if (colour) {
                const uint32_t i = index < entries ? index : 0;
                planes[0][at] = map[i];
                planes[1][at] = map[entries + i];
                planes[2][at] = map[2 * entries + i];
            } else {
                // Without a map a set bit is black.
                planes[0][at] = depth == 1 ? static_cast<int32_t>(index ^ 1) : static_cast<int32_t>(index);
            }
        }
    }
    std::vector<J2kComponent> comps(channels);
    for (uint32_t c = 0; c < channels; ++c) {
        comps[c].width = width, comps[c].height = height;
        comps[c].hi = depth == 1 && !colour ? 1 : 255;
        comps[c].samples = planes[c].data();
    }
    return Present(comps, false);
}

bool RasterJ2K::EncodeRas(ByteStream* s, bool grey)
{
    const uint32_t w = GetWidth(), h = GetHeight(), depth = grey ? 8 : 24;
    const uint64_t rowBytes = (uint64_t{w} * depth + 15) / 16 * 2;
    uint8_t head[32] = {};
    StoreBe32(head, kRasMagic);
    StoreBe32(head + 4, w), StoreBe32(head + 8, h), StoreBe32(head + 12, depth);
    StoreBe32(head + 16, static_cast<uint32_t>(rowBytes * h)), StoreBe32(head + 20, kTypeStandard);
    StoreBe32(head + 24, kMapNone);
    std::vector<uint8_t> row(rowBytes, 0);
    bool ok = s->WriteExact(head, sizeof head);
    for (uint32_t top = 0; ok && top < h; ++top) {
        if (grey) {
            for (uint32_t x = 0; x < w; ++x) row[x] = GreyAt(x, top);
        } else {
            std::memcpy(row.data(), GetBits(h - 1 - top), uint64_t{w} * 3); // blue, green, red as stored
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
