// The child frame's browser panes: a folder shown in the tree fills the file
// list, the first tile (or the named file) opens in the editor and its frames
// reach the strip; the delete and refresh commands reach the list.

#include <functional>

#include <QDir>
#include <QFile>
#include <QThread>
#include <QUrl>

#include "browser/MultiImageView.h"
#include "editing/FrameWorker.h"
#include "browser/ShellIconListView.h"
#include "browser/ShellTreeView.h"
#include "editor/ChildFrame.h"
#include "editor/EditorCommands.h"
#include "editor/IconView.h"
#include "shell/MainFrame.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

// Lets the event loop run until done() holds; bounded by rounds, not timed.
bool WaitUntil(const std::function<bool()>& done, int rounds = 4000)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done()) return true;
        QThread::msleep(5);
    }
    return done();
}

QString EditorFile(CChildFrame& frame)
{
    const auto& path = frame.GetEditor()->GetPathName();
    return path ? QDir::cleanPath(*path) : QString();
}

class BrowserWiringTest : public test::AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SetSearchPattern("*.*");
        ASSERT_TRUE(QDir().mkpath(Path("pics")));
        // Three files, listed in name order without case: a (2 frames), B, c.
        WriteIcon("pics/a.ico", 2);
        WriteGif("pics/B.gif", {5, 5, 5});
        WriteIcon("pics/c.ico", 1);
        pics_ = Path("pics");
    }
    QString pics_;
};

TEST_F(BrowserWiringTest, FolderShowsItsTilesAndOpensTheFirst)
{
    CChildFrame frame;
    frame.resize(1000, 700);
    frame.show();
    ASSERT_NE(frame.FolderTree(), nullptr);
    ASSERT_NE(frame.FileList(), nullptr);
    ASSERT_NE(frame.FrameStrip(), nullptr);
    frame.NavigateTo(pics_, QString());
    EXPECT_EQ(frame.CurrentFolder(), pics_);
    ASSERT_TRUE(WaitUntil([&] { return frame.FrameStrip()->FrameCount() == 2; }));
    EXPECT_EQ(EditorFile(frame), pics_ + QStringLiteral("/a.ico"));
    EXPECT_EQ(frame.CurrentFileName(), QStringLiteral("a.ico"));
    EXPECT_EQ(frame.GetEditor()->FrameCount(), 2u);
    CIconListCtrl* list = frame.FileList()->ListCtrl();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !list->IsListing() && list->count() == 3; }));
    ASSERT_EQ(list->Tiles().size(), 3u);
    EXPECT_EQ(list->Tiles()[0].name, QStringLiteral("a.ico"));
    EXPECT_EQ(list->Tiles()[1].name, QStringLiteral("B.gif"));
    EXPECT_EQ(list->Tiles()[2].name, QStringLiteral("c.ico"));
    ASSERT_NE(list->SelectedTile(), nullptr);
    EXPECT_EQ(list->SelectedTile()->name, QStringLiteral("a.ico"));
    EXPECT_EQ(frame.FrameStrip()->Caption(1).section(QLatin1Char('\n'), 0, 0), QStringLiteral("Frame 2 of 2"));

    // A click on the strip's second frame shows it in the editor.
    emit frame.FrameStrip()->frameClicked(1);
    EXPECT_EQ(frame.GetEditor()->GetCurrentFrame(), 1);
    // Selecting another tile opens it, and the strip follows.
    list->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    ASSERT_TRUE(WaitUntil([&] { return frame.FrameStrip()->FrameCount() == 3; }));
    EXPECT_EQ(EditorFile(frame), pics_ + QStringLiteral("/B.gif"));
}

