#include "editor/IconView.h"

#include <utility>

#include <QMessageBox>
#include <QScrollBar>

#include "editor/ProgressDialog.h"
#include "editor/RulerSplitter.h"
#include "platform/Settings.h"

namespace vex {
namespace {

// The caption of an image that was never saved.
const QString kAppCaption = QStringLiteral("Vexmira - https://vexmira.example.org/");

} // namespace

uint32_t SanitiseDrawStyle(uint32_t style)
{
    const uint32_t tools = style & kToolBits;
    if (tools != 0 && (tools & (tools - 1)) == 0) return style;
    return (style & ~kToolBits) | ToolMove;
}

QString NormalisePathForTitle(const QString& path)
{
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (i > 0 && c == QLatin1Char('\\') && path[i - 1] == QLatin1Char('\\')) continue;
        const bool capital = i == 0 || path[i - 1] == QLatin1Char('\\') || path[i - 1] == QLatin1Char(' ');
        out.append(capital ? c.toUpper() : c);
    }
    return out;
}

CIconView::CIconView(QWidget* parent) : QAbstractScrollArea(parent)
{
    uint32_t style = ToolMove;
    GetSettingInt(kSectionDisplay, "DrawStyle", style);
    drawStyle_ = SanitiseDrawStyle(style);
    SetSettingInt(kSectionDisplay, "DrawStyle", drawStyle_);
    history_.SetMaximum(GetMaxUndo());
    MarkSavePoint(0, nullptr);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CIconView::OnAnimationTick);
    // The viewport starts where the rulers' scales start.
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    RebuildEraserCursor();
    UpdateScrollSizes();
    UpdateTitle();
}

CIconView::~CIconView()
{
    timer_.stop();
    StopWorkers();
}

void CIconView::SetSaveHandlers(SaveImageFn saveImage, SaveAsFn saveAs)
{
    saveImage_ = std::move(saveImage);
    saveAs_ = std::move(saveAs);
}

