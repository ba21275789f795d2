#pragma once
// What the editor edits: an ordered list of frames with the editor-wide
// selection, a floating selection, the animated flag and the undo label.
// Every operation takes a frame index; an index out of range does nothing.
//
// Copies share their frames and floating selection until one side changes
// them: every mutable access (the non-const GetFrame, GetFloatingSelection and
// every operation that edits a frame) first gives this image its own frame.
// A copy therefore behaves as an independent deep copy, while an undo snapshot
// costs only the frames the next edit touches. Readers should use the const
// accessors (ReadFrame, or GetFrame on a const image) so they do not detach.
// A pointer from a mutable accessor may be used for writing only until the
// image is next copied: fetch it after the snapshot is taken.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editing/FrameImage.h"
#include "editing/ImageMemory.h"

namespace vex {

struct WorkerParams;
class ProgressSink;

class CEditableImage {
public:
    CEditableImage();
    CEditableImage(const CEditableImage& src);
    CEditableImage& operator=(const CEditableImage& src);
    CEditableImage(CEditableImage&&) noexcept = default;
    CEditableImage& operator=(CEditableImage&&) noexcept = default;
    ~CEditableImage();

    void Reset();

    int32_t GetFrameCount() const { return static_cast<int32_t>(frames_.size()); }
    bool IsValidIndex(int32_t index) const { return index >= 0 && index < GetFrameCount(); }
    CFrameImage* GetFrame(int32_t index);
    const CFrameImage* GetFrame(int32_t index) const;
    const CFrameImage* ReadFrame(int32_t index) const { return GetFrame(index); }
    // Moves a finished frame in (a worker's result) without copying the old one.
    bool SetFrame(int32_t index, CFrameImage&& frame);
    // Adds the bytes this image holds to the tally; blocks shared with images
    // already counted are counted once.
    void CountMemory(MemoryTally& tally) const;
    // True when frame index is the very block of `other`'s frame (shared, not copied).
    bool SharesFrameWith(const CEditableImage& other, int32_t index) const;
    // (0, 0) when the index is invalid.
    void GetFrameSize(int32_t index, int32_t& width, int32_t& height) const;
    uint32_t GetFrameDelay(int32_t index) const;
    bool SetHotspot(int32_t index, uint32_t x, uint32_t y);
    uint32_t GetBpp(int32_t index) const;
    // The deepest of the frame and its layer pictures.
    uint32_t GetLargestBpp(int32_t index) const;
    uint32_t GetPaletteSize(int32_t index) const;
    const RgbQuad* GetPalette(int32_t index) const;
    bool IsGrayScale(int32_t index) const;

    void Append(const Raster& image);
    bool Insert(int32_t position, const CFrameImage& frame);
    bool Replace(int32_t index, const Raster& image);
    bool ReplaceOrAppend(int32_t index, const Raster& image);
    bool RemoveRange(int32_t first, int32_t end);
    bool Exchange(int32_t a, int32_t b);
    bool Crop(int32_t index, int32_t left, int32_t top, int32_t right, int32_t bottom);
    bool Enlarge(int32_t index, const RasterRect& rect);
    bool GrayScale(int32_t index);
    bool Negative(int32_t index);
    bool Light(int32_t index, int32_t brightness, int32_t contrast);
    bool PseudoColors(int32_t index, float correction);

    // Stores (a, b, c, d) as left, top, right, bottom, or top, left, bottom,
    // right when transposed; the stored rectangle is kept normalised.
    void SetSelectionRect(int32_t a, int32_t b, int32_t c, int32_t d, bool transposed);
    // As stored when transposed is true, with x and y exchanged otherwise.
    RasterRect GetSelectionRect(bool transposed) const;
    bool HasSelectionRect() const;

    void GetCanvasSize(int32_t& width, int32_t& height) const;

    bool IsAnimated() const { return animated_ != 0; }
    int32_t GetAnimated() const { return animated_; }
    void SetAnimated(int32_t animated) { animated_ = animated; }
    const std::optional<std::string>& GetLabel() const { return label_; }
    void SetLabel(std::optional<std::string> label) { label_ = std::move(label); }
    const std::optional<std::string>& GetSecondText() const { return secondText_; }
    void SetSecondText(std::optional<std::string> text) { secondText_ = std::move(text); }
    Raster* GetFloatingSelection();
    const Raster* GetFloatingSelection() const { return floating_.get(); }
    void SetFloatingSelection(const Raster* image);

    // ---- worker operations (editing/EditableImage_Workers.cpp) ----
    // Starts a thread running the coded operation on its own copy of frame
    // `index` and announces it to `sink` (also for an invalid index, then
    // with no worker). True when the announcement was handed over.
    bool RunWorkerOperation(int32_t index, int32_t code, const WorkerParams& params, ProgressSink& sink);
    // Worker operation 36 with up to 256 entries.
    bool SetPalette(int32_t index, const RgbQuad* entries, int32_t count, ProgressSink& sink);
    // A filled rectangle (top-down corners) in one colour; the placement
    // rectangle follows the frame size.
    bool FillRectangle(int32_t index, const RasterRect& rect, uint32_t colorRef);

private:
    // Gives this image its own copy of a shared frame before it is changed.
    CFrameImage* MutableFrame(int32_t index);

    std::vector<std::shared_ptr<CFrameImage>> frames_;
    int32_t animated_ = 0;
    std::optional<std::string> label_;
    std::optional<std::string> secondText_;
    RasterRect selection_{-1, -1, -1, -1};
    std::shared_ptr<Raster> floating_;
};

} // namespace vex
