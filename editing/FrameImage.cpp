#include "editing/FrameImage.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "image/Limits.h"

namespace vex {

RgbQuad ColorRefToRgb(uint32_t colorRef)
{
    return MakeRgb(uint8_t(colorRef & 0xFF), uint8_t((colorRef >> 8) & 0xFF), uint8_t((colorRef >> 16) & 0xFF));
}

CFrameImage::CFrameImage() = default;
CFrameImage::CFrameImage(const CFrameImage& src) : Raster(src), placement_(src.placement_), layers_(src.layers_) {}
CFrameImage& CFrameImage::operator=(const CFrameImage& src)
{
    if (this == &src) return *this;
    Raster::operator=(src);
    placement_ = src.placement_;
    layers_ = src.layers_;
    return *this;
}
CFrameImage::CFrameImage(CFrameImage&& src) noexcept
    : Raster(std::move(src)), placement_(src.placement_), layers_(std::move(src.layers_))
{
}
CFrameImage& CFrameImage::operator=(CFrameImage&& src) noexcept
{
    Raster::operator=(std::move(src));
    placement_ = src.placement_;
    layers_ = std::move(src.layers_);
    return *this;
}
CFrameImage::~CFrameImage() = default;

int32_t CFrameImage::GetLayerCount() const
{
    return static_cast<int32_t>(layers_.size());
}

void CFrameImage::CopyLayers(const CFrameImage& src)
{
    if (this != &src) layers_ = src.layers_;
}

void CFrameImage::Place(const Raster& image, int32_t left, int32_t top)
{
    Raster::operator=(image);
    UpdatePlacement(left, top);
}

void CFrameImage::UpdatePlacement(int32_t left, int32_t top)
{
    placement_ = RasterRect{left, top, left + int32_t(GetWidth()), top + int32_t(GetHeight())};
}

CTemplateLayer* CFrameImage::GetLayer(int32_t index)
{
    return index >= 0 && index < GetLayerCount() ? &layers_[size_t(index)] : nullptr;
}

const CTemplateLayer* CFrameImage::GetLayer(int32_t index) const
{
    return index >= 0 && index < GetLayerCount() ? &layers_[size_t(index)] : nullptr;
}

RasterRect CFrameImage::GetLayerRect(int32_t index) const
{
    const CTemplateLayer* layer = GetLayer(index);
    return layer ? layer->picture.GetPlacement() : RasterRect{};
}

void CFrameImage::SetLayerRect(int32_t index, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (CTemplateLayer* layer = GetLayer(index)) layer->picture.SetPlacement(RasterRect{left, top, right, bottom});
}

void CFrameImage::AddLayer(const Raster& image)
{
    CTemplateLayer layer;
    const RasterRect r = image.GetFrameRect();
    layer.picture.Place(image, r.left, r.top);
    layers_.push_back(std::move(layer));
}

void CFrameImage::RemoveLayer(int32_t index)
{
    if (index >= 0 && index < GetLayerCount()) layers_.erase(layers_.begin() + index);
}

bool CFrameImage::GetLayerDescription(int32_t index, TemplateInfo& description, int32_t& x, int32_t& y) const
{
    const CTemplateLayer* layer = GetLayer(index);
    if (!layer) {
        x = y = -1;
        return false;
    }
    description = layer->description;
    x = description.x;
    y = description.y;
    return true;
}

void CFrameImage::SetLayerDescription(int32_t index, const TemplateInfo& description, int32_t x, int32_t y)
{
    CTemplateLayer* layer = GetLayer(index);
    if (!layer) return;
    layer->description = description;
    layer->description.x = x;
    layer->description.y = y;
}

void CFrameImage::SetLayerText(int32_t index, const std::string& text, float angle, uint32_t textColor,
                               int32_t transparentBackground, const FontRecord* font)
{
    CTemplateLayer* layer = GetLayer(index);
    if (!layer) return;
    layer->description.font = font ? *font : FontRecord{};
    layer->description.textAngle = angle;
    layer->description.textColor = textColor;
    layer->description.transparentTextBackground = transparentBackground;
    layer->text = text;
}

void CFrameImage::GetExtent(int32_t& right, int32_t& bottom) const
{
    right = placement_.right;
    bottom = placement_.bottom;
    for (const CTemplateLayer& layer : layers_) {
        right = std::max(right, layer.picture.placement_.right);
        bottom = std::max(bottom, layer.picture.placement_.bottom);
    }
}

// The palette-alpha switch only stays on when some entry carries a fourth byte.
static void DropUnusedPaletteAlpha(Raster& img)
{
    const RgbQuad* pal = img.GetPalette();
    bool any = false;
    for (uint32_t i = 0; pal && i < img.GetNumColors(); ++i) any = any || pal[i].reserved != 0;
    if (!any) img.AlphaPaletteEnable(false);
}

bool CFrameImage::ChangeDepth(uint32_t bpp)
{
    if (!IsValid()) return false;
    if (bpp == GetBpp()) return true;
    if (bpp > GetBpp()) return IncreaseBpp(bpp);
    if (!DecreaseBpp(bpp, false)) return false;
    DropUnusedPaletteAlpha(*this);
    return true;
}

void CFrameImage::FloodFill(int64_t x, int64_t y, RgbQuad fill, RgbQuad old)
{
    if (!IsValid() || !IsInside(x, y)) return;
    // Filling with the colour being replaced would never finish the walk
    // (and changes nothing), so it returns at once.
    if (fill == old) return;
    const int64_t w = GetWidth(), h = GetHeight();
    const int64_t area = w * h;
    struct Pos {
        int64_t x, y;
    };
    // Each pixel is pushed at most once: it is filled before its neighbours
    // are looked at, so the stack never outgrows the image.
    std::vector<Pos> stack;
    stack.reserve(size_t(std::min<int64_t>(area, 1 << 16)));
    stack.push_back(Pos{x, y});
    const bool alpha = AlphaIsValid();
    while (!stack.empty() && !GetEscape()) {
        const Pos p = stack.back();
        if (alpha) AlphaSet(p.x, p.y, 255);
        else SetPixelIndex(p.x, p.y, 255);
        SetPixelColor(p.x, p.y, fill);
        const Pos next[4] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
        bool pushed = false;
        for (const Pos& n : next) {
            if (IsInside(n.x, n.y) && GetPixelColor(n.x, n.y) == old) {
                stack.push_back(n);
                pushed = true;
                break;
            }
        }
        if (!pushed) {
            stack.pop_back();
            SetProgress(int(100 - 100 * int64_t(stack.size()) / area));
        }
    }
}

bool CFrameImage::Shear(int32_t vertical, int32_t horizontal, uint32_t colorRef)
{
    if (!IsValid()) return false;
    const int64_t w = GetWidth(), h = GetHeight();
    const int64_t n = w + std::abs(int64_t{horizontal});
    const int64_t m = h + std::abs(int64_t{vertical});
    Raster work;
    work.CopyInfo(*this);
    if (!work.Create(uint32_t(n), uint32_t(m), GetBpp(), GetType())) return false;
    if (GetNumColors()) work.SetPalette(GetPalette(), GetNumColors());
    // The alpha of the source travels with its pixels; the fill is opaque.
    const bool alpha = AlphaIsValid();
    if (alpha && !work.AlphaCreate()) return false;
    const RgbQuad fill = ColorRefToRgb(colorRef);
    for (int64_t j = 0; j < m; ++j)
        for (int64_t i = 0; i < n; ++i) work.SetPixelColor(i, j, fill);
    if (alpha) work.AlphaSet(uint8_t{255});
    for (int64_t i = 0; i < n; ++i) {
        SetProgress(int(100 * i / n));
        if (GetEscape()) return false;
        double dv = 0.0;
        if (vertical > 0) dv = double(i) * vertical / double(n);
        else if (vertical < 0) dv = double(n - i) * double(-vertical) / double(n);
        for (int64_t j = 0; j < m; ++j) {
            double dh = 0.0;
            if (horizontal < 0) dh = double(-horizontal) * double(j) / double(m);
            else if (horizontal > 0) dh = double(m - j) * horizontal / double(m);
            const int64_t sx = int64_t(std::trunc(double(i) - dh));
            if (sx < 0 || sx >= w) continue;
            const int64_t sy = int64_t(std::trunc(double(j) - dv));
            if (sy < 0 || sy >= h) continue;
            work.SetPixelColor(n - 1 - i, j, GetPixelColor(w - 1 - sx, sy));
            if (alpha) work.AlphaSet(n - 1 - i, j, AlphaGet(w - 1 - sx, sy));
        }
    }
    Transfer(work);
    return true;
}

bool CFrameImage::AddBorder(int32_t top, int32_t left, int32_t bottom, int32_t right, uint32_t colorRef)
{
    if (!IsValid() || top < 0 || left < 0 || bottom < 0 || right < 0) return false;
    const Raster kept(*this);
    const uint32_t bpp = GetBpp();
    const int64_t nw = int64_t{GetWidth()} + left + right, nh = int64_t{GetHeight()} + top + bottom;
    if (!SideInRange(nw) || !SideInRange(nh)) return false;
    Raster work;
    work.CopyInfo(kept);
    if (!work.Create(uint32_t(nw), uint32_t(nh), 24, GetType())) return false;
    const RgbQuad fill = ColorRefToRgb(colorRef);
    for (int64_t y = 0; y < nh; ++y)
        for (int64_t x = 0; x < nw; ++x) work.SetPixelColor(x, y, fill);
    // The kept copy decides what is transparent: its key colour, not the
    // new image's, so opaque pixels that happen to match some stale key stay.
    const bool keyed = kept.GetTransIndex() != -1;
    const RgbQuad key = kept.GetTransColor();
    auto same = [](RgbQuad a, RgbQuad b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; };
    for (int64_t y = 0; y < int64_t{kept.GetHeight()}; ++y) {
        if (GetEscape()) return false;
        for (int64_t x = 0; x < int64_t{kept.GetWidth()}; ++x) {
            if (kept.IsTransparent(x, y)) continue;
            const RgbQuad c = kept.GetPixelColor(x, y);
            if (keyed && same(c, key)) continue;
            work.SetPixelColor(x + left, y + bottom, c);
        }
    }
    if (bpp < 24) {
        if (!work.DecreaseBpp(bpp, false)) return false;
        DropUnusedPaletteAlpha(work);
        // The key moves to the entry nearest its colour in the new palette.
        if (keyed) work.SetTransIndex(work.GetNearestIndex(key));
    }
    Transfer(work);
    return true;
}

} // namespace vex
