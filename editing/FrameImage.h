#pragma once
// A frame of the editable image: a raster with a place on the canvas and the
// template layers floating above it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editing/TemplateInfo.h"
#include "image/Raster.h"

namespace vex {

class CTemplateLayer;

class CFrameImage : public Raster {
public:
    CFrameImage();
    CFrameImage(const CFrameImage& src);
    CFrameImage& operator=(const CFrameImage& src);
    CFrameImage(CFrameImage&& src) noexcept;
    CFrameImage& operator=(CFrameImage&& src) noexcept;
    ~CFrameImage() override;

    // A full copy of the image (pixels, selection, alpha) placed at (left, top).
    void Place(const Raster& image, int32_t left, int32_t top);
    // Placement rectangle := (left, top, left + width, top + height).
    void UpdatePlacement(int32_t left, int32_t top);
    void UpdatePlacement() { UpdatePlacement(placement_.left, placement_.top); }

    RasterRect GetPlacement() const { return placement_; }
    void SetPlacement(const RasterRect& r) { placement_ = r; }
    // The template layers of src replace this frame's own.
    void CopyLayers(const CFrameImage& src);

    int32_t GetLayerCount() const;
    CTemplateLayer* GetLayer(int32_t index);
    const CTemplateLayer* GetLayer(int32_t index) const;
    RasterRect GetLayerRect(int32_t index) const;
    void SetLayerRect(int32_t index, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void AddLayer(const Raster& image);
    void RemoveLayer(int32_t index);
    // The description copy; x and y are its template.x and template.y, (-1, -1) when invalid.
    bool GetLayerDescription(int32_t index, TemplateInfo& description, int32_t& x, int32_t& y) const;
    void SetLayerDescription(int32_t index, const TemplateInfo& description, int32_t x, int32_t y);
    void SetLayerText(int32_t index, const std::string& text, float angle, uint32_t textColor,
                      int32_t transparentBackground, const FontRecord* font);

    // (max right, max bottom) of the frame and its layers.
    void GetExtent(int32_t& right, int32_t& bottom) const;
    bool ChangeDepth(uint32_t bpp);

    // Fills the 4-connected region of pixels equal to `old` (all four bytes)
    // around (x, y), rows counted from the bottom. Escape stops it.
    void FloodFill(int64_t x, int64_t y, RgbQuad fill, RgbQuad old);
    bool Shear(int32_t vertical, int32_t horizontal, uint32_t colorRef);
    bool AddBorder(int32_t top, int32_t left, int32_t bottom, int32_t right, uint32_t colorRef);

private:
    RasterRect placement_;
    std::vector<CTemplateLayer> layers_;
};

class CTemplateLayer {
public:
    CFrameImage picture;
    TemplateInfo description;
    std::optional<std::string> text;
};

RgbQuad ColorRefToRgb(uint32_t colorRef);

} // namespace vex
