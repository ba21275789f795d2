#pragma once
// The main frame: menus, the five toolbars, the status bar, the histogram bar
// and the General Info Bar, the child windows in an MDI area, the frame-level
// commands, the bar layout and the close sequence.

#include <functional>
#include <map>

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "platform/CommandRouter.h"
#include "platform/CommandTarget.h"

class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace vex {

class CChildFrame;

class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Bar layout under "Bars": the saved one when every bar it names exists
    // here, otherwise the default layout.
    void RestoreBarLayout();
    void SaveBarLayout();
    void ApplyDefaultBarLayout();

    // 1 when `path` exists and is shown (a folder, or a file's folder with
    // the file selected), 2 when it does not exist.
    int OpenPath(const QString& path);
    // A new browser window on the saved folder and file; returns it.
    CChildFrame* NewWindow(bool toSavedPlace = true);

    CChildFrame* ActiveChild() const;
    QList<CChildFrame*> Children() const;

    // The close sequence without closing the window; false when a save
    // question was cancelled.
    bool SaveStateForClose();

    // Tests replace the save question; by default each child frame asks.
    void SetSaveQuestion(std::function<bool(CChildFrame*)> ask) { askSave_ = std::move(ask); }

    CommandRouter& Router() { return router_; }
    QToolBar* ToolBar(int barId) const;
    QDockWidget* Dock(int barId) const;
    QMdiArea* MdiArea() const { return mdi_; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

signals:
    // A toolbar button's drop-down arrow was pressed; `where` is the button's
    // bottom-left corner in global coordinates.
    void DropDownRequested(int id, const QPoint& where);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void CreateFloatingBars();
    void FloatDock(QDockWidget* dock, int right, int top);
    QWidget* BarOf(int toggleId) const;
    void ToggleBar(QWidget* bar);
    void OpenWebPage(int id);

    CommandRouter router_;
    QMdiArea* mdi_ = nullptr;
    std::map<int, QToolBar*> toolBars_;
    QDockWidget* histogram_ = nullptr;
    QDockWidget* infoBar_ = nullptr;
    std::function<bool(CChildFrame*)> askSave_;
    QPointer<QMdiSubWindow> lastActive_;
};

// The folder to show and the file to select for an existing `path`.
void SplitOpenPath(const QString& path, bool isFolder, QString& folder, QString& fileName);

// Where the default "Path" points: the documents folder, else the home folder.
QString DefaultBrowsePath();

} // namespace vex
