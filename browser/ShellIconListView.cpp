#include "browser/ShellIconListView.h"

#include <QVBoxLayout>

namespace vex {

CMyShellIconListView::CMyShellIconListView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

CMyShellIconListView::~CMyShellIconListView()
{
    // The list joins its threads in its own destructor, which runs before
    // this widget's children are gone.
    delete list_;
    list_ = nullptr;
}

void CMyShellIconListView::CreateList()
{
    list_ = new CIconListCtrl(this);
    layout()->addWidget(list_);
    if (prompt_) list_->SetPrompt(prompt_);
    connect(list_, &CIconListCtrl::openImageRequested, this, &CMyShellIconListView::openImageRequested);
    connect(list_, &CIconListCtrl::showNothingRequested, this, &CMyShellIconListView::showNothingRequested);
    connect(list_, &CIconListCtrl::refreshRequested, this, &CMyShellIconListView::refreshRequested);
    connect(list_, &CIconListCtrl::folderTreeChanged, this, &CMyShellIconListView::folderTreeChanged);
}

void CMyShellIconListView::SetPrompt(PromptFunction prompt)
{
    prompt_ = std::move(prompt);
    if (list_) list_->SetPrompt(prompt_);
}

void CMyShellIconListView::ShowFolder(const QString& folder, const QString& fileToSelect)
{
    if (list_) {
        // Exact comparison: a request queued before the tree moved on is stale.
        if (currentPath_ && folder != currentPath_()) return;
    } else {
        if (folder.isEmpty()) return;
        CreateList();
    }
    list_->LoadFolder(folder, fileToSelect, 0);
}

void CMyShellIconListView::UpdateFileTile(const QString& path)
{
    if (list_) list_->UpdateFileTile(path);
}

void CMyShellIconListView::RemoveFileTiles(const QString& path)
{
    if (list_) list_->RemoveFileTiles(path);
}

void CMyShellIconListView::DeleteSelectedFiles()
{
    if (list_) list_->DeleteSelectedFiles();
}

void CMyShellIconListView::SelectEditorFile(const QString& path)
{
    if (list_) list_->SelectEditorFile(path);
}

} // namespace vex
