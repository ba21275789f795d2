#include "image/codecs/RasterTGA.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/Limits.h"

namespace vex {
namespace {

struct TgaHeader {
    uint8_t idLength, mapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapEntryBits;
    uint16_t width, height;
    uint8_t pixelBits, descriptor;
};

TgaHeader ParseHeader(const uint8_t* p)
{
    auto u16 = [&](int at) { return static_cast<uint16_t>(p[at] | p[at + 1] << 8); };
    return TgaHeader{p[0], p[1], p[2], u16(3), u16(5), p[7], u16(12), u16(14), p[16], p[17]};
}

// One pixel of the file (1 to 4 bytes) as blue, green, red, alpha.
RgbQuad PixelColor(const uint8_t* p, int bytes)
{
    switch (bytes) {
    case 2: {
        const uint16_t v = static_cast<uint16_t>(p[0] | p[1] << 8);
        return RgbQuad{uint8_t((v & 0x1F) * 8), uint8_t(((v >> 5) & 0x1F) * 8), uint8_t(((v >> 10) & 0x1F) * 8), 255};
    }
    case 3: return RgbQuad{p[0], p[1], p[2], 255};
    case 4: return RgbQuad{p[0], p[1], p[2], p[3]};
    default: return RgbQuad{p[0], p[0], p[0], 255};
    }
}

// Run-length packets may run across rows: the packet state carries over.
struct PacketState {
    int left = 0;
    bool repeat = false;
    uint8_t value[4] = {};
};

bool ReadRow(ByteStream* stream, uint8_t* row, uint32_t width, int bytes, bool rle, PacketState& state)
{
    if (!rle) return stream->ReadExact(row, uint64_t{width} * bytes);
    for (uint32_t x = 0; x < width;) {
        if (state.left == 0) {
            const int head = stream->GetC();
            if (head < 0) return false;
            state.left = (head & 0x7F) + 1;
            state.repeat = head & 0x80;
            if (state.repeat && !stream->ReadExact(state.value, bytes)) return false;
        }
        const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(state.left), width - x);
        if (state.repeat) {
            for (uint32_t i = 0; i < n; ++i) std::memcpy(row + uint64_t{x + i} * bytes, state.value, bytes);
        } else if (!stream->ReadExact(row + uint64_t{x} * bytes, uint64_t{n} * bytes)) {
            return false;
        }
        x += n;
        state.left -= static_cast<int>(n);
    }
    return true;
}

} // namespace

bool RasterTGA::DecodeStream(ByteStream* stream)
{
    auto fail = [this](const char* message) {
        SetLastError(message);
        return false;
    };
    uint8_t raw[18];
    if (!stream || !stream->ReadExact(raw, sizeof raw)) return fail("Not a TGA");
    const TgaHeader h = ParseHeader(raw);
    const uint8_t baseType = h.imageType & 7;
    if (h.imageType != 1 && h.imageType != 2 && h.imageType != 3 && h.imageType != 9 && h.imageType != 10 &&
        h.imageType != 11)
        return fail("Unknown TGA image type");
    const uint8_t bits = h.pixelBits;
    if (h.width == 0 || h.height == 0 || bits == 0 || h.mapLength > 256 ||
        (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32))
        return fail("bad TGA header");
    // Colour-mapped pixels are indices; an index wider than a byte cannot be held.
    if (baseType == 1 && bits != 8) return fail("bad TGA header");
    if (h.idLength && !stream->Seek(h.idLength, 1)) return fail("corrupted TGA");

    // 16-bit grey pixels are a grey byte and an alpha byte, not 5-5-5 colour;
    // 16-bit colour keeps its top bit as alpha when the descriptor says so.
    const bool greyAlpha = baseType == 3 && bits == 16;
    const bool alphaBit = baseType == 2 && bits == 16 && (h.descriptor & 0x0F) == 1;
    const uint32_t depth = bits == 8 || greyAlpha ? 8 : 24;
    if (!Create(h.width, h.height, depth, TypeTga)) return fail("TGA Create failed");
    if ((bits == 32 || greyAlpha || alphaBit) && !AlphaCreate()) return fail("TGA Create failed");
    if (GetEscape()) return fail("Cancelled");

    if (h.mapType == 1) {
        // Entries are read by their own size, whatever the pixels are.
        const int entryBytes = (h.mapEntryBits + 7) / 8;
        if (entryBytes < 2 || entryBytes > 4) return fail("bad TGA header");
        std::vector<uint8_t> map(static_cast<size_t>(h.mapLength) * entryBytes);
        if (!stream->ReadExact(map.data(), map.size())) return fail("corrupted TGA");
        // 32-bit entries carry alpha; a map whose alpha bytes are all 0 or all
        // 255 carries none.
        bool someClear = false, someOpaque = false;
        for (uint32_t i = 0; entryBytes == 4 && i < h.mapLength; ++i) {
            const uint8_t a = map[uint64_t{i} * 4 + 3];
            someClear = someClear || a < 255;
            someOpaque = someOpaque || a > 0;
        }
        const bool mapAlpha = someClear && someOpaque;
        for (uint32_t i = 0; baseType == 1 && i < h.mapLength && h.mapFirst + i < 256; ++i) {
            RgbQuad c = PixelColor(map.data() + uint64_t{i} * entryBytes, entryBytes);
            if (!mapAlpha) c.reserved = 0;
            SetPaletteColor(static_cast<uint8_t>(h.mapFirst + i), c);
        }
        if (mapAlpha && baseType == 1) AlphaPaletteEnable(true);
    }
    if (baseType == 3) SetGrayPalette();

    const int bytes = (bits + 7) / 8;
    const bool rle = h.imageType & 8;
    const bool topDown = h.descriptor & 0x20;
    std::vector<uint8_t> row(uint64_t{h.width} * bytes);
    PacketState state;
    uint8_t* alpha = AlphaGetPointer();
    for (uint32_t fileRow = 0; fileRow < h.height; ++fileRow) {
        if (GetEscape()) return fail("Cancelled");
        if (!ReadRow(stream, row.data(), h.width, bytes, rle, state)) return fail("corrupted TGA");
        const uint32_t y = topDown ? h.height - 1 - fileRow : fileRow;
        uint8_t* dst = GetBits(y);
        if (greyAlpha) {
            for (uint32_t x = 0; x < h.width; ++x) {
                dst[x] = row[2 * uint64_t{x}];
                alpha[uint64_t{y} * h.width + x] = row[2 * uint64_t{x} + 1];
            }
            continue;
        }
        if (depth == 8) {
            std::memcpy(dst, row.data(), h.width);
            continue;
        }
        for (uint32_t x = 0; x < h.width; ++x) {
            const RgbQuad c = PixelColor(row.data() + uint64_t{x} * bytes, bytes);
            dst[3 * x] = c.blue;
            dst[3 * x + 1] = c.green;
            dst[3 * x + 2] = c.red;
            if (alphaBit) alpha[uint64_t{y} * h.width + x] = (row[uint64_t{x} * 2 + 1] & 0x80) ? 255 : 0;
            else if (alpha) alpha[uint64_t{y} * h.width + x] = c.reserved;
        }
    }
    if ((h.descriptor & 0x10) && !Mirror()) return fail("TGA Create failed");
    return true;
}

