#pragma once
// Long image operations on a frame, run on a thread of their own.
//
// A worker never touches the live frame: it gets its own copy of the frame
// (pixels, palette, alpha, selection and placement; no template layers) and
// of the operation's parameters. The user-interface thread reads progress and
// sets escape through the copy's atomic fields, joins the thread once it has
// ended and then moves the finished copy into the live frame. A worker that
// was stopped by escape, that failed or that threw leaves nothing behind: its
// copy is discarded and the live frame keeps its pixels and placement.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "editing/FrameImage.h"

namespace vex {

// The operation codes a worker understands.
enum WorkerCode : int32_t {
    kWorkerBlur = 0,
    kWorkerFloodFill = 1,
    kWorkerResize = 2,
    kWorkerRotate = 3,
    kWorkerEmboss = 4,
    kWorkerSoften = 5,
    kWorkerSharpen = 6,
    kWorkerEdge = 7,
    kWorkerGaussian2x2 = 8,
    kWorkerGaussian3x3 = 9,
    kWorkerGaussian5x5 = 16,
    kWorkerGaussian7x7 = 17,
    kWorkerAddBorder = 18,
    kWorkerJitter = 19,
    kWorkerContour = 20,
    kWorkerDilate = 21,
    kWorkerErode = 22,
    kWorkerMedian = 23,
    kWorkerNoise = 24,
    kWorkerColorize = 25,
    kWorkerGamma = 32,
    kWorkerThreshold = 33,
    kWorkerMirror = 34,
    kWorkerFlip = 35,
    kWorkerSetPalette = 36,
    kWorkerShear = 37,
};

inline constexpr int kWorkerParamCount = 5;
inline constexpr int kWorkerPaletteMax = 256;

// Up to five integers, plus the entries of a palette for kWorkerSetPalette
// (at most 256; the count travels in values[0]).
struct WorkerParams {
    int32_t values[kWorkerParamCount] = {0, 0, 0, 0, 0};
    std::vector<RgbQuad> palette;
};

// Runs one coded operation on `frame` on the calling thread. Returns false
// for an unknown code or when the operation failed or saw escape.
bool RunWorkerCode(CFrameImage& frame, int32_t code, const WorkerParams& params);

class CFrameWorker {
public:
    // Runs on the worker thread with the worker's own frame copy.
    using Operation = std::function<bool(CFrameImage& frame)>;

    enum class Outcome { Running, Done, Failed, Escaped };

    // Starts a thread running `op` on `copy`. Escape and progress of the copy
    // are reset here, before the thread exists, so an escape set right after
    // the start is never lost.
    static std::shared_ptr<CFrameWorker> Start(CFrameImage copy, Operation op);
    // A worker that never ran (its copy could not be made): ended and failed.
    static std::shared_ptr<CFrameWorker> Failed();

    CFrameWorker(const CFrameWorker&) = delete;
    CFrameWorker& operator=(const CFrameWorker&) = delete;
    // Sets escape and joins a thread that is still there.
    ~CFrameWorker();

    // Safe from any thread while the worker runs.
    int GetProgress() const { return copy_.GetProgress(); }
    void Escape();
    bool IsEscapeRequested() const { return escape_.load(std::memory_order_acquire); }
    bool IsEnded() const { return ended_.load(std::memory_order_acquire); }

    // User-interface thread only.
    void Join();
    // Joins, then tells how the operation ended.
    Outcome GetOutcome();
    // Joins; when the operation finished and escape was never asked for,
    // moves the result's pixels and placement into `frame` (its template
    // layers stay) and returns true. The result can be moved only once.
    bool MoveResultInto(CFrameImage& frame);
    // The worker's copy, after Join.
    const CFrameImage& GetResult();

private:
    CFrameWorker() = default;
    void Run(Operation op);

    CFrameImage copy_;
    std::thread thread_;
    std::atomic<bool> ended_{false};
    std::atomic<bool> escape_{false};
    Outcome outcome_ = Outcome::Running;
    bool moved_ = false;
};

// What a started worker announces ("Zelto.Progress"): the frame it works for
// and the worker; no worker when the frame index was invalid.
struct WorkerAnnouncement {
    int32_t frame = -1;
    std::shared_ptr<CFrameWorker> worker;
};

// Where the announcements go: the progress poller itself, or a poster of
// "Zelto.Progress" events to the editor view (editing/ProgressEvent.h).
class ProgressSink {
public:
    virtual ~ProgressSink();
    // True when the announcement was handed over.
    virtual bool Post(WorkerAnnouncement announcement) = 0;
};

} // namespace vex
