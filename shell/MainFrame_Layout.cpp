// Child windows, opening paths, the bar layout and the close sequence.

#include <QDataStream>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>

#include "editor/ChildFrame.h"
#include "platform/Settings.h"
#include "resources/Commands.h"
#include "shell/MainFrame.h"

namespace vex {
namespace {

// "Bars" holds the ids of the bars it describes ahead of Qt's own state, so a
// layout naming a bar this version lacks can be refused as a whole.
constexpr quint32 kBarsMagic = 0x56584252; // "VXBR"
constexpr qint32 kBarsVersion = 1;
constexpr int kQtStateVersion = 1;

} // namespace

QString DefaultBrowsePath()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

CChildFrame* CMainFrame::NewWindow(bool toSavedPlace)
{
    auto* child = new CChildFrame;
    connect(child, &CChildFrame::pathDropped, this, [this](const QString& path) { OpenPath(path); });
    QMdiSubWindow* sub = mdi_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->showMaximized();
    mdi_->setActiveSubWindow(sub);
    lastActive_ = sub;
    child->RestoreSplitterSizes();
    if (toSavedPlace) {
        std::string folder;
        if (!GetSettingString(kSectionDisplay, "Path", folder) || folder.empty())
            folder = DefaultBrowsePath().toStdString();
        std::string file;
        GetSettingString(kSectionDisplay, "PathFile", file);
        child->NavigateTo(QString::fromStdString(folder), QString::fromStdString(file));
    }
    return child;
}

void SplitOpenPath(const QString& path, bool isFolder, QString& folder, QString& fileName)
{
    fileName.clear();
    if (isFolder) {
        folder = path;
        return;
    }
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    folder = slash < 0 ? QDir::currentPath() : path.left(slash);
    // A file in the root folder keeps the root as its folder.
    if (folder.isEmpty()) folder = QStringLiteral("/");
    fileName = path.mid(slash + 1);
}

int CMainFrame::OpenPath(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return 2;
    QString folder;
    QString fileName;
    SplitOpenPath(path, info.isDir(), folder, fileName);
    CChildFrame* child = ActiveChild();
    // The requested place replaces the saved one at once, so the new
    // window does not load the saved file first.
    if (!child) child = NewWindow(false);
    child->NavigateTo(folder, fileName);
    return 1;
}

bool CMainFrame::SaveStateForClose()
{
    // Each child window asks about its own modified image, once.
    for (CChildFrame* child : Children()) {
        if (!askSave_(child)) return false;
    }
    const QPoint infoBarAt = infoBar_->pos();
    SetSettingInt(kSectionDisplay, "toolbar.l", uint32_t(infoBarAt.x()));
    SetSettingInt(kSectionDisplay, "toolbar.t", uint32_t(infoBarAt.y()));
    CChildFrame* active = ActiveChild();
    if (active) active->SaveSplitterSizes();
    SaveBarLayout();
    if (active && !active->CurrentFolder().isEmpty())
        SetSettingString(kSectionDisplay, "Path", active->CurrentFolder().toStdString());
    SetSettingString(kSectionDisplay, "PathFile", active ? active->CurrentFileName().toStdString() : std::string());
    return true;
}

void CMainFrame::SaveBarLayout()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    QList<qint32> ids;
    for (const auto& [id, bar] : toolBars_) ids << id;
    ids << kBarHistogram << kBarInfo;
    out << kBarsMagic << kBarsVersion << ids << !statusBar()->isHidden() << saveState(kQtStateVersion);
    SetProfileBytes("Bars", bytes);
}

void CMainFrame::RestoreBarLayout()
{
    QByteArray bytes;
    if (GetProfileBytes("Bars", bytes)) {
        QDataStream in(bytes);
        quint32 magic = 0;
        qint32 version = 0;
        QList<qint32> ids;
        bool statusVisible = true;
        QByteArray state;
        in >> magic >> version >> ids >> statusVisible >> state;
        const bool known = std::all_of(ids.begin(), ids.end(), [this](qint32 id) { return ToolBar(id) || Dock(id); });
        if (in.status() == QDataStream::Ok && magic == kBarsMagic && version == kBarsVersion && !ids.isEmpty() &&
            known && restoreState(state, kQtStateVersion)) {
            statusBar()->setVisible(statusVisible);
            return;
        }
    }
    ApplyDefaultBarLayout();
}

void CMainFrame::FloatDock(QDockWidget* dock, int right, int top)
{
    dock->setFloating(true);
    const QSize size = dock->frameGeometry().size().isValid() ? dock->frameGeometry().size() : dock->sizeHint();
    dock->move(right - size.width() + 1, top);
}

void CMainFrame::ApplyDefaultBarLayout()
{
    // Basic, rotate and transformation side by side, the drawing tools and
    // templates in a second row.
    for (const ToolBarInfo& info : ToolBars()) removeToolBar(ToolBar(info.barId));
    for (const ToolBarInfo& info : ToolBars()) {
        QToolBar* bar = ToolBar(info.barId);
        if (info.newRow) addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, bar);
        bar->show();
    }
    const QRect frame = frameGeometry();
    FloatDock(histogram_, frame.right() - 20, frame.top() + 70);
    FloatDock(infoBar_, frame.right() - 40, frame.top() + histogram_->frameGeometry().height() + 40);
}

} // namespace vex
