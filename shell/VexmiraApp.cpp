#include "shell/VexmiraApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include "editor/ChildFrame.h"
#include "platform/RegisteredEvents.h"
#include "shell/Associations.h"
#include "shell/MainFrame.h"
#include "shell/UpdateReminder.h"

namespace vex {

bool IsUninstallSwitch(const QString& tail)
{
    return tail.compare(QLatin1String("/Uninstal"), Qt::CaseInsensitive) == 0;
}

CommandLine ParseCommandLine(const QStringList& args, const QString& workingDir)
{
    CommandLine line;
    if (args.isEmpty()) return line;
    if (IsUninstallSwitch(args.join(QLatin1Char(' ')))) {
        line.kind = CommandLine::Kind::Uninstall;
        return line;
    }
    // The first argument names the file or folder; the shell may pass more,
    // which one window cannot show at once.
    line.kind = CommandLine::Kind::Path;
    line.path = QDir::cleanPath(QDir(workingDir).absoluteFilePath(args.first()));
    return line;
}

CVexmiraApp::CVexmiraApp()
{
    // The three messages exist before any window.
    RegisteredEventType(kMsgShow);
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Vexmira"));
}

CVexmiraApp::~CVexmiraApp() = default;

bool CVexmiraApp::OpenDocumentFile(const QString& path)
{
    return mainFrame_ && mainFrame_->OpenPath(path) == 1;
}

bool CVexmiraApp::InitInstance(const QStringList& args, const QString& workingDir)
{
    const CommandLine line = ParseCommandLine(args, workingDir);
    if (line.kind == CommandLine::Kind::Uninstall) {
        RestoreAssociations();
        return false;
    }
    mainFrame_ = std::make_unique<CMainFrame>();
    if (line.kind == CommandLine::Kind::Path) {
        if (!OpenDocumentFile(line.path)) {
            mainFrame_.reset();
            return false;
        }
    } else {
        mainFrame_->NewWindow();
    }
    if (showWindow_) {
        // Maximised whatever the caller asked; the normal size is the screen's
        // work area, so a display without a window manager shows it whole.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            mainFrame_->setGeometry(screen->availableGeometry());
        mainFrame_->showMaximized();
    }
    mainFrame_->RestoreBarLayout();
    if (CChildFrame* child = mainFrame_->ActiveChild()) child->RestoreSplitterSizes();
    const QDateTime now = now_.isValid() ? now_ : QDateTime::currentDateTime();
    CMainFrame* frame = mainFrame_.get();
    RunUpdateReminder(now, [frame] { ShowUpdateDialog(frame); });
    return true;
}

} // namespace vex
