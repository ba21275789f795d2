// Windows metafile records played onto the canvas. Parameters of a record
// come in reverse order of the drawing call's arguments (y before x).

#include <string>
#include <vector>

#include "image/codecs/metafile/MetafilePlayers.h"
#include "image/codecs/metafile/MetafileSize.h"

namespace vex::metafile {
namespace {

constexpr int kRecordHeader = 6;

// Reader over one record's parameters; every read is checked.
struct Params {
    RecordReader r;
    int16_t S(uint64_t i) { return r.I16(kRecordHeader + 2 * i); }
    uint16_t U(uint64_t i) { return r.U16(kRecordHeader + 2 * i); }
    uint32_t U32(uint64_t i) { return r.U32(kRecordHeader + 2 * i); }
    QPointF P(uint64_t iy) { return QPointF(S(iy + 1), S(iy)); } // (y, x) pair
    // left, top, right, bottom stored as bottom, right, top, left from index i.
    QRectF Rect(uint64_t i) { return QRectF(QPointF(S(i + 3), S(i + 2)), QPointF(S(i + 1), S(i))); }
};

std::vector<QPointF> ReadPoints(RecordReader& r, uint64_t offset, uint64_t count)
{
    std::vector<QPointF> out;
    if (!r.Need(offset, count * 4)) return out;
    out.reserve(count);
    for (uint64_t i = 0; i < count; ++i) out.emplace_back(r.I16(offset + 4 * i), r.I16(offset + 4 * i + 2));
    return out;
}

QString Latin1(RecordReader& r, uint64_t offset, uint64_t count)
{
    if (!r.Need(offset, count)) return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(r.Data() + offset), qsizetype(count));
}

GdiObject MakeFont(Params& p)
{
    GdiObject o;
    o.kind = GdiObject::Font;
    o.font.height = p.S(0);
    o.font.escapement = p.S(2);
    o.font.weight = p.S(4);
    o.font.italic = p.r.U8(kRecordHeader + 10) != 0;
    o.font.underline = p.r.U8(kRecordHeader + 11) != 0;
    o.font.strikeOut = p.r.U8(kRecordHeader + 12) != 0;
    const uint64_t faceAt = kRecordHeader + 18;
    for (uint64_t i = 0; i < 32 && p.r.Has(faceAt + i, 1); ++i) {
        const char c = char(p.r.Data()[faceAt + i]);
        if (c == 0) break;
        o.font.face.push_back(c);
    }
    return o;
}

// The bitmap records: with a packed bitmap or, without one, a pattern fill.
void DibBlt(Params& p, uint16_t function, uint32_t words, MetafileCanvas& c)
{
    const bool noBitmap = words == uint32_t(function >> 8) + 3;
    const uint32_t rop = p.U32(0);
    const uint64_t size = p.r.Size();
    if (function == 0x0940) { // bit block transfer
        if (noBitmap) {
            c.PatternBlt(QRectF(p.S(8), p.S(7), p.S(6), p.S(5)), rop);
            return;
        }
        const double ySrc = p.S(2), xSrc = p.S(3), h = p.S(4), w = p.S(5), yDst = p.S(6), xDst = p.S(7);
        const uint64_t dib = kRecordHeader + 16;
        QImage image = DecodeDib(p.r, dib, size > dib ? size - dib : 0, size, 0, c);
        c.Bitmap(image, QRectF(xDst, yDst, w, h), QRectF(xSrc, ySrc, w, h), rop);
        return;
    }
    if (function == 0x0B41) { // stretched block transfer
        if (noBitmap) {
            c.PatternBlt(QRectF(p.S(10), p.S(9), p.S(8), p.S(7)), rop);
            return;
        }
        const double sh = p.S(2), sw = p.S(3), ys = p.S(4), xs = p.S(5);
        const double dh = p.S(6), dw = p.S(7), yd = p.S(8), xd = p.S(9);
        const uint64_t dib = kRecordHeader + 20;
        QImage image = DecodeDib(p.r, dib, size > dib ? size - dib : 0, size, 0, c);
        c.Bitmap(image, QRectF(xd, yd, dw, dh), QRectF(xs, ys, sw, sh), rop);
        return;
    }
    if (function == 0x0F43) { // stretched device-independent bitmap
        const double sh = p.S(3), sw = p.S(4), ys = p.S(5), xs = p.S(6);
        const double dh = p.S(7), dw = p.S(8), yd = p.S(9), xd = p.S(10);
        const uint64_t dib = kRecordHeader + 22;
        bool bottomUp = true;
        QImage image = DecodeDib(p.r, dib, size > dib ? size - dib : 0, size, 0, c, &bottomUp);
        c.Bitmap(image, QRectF(xd, yd, dw, dh), SourceFromBottom(image, xs, ys, sw, sh, bottomUp), rop);
        return;
    }
    // Bits set straight onto the device, unscaled.
    const double ys = p.S(3), xs = p.S(4), h = p.S(5), w = p.S(6), yd = p.S(7), xd = p.S(8);
    const uint64_t dib = kRecordHeader + 18;
    bool bottomUp = true;
    QImage image = DecodeDib(p.r, dib, size > dib ? size - dib : 0, size, 0, c, &bottomUp);
    c.Bitmap(image, QRectF(xd, yd, w, h), SourceFromBottom(image, xs, ys, w, h, bottomUp), 0x00CC0020);
}

void TextOut(Params& p, uint16_t function, MetafileCanvas& c)
{
    auto& dc = c.State();
    const bool updateCurrent = (dc.textAlign & 1) != 0;
    if (function == 0x0521) {
        const uint16_t count = p.U(0);
        const uint64_t padded = (uint64_t{count} + 1) & ~uint64_t{1};
        const QString text = Latin1(p.r, kRecordHeader + 2, count);
        const uint64_t at = kRecordHeader + 2 + padded;
        const QPointF ref(p.r.I16(at + 2), p.r.I16(at));
        if (p.r.Ok()) c.Text(ref, text, updateCurrent, std::nullopt, std::nullopt);
        return;
    }
    const QPointF ref = p.P(0);
    const uint16_t count = p.U(2), options = p.U(3);
    uint64_t at = kRecordHeader + 8;
    std::optional<QRectF> opaque, clip;
    // The rectangle is present when the options ask for one.
    if ((options & 0x0006) && p.r.Has(at, 8)) {
        const QRectF rect(QPointF(p.r.I16(at), p.r.I16(at + 2)), QPointF(p.r.I16(at + 4), p.r.I16(at + 6)));
        if (options & 0x0002) opaque = rect;
        if (options & 0x0004) clip = rect;
        at += 8;
    }
    const QString text = Latin1(p.r, at, count);
    if (p.r.Ok()) c.Text(ref, text, updateCurrent, opaque, clip);
}

bool CreateObject(Params& p, uint16_t function, MetafileCanvas& c)
{
    GdiObject o;
    switch (function) {
    case 0x02FA: // pen
        o.kind = GdiObject::Pen;
        o.pen = PenSpec{p.U(0), double(p.S(1)), c.ResolveColor(p.U32(3))};
        break;
    case 0x02FC: // brush
        o.kind = GdiObject::Brush;
        o.brush = BrushSpec{p.U(0), c.ResolveColor(p.U32(1)), p.U(3), {}};
        if (o.brush.style > 3 && o.brush.style != 5 && o.brush.style != 6) o.brush.style = 0;
        break;
    case 0x02FB: o = MakeFont(p); break;
    case 0x00F7: { // palette: start, count, then red, green, blue, flags per entry
        o.kind = GdiObject::Palette;
        const uint16_t n = p.U(1);
        if (!p.r.Need(kRecordHeader + 4, uint64_t{n} * 4)) return false;
        for (uint16_t i = 0; i < n; ++i) {
            const uint64_t at = kRecordHeader + 4 + 4 * uint64_t{i};
            o.palette.emplace_back(p.r.U8(at), p.r.U8(at + 1), p.r.U8(at + 2));
        }
        break;
    }
    case 0x0142: { // pattern brush from a packed bitmap
        o.kind = GdiObject::Brush;
        // The old device-dependent bitmap form (style 3) is not read: such a
        // brush paints nothing rather than something wrong.
        o.brush.style = p.U(0) == 3 ? 1 : 5;
        const uint64_t at = kRecordHeader + 4;
        const uint64_t size = p.r.Size();
        if (o.brush.style == 5) o.brush.pattern = DecodeDib(p.r, at, size > at ? size - at : 0, size, 0, c);
        break;
    }
    case 0x06FF: { // region: kept as its bounding box
        o.kind = GdiObject::Region;
        const QRectF box(QPointF(p.S(7), p.S(8)), QPointF(p.S(9), p.S(10)));
        o.region = QRegion(QRectF(c.Map(box.topLeft()), c.Map(box.bottomRight())).normalized().toAlignedRect());
        break;
    }
    default: // old-style pattern brushes and anything else: a placeholder keeps the numbering
        o.kind = GdiObject::Brush;
        break;
    }
    if (!p.r.Ok()) return false;
    c.AddObject(std::move(o));
    return true;
}

} // namespace

