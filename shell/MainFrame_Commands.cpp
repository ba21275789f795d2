// The frame-level commands and their update handlers. Commands whose features
// do not exist yet are not handled here, so the router keeps them disabled.

#include <QDesktopServices>
#include <QDockWidget>
#include <QFileDialog>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "editor/ChildFrame.h"
#include "image/ImageType.h"
#include "platform/Settings.h"
#include "resources/Commands.h"
#include "shell/AboutBox.h"
#include "shell/MainFrame.h"
#include "shell/UpdateReminder.h"

namespace vex {
namespace {

// "desc|patterns|desc|patterns||" as the open dialog wants it.
QString DialogFilter()
{
    const QStringList parts = QString::fromStdString(FileDialogFilter(-1)).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.simplified());
    }
    return entries.join(QStringLiteral(";;"));
}

bool WebPageOf(int id, WebPage& page)
{
    switch (id) {
    case kCmdWebsite: page = WebPage::Website; return true;
    case kCmdHome: page = WebPage::Home; return true;
    case kCmdTech: page = WebPage::Tech; return true;
    case kCmdCommunity: page = WebPage::Community; return true;
    default: return false;
    }
}

} // namespace

QWidget* CMainFrame::BarOf(int toggleId) const
{
    for (const ToolBarInfo& info : ToolBars()) {
        if (info.toggleId == toggleId) return ToolBar(info.barId);
    }
    if (toggleId == kCmdViewStatusBar) return const_cast<CMainFrame*>(this)->statusBar();
    if (toggleId == kCmdHistogram) return histogram_;
    if (toggleId == kCmdViewInfoBar) return infoBar_;
    return nullptr;
}

void CMainFrame::ToggleBar(QWidget* bar)
{
    bar->setVisible(bar->isHidden());
}

void CMainFrame::OpenWebPage(int id)
{
    WebPage page;
    if (WebPageOf(id, page)) QDesktopServices::openUrl(QUrl(QString::fromStdString(GetWebPage(page))));
}

bool CMainFrame::OnCommand(int id)
{
    if (QWidget* bar = BarOf(id)) {
        ToggleBar(bar);
        return true;
    }
    WebPage page;
    if (WebPageOf(id, page)) {
        OpenWebPage(id);
        return true;
    }
    switch (id) {
    case kCmdFileNew:
    case kCmdWindowNew:
        NewWindow();
        return true;
    case kCmdOpen: {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(), DialogFilter());
        if (!path.isEmpty()) OpenPath(path);
        return true;
    }
    case kCmdRefresh:
        // The child window reloads its folder; without one a window opens.
        if (!ActiveChild()) NewWindow();
        return true;
    case kCmdCheckUpdates:
        ShowUpdateDialog(this);
        return true;
    case kCmdAppAbout: {
        CAboutDlg about(this);
        about.exec();
        return true;
    }
    case kCmdAppExit:
        close();
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnUpdateCommand(int id, CommandState& state)
{
    if (QWidget* bar = BarOf(id)) {
        state.enabled = true;
        state.checked = !bar->isHidden();
        return true;
    }
    WebPage page;
    if (WebPageOf(id, page)) {
        state.enabled = true;
        return true;
    }
    switch (id) {
    case kCmdFileNew:
    case kCmdWindowNew:
    case kCmdOpen:
    case kCmdRefresh:
    case kCmdCheckUpdates:
    case kCmdAppAbout:
    case kCmdAppExit:
        state.enabled = true;
        return true;
    default:
        return false;
    }
}

} // namespace vex
