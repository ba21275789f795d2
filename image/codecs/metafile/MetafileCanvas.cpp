// The device context: objects, saved states, mapping and clipping.

#include "image/codecs/metafile/MetafileCanvas.h"

#include <algorithm>
#include <cmath>

namespace vex::metafile {
namespace {

// Far enough outside any picture (at most 4000 pixels a side) that clamping
// changes nothing visible, near enough for the rasteriser's fixed point.
constexpr double kCoordLimit = 1.0e6;

double ClampCoord(double v)
{
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}

// Millimetres per logical unit of the fixed mapping modes.
double MetricUnitMm(int mode)
{
    switch (mode) {
    case MapLoMetric: return 0.1;
    case MapHiMetric: return 0.01;
    case MapLoEnglish: return 0.254;
    case MapHiEnglish: return 0.0254;
    case MapTwips: return 25.4 / 1440.0;
    default: return 0;
    }
}

double SafeRatio(double num, double den) { return den == 0 || !std::isfinite(den) ? 0 : num / den; }

} // namespace

MetafileCanvas::MetafileCanvas(QImage& target, const QTransform& deviceToImage, double pixelsPerMmX,
                               double pixelsPerMmY)
    : target_(target), painter_(&target), deviceToImage_(deviceToImage), pxPerMmX_(pixelsPerMmX),
      pxPerMmY_(pixelsPerMmY)
{
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Two hundred times over the whole picture, plus room for small pictures
    // with many records.
    budget_ = 200.0 * double(target.width()) * double(target.height()) + 1.0e8;
}

MetafileCanvas::~MetafileCanvas() { painter_.end(); }

bool MetafileCanvas::Charge(double units)
{
    if (overBudget_) return false;
    budget_ -= std::max(units, 1.0);
    if (budget_ < 0) overBudget_ = true;
    return !overBudget_;
}

// ---- object table ----

// Objects stay in the table until deleted; a pattern larger than any real
// brush tile is cut down so a file cannot pile up bitmaps there.
static void TrimPattern(GdiObject& o)
{
    constexpr int kMaxTile = 256;
    QImage& p = o.brush.pattern;
    if (!p.isNull() && (p.width() > kMaxTile || p.height() > kMaxTile))
        p = p.copy(0, 0, std::min(p.width(), kMaxTile), std::min(p.height(), kMaxTile));
}

void MetafileCanvas::ResizeObjectTable(size_t count) { objects_.resize(std::min(count, kMaxObjectSlots)); }

bool MetafileCanvas::AddObject(GdiObject object)
{
    TrimPattern(object);
    for (auto& slot : objects_)
        if (!slot) {
            slot = std::move(object);
            return true;
        }
    return false;
}

bool MetafileCanvas::SetObject(size_t slot, GdiObject object)
{
    TrimPattern(object);
    if (slot >= objects_.size()) return false;
    objects_[slot] = std::move(object);
    return true;
}

void MetafileCanvas::DeleteObject(size_t slot)
{
    if (slot < objects_.size()) objects_[slot].reset();
}

const GdiObject* MetafileCanvas::Object(size_t slot) const
{
    return slot < objects_.size() && objects_[slot] ? &*objects_[slot] : nullptr;
}

void MetafileCanvas::SelectObject(size_t slot)
{
    const GdiObject* o = Object(slot);
    if (!o) return;
    switch (o->kind) {
    case GdiObject::Pen: dc_.pen = o->pen; break;
    case GdiObject::Brush: dc_.brush = o->brush; break;
    case GdiObject::Font: dc_.font = o->font; break;
    case GdiObject::Palette: dc_.palette = o->palette; break;
    case GdiObject::Region:
        CombineClip(o->region, 5);
        break;
    }
}

void MetafileCanvas::SelectStockObject(uint32_t index)
{
    static const int kBrushGrey[] = {255, 192, 128, 64, 0};
    if (index <= 4) dc_.brush = BrushSpec{0, QColor(kBrushGrey[index], kBrushGrey[index], kBrushGrey[index]), 0, {}};
    else if (index == 5) dc_.brush = BrushSpec{1, Qt::white, 0, {}};
    else if (index == 6) dc_.pen = PenSpec{0, 0, Qt::white};
    else if (index == 7) dc_.pen = PenSpec{0, 0, Qt::black};
    else if (index == 8) dc_.pen = PenSpec{5, 0, Qt::black};
    else if ((index >= 10 && index <= 14) || index == 16 || index == 17) dc_.font = FontSpec{};
    else if (index == 15) dc_.palette.clear();
    else if (index == 18) dc_.brush = BrushSpec{0, Qt::white, 0, {}};
    else if (index == 19) dc_.pen = PenSpec{0, 0, Qt::black};
}

QColor MetafileCanvas::ResolveColor(uint32_t ref) const
{
    if ((ref >> 24) == 1) {
        const size_t i = ref & 0xFFFF;
        return i < dc_.palette.size() ? dc_.palette[i] : QColor(Qt::black);
    }
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

// ---- saved states and clipping ----

void MetafileCanvas::SaveDC()
{
    if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
}

void MetafileCanvas::RestoreDC(int32_t which)
{
    size_t level;
    if (which < 0) {
        const uint64_t back = uint64_t(-int64_t{which});
        if (back > saved_.size()) return;
        level = saved_.size() - back;
    } else {
        if (which == 0 || size_t(which) > saved_.size()) return;
        level = size_t(which) - 1;
    }
    dc_ = saved_[level];
    saved_.resize(level);
    ApplyClip();
}

void MetafileCanvas::ApplyClip()
{
    if (dc_.clipped) painter_.setClipRegion(dc_.clip);
    else painter_.setClipping(false);
}

void MetafileCanvas::ResetClip()
{
    dc_.clipped = false;
    dc_.clip = QRegion();
    ApplyClip();
}

void MetafileCanvas::CombineClip(const QRegion& r, int mode)
{
    const QRegion base = dc_.clipped ? dc_.clip : QRegion(target_.rect());
    // Combining regions costs with the rectangles on both sides.
    if (!Charge(64.0 * (double(base.rectCount()) + r.rectCount()))) return;
    switch (mode) {
    case 1: dc_.clip = base.intersected(r); break;
    case 2: dc_.clip = base.united(r); break;
    case 3: dc_.clip = base.xored(r); break;
    case 4: dc_.clip = base.subtracted(r); break;
    case 5: dc_.clip = r.intersected(target_.rect()); break;
    default: return;
    }
    dc_.clipped = true;
    ApplyClip();
}

static QRect ImageRectOf(const QRectF& r)
{
    // Clip rectangles leave out their right and bottom edges.
    const QRectF n = r.normalized();
    const QPoint tl(int(std::lround(n.left())), int(std::lround(n.top())));
    const QPoint br(int(std::lround(n.right())) - 1, int(std::lround(n.bottom())) - 1);
    return QRect(tl, br);
}

void MetafileCanvas::IntersectClipRect(QRectF logical)
{
    CombineClip(QRegion(ImageRectOf(QRectF(Map(logical.topLeft()), Map(logical.bottomRight())))), 1);
}

void MetafileCanvas::ExcludeClipRect(QRectF logical)
{
    CombineClip(QRegion(ImageRectOf(QRectF(Map(logical.topLeft()), Map(logical.bottomRight())))), 4);
}

QRegion MetafileCanvas::DeviceRegionToImage(const std::vector<QRect>& rects) const
{
    QRegion out;
    for (const QRect& r : rects) {
        const QPointF a = deviceToImage_.map(QPointF(r.left(), r.top()));
        const QPointF b = deviceToImage_.map(QPointF(double(r.left()) + r.width(), double(r.top()) + r.height()));
        const QRectF mapped(QPointF(ClampCoord(a.x()), ClampCoord(a.y())), QPointF(ClampCoord(b.x()), ClampCoord(b.y())));
        out += ImageRectOf(mapped).intersected(target_.rect());
    }
    return out;
}

// ---- mapping ----

QTransform MetafileCanvas::Total() const
{
    double sx = 1, sy = 1;
    if (const double mm = MetricUnitMm(dc_.mapMode); mm > 0) {
        sx = pxPerMmX_ * mm;
        sy = -pxPerMmY_ * mm;
    } else if (dc_.mapMode == MapIsotropic || dc_.mapMode == MapAnisotropic) {
        sx = SafeRatio(dc_.viewportExt.x(), dc_.windowExt.x());
        sy = SafeRatio(dc_.viewportExt.y(), dc_.windowExt.y());
        if (dc_.mapMode == MapIsotropic) {
            const double m = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    const QTransform page(sx, 0, 0, sy, dc_.viewportOrg.x() - dc_.windowOrg.x() * sx,
                          dc_.viewportOrg.y() - dc_.windowOrg.y() * sy);
    return dc_.world * page * deviceToImage_;
}

QPointF MetafileCanvas::Map(QPointF p) const
{
    const QPointF m = Total().map(p);
    return {ClampCoord(m.x()), ClampCoord(m.y())};
}

double MetafileCanvas::LengthScale() const
{
    const double s = std::sqrt(std::fabs(Total().determinant()));
    return std::isfinite(s) ? s : 0;
}

QPainterPath MetafileCanvas::ToImage(const QPainterPath& logical) const
{
    QPainterPath out = Total().map(logical);
    for (int i = 0; i < out.elementCount(); ++i) {
        const QPainterPath::Element e = out.elementAt(i);
        out.setElementPositionAt(i, ClampCoord(e.x), ClampCoord(e.y));
    }
    out.setFillRule(dc_.windingFill ? Qt::WindingFill : Qt::OddEvenFill);
    return out;
}

} // namespace vex::metafile