bool CIconView::ConfirmSaveChanges()
{
    if (!modified_) return true;
    const QString name = path_ ? *path_ : QStringLiteral("Untitled");
    const QString text = QStringLiteral("Do you want to save the changes you made to %1").arg(name);
    const QString caption = QStringLiteral("Save Changes.");
    SaveAnswer answer = SaveAnswer::Cancel;
    if (savePrompt_) {
        answer = savePrompt_(text, caption);
    } else {
        const auto button = QMessageBox::warning(this, caption, text,
                                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        answer = button == QMessageBox::Yes ? SaveAnswer::Yes
                 : button == QMessageBox::No ? SaveAnswer::No
                                             : SaveAnswer::Cancel;
    }
    if (answer == SaveAnswer::No) return true;
    if (answer == SaveAnswer::Cancel) return false;
    // Pictures taken from a program, metafiles and one-frame animated cursors
    // cannot be written back to their file: they go through Save As.
    const bool writable = path_ && fileType_ != TypeUnknown && fileType_ != TypeWmf &&
                          !(fileType_ == TypeAni && FrameCount() < 2);
    if (writable) return saveImage_ && saveImage_(*path_, fileType_);
    return saveAs_ && saveAs_();
}

void CIconView::SetPathName(const std::optional<QString>& path, bool refreshTitle)
{
    path_ = path;
    displayPath_.reset();
    if (path) displayPath_ = NormalisePathForTitle(*path);
    if (refreshTitle) UpdateTitle();
}

void CIconView::UpdateTitle()
{
    QString title = displayPath_ ? *displayPath_ : kAppCaption;
    if (modified_) title += QStringLiteral(" *");
    if (title == title_) return;
    title_ = title;
    emit TitleChanged(title_);
}

void CIconView::SetModified(bool modified)
{
    modified_ = modified;
    UpdateTitle();
}

void CIconView::MarkSavePoint(uint32_t position, const CEditableImage* image)
{
    if (position == 0 && history_.Count() == 0) history_.Reset();
    else history_.MarkSavePoint();
    savedImage_ = image ? *image : CEditableImage{};
}

void CIconView::SetCurrentTemplate(int32_t index)
{
    currentTemplate_ = index;
    viewport()->update();
}

bool CIconView::PushUndo(const std::string& label)
{
    return history_.PushUndo(image_, label, false);
}

void CIconView::AfterHistoryMove()
{
    if (currentFrame_ >= image_.GetFrameCount()) currentFrame_ = std::max(0, image_.GetFrameCount() - 1);
    modified_ = history_.IsModified();
    UpdateTitle();
    emit FramesChanged();
    UpdateScrollSizes();
    RefreshFrameInfo(true, true);
}

void CIconView::Undo(int steps)
{
    StopWorkers();
    history_.Undo(image_, steps, &currentFrame_);
    AfterHistoryMove();
}

void CIconView::Redo(int steps)
{
    StopWorkers();
    history_.Redo(image_, steps, &currentFrame_);
    AfterHistoryMove();
}

bool CIconView::CanUndo() const { return history_.CanUndo(); }
bool CIconView::CanRedo() const { return history_.CanRedo(); }

void CIconView::SetHistoryLimit(uint32_t limit)
{
    history_.SetMaximum(limit);
    // Trimming can drop the saved state: the image then differs from the file.
    if (!history_.GetSavedPosition() && !modified_) SetModified(true);
}

void CIconView::SetDrawStyle(uint32_t set, uint32_t clear)
{
    drawStyle_ = set | (drawStyle_ & ~clear);
    SetSettingInt(kSectionDisplay, "DrawStyle", drawStyle_);
}

void CIconView::SelectTool(uint32_t bit)
{
    drawStyle_ &= (StyleGrid | ~uint32_t{0x1FFF});
    if (image_.HasSelectionRect()) {
        CommitFloatingSelection();
        image_.SetSelectionRect(-1, -1, -1, -1, true);
        if (currentTemplate_ == -2) currentTemplate_ = -1;
        viewport()->update();
    }
    SetDrawStyle(bit, 0);
}

void CIconView::ToggleGrid()
{
    if (drawStyle_ & StyleGrid) SetDrawStyle(0, StyleGrid);
    else SetDrawStyle(StyleGrid, 0);
    viewport()->update();
}

void CIconView::CommitFloatingSelection()
{
    // Looked at read-only first: taking a frame for writing unshares it
    // from the undo records.
    const Raster* lifted = std::as_const(image_).GetFloatingSelection();
    const CFrameImage* target = std::as_const(image_).GetFrame(currentFrame_);
    if (!lifted || !lifted->IsValid() || !target || !target->IsValid()) {
        if (lifted) image_.SetFloatingSelection(nullptr);
        return;
    }
    const Raster* floating = lifted;
    CFrameImage* frame = image_.GetFrame(currentFrame_);
    // The lifted pixels land where the selection rectangle now is.
    const RasterRect sel = image_.GetSelectionRect(true);
    const int64_t fh = frame->GetHeight();
    for (uint32_t y = 0; y < floating->GetHeight(); ++y) {
        for (uint32_t x = 0; x < floating->GetWidth(); ++x) {
            if (floating->IsTransparent(x, y)) continue;
            const int64_t tx = int64_t{sel.left} + x - frame->GetPlacement().left;
            const int64_t topRow = int64_t{sel.top} + (floating->GetHeight() - 1 - y) - frame->GetPlacement().top;
            const int64_t ty = fh - 1 - topRow;
            if (frame->IsInside(tx, ty)) frame->SetPixelColor(tx, ty, floating->GetPixelColor(x, y));
        }
    }
    image_.SetFloatingSelection(nullptr);
}

void CIconView::GetCanvasSize(int32_t& width, int32_t& height) const
{
    int32_t right = 0, bottom = 0;
    for (int32_t i = 0; i < image_.GetFrameCount(); ++i) {
        int32_t r = 0, b = 0;
        image_.GetFrame(i)->GetExtent(r, b);
        right = std::max(right, r);
        bottom = std::max(bottom, b);
    }
    // The selection rectangle is kept in x/y order: its right edge widens
    // the canvas and its bottom edge heightens it.
    if (image_.HasSelectionRect()) {
        const RasterRect sel = image_.GetSelectionRect(true);
        right = std::max(right, sel.right);
        bottom = std::max(bottom, sel.bottom);
    }
    width = right;
    height = bottom;
}

uint32_t CIconView::RefreshFrameInfo(bool recompute, bool refreshBar)
{
    (void)refreshBar;
    if (recompute || histogramMax_ == 0) {
        for (auto& h : histogram_) h.fill(0);
        histogramMax_ = 0;
        // The histogram only reads the pixels; the frame stays shared.
        auto* frame = const_cast<CFrameImage*>(std::as_const(image_).GetFrame(currentFrame_));
        if (frame && frame->IsValid()) {
            const int32_t max = frame->Histogram(histogram_[0].data(), histogram_[1].data(), histogram_[2].data(),
                                                 histogram_[3].data(), 0);
            histogramMax_ = max > 0 ? uint32_t(max) : 0;
        }
    }
    return histogramMax_;
}

void CIconView::ShowRulers(bool show)
{
    if (rulers_) rulers_->ShowRulers(show, true);
}

void CIconView::NotifyRulers(int kind, QPoint pointer, bool repaint)
{
    if (!rulers_) return;
    int32_t w = 0, h = 0;
    GetCanvasSize(w, h);
    const QPoint s = ScrollPosition();
    rulers_->UpdateRulers(kind, s.x(), s.y(), repaint, pointer.x(), pointer.y(), w, h, zoom_);
}

QPoint CIconView::ScrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CIconView::scrollContentsBy(int dx, int dy)
{
    viewport()->update();
    if (dy) NotifyRulers(1, QPoint(), false);
    if (dx) NotifyRulers(2, QPoint(), false);
}

void CIconView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    scrollExtent_ = QSize(-1, -1);
    UpdateScrollSizes();
}

} // namespace vex
