#pragma once
// The file list: one 32 x 32 tile per picture file and per icon of a program,
// library or animated cursor in the shown folder, in file-name order without
// case. An enumeration thread lists the folder and two workers make the
// tiles; a watcher thread keeps the list current. Workers never touch the
// list: they post records tagged with the load's generation and the
// user-interface thread drops every record of an older load.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QListWidget>
#include <QString>

#include "browser/FolderWatcher.h"
#include "browser/Prompt.h"
#include "browser/TileFactory.h"
#include "browser/UiChannel.h"

namespace vex {

class CIconListCtrl : public QListWidget {
    Q_OBJECT
public:
    struct FileTile {
        QString name;
        int iconIndex = 0;
    };

    explicit CIconListCtrl(QWidget* parent = nullptr);
    ~CIconListCtrl() override;

    // Shows folder (ending with "/"): stops the running threads, empties the
    // list, lists the folder anew and restarts the watcher. fileName, when
    // given, is selected once its tiles exist; otherwise the tile at
    // indexToSelect. Returns the tile count (0).
    int LoadFolder(const QString& folder, const QString& fileName, int indexToSelect);
    QString CurrentFolder() const { return folder_; }

    // After the editor saved path: its tiles are made again or added when it
    // lies in the shown folder; a tile of another file selected makes it the
    // file to select (without opening it again: the editor has it).
    void UpdateFileTile(const QString& path);
    void RemoveFileTiles(const QString& path);
    int FindFileTiles(const QString& path, int* count = nullptr) const;
    const FileTile* SelectedTile() const;
    // Selects the first tile of the file the editor shows, without opening it.
    void SelectEditorFile(const QString& path);
    // Command 32785 "Delete".
    void DeleteSelectedFiles();

    const std::vector<FileTile>& Tiles() const { return tiles_; }
    bool IsListing() const { return listing_; }
    bool IsWatching() const { return watcher_.IsRunning(); }

    // Message boxes and the not-ready test of a folder (errno of listing it)
    // can be replaced, so tests give the answers.
    void SetPrompt(PromptFunction prompt) { prompt_ = std::move(prompt); }
    void SetFolderProbe(std::function<int(const std::string&)> probe) { probe_ = std::move(probe); }
    // The tile maker the workers call (MakeFileTiles unless replaced).
    using TileMaker = std::function<std::vector<TileImage>(const std::string& path, const std::string& name,
                                                           const std::atomic<bool>* cancel)>;
    void SetTileMaker(TileMaker maker) { maker_ = std::move(maker); }

    // The full path of a tile's file.
    QString TilePath(const FileTile& tile) const;

signals:
    void openImageRequested(const QString& path, int iconIndex);
    void showNothingRequested();
    // "Invalid File." answered Yes: the active child frame reloads the folder.
    void refreshRequested();
    // Folders appeared or vanished beside or below the shown folder.
    void folderTreeChanged();
    // The enumeration of the current load has ended.
    void listingFinished();

protected:
    bool event(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    // What one enumeration works from: its own copies, plus the atomics the
    // tile workers share.
    struct Listing {
        uint64_t generation = 0;
        std::string folder;
        std::string patterns;
        std::string pendingName;
        std::function<int(const std::string&)> probe;
        TileMaker maker;
        std::atomic<bool> cancel{false};
        std::atomic<int> next{0};
    };

    void StopListing();
    void StartListing();
    void StartWatcher();
    void OnFileReady(uint64_t generation, int order, const QString& name, std::vector<TileImage> tiles);
    void OnListingDone(uint64_t generation);
    void OnNotReady(uint64_t generation, int errorNumber);
    void OnWatchedFile(uint64_t generation, const QString& name, std::vector<TileImage> tiles);
    void OnWatchedRemoval(uint64_t generation, const QString& name);
    // Inserts the tiles of one file (in place over its existing tiles);
    // dropSurplus removes existing tiles beyond the new ones.
    void AddFileTiles(const QString& name, std::vector<TileImage>& tiles, bool dropSurplus);
    void RemoveTileAt(int index);
    void PostShow(int index, bool openEditor = true);
    void SelectTile(int index, bool openEditor);
    void OnSelectionChanged();
    QMessageBox::StandardButton Ask(const PromptRequest& request);

    QString folder_;
    std::vector<FileTile> tiles_;
    QString pendingName_;
    bool pendingNoOpen_ = false;
    int pendingIndex_ = -1;
    bool listing_ = false;
    bool blockOpen_ = false;

    // Load generation: bumped by every LoadFolder and on destruction; workers
    // compare it before each file and each record.
    std::atomic<uint64_t> generation_{0};
    UiChannel* channel_; // the workers' only way to this thread
    std::unique_ptr<Listing> listingState_;
    std::thread lister_;
    std::map<int, std::pair<QString, std::vector<TileImage>>> early_; // results ahead of their turn
    int nextOrder_ = 0;
    std::set<QString> removedWhileListing_;
    std::string patterns_;
    CFolderWatcher watcher_;

    PromptFunction prompt_;
    std::function<int(const std::string&)> probe_;
    TileMaker maker_;
};

} // namespace vex
