// The direct TIFF reader: palettes, strips and tiles (clipped at the image
// edges) copied row by row from the top, then the orientation tag.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "image/Limits.h"
#include "image/codecs/RasterTIF.h"
#include "image/codecs/TiffClient.h"
#include "image/codecs/TiffTone.h"

namespace vex {
namespace {

std::unique_ptr<uint8_t[]> TryBuffer(uint64_t bytes)
{
    if (bytes == 0 || bytes > RasterMemoryLimit()) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]()); // zeroed: decoders may skip bytes
}

} // namespace

bool RasterTIF::SetPagePalette(TIFF* tif, uint32_t bits, uint32_t photometric)
{
    const uint32_t colours = GetNumColors();
    if (colours == 0) return true;
    if (photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue) {
            SetLastError("Unable to allocate TIFF palette");
            return false;
        }
        // The map has 2^bits entries; never more than the image holds.
        const uint32_t n = std::min<uint32_t>(colours, bits >= 16 ? 65536 : 1u << bits);
        bool wide = false;
        for (uint32_t i = 0; i < n; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
        const auto scale = [&](uint16_t v) { return static_cast<uint8_t>(wide ? v * 255u / 65535u : v); };
        for (uint32_t i = 0; i < n; ++i) SetPaletteColor(uint8_t(i), scale(red[i]), scale(green[i]), scale(blue[i]));
        return true;
    }
    const bool inverted = photometric == PHOTOMETRIC_MINISWHITE;
    if (colours == 2) {
        SetPaletteColor(inverted ? 1 : 0, 0, 0, 0);
        SetPaletteColor(inverted ? 0 : 1, 255, 255, 255);
        return true;
    }
    const uint32_t step = 255 / (colours - 1);
    for (uint32_t i = 0; i < colours; ++i) {
        const auto v = static_cast<uint8_t>(inverted ? 255 - i * step : i * step);
        SetPaletteColor(uint8_t(i), v, v, v);
    }
    return true;
}

void RasterTIF::CopyRow(uint32_t top, const uint8_t* src, uint32_t bits, uint32_t samples, uint32_t photometric,
                        bool associated)
{
    const uint32_t w = GetWidth();
    const uint32_t row = GetHeight() - 1 - top;
    uint8_t* dst = GetBits(row);
    uint8_t* alpha = AlphaIsValid() ? AlphaGetPointer() + uint64_t{row} * w : nullptr;
    if (photometric == PHOTOMETRIC_CIELAB) {
        for (uint32_t x = 0; x < w; ++x, src += samples, dst += 3) {
            const RgbQuad c = LabToRgb(src[0], static_cast<int8_t>(src[1]), static_cast<int8_t>(src[2]));
            dst[0] = c.blue, dst[1] = c.green, dst[2] = c.red;
            if (alpha && samples == 4) alpha[x] = src[3];
        }
    } else if (samples == 4) { // 8-bit red, green, blue, alpha
        for (uint32_t x = 0; x < w; ++x, src += 4, dst += 3) {
            const uint8_t a = src[3];
            const bool straighten = associated && a < 255;
            dst[0] = straighten ? Unpremultiply(src[2], a) : src[2];
            dst[1] = straighten ? Unpremultiply(src[1], a) : src[1];
            dst[2] = straighten ? Unpremultiply(src[0], a) : src[0];
            if (alpha) alpha[x] = a;
        }
    } else if (samples == 2) {
        for (uint32_t x = 0; x < w; ++x, src += 2) {
            dst[x] = src[0];
            if (alpha) alpha[x] = src[1];
        }
    } else if (bits == 12) { // two pixels in three bytes; the high eight bits are kept
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = src + uint64_t{x / 2} * 3;
            const uint32_t v = x % 2 == 0 ? uint32_t(p[0]) << 4 | p[1] >> 4 : uint32_t(p[1] & 15) << 8 | p[2];
            dst[x] = static_cast<uint8_t>(v >> 4);
        }
    } else if (bits == 16) {
        for (uint32_t x = 0; x < w; ++x) {
            uint16_t v;
            std::memcpy(&v, src + 2 * x, 2);
            if (signedSamples_) v = static_cast<uint16_t>(v ^ 0x8000);
            dst[x] = static_cast<uint8_t>(v >> 8);
        }
    } else {
        const uint64_t bytes = (uint64_t{w} * bits + 7) / 8;
        std::memcpy(dst, src, bytes);
        // Bits past the last pixel are not part of the picture.
        const uint32_t used = static_cast<uint32_t>((uint64_t{w} * bits) % 8);
        if (used) dst[bytes - 1] &= static_cast<uint8_t>(0xFF00 >> used);
    }
}