std::optional<WmfHeader> ParseWmfHeader(const uint8_t* data, size_t size)
{
    RecordReader r(data, size);
    const uint16_t type = r.U16(0), headerWords = r.U16(2);
    const uint16_t objects = r.U16(10);
    if (!r.Ok() || (type != 1 && type != 2) || headerWords != 9) return std::nullopt;
    return WmfHeader{objects};
}

std::optional<QRectF> FindWmfWindow(const uint8_t* data, size_t size)
{
    QPointF origin(0, 0);
    uint64_t at = kWmfHeaderBytes;
    for (uint64_t n = 0; n < kMaxRecords && at + kRecordHeader <= size; ++n) {
        RecordReader r(data + at, size_t(size - at));
        const uint64_t bytes = uint64_t{r.U32(0)} * 2;
        const uint16_t function = r.U16(4);
        if (bytes < kRecordHeader || bytes > size - at || function == 0) break;
        if (function == 0x020B) origin = QPointF(r.I16(8), r.I16(6));
        if (function == 0x020C) return QRectF(origin, QSizeF(r.I16(8), r.I16(6)));
        at += bytes;
    }
    return std::nullopt;
}

PlayStatus PlayWmf(const uint8_t* data, size_t size, MetafileCanvas& c, const CancelCheck& cancelled)
{
    const auto header = ParseWmfHeader(data, size);
    if (!header) return PlayStatus::Corrupted;
    c.ResizeObjectTable(header->objects);
    auto& dc = c.State();
    uint64_t at = kWmfHeaderBytes;
    for (uint64_t n = 0; at < size; ++n) {
        if (n >= kMaxRecords) return PlayStatus::TooComplex;
        if ((n & 255) == 0 && cancelled && cancelled()) return PlayStatus::Cancelled;
        if (!c.WithinBudget()) return PlayStatus::TooComplex;
        if (size - at < kRecordHeader) { // zero padding may follow the last record, a cut record may not
            for (uint64_t i = at; i < size; ++i)
                if (data[i] != 0) return PlayStatus::Corrupted;
            break;
        }
        RecordReader head(data + at, size - at);
        const uint64_t words = head.U32(0);
        const uint16_t function = head.U16(4);
        if (words < 3 || words > (size - at) / 2) return PlayStatus::Corrupted;
        if (function == 0) break;
        Params p{RecordReader(data + at, size_t(words * 2))};
        switch (function) {
        case 0x001E: c.SaveDC(); break;
        case 0x0127: c.RestoreDC(p.S(0)); break;
        case 0x0102: dc.opaqueBackground = p.U(0) == 2; break;
        case 0x0103: // only the scaling modes change how the window meets the frame
            if (p.U(0) == MapIsotropic || p.U(0) == MapAnisotropic) dc.mapMode = p.U(0);
            break;
        case 0x0104: dc.rop2 = p.U(0); break;
        case 0x0106: dc.windingFill = p.U(0) == 2; break;
        case 0x012E: dc.textAlign = p.U(0); break;
        case 0x0201: dc.backColor = c.ResolveColor(p.U32(0)); break;
        case 0x0209: dc.textColor = c.ResolveColor(p.U32(0)); break;
        case 0x020B: dc.windowOrg = p.P(0); break;
        case 0x020C: dc.windowExt = p.P(0); break;
        case 0x020F: dc.windowOrg += p.P(0); break;
        case 0x0410: { // scale window extent: y denominator, y numerator, x denominator, x numerator
            const double yd = p.S(0), yn = p.S(1), xd = p.S(2), xn = p.S(3);
            if (xd != 0 && yd != 0) dc.windowExt = QPointF(dc.windowExt.x() * xn / xd, dc.windowExt.y() * yn / yd);
            break;
        }
        case 0x0213: c.LineTo(p.P(0)); break;
        case 0x0214: c.MoveTo(p.P(0)); break;
        case 0x012D: {
            const uint16_t i = p.U(0);
            if (const GdiObject* o = c.Object(i); o && o->kind == GdiObject::Palette) dc.palette = o->palette;
            else c.SelectObject(i);
            break;
        }
        case 0x0234: c.SelectObject(p.U(0)); break;
        case 0x01F0: c.DeleteObject(p.U(0)); break;
        case 0x012C: { // select a clip region; anything but a region resets the clip
            const GdiObject* o = c.Object(p.U(0));
            if (o && o->kind == GdiObject::Region) c.CombineClip(o->region, 5);
            else c.ResetClip();
            break;
        }
        case 0x0415: c.ExcludeClipRect(p.Rect(0)); break;
        case 0x0416: c.IntersectClipRect(p.Rect(0)); break;
        case 0x0324:
        case 0x0325: {
            const uint16_t count = p.U(0);
            auto points = ReadPoints(p.r, kRecordHeader + 2, count);
            if (!p.r.Ok()) return PlayStatus::Corrupted;
            if (function == 0x0324) c.Polygons({points});
            else c.Polyline(points);
            break;
        }
        case 0x0538: {
            const uint16_t polys = p.U(0);
            if (!p.r.Need(kRecordHeader + 2, uint64_t{polys} * 2)) return PlayStatus::Corrupted;
            std::vector<std::vector<QPointF>> list;
            uint64_t pointsAt = kRecordHeader + 2 + uint64_t{polys} * 2;
            for (uint16_t i = 0; i < polys; ++i) {
                const uint16_t count = p.U(1 + i);
                list.push_back(ReadPoints(p.r, pointsAt, count));
                pointsAt += uint64_t{count} * 4;
                if (!p.r.Ok()) return PlayStatus::Corrupted;
            }
            c.Polygons(list);
            break;
        }
        case 0x041B: c.Rectangle(p.Rect(0)); break;
        case 0x0418: c.Ellipse(p.Rect(0)); break;
        case 0x061C: c.RoundRect(p.Rect(2), QSizeF(p.S(1), p.S(0))); break;
        case 0x0817:
        case 0x0830:
        case 0x081A:
            c.ArcShape(p.Rect(4), p.P(2), p.P(0), function == 0x0817 ? 0 : function == 0x0830 ? 1 : 2);
            break;
        case 0x041F: c.SetPixel(p.P(2), c.ResolveColor(p.U32(0))); break;
        case 0x061D: c.PatternBlt(QRectF(p.S(5), p.S(4), p.S(3), p.S(2)), p.U32(0)); break;
        case 0x0521:
        case 0x0A32: TextOut(p, function, c); break;
        case 0x0940:
        case 0x0B41:
        case 0x0F43:
        case 0x0D33: DibBlt(p, function, uint32_t(words), c); break;
        case 0x0228: { // fill region with a brush
            const GdiObject* region = c.Object(p.U(0));
            const GdiObject* brush = c.Object(p.U(1));
            if (region && brush && region->kind == GdiObject::Region && brush->kind == GdiObject::Brush)
                c.FillImageRegion(region->region, brush->brush);
            break;
        }
        case 0x012B: { // paint region with the current brush
            const GdiObject* region = c.Object(p.U(0));
            if (region && region->kind == GdiObject::Region) c.FillImageRegion(region->region, dc.brush);
            break;
        }
        case 0x02FA:
        case 0x02FC:
        case 0x02FB:
        case 0x00F7:
        case 0x0142:
        case 0x01F9:
        case 0x06FF:
            if (!CreateObject(p, function, c)) return PlayStatus::Corrupted;
            break;
        default: break; // records without a visible effect here are skipped
        }
        if (!p.r.Ok()) return PlayStatus::Corrupted;
        at += words * 2;
    }
    return c.WithinBudget() ? PlayStatus::Ok : PlayStatus::TooComplex;
}

} // namespace vex::metafile
