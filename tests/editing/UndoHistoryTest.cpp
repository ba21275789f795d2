#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "editing/EditingFixtures.h"
#include "editing/UndoHistory.h"

namespace vex {
namespace {

// The live image of these tests: one 4x4 frame whose colour is the state number.
CEditableImage Loaded(uint8_t state = 0)
{
    CEditableImage ed;
    ed.Append(test::Filled(4, 4, MakeRgb(state, 0, 0)));
    return ed;
}

uint8_t State(const CEditableImage& ed)
{
    return ed.GetFrame(0)->GetPixelColor(1, 1).red;
}

void Edit(CEditableImage& ed, uint8_t state)
{
    CFrameImage* f = ed.GetFrame(0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) f->SetPixelColor(x, y, MakeRgb(state, 0, 0));
}

// Push then edit, as a command does.
void Step(CUndoHistory& h, CEditableImage& live, uint8_t state)
{
    ASSERT_TRUE(h.PushUndo(live, "to " + std::to_string(state), false));
    Edit(live, state);
}

std::vector<uint8_t> RecordStates(const CUndoHistory& h)
{
    std::vector<uint8_t> out;
    for (uint32_t k = 0; k < h.Count(); ++k) out.push_back(State(*h.GetRecord(k)));
    return out;
}

TEST(UndoHistory, MaximumThreeKeepsTheLastThreeStates)
{
    CUndoHistory h(3);
    CEditableImage live = Loaded();
    for (uint8_t s = 1; s <= 5; ++s) Step(h, live, s);
    EXPECT_EQ(h.GetPosition(), 3u);
    EXPECT_EQ(RecordStates(h), (std::vector<uint8_t>{2, 3, 4}));
    EXPECT_TRUE(h.Undo(live, 3));
    EXPECT_EQ(State(live), 2);
    EXPECT_FALSE(h.Undo(live));
    EXPECT_EQ(State(live), 2);
}

TEST(UndoHistory, UndoTwiceThenRedoTwice)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    Step(h, live, 1);
    Step(h, live, 2);
    EXPECT_TRUE(h.Undo(live));
    EXPECT_TRUE(h.Undo(live));
    EXPECT_EQ(h.GetPosition(), 0u);
    EXPECT_EQ(State(live), 0);
    // The newest state was appended so that it can be redone.
    EXPECT_EQ(h.Count(), 3u);
    EXPECT_TRUE(h.Redo(live));
    EXPECT_EQ(State(live), 1);
    EXPECT_TRUE(h.Redo(live));
    EXPECT_EQ(State(live), 2);
    EXPECT_EQ(h.GetPosition(), 2u);
    EXPECT_FALSE(h.CanRedo());
    EXPECT_FALSE(h.Redo(live));
}

TEST(UndoHistory, StepsOfSeveralMoveAsManyStates)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    for (uint8_t s = 1; s <= 4; ++s) Step(h, live, s);
    EXPECT_TRUE(h.Undo(live, 3));
    EXPECT_EQ(State(live), 1);
    EXPECT_EQ(h.GetPosition(), 1u);
    EXPECT_TRUE(h.Redo(live, 2));
    EXPECT_EQ(State(live), 3);
    // More steps than the lists offer go as far as there is history.
    EXPECT_TRUE(h.Undo(live, 50));
    EXPECT_EQ(State(live), 0);
    EXPECT_TRUE(h.Redo(live, 50));
    EXPECT_EQ(State(live), 4);
    EXPECT_EQ(h.GetPosition(), h.Count() - 1);
}

TEST(UndoHistory, PushAfterUndoCutsTheRedoBranch)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    for (uint8_t s = 1; s <= 3; ++s) Step(h, live, s);
    h.Undo(live, 2); // live is state 1, position 1
    ASSERT_EQ(State(live), 1);
    ASSERT_TRUE(h.PushUndo(live, "other", false));
    Edit(live, 9);
    EXPECT_EQ(h.Count(), 2u);
    EXPECT_EQ(h.GetPosition(), 2u);
    EXPECT_EQ(RecordStates(h), (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(h.GetRecord(1)->GetLabel(), std::optional<std::string>("other"));
    EXPECT_FALSE(h.CanRedo());
    EXPECT_TRUE(h.GetRedoLabels().empty());
}

TEST(UndoHistory, UndoingBackToTheSavedStateClearsModified)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    h.Reset(); // load
    EXPECT_FALSE(h.IsModified());
    Step(h, live, 1);
    EXPECT_TRUE(h.IsModified());
    h.MarkSavePoint(); // save
    EXPECT_FALSE(h.IsModified());
    Step(h, live, 2);
    EXPECT_TRUE(h.IsModified());
    h.Undo(live);
    EXPECT_EQ(State(live), 1);
    EXPECT_FALSE(h.IsModified());
    h.Redo(live);
    EXPECT_TRUE(h.IsModified());
}

