#include "image/ByteOrder.h"
#include "image/codecs/RasterPCX.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/Limits.h"

namespace vex {
namespace {

constexpr int kHeaderSize = 128;
constexpr uint8_t kPaletteMarker = 12;

uint32_t Luminance(RgbQuad c)
{
    return (117u * c.blue + 601u * c.green + 306u * c.red) >> 10;
}

// Run-length bytes: runs of equal bytes of at most 63; a lone byte below 0xC0 as itself.
void PutRuns(std::vector<uint8_t>& out, const uint8_t* bytes, size_t n)
{
    for (size_t i = 0; i < n;) {
        size_t run = 1;
        while (i + run < n && run < 63 && bytes[i + run] == bytes[i]) ++run;
        if (run > 1 || bytes[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(bytes[i]);
        i += run;
    }
}

} // namespace

bool RasterPCX::DecodeStream(ByteStream* stream)
{
    auto fail = [this](const char* message) {
        SetLastError(message);
        return false;
    };
    uint8_t h[kHeaderSize];
    if (!stream || !stream->ReadExact(h, sizeof h)) return fail("Can't read PCX image");
    if (h[0] != 10) return fail("Error: Not a PCX file");
    if (h[2] != 1) return fail("PCX file has unknown encoding scheme");
    const int bits = h[3];
    const int planes = h[65];
    const int64_t width = int64_t{Le16(h + 8)} - Le16(h + 4) + 1;
    const int64_t height = int64_t{Le16(h + 10)} - Le16(h + 6) + 1;
    if (planes > 4) return fail("Can't handle image with more than 4 planes");
    if (planes < 1 || (bits != 1 && bits != 2 && bits != 4 && bits != 8)) return fail("Error: Not a PCX file");
    if (planes > 1 && bits != 1 && bits != 8) return fail("Can't handle packed pixels with more than 1 plane.");
    if (planes > 1 && bits == 8 && planes < 3) return fail("Can't handle more than 1 bit per pixel");
    if (!SideInRange(width) || !SideInRange(height)) return fail("Error: Not a PCX file");
    // A line must hold its pixels, whatever the header says.
    const uint64_t bytesPerLine = Le16(h + 66);
    if (bytesPerLine < (uint64_t(width) * bits + 7) / 8) return fail("Error: Not a PCX file");

    const bool rgb = bits == 8 && planes >= 3;
    const uint32_t depth = rgb ? 24 : planes > 1 ? 4 : static_cast<uint32_t>(bits);
    if (!Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height), depth, TypePcx))
        return fail(GetLastError());
    if (rgb && planes == 4 && !AlphaCreate()) return fail("Can't allocate memory");
    SetXDPI(Le16(h + 12));
    SetYDPI(Le16(h + 14));
    if (GetEscape()) return fail("Cancelled");

    const auto lineBytes = CheckedMul(bytesPerLine, static_cast<uint64_t>(planes));
    const auto total = lineBytes ? BlockSize(*lineBytes, static_cast<uint64_t>(height)) : std::nullopt;
    if (!total) return fail("RASTER_MAX_MEMORY exceeded");
    const int64_t available = stream->Size() - stream->Tell();
    // Each encoded byte gives at most 63 decoded ones.
    if (available >= 0 && static_cast<uint64_t>(available) * 63 < *total) return fail("corrupted PCX");
    std::vector<uint8_t> data(*total);
    for (uint64_t at = 0; at < *total;) {
        const int b = stream->GetC();
        if (b < 0) return fail("corrupted PCX");
        if (b < 0xC0) {
            data[at++] = static_cast<uint8_t>(b);
            continue;
        }
        const uint64_t count = b & 0x3F;
        const int value = stream->GetC();
        if (value < 0) return fail("corrupted PCX");
        if (count > *total - at) return fail("repeat count spans end of image");
        std::memset(data.data() + at, value, count);
        at += count;
    }

    if (depth <= 8) {
        for (int i = 0; i < 16 && i < static_cast<int>(GetNumColors()); ++i)
            SetPaletteColor(static_cast<uint8_t>(i), h[16 + 3 * i], h[17 + 3 * i], h[18 + 3 * i]);
        if (bits == 8) {
            uint8_t palette[1 + 768];
            bool found = stream->ReadExact(palette, sizeof palette) && palette[0] == kPaletteMarker;
            // Some writers pad the data; the palette then ends the file.
            if (!found && stream->Seek(-769, 2)) found = stream->ReadExact(palette, sizeof palette) && palette[0] == kPaletteMarker;
            if (!found) return fail("bad color map signature");
            SetPaletteRgbTriplets(256, palette + 1);
        } else if (bits == 1 && planes == 1) {
            SetPaletteColor(0, 0, 0, 0);
            SetPaletteColor(1, 255, 255, 255);
        }
    }

