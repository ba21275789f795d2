// The child frame's browser panes wired to each other and to the editor: the
// tree tells the list which folder to show, the list asks the editor to open
// the selected tile, and the editor's frames go to the strip.

#include <QDir>
#include <QFileInfo>

#include "browser/MultiImageView.h"
#include "browser/ShellIconListView.h"
#include "browser/ShellTreeView.h"
#include "editor/ChildFrame.h"
#include "editor/EditorCommands.h"
#include "editor/IconView.h"

namespace vex {

void CChildFrame::WireBrowser()
{
    if (list_ && tree_) {
        // Requests queued for a folder the tree has left are dropped.
        list_->SetCurrentPathSource([tree = tree_] { return tree->CurrentFolder(); });
        connect(tree_, &CMyShellTreeView::folderChanged, list_, &CMyShellIconListView::ShowFolder);
        connect(list_, &CMyShellIconListView::folderTreeChanged, tree_,
                &CMyShellTreeView::RefreshChildren);
    }
    if (tree_) connect(tree_, &CMyShellTreeView::pathDropped, this, &CChildFrame::pathDropped);
    if (list_) {
        connect(list_, &CMyShellIconListView::openImageRequested, this, &CChildFrame::OpenFromList);
        connect(list_, &CMyShellIconListView::showNothingRequested, this, [this] { OpenImage(QString(), 0); });
        connect(list_, &CMyShellIconListView::refreshRequested, this, [this] { OnCommand(cmd::RefreshFolder); });
        // An edit that asks for it brings the file's tile up to date.
        editor_->History().onRefreshFile = [this] {
            if (list_ && editor_->GetPathName()) list_->UpdateFileTile(*editor_->GetPathName());
        };
    }
    if (strip_) {
        connect(editor_, &CIconView::FramesChanged, strip_, [this] { strip_->SetFrames(editor_->GetImage()); });
        connect(editor_, &CIconView::FrameEdited, strip_, [this](int i) {
            const CEditableImage& image = editor_->GetImage();
            if (const CFrameImage* frame = image.GetFrame(i)) strip_->UpdateFrame(i, *frame);
        });
        connect(strip_, &CMultiImageView::frameClicked, editor_, &CIconView::SelectFrame);
        // Double-clicking a frame opens the image properties, which do not exist yet.
    }
}

void CChildFrame::ShowInBrowser(const QString& folder, const QString& fileName)
{
    if (!tree_) return;
    if (!fileName.isEmpty() && editor_->GetPathName())
        alreadyOpen_.emplace(QDir::cleanPath(*editor_->GetPathName()), 0);
    else alreadyOpen_.reset();
    tree_->NavigateTo(folder, fileName);
}

void CChildFrame::OpenFromList(const QString& path, int index)
{
    const auto open = std::exchange(alreadyOpen_, std::nullopt);
    const QString clean = QDir::cleanPath(path);
    if (open && open->first == clean && open->second == index && editor_->GetPathName() &&
        QDir::cleanPath(*editor_->GetPathName()) == clean)
        return;
    // Kept the old image (the save question was cancelled): its tile stays selected.
    if (!OpenImage(path, index) && editor_->IsModified() && editor_->GetPathName())
        list_->SelectEditorFile(*editor_->GetPathName());
}

void CChildFrame::RefreshFolder()
{
    // The tree walks to its folder again, which reloads the list; the file
    // in the editor stays selected.
    const QString folder = CurrentFolder();
    if (!folder.isEmpty()) ShowInBrowser(folder, CurrentFileName());
}

} // namespace vex
