#include "browser/ShellTreeView.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "browser/DriveType.h"
#include "browser/FileFinder.h"
#include "platform/Settings.h"

namespace vex {

namespace {

const char* const kNetworkCaption = "Network Neighborhood";

QString WithSlash(const QString& path)
{
    return path.endsWith('/') ? path : path + '/';
}

// Whether path lies in (or is) folder, compared by whole components.
bool PathIsIn(const QString& path, const QString& folder)
{
    const QString f = WithSlash(folder);
    return WithSlash(path).startsWith(f);
}

QIcon IconFor(int image)
{
    QStyle* style = QApplication::style();
    switch (image) {
    case kImageOpenFolder: return style->standardIcon(QStyle::SP_DirOpenIcon);
    case kImageClosedFolder: return style->standardIcon(QStyle::SP_DirClosedIcon);
    case kDriveRemovable: return style->standardIcon(QStyle::SP_DriveFDIcon);
    case kDriveFixed: return style->standardIcon(QStyle::SP_DriveHDIcon);
    case kDriveRemote: return style->standardIcon(QStyle::SP_DriveNetIcon);
    case kDriveCdRom: return style->standardIcon(QStyle::SP_DriveCDIcon);
    case kDriveRamDisk: return style->standardIcon(QStyle::SP_DriveHDIcon);
    case kImageDocuments: return style->standardIcon(QStyle::SP_DirHomeIcon);
    case kImageInaccessible: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    default: return style->standardIcon(QStyle::SP_DriveNetIcon);
    }
}

} // namespace

TreeRoots SystemTreeRoots()
{
    TreeRoots out;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        out.roots.push_back({QDir(documents).dirName(), documents, kImageDocuments});
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        const std::string fs = v.fileSystemType().toStdString();
        const std::string device = v.device().toStdString();
        if (IsNetworkFileSystem(fs)) {
            out.network.push_back({v.rootPath(), v.rootPath(), kImageClosedFolder});
            continue;
        }
        // Volumes a person stores files on: the root and real devices.
        if (v.rootPath() != "/" && device.rfind("/dev/", 0) != 0) continue;
        if (fs == "squashfs") continue;
        out.roots.push_back({v.rootPath(), v.rootPath(), DriveTypeOfVolume(device, fs)});
    }
    return out;
}

CShellTreeCtrl::CShellTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QTreeWidget::itemExpanded, this, &CShellTreeCtrl::OnExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { OnCurrentChanged(item); });
}

void CShellTreeCtrl::SetImage(QTreeWidgetItem* item, int image, int selectedImage)
{
    item->setData(0, kImageRole, image);
    item->setData(0, kSelectedImageRole, selectedImage < 0 ? image : selectedImage);
    item->setIcon(0, IconFor(image));
}

void CShellTreeCtrl::AddRoots(const TreeRoots& roots)
{
    for (const TreeRoot& r : roots.roots) {
        auto* item = new QTreeWidgetItem(this, QStringList(r.caption));
        SetImage(item, r.image, r.image);
        item->setData(0, kPathRole, r.path);
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    networkRoot_ = new QTreeWidgetItem(this, QStringList(kNetworkCaption));
    SetImage(networkRoot_, kImageNetwork, kImageNetwork);
    networkRoot_->setData(0, kNetworkRootRole, true);
    networkRoot_->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    network_ = roots.network;
}

QString CShellTreeCtrl::ItemPath(const QTreeWidgetItem* item) const
{
    QStringList parts;
    for (; item; item = item->parent()) {
        if (item == networkRoot_) return {};
        const QVariant path = item->data(0, kPathRole);
        if (path.isValid()) {
            QString out = WithSlash(path.toString());
            for (auto it = parts.rbegin(); it != parts.rend(); ++it) out += *it + '/';
            return out;
        }
        parts.push_back(item->text(0));
    }
    return {};
}

QTreeWidgetItem* CShellTreeCtrl::FindChild(QTreeWidgetItem* parent, const QString& caption)
{
    // Exact: two folders whose names differ only in case are two folders.
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == caption) return parent->child(i);
    return nullptr;
}

QTreeWidgetItem* CShellTreeCtrl::InsertChild(QTreeWidgetItem* parent, const QString& caption, int image,
                                             bool hasChildren, int selectedImage)
{
    const auto policy =
        hasChildren ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicatorWhenChildless;
    if (QTreeWidgetItem* existing = FindChild(parent, caption)) {
        existing->setChildIndicatorPolicy(policy);
        return existing;
    }
    int at = 0;
    while (at < parent->childCount()) {
        const int c = QString::compare(parent->child(at)->text(0), caption, Qt::CaseInsensitive);
        if (c > 0 || (c == 0 && parent->child(at)->text(0) > caption)) break;
        ++at;
    }
    auto* item = new QTreeWidgetItem(QStringList(caption));
    SetImage(item, image, selectedImage);
    item->setChildIndicatorPolicy(policy);
    parent->insertChild(at, item);
    return item;
}

