#pragma once
// The folder tree of a browser window: the documents folder, every mounted
// volume and a network node holding the mounted network file systems, each
// branch filled when it is first expanded. It keeps the current path (always
// ending with "/") that the file list shows, and can be walked to any path.

#include <functional>
#include <vector>

#include <QList>
#include <QString>
#include <QUrl>
#include <QTreeWidget>
#include <QWidget>

namespace vex {

// Picture numbers of the tree's items.
enum TreeImage {
    kImageOpenFolder = 0,
    kImageClosedFolder = 1,
    // 2..6: the drive kinds of browser/DriveType.h
    kImageNetwork = 7,
    kImageDocuments = 10,
    kImageInaccessible = 11,
};

// One top-level item (or one network file system below the network node).
struct TreeRoot {
    QString caption;
    QString path; // mount point or folder, without a final "/" unless it is "/"
    int image = kImageClosedFolder;
};

struct TreeRoots {
    std::vector<TreeRoot> roots;   // documents folder first, then volumes
    std::vector<TreeRoot> network; // below "Network Neighborhood"
};

// The documents folder, the mounted volumes and the network file systems of
// this machine.
TreeRoots SystemTreeRoots();

class CShellTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kImageRole = Qt::UserRole + 1;
    static constexpr int kSelectedImageRole = Qt::UserRole + 2;
    static constexpr int kPathRole = Qt::UserRole + 3;
    static constexpr int kNetworkRootRole = Qt::UserRole + 4;

    explicit CShellTreeCtrl(QWidget* parent = nullptr);

    void AddRoots(const TreeRoots& roots);
    QString ItemPath(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* InsertChild(QTreeWidgetItem* parent, const QString& caption, int image, bool hasChildren,
                                 int selectedImage = -1);
    bool Populate(const QString& path, QTreeWidgetItem* item);
    void RefreshChildren(QTreeWidgetItem* item);
    void NavigateTo(const QString& path, const QString& fileName);
    QString CurrentPath() const { return currentPath_; }
    QTreeWidgetItem* CurrentItem() const { return currentItem_; }
    QTreeWidgetItem* NetworkRoot() const { return networkRoot_; }
    bool IsNetworkRoot(const QTreeWidgetItem* item) const { return item && item == networkRoot_; }
    static QTreeWidgetItem* FindChild(QTreeWidgetItem* parent, const QString& caption);

signals:
    void showFolder(const QString& folder, const QString& fileName);

private:
    void OnExpanded(QTreeWidgetItem* item);
    void OnCurrentChanged(QTreeWidgetItem* item);
    QTreeWidgetItem* RootFor(const QString& path, QString& rest);
    void SetImage(QTreeWidgetItem* item, int image, int selectedImage);

    QTreeWidgetItem* networkRoot_ = nullptr;
    std::vector<TreeRoot> network_;
    QTreeWidgetItem* currentItem_ = nullptr;
    QString currentPath_;
    bool busy_ = false;
};

class CMyShellTreeView : public QWidget {
    Q_OBJECT
public:
    // roots: the items to show; empty means this machine's.
    explicit CMyShellTreeView(QWidget* parent = nullptr, const TreeRoots* roots = nullptr);
    ~CMyShellTreeView() override;

    void NavigateTo(const QString& folder, const QString& fileName);
    // "Path" and "PathFile" of the settings store; the documents folder (or
    // the home folder) when no path was saved.
    void NavigateToSaved();
    QString CurrentFolder() const { return tree_->CurrentPath(); }
    // Refreshes the children of the current item and of each ancestor (the
    // file list's watcher saw folders change).
    void RefreshChildren();
    CShellTreeCtrl* TreeCtrl() const { return tree_; }
    // What a drop does: the first local path that exists is opened (true).
    bool DropUrls(const QList<QUrl>& urls);

signals:
    void folderChanged(const QString& folder, const QString& fileToSelect);
    // A file or folder dropped on the tree: opened like a command-line path.
    void pathDropped(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    CShellTreeCtrl* tree_;
};

} // namespace vex