    uint8_t* alpha = AlphaGetPointer();
    const uint32_t w = GetWidth(), ht = GetHeight();
    for (uint32_t row = 0; row < ht; ++row) {
        if (GetEscape()) return fail("Cancelled");
        const uint8_t* line = data.data() + uint64_t{row} * *lineBytes;
        const uint32_t y = ht - 1 - row;
        uint8_t* dst = GetBits(y);
        if (rgb) {
            for (uint32_t x = 0; x < w; ++x) {
                dst[3 * x + 2] = line[x];
                dst[3 * x + 1] = line[bytesPerLine + x];
                dst[3 * x] = line[2 * bytesPerLine + x];
                if (alpha) alpha[uint64_t{y} * w + x] = line[3 * bytesPerLine + x];
            }
        } else if (planes == 1) {
            for (uint32_t x = 0; x < w; ++x) {
                const uint64_t bit = uint64_t{x} * bits;
                const uint8_t v = static_cast<uint8_t>((line[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1));
                SetPixelIndex(x, y, v);
            }
        } else {
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t v = 0;
                for (int p = 0; p < planes; ++p)
                    v = static_cast<uint8_t>(v | ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p);
                SetPixelIndex(x, y, v);
            }
        }
    }
    return true;
}

bool RasterPCX::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    const uint32_t w = GetWidth(), ht = GetHeight(), depth = GetBpp();
    if (w > 65535 || ht > 65535) {
        SetLastError("PCX sides are limited to 65535 pixels");
        return false;
    }
    const bool bitPlanes = depth < 8;
    const int planes = depth == 24 ? (AlphaIsValid() ? 4 : 3) : depth == 4 ? 4 : 1;
    uint32_t bytesPerLine = bitPlanes ? (w + 7) / 8 : w;
    bytesPerLine += bytesPerLine & 1;

    uint8_t h[kHeaderSize] = {};
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = bitPlanes ? 1 : 8;
    auto put16 = [&](int at, uint32_t v) {
        h[at] = static_cast<uint8_t>(v);
        h[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    put16(8, w - 1);
    put16(10, ht - 1);
    put16(12, static_cast<uint32_t>(std::clamp(GetXDPI(), 0, 65535)));
    put16(14, static_cast<uint32_t>(std::clamp(GetYDPI(), 0, 65535)));
    const bool invert = depth == 1 && Luminance(GetPaletteColor(0)) > Luminance(GetPaletteColor(1));
    if (depth == 1) {
        std::memset(h + 19, 255, 3); // black, white
    } else if (depth == 4) {
        for (int i = 0; i < 16; ++i) {
            const RgbQuad c = GetPaletteColor(static_cast<uint8_t>(i));
            h[16 + 3 * i] = c.red;
            h[17 + 3 * i] = c.green;
            h[18 + 3 * i] = c.blue;
        }
    }
    h[65] = static_cast<uint8_t>(planes);
    put16(66, bytesPerLine);
    put16(68, 1);

    std::vector<uint8_t> out(h, h + kHeaderSize);
    std::vector<uint8_t> line(bytesPerLine);
    for (uint32_t row = 0; row < ht; ++row) {
        if (GetEscape()) {
            SetLastError("Cancelled");
            return false;
        }
        const uint32_t y = ht - 1 - row;
        const uint8_t* src = GetBits(y);
        for (int p = 0; p < planes; ++p) {
            std::fill(line.begin(), line.end(), 0);
            for (uint32_t x = 0; x < w; ++x) {
                if (depth == 24) line[x] = p == 3 ? AlphaGet(x, y) : src[3 * x + 2 - p];
                else if (depth == 8) line[x] = src[x];
                else {
                    uint8_t index = GetPixelIndex(x, y);
                    if (invert) index ^= 1;
                    if ((index >> p) & 1) line[x / 8] = static_cast<uint8_t>(line[x / 8] | 0x80 >> (x % 8));
                }
            }
            if (bitPlanes) {
                PutRuns(out, line.data(), bytesPerLine);
            } else {
                PutRuns(out, line.data(), w);
                if (w & 1) out.push_back(0);
            }
        }
    }
    if (depth == 8) {
        out.push_back(kPaletteMarker);
        for (int i = 0; i < 256; ++i) {
            const RgbQuad c = GetPaletteColor(static_cast<uint8_t>(i));
            out.insert(out.end(), {c.red, c.green, c.blue});
        }
    }
    // The whole file is built first, then copied to the stream.
    MemoryStream memory;
    if (!memory.WriteExact(out.data(), kHeaderSize)) {
        SetLastError("cannot write PCX header");
        return false;
    }
    if (!memory.WriteExact(out.data() + kHeaderSize, out.size() - kHeaderSize) ||
        !stream->WriteExact(memory.GetBuffer(), static_cast<size_t>(memory.Size())) || stream->Error() > 0) {
        SetLastError("Error writing PCX file");
        return false;
    }
    return true;
}

} // namespace vex
