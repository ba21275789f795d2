// The worker operations of the editable image: each start copies the frame
// and the parameters for a thread of its own and announces the worker.

#include <algorithm>
#include <utility>

#include "editing/EditableImage.h"
#include "editing/FrameWorker.h"

namespace vex {

bool CEditableImage::RunWorkerOperation(int32_t index, int32_t code, const WorkerParams& params, ProgressSink& sink)
{
    WorkerAnnouncement announcement;
    announcement.frame = index;
    if (const CFrameImage* live = ReadFrame(index)) {
        // The copy leaves the template layers behind: no operation uses them
        // and the live frame keeps its own.
        CFrameImage copy;
        copy.Place(*live, 0, 0);
        copy.SetPlacement(live->GetPlacement());
        if (live->IsValid() && !copy.IsValid()) {
            announcement.worker = CFrameWorker::Failed();
        } else {
            announcement.worker = CFrameWorker::Start(
                std::move(copy), [code, params](CFrameImage& frame) { return RunWorkerCode(frame, code, params); });
        }
    }
    return sink.Post(std::move(announcement));
}

bool CEditableImage::SetPalette(int32_t index, const RgbQuad* entries, int32_t count, ProgressSink& sink)
{
    WorkerParams params;
    const int32_t n = entries ? std::clamp<int32_t>(count, 0, kWorkerPaletteMax) : 0;
    params.values[0] = n;
    params.palette.assign(entries, entries + n);
    return RunWorkerOperation(index, kWorkerSetPalette, params, sink);
}

} // namespace vex
