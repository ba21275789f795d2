// Worker results move into a live image whose frames an undo record shares:
// the record keeps the state from before the edit.
#include <gtest/gtest.h>

#include "editing/EditableImage.h"
#include "editing/ProgressPoller.h"
#include "editing/UndoHistory.h"
#include "editing/WorkerFixtures.h"

namespace vex {
namespace {

TEST(UndoWithWorkers, MovedInResultLeavesTheRecordAsItWas)
{
    CEditableImage live;
    const Raster a = test::Pattern(6, 4, 10), b = test::Pattern(3, 5, 90);
    live.Append(a);
    live.Append(b);
    CUndoHistory history;
    ASSERT_TRUE(history.PushUndo(live, "Rotate Single-frame.", false));
    ASSERT_TRUE(live.SharesFrameWith(*history.GetRecord(0), 0));
    {
        CProgressPoller poller(live);
        ASSERT_TRUE(live.RunWorkerOperation(0, kWorkerRotate, {{90000}}, poller));
        // Starting the worker only read the frame.
        EXPECT_TRUE(live.SharesFrameWith(*history.GetRecord(0), 0));
        test::Drain(poller);
    }
    Raster rotated(a);
    ASSERT_TRUE(rotated.Rotate(90.0f));
    EXPECT_TRUE(test::SameImage(*live.ReadFrame(0), rotated));
    const CEditableImage& record = *history.GetRecord(0);
    EXPECT_TRUE(test::SameImage(*record.GetFrame(0), a));
    EXPECT_TRUE(live.SharesFrameWith(record, 1));

    ASSERT_TRUE(history.Undo(live));
    EXPECT_TRUE(test::SameImage(*live.ReadFrame(0), a));
    ASSERT_TRUE(history.Redo(live));
    EXPECT_TRUE(test::SameImage(*live.ReadFrame(0), rotated));
}

} // namespace
} // namespace vex
