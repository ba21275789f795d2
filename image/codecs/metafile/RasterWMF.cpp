// Metafile reading: tell the kind of file apart, size the picture by the
// metafile size rules, play the records onto a white picture and take its
// pixels as a 24 bpp image.

#include "image/codecs/metafile/RasterWMF.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "image/CodecRegistry.h"
#include "image/Limits.h"
#include "image/codecs/metafile/MetafilePlayers.h"
#include "image/codecs/metafile/MetafileSize.h"

namespace vex {
namespace {

using namespace metafile;

constexpr const char* kCorrupted = "corrupted WMF";
constexpr const char* kEmpty = "empty WMF";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kTooComplex = "WMF drawing limits exceeded";
constexpr double kMmPerInch = 25.4;

enum class Kind { Placeable, Enhanced, Plain };

struct Metafile {
    Kind kind = Kind::Placeable;
    std::vector<uint8_t> bytes; // the records, from the standard header (or the EMF header) on
    PictureSize picture;
    QRectF window;              // logical window the frame shows (Windows metafiles)
    EmfHeader emf;
};

bool ReadBytes(ByteStream* stream, int64_t from, uint64_t count, std::vector<uint8_t>& out)
{
    if (count > kMaxChunkBytes || !stream->Seek(from, 0)) return false;
    try {
        out.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return stream->ReadExact(out.data(), count);
}

// The placeable form: a 22-byte header before a standard metafile whose
// stated size fits in the stream.
bool ReadPlaceable(ByteStream* stream, int64_t p0, uint64_t available, Metafile& m)
{
    uint8_t head[kPlaceableBytes + kWmfHeaderBytes];
    if (available < sizeof head || !stream->ReadExact(head, sizeof head)) return false;
    const auto placeable = ParsePlaceable(head);
    if (!placeable) return false;
    const uint8_t* std = head + kPlaceableBytes;
    const uint16_t type = uint16_t(std[0] | std[1] << 8);
    const uint64_t words = uint64_t(std[6]) | uint64_t(std[7]) << 8 | uint64_t(std[8]) << 16 | uint64_t(std[9]) << 24;
    // The size is held against the whole stream, as writers disagree on
    // whether it counts the placeable header; what follows the header is read.
    if ((type != 1 && type != 2) || words * 2 < kWmfHeaderBytes || words * 2 > available) return false;
    const uint64_t bytes = std::min<uint64_t>(words * 2, available - kPlaceableBytes);
    if (!ReadBytes(stream, p0 + kPlaceableBytes, bytes, m.bytes) || !ParseWmfHeader(m.bytes.data(), m.bytes.size()))
        return false;
    m.kind = Kind::Placeable;
    m.picture = PlaceablePictureSize(*placeable);
    m.window = QRectF(QPointF(placeable->left, placeable->top), QPointF(placeable->right, placeable->bottom));
    return true;
}

// The whole stream as an enhanced metafile or, failing that, as a Windows
// metafile without the placeable header, sized by the window it sets.
bool ReadWhole(ByteStream* stream, int64_t p0, uint64_t available, Metafile& m)
{
    if (!ReadBytes(stream, p0, available, m.bytes)) return false;
    if (const auto emf = ParseEmfHeader(m.bytes.data(), m.bytes.size())) {
        m.kind = Kind::Enhanced;
        m.emf = *emf;
        m.picture = {int64_t{emf->bounds.right()} - emf->bounds.left(), int64_t{emf->bounds.bottom()} - emf->bounds.top()};
        return true;
    }
    if (!ParseWmfHeader(m.bytes.data(), m.bytes.size())) return false;
    m.kind = Kind::Plain;
    const auto window = FindWmfWindow(m.bytes.data(), m.bytes.size());
    m.window = window.value_or(QRectF());
    const double w = std::fabs(m.window.width()), h = std::fabs(m.window.height());
    m.picture = {int64_t(w) * kScreenDpi / kPlainUnitsPerInch, int64_t(h) * kScreenDpi / kPlainUnitsPerInch};
    return true;
}

PlayStatus Play(const Metafile& m, QImage& image, const CancelCheck& cancelled)
{
    const double w = image.width(), h = image.height();
    if (m.kind == Kind::Enhanced) {
        const EmfHeader& e = m.emf;
        const double pxMmX = e.deviceWidth > 0 && e.mmWidth > 0 ? double(e.deviceWidth) / e.mmWidth : kScreenDpi / kMmPerInch;
        const double pxMmY = e.deviceHeight > 0 && e.mmHeight > 0 ? double(e.deviceHeight) / e.mmHeight : kScreenDpi / kMmPerInch;
        // The frame (0.01 mm) in reference pixels is what the picture shows.
        double fl = e.frame.left() * pxMmX / 100, ft = e.frame.top() * pxMmY / 100;
        double fw = (double(e.frame.right()) - e.frame.left()) * pxMmX / 100;
        double fh = (double(e.frame.bottom()) - e.frame.top()) * pxMmY / 100;
        if (!(fw > 0) || !(fh > 0)) {
            fl = e.bounds.left();
            ft = e.bounds.top();
            fw = double(e.bounds.right()) - e.bounds.left();
            fh = double(e.bounds.bottom()) - e.bounds.top();
        }
        const QTransform toImage(w / fw, 0, 0, h / fh, -fl * w / fw, -ft * h / fh);
        MetafileCanvas canvas(image, toImage, pxMmX, pxMmY);
        return PlayEmf(m.bytes.data(), m.bytes.size(), e, canvas, cancelled);
    }
    // A Windows metafile is converted into a frame of the conversion extents
    // that shows its window; the frame is then stretched onto the picture.
    const PictureSize frame = ConversionExtents(m.picture);
    const QTransform toImage(w / double(frame.width), 0, 0, h / double(frame.height), 0, 0);
    MetafileCanvas canvas(image, toImage, kScreenDpi / kMmPerInch, kScreenDpi / kMmPerInch);
    DcState& dc = canvas.State();
    dc.mapMode = MapAnisotropic;
    dc.windowOrg = m.window.topLeft();
    dc.windowExt = QPointF(m.window.width(), m.window.height());
    dc.viewportExt = QPointF(double(frame.width), double(frame.height));
    return PlayWmf(m.bytes.data(), m.bytes.size(), canvas, cancelled);
}

} // namespace

bool RasterWMF::DecodeStream(ByteStream* stream)
{
    auto fail = [this](const char* message) {
        SetLastError(message);
        return false;
    };
    if (!stream) return fail(kCorrupted);
    const int64_t p0 = stream->Tell(), end = stream->Size();
    if (p0 < 0 || end < p0) return fail(kCorrupted);
    const uint64_t available = uint64_t(end - p0);

    Metafile m;
    if (!ReadPlaceable(stream, p0, available, m)) {
        m = Metafile{};
        if (!ReadWhole(stream, p0, available, m)) return fail(kCorrupted);
    }
    if (GetEscape()) return fail(kCancelled);
    const auto size = LimitPictureSize(m.picture);
    if (!size) return fail(kEmpty);

    if (!Create(uint32_t(size->width), uint32_t(size->height), 24, TypeWmf)) {
        const bool overCap = std::strcmp(GetLastError(), "RASTER_MAX_MEMORY exceeded") == 0;
        return fail(overCap ? "RASTER_MAX_MEMORY exceeded" : "Can't allocate memory");
    }
    TextRenderingAvailable(); // before the first painter, so fonts are ready
    QImage image(int(size->width), int(size->height), QImage::Format_RGB32);
    if (image.isNull()) return fail("Can't allocate memory");
    image.fill(Qt::white);

    const PlayStatus status = Play(m, image, [this] { return GetEscape() != 0; });
    if (status == PlayStatus::Corrupted) return fail(kCorrupted);
    if (status == PlayStatus::TooComplex) return fail(kTooComplex);
    if (status == PlayStatus::Cancelled || GetEscape()) return fail(kCancelled);

    const int height = image.height();
    for (int sy = 0; sy < height; ++sy) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(sy));
        uint8_t* dst = GetBits(uint32_t(height - 1 - sy));
        for (int x = 0; x < image.width(); ++x, dst += 3) {
            dst[0] = uint8_t(qBlue(line[x]));
            dst[1] = uint8_t(qGreen(line[x]));
            dst[2] = uint8_t(qRed(line[x]));
        }
    }
    return true;
}

bool RasterWMF::EncodeStream(ByteStream*)
{
    SetLastError("Save WMF not supported");
    return false;
}

void RegisterMetafileCodec() { RegisterExtraCodec(TypeWmf, &MakeCodec<RasterWMF>); }

} // namespace vex
