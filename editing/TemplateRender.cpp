#include "editing/TemplateRender.h"

namespace vex {

bool RenderTemplate(const TemplateInfo&, CTemplateLayer&, bool)
{
    return false;
}

} // namespace vex
