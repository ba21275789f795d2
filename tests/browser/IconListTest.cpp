#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "BrowserFixtures.h"
#include "browser/IconListCtrl.h"
#include "browser/ShellIconListView.h"
#include "platform/Settings.h"

namespace vex {
namespace {

using Tiles = std::vector<std::pair<std::string, int>>;

Tiles TilesOf(const CIconListCtrl& list)
{
    Tiles out;
    for (const auto& t : list.Tiles()) out.emplace_back(t.name.toStdString(), t.iconIndex);
    return out;
}

int SelectedRow(const CIconListCtrl& list)
{
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->isSelected()) return i;
    return -1;
}

// Loads folder and waits for the enumeration to end.
bool LoadAndWait(CIconListCtrl& list, const std::string& folder, const QString& name = {})
{
    list.LoadFolder(QString::fromStdString(folder + "/"), name, name.isEmpty() ? 0 : -1);
    return test::WaitUntil([&] { return !list.IsListing(); });
}

// Answers every box with `answer` and keeps what was asked.
struct PromptLog {
    std::vector<PromptRequest> asked;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    PromptFunction Function()
    {
        return [this](const PromptRequest& r) {
            asked.push_back(r);
            return answer;
        };
    }
};

class IconList : public ::testing::Test {
protected:
    void SetUp() override { SetSearchPattern("*.*"); }
    void TearDown() override { SetSearchPattern("*.*"); }
};

// B.ico, a.exe with three icons and c.txt under "*.ico | *.exe | *.txt":
// the program's three tiles first (name order without case), c.txt none.
TEST_F(IconList, TilesComeInNameOrderWithoutCaseOneTilePerProgramIcon)
{
    const std::string dir = test::MakeTempDir("order");
    test::WriteBytes(dir + "/B.ico", test::PictureBytes(TypeIco, 32, 50));
    test::WriteBytes(dir + "/a.exe", test::ProgramWithIcons({1, 2, 3}));
    test::WriteBytes(dir + "/c.txt", {'x'});
    SetSearchPattern("*.ico | *.exe | *.txt");
    CIconListCtrl list;
    ASSERT_TRUE(LoadAndWait(list, dir));
    EXPECT_EQ(TilesOf(list), (Tiles{{"a.exe", 0}, {"a.exe", 1}, {"a.exe", 2}, {"B.ico", 0}}));
    EXPECT_EQ(list.count(), 4);
}

TEST_F(IconList, ManyFilesKeepNameOrderWhateverWorkerFinishesFirst)
{
    const std::string dir = test::MakeTempDir("many");
    Tiles want;
    for (int i = 0; i < 60; ++i) {
        // Big and small files alternate so the two workers finish out of order.
        const std::string name = (i % 2 ? "F" : "f") + std::to_string(100 + i) + ".bmp";
        test::WriteBytes(dir + "/" + name, test::PictureBytes(TypeBmp, i % 3 ? 8 : 400, uint8_t(i)));
        want.emplace_back(name, 0);
    }
    CIconListCtrl list;
    ASSERT_TRUE(LoadAndWait(list, dir));
    EXPECT_EQ(TilesOf(list), want);
}

TEST_F(IconList, FilesThatDoNotDecodeGiveNoTile)
{
    const std::string dir = test::MakeTempDir("nodecode");
    test::WriteBytes(dir + "/a.bmp", {'B', 'M', 0, 0});
    test::WriteBytes(dir + "/b.bmp", test::PictureBytes(TypeBmp, 16, 9));
    test::WriteBytes(dir + "/c.png", {0x89, 'P', 'N', 'G'});
    CIconListCtrl list;
    ASSERT_TRUE(LoadAndWait(list, dir));
    EXPECT_EQ(TilesOf(list), (Tiles{{"b.bmp", 0}}));
}

// The named file is listed and selected even when the patterns leave it out;
// selecting it asks the editor to open it.
TEST_F(IconList, NamedFileIsSelectedEvenWhenThePatternsDoNotMatchIt)
{
    const std::string dir = test::MakeTempDir("pending");
    test::WriteBytes(dir + "/one.bmp", test::PictureBytes(TypeBmp, 16, 1));
    test::WriteBytes(dir + "/pick.ico", test::PictureBytes(TypeIco, 16, 2));
    SetSearchPattern("*.bmp");
    CIconListCtrl list;
    QSignalSpy opened(&list, &CIconListCtrl::openImageRequested);
    ASSERT_TRUE(LoadAndWait(list, dir, "pick.ico"));
    EXPECT_EQ(TilesOf(list), (Tiles{{"one.bmp", 0}, {"pick.ico", 0}}));
    ASSERT_TRUE(test::WaitUntil([&] { return SelectedRow(list) == 1; }));
    ASSERT_FALSE(opened.isEmpty());
    EXPECT_EQ(opened.last().at(0).toString().toStdString(), dir + "/pick.ico");
    EXPECT_EQ(opened.last().at(1).toInt(), 0);
}

// b.exe is named and matched by a pattern: one set of three tiles, the last
// one selected (every tile of the named file asks, the last wins).
TEST_F(IconList, NamedProgramMatchedByAPatternKeepsOneSetOfTilesAndSelectsTheLast)
{
    const std::string dir = test::MakeTempDir("twice");
    test::WriteBytes(dir + "/b.exe", test::ProgramWithIcons({1, 2, 3}));
    test::WriteBytes(dir + "/a.bmp", test::PictureBytes(TypeBmp, 16, 1));
    SetSearchPattern("*.exe | *.bmp");
    CIconListCtrl list;
    QSignalSpy opened(&list, &CIconListCtrl::openImageRequested);
    ASSERT_TRUE(LoadAndWait(list, dir, "b.exe"));
    EXPECT_EQ(TilesOf(list), (Tiles{{"a.bmp", 0}, {"b.exe", 0}, {"b.exe", 1}, {"b.exe", 2}}));
    ASSERT_TRUE(test::WaitUntil([&] { return SelectedRow(list) == 3; }));
    test::DrainEvents();
    EXPECT_EQ(SelectedRow(list), 3);
    ASSERT_FALSE(opened.isEmpty());
    EXPECT_EQ(opened.last().at(1).toInt(), 2);
}

// Names are exact on this system: the pending A.ico is not a.ico.
TEST_F(IconList, PendingNameIsComparedExactly)
{
    const std::string dir = test::MakeTempDir("exactname");
    test::WriteBytes(dir + "/a.ico", test::PictureBytes(TypeIco, 16, 1));
    test::WriteBytes(dir + "/A.ico", test::PictureBytes(TypeIco, 16, 2));
    CIconListCtrl list;
    ASSERT_TRUE(LoadAndWait(list, dir, "a.ico"));
    ASSERT_EQ(list.count(), 2);
    ASSERT_TRUE(test::WaitUntil([&] { return SelectedRow(list) >= 0; }));
    EXPECT_EQ(list.SelectedTile()->name.toStdString(), "a.ico");
    list.RemoveFileTiles(QString::fromStdString(dir + "/A.ico"));
    EXPECT_EQ(TilesOf(list), (Tiles{{"a.ico", 0}}));
}

TEST_F(IconList, WithoutANameTheFirstTileIsSelectedAndOpened)
{
    const std::string dir = test::MakeTempDir("first");
    test::WriteBytes(dir + "/z.bmp", test::PictureBytes(TypeBmp, 16, 1));
    test::WriteBytes(dir + "/M.bmp", test::PictureBytes(TypeBmp, 16, 1));
    CIconListCtrl list;
    QSignalSpy opened(&list, &CIconListCtrl::openImageRequested);
    ASSERT_TRUE(LoadAndWait(list, dir));
    ASSERT_TRUE(test::WaitUntil([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened.first().at(0).toString().toStdString(), dir + "/M.bmp");
    EXPECT_EQ(SelectedRow(list), 0);
}

TEST_F(IconList, AnEmptyFolderShowsNothing)
{
    const std::string dir = test::MakeTempDir("empty");
    CIconListCtrl list;
    QSignalSpy nothing(&list, &CIconListCtrl::showNothingRequested);
    ASSERT_TRUE(LoadAndWait(list, dir));
    ASSERT_TRUE(test::WaitUntil([&] { return !nothing.isEmpty(); }));
    EXPECT_EQ(list.count(), 0);
}

// A pipe named like a picture must not block the enumeration.
TEST_F(IconList, APipeInTheFolderDoesNotBlock)
{
    const std::string dir = test::MakeTempDir("pipe");
    ASSERT_EQ(::mkfifo((dir + "/wait.bmp").c_str(), 0600), 0);
    test::WriteBytes(dir + "/x.bmp", test::PictureBytes(TypeBmp, 16, 1));
    CIconListCtrl list;
    ASSERT_TRUE(LoadAndWait(list, dir, "wait.bmp"));
    EXPECT_EQ(TilesOf(list), (Tiles{{"x.bmp", 0}}));
}

// A second load while the first is still listing: no tile of the first
// folder ever shows up afterwards. The first folder's workers are held after
// a few files (until the load is cancelled), so the switch always happens
// mid-enumeration with results of the old load still queued.
TEST_F(IconList, SwitchingFoldersMidEnumerationLeavesNoStaleTile)
{
    const std::string big = test::MakeTempDir("big");
    const std::string small = test::MakeTempDir("small");
    for (int i = 0; i < 40; ++i)
        test::WriteBytes(big + "/old" + std::to_string(100 + i) + ".bmp", test::PictureBytes(TypeBmp, 16, uint8_t(i)));
    test::WriteBytes(small + "/new.bmp", test::PictureBytes(TypeBmp, 16, 1));
    std::atomic<int> made{0};
    std::atomic<bool> release{false};
    CIconListCtrl list;
    list.SetTileMaker([&](const std::string& path, const std::string& name, const std::atomic<bool>* cancel) {
        // old100 at once; old101..old103 once the first tile is shown; the
        // rest only when the load is cancelled.
        if (name != "old100.bmp" && name < "old104") {
            while (!release.load() && !cancel->load()) QThread::msleep(1);
        } else if (name >= "old104") {
            while (!cancel->load()) QThread::msleep(1);
        }
        auto tiles = MakeFileTiles(path, name, nullptr);
        made.fetch_add(1);
        return tiles;
    });
    list.LoadFolder(QString::fromStdString(big + "/"), {}, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return list.count() > 0; }));
    // Without running the event loop: old results made meanwhile stay queued
    // while the folder changes.
    release.store(true);
    for (int i = 0; i < 20000 && made.load() < 4; ++i) QThread::msleep(1);
    ASSERT_GE(made.load(), 4) << "count " << list.count();
    ASSERT_TRUE(list.IsListing());
    ASSERT_TRUE(LoadAndWait(list, small));
    test::DrainEvents(50);
    EXPECT_EQ(TilesOf(list), (Tiles{{"new.bmp", 0}}));
}

// Closing the list while its threads run is clean (joined, nothing posted to
// a list that is gone).
TEST_F(IconList, DestroyingTheListWhileListingIsClean)
{
    const std::string big = test::MakeTempDir("closing");
    for (int i = 0; i < 80; ++i)
        test::WriteBytes(big + "/f" + std::to_string(i) + ".bmp", test::PictureBytes(TypeBmp, 300, uint8_t(i)));
    for (int round = 0; round < 3; ++round) {
        auto list = std::make_unique<CIconListCtrl>();
        list->LoadFolder(QString::fromStdString(big + "/"), {}, 0);
        if (round > 0) test::WaitUntil([&] { return list->count() > round; });
        EXPECT_TRUE(list->IsWatching());
        list.reset();
        test::DrainEvents(5);
    }
    SUCCEED();
}

TEST_F(IconList, DeleteAsksOnceForTheTilesOfOneFileAndRemovesThem)
{
    const std::string dir = test::MakeTempDir("delete");
    test::WriteBytes(dir + "/a.exe", test::ProgramWithIcons({1, 2}));
    test::WriteBytes(dir + "/b.bmp", test::PictureBytes(TypeBmp, 16, 1));
    CIconListCtrl list;
    PromptLog log;
    list.SetPrompt(log.Function());
    ASSERT_TRUE(LoadAndWait(list, dir));
    test::DrainEvents();
    list.clearSelection();
    list.item(0)->setSelected(true);
    list.item(1)->setSelected(true);
    log.answer = QMessageBox::No;
    list.DeleteSelectedFiles();
    ASSERT_EQ(log.asked.size(), 1u);
    EXPECT_EQ(log.asked[0].caption.toStdString(), "Confirm deletion.");
    EXPECT_EQ(log.asked[0].text.toStdString(),
              "Are you sure you want to delete 'a.exe'?\n\nNote:\tTo delete images within a file select the\n"
              "\tImage and remove the frames.");
    EXPECT_EQ(log.asked[0].defaultButton, QMessageBox::No);
    EXPECT_TRUE(std::filesystem::exists(dir + "/a.exe"));

    log.answer = QMessageBox::Yes;
    list.DeleteSelectedFiles();
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.exe"));
    EXPECT_EQ(TilesOf(list), (Tiles{{"b.bmp", 0}}));
    ASSERT_TRUE(test::WaitUntil([&] { return SelectedRow(list) == 0; }));
}

TEST_F(IconList, DeletingSeveralFilesAndAFileAlreadyGone)
{
    const std::string dir = test::MakeTempDir("deletemany");
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) test::WriteBytes(dir + "/" + n, test::PictureBytes(TypeBmp, 16, 1));
    CIconListCtrl list;
    PromptLog log;
    list.SetPrompt(log.Function());
    ASSERT_TRUE(LoadAndWait(list, dir));
    test::DrainEvents();
    list.clearSelection();
    list.item(0)->setSelected(true);
    list.item(1)->setSelected(true);
    // Another program removed a.bmp; the list has not heard of it yet.
    std::filesystem::remove(dir + "/a.bmp");
    list.DeleteSelectedFiles();
    ASSERT_EQ(log.asked.size(), 2u);
    EXPECT_EQ(log.asked[0].caption.toStdString(), "Confirm multiple file delete.");
    EXPECT_EQ(log.asked[0].text.left(47).toStdString(), "Are you sure you want to delete these 2 files?\n");
    EXPECT_EQ(log.asked[1].caption.toStdString(), "Could not Delete");
    EXPECT_EQ(log.asked[1].text.toStdString(),
              "The file, (a.bmp), could not be found.\nIt is possibly because it has been deleted already.");
    // Deleting stopped: b.bmp is still there.
    EXPECT_TRUE(std::filesystem::exists(dir + "/b.bmp"));
}

