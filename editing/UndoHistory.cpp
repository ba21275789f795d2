#include "editing/UndoHistory.h"

#include <algorithm>
#include <new>
#include <utility>

namespace vex {

uint32_t ClampMaxUndo(std::optional<uint32_t> setting)
{
    if (!setting) return kDefaultUndoRecords;
    return std::clamp(*setting, kMinUndoRecords, kMaxUndoRecords);
}

CUndoHistory::CUndoHistory(uint32_t maximum) : maximum_(std::clamp(maximum, kMinUndoRecords, kMaxUndoRecords)) {}

const CEditableImage* CUndoHistory::GetRecord(uint32_t index) const
{
    return index < Count() ? &records_[index] : nullptr;
}

uint64_t CUndoHistory::ProjectedBytes(uint32_t keep, const CEditableImage& live) const
{
    MemoryTally tally;
    for (uint32_t k = 0; k < keep && k < Count(); ++k) records_[k].CountMemory(tally);
    live.CountMemory(tally);
    return tally.Total();
}

uint64_t CUndoHistory::GetMemoryBytes(const CEditableImage* live) const
{
    MemoryTally tally;
    for (const CEditableImage& r : records_) r.CountMemory(tally);
    if (live) live->CountMemory(tally);
    return tally.Total();
}

bool CUndoHistory::PushUndo(CEditableImage& live, const std::string& label, bool refresh)
{
    // After the edit the snapshot may be the only holder of every frame the
    // live image has now, so the records would hold the kept records plus
    // the whole current image. The oldest steps make room first; when even
    // the current image alone is too much the edit is refused.
    if (ProjectedBytes(0, live) > memoryLimit_) return false;
    while (position_ > 0 && Count() > 0 && ProjectedBytes(std::min(position_, Count()), live) > memoryLimit_)
        DropOldest();

    std::optional<std::string> previousLabel = live.GetLabel();
    try {
        live.SetLabel(label);
        CEditableImage snapshot(live);
        if (position_ < Count()) {
            records_[position_] = std::move(snapshot);
            records_.erase(records_.begin() + position_ + 1, records_.end());
            // A saved state on the branch just cut no longer exists: a later
            // state reaching that position number is not the one on disk.
            if (saved_ && *saved_ > position_) saved_.reset();
        } else {
            records_.push_back(std::move(snapshot));
        }
    } catch (const std::bad_alloc&) {
        live.SetLabel(std::move(previousLabel));
        return false;
    }
    position_ = Count();
    Trim();
    position_ = Count();
    if (refresh && onRefreshFile) onRefreshFile();
    return true;
}

bool CUndoHistory::Undo(CEditableImage& live, int steps, int32_t* currentFrame)
{
    bool changed = false;
    try {
        // The list offers exactly position entries; more cannot be undone.
        if (position_ <= Count() && int64_t{steps} > int64_t{position_}) steps = int(position_);
        while (position_ != 0) {
            if (position_ > Count()) break;
            // The newest state is kept so that it can be redone.
            if (position_ == Count()) records_.push_back(live);
            if (steps < 2) {
                CEditableImage restored(records_[position_ - 1]);
                --position_;
                live = std::move(restored);
                changed = true;
                break;
            }
            position_ = position_ - uint32_t(steps) + 1;
            steps = 1;
        }
    } catch (const std::bad_alloc&) {
        // Nothing was half done: the copy is made before the position moves.
    }
    if (changed && currentFrame) *currentFrame = ClampFrameIndex(*currentFrame, live);
    if (onChanged) onChanged();
    return changed;
}

bool CUndoHistory::Redo(CEditableImage& live, int steps, int32_t* currentFrame)
{
    bool changed = false;
    // position + 1 < count: the same test written as count - 1 wraps on an
    // empty history in unsigned arithmetic.
    if (uint64_t{position_} + 1 < Count()) {
        const uint32_t available = Count() - 1 - position_;
        const uint32_t n = steps < 2 ? 1u : std::min(uint32_t(steps), available);
        try {
            CEditableImage restored(records_[position_ + n]);
            position_ += n;
            live = std::move(restored);
            changed = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (changed && currentFrame) *currentFrame = ClampFrameIndex(*currentFrame, live);
    if (onChanged) onChanged();
    return changed;
}

void CUndoHistory::ClearHistory()
{
    records_.clear();
    saved_ = (saved_ && *saved_ == position_) ? std::optional<uint32_t>(0) : std::nullopt;
    position_ = 0;
}

void CUndoHistory::Reset()
{
    records_.clear();
    position_ = 0;
    saved_ = 0;
}

std::vector<std::string> CUndoHistory::GetUndoLabels() const
{
    std::vector<std::string> out;
    for (uint32_t k = std::min(position_, Count()); k > 0; --k) out.push_back(records_[k - 1].GetLabel().value_or(""));
    return out;
}

std::vector<std::string> CUndoHistory::GetRedoLabels() const
{
    std::vector<std::string> out;
    for (uint64_t k = position_; k + 1 < Count(); ++k) out.push_back(records_[k].GetLabel().value_or(""));
    return out;
}

void CUndoHistory::SetMaximum(uint32_t maximum)
{
    maximum_ = std::clamp(maximum, kMinUndoRecords, kMaxUndoRecords);
    Trim();
}

void CUndoHistory::DropOldest()
{
    records_.erase(records_.begin());
    if (position_ > 0) --position_;
    // Position and saved position move together; a saved state that falls
    // off the front can never be reached again.
    if (saved_) saved_ = *saved_ > 0 ? std::optional<uint32_t>(*saved_ - 1) : std::nullopt;
}

void CUndoHistory::DropNewest()
{
    const uint32_t last = Count() - 1;
    records_.pop_back();
    if (saved_ && *saved_ >= last) saved_.reset();
}

void CUndoHistory::Trim()
{
    // Older undo steps go first; redo steps only when nothing older is left.
    while (Count() > maximum_) {
        if (position_ > 0) DropOldest();
        else DropNewest();
    }
}

int32_t CUndoHistory::ClampFrameIndex(int32_t current, const CEditableImage& image)
{
    return current >= image.GetFrameCount() ? image.GetFrameCount() - 1 : current;
}

} // namespace vex
