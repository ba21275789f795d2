#include "image/ByteOrder.h"
#include "image/codecs/RasterBMP.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/Limits.h"

namespace vex {
namespace {

constexpr uint16_t kBmSignature = 0x4D42; // "BM"
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

int32_t DpiFromPelsPerMeter(int32_t ppm)
{
    return static_cast<int32_t>(std::floor(ppm * 0.0254 + 0.5));
}

// Reverses the row order of the pixel rows (top-down files).
void FlipRows(uint8_t* rows, uint32_t stride, uint32_t height)
{
    std::vector<uint8_t> tmp(stride);
    for (uint32_t y = 0; y < height / 2; ++y) {
        uint8_t* a = rows + uint64_t{y} * stride;
        uint8_t* b = rows + uint64_t{height - 1 - y} * stride;
        std::memcpy(tmp.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, tmp.data(), stride);
    }
}

std::unique_ptr<uint8_t[]> TryAllocate(uint64_t bytes)
{
    if (bytes > kMaxChunkBytes) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes ? bytes : 1]);
}

} // namespace

bool RasterBMP::ReadInfoHeader(ByteStream* stream, BitmapInfoHeader& h, bool& coreHeader)
{
    uint8_t raw[40] = {};
    // The size comes first so that tiny core-header files, shorter than a
    // 40-byte header, still read.
    if (!stream->ReadExact(raw, 4)) return false;
    const uint32_t size = Le32(raw);
    coreHeader = size == 12;
    if (coreHeader) {
        if (!stream->ReadExact(raw + 4, 8)) return false;
        h = BitmapInfoHeader{};
        h.size = 12;
        h.width = raw[4] | raw[5] << 8;
        h.height = raw[6] | raw[7] << 8;
        h.planes = static_cast<uint16_t>(raw[8] | raw[9] << 8);
        h.bitCount = static_cast<uint16_t>(raw[10] | raw[11] << 8);
    } else {
        if (size < 40 || !stream->ReadExact(raw + 4, 36)) return false;
        h = LoadInfoHeader(raw);
        if (size == 64) {
            if (!stream->Seek(24, 1)) return false;
        } else if (size != 40) {
            const auto rowBytes = RowStride(static_cast<uint32_t>(h.width), h.bitCount);
            const auto exact = rowBytes ? CheckedMul(*rowBytes, static_cast<uint32_t>(std::abs(int64_t{h.height})))
                                        : std::nullopt;
            if (h.planes != 1 || h.compression != 0 || h.clrUsed != 0 || !exact || *exact != h.sizeImage)
                return false;
            if (!stream->Seek(int64_t{size} - 40, 1)) return false;
        }
    }
    if (h.sizeImage == 0) {
        const auto rowBytes = RowStride(static_cast<uint32_t>(h.width), h.bitCount);
        const auto total = rowBytes ? CheckedMul(*rowBytes, static_cast<uint32_t>(std::abs(int64_t{h.height})))
                                    : std::nullopt;
        h.sizeImage = total && *total <= UINT32_MAX ? static_cast<uint32_t>(*total) : 0;
    }
    if (h.clrUsed == 0) h.clrUsed = h.bitCount <= 8 ? (1u << h.bitCount) : 0;
    return true;
}

