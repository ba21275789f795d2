#pragma once
// The editor canvas: shows the current frame of the editable image enlarged
// or reduced by the zoom over a hatch, with the grid, the floating selection,
// the template layers and the framed rectangle with its handles; plays
// animations on a timer and keeps the title in step with the modified mark.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include "editing/EditableImage.h"
#include "editing/ProgressEvent.h"
#include "editing/UndoHistory.h"

namespace vex {

class CRulerSplitter;
class CProgressDialog;

// Draw-style bits: exactly one tool bit plus the independent grid bit.
enum DrawStyleBits : uint32_t {
    ToolMove = 0x1,
    ToolPencil = 0x2,
    StyleGrid = 0x4,
    ToolLine = 0x8,
    ToolText = 0x10,
    ToolFill = 0x20,
    ToolEllipse = 0x40,
    ToolRectangle = 0x80,
    ToolRoundRect = 0x100,
    ToolSelect = 0x200,
    ToolEraser = 0x400,
    ToolHotspot = 0x800,
    ToolTransparent = 0x1000,
};
inline constexpr uint32_t kToolBits = 0x1FFF & ~uint32_t{StyleGrid};

// A stored draw style that does not hold exactly one tool bit falls back to
// the move tool; the grid bit and the bits above the tools are kept.
uint32_t SanitiseDrawStyle(uint32_t style);

// The stored copy of a path as the title shows it: a backslash directly after
// another one is dropped (not at the first position), and the first
// character and every one after a backslash or a space is upper-cased.
QString NormalisePathForTitle(const QString& path);

// Whether `zoom` still allows zooming in, out or back to 1.
bool CanZoomIn(float zoom);
bool CanZoomOut(float zoom);
float ZoomInStep(float zoom);
float ZoomOutStep(float zoom);
// Milliseconds between frames for a frame delay in hundredths of a second.
int PlaybackInterval(uint32_t frameDelay);

class CIconView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class SaveAnswer { Yes, No, Cancel };
    // Asks the save-changes question; tests answer it without a dialog.
    using SavePrompt = std::function<SaveAnswer(const QString& text, const QString& caption)>;
    // Writes the image to path in the type; true when the file was written.
    using SaveImageFn = std::function<bool(const QString& path, uint32_t type)>;
    // The Save As flow; true when the image was saved.
    using SaveAsFn = std::function<bool()>;

    explicit CIconView(QWidget* parent = nullptr);
    ~CIconView() override;

    // ---- loading and saving state ----
    // Loads every frame of `path` (none for an empty path), appends
    // `extraFrame` when it has pixels, and shows frame `frameIndex`. False
    // when the user kept the old image or nothing was loaded.
    bool SetImage(const QString& path, const Raster* extraFrame = nullptr, int frameIndex = 0);
    bool ConfirmSaveChanges();
    void SetSavePrompt(SavePrompt prompt) { savePrompt_ = std::move(prompt); }
    void SetSaveHandlers(SaveImageFn saveImage, SaveAsFn saveAs);
    void SetPathName(const std::optional<QString>& path, bool refreshTitle);
    const std::optional<QString>& GetPathName() const { return path_; }
    // The path as the title shows it.
    const std::optional<QString>& GetDisplayPath() const { return displayPath_; }
    uint32_t GetFileType() const { return fileType_; }
    void UpdateTitle();
    QString GetTitle() const { return title_; }
    // The saved history position becomes `position`, which is 0 right after
    // a load or the current position after a save; the saved image a copy
    // of `image`, or empty.
    void MarkSavePoint(uint32_t position, const CEditableImage* image);
    bool IsModified() const { return modified_; }
    void SetModified(bool modified);
    void SetRulers(CRulerSplitter* rulers) { rulers_ = rulers; }

    // ---- image and frames ----
    CEditableImage& GetImage() { return image_; }
    const CEditableImage& GetImage() const { return image_; }
    const CEditableImage& GetSavedImage() const { return savedImage_; }
    uint32_t FrameCount() const { return uint32_t(image_.GetFrameCount()); }
    bool HasFrames() const { return image_.GetFrameCount() > 0; }
    int32_t GetCurrentFrame() const { return currentFrame_; }
    int32_t GetCurrentTemplate() const { return currentTemplate_; }
    void SetCurrentTemplate(int32_t index);
    // The canvas size: the frames' extents, raised to the selection's far corner.
    void GetCanvasSize(int32_t& width, int32_t& height) const;
    // Flattened copy of frame i for saving and printing; none without pixels.
    std::unique_ptr<CFrameImage> RenderFrame(int32_t index) const;
    void CommitFloatingSelection();
    uint32_t RefreshFrameInfo(bool recompute, bool refreshBar);
    const std::array<std::array<int32_t, 256>, 4>& Histograms() const { return histogram_; }