TEST_F(BrowserWiringTest, NamedFileOpensAndItsTileIsSelected)
{
    CChildFrame frame;
    frame.show();
    int loads = 0;
    QObject::connect(frame.GetEditor(), &CIconView::FramesChanged, [&] { ++loads; });
    frame.NavigateTo(pics_, QStringLiteral("c.ico"));
    // Opened at once, before the list has its tiles.
    EXPECT_EQ(EditorFile(frame), pics_ + QStringLiteral("/c.ico"));
    CIconListCtrl* list = frame.FileList()->ListCtrl();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !list->IsListing() && list->SelectedTile(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(list->SelectedTile()->name, QStringLiteral("c.ico"));
    EXPECT_EQ(EditorFile(frame), pics_ + QStringLiteral("/c.ico"));
    EXPECT_EQ(frame.FrameStrip()->FrameCount(), 1);
    // The tile's selection does not load the file a second time.
    EXPECT_EQ(loads, 1);
}

TEST_F(BrowserWiringTest, DeleteCommandDeletesTheSelectedFileAfterConfirmation)
{
    CChildFrame frame;
    frame.show();
    std::vector<QString> questions;
    QMessageBox::StandardButton answer = QMessageBox::No;
    frame.FileList()->SetPrompt([&](const PromptRequest& r) {
        questions.push_back(r.text);
        return answer;
    });
    frame.NavigateTo(pics_, QString());
    CIconListCtrl* list = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        list = frame.FileList()->ListCtrl();
        return list && !list->IsListing() && list->count() == 3 && !EditorFile(frame).isEmpty();
    }));
    CommandState state;
    ASSERT_TRUE(frame.OnUpdateCommand(cmd::DeleteFile, state));
    EXPECT_TRUE(state.enabled);

    // Declined: nothing is deleted.
    EXPECT_TRUE(frame.OnCommand(cmd::DeleteFile));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("Are you sure you want to delete 'a.ico'?")));
    EXPECT_TRUE(QFile::exists(pics_ + QStringLiteral("/a.ico")));
    EXPECT_EQ(list->count(), 3);

    // Confirmed: the file and its tile go, and the next file opens.
    answer = QMessageBox::Yes;
    EXPECT_TRUE(frame.OnCommand(cmd::DeleteFile));
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_FALSE(QFile::exists(pics_ + QStringLiteral("/a.ico")));
    ASSERT_TRUE(WaitUntil([&] { return EditorFile(frame) == pics_ + QStringLiteral("/B.gif"); }));
    EXPECT_EQ(list->count(), 2);
    EXPECT_TRUE(QFile::exists(pics_ + QStringLiteral("/c.ico")));
}

TEST_F(BrowserWiringTest, RefreshReloadsTheListAndKeepsTheEditorsImage)
{
    CChildFrame frame;
    frame.show();
    int asked = 0;
    frame.GetEditor()->SetSavePrompt([&](const QString&, const QString&) {
        ++asked;
        return CIconView::SaveAnswer::Cancel;
    });
    frame.NavigateTo(pics_, QStringLiteral("B.gif"));
    CIconListCtrl* list = frame.FileList()->ListCtrl();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !list->IsListing() && list->SelectedTile(); }));
    frame.GetEditor()->SetModified(true);
    // A file the watcher may or may not have seen yet: refresh lists it.
    WriteIcon("pics/d.ico", 1);
    EXPECT_TRUE(frame.OnCommand(cmd::RefreshFolder));
    ASSERT_TRUE(WaitUntil([&] { return !list->IsListing() && list->count() == 4 && list->SelectedTile(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(list->SelectedTile()->name, QStringLiteral("B.gif"));
    // The modified image was neither reloaded nor questioned.
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(frame.GetEditor()->IsModified());
    EXPECT_EQ(EditorFile(frame), pics_ + QStringLiteral("/B.gif"));
}

TEST_F(BrowserWiringTest, PathDroppedOnTheTreeOpensThroughTheMainFrame)
{
    CMainFrame main;
    CChildFrame* child = main.NewWindow(false);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(child->FolderTree(), nullptr);
    EXPECT_TRUE(child->FolderTree()->DropUrls({QUrl(QStringLiteral("https://example.org/x.ico")),
                                               QUrl::fromLocalFile(pics_ + QStringLiteral("/c.ico"))}));
    EXPECT_EQ(main.Children().size(), 1);
    EXPECT_EQ(child->CurrentFolder(), pics_);
    EXPECT_EQ(child->CurrentFileName(), QStringLiteral("c.ico"));
}

TEST_F(BrowserWiringTest, WorkerEditRedrawsThatFramesThumbnail)
{
    CChildFrame frame;
    frame.show();
    frame.NavigateTo(pics_, QStringLiteral("a.ico"));
    CMultiImageView* strip = frame.FrameStrip();
    ASSERT_EQ(strip->FrameCount(), 2);
    const QImage before = strip->Thumbnail(0);
    const QImage other = strip->Thumbnail(1);
    std::vector<int> updated;
    QObject::connect(strip, &CMultiImageView::thumbnailUpdated, [&](int i) { updated.push_back(i); });
    CIconView* editor = frame.GetEditor();
    WorkerParams params;
    ASSERT_TRUE(editor->GetImage().RunWorkerOperation(0, kWorkerMirror, params, editor->ProgressPoster()));
    QCoreApplication::sendPostedEvents(editor);
    ASSERT_TRUE(WaitUntil([&] { return !updated.empty(); }));
    EXPECT_EQ(updated, std::vector<int>{0});
    EXPECT_NE(strip->Thumbnail(0), before);
    EXPECT_EQ(strip->Thumbnail(1), other);
}

} // namespace
} // namespace vex