TEST(UndoHistory, MaxUndoSettingIsLimited)
{
    struct Case {
        std::optional<uint32_t> have;
        uint32_t want;
    };
    const Case cases[] = {{1, 3}, {500, 100}, {std::nullopt, 10}, {0, 3}, {3, 3}, {100, 100}, {42, 42}};
    for (const Case& c : cases) {
        EXPECT_EQ(ClampMaxUndo(c.have), c.want) << "have " << (c.have ? int64_t(*c.have) : -1);
        CUndoHistory h(c.have.value_or(kDefaultUndoRecords));
        EXPECT_EQ(h.GetMaximum(), ClampMaxUndo(c.have));
    }
}

// "position < count - 1" in unsigned arithmetic is true on an empty history
// and would copy a record that does not exist.
TEST(UndoHistory, RedoOnAnEmptyHistoryDoesNothing)
{
    CUndoHistory h;
    CEditableImage live = Loaded(7);
    int changed = 0;
    h.onChanged = [&] { ++changed; };
    EXPECT_FALSE(h.CanRedo());
    EXPECT_FALSE(h.Redo(live));
    EXPECT_FALSE(h.Redo(live, 5));
    EXPECT_FALSE(h.Undo(live));
    EXPECT_EQ(h.GetPosition(), 0u);
    EXPECT_EQ(h.Count(), 0u);
    EXPECT_EQ(State(live), 7);
    // Nothing to do still refreshes.
    EXPECT_EQ(changed, 3);
    // Also after a push: position equals the count.
    Step(h, live, 8);
    EXPECT_FALSE(h.Redo(live));
    EXPECT_EQ(State(live), 8);
}

// Trimming the oldest record lowers the saved position with the position, so
// an edited image is never marked clean by the numbers lining up again.
TEST(UndoHistory, TrimmingMovesTheSavedPosition)
{
    CUndoHistory h(3);
    CEditableImage live = Loaded();
    h.Reset();
    for (uint8_t s = 1; s <= 3; ++s) Step(h, live, s);
    h.MarkSavePoint(); // position 3, state 3 on disk
    Step(h, live, 4);  // trims record 0: position stays 3
    EXPECT_EQ(h.GetPosition(), 3u);
    EXPECT_EQ(h.GetSavedPosition(), std::optional<uint32_t>(2));
    EXPECT_TRUE(h.IsModified());
    h.Undo(live);
    EXPECT_EQ(State(live), 3);
    EXPECT_FALSE(h.IsModified());
}

TEST(UndoHistory, SavedStateTrimmedAwayStaysModified)
{
    CUndoHistory h(3);
    CEditableImage live = Loaded();
    h.Reset(); // saved position 0: state 0
    for (uint8_t s = 1; s <= 4; ++s) Step(h, live, s);
    EXPECT_EQ(h.GetSavedPosition(), std::nullopt);
    h.Undo(live, 3); // position 0 is state 1, not the loaded state
    EXPECT_EQ(h.GetPosition(), 0u);
    EXPECT_EQ(State(live), 1);
    EXPECT_TRUE(h.IsModified());
}

// A push after undo cuts the branch holding the saved state; reaching the
// same position number later is another state.
TEST(UndoHistory, SavedStateOnACutBranchStaysModified)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    h.Reset();
    Step(h, live, 1);
    h.MarkSavePoint(); // position 1
    h.Undo(live);      // position 0
    Step(h, live, 2);  // position 1 again, state 2
    EXPECT_EQ(State(live), 2);
    EXPECT_TRUE(h.IsModified());
}

