#include "browser/IconListCtrl.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QIcon>
#include <QPixmap>
#include <QStorageInfo>

#include "browser/BrowserEvents.h"
#include "browser/DriveType.h"
#include "browser/FileFinder.h"
#include "platform/Settings.h"

namespace vex {

CIconListCtrl::CIconListCtrl(QWidget* parent) : QListWidget(parent), channel_(new UiChannel(this))
{
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setLayoutMode(QListView::Batched);
    setBatchSize(200);
    setIconSize(QSize(kTileSide, kTileSide));
    setGridSize(QSize(96, 64));
    setUniformItemSizes(true);
    setWordWrap(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QListWidget::itemSelectionChanged, this, &CIconListCtrl::OnSelectionChanged);
}

CIconListCtrl::~CIconListCtrl()
{
    // Every thread ends before the list goes.
    generation_.fetch_add(1);
    watcher_.Stop();
    StopListing();
}

QMessageBox::StandardButton CIconListCtrl::Ask(const PromptRequest& request)
{
    return prompt_ ? prompt_(request) : ShowPrompt(this, request);
}

QString CIconListCtrl::TilePath(const FileTile& tile) const
{
    return QString::fromStdString(CFileFinder::Join(folder_.toStdString(), tile.name.toStdString()));
}

int CIconListCtrl::LoadFolder(const QString& folder, const QString& fileName, int indexToSelect)
{
    // A new generation first, so running workers stop at their next check.
    generation_.fetch_add(1);
    watcher_.Stop();
    StopListing();
    listing_ = false;
    folder_ = folder;
    clear();
    tiles_.clear();
    early_.clear();
    pendingName_ = fileName;
    pendingNoOpen_ = false;
    pendingIndex_ = fileName.isEmpty() ? indexToSelect : -1;
    patterns_ = GetSearchPattern();
    if (folder_.isEmpty()) return 0;
    StartListing();
    StartWatcher();
    return 0;
}

void CIconListCtrl::StartWatcher()
{
    const uint64_t g = generation_.load();
    CFolderWatcher::Callbacks callbacks;
    callbacks.fileChanged = [this, g](const std::string& name, std::vector<TileImage> tiles) {
        auto shared = std::make_shared<std::vector<TileImage>>(std::move(tiles));
        const QString n = QString::fromStdString(name);
        channel_->Post([this, g, n, shared] { OnWatchedFile(g, n, std::move(*shared)); });
    };
    callbacks.fileRemoved = [this, g](const std::string& name) {
        const QString n = QString::fromStdString(name);
        channel_->Post([this, g, n] { OnWatchedRemoval(g, n); });
    };
    callbacks.foldersChanged = [this, g] {
        channel_->Post([this, g] {
            if (g == generation_.load()) emit folderTreeChanged();
        });
    };
    // A folder that cannot be watched is still listed.
    watcher_.Start(folder_.toStdString(), patterns_, std::move(callbacks));
}

void CIconListCtrl::OnFileReady(uint64_t generation, int order, const QString& name, std::vector<TileImage> tiles)
{
    if (generation != generation_.load()) return;
    early_[order] = {name, std::move(tiles)};
    // Tiles go in listing order whichever worker finished first.
    for (auto it = early_.find(nextOrder_); it != early_.end(); it = early_.find(nextOrder_)) {
        const QString fileName = it->second.first;
        std::vector<TileImage> fileTiles = std::move(it->second.second);
        early_.erase(it);
        ++nextOrder_;
        // The watcher saw it go while it was being read.
        if (removedWhileListing_.count(fileName) &&
            !CFileFinder::Exists(CFileFinder::Join(folder_.toStdString(), fileName.toStdString())))
            continue;
        AddFileTiles(fileName, fileTiles, false);
    }
}

void CIconListCtrl::OnListingDone(uint64_t generation)
{
    if (generation != generation_.load()) return;
    listing_ = false;
    removedWhileListing_.clear();
    if (tiles_.empty()) PostShow(-1);
    emit listingFinished();
}

void CIconListCtrl::OnNotReady(uint64_t generation, int)
{
    if (generation != generation_.load()) return;
    const std::string folder = folder_.toStdString();
    QString text;
    switch (DriveTypeOf(folder)) {
    case kDriveRemovable:
        text = QString("Please insert a disk into drive %1.").arg(folder_);
        break;
    case kDriveCdRom:
        text = QString("The disk you are trying to read is not ready or there is not disk in the Drive.\n"
                       "Please insert a disk into drive %1.")
                   .arg(folder_);
        break;
    default:
        text = "The drive you are trying to read is not ready.";
        break;
    }
    const auto answer =
        Ask({text, "Device not ready.", QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Cancel});
    if (generation != generation_.load()) return;
    if (answer == QMessageBox::Ok) {
        StartListing();
        return;
    }
    OnListingDone(generation);
}

void CIconListCtrl::OnWatchedFile(uint64_t generation, const QString& name, std::vector<TileImage> tiles)
{
    if (generation != generation_.load()) return;
    if (tiles.empty()) {
        RemoveFileTiles(QString::fromStdString(CFileFinder::Join(folder_.toStdString(), name.toStdString())));
        return;
    }
    AddFileTiles(name, tiles, true);
}

void CIconListCtrl::OnWatchedRemoval(uint64_t generation, const QString& name)
{
    if (generation != generation_.load()) return;
    if (listing_) removedWhileListing_.insert(name);
    RemoveFileTiles(QString::fromStdString(CFileFinder::Join(folder_.toStdString(), name.toStdString())));
}

void CIconListCtrl::AddFileTiles(const QString& name, std::vector<TileImage>& tiles, bool dropSurplus)
{
    std::vector<int> existing;
    for (size_t i = 0; i < tiles_.size(); ++i)
        if (tiles_[i].name == name) existing.push_back(static_cast<int>(i));
    for (size_t k = 0; k < tiles.size(); ++k) {
        int at = 0;
        QIcon icon(QPixmap::fromImage(tiles[k].image));
        if (k < existing.size()) {
            // Refreshed in place: same position, new picture and icon number.
            at = existing[k];
            item(at)->setIcon(icon);
            item(at)->setText(name);
            tiles_[static_cast<size_t>(at)] = {name, tiles[k].iconIndex};
        } else {
            at = count();
            addItem(new QListWidgetItem(icon, name));
            tiles_.push_back({name, tiles[k].iconIndex});
        }
        if (at == pendingIndex_) PostShow(at);
        else if (!pendingName_.isEmpty() && pendingName_ == name) PostShow(at, !pendingNoOpen_);
    }
    if (dropSurplus) {
        for (size_t k = existing.size(); k > tiles.size(); --k) RemoveTileAt(existing[k - 1]);
    }
}

void CIconListCtrl::RemoveTileAt(int index)
{
    delete takeItem(index);
    tiles_.erase(tiles_.begin() + index);
}

void CIconListCtrl::RemoveFileTiles(const QString& path)
{
    for (int i = static_cast<int>(tiles_.size()) - 1; i >= 0; --i)
        if (TilePath(tiles_[static_cast<size_t>(i)]) == path) RemoveTileAt(i);
}

int CIconListCtrl::FindFileTiles(const QString& path, int* count) const
{
    int first = -1, n = 0;
    for (size_t i = 0; i < tiles_.size(); ++i) {
        if (TilePath(tiles_[i]) != path) continue;
        if (first < 0) first = static_cast<int>(i);
        ++n;
    }
    if (count) *count = n;
    return first;
}

const CIconListCtrl::FileTile* CIconListCtrl::SelectedTile() const
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected()) return &tiles_[static_cast<size_t>(i)];
    return nullptr;
}

