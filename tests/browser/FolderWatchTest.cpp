#include <filesystem>
#include <fstream>

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "BrowserFixtures.h"
#include "browser/FolderWatcher.h"
#include "browser/IconListCtrl.h"
#include "platform/Settings.h"

namespace vex {
namespace {

int RedOfTile(const CIconListCtrl& list, int row)
{
    const QImage img = list.item(row)->icon().pixmap(kTileSide, kTileSide).toImage();
    return qRed(img.pixel(4, 4));
}

class FolderWatch : public ::testing::Test {
protected:
    void SetUp() override { SetSearchPattern("*.*"); }
};

// Created, rewritten (closed after writing) and deleted files show up,
// change and go while the list is shown.
TEST_F(FolderWatch, CreatedChangedAndDeletedFilesFollowTheFolder)
{
    const std::string dir = test::MakeTempDir("watch");
    test::WriteBytes(dir + "/a.bmp", test::PictureBytes(TypeBmp, 16, 10));
    CIconListCtrl list;
    list.LoadFolder(QString::fromStdString(dir + "/"), {}, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return !list.IsListing() && list.count() == 1; }));
    ASSERT_TRUE(list.IsWatching());

    test::WriteBytes(dir + "/b.bmp", test::PictureBytes(TypeBmp, 16, 100));
    ASSERT_TRUE(test::WaitUntil([&] { return list.count() == 2; }));
    EXPECT_EQ(list.Tiles()[1].name.toStdString(), "b.bmp");
    EXPECT_NEAR(RedOfTile(list, 1), 100, 2);

    // Rewritten in place: same position, new picture.
    test::WriteBytes(dir + "/b.bmp", test::PictureBytes(TypeBmp, 16, 200));
    ASSERT_TRUE(test::WaitUntil([&] { return std::abs(RedOfTile(list, 1) - 200) <= 2; }));
    EXPECT_EQ(list.count(), 2);

    std::filesystem::remove(dir + "/a.bmp");
    ASSERT_TRUE(test::WaitUntil([&] { return list.count() == 1; }));
    EXPECT_EQ(list.Tiles()[0].name.toStdString(), "b.bmp");

    // A file moved in counts as created; one moved out as deleted.
    const std::string other = test::MakeTempDir("elsewhere");
    test::WriteBytes(other + "/c.bmp", test::PictureBytes(TypeBmp, 16, 30));
    std::filesystem::rename(other + "/c.bmp", dir + "/c.bmp");
    ASSERT_TRUE(test::WaitUntil([&] { return list.count() == 2; }));
    std::filesystem::rename(dir + "/b.bmp", other + "/b.bmp");
    ASSERT_TRUE(test::WaitUntil([&] { return list.count() == 1; }));
    EXPECT_EQ(list.Tiles()[0].name.toStdString(), "c.bmp");
}

TEST_F(FolderWatch, FilesOutsideThePatternsAreIgnored)
{
    const std::string dir = test::MakeTempDir("patterns");
    SetSearchPattern("*.bmp");
    CIconListCtrl list;
    list.LoadFolder(QString::fromStdString(dir + "/"), {}, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return !list.IsListing(); }));
    test::WriteBytes(dir + "/x.ico", test::PictureBytes(TypeIco, 16, 1));
    test::WriteBytes(dir + "/y.BMP", test::PictureBytes(TypeBmp, 16, 1));
    ASSERT_TRUE(test::WaitUntil([&] { return list.count() == 1; }));
    test::DrainEvents();
    EXPECT_EQ(list.Tiles()[0].name.toStdString(), "y.BMP");
    SetSearchPattern("*.*");
}

// inotify does not recurse: folders are watched in the shown folder and in
// its parent, each on its own.
TEST_F(FolderWatch, FolderChangesBesideAndBelowAreReported)
{
    const std::string parent = test::MakeTempDir("tree");
    const std::string dir = parent + "/shown";
    std::filesystem::create_directory(dir);
    CIconListCtrl list;
    QSignalSpy folders(&list, &CIconListCtrl::folderTreeChanged);
    list.LoadFolder(QString::fromStdString(dir + "/"), {}, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return !list.IsListing(); }));
    std::filesystem::create_directory(parent + "/sibling");
    ASSERT_TRUE(test::WaitUntil([&] { return folders.count() >= 1; }));
    const int seen = static_cast<int>(folders.count());
    std::filesystem::create_directory(dir + "/child");
    ASSERT_TRUE(test::WaitUntil([&] { return folders.count() > seen; }));
    EXPECT_EQ(list.count(), 0);
}

// Stopping never waits for a full wait period to pass, and a watcher that
// was asked to stop sends nothing more.
TEST_F(FolderWatch, StopEndsTheThreadAndNothingFollows)
{
    const std::string dir = test::MakeTempDir("stop");
    std::atomic<int> calls{0};
    CFolderWatcher watcher;
    CFolderWatcher::Callbacks cb;
    cb.fileChanged = [&](const std::string&, std::vector<TileImage>) { calls.fetch_add(1); };
    cb.fileRemoved = [&](const std::string&) { calls.fetch_add(1); };
    ASSERT_TRUE(watcher.Start(dir, "*.*", cb));
    EXPECT_TRUE(watcher.IsRunning());
    watcher.Stop();
    EXPECT_FALSE(watcher.IsRunning());
    test::WriteBytes(dir + "/late.bmp", test::PictureBytes(TypeBmp, 16, 1));
    test::DrainEvents();
    EXPECT_EQ(calls.load(), 0);
    // A folder that does not exist cannot be watched.
    EXPECT_FALSE(watcher.Start(dir + "/missing", "*.*", cb));
}

} // namespace
} // namespace vex
