// The editor's undo history as the view uses it: moving back and forth,
// the redo test on an empty history and trimming that keeps the save point
// honest.

#include "editing/UndoHistory.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

CEditableImage WithFrames(int n)
{
    CEditableImage img;
    for (int i = 0; i < n; ++i) img.Append(test::MakePicture(2, 2, uint8_t(i)));
    return img;
}

TEST(EditorHistory, UndoAndRedoRestoreTheStates)
{
    CUndoHistory h;
    CEditableImage live = WithFrames(1);
    ASSERT_TRUE(h.PushUndo(live, "Add", false));
    live.Append(test::MakePicture(2, 2, 9));
    ASSERT_TRUE(h.PushUndo(live, "Add again", false));
    live.Append(test::MakePicture(2, 2, 9));
    EXPECT_EQ(h.GetUndoLabels(), (std::vector<std::string>{"Add again", "Add"}));
    ASSERT_TRUE(h.Undo(live, 1));
    EXPECT_EQ(live.GetFrameCount(), 2);
    ASSERT_TRUE(h.Undo(live, 1));
    EXPECT_EQ(live.GetFrameCount(), 1);
    EXPECT_FALSE(h.CanUndo());
    EXPECT_EQ(h.GetRedoLabels().size(), 2u);
    ASSERT_TRUE(h.Redo(live, 2));
    EXPECT_EQ(live.GetFrameCount(), 3);
    EXPECT_FALSE(h.CanRedo());
}

TEST(EditorHistory, RedoOnAnEmptyHistoryDoesNothing)
{
    // "position < count - 1" in unsigned arithmetic would say yes here.
    CUndoHistory h;
    CEditableImage live = WithFrames(1);
    EXPECT_FALSE(h.CanRedo());
    EXPECT_FALSE(h.Redo(live, 1));
    EXPECT_EQ(live.GetFrameCount(), 1);
}

TEST(EditorHistory, TrimmingMovesTheSavePointWithTheRecords)
{
    CUndoHistory h;
    h.SetMaximum(3);
    CEditableImage live = WithFrames(1);
    h.PushUndo(live, "a", false);
    live.Append(test::MakePicture(2, 2, 1));
    h.MarkSavePoint(); // saved after the first edit: two frames
    EXPECT_FALSE(h.IsModified());
    for (const char* label : {"b", "c", "d"}) {
        h.PushUndo(live, label, false);
        live.Append(test::MakePicture(2, 2, 1));
    }
    // The oldest record went; the saved state is now record 0.
    EXPECT_EQ(h.Count(), 3u);
    EXPECT_EQ(h.GetSavedPosition(), std::optional<uint32_t>(0));
    for (int i = 0; i < 3; ++i) h.Undo(live, 1);
    EXPECT_EQ(live.GetFrameCount(), 2);
    EXPECT_FALSE(h.IsModified());
    // Once the saved state itself is gone, no position matches it.
    for (int i = 0; i < 3; ++i) h.Redo(live, 1);
    h.PushUndo(live, "e", false);
    EXPECT_FALSE(h.GetSavedPosition().has_value());
    for (int i = 0; i < 4; ++i) h.Undo(live, 1);
    EXPECT_TRUE(h.IsModified());
}

TEST(EditorHistory, SavePointStaysOnTheSameStateWhenOldRecordsGo)
{
    CUndoHistory h;
    h.SetMaximum(10);
    CEditableImage live = WithFrames(1);
    for (int i = 0; i < 5; ++i) h.PushUndo(live, "e", false);
    h.MarkSavePoint();
    h.SetMaximum(3);
    EXPECT_FALSE(h.IsModified());
    EXPECT_EQ(h.GetPosition(), 3u);
}

} // namespace
} // namespace vex