void CIconListCtrl::PostShow(int index, bool openEditor)
{
    QCoreApplication::postEvent(this, new ZeltoShowEvent(index, generation_.load(), openEditor));
}

bool CIconListCtrl::event(QEvent* e)
{
    if (e->type() == ZeltoShowEvent::Type()) {
        const auto* show = static_cast<ZeltoShowEvent*>(e);
        if (show->generation == generation_.load()) SelectTile(show->index, show->openEditor);
        return true;
    }
    return QListWidget::event(e);
}

void CIconListCtrl::SelectTile(int index, bool openEditor)
{
    if (index < 0 || index >= count()) {
        if (index < 0 && tiles_.empty()) emit showNothingRequested();
        return;
    }
    if (item(index)->isSelected()) return;
    blockOpen_ = !openEditor;
    clearSelection();
    blockOpen_ = !openEditor;
    setCurrentItem(item(index), QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
    blockOpen_ = false;
}

void CIconListCtrl::SelectEditorFile(const QString& path)
{
    const int first = FindFileTiles(path);
    if (first >= 0) SelectTile(first, false);
}

void CIconListCtrl::OnSelectionChanged()
{
    if (blockOpen_) return;
    const FileTile* tile = SelectedTile();
    if (!tile) return;
    const QString path = TilePath(*tile);
    if (CFileFinder::Exists(path.toStdString())) {
        emit openImageRequested(path, tile->iconIndex);
        return;
    }
    const auto answer = Ask({"The file you selected appears to have been moved,\nwould you like to refresh the display.",
                             "Invalid File.", QMessageBox::Information, QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::NoButton});
    if (answer == QMessageBox::Yes) emit refreshRequested();
}

void CIconListCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    QListWidget::mouseReleaseEvent(e);
    // A click that leaves nothing selected empties the editor.
    if (!SelectedTile()) emit showNothingRequested();
}

