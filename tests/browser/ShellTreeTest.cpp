#include <filesystem>

#include <QDir>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

#include "BrowserFixtures.h"
#include "browser/DriveType.h"
#include "browser/ShellTreeView.h"

namespace vex {
namespace {

// A machine in a folder: a root volume "/vol", a volume mounted inside it
// at "/vol/mnt", a documents folder inside the root volume, and a network
// file system.
struct FakeMachine {
    std::string base;
    TreeRoots roots;
    explicit FakeMachine(const std::string& name)
    {
        base = test::MakeTempDir(name);
        for (const char* d : {"vol/docs/letters", "vol/Windows/System32", "vol/mnt/inner", "net/share/pics", "vol/empty"})
            std::filesystem::create_directories(base + "/" + d);
        roots.roots = {{"Docs", Q(base + "/vol/docs"), kImageDocuments},
                       {Q(base + "/vol"), Q(base + "/vol"), kDriveFixed},
                       {Q(base + "/vol/mnt"), Q(base + "/vol/mnt"), kDriveRemovable}};
        roots.network = {{Q(base + "/net"), Q(base + "/net"), kImageClosedFolder}};
    }
    static QString Q(const std::string& s) { return QString::fromStdString(s); }
};

QStringList Captions(QTreeWidgetItem* item)
{
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

TEST(ShellTree, RootsAndItemPaths)
{
    FakeMachine m("roots");
    CMyShellTreeView view(nullptr, &m.roots);
    CShellTreeCtrl* tree = view.TreeCtrl();
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "Docs");
    EXPECT_EQ(tree->topLevelItem(0)->data(0, CShellTreeCtrl::kImageRole).toInt(), kImageDocuments);
    EXPECT_EQ(tree->topLevelItem(3)->text(0).toStdString(), "Network Neighborhood");
    EXPECT_EQ(tree->topLevelItem(3)->data(0, CShellTreeCtrl::kImageRole).toInt(), kImageNetwork);
    QTreeWidgetItem* vol = tree->topLevelItem(1);
    EXPECT_EQ(tree->ItemPath(vol).toStdString(), m.base + "/vol/");
    tree->Populate(tree->ItemPath(vol), vol);
    QTreeWidgetItem* windows = CShellTreeCtrl::FindChild(vol, "Windows");
    ASSERT_NE(windows, nullptr);
    EXPECT_EQ(tree->ItemPath(windows).toStdString(), m.base + "/vol/Windows/");
    EXPECT_EQ(windows->data(0, CShellTreeCtrl::kImageRole).toInt(), kImageClosedFolder);
    EXPECT_EQ(windows->data(0, CShellTreeCtrl::kSelectedImageRole).toInt(), kImageOpenFolder);
    EXPECT_EQ(tree->ItemPath(tree->NetworkRoot()).toStdString(), "");
}

TEST(ShellTree, NavigateWalksToTheFolderAndShowsIt)
{
    FakeMachine m("walk");
    CMyShellTreeView view(nullptr, &m.roots);
    QSignalSpy shown(&view, &CMyShellTreeView::folderChanged);
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/Windows/System32"), "x.ico");
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toString().toStdString(), m.base + "/vol/Windows/System32/");
    EXPECT_EQ(shown[0][1].toString().toStdString(), "x.ico");
    EXPECT_EQ(view.CurrentFolder().toStdString(), m.base + "/vol/Windows/System32/");
    EXPECT_EQ(view.TreeCtrl()->CurrentItem()->text(0).toStdString(), "System32");
}

// The root holding a path is the one with the longest path: the documents
// item for a folder in it, the inner volume for its folders.
TEST(ShellTree, RootsAreFoundByTheLongestMatchingPath)
{
    FakeMachine m("longest");
    CMyShellTreeView view(nullptr, &m.roots);
    CShellTreeCtrl* tree = view.TreeCtrl();
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/docs/letters"), {});
    QTreeWidgetItem* at = tree->CurrentItem();
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->text(0).toStdString(), "letters");
    EXPECT_EQ(at->parent(), tree->topLevelItem(0));
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/mnt/inner/"), {});
    EXPECT_EQ(tree->CurrentItem()->parent(), tree->topLevelItem(2));
    // The network file system is reached through the network node.
    view.NavigateTo(FakeMachine::Q(m.base + "/net/share/pics"), {});
    EXPECT_EQ(view.CurrentFolder().toStdString(), m.base + "/net/share/pics/");
    EXPECT_EQ(tree->CurrentItem()->parent()->parent()->parent(), tree->NetworkRoot());
}

// "/" separates; a leading empty component is not the network node, and a
// relative path is taken from the current directory.
TEST(ShellTree, PathsAreNativeAndMadeAbsolute)
{
    FakeMachine m("native");
    CMyShellTreeView view(nullptr, &m.roots);
    view.NavigateTo(FakeMachine::Q("/" + m.base + "//vol/Windows"), {});
    EXPECT_EQ(view.CurrentFolder().toStdString(), m.base + "/vol/Windows/");
    QTreeWidgetItem* top = view.TreeCtrl()->CurrentItem();
    while (top->parent()) top = top->parent();
    EXPECT_NE(top, view.TreeCtrl()->NetworkRoot());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(FakeMachine::Q(m.base + "/vol")));
    view.NavigateTo("Windows/System32", {});
    QDir::setCurrent(before);
    EXPECT_EQ(view.CurrentFolder().toStdString(), m.base + "/vol/Windows/System32/");
}