TEST(UndoHistory, LoweringTheMaximumDropsOldestThenNewestRedo)
{
    CUndoHistory h(10);
    CEditableImage live = Loaded();
    for (uint8_t s = 1; s <= 8; ++s) Step(h, live, s);
    h.Undo(live, 2); // position 6, count 9
    h.SetMaximum(4);
    EXPECT_EQ(RecordStates(h), (std::vector<uint8_t>{5, 6, 7, 8}));
    EXPECT_EQ(h.GetPosition(), 1u);
    EXPECT_EQ(State(*h.GetRecord(h.GetPosition())), State(live));
    h.Undo(live, 1);
    h.SetMaximum(3); // position 0: the newest redo record goes
    EXPECT_EQ(RecordStates(h), (std::vector<uint8_t>{5, 6, 7}));
    EXPECT_EQ(h.GetPosition(), 0u);
    h.Redo(live, 2);
    EXPECT_EQ(State(live), 7);
    h.SetMaximum(1000);
    EXPECT_EQ(h.GetMaximum(), 100u);
}

TEST(UndoHistory, LabelListsFollowThePosition)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    for (const char* label : {"Rotate Single-frame.", "Move Selection", "Pasted Image as Template"}) {
        ASSERT_TRUE(h.PushUndo(live, label, false));
        Edit(live, uint8_t(h.Count()));
    }
    using L = std::vector<std::string>;
    EXPECT_EQ(h.GetUndoLabels(), (L{"Pasted Image as Template", "Move Selection", "Rotate Single-frame."}));
    EXPECT_TRUE(h.GetRedoLabels().empty());
    h.Undo(live);
    EXPECT_EQ(h.GetUndoLabels(), (L{"Move Selection", "Rotate Single-frame."}));
    EXPECT_EQ(h.GetRedoLabels(), (L{"Pasted Image as Template"}));
    h.Undo(live, 2);
    EXPECT_TRUE(h.GetUndoLabels().empty());
    EXPECT_EQ(h.GetRedoLabels(), (L{"Rotate Single-frame.", "Move Selection", "Pasted Image as Template"}));
}

TEST(UndoHistory, RefreshCallbacks)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    int files = 0, changes = 0;
    h.onRefreshFile = [&] { ++files; };
    h.onChanged = [&] { ++changes; };
    h.PushUndo(live, "a", false);
    EXPECT_EQ(files, 0);
    h.PushUndo(live, "b", true);
    EXPECT_EQ(files, 1);
    h.Undo(live);
    h.Redo(live);
    EXPECT_EQ(changes, 2);
}

TEST(UndoHistory, CurrentFrameFollowsTheFrameCount)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    ASSERT_TRUE(h.PushUndo(live, "add frames", false));
    live.Append(test::Filled(2, 2, MakeRgb(1, 1, 1)));
    live.Append(test::Filled(2, 2, MakeRgb(2, 2, 2)));
    int32_t current = 2;
    h.Undo(live, 1, &current);
    EXPECT_EQ(live.GetFrameCount(), 1);
    EXPECT_EQ(current, 0);
    // The other way: back to three frames, then redo to one.
    h.Redo(live, 1, &current);
    EXPECT_EQ(current, 0);
    ASSERT_TRUE(h.PushUndo(live, "remove", false));
    live.RemoveRange(1, 3);
    h.Undo(live, 1, &current);
    current = 2;
    h.Redo(live, 1, &current);
    EXPECT_EQ(live.GetFrameCount(), 1);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(CUndoHistory::ClampFrameIndex(1, live), 0);
    EXPECT_EQ(CUndoHistory::ClampFrameIndex(0, live), 0);
}

