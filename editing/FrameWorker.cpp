#include "editing/FrameWorker.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "processing/OperationTable.h"

namespace vex {
namespace {

// The kernel codes and the names of their presets.
struct KernelCode {
    int32_t code;
    const char* preset;
};

constexpr KernelCode kKernelCodes[] = {
    {kWorkerBlur, "Blur"},
    {kWorkerEmboss, "Emboss"},
    {kWorkerSoften, "Soften"},
    {kWorkerSharpen, "Sharpen"},
    {kWorkerEdge, "Edge"},
    {kWorkerGaussian2x2, "Gaussian2x2"},
    {kWorkerGaussian3x3, "Gaussian3x3"},
    {kWorkerGaussian5x5, "Gaussian5x5"},
    {kWorkerGaussian7x7, "Gaussian7x7"},
};

const proc::KernelPreset* KernelForCode(int32_t code)
{
    for (const KernelCode& k : kKernelCodes) {
        if (k.code != code) continue;
        for (const proc::KernelPreset& p : proc::KernelPresets())
            if (std::string_view(p.name) == k.preset) return &p;
    }
    return nullptr;
}

// Parameters carried in thousandths (angles, gamma).
float Thousandths(int32_t value)
{
    return static_cast<float>(value) / 1000.0f;
}

bool SetPaletteEntries(CFrameImage& frame, const WorkerParams& p)
{
    if (!frame.IsValid()) return false;
    const size_t count = size_t(std::clamp<int32_t>(p.values[0], 0, kWorkerPaletteMax));
    const size_t usable = std::min(count, p.palette.size());
    if (usable) frame.SetPalette(p.palette.data(), uint32_t(usable));
    return true;
}

} // namespace

bool RunWorkerCode(CFrameImage& frame, int32_t code, const WorkerParams& params)
{
    const int32_t* v = params.values;
    if (const proc::KernelPreset* k = KernelForCode(code))
        return frame.KernelFilter(k->kernel.data(), k->size, k->divisor, k->offset);
    switch (code) {
    case kWorkerFloodFill:
        if (!frame.IsValid()) return false;
        frame.FloodFill(v[0], v[1], ColorRefToRgb(uint32_t(v[2])), ColorRefToRgb(uint32_t(v[3])));
        return !frame.GetEscape();
    case kWorkerResize: return frame.Resize(v[0], v[1], v[2]);
    case kWorkerRotate: return frame.Rotate(Thousandths(v[0]));
    case kWorkerAddBorder: return frame.AddBorder(v[0], v[1], v[2], v[3], uint32_t(v[4]));
    case kWorkerJitter: return frame.Jitter(v[0]);
    case kWorkerContour: return frame.Contour();
    case kWorkerDilate: return frame.Dilate(v[0]);
    case kWorkerErode: return frame.Erode(v[0]);
    case kWorkerMedian: return frame.Median(v[0]);
    case kWorkerNoise: return frame.Noise(v[0]);
    case kWorkerColorize:
        if (v[0] != 0) return frame.Colorize(uint8_t(v[1]), uint8_t(v[2]));
        return frame.ColorizeRGB(v[1], v[2], v[3]);
    case kWorkerGamma: return frame.Gamma(Thousandths(v[0]));
    case kWorkerThreshold: return frame.Threshold(uint8_t(v[0]));
    case kWorkerMirror: return frame.Mirror();
    case kWorkerFlip: return frame.Flip();
    case kWorkerSetPalette: return SetPaletteEntries(frame, params);
    case kWorkerShear: return frame.Shear(v[0], v[1], uint32_t(v[2]));
    default: return false;
    }
}

ProgressSink::~ProgressSink() = default;

std::shared_ptr<CFrameWorker> CFrameWorker::Start(CFrameImage copy, Operation op)
{
    std::shared_ptr<CFrameWorker> worker(new CFrameWorker());
    worker->copy_ = std::move(copy);
    worker->copy_.SetEscape(0);
    worker->copy_.SetProgress(0);
    try {
        // The thread holds a plain pointer: the owner joins before the worker
        // goes away, and the last owner is never the thread itself.
        worker->thread_ = std::thread(&CFrameWorker::Run, worker.get(), std::move(op));
    } catch (...) {
        worker->outcome_ = Outcome::Failed;
        worker->ended_.store(true, std::memory_order_release);
    }
    return worker;
}

std::shared_ptr<CFrameWorker> CFrameWorker::Failed()
{
    std::shared_ptr<CFrameWorker> worker(new CFrameWorker());
    worker->outcome_ = Outcome::Failed;
    worker->ended_.store(true, std::memory_order_release);
    return worker;
}

CFrameWorker::~CFrameWorker()
{
    if (thread_.joinable()) {
        Escape();
        thread_.join();
    }
}

void CFrameWorker::Run(Operation op)
{
    Outcome outcome = Outcome::Failed;
    try {
        const RasterRect place = copy_.GetPlacement();
        if (op && op(copy_)) {
            copy_.UpdatePlacement(place.left, place.top);
            outcome = Outcome::Done;
        }
    } catch (...) {
        // Nothing may leave the thread: a failed operation only fails.
        outcome = Outcome::Failed;
    }
    outcome_ = outcome;
    copy_.SetProgress(100);
    ended_.store(true, std::memory_order_release);
}

void CFrameWorker::Escape()
{
    escape_.store(true, std::memory_order_release);
    copy_.SetEscape(1);
}

void CFrameWorker::Join()
{
    if (thread_.joinable()) thread_.join();
}

CFrameWorker::Outcome CFrameWorker::GetOutcome()
{
    Join();
    if (IsEscapeRequested()) return Outcome::Escaped;
    return outcome_;
}

bool CFrameWorker::MoveResultInto(CFrameImage& frame)
{
    if (moved_ || GetOutcome() != Outcome::Done) return false;
    const RasterRect place = copy_.GetPlacement();
    static_cast<Raster&>(frame) = std::move(static_cast<Raster&>(copy_));
    frame.SetPlacement(place);
    moved_ = true;
    return true;
}

const CFrameImage& CFrameWorker::GetResult()
{
    Join();
    return copy_;
}

} // namespace vex
