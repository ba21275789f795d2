// Loading an image into the editor and flattening a frame for saving.

#include <utility>

#include <QFileInfo>

#include "editor/IconView.h"
#include "editor/LayerArrow.h"
#include "editor/RulerSplitter.h"
#include "image/Limits.h"
#include "image/ProgramIcons.h"

namespace vex {
namespace {

uint64_t FrameBytes(const Raster& r)
{
    const uint64_t plane = uint64_t{r.GetWidth()} * r.GetHeight();
    return r.GetSize() + (r.AlphaIsValid() ? plane : 0) + (r.SelectionIsValid() ? plane : 0);
}

bool SamePalette(const Raster& a, const Raster& b)
{
    if (a.GetNumColors() != b.GetNumColors()) return false;
    for (uint32_t i = 0; i < a.GetNumColors(); ++i)
        if (!(a.GetPaletteColor(uint8_t(i)) == b.GetPaletteColor(uint8_t(i)))) return false;
    return true;
}

// A GIF frame that covers part of the screen is laid over a copy of the
// previous frame, so every frame has the full size of the first.
bool ComposeGifFrame(Raster& frame, const Raster& previous)
{
    const RasterRect r = frame.GetFrameRect();
    const int64_t rw = int64_t{r.right} - r.left, rh = int64_t{r.bottom} - r.top;
    if (rw > 0 && rh > 0 && (rw != frame.GetWidth() || rh != frame.GetHeight())) {
        if (!frame.Crop(r.left, r.top, r.right, r.bottom)) return false;
    }
    if (r.left == 0 && r.top == 0) return true;
    Raster composite(previous);
    if ((composite.GetBpp() != frame.GetBpp() || !SamePalette(composite, frame)) && composite.GetBpp() < 24 &&
        !composite.IncreaseBpp(24))
        return false;
    const int64_t ch = composite.GetHeight(), fh = frame.GetHeight();
    for (int64_t y = 0; y < fh; ++y) {
        for (int64_t x = 0; x < int64_t{frame.GetWidth()}; ++x) {
            if (frame.IsTransparent(x, y)) continue;
            const int64_t cx = r.left + x, cy = ch - 1 - (r.top + (fh - 1 - y));
            if (!composite.IsInside(cx, cy)) continue;
            if (composite.GetBpp() <= 8) composite.SetPixelIndex(cx, cy, frame.GetPixelIndex(x, y));
            else composite.SetPixelColor(cx, cy, frame.GetPixelColor(x, y));
        }
    }
    composite.SetFrameDelay(frame.GetFrameDelay());
    composite.SetFrameRect(RasterRect{0, 0, int32_t(composite.GetWidth()), int32_t(composite.GetHeight())});
    frame.Transfer(composite);
    return true;
}

// The icon a program shows at the usual 32 x 32 size, else its first image.
bool LoadProgramIconFrame(Raster& out, const std::string& file, int group)
{
    Raster first;
    first.SetFrame(0);
    if (!LoadProgramIcon(first, file.c_str(), group)) return false;
    const int count = std::min(first.GetNumFrames(), kMaxFrames);
    int best = first.GetWidth() == 32 ? 0 : -1;
    uint32_t bestBpp = best == 0 ? first.GetBpp() : 0;
    for (int k = 1; k < count; ++k) {
        Raster r;
        r.SetFrame(k);
        if (!LoadProgramIcon(r, file.c_str(), group) || r.GetWidth() != 32 || r.GetHeight() != 32) continue;
        if (best < 0 || r.GetBpp() > bestBpp) {
            best = k;
            bestBpp = r.GetBpp();
            out.Transfer(r);
        }
    }
    if (best <= 0) out.Transfer(first);
    out.SetFrameRect(RasterRect{0, 0, int32_t(out.GetWidth()), int32_t(out.GetHeight())});
    return out.IsValid();
}

} // namespace

bool CIconView::AppendLoadedFrame(const Raster& frame, uint64_t& totalBytes)
{
    if (!frame.IsValid()) return true;
    // Many frames may each fit the image cap while their sum does not.
    const auto total = CheckedAdd(totalBytes, FrameBytes(frame));
    if (!total || *total > RasterMemoryLimit() || image_.GetFrameCount() >= kMaxFrames) return false;
    totalBytes = *total;
    image_.Append(frame);
    return true;
}

bool CIconView::ReadAllFrames(const QString& path, uint32_t type)
{
    if (path.isEmpty()) return false;
    const std::string file = path.toStdString();
    uint64_t total = 0;
    if (type == TypeUnknown || type > kLastImageType) {
        std::vector<ProgramIconGroup> groups;
        std::string error;
        if (!ReadProgramIcons(file.c_str(), groups, error)) return false;
        for (size_t i = 0; i < groups.size(); ++i) {
            Raster icon;
            if (LoadProgramIconFrame(icon, file, int(i)) && !AppendLoadedFrame(icon, total)) break;
        }
        return true;
    }
    Raster first;
    first.SetFrame(0);
    first.Load(file.c_str(), type);
    if (!AppendLoadedFrame(first, total)) return true;
    const int count = std::min(first.GetNumFrames(), kMaxFrames);
    for (int k = 1; k < count; ++k) {
        Raster frame;
        frame.SetFrame(k);
        if (!frame.Load(file.c_str(), type)) continue;
        if (type == TypeGif && image_.GetFrameCount() > 0 &&
            !ComposeGifFrame(frame, *std::as_const(image_).GetFrame(image_.GetFrameCount() - 1)))
            continue;
        if (!AppendLoadedFrame(frame, total)) break;
    }
    return true;
}

void CIconView::ResetForLoad()
{
    modified_ = false;
    path_.reset();
    displayPath_.reset();
    image_.Reset();
    history_.Reset();
    MarkSavePoint(0, nullptr);
    image_.SetFloatingSelection(nullptr);
    image_.SetSelectionRect(-1, -1, -1, -1, true);
    currentTemplate_ = -1;
    hatched_ = false;
    histogramMax_ = 0;
    currentFrame_ = 0;
    fileType_ = 0;
    handleInDrag_ = 0;
    framedRect_ = QRect();
}

bool CIconView::SetImage(const QString& path, const Raster* extraFrame, int frameIndex)
{
    if (!ConfirmSaveChanges()) return false;
    StopWorkers();
    timer_.stop();
    ResetForLoad();
    if (!path.isEmpty()) {
        const uint32_t type = TypeFromName(QFileInfo(path).fileName().toStdString());
        ReadAllFrames(path, type);
        SetPathName(path, true);
        fileType_ = type;
    }
    currentFrame_ = frameIndex;
    if (extraFrame && extraFrame->IsValid()) {
        uint64_t total = 0;
        for (int32_t i = 0; i < image_.GetFrameCount(); ++i) total += FrameBytes(*std::as_const(image_).GetFrame(i));
        if (AppendLoadedFrame(*extraFrame, total)) fileType_ = extraFrame->GetType();
    }
    if (HasFrames()) {
        hatched_ = true;
        zoom_ = 1.0f;
        LoadStoredZoom();
        RebuildEraserCursor();
        ShowRulers(true);
        UpdateScrollSizes();
        if (IsAnimated()) PlayAnimation();
        emit FramesChanged();
        MarkSavePoint(0, &image_);
        RefreshFrameInfo(true, true);
    } else {
        RefreshFrameInfo(false, false);
        ShowRulers(false);
        emit FramesChanged();
        UpdateScrollSizes();
    }
    UpdateTitle();
    viewport()->update();
    return HasFrames();
}

std::unique_ptr<CFrameImage> CIconView::RenderFrame(int32_t index) const
{
    const CFrameImage* frame = image_.GetFrame(index);
    if (!frame || !frame->IsValid()) return nullptr;
    auto out = std::make_unique<CFrameImage>();
    if (frame->GetLayerCount() == 0) {
        const RasterRect p = frame->GetPlacement();
        out->Place(*frame, p.left, p.top);
        return out;
    }
    int32_t cw = 0, ch = 0;
    GetCanvasSize(cw, ch);
    CFrameImage flat;
    if (!flat.Create(uint32_t(std::max(cw, 1)), uint32_t(std::max(ch, 1)), 24, frame->GetType())) return nullptr;
    if (frame->GetWidth() < uint32_t(cw) || frame->GetHeight() < uint32_t(ch)) {
        // Layers beyond the frame sit on its key colour, or on white.
        const RgbQuad fill = frame->GetTransIndex() != -1 ? frame->GetTransColor() : MakeRgb(255, 255, 255);
        for (int64_t y = 0; y < ch; ++y)
            for (int64_t x = 0; x < cw; ++x) flat.SetPixelColor(x, y, fill);
    }
    auto paste = [&flat, ch](const Raster& src, int64_t left, int64_t top) {
        const int64_t sh = src.GetHeight();
        for (int64_t y = 0; y < sh; ++y) {
            for (int64_t x = 0; x < int64_t{src.GetWidth()}; ++x) {
                if (src.IsTransparent(x, y)) continue;
                const int64_t tx = left + x, ty = ch - 1 - (top + (sh - 1 - y));
                if (flat.IsInside(tx, ty)) flat.SetPixelColor(tx, ty, src.GetPixelColor(x, y));
            }
        }
    };
    paste(*frame, 0, 0);
    for (int32_t i = 0; i < frame->GetLayerCount(); ++i) {
        const CTemplateLayer* layer = frame->GetLayer(i);
        const RasterRect r = layer->picture.GetPlacement();
        Raster sized(layer->picture);
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        if (w <= 0 || h <= 0) continue;
        if ((uint32_t(w) != sized.GetWidth() || uint32_t(h) != sized.GetHeight()) && !sized.Resize(w, h)) continue;
        paste(sized, r.left, r.top);
    }
    flat.UpdatePlacement(0, 0);
    for (int32_t i = 0; i < frame->GetLayerCount(); ++i) {
        const CTemplateLayer* layer = frame->GetLayer(i);
        DrawLayerArrow(flat, layer->picture.GetPlacement(), DrawPoint{layer->description.x, layer->description.y},
                       ArrowOf(layer->description));
    }
    if (flat.GetBpp() > frame->GetBpp()) flat.DecreaseBpp(frame->GetBpp(), false);
    out->Place(flat, 0, 0);
    return out;
}

} // namespace vex
