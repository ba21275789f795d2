#pragma once
// Template cards and the arrows that join a template layer to its anchor.

#include <cstdint>
#include <optional>
#include <vector>

#include "editing/FrameImage.h"

namespace vex {

struct DrawPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const DrawPoint&, const DrawPoint&) = default;
};

// The arrow fields of a template description.
struct ArrowParams {
    int32_t width = 10;
    float angle = 0.3f;
    bool filled = false;
    int32_t pen = 1;
    uint32_t fillColor = 0;
    uint32_t color = 0;
    int32_t style = 3;
};

// Renders the card described by `description` into the layer's picture.
// Returns false for picture templates and when nothing had to be drawn.
bool RenderTemplate(const TemplateInfo& description, CTemplateLayer& layer, bool force);

} // namespace vex