bool CShellTreeCtrl::Populate(const QString& path, QTreeWidgetItem* item)
{
    bool added = false;
    if (item == networkRoot_) {
        for (const TreeRoot& r : network_) {
            QTreeWidgetItem* child = InsertChild(item, r.caption, kImageClosedFolder, true, kImageOpenFolder);
            child->setData(0, kPathRole, r.path);
            added = true;
        }
    } else {
        CFileFinder finder;
        finder.SetBase(path.toStdString());
        finder.Find("*", CFileFinder::kAttrDirectory);
        finder.Sort(1);
        for (const auto& e : finder.Entries()) {
            if (e.name == "." || e.name == ".." || (e.attributes & CFileFinder::kAttrDirectory) == 0) continue;
            const bool closed = ::access(e.path.c_str(), R_OK | X_OK) != 0;
            const int image = closed ? kImageInaccessible : kImageClosedFolder;
            InsertChild(item, QString::fromStdString(e.name), image, !closed && CFileFinder::FolderHasSubfolders(e.path),
                        closed ? kImageInaccessible : kImageOpenFolder);
            added = true;
        }
    }
    // No child: the expand button goes.
    if (!added)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return added;
}

void CShellTreeCtrl::RefreshChildren(QTreeWidgetItem* item)
{
    if (!item || item == networkRoot_) return;
    const QString path = ItemPath(item);
    for (int i = item->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = item->child(i);
        if (child->data(0, kPathRole).isValid()) continue;
        if (CFileFinder::IsFolderPath((path + child->text(0)).toStdString())) continue;
        busy_ = true;
        if (child == currentItem_ || child->isSelected()) currentItem_ = nullptr;
        delete child;
        busy_ = false;
    }
    Populate(path, item);
}

void CShellTreeCtrl::OnExpanded(QTreeWidgetItem* item)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Populate(ItemPath(item), item);
    QApplication::restoreOverrideCursor();
    if (currentItem() != item) setCurrentItem(item);
}

void CShellTreeCtrl::OnCurrentChanged(QTreeWidgetItem* item)
{
    if (!item || item == networkRoot_) return;
    currentItem_ = item;
    currentPath_ = ItemPath(item);
    if (busy_) return;
    RefreshChildren(item);
    emit showFolder(currentPath_, QString());
}

QTreeWidgetItem* CShellTreeCtrl::RootFor(const QString& path, QString& rest)
{
    // The root with the longest path holding the given one.
    QTreeWidgetItem* best = nullptr;
    qsizetype bestLength = -1;
    auto consider = [&](QTreeWidgetItem* item) {
        const QString root = item->data(0, kPathRole).toString();
        if (root.isEmpty() || !PathIsIn(path, root) || root.size() <= bestLength) return;
        best = item;
        bestLength = root.size();
    };
    for (int i = 0; i < topLevelItemCount(); ++i) consider(topLevelItem(i));
    if (networkRoot_) {
        Populate(QString(), networkRoot_);
        for (int i = 0; i < networkRoot_->childCount(); ++i) consider(networkRoot_->child(i));
    }
    if (best) rest = WithSlash(path).mid(WithSlash(best->data(0, kPathRole).toString()).size());
    return best;
}

void CShellTreeCtrl::NavigateTo(const QString& path, const QString& fileName)
{
    // Relative paths are taken from the current directory; "/" separates.
    QString target = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    target = QDir::cleanPath(target);
    busy_ = true;
    QString rest;
    QTreeWidgetItem* at = RootFor(target, rest);
    if (at) {
        if (at->parent()) at->parent()->setExpanded(true);
        at->setExpanded(true);
        scrollToItem(at);
        setCurrentItem(at);
        for (const QString& component : rest.split('/', Qt::SkipEmptyParts)) {
            QTreeWidgetItem* child = FindChild(at, component);
            if (!child) continue;
            child->setExpanded(true);
            scrollToItem(child);
            setCurrentItem(child);
            at = child;
        }
    }
    busy_ = false;
    emit showFolder(currentPath_, fileName);
}

CMyShellTreeView::CMyShellTreeView(QWidget* parent, const TreeRoots* roots) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tree_ = new CShellTreeCtrl(this);
    layout->addWidget(tree_);
    tree_->AddRoots(roots ? *roots : SystemTreeRoots());
    setAcceptDrops(true);
    connect(tree_, &CShellTreeCtrl::showFolder, this, &CMyShellTreeView::folderChanged);
}

CMyShellTreeView::~CMyShellTreeView() = default;

void CMyShellTreeView::NavigateTo(const QString& folder, const QString& fileName)
{
    tree_->NavigateTo(folder, fileName);
}

void CMyShellTreeView::NavigateToSaved()
{
    std::string path, file;
    GetSettingString(kSectionDisplay, "Path", path);
    GetSettingString(kSectionDisplay, "PathFile", file);
    QString folder = QString::fromStdString(path);
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    NavigateTo(folder, QString::fromStdString(file));
}

void CMyShellTreeView::RefreshChildren()
{
    for (QTreeWidgetItem* item = tree_->CurrentItem(); item; item = item->parent()) tree_->RefreshChildren(item);
}

void CMyShellTreeView::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CMyShellTreeView::dropEvent(QDropEvent* e)
{
    if (DropUrls(e->mimeData()->urls())) e->acceptProposedAction();
}

bool CMyShellTreeView::DropUrls(const QList<QUrl>& urls)
{
    // Local paths from file URLs only; the first one is opened.
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (!CFileFinder::Exists(path.toStdString())) continue;
        emit pathDropped(path);
        return true;
    }
    return false;
}

} // namespace vex
