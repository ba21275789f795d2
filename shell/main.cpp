// Vexmira's entry point. Besides the command line, two environment variables
// serve headless runs: VEXMIRA_SCREENSHOT=FILE saves a PNG of the main window
// after VEXMIRA_SCREENSHOT_DELAY_MS milliseconds (default 1500) and quits.

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "image/codecs/metafile/RasterWMF.h"
#include "shell/MainFrame.h"
#include "shell/VexmiraApp.h"

namespace {

// Set once the picture is taken: 0 saved, 1 not.
int gScreenshotResult = -1;

// Armed before start-up, so a dialog shown during start-up (the update
// reminder) does not hold the picture back; exiting leaves every event loop.
void ScheduleScreenshot(const vex::CVexmiraApp& app)
{
    const QString path = qEnvironmentVariable("VEXMIRA_SCREENSHOT");
    if (path.isEmpty()) return;
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("VEXMIRA_SCREENSHOT_DELAY_MS", &ok);
    if (!ok || delay < 0) delay = 1500;
    QTimer::singleShot(delay, qApp, [&app, path] {
        QMainWindow* window = app.MainFrame();
        if (!window) return;
        const QPixmap shot = window->grab();
        const bool saved = shot.save(path, "PNG");
        std::printf("screenshot %s %dx%d window %dx%d%s\n", qPrintable(path), shot.width(), shot.height(),
                    window->width(), window->height(), saved ? "" : " (not saved)");
        std::fflush(stdout);
        gScreenshotResult = saved ? 0 : 1;
        QCoreApplication::exit(gScreenshotResult);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    vex::RegisterMetafileCodec();
    vex::CVexmiraApp app;
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    ScheduleScreenshot(app);
    if (!app.InitInstance(args, QDir::currentPath())) {
        // The uninstall switch ends the program as planned; a missing path
        // or a frame that could not be built is a failure.
        return vex::IsUninstallSwitch(args.join(QLatin1Char(' '))) ? 0 : 1;
    }
    // Taken while a start-up dialog was open.
    if (gScreenshotResult >= 0) return gScreenshotResult;
    return QApplication::exec();
}
