// Enhanced metafile records played onto the canvas.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "image/codecs/metafile/MetafilePlayers.h"

namespace vex::metafile {
namespace {

constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr uint32_t kStockObject = 0x80000000;
constexpr uint32_t kSourceCopy = 0x00CC0020;

QPointF Point32(RecordReader& r, uint64_t at) { return QPointF(r.I32(at), r.I32(at + 4)); }
QRectF Rect32(RecordReader& r, uint64_t at) { return QRectF(Point32(r, at), Point32(r, at + 8)); }

// count points of 16 or 32-bit coordinates at `at`, or empty (reader bad) when short.
std::vector<QPointF> ReadPoints(RecordReader& r, uint64_t at, uint64_t count, bool small)
{
    std::vector<QPointF> out;
    const uint64_t each = small ? 4 : 8;
    if (count > r.Size() / each || !r.Need(at, count * each)) {
        r.Fail();
        return out;
    }
    out.reserve(count);
    for (uint64_t i = 0; i < count; ++i, at += each)
        out.emplace_back(small ? QPointF(r.I16(at), r.I16(at + 2)) : Point32(r, at));
    return out;
}

QTransform ReadXform(RecordReader& r, uint64_t at)
{
    double m[6];
    for (int i = 0; i < 6; ++i) {
        m[i] = r.F32(at + 4 * uint64_t(i));
        if (!std::isfinite(m[i])) m[i] = 0;
    }
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// Rectangles of a region record, in reference-device pixels.
bool ReadRegion(RecordReader& r, uint64_t at, uint64_t bytes, std::vector<QRect>& rects)
{
    if (bytes < 32 || !r.Need(at, bytes)) return false;
    const uint32_t count = r.U32(at + 8);
    if (count > (bytes - 32) / 16) return false;
    rects.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t p = at + 32 + 16 * uint64_t{i};
        const int64_t l = r.I32(p), t = r.I32(p + 4), rt = r.I32(p + 8), b = r.I32(p + 12);
        if (rt > l && b > t) rects.emplace_back(int(std::clamp<int64_t>(l, -1000000, 1000000)),
                                                int(std::clamp<int64_t>(t, -1000000, 1000000)),
                                                int(std::clamp<int64_t>(rt - l, 0, 2000000)),
                                                int(std::clamp<int64_t>(b - t, 0, 2000000)));
    }
    return r.Ok();
}

GdiObject ReadFont(RecordReader& r)
{
    GdiObject o;
    o.kind = GdiObject::Font;
    o.font.height = r.I32(12);
    o.font.escapement = r.I32(20);
    o.font.weight = r.I32(28);
    o.font.italic = r.U8(32) != 0;
    o.font.underline = r.U8(33) != 0;
    o.font.strikeOut = r.U8(34) != 0;
    QString face;
    for (uint64_t i = 0; i < 32 && r.Has(40 + 2 * i, 2); ++i) {
        const uint16_t ch = r.U16(40 + 2 * i);
        if (ch == 0) break;
        face.append(QChar(ch));
    }
    o.font.face = face.toStdString();
    return o;
}

void TextOut(RecordReader& r, uint32_t type, MetafileCanvas& c)
{
    const QPointF ref = Point32(r, 36);
    const uint32_t count = r.U32(44), offString = r.U32(48), options = r.U32(52);
    const QRectF rect = Rect32(r, 56);
    const bool wide = type == 84;
    const uint64_t bytes = uint64_t{count} * (wide ? 2 : 1);
    if (!r.Ok() || !r.Need(offString, bytes)) return;
    QString text;
    if (wide) {
        text.reserve(qsizetype(count));
        for (uint32_t i = 0; i < count; ++i) text.append(QChar(r.U16(offString + 2 * uint64_t{i})));
    } else {
        text = QString::fromLatin1(reinterpret_cast<const char*>(r.Data() + offString), qsizetype(count));
    }
    std::optional<QRectF> opaque, clip;
    if (options & 0x0002) opaque = rect;
    if (options & 0x0004) clip = rect;
    c.Text(ref, text, (c.State().textAlign & 1) != 0, opaque, clip);
}

void Blt(RecordReader& r, uint32_t type, MetafileCanvas& c)
{
    if (type == 76 || type == 77) { // bit block transfer, stretched or not
        const QRectF dest(Point32(r, 24), QSizeF(r.I32(32), r.I32(36)));
        const uint32_t rop = r.U32(40);
        const double xs = r.I32(44), ys = r.I32(48);
        const uint32_t offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92), cbBits = r.U32(96);
        if (!r.Ok()) return;
        if (cbBmi == 0) {
            c.PatternBlt(dest, rop);
            return;
        }
        const QImage image = DecodeDib(r, offBmi, cbBmi, offBits, cbBits, c);
        const QSizeF src = type == 77 ? QSizeF(r.I32(100), r.I32(104)) : dest.size();
        if (r.Ok()) c.Bitmap(image, dest, QRectF(QPointF(xs, ys), src), rop);
        return;
    }
    // Device-independent bits: source rectangles count from the bottom row.
    const QPointF at = Point32(r, 24);
    const double xs = r.I32(32), ys = r.I32(36), ws = r.I32(40), hs = r.I32(44);
    const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60);
    const uint32_t rop = type == 81 ? r.U32(68) : kSourceCopy;
    const QSizeF destSize = type == 81 ? QSizeF(r.I32(72), r.I32(76)) : QSizeF(ws, hs);
    if (!r.Ok()) return;
    if (cbBmi == 0) {
        c.PatternBlt(QRectF(at, destSize), rop);
        return;
    }
    bool bottomUp = true;
    const QImage image = DecodeDib(r, offBmi, cbBmi, offBits, cbBits, c, &bottomUp);
    c.Bitmap(image, QRectF(at, destSize), SourceFromBottom(image, xs, ys, ws, hs, bottomUp), rop);
}