TEST_F(IconList, SelectingATileWhoseFileMovedOffersARefresh)
{
    const std::string dir = test::MakeTempDir("moved");
    test::WriteBytes(dir + "/a.bmp", test::PictureBytes(TypeBmp, 16, 1));
    test::WriteBytes(dir + "/b.bmp", test::PictureBytes(TypeBmp, 16, 1));
    CIconListCtrl list;
    PromptLog log;
    list.SetPrompt(log.Function());
    QSignalSpy refresh(&list, &CIconListCtrl::refreshRequested);
    ASSERT_TRUE(LoadAndWait(list, dir));
    test::DrainEvents();
    std::filesystem::rename(dir + "/b.bmp", dir + "/renamed.bmp");
    // As a click selects: alone (a plain setCurrentRow adds to a committed
    // selection, which left a.bmp selected when it was chosen before b.bmp
    // arrived).
    list.setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    ASSERT_EQ(log.asked.size(), 1u);
    EXPECT_EQ(log.asked[0].caption.toStdString(), "Invalid File.");
    EXPECT_EQ(log.asked[0].text.toStdString(),
              "The file you selected appears to have been moved,\nwould you like to refresh the display.");
    EXPECT_EQ(refresh.count(), 1);
}

// A missing medium: the question by drive kind, OK lists again, Cancel
// leaves the list empty.
TEST_F(IconList, NotReadyFoldersAskAndRetry)
{
    const std::string dir = test::MakeTempDir("notready");
    test::WriteBytes(dir + "/a.bmp", test::PictureBytes(TypeBmp, 16, 1));
    for (auto answer : {QMessageBox::Ok, QMessageBox::Cancel}) {
        CIconListCtrl list;
        PromptLog log;
        log.answer = answer;
        list.SetPrompt(log.Function());
        int probes = 0;
        list.SetFolderProbe([&probes](const std::string&) { return probes++ == 0 ? ENOMEDIUM : 0; });
        QSignalSpy nothing(&list, &CIconListCtrl::showNothingRequested);
        ASSERT_TRUE(LoadAndWait(list, dir));
        ASSERT_EQ(log.asked.size(), 1u);
        EXPECT_EQ(log.asked[0].caption.toStdString(), "Device not ready.");
        EXPECT_EQ(log.asked[0].defaultButton, QMessageBox::Cancel);
        EXPECT_EQ(log.asked[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        if (answer == QMessageBox::Ok) {
            EXPECT_EQ(TilesOf(list), (Tiles{{"a.bmp", 0}}));
        } else {
            EXPECT_EQ(list.count(), 0);
            EXPECT_TRUE(test::WaitUntil([&] { return !nothing.isEmpty(); }));
        }
    }
}

// After Save As the saved file's tile is selected without reopening it (the
// editor already holds it; reopening would drop its undo history).
TEST_F(IconList, SavedFileIsSelectedWithoutReopening)
{
    const std::string dir = test::MakeTempDir("saveas");
    test::WriteBytes(dir + "/a.bmp", test::PictureBytes(TypeBmp, 16, 1));
    CIconListCtrl list;
    QSignalSpy opened(&list, &CIconListCtrl::openImageRequested);
    ASSERT_TRUE(LoadAndWait(list, dir));
    ASSERT_TRUE(test::WaitUntil([&] { return opened.count() == 1; }));
    test::WriteBytes(dir + "/saved.bmp", test::PictureBytes(TypeBmp, 16, 7));
    list.UpdateFileTile(QString::fromStdString(dir + "/saved.bmp"));
    ASSERT_TRUE(test::WaitUntil([&] { return SelectedRow(list) == 1; }));
    test::DrainEvents();
    EXPECT_EQ(TilesOf(list), (Tiles{{"a.bmp", 0}, {"saved.bmp", 0}}));
    EXPECT_EQ(opened.count(), 1);
    // Elsewhere: ignored.
    list.UpdateFileTile("/nowhere/else.bmp");
    EXPECT_EQ(list.count(), 2);
}

TEST_F(IconList, ViewDropsRequestsForAFolderTheTreeNoLongerShows)
{
    const std::string a = test::MakeTempDir("viewa");
    const std::string b = test::MakeTempDir("viewb");
    test::WriteBytes(b + "/b.bmp", test::PictureBytes(TypeBmp, 16, 1));
    CMyShellIconListView view;
    QString treePath = QString::fromStdString(a + "/");
    view.SetCurrentPathSource([&] { return treePath; });
    view.ShowFolder(treePath, {});
    ASSERT_NE(view.ListCtrl(), nullptr);
    view.ShowFolder(QString::fromStdString(b + "/"), {});
    EXPECT_EQ(view.ListCtrl()->CurrentFolder(), treePath);
    treePath = QString::fromStdString(b + "/");
    view.ShowFolder(treePath, {});
    ASSERT_TRUE(test::WaitUntil([&] { return view.ListCtrl()->count() == 1; }));
}

} // namespace
} // namespace vex