bool RasterBMP::DecodeStream(ByteStream* stream)
{
    auto fail = [this](const char* message) {
        SetLastError(message);
        return false;
    };
    if (!stream) return fail("Not a BMP");

    const int64_t p0 = stream->Tell();
    uint8_t fileHeader[14];
    if (!stream->ReadExact(fileHeader, sizeof fileHeader)) return fail("Not a BMP");
    uint32_t pixelOffset = Le32(fileHeader + 10);
    if ((fileHeader[0] | fileHeader[1] << 8) != kBmSignature) {
        pixelOffset = 0;
        if (!stream->Seek(p0, 0)) return fail("Not a BMP");
    }

    BitmapInfoHeader h;
    bool coreHeader = false;
    if (!ReadInfoHeader(stream, h, coreHeader)) return fail("Error reading BMP info");

    const uint32_t compression = h.compression;
    const uint32_t bitCount = h.bitCount;
    const bool topDown = h.height < 0;
    const int64_t height = topDown ? -int64_t{h.height} : int64_t{h.height};
    if (!SideInRange(h.width) || !SideInRange(height)) return fail("Error reading BMP info");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return fail("BMP bit count not supported");

    // A file far too short for its uncompressed pixels is refused before
    // anything is allocated for them.
    if (compression == kBiRgb || compression == kBiBitfields) {
        const uint64_t w = static_cast<uint64_t>(h.width), rows = static_cast<uint64_t>(height);
        const uint64_t rowBytes = bitCount == 16 || bitCount == 32 ? BitfieldRowBytes(static_cast<uint32_t>(w), bitCount)
                                                                 : RowStride(w, bitCount).value_or(0);
        const uint64_t minBytes = rowBytes * (rows - 1) + (w * bitCount + 7) / 8;
        const int64_t size = stream->Size(), here = stream->Tell();
        if (size >= 0 && here >= 0 && static_cast<uint64_t>(size - here) < minBytes)
            return fail("BMP file is truncated");
    }

    if (!Create(static_cast<uint32_t>(h.width), static_cast<uint32_t>(height), bitCount, TypeBmp)) {
        const bool overCap = std::strcmp(GetLastError(), "RASTER_MAX_MEMORY exceeded") == 0;
        return fail(overCap ? "RASTER_MAX_MEMORY exceeded" : "Can't allocate memory");
    }
    MutableHeader().xPelsPerMeter = h.xPelsPerMeter;
    MutableHeader().yPelsPerMeter = h.yPelsPerMeter;
    MutableInfo().xDpi = DpiFromPelsPerMeter(h.xPelsPerMeter);
    MutableInfo().yDpi = DpiFromPelsPerMeter(h.yPelsPerMeter);
    SyncHeaderToBlock();

    if (GetEscape()) return fail("Cancelled");

    if (RgbQuad* pal = GetPalette()) {
        const uint32_t entries = GetNumColors();
        const uint32_t entryBytes = coreHeader ? 3 : 4;
        auto* raw = reinterpret_cast<uint8_t*>(pal);
        // A short palette is tolerated: the pixel offset may still find the
        // pixels, and the missing entries stay black.
        stream->Read(raw, 1, uint64_t{entries} * entryBytes);
        if (coreHeader) {
            for (int64_t i = entries - 1; i >= 0; --i) {
                const uint8_t b = raw[3 * i], g = raw[3 * i + 1], r = raw[3 * i + 2];
                pal[i] = RgbQuad{b, g, r, 0};
            }
        } else {
            for (uint32_t i = 0; i < entries; ++i) pal[i].reserved = 0;
        }
    }

    if (GetEscape()) return fail("Cancelled");

    auto seekPixels = [&]() { return pixelOffset == 0 || stream->Seek(p0 + pixelOffset, 0); };
    const uint32_t stride = GetEffWidth();
    const uint32_t rows = GetHeight();
    const uint64_t rowsBytes = uint64_t{stride} * rows;
    // Bytes that carry pixels: a missing pad at the end of the last row is harmless.
    auto enoughRead = [&](uint64_t got, uint64_t want, uint64_t rowPixelBytes, uint64_t rowStride) {
        return got >= want - (rowStride - rowPixelBytes);
    };

    switch (bitCount) {
    case 1:
    case 4:
    case 8: {
        if (compression == kBiRgb) {
            if (!seekPixels()) return fail("BMP file is truncated");
            const uint64_t got = stream->Read(GetBits(), 1, rowsBytes);
            const uint64_t pixelBytes = (uint64_t{GetWidth()} * bitCount + 7) / 8;
            if (!enoughRead(got, rowsBytes, pixelBytes, stride)) return fail("BMP file is truncated");
        } else if (compression == kBiRle8 && bitCount == 8) {
            if (!seekPixels()) return fail("BMP file is truncated");
            if (!DecodeRle8(stream)) return false;
        } else if (compression == kBiRle4 && bitCount == 4) {
            if (!seekPixels()) return fail("BMP file is truncated");
            if (!DecodeRle4(stream)) return false;
        } else {
            return fail("compression type not supported");
        }
        break;
    }
    case 16: {
        uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (compression == kBiBitfields) {
            uint8_t raw[12];
            if (!stream->ReadExact(raw, 12)) return fail("BMP file is truncated");
            for (int i = 0; i < 3; ++i) masks[i] = Le32(raw + 4 * i);
        } else if (compression != kBiRgb) {
            return fail("unknown compression");
        }
        if (!seekPixels()) return fail("BMP file is truncated");
        const uint64_t srcStride = BitfieldRowBytes(GetWidth(), 16);
        const uint64_t want = srcStride * rows;
        auto src = TryAllocate(want);
        if (!src) return fail("can't allocate memory");
        std::memset(src.get(), 0, want);
        const uint64_t got = stream->Read(src.get(), 1, want);
        if (!enoughRead(got, want, uint64_t{GetWidth()} * 2, srcStride)) return fail("BMP file is truncated");
        Bitfield2RGB(src.get(), masks[0], masks[1], masks[2], 16);
        break;
    }
    case 24: {
        if (compression != kBiRgb) return fail("unknown compression");
        if (!seekPixels()) return fail("BMP file is truncated");
        const uint64_t got = stream->Read(GetBits(), 1, rowsBytes);
        if (!enoughRead(got, rowsBytes, uint64_t{GetWidth()} * 3, stride)) return fail("BMP file is truncated");
        break;
    }
    case 32: {
        // Default masks put blue, green, red in the first three bytes of each
        // pixel; bit-field files say where their channels are.
        uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
        if (compression == kBiBitfields) {
            uint8_t raw[12];
            if (!stream->ReadExact(raw, 12)) return fail("BMP file is truncated");
            for (int i = 0; i < 3; ++i) masks[i] = Le32(raw + 4 * i);
        } else if (compression != kBiRgb) {
            return fail("unknown compression");
        }
        if (!seekPixels()) return fail("BMP file is truncated");
        const uint64_t want = BitfieldRowBytes(GetWidth(), 32) * rows;
        auto src = TryAllocate(want);
        if (!src) return fail("can't allocate memory");
        if (stream->Read(src.get(), 1, want) != want) return fail("BMP file is truncated");
        Bitfield2RGB(src.get(), masks[0], masks[1], masks[2], 32);
        break;
    }
    default: break;
    }

    if (topDown) FlipRows(GetBits(), stride, rows);
    return true;
}

