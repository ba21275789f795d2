// libjpeg reports errors through a callback that must not return; ours
// longjmps back into the two functions below, which own no C++ objects, so
// nothing with a destructor is ever jumped over.

#include "image/codecs/RasterJPG.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "image/Limits.h"

namespace vex {
namespace {

constexpr size_t kBufferBytes = 4096;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (extraneous bytes, odd markers) are not errors, and the library
// must not print.
void SilentMessage(j_common_ptr) {}

void InstallErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = SilentMessage;
    err.message[0] = '\0';
}

struct StreamSource {
    jpeg_source_mgr pub;
    ByteStream* stream;
    JOCTET* buffer;
    bool startOfFile;
    bool hitEnd;
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    size_t n = src->stream->Read(src->buffer, 1, kBufferBytes);
    if (n == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // An end of image marker lets the library finish; the decoder then
        // refuses the picture if pixels were still missing.
        src->hitEnd = true;
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->startOfFile = false;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    if (count <= 0) return;
    while (static_cast<size_t>(count) > src->pub.bytes_in_buffer) {
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        FillInput(cinfo);
        if (src->hitEnd) return;
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

struct StreamDestination {
    jpeg_destination_mgr pub;
    ByteStream* stream;
    JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dst = reinterpret_cast<StreamDestination*>(cinfo->dest);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kBufferBytes;
}

boolean EmptyOutput(j_compress_ptr cinfo)
{
    auto* dst = reinterpret_cast<StreamDestination*>(cinfo->dest);
    if (!dst->stream->WriteExact(dst->buffer, kBufferBytes)) ERREXIT(cinfo, JERR_FILE_WRITE);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kBufferBytes;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dst = reinterpret_cast<StreamDestination*>(cinfo->dest);
    const size_t n = kBufferBytes - dst->pub.free_in_buffer;
    if (!dst->stream->WriteExact(dst->buffer, n) || dst->stream->Error() > 0) ERREXIT(cinfo, JERR_FILE_WRITE);
}

int32_t DensityToDpi(int unit, int density)
{
    if (unit == 2) return static_cast<int32_t>(density * 2.54 + 0.5);
    return density;
}

// Everything libjpeg touches lives in this frame or in plain buffers the
// caller owns; the longjmp lands here.
bool ReadJpeg(Raster& img, ByteStream* stream, JOCTET* buffer, const ExifInfo& exif, const char*& failure)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    StreamSource src{};
    cinfo.err = &err.pub;
    InstallErrors(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        img.SetLastError(err.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // Progressive files keep every coefficient; bound that like an image.
    cinfo.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(RasterMemoryLimit(), LONG_MAX));
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInput;
    src.pub.skip_input_data = SkipInput;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
    src.stream = stream;
    src.buffer = buffer;
    src.startOfFile = true;
    cinfo.src = &src.pub;

    jpeg_read_header(&cinfo, TRUE);
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);
    if (!img.Create(cinfo.output_width, cinfo.output_height, grey ? 8 : 24, TypeJpg)) {
        failure = nullptr; // Create left its reason
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (grey) img.SetGrayPalette();

    if (exif.hasXResolution && exif.hasYResolution && exif.hasResolutionUnit && exif.resolutionUnit > 0) {
        // Exif rationals reach 2^32; the DPI fields are 32-bit signed.
        const auto dpi = [&](float v) { return static_cast<int32_t>(std::clamp(v / exif.resolutionUnit, 0.0f, 2e9f)); };
        img.SetXDPI(dpi(exif.xResolution));
        img.SetYDPI(dpi(exif.yResolution));
    } else if (cinfo.saw_JFIF_marker && cinfo.density_unit != 0) {
        img.SetXDPI(DensityToDpi(cinfo.density_unit, cinfo.X_density));
        img.SetYDPI(DensityToDpi(cinfo.density_unit, cinfo.Y_density));
    }

    jpeg_start_decompress(&cinfo);
    const uint32_t components = static_cast<uint32_t>(cinfo.output_components);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * components, 1);
    const uint32_t height = img.GetHeight();
    while (cinfo.output_scanline < cinfo.output_height) {
        if (img.GetEscape()) {
            jpeg_destroy_decompress(&cinfo);
            failure = "Cancelled";
            return false;
        }
        const uint32_t y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
        if (src.hitEnd) break;
        uint8_t* dst = img.GetBits(height - 1 - y);
        const uint8_t* s = row[0];
        if (grey) {
            std::memcpy(dst, s, cinfo.output_width);
        } else if (components == 4) {
            for (uint32_t x = 0; x < cinfo.output_width; ++x, s += 4, dst += 3) {
                const uint32_t k = s[3];
                dst[0] = static_cast<uint8_t>(s[2] * k / 255);
                dst[1] = static_cast<uint8_t>(s[1] * k / 255);
                dst[2] = static_cast<uint8_t>(s[0] * k / 255);
            }
        } else {
            for (uint32_t x = 0; x < cinfo.output_width; ++x, s += 3, dst += 3) {
                dst[0] = s[2];
                dst[1] = s[1];
                dst[2] = s[0];
            }
        }
        img.SetProgress(static_cast<int>(100ull * y / height));
    }
    if (src.hitEnd || cinfo.output_scanline < cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        failure = "Premature end of JPEG file";
        return false;
    }
    // The pixels are complete; a missing end marker after them is harmless.
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool WriteJpeg(Raster& img, ByteStream* stream, JOCTET* buffer, uint8_t* row, bool grey)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    StreamDestination dst{};
    cinfo.err = &err.pub;
    InstallErrors(err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        img.SetLastError(err.message);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dst.pub.init_destination = InitDestination;
    dst.pub.empty_output_buffer = EmptyOutput;
    dst.pub.term_destination = TermDestination;
    dst.stream = stream;
    dst.buffer = buffer;
    cinfo.dest = &dst.pub;

    const uint32_t width = img.GetWidth(), height = img.GetHeight();
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, img.GetJpegQuality(), TRUE);
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(std::clamp(img.GetXDPI(), 0, 65535));
    cinfo.Y_density = static_cast<UINT16>(std::clamp(img.GetYDPI(), 0, 65535));
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[1] = {row};
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t srcRow = height - 1 - y;
        if (grey) {
            // Rows of 1 and 4 bpp are widened to one byte per pixel first.
            for (uint32_t x = 0; x < width; ++x) row[x] = img.GetPixelColor(x, srcRow).red;
        } else {
            const uint8_t* s = img.GetBits(srcRow);
            for (uint32_t x = 0; x < width; ++x, s += 3) {
                row[3 * x] = s[2];
                row[3 * x + 1] = s[1];
                row[3 * x + 2] = s[0];
            }
        }
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

bool RasterJPG::DecodeStream(ByteStream* stream)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    const int64_t start = stream->Tell();
    exif_.DecodeExif(stream);
    if (!stream->Seek(start, 0)) {
        SetLastError("Premature end of JPEG file");
        return false;
    }
    std::vector<JOCTET> buffer(kBufferBytes);
    const char* failure = "";
    if (ReadJpeg(*this, stream, buffer.data(), exif_.Info(), failure)) return true;
    if (failure && failure[0]) SetLastError(failure);
    if (!GetLastError()[0]) SetLastError("Corrupted JPEG file");
    return false;
}

bool RasterJPG::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    const bool grey = GetBpp() < 24;
    if (grey && !IsGrayScale()) {
        SetLastError("JPEG can save only RGB or GreyScale images");
        return false;
    }
    std::vector<JOCTET> buffer(kBufferBytes);
    std::vector<uint8_t> row(uint64_t{GetWidth()} * (grey ? 1 : 3));
    return WriteJpeg(*this, stream, buffer.data(), row.data(), grey);
}

} // namespace vex
