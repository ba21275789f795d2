// Reading one image of an icon or cursor directory.

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/ByteOrder.h"
#include "image/Limits.h"
#include "image/codecs/IconPng.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

constexpr const char* kWrongFormat = "Decode: Unknown or wrong format";

uint32_t EntrySide(uint8_t stored) { return stored == 0 ? kIconLargestSide : stored; }

uint64_t MaskStride(uint32_t width) { return (uint64_t{width} + 31) / 32 * 4; }

bool MaskBit(const std::vector<uint8_t>& mask, uint32_t width, uint32_t x, uint32_t y)
{
    return (mask[y * MaskStride(width) + x / 8] >> (7 - (x & 7))) & 1;
}

} // namespace

bool RasterICO::Fail(const char* message)
{
    SetLastError(message);
    return false;
}

bool RasterICO::ReadDirectory(ByteStream* stream, uint16_t& dirType, std::vector<IconDirEntry>& entries)
{
    uint8_t head[kIconDirHeaderSize];
    if (!stream || !stream->ReadExact(head, sizeof head) || Le16(head) != 0) return false;
    dirType = Le16(head + 2);
    if (dirType != kIconDirIcon && dirType != kIconDirCursor) return false;
    const uint16_t count = Le16(head + 4);
    entries.clear();
    entries.reserve(count);
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t raw[kIconDirEntrySize];
        if (!stream->ReadExact(raw, sizeof raw)) return false;
        IconDirEntry e;
        e.width = raw[0];
        e.height = raw[1];
        e.colorCount = raw[2];
        e.reserved = raw[3];
        e.planesOrHotspotX = Le16(raw + 4);
        e.bitCountOrHotspotY = Le16(raw + 6);
        e.bytesInRes = Le32(raw + 8);
        e.imageOffset = Le32(raw + 12);
        entries.push_back(e);
    }
    return true;
}

bool RasterICO::DecodeStream(ByteStream* stream)
{
    if (!stream) return Fail(kWrongFormat);
    const int64_t p0 = stream->Tell();
    uint8_t head[kIconDirHeaderSize];
    if (!stream->ReadExact(head, sizeof head) || Le16(head) != 0 || Le16(head + 2) != dirType_)
        return Fail(kWrongFormat);
    const uint16_t count = Le16(head + 4);
    SetNumFrames(count);
    const int32_t frame = GetFrame();
    if (frame < 0 || frame >= count) return Fail("No image with this index in the file");

    // Only the entry asked for is needed; it follows frame entries of 16 bytes.
    uint16_t type = 0;
    std::vector<IconDirEntry> entries;
    if (!stream->Seek(p0, 0) || !ReadDirectory(stream, type, entries)) return Fail("The icon directory is truncated");
    const IconDirEntry& entry = entries[static_cast<size_t>(frame)];
    if (!DecodeEntry(stream, p0, entry)) return false;
    SetNumFrames(count);
    SetFrame(frame);
    if (dirType_ == kIconDirCursor) SetHotspot(entry.planesOrHotspotX, entry.bitCountOrHotspotY);
    return true;
}

bool RasterICO::DecodeEntry(ByteStream* stream, int64_t p0, const IconDirEntry& entry)
{
    const int64_t size = stream->Size();
    if (size >= 0 && p0 + int64_t{entry.imageOffset} >= size) return Fail("Icon image offset is past the end of the file");
    if (!stream->Seek(p0 + int64_t{entry.imageOffset}, 0)) return Fail("Icon image offset is past the end of the file");
    uint8_t raw[kInfoHeaderSize];
    if (!stream->ReadExact(raw, 8)) return Fail("Icon image header is truncated");
    if (std::memcmp(raw, kPngSignature, sizeof kPngSignature) == 0) return DecodePngEntry(stream, p0, entry);
    if (!stream->ReadExact(raw + 8, kInfoHeaderSize - 8)) return Fail("Icon image header is truncated");
    const BitmapInfoHeader h = LoadInfoHeader(raw);
    const uint32_t bitCount = h.bitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return Fail("Icon bit count not supported");
    // A larger header (V4/V5) keeps its palette and pixels after its full size.
    if (h.size > kInfoHeaderSize && h.size < 1024 && !stream->Seek(int64_t{h.size} - kInfoHeaderSize, 1))
        return Fail("Icon image header is truncated");

    uint32_t width = EntrySide(entry.width), height = EntrySide(entry.height);
    // Where the directory and the image's own header disagree, the header
    // describes the pixels that follow (and is what Windows draws from).
    const int64_t headWidth = h.width, headHeight = h.height / 2;
    if ((headWidth != width || headHeight != height) && headWidth >= 1 && headWidth <= kIconLargestSide &&
        headHeight >= 1 && headHeight <= kIconLargestSide && h.height % 2 == 0) {
        width = static_cast<uint32_t>(headWidth);
        height = static_cast<uint32_t>(headHeight);
    }
    if (!Create(width, height, bitCount, CodecType())) return false;
    std::vector<uint8_t> mask;
    const bool pixelsHaveAlpha = bitCount == 32;
    if (!ReadBitmapPlanes(stream, bitCount, mask)) return false;
    if (!mask.empty()) ApplyMask(mask, pixelsHaveAlpha);
    return true;
}

