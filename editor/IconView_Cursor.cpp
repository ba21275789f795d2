// The cursor over the canvas: size cursors over the handles, the tool's own
// cursor over the canvas, the arrow elsewhere.

#include <cmath>
#include <map>

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "editor/IconView.h"
#include "image/Bridge.h"

namespace vex {
namespace {

constexpr int kCursorMove = 149, kCursorPencil = 150, kCursorMoveObject = 153, kCursorLine = 154, kCursorText = 155,
              kCursorFill = 156, kCursorEllipse = 157, kCursorRectangle = 158, kCursorHotspot = 165;
constexpr int kCursorHandle = -2, kCursorEraser = -1;

// A small cross at the hot spot with the tool's sign beside it.
QCursor MakeToolCursor(int id)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen outline(Qt::white, 3);
    QPen ink(Qt::black, 1);
    auto both = [&](auto draw) {
        p.setPen(outline);
        draw();
        p.setPen(ink);
        draw();
    };
    QPoint hot(8, 8);
    switch (id) {
    case kCursorMove:
    case kCursorMoveObject:
        hot = QPoint(15, 15);
        both([&] {
            p.drawLine(15, 3, 15, 27);
            p.drawLine(3, 15, 27, 15);
            p.drawLine(15, 3, 12, 6), p.drawLine(15, 3, 18, 6);
            p.drawLine(15, 27, 12, 24), p.drawLine(15, 27, 18, 24);
            p.drawLine(3, 15, 6, 12), p.drawLine(3, 15, 6, 18);
            p.drawLine(27, 15, 24, 12), p.drawLine(27, 15, 24, 18);
            if (id == kCursorMoveObject) p.drawRect(10, 10, 10, 10);
        });
        break;
    case kCursorPencil:
        hot = QPoint(1, 30);
        both([&] {
            p.drawLine(1, 30, 4, 23), p.drawLine(1, 30, 8, 27);
            p.drawLine(4, 23, 24, 3), p.drawLine(8, 27, 28, 7), p.drawLine(24, 3, 28, 7);
        });
        break;
    default:
        both([&] {
            p.drawLine(8, 1, 8, 15);
            p.drawLine(1, 8, 15, 8);
            switch (id) {
            case kCursorLine: p.drawLine(16, 28, 28, 16); break;
            case kCursorText: p.drawLine(18, 16, 28, 16), p.drawLine(23, 16, 23, 29); break;
            case kCursorFill: p.drawRect(17, 19, 9, 9), p.drawLine(26, 19, 29, 26); break;
            case kCursorEllipse: p.drawEllipse(16, 16, 12, 12); break;
            case kCursorRectangle: p.drawRect(16, 16, 12, 12); break;
            case kCursorHotspot: p.drawEllipse(3, 3, 10, 10); break;
            default: break;
            }
        });
        break;
    }
    p.end();
    return QCursor(pm, hot.x(), hot.y());
}

const QCursor& ToolCursor(int id)
{
    static std::map<int, QCursor> cache;
    auto it = cache.find(id);
    if (it == cache.end()) it = cache.emplace(id, MakeToolCursor(id)).first;
    return it->second;
}

} // namespace

void CIconView::RebuildEraserCursor()
{
    const int size = eraserSetting_;
    const float side = zoom_ * (size == 1 ? 6.0f : size == 2 ? 8.0f : size == 3 ? 10.0f : 4.0f);
    const int s = std::max(1, int(uint16_t(std::trunc(side))));
    Raster square;
    if (!square.Create(uint32_t(s), uint32_t(s), 24)) return;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const bool border = x == 0 || y == 0 || x == s - 1 || y == s - 1;
            square.SetPixelColor(x, y, border ? MakeRgb(0, 0, 0) : MakeRgb(255, 255, 255));
        }
    square.SetHotspot(uint32_t(s / 2), uint32_t(s / 2));
    IconPlanes planes;
    if (!square.MakeCursor(planes)) return;
    QImage img(int(planes.width), int(planes.height), QImage::Format_ARGB32);
    for (uint32_t y = 0; y < planes.height; ++y)
        for (uint32_t x = 0; x < planes.width; ++x) {
            const uint64_t at = uint64_t{y} * planes.width + x;
            img.setPixel(int(x), int(y), planes.mask[at] ? 0u : planes.color[at]);
        }
    eraserCursor_ = QCursor(QPixmap::fromImage(img), planes.hotspotX, planes.hotspotY);
    eraserSize_ = QSize(s, s);
}

int CIconView::CursorIdAt(QPoint windowPoint) const
{
    if (!HasFrames()) return 0;
    const int code = HitTestHandle(windowPoint);
    if (code >= 1 && code <= 8) return kCursorHandle;
    if (code == 9) return kCursorMoveObject;
    if (ImagePointAt(windowPoint, false) == QPoint(-1, -1)) return 0;
    const uint32_t tool = drawStyle_ & kToolBits;
    switch (tool) {
    case ToolMove: return code == 16 ? kCursorMoveObject : kCursorMove;
    case ToolPencil: return kCursorPencil;
    case ToolLine:
    case ToolTransparent: return kCursorLine;
    case ToolText: return kCursorText;
    case ToolFill: return kCursorFill;
    case ToolEllipse: return kCursorEllipse;
    case ToolRectangle:
    case ToolRoundRect: return kCursorRectangle;
    case ToolSelect: return code == 17 ? kCursorMoveObject : kCursorRectangle;
    case ToolHotspot: return kCursorHotspot;
    case ToolEraser: return kCursorEraser;
    default: return 0;
    }
}

Qt::CursorShape CIconView::CursorShapeAt(QPoint windowPoint) const
{
    const int id = CursorIdAt(windowPoint);
    if (id == 0) return Qt::ArrowCursor;
    if (id != kCursorHandle) return Qt::BitmapCursor;
    switch (HitTestHandle(windowPoint)) {
    case 1:
    case 6: return Qt::SizeFDiagCursor;
    case 2:
    case 5: return Qt::SizeVerCursor;
    case 3:
    case 4: return Qt::SizeBDiagCursor;
    default: return Qt::SizeHorCursor;
    }
}

void CIconView::UpdateCursor(QPoint windowPoint)
{
    const int id = CursorIdAt(windowPoint);
    if (id == kCursorEraser) viewport()->setCursor(eraserCursor_);
    else if (id > 0) viewport()->setCursor(ToolCursor(id));
    else viewport()->setCursor(QCursor(CursorShapeAt(windowPoint)));
}

void CIconView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    UpdateCursor(p);
    if (!(event->buttons() & Qt::LeftButton)) NotifyRulers(3, p, false);
    QAbstractScrollArea::mouseMoveEvent(event);
}

} // namespace vex
