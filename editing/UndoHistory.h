#pragma once
// The editor's undo history: snapshots of the editable image taken before each
// edit, a position in that list and the position at the last load or save.
// The view owns the history and the live image and hands the image to every
// call; nothing here touches widgets. Snapshots share unchanged frames with the
// live image and with each other (see CEditableImage), so a step costs what
// its edit changed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editing/EditableImage.h"

namespace vex {

inline constexpr uint32_t kMinUndoRecords = 3;
inline constexpr uint32_t kMaxUndoRecords = 100;
inline constexpr uint32_t kDefaultUndoRecords = 10;
// Largest number of bytes the records may hold beyond the live image. The
// record count alone does not bound memory (a hundred copies of a large
// image); an edit whose snapshot would pass this is refused.
inline constexpr uint64_t kMaxUndoBytes = 4ull * 1024 * 1024 * 1024;

// The record count from the "maxundo" setting: 10 when it cannot be read,
// otherwise the value limited to 3..100.
uint32_t ClampMaxUndo(std::optional<uint32_t> setting);

class CUndoHistory {
public:
    explicit CUndoHistory(uint32_t maximum = kDefaultUndoRecords);

    // Called by PushUndo when asked to refresh the file list entry of the image.
    std::function<void()> onRefreshFile;
    // Called after every Undo and Redo (title, frame strip, view, pages, histogram).
    std::function<void()> onChanged;

    // Stores the live state before an edit labelled `label`. Returns false and
    // stores nothing when the snapshot cannot be taken (memory); the caller
    // must then not make the edit.
    bool PushUndo(CEditableImage& live, const std::string& label, bool refresh);
    // Both return true when the live image changed. currentFrame, when given,
    // is brought below the frame count of the restored image.
    bool Undo(CEditableImage& live, int steps = 1, int32_t* currentFrame = nullptr);
    bool Redo(CEditableImage& live, int steps = 1, int32_t* currentFrame = nullptr);
    bool CanUndo() const { return position_ != 0 && position_ <= Count(); }
    bool CanRedo() const { return uint64_t{position_} + 1 < Count(); }

    // Removes every record; the modified mark is kept.
    void ClearHistory();
    // After loading an image: no records, position and saved position 0.
    void Reset();
    // The live image now matches the file on disk.
    void MarkSavePoint() { saved_ = position_; }
    bool IsModified() const { return !saved_ || *saved_ != position_; }

    // Most recent edit first: records position - 1 down to 0.
    std::vector<std::string> GetUndoLabels() const;
    // Records position up to count - 2.
    std::vector<std::string> GetRedoLabels() const;

    // Limits the maximum to 3..100 and trims the records to it.
    void SetMaximum(uint32_t maximum);
    uint32_t GetMaximum() const { return maximum_; }
    uint32_t GetPosition() const { return position_; }
    uint32_t Count() const { return static_cast<uint32_t>(records_.size()); }
    // Nothing when the saved state was trimmed away or cut off.
    std::optional<uint32_t> GetSavedPosition() const { return saved_; }
    const CEditableImage* GetRecord(uint32_t index) const;

    // Bytes held by the records and, when given, the live image, blocks
    // shared between them counted once.
    uint64_t GetMemoryBytes(const CEditableImage* live = nullptr) const;
    void SetMemoryLimit(uint64_t bytes) { memoryLimit_ = bytes; }
    uint64_t GetMemoryLimit() const { return memoryLimit_; }

    // The view's frame index after the image changed: below the frame count.
    static int32_t ClampFrameIndex(int32_t current, const CEditableImage& image);

private:
    void Trim();
    void DropOldest();
    void DropNewest();
    // Bytes the first `keep` records and the live image hold together.
    uint64_t ProjectedBytes(uint32_t keep, const CEditableImage& live) const;
    void Restore(CEditableImage& live, int32_t* currentFrame) const;

    std::vector<CEditableImage> records_;
    uint32_t position_ = 0;
    uint32_t maximum_ = kDefaultUndoRecords;
    std::optional<uint32_t> saved_ = 0;
    uint64_t memoryLimit_ = kMaxUndoBytes;
};

} // namespace vex