bool RasterICO::ReadBitmapPlanes(ByteStream* stream, uint32_t bitCount, std::vector<uint8_t>& mask)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    if (RgbQuad* pal = GetPalette()) {
        if (!stream->ReadExact(pal, GetPaletteSize())) return Fail("Icon palette is truncated");
        // The fourth byte is reserved in this format; stray values must not
        // read as palette alpha.
        for (uint32_t i = 0; i < GetNumColors(); ++i) pal[i].reserved = 0;
    }
    if (bitCount == 32) {
        const uint64_t rowBytes = uint64_t{w} * 4;
        std::vector<uint8_t> row(rowBytes);
        if (!AlphaCreate()) return Fail("Can't allocate memory");
        for (uint32_t y = 0; y < h; ++y) {
            if (!stream->ReadExact(row.data(), rowBytes)) return Fail("Icon pixels are truncated");
            uint8_t* dst = GetBits(y);
            for (uint32_t x = 0; x < w; ++x) {
                std::memcpy(dst + uint64_t{x} * 3, &row[uint64_t{x} * 4], 3);
                AlphaSet(x, y, row[uint64_t{x} * 4 + 3]);
            }
        }
    } else if (!stream->ReadExact(GetBits(), uint64_t{GetEffWidth()} * h)) {
        return Fail("Icon pixels are truncated");
    }
    // A missing mask leaves the pixels without transparency.
    mask.resize(MaskStride(w) * h);
    if (!stream->ReadExact(mask.data(), mask.size())) mask.clear();
    return true;
}

void RasterICO::ApplyMask(const std::vector<uint8_t>& mask, bool fromAlphaPixels)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    if (fromAlphaPixels) {
        // Alpha written by the image is kept; the mask only stands in when
        // every alpha byte is zero (an old 32 bpp icon without real alpha).
        const uint8_t* a = AlphaGetPointer();
        const uint64_t n = uint64_t{w} * h;
        if (std::all_of(a, a + n, [](uint8_t v) { return v == 0; })) {
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x) AlphaSet(x, y, MaskBit(mask, w, x, y) ? 0 : 255);
        }
        if (!std::all_of(a, a + n, [](uint8_t v) { return v == 0 || v == 255; })) return;
    } else if (std::all_of(mask.begin(), mask.end(), [](uint8_t b) { return b == 0xFF; })) {
        // Every pixel masked: the colour plane is the XOR plane of an
        // inverting icon; black shows the background, white inverts it.
        const RgbQuad black{}, white{255, 255, 255, 0};
        int64_t blackX = -1, blackY = -1;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const RgbQuad c = GetPixelColor(x, y);
                if (c == black) {
                    SetPixelColor(x, y, white);
                    blackX = x;
                    blackY = y;
                } else if (c == white) {
                    SetPixelColor(x, y, black);
                }
            }
        SetTransColor(black);
        SetTransIndex(GetNumColors() && blackX >= 0 ? GetPixelIndex(blackX, blackY) : 0);
        return;
    } else {
        bool anyMasked = false;
        if (!AlphaCreate()) return;
        AlphaSet(uint8_t{255});
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                if (MaskBit(mask, w, x, y)) {
                    AlphaSet(x, y, 0);
                    anyMasked = true;
                }
        if (!anyMasked) {
            AlphaDelete();
            return;
        }
    }

    if (GetBpp() == 24) {
        // A colour key replaces the plane only when it says the same thing:
        // every transparent pixel has one colour and no visible pixel has it.
        bool first = true, same = true;
        RgbQuad key{};
        for (uint32_t y = 0; y < h && same; ++y)
            for (uint32_t x = 0; x < w && same; ++x) {
                if (AlphaGet(x, y) != 0) continue;
                const RgbQuad c = GetPixelColor(x, y);
                if (first) key = c;
                same = first || c == key;
                first = false;
            }
        if (first || !same) return;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                if (AlphaGet(x, y) == 0) continue;
                RgbQuad c = GetPixelColor(x, y);
                c.reserved = 0;
                if (c == key) return;
            }
        key.reserved = 0;
        SetTransIndex(0);
        SetTransColor(key);
        AlphaDelete();
        return;
    }

    // Paletted: the lowest unused index becomes the transparent one.
    std::vector<bool> used(GetNumColors(), false);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) used[GetPixelIndex(x, y)] = true;
    const auto unused = std::find(used.begin(), used.end(), false);
    if (unused == used.end()) return;
    const auto index = static_cast<uint8_t>(unused - used.begin());
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if (AlphaGet(x, y) == 0) SetPixelIndex(x, y, index);
    SetTransIndex(index);
    AlphaDelete();
}

bool RasterICO::DecodePngEntry(ByteStream* stream, int64_t p0, const IconDirEntry& entry)
{
    const int64_t size = stream->Size();
    const int64_t start = p0 + int64_t{entry.imageOffset};
    // The entry's byte count is not trusted beyond the end of the stream.
    uint64_t bytes = entry.bytesInRes;
    if (size >= 0) bytes = std::min<uint64_t>(bytes, static_cast<uint64_t>(size - start));
    if (bytes < sizeof kPngSignature || bytes > kMaxChunkBytes) return Fail("Icon PNG image is truncated");
    std::vector<uint8_t> data(bytes);
    if (!stream->Seek(start, 0) || !stream->ReadExact(data.data(), data.size())) return Fail("Icon PNG image is truncated");
    Raster png;
    if (!vex::DecodePngEntry(data.data(), data.size(), png)) return Fail(png.GetLastError());
    Transfer(png);
    SetType(CodecType());
    return true;
}

} // namespace vex
