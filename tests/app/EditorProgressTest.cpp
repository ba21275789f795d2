// Worker operations under the editor's progress window, and frames that
// stay shared with the undo records while they are only shown.

#include <chrono>
#include <thread>

#include <QDialog>
#include <QTimer>

#include "editing/FrameWorker.h"
#include "editor/IconView.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;

class EditorProgressTest : public AppTest {};

} // namespace
} // namespace vex

namespace vex {
namespace {

TEST_F(EditorProgressTest, WorkerOperationRunsUnderTheProgressWindowAndMarksTheImage)
{
    CIconView view;
    const Raster pic = test::MakePicture(8, 4, 3);
    ASSERT_TRUE(view.SetImage(QString(), &pic, 0));
    const RgbQuad left = view.GetImage().GetFrame(0)->GetPixelColor(0, 0);
    WorkerParams params;
    ASSERT_TRUE(view.GetImage().RunWorkerOperation(0, kWorkerMirror, params, view.ProgressPoster()));
    // The announcement arrives as an event; the window runs until the worker ends.
    QCoreApplication::sendPostedEvents(&view);
    EXPECT_FALSE(view.IsProcessing());
    EXPECT_EQ(view.GetImage().GetFrame(0)->GetPixelColor(7, 0), left);
    EXPECT_TRUE(view.IsModified());
    EXPECT_TRUE(view.GetTitle().endsWith(QStringLiteral(" *")));
}

} // namespace
} // namespace vex

namespace vex {
namespace {

TEST_F(EditorProgressTest, ShowingAFrameKeepsItSharedWithTheUndoRecords)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteGif("two.gif", {1, 1})));
    ASSERT_TRUE(view.PushUndo("Edit"));
    const CEditableImage* record = view.History().GetRecord(0);
    ASSERT_NE(record, nullptr);
    QImage buffer(40, 40, QImage::Format_RGB32);
    view.PaintCanvas(buffer, QRect(0, 0, 40, 40));
    view.OnAnimationTick();
    view.RefreshFrameInfo(true, true);
    view.SelectTool(ToolPencil);
    for (int32_t i = 0; i < 2; ++i) EXPECT_TRUE(view.GetImage().SharesFrameWith(*record, i)) << i;
}

} // namespace
} // namespace vex

namespace vex {
namespace {

// A worker that runs until it is asked to stop.
WorkerAnnouncement EndlessWorker(const CIconView& view)
{
    CFrameImage copy(*view.GetImage().GetFrame(0));
    return WorkerAnnouncement{0, CFrameWorker::Start(std::move(copy), [](CFrameImage& f) {
                                  while (!f.GetEscape()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                  return false;
                              })};
}

TEST_F(EditorProgressTest, LoadingWhileAWorkerRunsStopsItFirst)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("two.ico", 2)));
    const QString next = WriteIcon("one.ico", 1);
    QCoreApplication::postEvent(&view, new CProgressEvent(EndlessWorker(view)));
    // Runs inside the progress window's loop; the window can only close once
    // the worker has been stopped and joined.
    QTimer::singleShot(0, &view, [&] { view.SetImage(next); });
    QCoreApplication::sendPostedEvents(&view);
    EXPECT_FALSE(view.IsProcessing());
    EXPECT_EQ(view.FrameCount(), 1u);
    EXPECT_FALSE(view.IsModified());
}

TEST_F(EditorProgressTest, EscapeStopsTheWorkersAndLeavesTheFrame)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    const RgbQuad before = view.GetImage().GetFrame(0)->GetPixelColor(3, 3);
    QCoreApplication::postEvent(&view, new CProgressEvent(EndlessWorker(view)));
    QTimer::singleShot(0, &view, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
    });
    QCoreApplication::sendPostedEvents(&view);
    EXPECT_FALSE(view.IsProcessing());
    EXPECT_EQ(view.GetImage().GetFrame(0)->GetPixelColor(3, 3), before);
}

} // namespace
} // namespace vex
