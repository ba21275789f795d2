// Playing the frames of an animation on a timer.

#include "editor/IconView.h"

namespace vex {

int PlaybackInterval(uint32_t frameDelay)
{
    const uint64_t ms = uint64_t{frameDelay} * 16;
    if (ms == 0) return 320;
    return ms > uint64_t{INT32_MAX} ? INT32_MAX : int(ms);
}

bool CIconView::IsAnimated() const
{
    if (image_.IsAnimated()) return true;
    return image_.GetFrameCount() >= 2 && (fileType_ == TypeGif || fileType_ == TypeAni);
}

void CIconView::RestartTimer()
{
    timer_.stop();
    timer_.start(PlaybackInterval(image_.GetFrameDelay(currentFrame_)));
}

void CIconView::PlayAnimation()
{
    if (!IsAnimated()) return;
    if (currentFrame_ >= image_.GetFrameCount() || currentFrame_ < 0) currentFrame_ = 0;
    RestartTimer();
    viewport()->update();
}

void CIconView::OnAnimationTick()
{
    if (!IsAnimated()) {
        timer_.stop();
        return;
    }
    ++currentFrame_;
    if (currentFrame_ >= image_.GetFrameCount() || currentFrame_ < 0) currentFrame_ = 0;
    RestartTimer();
    viewport()->update();
    RefreshFrameInfo(true, true);
    emit CurrentFrameChanged(currentFrame_);
}

void CIconView::PauseAnimation()
{
    timer_.stop();
    viewport()->update();
}

void CIconView::StopAnimation()
{
    timer_.stop();
    currentFrame_ = 0;
    viewport()->update();
    emit CurrentFrameChanged(currentFrame_);
}

void CIconView::StepFrame(int delta)
{
    PauseAnimation();
    const int32_t count = image_.GetFrameCount();
    if (count == 0) return;
    currentFrame_ += delta;
    if (currentFrame_ < 0) currentFrame_ = count - 1;
    else if (currentFrame_ >= count) currentFrame_ = 0;
    viewport()->update();
    emit CurrentFrameChanged(currentFrame_);
}

void CIconView::SelectFrame(int32_t index)
{
    if (index < 0 || index >= image_.GetFrameCount()) return;
    PauseAnimation();
    if (index == currentFrame_) return;
    currentFrame_ = index;
    RefreshFrameInfo(true, true);
    viewport()->update();
    emit CurrentFrameChanged(currentFrame_);
}

} // namespace vex
