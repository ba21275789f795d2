// The editor's undo records: moving back and forth, the redo test on an
// empty history and trimming that keeps the save point honest.

#include "editor/EditorHistory.h"
#include "tests/app/AppTestSupport.h"

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
    CEditorHistory h;
    CEditableImage live = WithFrames(1);
    ASSERT_TRUE(h.Push(live, "Add"));
    live.Append(test::MakePicture(2, 2, 9));
    ASSERT_TRUE(h.Push(live, "Add again"));
    live.Append(test::MakePicture(2, 2, 9));
    EXPECT_EQ(h.UndoLabels(), (std::vector<std::string>{"Add again", "Add"}));
    ASSERT_TRUE(h.Undo(live, 1));
    EXPECT_EQ(live.GetFrameCount(), 2);
    ASSERT_TRUE(h.Undo(live, 1));
    EXPECT_EQ(live.GetFrameCount(), 1);
    EXPECT_FALSE(h.CanUndo());
    EXPECT_EQ(h.RedoLabels().size(), 2u);
    ASSERT_TRUE(h.Redo(live, 2));
    EXPECT_EQ(live.GetFrameCount(), 3);
    EXPECT_FALSE(h.CanRedo());
}

TEST(EditorHistory, RedoOnAnEmptyHistoryDoesNothing)
{
    // "position < count - 1" in unsigned arithmetic would say yes here.
    CEditorHistory h;
    CEditableImage live = WithFrames(1);
    EXPECT_FALSE(h.CanRedo());
    EXPECT_FALSE(h.Redo(live, 1));
    EXPECT_EQ(live.GetFrameCount(), 1);
}

TEST(EditorHistory, TrimmingMovesTheSavePointWithTheRecords)
{
    CEditorHistory h;
    h.SetMaximum(3);
    CEditableImage live = WithFrames(1);
    h.Push(live, "a");
    live.Append(test::MakePicture(2, 2, 1));
    h.SetSavedPosition(h.Position()); // saved after the first edit: two frames
    EXPECT_TRUE(h.IsAtSavePoint());
    for (const char* label : {"b", "c", "d"}) {
        h.Push(live, label);
        live.Append(test::MakePicture(2, 2, 1));
    }
    // The oldest record went; the saved state is now record 0.
    EXPECT_EQ(h.Count(), 3u);
    EXPECT_EQ(h.SavedPosition(), 0);
    for (int i = 0; i < 3; ++i) h.Undo(live, 1);
    EXPECT_EQ(live.GetFrameCount(), 2);
    EXPECT_TRUE(h.IsAtSavePoint());
    // Once the saved state itself is gone, no position matches it.
    for (int i = 0; i < 3; ++i) h.Redo(live, 1);
    h.Push(live, "e");
    EXPECT_EQ(h.SavedPosition(), -1);
    for (int i = 0; i < 4; ++i) h.Undo(live, 1);
    EXPECT_FALSE(h.IsAtSavePoint());
}

TEST(EditorHistory, SavePointStaysOnTheSameStateWhenOldRecordsGo)
{
    CEditorHistory h;
    h.SetMaximum(10);
    CEditableImage live = WithFrames(1);
    for (int i = 0; i < 5; ++i) h.Push(live, "e");
    h.SetSavedPosition(h.Position());
    h.SetMaximum(3);
    EXPECT_TRUE(h.IsAtSavePoint());
    EXPECT_EQ(h.Position(), 3u);
}

} // namespace
} // namespace vex
