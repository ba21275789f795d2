// The three panes wired the way a child window wires them: the tree tells
// the list which folder to show, the list asks for the selected file to be
// opened, and the opened file's frames go to the strip.
#include <filesystem>
#include <mutex>

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "BrowserFixtures.h"
#include "browser/MultiImageView.h"
#include "browser/ShellIconListView.h"
#include "browser/ShellTreeView.h"
#include "platform/Settings.h"

namespace vex {
namespace {

TEST(BrowserPanes, TreeListAndStripWorkTogether)
{
    SetSearchPattern("*.*");
    const std::string base = test::MakeTempDir("panes");
    std::filesystem::create_directories(base + "/pics");
    test::WriteBytes(base + "/pics/a.ico", test::MultiSizeIcon({{16, 10}, {32, 20}, {48, 30}}));
    test::WriteBytes(base + "/pics/b.bmp", test::PictureBytes(TypeBmp, 20, 40));
    TreeRoots roots;
    roots.roots = {{QString::fromStdString(base), QString::fromStdString(base), 3}};
    CMyShellTreeView tree(nullptr, &roots);
    CMyShellIconListView list;
    CMultiImageView strip;
    list.SetCurrentPathSource([&] { return tree.CurrentFolder(); });
    QObject::connect(&tree, &CMyShellTreeView::folderChanged, &list, &CMyShellIconListView::ShowFolder);
    QString opened;
    QObject::connect(&list, &CMyShellIconListView::openImageRequested, [&](const QString& path, int) {
        // The editor's part: load every frame and hand copies to the strip.
        opened = path;
        std::vector<Raster> frames;
        Raster first;
        first.SetFrame(0);
        if (!first.Load(path.toStdString().c_str(), TypeFromName(path.toStdString()))) return;
        const int n = std::max(1, first.GetNumFrames());
        frames.push_back(first);
        for (int i = 1; i < n; ++i) {
            Raster f;
            f.SetFrame(i);
            if (f.Load(path.toStdString().c_str(), TypeFromName(path.toStdString()))) frames.push_back(f);
        }
        strip.SetFrames(frames);
    });
    tree.NavigateTo(QString::fromStdString(base + "/pics"), {});
    // The first tile opens as soon as it arrives; the listing may still run.
    ASSERT_TRUE(test::WaitUntil([&] { return !opened.isEmpty() && !list.ListCtrl()->IsListing(); }));
    EXPECT_EQ(opened.toStdString(), base + "/pics/a.ico");
    ASSERT_EQ(list.ListCtrl()->count(), 2);
    ASSERT_EQ(strip.FrameCount(), 3);
    EXPECT_EQ(strip.Caption(2).toStdString(), "Frame 3 of 3\nDelay - 0\n48x48\nBpp - 24");
}

// The listing never moves the process's current directory (other threads
// rely on it): the tile workers see the directory the program started in.
TEST(BrowserPanes, ListingLeavesTheCurrentDirectoryAlone)
{
    SetSearchPattern("*.*");
    const std::string dir = test::MakeTempDir("cwd");
    test::WriteBytes(dir + "/a.bmp", test::PictureBytes(TypeBmp, 16, 1));
    const auto start = std::filesystem::current_path();
    std::vector<std::filesystem::path> seen;
    std::mutex lock;
    CIconListCtrl list;
    list.SetTileMaker([&](const std::string& path, const std::string& name, const std::atomic<bool>* cancel) {
        {
            std::lock_guard<std::mutex> guard(lock);
            seen.push_back(std::filesystem::current_path());
        }
        return MakeFileTiles(path, name, cancel);
    });
    list.LoadFolder(QString::fromStdString(dir + "/"), {}, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return !list.IsListing(); }));
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], start);
    EXPECT_EQ(std::filesystem::current_path(), start);
}

} // namespace
} // namespace vex