void CIconListCtrl::UpdateFileTile(const QString& path)
{
    const std::string p = path.toStdString();
    const QString shown = folder_.endsWith('/') ? folder_ : folder_ + '/';
    if (folder_.isEmpty() || QString::fromStdString(CFileFinder::FolderPart(p)) != shown) return;
    const QString name = QString::fromStdString(CFileFinder::FileNamePart(p));
    pendingName_.clear();
    pendingIndex_ = -1;
    pendingNoOpen_ = false;
    const FileTile* selected = SelectedTile();
    if (selected && selected->name != name) {
        pendingName_ = name;
        pendingNoOpen_ = true;
    }
    auto tiles = MakeFileTiles(p, name.toStdString());
    if (tiles.empty()) {
        RemoveFileTiles(path);
        return;
    }
    AddFileTiles(name, tiles, true);
}

void CIconListCtrl::DeleteSelectedFiles()
{
    std::vector<QString> names;
    for (int i = 0; i < count(); ++i) {
        if (!item(i)->isSelected()) continue;
        const QString& n = tiles_[static_cast<size_t>(i)].name;
        if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
    }
    if (names.empty()) return;
    const char* note = "\n\nNote:\tTo delete images within a file select the\n\tImage and remove the frames.";
    PromptRequest ask;
    if (names.size() == 1) {
        ask.text = QString("Are you sure you want to delete '%1'?").arg(names[0]) + note;
        ask.caption = "Confirm deletion.";
    } else {
        ask.text = QString("Are you sure you want to delete these %1 files?").arg(names.size()) + note;
        ask.caption = "Confirm multiple file delete.";
    }
    ask.icon = QMessageBox::Question;
    ask.buttons = QMessageBox::Yes | QMessageBox::No;
    ask.defaultButton = QMessageBox::No;
    if (Ask(ask) != QMessageBox::Yes) return;
    while (const FileTile* tile = SelectedTile()) {
        const QString path = TilePath(*tile);
        if (::unlink(path.toStdString().c_str()) != 0) {
            const int err = errno;
            const QString text =
                err == ENOENT
                    ? QString("The file, (%1), could not be found.\nIt is possibly because it has been deleted already.")
                          .arg(tile->name)
                    : QString("The File, (%1), could not be deleted.\n(System Error number %2).")
                          .arg(tile->name)
                          .arg(err);
            Ask({text, "Could not Delete", QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok});
            break;
        }
        RemoveFileTiles(path);
    }
    PostShow(tiles_.empty() ? -1 : 0);
}

} // namespace vex