// Object-creating records; false when the record is malformed.
bool CreateObject(RecordReader& r, uint32_t type, MetafileCanvas& c)
{
    const uint32_t slot = r.U32(8);
    GdiObject o;
    switch (type) {
    case 38:
        o.kind = GdiObject::Pen;
        o.pen = PenSpec{r.U32(12), double(r.I32(16)), c.ResolveColor(r.U32(24))};
        break;
    case 95: // extended pen: style, width, brush style, colour
        o.kind = GdiObject::Pen;
        o.pen = PenSpec{r.U32(28), double(r.U32(32)), c.ResolveColor(r.U32(40))};
        if (r.U32(36) == 1) o.pen.style = (o.pen.style & ~0x0Fu) | 5; // null brush: no line
        break;
    case 39:
        o.kind = GdiObject::Brush;
        o.brush = BrushSpec{r.U32(12), c.ResolveColor(r.U32(16)), r.U32(20), {}};
        if (o.brush.style > 6) o.brush.style = 0;
        break;
    case 93:
    case 94:
        o.kind = GdiObject::Brush;
        o.brush.style = 5;
        o.brush.pattern = DecodeDib(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), c);
        break;
    case 82: o = ReadFont(r); break;
    case 49: {
        o.kind = GdiObject::Palette;
        const uint16_t n = r.U16(14);
        if (!r.Need(16, uint64_t{n} * 4)) return false;
        for (uint16_t i = 0; i < n; ++i)
            o.palette.emplace_back(r.U8(16 + 4 * uint64_t{i}), r.U8(17 + 4 * uint64_t{i}), r.U8(18 + 4 * uint64_t{i}));
        break;
    }
    default: return true;
    }
    if (!r.Ok()) return false;
    c.SetObject(slot, std::move(o)); // slots outside the table are ignored, as the system does
    return true;
}

void Select(uint32_t index, MetafileCanvas& c)
{
    if (index & kStockObject) c.SelectStockObject(index & ~kStockObject);
    else c.SelectObject(index);
}

