// Zoom steps, their storage and the scroll extent they give.

#include <cmath>

#include <QScrollBar>

#include "editor/IconView.h"
#include "platform/Settings.h"

namespace vex {

bool CanZoomIn(float zoom) { return zoom < 10.0f; }
bool CanZoomOut(float zoom) { return zoom > 0.25f; }

// Quarter steps below 1, whole steps from 1 up; from 1 in gives 2, out 0.75.
float ZoomInStep(float zoom)
{
    if (!CanZoomIn(zoom)) return zoom;
    return zoom < 1.0f ? zoom + 0.25f : zoom + 1.0f;
}

float ZoomOutStep(float zoom)
{
    if (!CanZoomOut(zoom)) return zoom;
    return zoom > 1.0f ? zoom - 1.0f : zoom - 0.25f;
}

void CIconView::ZoomIn()
{
    if (!HasFrames() || !CanZoomIn(zoom_)) return;
    zoom_ = ZoomInStep(zoom_);
    AfterZoomChange();
}

void CIconView::ZoomOut()
{
    if (!HasFrames() || !CanZoomOut(zoom_)) return;
    zoom_ = ZoomOutStep(zoom_);
    AfterZoomChange();
}

void CIconView::ZoomReset()
{
    if (!HasFrames() || zoom_ == 1.0f) return;
    zoom_ = 1.0f;
    AfterZoomChange();
}

void CIconView::AfterZoomChange()
{
    StoreZoom();
    RebuildEraserCursor();
    UpdateScrollSizes();
    viewport()->update();
}

void CIconView::StoreZoom() const
{
    if (!(GetDisplayStyle() & kStyleSaveView)) return;
    if (zoom_ < 0.25f || zoom_ > 10.0f) return;
    SetSettingInt(kSectionDisplay, "Zoom", uint32_t(std::trunc(zoom_ * 100.0f)));
}

void CIconView::LoadStoredZoom()
{
    if (!(GetDisplayStyle() & kStyleSaveView)) return;
    uint32_t value = 0;
    if (!GetSettingInt(kSectionDisplay, "Zoom", value)) return;
    if (value < 25 || value > 1000) return;
    zoom_ = float(value) * 0.01f;
}

void CIconView::UpdateScrollSizes()
{
    int32_t w = 0, h = 0;
    GetCanvasSize(w, h);
    const QSize extent(int(std::trunc(float(w) * zoom_)), int(std::trunc(float(h) * zoom_)));
    if (extent != scrollExtent_ || extent.isEmpty()) {
        scrollExtent_ = extent;
        const QSize page = viewport()->size();
        horizontalScrollBar()->setRange(0, std::max(0, extent.width() - page.width()));
        verticalScrollBar()->setRange(0, std::max(0, extent.height() - page.height()));
        horizontalScrollBar()->setPageStep(std::max(1, page.width()));
        verticalScrollBar()->setPageStep(std::max(1, page.height()));
        horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
        verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
        NotifyRulers(3, QPoint(0, 0), true);
    }
    viewport()->update();
}

} // namespace vex
