#pragma once
// A frame of the editable image: a raster with a place on the canvas and the
// template layers floating above it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editing/DrawGeometry.h"
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

    // ---- drawing primitives (editing/FrameDraw.cpp, editing/FrameText.cpp) ----
    // Coordinates count from the top-left pixel; pixels outside the frame are
    // skipped. Colours are 0x00BBGGRR; without a fill colour shapes are
    // outlines. Drawn pixels become opaque. False for a frame without pixels,
    // out-of-range values, a surface that cannot be made, or escape.
    bool DrawPolygon(const DrawPoint* points, int32_t count, uint32_t lineColor, std::optional<uint32_t> fillColor,
                     int32_t penWidth);
    bool DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t penWidth);
    bool DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t lineColor,
                       std::optional<uint32_t> fillColor, int32_t penWidth);
    bool DrawRoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cornerWidth, int32_t cornerHeight,
                       uint32_t lineColor, std::optional<uint32_t> fillColor, int32_t penWidth);
    bool DrawEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t lineColor,
                     std::optional<uint32_t> fillColor, int32_t penWidth);
    bool DrawStar(int32_t boxWidth, int32_t boxHeight, int32_t cx, int32_t cy, int32_t tips, int32_t innerDivisor,
                  uint32_t lineColor, std::optional<uint32_t> fillColor, int32_t penWidth = 1);
    // A line from start to tip with a head at the tip; returns the head's base
    // point (the tip itself when the arrow has no head), none when nothing
    // could be drawn.
    std::optional<DrawPoint> DrawArrow(int32_t startX, int32_t startY, int32_t tipX, int32_t tipY,
                                       const ArrowParams& arrow);
    // Text with its bottom-left corner at (x, y) (flags 0x10 and 0x20 centre
    // it), or, with a target, a text card cropped to the text that replaces
    // the target. Needs a running QGuiApplication for its fonts.
    bool DrawTextImage(int32_t x, int32_t y, const std::string& text, Raster* target, uint32_t textColor,
                       const FontRecord* font, float angle, uint32_t flags);

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