// The shapes and lines, all in one place so the player's switch stays short.
bool Draw(RecordReader& r, uint32_t type, MetafileCanvas& c)
{
    switch (type) {
    case 2: case 3: case 4: case 5: case 6:
    case 85: case 86: case 87: case 88: case 89: {
        const bool small = type >= 85;
        const uint32_t kind = small ? type - 83 : type;
        auto points = ReadPoints(r, 28, r.U32(24), small);
        if (!r.Ok()) return false;
        if (kind == 2) c.PolyBezier(points);
        else if (kind == 3) c.Polygons({points});
        else if (kind == 4) c.Polyline(points);
        else if (kind == 5) c.PolyBezier(points, true);
        else c.Polyline(points, true);
        return true;
    }
    case 7: case 8: case 90: case 91: {
        const bool small = type >= 90;
        const uint32_t polys = r.U32(24), total = r.U32(28);
        if (!r.Ok() || polys > r.Size() / 4 || !r.Need(32, uint64_t{polys} * 4)) return false;
        auto points = ReadPoints(r, 32 + uint64_t{polys} * 4, total, small);
        if (!r.Ok()) return false;
        std::vector<std::vector<QPointF>> list;
        uint64_t next = 0;
        for (uint32_t i = 0; i < polys; ++i) {
            const uint64_t n = r.U32(32 + 4 * uint64_t{i});
            if (n > points.size() - next) return false;
            list.emplace_back(points.begin() + long(next), points.begin() + long(next + n));
            next += n;
        }
        if (type == 8 || type == 91) c.Polygons(list);
        else
            for (const auto& line : list) c.Polyline(line);
        return true;
    }
    case 27: c.MoveTo(Point32(r, 8)); return r.Ok();
    case 54: c.LineTo(Point32(r, 8)); return r.Ok();
    case 42: c.Ellipse(Rect32(r, 8)); return r.Ok();
    case 43: c.Rectangle(Rect32(r, 8)); return r.Ok();
    case 44: c.RoundRect(Rect32(r, 8), QSizeF(r.I32(24), r.I32(28))); return r.Ok();
    case 45: case 46: case 47: case 55: {
        const QRectF box = Rect32(r, 8);
        const QPointF start = Point32(r, 24), end = Point32(r, 32);
        if (!r.Ok()) return false;
        c.ArcShape(box, start, end, type == 46 ? 1 : type == 47 ? 2 : 0);
        return true;
    }
    case 15: c.SetPixel(Point32(r, 8), c.ResolveColor(r.U32(16))); return r.Ok();
    default: return true;
    }
}

} // namespace

std::optional<EmfHeader> ParseEmfHeader(const uint8_t* data, size_t size)
{
    RecordReader r(data, size);
    const uint32_t type = r.U32(0), bytes = r.U32(4);
    if (!r.Ok() || type != 1 || bytes < 88 || bytes > size || r.U32(40) != kEmfSignature) return std::nullopt;
    EmfHeader h;
    h.bounds = QRect(QPoint(r.I32(8), r.I32(12)), QPoint(r.I32(16), r.I32(20)));
    h.frame = QRect(QPoint(r.I32(24), r.I32(28)), QPoint(r.I32(32), r.I32(36)));
    h.handles = r.U16(56);
    h.deviceWidth = r.I32(72);
    h.deviceHeight = r.I32(76);
    h.mmWidth = r.I32(80);
    h.mmHeight = r.I32(84);
    if (!r.Ok()) return std::nullopt;
    return h;
}