    // ---- history ----
    CUndoHistory& History() { return history_; }
    const CUndoHistory& History() const { return history_; }
    // False when no snapshot could be taken: the edit must not be made.
    bool PushUndo(const std::string& label);
    void Undo(int steps = 1);
    void Redo(int steps = 1);
    bool CanUndo() const;
    bool CanRedo() const;
    void SetHistoryLimit(uint32_t limit);

    // ---- tools and zoom ----
    uint32_t GetDrawStyle() const { return drawStyle_; }
    void SetDrawStyle(uint32_t set, uint32_t clear);
    void SelectTool(uint32_t bit);
    void ToggleGrid();
    float GetZoom() const { return zoom_; }
    void ZoomIn();
    void ZoomOut();
    void ZoomReset();
    // Takes the stored zoom when the display style asks for it.
    void LoadStoredZoom();

    // ---- playback ----
    bool IsAnimated() const;
    bool IsPlaying() const { return timer_.isActive(); }
    int TimerInterval() const { return timer_.interval(); }
    void PlayAnimation();
    void PauseAnimation();
    void StopAnimation();
    void StepFrame(int delta);
    void SelectFrame(int32_t index);
    // One tick of the animation timer.
    void OnAnimationTick();

    // ---- coordinates, hit test, cursors ----
    QPoint ScrollPosition() const;
    // (-1, -1) for a window point of exactly (-1, -1) and, without clamping,
    // for a point off the canvas.
    QPoint ImagePointAt(QPoint windowPoint, bool clamp) const;
    QPoint ImagePointUnderCursor(bool clamp) const;
    int HitTestHandle(QPoint windowPoint) const;
    QRect GetFramedRect() const { return framedRect_; }
    // The shape a cursor takes at a window point (handle codes and tools).
    Qt::CursorShape CursorShapeAt(QPoint windowPoint) const;
    // Which tool cursor resource applies at a window point; 0 the arrow,
    // -1 the eraser, else the resource number of the tool cursor.
    int CursorIdAt(QPoint windowPoint) const;
    void RebuildEraserCursor();
    // The line-style page's eraser size (0..3).
    void SetEraserSize(int size)
    {
        eraserSetting_ = size;
        RebuildEraserCursor();
    }
    QSize EraserCursorSize() const { return eraserSize_; }

    // ---- worker operations ----
    // Where worker operations on this image announce themselves.
    ProgressSink& ProgressPoster() { return progressPoster_; }
    bool IsProcessing() const { return progress_ != nullptr; }
    // Stops and joins running workers before the image is replaced.
    void StopWorkers();

    // ---- painting ----
    // Paints the logical rectangle `clip` (window coordinates plus scroll)
    // into `buffer`, whose top-left pixel is the clip's top-left corner.
    void PaintCanvas(QImage& buffer, const QRect& logicalClip);
    void UpdateScrollSizes();

signals:
    void TitleChanged(const QString& title);
    void FramesChanged();
    void CurrentFrameChanged(int frame);
    // The pixels of one frame changed (the frame strip redraws its thumbnail).
    void FrameEdited(int frame);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool ReadAllFrames(const QString& path, uint32_t type);
    bool AppendLoadedFrame(const Raster& frame, uint64_t& totalBytes);
    void ResetForLoad();
    void AfterHistoryMove();
    void ShowRulers(bool show);
    void NotifyRulers(int kind, QPoint pointer, bool repaint);
    void StoreZoom() const;
    void AfterZoomChange();
    void RestartTimer();
    void PaintFrames(QImage& buffer, const QRect& clip, int64_t originX, int64_t originY);
    void PaintFramedRect(QImage& buffer, const QRect& clip);
    void PaintGrid(QImage& buffer, const QRect& clip);
    void UpdateCursor(QPoint windowPoint);

    CEditableImage image_;
    CEditableImage savedImage_;
    CUndoHistory history_;
    int32_t currentFrame_ = 0;
    float zoom_ = 1.0f;
    uint32_t drawStyle_ = ToolMove;
    bool modified_ = false;
    std::optional<QString> path_;
    std::optional<QString> displayPath_;
    uint32_t fileType_ = 0;
    int32_t currentTemplate_ = -1;
    int handleInDrag_ = 0;
    QRect framedRect_;
    bool hatched_ = false;
    std::array<std::array<int32_t, 256>, 4> histogram_{};
    uint32_t histogramMax_ = 0;
    QTimer timer_;
    QString title_;
    QSize scrollExtent_;
    QCursor eraserCursor_;
    QSize eraserSize_;
    int eraserSetting_ = 0;
    CRulerSplitter* rulers_ = nullptr;
    CProgressEventPoster progressPoster_{this};
    std::unique_ptr<CProgressDialog> progress_;
    bool progressDropped_ = false;
    SavePrompt savePrompt_;
    SaveImageFn saveImage_;
    SaveAsFn saveAs_;
};

} // namespace vex
