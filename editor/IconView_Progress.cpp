// Worker operations: the first announcement opens the modal progress window,
// later ones join it; when it closes the finished frames are in the image.

#include "editor/IconView.h"
#include "editor/ProgressDialog.h"

namespace vex {

bool CIconView::event(QEvent* event)
{
    if (event->type() != CProgressEvent::ProgressType()) return QAbstractScrollArea::event(event);
    const WorkerAnnouncement& announcement = static_cast<CProgressEvent*>(event)->GetAnnouncement();
    if (progress_) {
        progress_->Post(announcement);
        return true;
    }
    progress_ = std::make_unique<CProgressDialog>(image_, this);
    progressDropped_ = false;
    progress_->Post(announcement);
    progress_->exec();
    progress_.reset();
    if (progressDropped_) return true; // the image was replaced meanwhile
    emit CurrentFrameChanged(currentFrame_);
    emit FrameEdited(currentFrame_);
    SetModified(true);
    UpdateScrollSizes();
    RefreshFrameInfo(true, true);
    return true;
}

void CIconView::StopWorkers()
{
    if (!progress_) return;
    progressDropped_ = true;
    progress_->JoinAll();
}

} // namespace vex
