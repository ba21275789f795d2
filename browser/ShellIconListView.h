#pragma once
// The browser pane of the file list: creates its list control the first time
// a folder is shown and passes the list's requests on as signals.

#include <functional>

#include <QString>
#include <QWidget>

#include "browser/IconListCtrl.h"

namespace vex {

class CMyShellIconListView : public QWidget {
    Q_OBJECT
public:
    explicit CMyShellIconListView(QWidget* parent = nullptr);
    ~CMyShellIconListView() override;

    // The folder tree's current path; requests for any other folder are
    // stale and dropped. Without it every request is honoured.
    void SetCurrentPathSource(std::function<QString()> source) { currentPath_ = std::move(source); }

    // Shows folder and selects fileToSelect (empty: the first tile), which
    // opens it in the editor.
    void ShowFolder(const QString& folder, const QString& fileToSelect);
    void UpdateFileTile(const QString& path);
    void RemoveFileTiles(const QString& path);
    void DeleteSelectedFiles();
    void SelectEditorFile(const QString& path);

    // Created by the first ShowFolder.
    CIconListCtrl* ListCtrl() const { return list_; }
    void SetPrompt(PromptFunction prompt);

signals:
    void openImageRequested(const QString& path, int iconIndex);
    void showNothingRequested();
    void refreshRequested();
    void folderTreeChanged();

private:
    void CreateList();

    CIconListCtrl* list_ = nullptr;
    std::function<QString()> currentPath_;
    PromptFunction prompt_;
};

} // namespace vex
