#include "editor/RulerView.h"

#include <cmath>

#include <QPaintEvent>
#include <QPainter>

#include "editor/RulerSplitter.h"

namespace vex {
namespace {

struct Pass {
    int interval;
    int start;
    bool labelled;
};
constexpr Pass kPasses[] = {{10, 10, true}, {5, 12, false}, {1, 15, false}};

void ActivateEditorOf(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (auto* s = qobject_cast<CRulerSplitter*>(p)) {
            s->ActivateEditor();
            return;
        }
    }
}

} // namespace

CRulerView::CRulerView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CRulerView::UpdateRuler(int kind, int scrollX, int scrollY, bool repaint, int pointerX, int pointerY,
                             int canvasWidth, int canvasHeight, float zoom)
{
    scrollX_ = scrollX;
    scrollY_ = scrollY;
    imageWidth_ = canvasWidth;
    imageHeight_ = canvasHeight;
    zoom_ = zoom;
    if (kind == 3) {
        const bool horizontal = orientation_ == 1;
        const int p = horizontal ? pointerX : pointerY;
        const double extent = horizontal ? double(canvasWidth) * zoom : double(zoom) * canvasHeight;
        if (p <= extent && p != marker_) {
            marker_ = p;
            update();
        }
    }
    if ((kind == 1 && orientation_ == 0) || (kind == 2 && orientation_ == 1)) update();
    if (repaint) {
        marker_ = -1;
        update();
    }
}

std::vector<CRulerView::Tick> CRulerView::Ticks() const
{
    std::vector<Tick> ticks;
    const bool horizontal = orientation_ == 1;
    const int extent = horizontal ? imageWidth_ : imageHeight_;
    const int scroll = horizontal ? scrollX_ : scrollY_;
    for (const Pass& pass : kPasses) {
        const int n = extent / pass.interval;
        if (n <= 0) continue;
        const int step = int(std::trunc(float(pass.interval) * zoom_));
        for (int k = 1; k <= n; ++k)
            ticks.push_back(Tick{k * step - scroll, pass.start, pass.labelled ? k * pass.interval : -1});
    }
    return ticks;
}

void CRulerView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    const bool horizontal = orientation_ == 1;
    // The white band covers the canvas counted in image pixels.
    if (horizontal) p.fillRect(QRect(0, 0, imageWidth_, height()), Qt::white);
    else p.fillRect(QRect(0, 0, width(), imageHeight_), Qt::white);

    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Normal);
    font.setPixelSize(horizontal ? 12 : 10);
    p.setFont(font);
    p.setPen(QPen(Qt::black, 1));
    const QFontMetrics fm(font);
    for (const Tick& t : Ticks()) {
        if (horizontal) p.drawLine(t.position, t.start, t.position, height());
        else p.drawLine(t.start, t.position, width(), t.position);
        if (t.label < 0) continue;
        const QString text = QString::number(t.label);
        if (horizontal) {
            // Right-aligned: the text ends at the tick.
            p.drawText(QPoint(t.position - fm.horizontalAdvance(text), fm.ascent()), text);
        } else {
            // Turned a quarter left, starting at the tick and reading upward.
            p.save();
            p.translate(0, t.position);
            p.rotate(-90);
            p.drawText(QPoint(0, fm.ascent()), text);
            p.restore();
        }
    }
    if (marker_ >= 0) {
        // The marker shows inverted against what the ruler painted there.
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        if (horizontal) p.fillRect(QRect(marker_, 0, 1, height()), Qt::black);
        else p.fillRect(QRect(0, marker_, width(), 1), Qt::black);
    }
}

void CRulerView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    ActivateEditorOf(this);
}

void CRulerView::mousePressEvent(QMouseEvent*) { ActivateEditorOf(this); }

CRulerCornerView::CRulerCornerView(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::ClickFocus); }

void CRulerCornerView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setBrush(QBrush(QColor(221, 221, 221), Qt::DiagCrossPattern));
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CRulerCornerView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    ActivateEditorOf(this);
}

void CRulerCornerView::mousePressEvent(QMouseEvent*) { ActivateEditorOf(this); }

} // namespace vex
