// Writing TIFF pages: one page, or many kept in one client. The image being
// saved is never changed: the black-and-white swap and the palette are done
// on private copies.

#include <cstdio>
#include <vector>

#include "image/codecs/RasterTIF.h"
#include "image/codecs/TiffClient.h"

namespace vex {
namespace {

uint32_t Luminance(RgbQuad c) { return (117u * c.blue + 601u * c.green + 306u * c.red) >> 10; }

// The ramp SetGrayPalette makes for the image's depth (identity at 8 bpp).
bool IsGreyRamp(const Raster& img)
{
    const uint32_t n = img.GetNumColors();
    if (n < 2) return false;
    const uint32_t step = 255 / (n - 1);
    for (uint32_t i = 0; i < n; ++i) {
        const RgbQuad c = img.GetPaletteColor(uint8_t(i));
        if (c.red != i * step || c.green != i * step || c.blue != i * step) return false;
    }
    return true;
}

uint16_t DefaultCompression(uint32_t bpp, bool alpha)
{
    // JPEG inside TIFF has no agreed form for a fourth, alpha sample (other
    // readers show it wrongly); lossless LZW keeps the alpha exact.
    if (alpha) return COMPRESSION_LZW;
    switch (bpp) {
    case 1: return COMPRESSION_CCITTFAX4;
    case 4: return COMPRESSION_NONE;
    case 8: return COMPRESSION_PACKBITS;
    default: return COMPRESSION_JPEG;
    }
}

} // namespace

bool RasterTIF::WritePage(TIFF* tif, Raster& page, int index, int count, bool multi)
{
    const uint32_t bpp = page.GetBpp(), w = page.GetWidth(), h = page.GetHeight();
    const bool alpha = page.AlphaIsValid() && (bpp == 24 || bpp == 8);
    const uint16_t samples = bpp == 24 ? (alpha ? 4 : 3) : (alpha ? 2 : 1);
    const uint16_t bits = bpp >= 8 ? 8 : static_cast<uint16_t>(bpp);

    bool invert = false;
    uint16_t photometric = PHOTOMETRIC_RGB;
    std::vector<uint16_t> red(256), green(256), blue(256);
    if (bpp == 1) {
        photometric = PHOTOMETRIC_MINISWHITE;
        invert = Luminance(page.GetPaletteColor(0)) < Luminance(page.GetPaletteColor(1));
    } else if (bpp <= 8) {
        photometric = IsGreyRamp(page) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
        for (uint32_t i = 0; i < page.GetNumColors(); ++i) {
            const RgbQuad c = page.GetPaletteColor(uint8_t(i));
            red[i] = static_cast<uint16_t>(c.red * 257), green[i] = static_cast<uint16_t>(c.green * 257);
            blue[i] = static_cast<uint16_t>(c.blue * 257);
        }
    }
    const uint16_t compression =
        page.GetCodecOption() ? static_cast<uint16_t>(page.GetCodecOption()) : DefaultCompression(bpp, alpha && bpp == 24);
    if (!TIFFIsCODECConfigured(compression)) return false;

    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
              TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(page.GetXDPI())) &&
              TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(page.GetYDPI())) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (ok && alpha) {
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (ok && photometric == PHOTOMETRIC_PALETTE)
        ok = TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    if (ok && multi) {
        char name[32];
        std::snprintf(name, sizeof name, "Page %d", index + 1);
        ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
             TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(index), static_cast<uint16_t>(count)) &&
             TIFFSetField(tif, TIFFTAG_PAGENAME, name);
    } else if (ok) {
        ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    }
    // Differencing is defined for whole-byte samples only.
    if (ok && compression == COMPRESSION_LZW && bits == 8) ok = TIFFSetField(tif, TIFFTAG_PREDICTOR, 2);
    uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 0);
    if (ok && compression == COMPRESSION_JPEG) {
        ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, static_cast<int>(page.GetJpegQuality()));
        rowsPerStrip = (rowsPerStrip + 7) / 8 * 8;
    }
    if (!ok || !TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip)) return false;

    std::vector<uint8_t> line((uint64_t{w} * samples * bits + 7) / 8);
    for (uint32_t top = 0; top < h; ++top) {
        const uint32_t y = h - 1 - top;
        const uint8_t* src = page.GetBits(y);
        const uint8_t* a = alpha ? page.AlphaGetPointer() + uint64_t{y} * w : nullptr;
        if (bpp == 24) {
            for (uint32_t x = 0; x < w; ++x, src += 3) {
                uint8_t* d = line.data() + uint64_t{x} * samples;
                d[0] = src[2], d[1] = src[1], d[2] = src[0];
                if (a) d[3] = a[x];
            }
        } else if (a) {
            for (uint32_t x = 0; x < w; ++x) line[2 * x] = src[x], line[2 * x + 1] = a[x];
        } else {
            for (size_t i = 0; i < line.size(); ++i) line[i] = invert ? static_cast<uint8_t>(~src[i]) : src[i];
        }
        if (TIFFWriteScanline(tif, line.data(), top, 0) < 0) return false;
    }
    return true;
}

bool RasterTIF::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    TiffClient client;
    client.stream = stream;
    client.base = stream->Tell();
    TIFF* tif = OpenTiffClient(client, "w");
    if (!tif) {
        SetLastError("initialization fail");
        return false;
    }
    const bool ok = WritePage(tif, *this, 0, 1, false) && TIFFFlush(tif);
    TIFFClose(tif);
    if (!ok || client.writeFailed) {
        SetLastError("Error saving TIFF file");
        return false;
    }
    return true;
}

bool RasterTIF::EncodeFrames(ByteStream* stream, Raster* const* frames, int count)
{
    if (!stream) {
        SetLastError("invalid file pointer");
        return false;
    }
    if (!frames || count <= 0) {
        SetLastError("multipage TIFF, no images!");
        return false;
    }
    for (int i = 0; i < count; ++i)
        if (!frames[i] || !frames[i]->IsValid()) {
            SetLastError("Bad image pointer");
            return false;
        }
    // Linking a page to the next reads the file back, which a target opened
    // for writing only cannot do: the pages are put together in memory first.
    MemoryStream pages;
    TiffClient client;
    client.stream = &pages;
    TIFF* tif = OpenTiffClient(client, "w");
    if (!tif) {
        SetLastError("initialization fail");
        return false;
    }
    const char* failure = nullptr;
    for (int i = 0; i < count && !failure; ++i) {
        if (!WritePage(tif, *frames[i], i, count, true)) failure = "Error saving TIFF file";
        else if (!TIFFWriteDirectory(tif)) failure = "Error saving TIFF directory";
    }
    TIFFClose(tif);
    if (!failure && client.writeFailed) failure = "Error saving TIFF file";
    if (!failure && !stream->WriteExact(pages.GetBuffer(), static_cast<size_t>(pages.Size())))
        failure = "Error saving TIFF file";
    if (failure) {
        SetLastError(failure);
        return false;
    }
    return true;
}

} // namespace vex
