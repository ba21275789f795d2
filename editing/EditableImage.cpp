#include "editing/EditableImage.h"

#include <algorithm>
#include <utility>

#include "image/Limits.h"

namespace vex {

CEditableImage::CEditableImage() = default;
CEditableImage::~CEditableImage() = default;

CEditableImage::CEditableImage(const CEditableImage& src)
    : frames_(src.frames_), animated_(src.animated_), label_(src.label_), secondText_(src.secondText_),
      selection_(src.selection_), floating_(src.floating_)
{
}

CEditableImage& CEditableImage::operator=(const CEditableImage& src)
{
    if (this != &src) {
        CEditableImage copy(src);
        *this = std::move(copy);
    }
    return *this;
}

void CEditableImage::Reset()
{
    frames_.clear();
    label_.reset();
    secondText_.reset();
    floating_.reset();
    animated_ = 0;
    selection_ = RasterRect{-1, -1, -1, -1};
}

CFrameImage* CEditableImage::MutableFrame(int32_t index)
{
    if (!IsValidIndex(index)) return nullptr;
    std::shared_ptr<CFrameImage>& slot = frames_[size_t(index)];
    // Shared with a copy (an undo record): this image takes its own before the change.
    if (slot.use_count() > 1) slot = std::make_shared<CFrameImage>(*slot);
    return slot.get();
}

CFrameImage* CEditableImage::GetFrame(int32_t index)
{
    return MutableFrame(index);
}

const CFrameImage* CEditableImage::GetFrame(int32_t index) const
{
    return IsValidIndex(index) ? frames_[size_t(index)].get() : nullptr;
}

bool CEditableImage::SetFrame(int32_t index, CFrameImage&& frame)
{
    if (!IsValidIndex(index)) return false;
    frames_[size_t(index)] = std::make_shared<CFrameImage>(std::move(frame));
    return true;
}

bool CEditableImage::SharesFrameWith(const CEditableImage& other, int32_t index) const
{
    return IsValidIndex(index) && other.IsValidIndex(index) && frames_[size_t(index)] == other.frames_[size_t(index)];
}

Raster* CEditableImage::GetFloatingSelection()
{
    if (floating_ && floating_.use_count() > 1) floating_ = std::make_shared<Raster>(*floating_);
    return floating_.get();
}

void CEditableImage::CountMemory(MemoryTally& tally) const
{
    tally.Add(this, sizeof(CEditableImage) + frames_.capacity() * sizeof(frames_[0]));
    for (const auto& f : frames_) tally.Add(f.get(), FrameBytes(*f));
    if (floating_) tally.Add(floating_.get(), RasterBytes(*floating_));
}

void CEditableImage::GetFrameSize(int32_t index, int32_t& width, int32_t& height) const
{
    const CFrameImage* f = GetFrame(index);
    width = f ? int32_t(f->GetWidth()) : 0;
    height = f ? int32_t(f->GetHeight()) : 0;
}

uint32_t CEditableImage::GetFrameDelay(int32_t index) const
{
    const CFrameImage* f = GetFrame(index);
    return f ? f->GetFrameDelay() : 0;
}

bool CEditableImage::SetHotspot(int32_t index, uint32_t x, uint32_t y)
{
    CFrameImage* f = MutableFrame(index);
    if (!f) return false;
    f->SetHotspot(x, y);
    return true;
}

uint32_t CEditableImage::GetBpp(int32_t index) const
{
    const CFrameImage* f = GetFrame(index);
    return f ? f->GetBpp() : 0;
}

uint32_t CEditableImage::GetLargestBpp(int32_t index) const
{
    const CFrameImage* f = GetFrame(index);
    if (!f) return 0;
    uint32_t bpp = f->GetBpp();
    for (int32_t i = 0; i < f->GetLayerCount(); ++i) bpp = std::max<uint32_t>(bpp, f->GetLayer(i)->picture.GetBpp());
    return bpp;
}

uint32_t CEditableImage::GetPaletteSize(int32_t index) const
{
    const CFrameImage* f = GetFrame(index);
    return f ? f->GetPaletteSize() : 0;
}

const RgbQuad* CEditableImage::GetPalette(int32_t index) const
{
    const CFrameImage* f = GetFrame(index);
    return f ? f->GetPalette() : nullptr;
}

bool CEditableImage::IsGrayScale(int32_t index) const
{
    const CFrameImage* f = GetFrame(index);
    return f && f->IsGrayScale();
}

void CEditableImage::Append(const Raster& image)
{
    auto frame = std::make_shared<CFrameImage>();
    const RasterRect r = image.GetFrameRect();
    frame->Place(image, r.left, r.top);
    frames_.push_back(std::move(frame));
}

bool CEditableImage::Insert(int32_t position, const CFrameImage& frame)
{
    if (position < 0 || position > GetFrameCount()) return false;
    frames_.insert(frames_.begin() + position, std::make_shared<CFrameImage>(frame));
    return true;
}

bool CEditableImage::Replace(int32_t index, const Raster& image)
{
    if (!IsValidIndex(index) || !image.IsValid()) return false;
    // A new frame keeps the old one's placement and layers; the old pixels are
    // not copied first only to be overwritten.
    const CFrameImage& old = *frames_[size_t(index)];
    auto f = std::make_shared<CFrameImage>();
    static_cast<Raster&>(*f) = image;
    f->SetPlacement(old.GetPlacement());
    f->CopyLayers(old);
    f->UpdatePlacement();
    frames_[size_t(index)] = std::move(f);
    return true;
}

bool CEditableImage::ReplaceOrAppend(int32_t index, const Raster& image)
{
    if (index < 0) return false;
    if (index >= GetFrameCount()) {
        Append(image);
        return true;
    }
    const RasterRect r = image.GetFrameRect();
    auto f = std::make_shared<CFrameImage>();
    f->Place(image, r.left, r.top);
    f->CopyLayers(*frames_[size_t(index)]);
    frames_[size_t(index)] = std::move(f);
    return true;
}

bool CEditableImage::RemoveRange(int32_t first, int32_t end)
{
    if (!IsValidIndex(first) || end <= first) return false;
    end = std::min(end, GetFrameCount());
    frames_.erase(frames_.begin() + first, frames_.begin() + end);
    return true;
}

bool CEditableImage::Exchange(int32_t a, int32_t b)
{
    if (!IsValidIndex(a) || !IsValidIndex(b)) return false;
    std::swap(frames_[size_t(a)], frames_[size_t(b)]);
    return true;
}

bool CEditableImage::Crop(int32_t index, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    CFrameImage* f = MutableFrame(index);
    if (!f || !f->Crop(left, top, right, bottom)) return false;
    f->UpdatePlacement();
    return true;
}

bool CEditableImage::Enlarge(int32_t index, const RasterRect& rect)
{
    CFrameImage* f = MutableFrame(index);
    if (!f || !f->IsValid()) return false;
    const int64_t nw = int64_t{rect.right} - rect.left, nh = int64_t{rect.bottom} - rect.top;
    if (!SideInRange(nw) || !SideInRange(nh)) return false;
    Raster work;
    work.CopyInfo(*f);
    if (!work.Create(uint32_t(nw), uint32_t(nh), f->GetBpp(), f->GetType())) return false;
    if (f->GetNumColors()) work.SetPalette(f->GetPalette(), f->GetNumColors());
    const bool alpha = f->AlphaIsValid();
    if (alpha && !work.AlphaCreate()) return false;
    const RgbQuad fill = f->GetTransIndex() != -1 ? f->GetTransColor() : MakeRgb(255, 255, 255);
    for (int64_t y = 0; y < nh; ++y)
        for (int64_t x = 0; x < nw; ++x) work.SetPixelColor(x, y, fill);
    if (alpha) work.AlphaSet(uint8_t{255});
    // Rows are stored bottom-up: the old pixels keep their top-left corner.
    const int64_t w = f->GetWidth(), h = f->GetHeight();
    const int64_t shift = nh - h;
    for (int64_t y = 0; y < h; ++y) {
        const int64_t ny = y + shift;
        if (ny < 0 || ny >= nh) continue;
        for (int64_t x = 0; x < std::min(w, nw); ++x) {
            if (f->IsTransparent(x, y)) continue;
            work.SetPixelColor(x, ny, f->GetPixelColor(x, y));
            if (alpha) work.AlphaSet(x, ny, f->AlphaGet(x, y));
        }
    }
    f->Transfer(work);
    f->UpdatePlacement(0, 0);
    return true;
}

bool CEditableImage::GrayScale(int32_t index)
{
    CFrameImage* f = MutableFrame(index);
    return f && f->GrayScale();
}

bool CEditableImage::Negative(int32_t index)
{
    CFrameImage* f = MutableFrame(index);
    return f && f->Negative();
}

bool CEditableImage::Light(int32_t index, int32_t brightness, int32_t contrast)
{
    CFrameImage* f = MutableFrame(index);
    return f && f->Light(brightness, contrast);
}

bool CEditableImage::PseudoColors(int32_t index, float correction)
{
    CFrameImage* f = MutableFrame(index);
    if (!f || !f->IsValid()) return false;
    f->PseudoColors(correction);
    return true;
}

void CEditableImage::SetSelectionRect(int32_t a, int32_t b, int32_t c, int32_t d, bool transposed)
{
    RasterRect r = transposed ? RasterRect{b, a, d, c} : RasterRect{a, b, c, d};
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    selection_ = r;
}

RasterRect CEditableImage::GetSelectionRect(bool transposed) const
{
    if (transposed) return selection_;
    return RasterRect{selection_.top, selection_.left, selection_.bottom, selection_.right};
}

bool CEditableImage::HasSelectionRect() const
{
    return !(selection_ == RasterRect{-1, -1, -1, -1});
}

void CEditableImage::GetCanvasSize(int32_t& width, int32_t& height) const
{
    int32_t maxRight = 0, maxBottom = 0;
    for (const auto& f : frames_) {
        int32_t r = 0, b = 0;
        f->GetExtent(r, b);
        maxRight = std::max(maxRight, r);
        maxBottom = std::max(maxBottom, b);
    }
    width = std::max(maxRight, selection_.bottom);
    height = std::max(maxBottom, selection_.right);
}

void CEditableImage::SetFloatingSelection(const Raster* image)
{
    floating_ = image ? std::make_shared<Raster>(*image) : nullptr;
}

} // namespace vex
