// Bitmaps carried inside metafile records, decoded by the bitmap codec.

#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/ByteStream.h"
#include "image/codecs/RasterBMP.h"
#include "image/codecs/metafile/MetafilePlayers.h"

namespace vex::metafile {
namespace {

// Largest bitmap one record may carry (4096 x 4096).
constexpr double kMaxBitmapPixels = 4096.0 * 4096.0;

} // namespace

QImage DecodeDib(RecordReader& r, uint64_t offBmi, uint64_t cbBmi, uint64_t offBits, uint64_t cbBits,
                 MetafileCanvas& canvas, bool* bottomUp)
{
    if (cbBmi < 12 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits)) return {};
    const uint8_t* bmi = r.Data() + offBmi;
    const uint32_t headerSize = uint32_t(bmi[0]) | uint32_t(bmi[1]) << 8 | uint32_t(bmi[2]) << 16 | uint32_t(bmi[3]) << 24;
    int64_t width = 0, height = 0;
    if (headerSize == 12) {
        width = bmi[4] | bmi[5] << 8;
        height = bmi[6] | bmi[7] << 8;
    } else if (headerSize >= 40 && cbBmi >= 16) {
        int32_t w, h;
        std::memcpy(&w, bmi + 4, 4);
        std::memcpy(&h, bmi + 8, 4);
        width = w;
        height = h;
    } else {
        return {};
    }
    if (bottomUp) *bottomUp = height > 0;
    // A header may claim any size; the pixels are paid for once they are read.
    const double pixels = double(std::llabs(width)) * double(std::llabs(height));
    if (pixels > kMaxBitmapPixels || !canvas.WithinBudget()) return {};

    std::vector<uint8_t> packed;
    packed.reserve(cbBmi + cbBits);
    packed.insert(packed.end(), bmi, bmi + cbBmi);
    packed.insert(packed.end(), r.Data() + offBits, r.Data() + offBits + cbBits);
    MemoryStream stream(static_cast<const uint8_t*>(packed.data()), packed.size());
    RasterBMP dib;
    if (!dib.DecodeStream(&stream)) return {};

    const uint32_t w = dib.GetWidth(), h = dib.GetHeight();
    if (!canvas.Charge(pixels)) return {};
    QImage out(int(w), int(h), QImage::Format_RGB32);
    if (out.isNull()) return {};
    for (uint32_t y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(int(h - 1 - y)));
        if (dib.GetBpp() == 24) {
            const uint8_t* src = dib.GetBits(y);
            for (uint32_t x = 0; x < w; ++x, src += 3) line[x] = qRgb(src[2], src[1], src[0]);
        } else {
            for (uint32_t x = 0; x < w; ++x) {
                const RgbQuad c = dib.GetPixelColor(x, y);
                line[x] = qRgb(c.red, c.green, c.blue);
            }
        }
    }
    return out;
}

QRectF SourceFromBottom(const QImage& image, double x, double y, double w, double h, bool bottomUp)
{
    if (!bottomUp) return QRectF(x, y, w, h);
    return QRectF(x, image.height() - y - h, w, h);
}

} // namespace vex::metafile
