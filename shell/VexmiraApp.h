#pragma once
// The application object: the start-up sequence, the command line and the
// first browser window.

#include <memory>

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace vex {

class CMainFrame;

// What the command line asks for.
struct CommandLine {
    enum class Kind { None, Uninstall, Path };
    Kind kind = Kind::None;
    QString path; // absolute, for Kind::Path
};

// The uninstall switch is exactly "/Uninstal", in any case, as the whole tail.
bool IsUninstallSwitch(const QString& tail);
// `args` are the arguments after the program name; a relative path is taken
// from `workingDir`. Only the exact switch is a switch: any other argument,
// one starting with "/" too, is a path.
CommandLine ParseCommandLine(const QStringList& args, const QString& workingDir);

class CVexmiraApp {
public:
    CVexmiraApp();
    ~CVexmiraApp();

    // The start-up sequence; false ends the program (uninstall switch, or a
    // path that does not exist).
    bool InitInstance(const QStringList& args, const QString& workingDir);
    // Shows `path` (absolute) in a browser window; false when it is missing.
    bool OpenDocumentFile(const QString& path);

    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    // The main frame is shown maximised when true (tests keep it hidden).
    void SetShowWindow(bool show) { showWindow_ = show; }
    // The time the update reminder compares with.
    void SetClock(QDateTime now) { now_ = now; }

private:
    std::unique_ptr<CMainFrame> mainFrame_;
    bool showWindow_ = true;
    QDateTime now_;
};

} // namespace vex