PlayStatus PlayEmf(const uint8_t* data, size_t size, const EmfHeader& header, MetafileCanvas& c,
                   const CancelCheck& cancelled)
{
    c.ResizeObjectTable(header.handles);
    auto& dc = c.State();
    uint64_t at = 0;
    for (uint64_t n = 0; at < size; ++n) {
        if (n >= kMaxRecords) return PlayStatus::TooComplex;
        if ((n & 255) == 0 && cancelled && cancelled()) return PlayStatus::Cancelled;
        if (!c.WithinBudget()) return PlayStatus::TooComplex;
        if (size - at < 8) return PlayStatus::Corrupted;
        RecordReader head(data + at, size - at);
        const uint32_t type = head.U32(0), bytes = head.U32(4);
        if (bytes < 8 || bytes > size - at) return PlayStatus::Corrupted;
        if (type == 14) break;
        RecordReader r(data + at, bytes);
        switch (type) {
        case 9: dc.windowExt = Point32(r, 8); break;
        case 10: dc.windowOrg = Point32(r, 8); break;
        case 11: dc.viewportExt = Point32(r, 8); break;
        case 12: dc.viewportOrg = Point32(r, 8); break;
        case 17: {
            const uint32_t mode = r.U32(8);
            if (mode >= MapText && mode <= MapAnisotropic) dc.mapMode = int(mode);
            break;
        }
        case 18: dc.opaqueBackground = r.U32(8) == 2; break;
        case 19: dc.windingFill = r.U32(8) == 2; break;
        case 20: dc.rop2 = int(r.U32(8)); break;
        case 22: dc.textAlign = r.U32(8); break;
        case 24: dc.textColor = c.ResolveColor(r.U32(8)); break;
        case 25: dc.backColor = c.ResolveColor(r.U32(8)); break;
        case 29: c.ExcludeClipRect(Rect32(r, 8)); break;
        case 30: c.IntersectClipRect(Rect32(r, 8)); break;
        case 31:
        case 32: { // scale the viewport or window extent by two fractions
            const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
            QPointF& ext = type == 31 ? dc.viewportExt : dc.windowExt;
            if (xd != 0 && yd != 0) ext = QPointF(ext.x() * xn / xd, ext.y() * yn / yd);
            break;
        }
        case 33: c.SaveDC(); break;
        case 34: c.RestoreDC(r.I32(8)); break;
        case 35: dc.world = ReadXform(r, 8); break;
        case 36: {
            const QTransform x = ReadXform(r, 8);
            const uint32_t mode = r.U32(32);
            if (mode == 1) dc.world = QTransform();
            else if (mode == 2) dc.world = x * dc.world;
            else if (mode == 3) dc.world = dc.world * x;
            else if (mode == 4) dc.world = x;
            break;
        }
        case 37: Select(r.U32(8), c); break;
        case 48: Select(r.U32(8), c); break;
        case 40: c.DeleteObject(r.U32(8)); break;
        case 38: case 39: case 49: case 82: case 93: case 94: case 95:
            if (!CreateObject(r, type, c)) return PlayStatus::Corrupted;
            break;
        case 57: dc.clockwiseArcs = r.U32(8) == 2; break;
        case 59: c.BeginPath(); break;
        case 60: c.EndPath(); break;
        case 61: c.CloseFigure(); break;
        case 62: c.PaintPath(true, false); break;
        case 63: c.PaintPath(true, true); break;
        case 64: c.PaintPath(false, true); break;
        case 67: c.ClipToPath(int(r.U32(8))); break;
        case 68: c.AbortPath(); break;
        case 71:
        case 74: { // fill or paint a region
            std::vector<QRect> rects;
            const uint32_t cb = r.U32(24);
            const uint64_t regionAt = type == 71 ? 32 : 28;
            if (!ReadRegion(r, regionAt, cb, rects)) return PlayStatus::Corrupted;
            const GdiObject* brush = type == 71 ? c.Object(r.U32(28)) : nullptr;
            if (type == 74) c.FillImageRegion(c.DeviceRegionToImage(rects), dc.brush);
            else if (brush && brush->kind == GdiObject::Brush) c.FillImageRegion(c.DeviceRegionToImage(rects), brush->brush);
            break;
        }
        case 75: { // select a clip region; an empty copy resets the clip
            const uint32_t cb = r.U32(8), mode = r.U32(12);
            if (cb == 0) {
                if (mode == 5) c.ResetClip();
                break;
            }
            std::vector<QRect> rects;
            if (!ReadRegion(r, 16, cb, rects)) return PlayStatus::Corrupted;
            c.CombineClip(c.DeviceRegionToImage(rects), int(mode));
            break;
        }
        case 76: case 77: case 80: case 81: Blt(r, type, c); break;
        case 83: case 84: TextOut(r, type, c); break;
        default:
            if (!Draw(r, type, c)) return PlayStatus::Corrupted;
            break;
        }
        if (!r.Ok()) return PlayStatus::Corrupted;
        at += bytes;
    }
    return c.WithinBudget() ? PlayStatus::Ok : PlayStatus::TooComplex;
}

} // namespace vex::metafile
