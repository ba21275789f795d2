#include "editing/ProgressPoller.h"

#include <algorithm>
#include <utility>

#include "editing/EditableImage.h"

namespace vex {

CProgressPoller::CProgressPoller(CEditableImage& image) : image_(image) {}

CProgressPoller::~CProgressPoller()
{
    JoinAll();
}

bool CProgressPoller::Post(WorkerAnnouncement announcement)
{
    entries_.push_back(std::move(announcement));
    return true;
}

CProgressPoller::TickResult CProgressPoller::Tick()
{
    int64_t sum = 0;
    std::vector<WorkerAnnouncement> running;
    running.reserve(entries_.size());
    // Results go in in the order the workers were announced: an ended worker
    // waits while an earlier one for the same frame still runs, so the frame
    // never depends on which thread happened to finish first.
    std::vector<int32_t> busyFrames;
    for (WorkerAnnouncement& e : entries_) {
        if (!e.worker) continue;
        const bool waitsForEarlier =
            std::find(busyFrames.begin(), busyFrames.end(), e.frame) != busyFrames.end();
        if (e.worker->IsEnded() && !waitsForEarlier) {
            // The frame may have gone meanwhile; then the result is dropped.
            if (CFrameImage* live = image_.GetFrame(e.frame)) e.worker->MoveResultInto(*live);
            e.worker->Join();
            continue;
        }
        busyFrames.push_back(e.frame);
        sum += e.worker->GetProgress();
        running.push_back(std::move(e));
    }
    entries_ = std::move(running);
    TickResult result;
    result.empty = entries_.empty();
    if (!result.empty) {
        const int64_t average = sum / static_cast<int64_t>(entries_.size());
        result.percent = static_cast<int32_t>(std::clamp<int64_t>(average, 0, 100));
    }
    return result;
}

void CProgressPoller::Escape()
{
    for (const WorkerAnnouncement& e : entries_)
        if (e.worker) e.worker->Escape();
}

void CProgressPoller::JoinAll()
{
    Escape();
    for (const WorkerAnnouncement& e : entries_)
        if (e.worker) e.worker->Join();
    entries_.clear();
}

} // namespace vex
