#pragma once
// A template layer's arrow as the editor shows it: the arrow geometry of the
// layer drawn at the zoom with a QPainter, and the anchor marker.

#include <QPainter>

#include "editing/TemplateRender.h"

namespace vex {

ArrowParams ArrowOf(const TemplateInfo& description);
// Whether the layer shows an arrow (not hidden, anchor outside the layer).
bool LayerHasArrow(const CTemplateLayer& layer);
// Paints the arrow in zoomed logical coordinates onto `p`.
void PaintLayerArrow(QPainter& p, const CTemplateLayer& layer, float zoom);

} // namespace vex
