#include "editing/TemplateRender.h"

#include <algorithm>
#include <array>

namespace vex {
namespace {

// Depths a card can be rendered at; anything else (0 included) gives 24.
uint32_t CardDepth(uint16_t bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 ? bpp : 24;
}

bool IsPictureTemplate(const TemplateInfo& d)
{
    return d.currentPath[0] != '\0' || d.originalPath[0] != '\0';
}

// After a depth change the key must stay the background colour, not
// whatever colour entry 0 of the new palette happens to be.
void ChangeCardDepth(CFrameImage& picture, uint16_t bpp, RgbQuad key)
{
    const bool keyed = picture.GetTransIndex() != -1;
    picture.ChangeDepth(CardDepth(bpp));
    if (keyed && picture.GetNumColors()) picture.SetTransIndex(picture.GetNearestIndex(key));
}

void DrawCardText(const TemplateInfo& d, CTemplateLayer& layer)
{
    CFrameImage& picture = layer.picture;
    const int32_t w = int32_t(picture.GetWidth()), h = int32_t(picture.GetHeight());
    // The text card's background is the card's key colour, so Mix keeps only
    // the glyphs. The card's corner pixel would not do: on a rectangle card it
    // is the border colour, which boxed the text in and hid text of that colour.
    Raster text;
    if (!text.Create(1, 1, 24, picture.GetType())) return;
    text.SetPixelColor(0, 0, ColorRefToRgb(d.backgroundColor));
    if (d.transparentTextBackground == 0) picture.DrawRectangle(0, 0, w, h, d.borderColor, d.fillColor, 1);
    if (!picture.DrawTextImage(0, 0, *layer.text, &text, d.textColor, &d.font, d.textAngle, 5)) return;
    // Mix reads the source at (x + offX, y + offY), rows from the bottom: the
    // text's top-left corner lands at (padding width, padding height).
    const int64_t offX = -int64_t{d.paddingWidth};
    const int64_t offY = int64_t{text.GetHeight()} + d.paddingHeight - h;
    if (!CoordInRange(offX) || !CoordInRange(offY)) return;
    picture.Mix(text, int32_t(offX), int32_t(offY));
}

} // namespace

bool RenderTemplate(const TemplateInfo& d, CTemplateLayer& layer, bool force)
{
    CFrameImage& picture = layer.picture;
    if (IsPictureTemplate(d)) {
        picture.ChangeDepth(CardDepth(d.bitsPerPixel));
        return false;
    }
    const TemplateInfo& stored = layer.description;
    if (!force && stored.width == d.width && stored.height == d.height && stored.x == d.x && stored.y == d.y)
        return false;

    const RasterRect placed = picture.GetPlacement();
    if (d.width < 1 || d.height < 1 || !picture.Create(uint32_t(d.width), uint32_t(d.height), 24, 0)) {
        picture.Destroy();
        return false;
    }
    picture.UpdatePlacement(placed.left, placed.top);
    const int32_t w = d.width, h = d.height;
    picture.DrawRectangle(0, 0, w, h, d.backgroundColor, d.backgroundColor, 1);
    const RgbQuad key = ColorRefToRgb(d.backgroundColor);
    picture.SetTransColor(key);
    picture.SetTransIndex(0);

    if (d.style & kCardRoundRect) {
        picture.DrawRoundRect(0, 0, w, h, 10, 10, d.borderColor, d.fillColor, 1);
        layer.description = d;
    }
    if (d.style & kCardRectangle) {
        picture.DrawRectangle(0, 0, w, h, d.borderColor, d.fillColor, 1);
        layer.description = d;
    }
    static constexpr std::array<std::pair<int32_t, int32_t>, 4> kStars{
        {{kCardStar10, 10}, {kCardStar8, 8}, {kCardStar5, 5}, {kCardStar4, 4}}};
    for (const auto& [bit, tips] : kStars)
        if (d.style & bit) picture.DrawStar(w, h, w / 2, h / 2, tips, 2, d.borderColor, d.fillColor);
    if ((d.style & kCardText) && layer.text && !layer.text->empty()) DrawCardText(d, layer);

    ChangeCardDepth(picture, d.bitsPerPixel, key);
    return true;
}

} // namespace vex