bool RasterTIF::ReadDirect(TIFF* tif, uint32_t bits, uint32_t samples, uint32_t photometric, bool associated)
{
    if (!SetPagePalette(tif, bits, photometric)) return false;
    const uint32_t w = GetWidth(), h = GetHeight();
    const uint64_t lineBytes = (uint64_t{w} * samples * bits + 7) / 8;
    if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) < lineBytes) {
        SetLastError("Corrupted TIFF file!");
        return false;
    }
    if (!TIFFIsTiled(tif)) {
        uint32_t rowsPerStrip = h;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, h);
        const auto stripBytes = CheckedMul(lineBytes, rowsPerStrip);
        auto buffer = stripBytes ? TryBuffer(*stripBytes) : nullptr;
        if (!buffer) {
            SetLastError("No space for raster buffer");
            return false;
        }
        for (uint32_t top = 0; top < h; top += rowsPerStrip) {
            if (GetEscape()) {
                SetLastError("Cancelled");
                return false;
            }
            const uint32_t rows = std::min(rowsPerStrip, h - top);
            const tmsize_t want = static_cast<tmsize_t>(lineBytes * rows);
            const tstrip_t strip = TIFFComputeStrip(tif, top, 0);
            if (TIFFReadEncodedStrip(tif, strip, buffer.get(), want) < want) {
                SetLastError("Corrupted TIFF file!");
                return false;
            }
            for (uint32_t r = 0; r < rows; ++r)
                CopyRow(top + r, buffer.get() + r * lineBytes, bits, samples, photometric, associated);
            SetProgress(static_cast<int>(100ull * top / h));
        }
        return true;
    }

    uint32_t tileW = 0, tileH = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
    const uint64_t tileRowBytes = (uint64_t{tileW} * samples * bits + 7) / 8;
    const auto tileBytes = CheckedMul(tileRowBytes, tileH);
    const auto bandBytes = CheckedMul(lineBytes, tileH);
    auto tile = tileBytes && tileW && tileH ? TryBuffer(*tileBytes) : nullptr;
    auto band = bandBytes && tile ? TryBuffer(*bandBytes) : nullptr;
    if (!band || static_cast<uint64_t>(TIFFTileSize64(tif)) < *tileBytes) {
        SetLastError(band ? "Corrupted tiled TIFF file!" : "No space for raster buffer");
        return false;
    }
    for (uint32_t top = 0; top < h; top += tileH) {
        if (GetEscape()) {
            SetLastError("Cancelled");
            return false;
        }
        const uint32_t rows = std::min(tileH, h - top);
        for (uint32_t left = 0; left < w; left += tileW) {
            const uint64_t startBits = uint64_t{left} * samples * bits;
            if (startBits % 8 != 0 ||
                TIFFReadEncodedTile(tif, TIFFComputeTile(tif, left, top, 0, 0), tile.get(),
                                    static_cast<tmsize_t>(*tileBytes)) < static_cast<tmsize_t>(*tileBytes)) {
                SetLastError("Corrupted tiled TIFF file!");
                return false;
            }
            // Only the part of the tile inside the image is copied.
            const uint64_t at = startBits / 8;
            const uint64_t n = std::min(tileRowBytes, lineBytes - at);
            for (uint32_t r = 0; r < rows; ++r)
                std::memcpy(band.get() + r * lineBytes + at, tile.get() + r * tileRowBytes, n);
        }
        for (uint32_t r = 0; r < rows; ++r)
            CopyRow(top + r, band.get() + r * lineBytes, bits, samples, photometric, associated);
        SetProgress(static_cast<int>(100ull * top / h));
    }
    return true;
}

void RasterTIF::ApplyOrientation(uint32_t orientation)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT: Mirror(); break;
    case ORIENTATION_BOTRIGHT: Flip(); Mirror(); break;
    case ORIENTATION_BOTLEFT: Flip(); break;
    case ORIENTATION_LEFTTOP: RotateRight(); Mirror(); break;
    case ORIENTATION_RIGHTTOP: RotateRight(); break;
    case ORIENTATION_RIGHTBOT: RotateLeft(); Mirror(); break;
    case ORIENTATION_LEFTBOT: RotateLeft(); break;
    default: break;
    }
}

} // namespace vex
