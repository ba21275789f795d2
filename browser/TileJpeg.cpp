// JPEG pictures for tiles: libjpeg's DCT scaling gives a picture of 1/2, 1/4
// or 1/8 of the size for a fraction of the work, and a tile needs only 32
// pixels a side.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "browser/TileFactory.h"
#include "image/ImageType.h"
#include "image/Raster.h"

namespace vex {

namespace {

struct TileJpegErrors {
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool truncated;
};

void OnJpegError(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<TileJpegErrors*>(cinfo->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr cinfo, int level)
{
    // A file cut short is a failure for tiles as it is for the full reader.
    auto* err = reinterpret_cast<TileJpegErrors*>(cinfo->err);
    if (level < 0 && err->pub.msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

// Plain C data only between setjmp and the longjmp.
bool ReadScaled(std::FILE* file, uint32_t minSide, Raster& out)
{
    jpeg_decompress_struct cinfo;
    TileJpegErrors err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.emit_message = OnJpegMessage;
    err.truncated = false;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out.Destroy();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool colour = cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB;
    if (!grey && !colour) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    for (unsigned denom = 8; denom > 1; denom /= 2) {
        if (cinfo.image_width / denom >= minSide && cinfo.image_height / denom >= minSide) {
            cinfo.scale_denom = denom;
            break;
        }
    }
    jpeg_calc_output_dimensions(&cinfo);
    if (!out.Create(cinfo.output_width, cinfo.output_height, grey ? 8 : 24, TypeJpg)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (grey) out.SetGrayPalette();
    jpeg_start_decompress(&cinfo);
    const uint32_t width = cinfo.output_width;
    const uint32_t height = cinfo.output_height;
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                width * static_cast<uint32_t>(cinfo.output_components), 1);
    while (cinfo.output_scanline < height && !err.truncated) {
        const uint32_t y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
        uint8_t* dst = out.GetBits(height - 1 - y);
        const uint8_t* s = row[0];
        if (grey) {
            for (uint32_t x = 0; x < width; ++x) dst[x] = s[x];
        } else {
            for (uint32_t x = 0; x < width; ++x, s += 3, dst += 3) {
                dst[0] = s[2];
                dst[1] = s[1];
                dst[2] = s[0];
            }
        }
    }
    const bool complete = cinfo.output_scanline == height && !err.truncated;
    if (complete) jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (!complete || err.truncated) out.Destroy();
    return complete && !err.truncated;
}

} // namespace

bool DecodeJpegScaled(const char* fileName, uint32_t minSide, Raster& out)
{
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) return false;
    const bool ok = ReadScaled(file, minSide, out);
    std::fclose(file);
    return ok;
}

} // namespace vex
