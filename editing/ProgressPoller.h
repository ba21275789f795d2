#pragma once
// The model behind the editor's "Processing image" dialog: the workers that
// announced themselves, polled on a timer. It owns no widget; the dialog
// calls Tick every kProgressIntervalMs from a timer and closes when Tick
// reports that no worker is left.

#include <cstdint>
#include <vector>

#include "editing/FrameWorker.h"

namespace vex {

class CEditableImage;

inline constexpr int kProgressIntervalMs = 333;

class CProgressPoller : public ProgressSink {
public:
    struct TickResult {
        int32_t percent = 100; // average progress of the workers still running
        bool empty = true;     // no worker left: the dialog stops and closes
    };

    // Finished frames are moved into `image`, which outlives the poller.
    explicit CProgressPoller(CEditableImage& image);
    CProgressPoller(const CProgressPoller&) = delete;
    CProgressPoller& operator=(const CProgressPoller&) = delete;
    // Stops and joins whatever still runs (nothing is moved in).
    ~CProgressPoller() override;

    // Adds one (frame, worker) pair; always accepted.
    bool Post(WorkerAnnouncement announcement) override;

    // Drops every pair whose worker has ended or that has no worker, joining
    // the ended ones and moving each finished copy into its live frame; then
    // averages the progress of the rest (integer division, at most 100; 100
    // when none remain).
    TickResult Tick();
    // Asks every worker to stop; their pairs go at the following ticks and
    // their frames stay as they were.
    void Escape();
    // For anything that replaces or drops the image (a new image, undo, redo,
    // closing): escape, join every worker and forget all pairs. Frames not
    // moved in by an earlier tick stay as they were.
    void JoinAll();

    bool IsEmpty() const { return entries_.empty(); }
    int32_t GetCount() const { return static_cast<int32_t>(entries_.size()); }

private:
    CEditableImage& image_;
    std::vector<WorkerAnnouncement> entries_;
};

} // namespace vex
