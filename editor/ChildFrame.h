#pragma once
// The child window of the main frame: the browser panes and the editor with
// its rulers in nested splitters, and the command target for every editor
// command.

#include <optional>
#include <utility>

#include <QListWidget>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "editor/VexmiraDoc.h"
#include "platform/CommandTarget.h"

class QSplitter;

namespace vex {

class CIconView;
class CRulerSplitter;
class CMyShellTreeView;
class CMyShellIconListView;
class CMultiImageView;

// Pane sizes of the three splitters, as stored under "Config\Display\Splitters".
struct SplitterSizes {
    int basic0 = 0;   // "basic.0.cx": folder tree
    int basic1 = 0;   // "basic.1.cx": right column
    int basicLR0 = 0; // "basicLR.0.cx": editor with rulers
    int basicLR1 = 0; // "basicLR.1.cx": frame strip
    int basicTB0 = 0; // "basicTB.0.cy": file list
    int basicTB1 = 0; // "basicTB.1.cy": editor and frame strip

    friend bool operator==(const SplitterSizes&, const SplitterSizes&) = default;
};

// The sizes a child window of width w and height h starts with.
SplitterSizes DefaultSplitterSizes(int w, int h);

// Smallest size of a splitter pane (the rulers are not splitter panes).
inline constexpr int kMinPaneSize = 100;

class CChildFrame : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Splitter sizes from / to "Config\Display\Splitters".
    void RestoreSplitterSizes();
    void SaveSplitterSizes();
    // The sizes the splitters have now.
    SplitterSizes CurrentSplitterSizes() const;

    // Shows `folder` in the browser and selects `fileName` there (which opens
    // it); an empty name selects the first tile.
    void NavigateTo(const QString& folder, const QString& fileName);
    // The folder the browser shows, and the file name (without folder) of the
    // image in the editor.
    QString CurrentFolder() const;
    QString CurrentFileName() const;

    // Loads `path` (frame or icon `index`) into the editor.
    bool OpenImage(const QString& path, int index);
    CIconView* GetEditor();
    // The browser panes; null where a test put another widget in their place.
    CMyShellTreeView* FolderTree() const { return tree_; }
    CMyShellIconListView* FileList() const { return list_; }
    CMultiImageView* FrameStrip() const { return strip_; }
    CRulerSplitter* GetRulerSplitter() { return rulers_; }
    QSplitter* OuterSplitter() const { return outer_; }
    QSplitter* RightSplitter() const { return right_; }
    QSplitter* LowerSplitter() const { return lower_; }
    CVexmiraDoc& GetDocument() { return doc_; }

    // Asks to save a modified image; false when the user cancelled.
    bool ConfirmSaveChanges();
    // Called when the window becomes active.
    void OnActivate();

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    // Whether the id is one of the editor's, and the enable rule the editor's
    // state gives it (before asking whether the command is built yet).
    bool IsEditorCommand(int id) const;
    bool CommandRuleEnabled(int id);
    // Whether the command's action exists in this build.
    static bool IsCommandAvailable(int id);

    // A toolbar button's drop-down arrow was clicked; `below` is the
    // button's bottom-left corner on the screen. False for ids without one.
    bool OnDropDown(int id, QPoint below);
    // The open history list (undo or redo), or none.
    QListWidget* HistoryPopup() const { return historyPopup_; }
    // Runs the history list's entry k (k + 1 steps) and closes the list.
    void ChooseHistoryEntry(int k);

signals:
    // A file or folder was dropped on the folder tree: the main frame opens it.
    void pathDropped(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool ToolCommand(int id, uint32_t& bit) const;
    void WireBrowser();
    // Walks the tree to folder, whose file list then selects fileName.
    void ShowInBrowser(const QString& folder, const QString& fileName);
    void OpenFromList(const QString& path, int index);
    void RefreshFolder();

    QString folder_;
    QString fileName_;
    QSplitter* outer_ = nullptr;
    QSplitter* right_ = nullptr;
    QSplitter* lower_ = nullptr;
    CRulerSplitter* rulers_ = nullptr;
    CIconView* editor_ = nullptr;
    CMyShellTreeView* tree_ = nullptr;
    CMyShellIconListView* list_ = nullptr;
    CMultiImageView* strip_ = nullptr;
    // The file already in the editor that the list will select next: its
    // open request is not a reason to load it again.
    std::optional<std::pair<QString, int>> alreadyOpen_;
    CVexmiraDoc doc_;
    QPointer<QListWidget> historyPopup_;
    bool historyIsUndo_ = true;
};

} // namespace vex
