#pragma once
// The editor's undo records: complete snapshots of the editable image, oldest
// first, with the position of the record that matches the live image and the
// position at the last load or save.

#include <cstdint>
#include <string>
#include <vector>

#include "editing/EditableImage.h"

namespace vex {

class CEditorHistory {
public:
    uint32_t Position() const { return position_; }
    uint32_t Count() const { return uint32_t(records_.size()); }
    uint32_t Maximum() const { return maximum_; }
    // The saved position; negative once trimming dropped the saved state.
    int64_t SavedPosition() const { return saved_; }
    void SetSavedPosition(uint32_t position) { saved_ = position; }
    bool IsAtSavePoint() const { return saved_ == int64_t{position_}; }

    // Stores `live` (labelled) before an edit; false when no snapshot could be taken.
    bool Push(CEditableImage& live, const std::string& label);
    // Move back or forward; the live image takes the record's state.
    bool Undo(CEditableImage& live, int steps);
    bool Redo(CEditableImage& live, int steps);
    bool CanUndo() const { return !records_.empty() && position_ > 0; }
    bool CanRedo() const { return uint64_t{position_} + 1 < records_.size(); }
    void Clear();
    // Keeps at most `maximum` records: the oldest go first (position and saved
    // position move down with them), then the newest redo records.
    void SetMaximum(uint32_t maximum);
    std::vector<std::string> UndoLabels() const;
    std::vector<std::string> RedoLabels() const;

private:
    void Trim();

    std::vector<CEditableImage> records_;
    uint32_t position_ = 0;
    uint32_t maximum_ = 10;
    int64_t saved_ = 0;
};

} // namespace vex