// Records behave as deep copies although they share frames with the live image.
TEST(UndoHistory, RecordsAndLiveImageAreIndependent)
{
    CUndoHistory h;
    CEditableImage live = Loaded(1);
    const Raster lifted = test::Filled(2, 2, MakeRgb(5, 5, 5));
    live.SetFloatingSelection(&lifted);
    live.GetFrame(0)->AddLayer(test::Filled(2, 2, MakeRgb(3, 3, 3)));
    ASSERT_TRUE(h.PushUndo(live, "edit", false));
    Edit(live, 2);
    live.GetFloatingSelection()->SetPixelColor(0, 0, MakeRgb(6, 6, 6));
    live.GetFrame(0)->GetLayer(0)->picture.SetPixelColor(0, 0, MakeRgb(4, 4, 4));
    const CEditableImage& rec = *h.GetRecord(0);
    EXPECT_EQ(State(rec), 1);
    EXPECT_EQ(rec.GetFloatingSelection()->GetPixelColor(0, 0), MakeRgb(5, 5, 5));
    EXPECT_EQ(rec.GetFrame(0)->GetLayer(0)->picture.GetPixelColor(0, 0), MakeRgb(3, 3, 3));

    // After undo the live image shares the record; editing it leaves the record.
    h.Undo(live);
    EXPECT_EQ(State(live), 1);
    Edit(live, 3);
    EXPECT_EQ(State(*h.GetRecord(0)), 1);
    EXPECT_EQ(State(*h.GetRecord(1)), 2);
    h.Redo(live);
    EXPECT_EQ(State(live), 2);
    EXPECT_EQ(std::as_const(live).GetFloatingSelection()->GetPixelColor(0, 0), MakeRgb(6, 6, 6));
}

// Each step that edits one frame of many costs about one frame.
TEST(UndoHistory, StepsShareUnchangedFrames)
{
    CEditableImage live;
    for (int i = 0; i < 6; ++i) {
        Raster f = test::Filled(32, 32, MakeRgb(uint8_t(i), 0, 0));
        f.AlphaCreate();
        f.AlphaSet(uint8_t{255});
        live.Append(f);
    }
    const uint64_t frame = FrameBytes(*live.ReadFrame(0));
    CUndoHistory h(100);
    const uint64_t start = h.GetMemoryBytes(&live);
    const int steps = 20;
    for (int s = 0; s < steps; ++s) {
        ASSERT_TRUE(h.PushUndo(live, "pixel", false));
        live.GetFrame(s % 6)->SetPixelColor(0, 0, MakeRgb(uint8_t(s), 1, 1));
    }
    const uint64_t grown = h.GetMemoryBytes(&live) - start;
    EXPECT_GE(grown, steps * frame);
    // Beyond the frames only the small per-record bookkeeping.
    EXPECT_LT(grown, steps * frame + steps * 1024);
}

TEST(UndoHistory, PushRefusedWhenTheSnapshotCannotBeHeld)
{
    CEditableImage live = Loaded();
    live.SetLabel(std::string("before"));
    CUndoHistory h;
    h.SetMemoryLimit(100); // less than the image itself
    EXPECT_FALSE(h.PushUndo(live, "edit", false));
    EXPECT_EQ(h.Count(), 0u);
    EXPECT_EQ(h.GetPosition(), 0u);
    EXPECT_EQ(live.GetLabel(), std::optional<std::string>("before"));
}

TEST(UndoHistory, OldestStepsMakeRoomForANewSnapshot)
{
    CEditableImage live = Loaded();
    CUndoHistory h(100);
    // Room for about three states of the image.
    h.SetMemoryLimit(3 * h.GetMemoryBytes(&live) + 512);
    h.Reset();
    for (uint8_t s = 1; s <= 10; ++s) Step(h, live, s);
    EXPECT_LE(h.GetMemoryBytes(), h.GetMemoryLimit());
    EXPECT_LT(h.Count(), 10u);
    EXPECT_EQ(h.GetPosition(), h.Count());
    EXPECT_EQ(State(*h.GetRecord(h.Count() - 1)), 9);
    // The loaded state fell off: undoing everything is still modified.
    h.Undo(live, int(h.Count()));
    EXPECT_TRUE(h.IsModified());
}

TEST(UndoHistory, ClearHistoryKeepsTheModifiedMark)
{
    CUndoHistory h;
    CEditableImage live = Loaded();
    h.Reset();
    Step(h, live, 1);
    h.ClearHistory();
    EXPECT_EQ(h.Count(), 0u);
    EXPECT_TRUE(h.IsModified());
    h.MarkSavePoint();
    Step(h, live, 2);
    h.Undo(live);
    h.ClearHistory();
    EXPECT_FALSE(h.IsModified());
}

} // namespace
} // namespace vex
