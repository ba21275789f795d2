// Reading TIFF pages. Layouts our image holds directly (1, 4, 8 bits of grey
// or palette, 16-bit grey by its high byte, index + alpha, CIE L*a*b*, 8-bit
// RGBA) are copied from the decoded strips or tiles; every other layout goes
// through the library's RGBA reader.

#include "image/codecs/RasterTIF.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "image/Limits.h"
#include "image/codecs/TiffClient.h"
#include "image/codecs/TiffTone.h"

namespace vex {
namespace {

struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() { TIFFClose(tif); }
};

} // namespace

bool RasterTIF::DecodeStream(ByteStream* stream)
{
    if (!stream) {
        SetLastError("Error encountered while opening TIFF file");
        return false;
    }
    TiffClient client;
    client.stream = stream;
    client.base = stream->Tell();
    TIFF* tif = OpenTiffClient(client, "rm");
    if (!tif) {
        SetLastError("Error encountered while opening TIFF file");
        return false;
    }
    TiffCloser closer{tif};
    const int pages = static_cast<int>(std::min<tdir_t>(TIFFNumberOfDirectories(tif), kMaxFrames));
    SetNumFrames(pages);
    const int frame = GetFrame();
    if (frame < 0 || frame >= pages || !TIFFSetDirectory(tif, static_cast<tdir_t>(frame))) {
        SetLastError("Error: page not present in TIFF file");
        return false;
    }
    const bool ok = ReadPage(tif);
    SetNumFrames(pages);
    SetFrame(frame);
    if (!ok && !GetLastError()[0]) SetLastError(client.error.empty() ? "Corrupted TIFF file!" : client.error.c_str());
    return ok;
}

bool RasterTIF::ReadPage(TIFF* tif)
{
    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    signedSamples_ = sampleFormat == SAMPLEFORMAT_INT;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = PHOTOMETRIC_MINISBLACK;
    // Lightness alone (with or without alpha) is grey.
    if (photometric == PHOTOMETRIC_CIELAB && samples < 3) photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    const bool associated = extraCount > 0 && extra && extra[0] == EXTRASAMPLE_ASSOCALPHA;

    if (GetEscape()) {
        SetLastError("Cancelled");
        return false;
    }
    const bool contiguous = planar == PLANARCONFIG_CONTIG || samples == 1;
    const bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 ||
                           (bits == 12 && samples == 1 && photometric != PHOTOMETRIC_PALETTE);
    const bool direct = contiguous && knownBits &&
                        ((samples == 1 && (photometric != PHOTOMETRIC_PALETTE || bits <= 8)) ||
                         (samples == 2 && bits == 8) ||
                         (photometric == PHOTOMETRIC_CIELAB && (samples == 3 || samples == 4) && bits == 8));
    const bool rgba8 = photometric == PHOTOMETRIC_RGB && bits == 8 && samples == 4 && contiguous;
    const bool rgbaReader = !rgba8 && (photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_SEPARATED ||
                                       photometric == PHOTOMETRIC_YCBCR || photometric == PHOTOMETRIC_LOGL ||
                                       photometric == PHOTOMETRIC_LOGLUV || !direct);
    // A fourth colour sample is ink, not alpha.
    const bool alpha = (samples == 4 && photometric != PHOTOMETRIC_SEPARATED) || samples == 2;

    uint32_t depth = 24;
    if (!rgbaReader && !rgba8 && photometric != PHOTOMETRIC_CIELAB) depth = bits == 1 ? 1 : bits == 4 ? 4 : 8;
    if (!Create(width, height, depth, TypeTif)) {
        SetLastError("RasterTIF can't create image");
        return false;
    }
    if (alpha && !AlphaCreate()) {
        SetLastError("RasterTIF can't create image");
        return false;
    }

    float xres = 0, yres = 0, xpos = 0, ypos = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double toInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) && std::isfinite(xres))
        SetXDPI(static_cast<int32_t>(std::clamp(xres * toInch + 0.5, 0.0, 1e9)));
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) && std::isfinite(yres))
        SetYDPI(static_cast<int32_t>(std::clamp(yres * toInch + 0.5, 0.0, 1e9)));
    const bool hasX = TIFFGetField(tif, TIFFTAG_XPOSITION, &xpos) && std::isfinite(xpos);
    const bool hasY = TIFFGetField(tif, TIFFTAG_YPOSITION, &ypos) && std::isfinite(ypos);
    if (hasX || hasY)
        SetOffset(hasX ? static_cast<int32_t>(std::clamp(xpos, -2e9f, 2e9f)) : GetXOffset(),
                  hasY ? static_cast<int32_t>(std::clamp(ypos, -2e9f, 2e9f)) : GetYOffset());

    if (rgbaReader) return ReadRgba(tif, alpha);
    if (!ReadDirect(tif, bits, samples, photometric, associated)) return false;
    ApplyOrientation(orientation);
    return true;
}

bool RasterTIF::ReadRgba(TIFF* tif, bool alpha)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    const auto bytes = CheckedMul(uint64_t{w} * h, 4);
    std::unique_ptr<uint32_t[]> raster;
    if (bytes && *bytes <= RasterMemoryLimit()) raster.reset(new (std::nothrow) uint32_t[uint64_t{w} * h]);
    if (!raster) {
        SetLastError("No space for raster buffer");
        return false;
    }
    if (!TIFFReadRGBAImageOriented(tif, w, h, raster.get(), ORIENTATION_BOTLEFT, 0)) {
        SetLastError("Corrupted TIFF file!");
        return false;
    }
    for (uint32_t y = 0; y < h; ++y) {
        if (GetEscape()) {
            SetLastError("Cancelled");
            return false;
        }
        const uint32_t* src = raster.get() + uint64_t{y} * w;
        uint8_t* dst = GetBits(y);
        uint8_t* a = alpha ? AlphaGetPointer() + uint64_t{y} * w : nullptr;
        for (uint32_t x = 0; x < w; ++x, dst += 3) {
            const uint32_t p = src[x];
            const uint32_t r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p), al = TIFFGetA(p);
            // The library hands out premultiplied colour; we keep straight colour.
            const bool straighten = alpha && al < 255;
            dst[0] = straighten ? Unpremultiply(b, al) : static_cast<uint8_t>(b);
            dst[1] = straighten ? Unpremultiply(g, al) : static_cast<uint8_t>(g);
            dst[2] = straighten ? Unpremultiply(r, al) : static_cast<uint8_t>(r);
            if (a) a[x] = static_cast<uint8_t>(al);
        }
    }
    return true;
}

} // namespace vex