TEST(ShellTree, OnlyTheExistingPrefixOfAPathIsSelected)
{
    FakeMachine m("prefix");
    CMyShellTreeView view(nullptr, &m.roots);
    QSignalSpy shown(&view, &CMyShellTreeView::folderChanged);
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/Windows/Nope/deeper"), {});
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toString().toStdString(), m.base + "/vol/Windows/");
}

TEST(ShellTree, ExpandingAFolderWithoutSubfoldersRemovesItsButton)
{
    FakeMachine m("button");
    CMyShellTreeView view(nullptr, &m.roots);
    CShellTreeCtrl* tree = view.TreeCtrl();
    QTreeWidgetItem* vol = tree->topLevelItem(1);
    tree->Populate(tree->ItemPath(vol), vol);
    QTreeWidgetItem* empty = CShellTreeCtrl::FindChild(vol, "empty");
    ASSERT_NE(empty, nullptr);
    // Known from the listing already: no subfolders, no button.
    EXPECT_EQ(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    QTreeWidgetItem* windows = CShellTreeCtrl::FindChild(vol, "Windows");
    EXPECT_EQ(windows->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    std::filesystem::remove(m.base + "/vol/Windows/System32");
    windows->setExpanded(true);
    EXPECT_EQ(windows->childCount(), 0);
    EXPECT_EQ(windows->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

// Folder names are exact here: Pics and pics are two folders, two items.
TEST(ShellTree, FoldersDifferingOnlyInCaseAreTwoItems)
{
    FakeMachine m("case");
    std::filesystem::create_directory(m.base + "/vol/empty/Pics");
    std::filesystem::create_directory(m.base + "/vol/empty/pics");
    CMyShellTreeView view(nullptr, &m.roots);
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/empty"), {});
    QTreeWidgetItem* at = view.TreeCtrl()->CurrentItem();
    EXPECT_EQ(Captions(at), (QStringList{"Pics", "pics"}));
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/empty/Pics"), {});
    EXPECT_EQ(view.CurrentFolder().toStdString(), m.base + "/vol/empty/Pics/");
    // Inserting an existing caption again keeps one item.
    view.TreeCtrl()->InsertChild(at, "Pics", kImageClosedFolder, false);
    EXPECT_EQ(at->childCount(), 2);
}

TEST(ShellTree, RefreshChildrenDropsGoneFoldersAndAddsNewOnes)
{
    FakeMachine m("refresh");
    CMyShellTreeView view(nullptr, &m.roots);
    view.NavigateTo(FakeMachine::Q(m.base + "/vol/Windows"), {});
    QTreeWidgetItem* windows = view.TreeCtrl()->CurrentItem();
    EXPECT_EQ(Captions(windows), QStringList{"System32"});
    std::filesystem::remove(m.base + "/vol/Windows/System32");
    std::filesystem::create_directory(m.base + "/vol/Windows/Fonts");
    view.RefreshChildren();
    EXPECT_EQ(Captions(windows), QStringList{"Fonts"});
}

// Selecting an item by hand shows its folder with no file to select.
TEST(ShellTree, SelectingAnItemShowsItsFolder)
{
    FakeMachine m("select");
    CMyShellTreeView view(nullptr, &m.roots);
    QSignalSpy shown(&view, &CMyShellTreeView::folderChanged);
    view.TreeCtrl()->setCurrentItem(view.TreeCtrl()->topLevelItem(1));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toString().toStdString(), m.base + "/vol/");
    EXPECT_TRUE(shown[0][1].toString().isEmpty());
    // The network node changes nothing.
    view.TreeCtrl()->setCurrentItem(view.TreeCtrl()->NetworkRoot());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(view.CurrentFolder().toStdString(), m.base + "/vol/");
}

TEST(ShellTree, DroppedFilesOpenTheFirstLocalPath)
{
    FakeMachine m("drop");
    test::WriteBytes(m.base + "/vol/a.ico", {1});
    CMyShellTreeView view(nullptr, &m.roots);
    QSignalSpy dropped(&view, &CMyShellTreeView::pathDropped);
    EXPECT_FALSE(view.DropUrls({QUrl("https://example.org/x.ico")}));
    EXPECT_TRUE(view.DropUrls({QUrl("https://example.org/x.ico"),
                               QUrl::fromLocalFile(FakeMachine::Q(m.base + "/vol/gone.ico")),
                               QUrl::fromLocalFile(FakeMachine::Q(m.base + "/vol/a.ico"))}));
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped[0][0].toString().toStdString(), m.base + "/vol/a.ico");
}

TEST(DriveType, VolumeKinds)
{
    EXPECT_EQ(DriveTypeOfVolume("server:/export", "nfs4"), kDriveRemote);
    EXPECT_EQ(DriveTypeOfVolume("/dev/sr0", "iso9660"), kDriveCdRom);
    EXPECT_EQ(DriveTypeOfVolume("tmpfs", "tmpfs"), kDriveRamDisk);
    EXPECT_EQ(DriveTypeOfVolume("/dev/nonexistent9", "ext4"), kDriveFixed);
}

} // namespace
} // namespace vex