bool RasterBMP::DecodeRle8(ByteStream* stream)
{
    const int64_t w = GetWidth(), h = GetHeight();
    int64_t x = 0, y = 0;
    while (y < h) {
        const int count = stream->GetC();
        if (count < 0) break; // the data ends: keep what was decoded
        if (count > 0) {
            const int value = stream->GetC();
            if (value < 0) break;
            for (int i = 0; i < count; ++i, ++x)
                if (x < w) SetPixelIndex(x, y, static_cast<uint8_t>(value));
            continue;
        }
        const int code = stream->GetC();
        if (code < 0 || code == 1) break;
        if (code == 0) {
            x = 0;
            ++y;
            if (GetEscape()) {
                SetLastError("Cancelled");
                return false;
            }
        } else if (code == 2) {
            const int dx = stream->GetC(), dy = stream->GetC();
            if (dx < 0 || dy < 0) break;
            x += dx;
            y += dy;
        } else {
            for (int i = 0; i < code; ++i, ++x) {
                const int v = stream->GetC();
                if (v < 0) return true;
                if (x < w) SetPixelIndex(x, y, static_cast<uint8_t>(v));
            }
            if (code & 1) stream->GetC();
        }
    }
    return true;
}

bool RasterBMP::DecodeRle4(ByteStream* stream)
{
    // Every run starts with the high nibble of its first byte, wherever it
    // lands in the row; x counts pixels.
    const int64_t w = GetWidth(), h = GetHeight();
    int64_t x = 0, y = 0;
    auto put = [&](uint8_t nibble) {
        if (x < w) SetPixelIndex(x, y, nibble);
        ++x;
    };
    while (y < h) {
        const int count = stream->GetC();
        if (count < 0) break;
        if (count > 0) {
            const int value = stream->GetC();
            if (value < 0) break;
            for (int i = 0; i < count; ++i) put(static_cast<uint8_t>((i & 1) ? (value & 0x0F) : (value >> 4)));
            continue;
        }
        const int code = stream->GetC();
        if (code < 0 || code == 1) break;
        if (code == 0) {
            x = 0;
            ++y;
            if (GetEscape()) {
                SetLastError("Cancelled");
                return false;
            }
        } else if (code == 2) {
            const int dx = stream->GetC(), dy = stream->GetC();
            if (dx < 0 || dy < 0) break;
            x += dx;
            y += dy;
        } else {
            const int bytes = (code + 1) / 2;
            int value = 0;
            for (int i = 0; i < code; ++i) {
                if ((i & 1) == 0) {
                    value = stream->GetC();
                    if (value < 0) return true;
                }
                put(static_cast<uint8_t>((i & 1) ? (value & 0x0F) : (value >> 4)));
            }
            if (bytes & 1) stream->GetC();
        }
    }
    return true;
}

bool RasterBMP::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    SyncHeaderToBlock();
    const uint64_t blockSize = GetSize();
    const uint32_t offset = kInfoHeaderSize + 14 + GetPaletteSize();
    uint8_t fileHeader[14] = {'B', 'M'};
    const uint64_t fileSize = blockSize + 14;
    for (int i = 0; i < 4; ++i) {
        fileHeader[2 + i] = static_cast<uint8_t>(fileSize >> (8 * i));
        fileHeader[10 + i] = static_cast<uint8_t>(offset >> (8 * i));
    }
    if (!stream->WriteExact(fileHeader, sizeof fileHeader) || !stream->WriteExact(GetDIB(), blockSize)) {
        SetLastError("Error writing the image data");
        return false;
    }
    return true;
}

} // namespace vex
