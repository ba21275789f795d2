#include "editing/ImageMemory.h"

#include "editing/FrameImage.h"

namespace vex {

uint64_t RasterBytes(const Raster& image)
{
    uint64_t n = sizeof(Raster) + image.GetSize();
    const uint64_t plane = uint64_t{image.GetWidth()} * image.GetHeight();
    if (image.IsValid() && image.AlphaIsValid()) n += plane;
    if (image.IsValid() && image.SelectionIsValid()) n += plane;
    return n;
}

uint64_t FrameBytes(const CFrameImage& frame)
{
    uint64_t n = RasterBytes(frame) + (sizeof(CFrameImage) - sizeof(Raster));
    for (int32_t i = 0; i < frame.GetLayerCount(); ++i) {
        const CTemplateLayer* layer = frame.GetLayer(i);
        n += FrameBytes(layer->picture) + (sizeof(CTemplateLayer) - sizeof(CFrameImage));
        if (layer->text) n += layer->text->capacity();
    }
    return n;
}

} // namespace vex