bool RasterTGA::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    if (GetBpp() < 8) {
        SetLastError("Bit depth must be 8 or 24");
        return false;
    }
    if (GetWidth() > 65535 || GetHeight() > 65535) {
        SetLastError("TGA sides are limited to 65535 pixels");
        return false;
    }
    // An alpha plane or palette alpha on a palette image survives as 32-bit colour.
    const bool alpha = AlphaIsValid() || (IsAlphaPaletteEnabled() && AlphaPaletteIsValid());
    const bool paletted = GetBpp() == 8 && !alpha;
    uint8_t head[18] = {};
    head[1] = paletted ? 1 : 0;
    head[2] = paletted ? 1 : 2;
    if (paletted) {
        head[5] = 0; // 256 entries
        head[6] = 1;
        head[7] = 24;
    }
    head[12] = static_cast<uint8_t>(GetWidth());
    head[13] = static_cast<uint8_t>(GetWidth() >> 8);
    head[14] = static_cast<uint8_t>(GetHeight());
    head[15] = static_cast<uint8_t>(GetHeight() >> 8);
    head[16] = paletted ? 8 : alpha ? 32 : 24;
    head[17] = alpha ? 8 : 0; // eight alpha bits
    bool ok = stream->WriteExact(head, sizeof head);
    if (paletted) {
        uint8_t map[256 * 3];
        for (int i = 0; i < 256; ++i) {
            const RgbQuad c = GetPaletteColor(static_cast<uint8_t>(i));
            map[3 * i] = c.blue;
            map[3 * i + 1] = c.green;
            map[3 * i + 2] = c.red;
        }
        ok = ok && stream->WriteExact(map, sizeof map);
    }
    const uint32_t w = GetWidth();
    std::vector<uint8_t> row(uint64_t{w} * 4);
    const uint8_t alphaMax = GetAlphaMax();
    for (uint32_t y = 0; ok && y < GetHeight(); ++y) {
        const uint8_t* src = GetBits(y);
        if (!alpha) {
            ok = stream->WriteExact(src, uint64_t{w} * (paletted ? 1 : 3));
            continue;
        }
        for (uint32_t x = 0; x < w; ++x) {
            const RgbQuad c = GetPixelColor(x, y);
            row[4 * uint64_t{x}] = c.blue;
            row[4 * uint64_t{x} + 1] = c.green;
            row[4 * uint64_t{x} + 2] = c.red;
            const uint8_t a = AlphaIsValid() ? AlphaGet(x, y) : c.reserved;
            row[4 * uint64_t{x} + 3] = static_cast<uint8_t>(a * alphaMax / 255);
        }
        ok = stream->WriteExact(row.data(), uint64_t{w} * 4);
    }
    if (!ok || stream->Error() > 0) {
        SetLastError("Error writing TGA file");
        return false;
    }
    return true;
}

} // namespace vex
