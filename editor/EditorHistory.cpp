#include "editor/EditorHistory.h"

#include <algorithm>
#include <new>

namespace vex {

bool CEditorHistory::Push(CEditableImage& live, const std::string& label)
{
    live.SetLabel(label);
    try {
        CEditableImage snapshot(live);
        if (position_ < records_.size()) {
            records_[position_] = std::move(snapshot);
            records_.resize(size_t{position_} + 1);
            // The redo branch is gone: a saved state beyond it cannot return.
            if (saved_ > int64_t{position_}) saved_ = -1;
        } else {
            records_.push_back(std::move(snapshot));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    position_ = uint32_t(records_.size());
    Trim();
    return true;
}

bool CEditorHistory::Undo(CEditableImage& live, int steps)
{
    if (steps < 1) steps = 1;
    while (position_ != 0) {
        if (position_ > records_.size()) return false;
        if (position_ == records_.size()) {
            try {
                records_.emplace_back(live);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        if (steps < 2 || uint32_t(steps) > position_) {
            --position_;
            live = records_[position_];
            return true;
        }
        position_ = position_ - uint32_t(steps) + 1;
        steps = 1;
    }
    return false;
}

bool CEditorHistory::Redo(CEditableImage& live, int steps)
{
    if (steps < 1) steps = 1;
    if (steps >= 2 && uint64_t{position_} + steps < records_.size()) position_ += uint32_t(steps) - 1;
    if (!CanRedo()) return false;
    ++position_;
    live = records_[position_];
    return true;
}

void CEditorHistory::Clear()
{
    records_.clear();
    position_ = 0;
}

void CEditorHistory::SetMaximum(uint32_t maximum)
{
    maximum_ = maximum;
    Trim();
}

void CEditorHistory::Trim()
{
    while (records_.size() > maximum_ && position_ > 0) {
        records_.erase(records_.begin());
        --position_;
        --saved_;
    }
    if (saved_ < 0) saved_ = -1;
    if (records_.size() > maximum_) records_.resize(maximum_);
}

std::vector<std::string> CEditorHistory::UndoLabels() const
{
    std::vector<std::string> out;
    for (uint32_t i = std::min<uint32_t>(position_, Count()); i-- > 0;) out.push_back(records_[i].GetLabel().value_or(""));
    return out;
}

std::vector<std::string> CEditorHistory::RedoLabels() const
{
    std::vector<std::string> out;
    for (uint64_t i = position_; i + 1 < records_.size(); ++i) out.push_back(records_[i].GetLabel().value_or(""));
    return out;
}

} // namespace vex
