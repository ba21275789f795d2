// Start-up: the uninstall switch, paths from the command line made absolute,
// a missing path ending the program, and the folder and file of the last
// session coming back.

#include <QDir>
#include <QDockWidget>
#include <QFile>

#include "AppTestSupport.h"
#include "editor/ChildFrame.h"
#include "resources/Commands.h"
#include "shell/MainFrame.h"
#include "shell/VexmiraApp.h"

namespace vex {
namespace {

using Kind = CommandLine::Kind;

TEST(CommandLineTest, OnlyTheExactSwitchIsASwitch)
{
    struct Case {
        QStringList args;
        Kind kind;
        const char* path;
    };
    const Case cases[] = {
        {{}, Kind::None, ""},
        {{"/Uninstal"}, Kind::Uninstall, ""},
        {{"/uninstal"}, Kind::Uninstall, ""},
        {{"/UNINSTAL"}, Kind::Uninstall, ""},
        // One letter more is not the switch: a path, like every other
        // argument that starts with "/".
        {{"/Uninstall"}, Kind::Path, "/Uninstall"},
        {{"/tmp/x"}, Kind::Path, "/tmp/x"},
        {{"/Uninstal", "x"}, Kind::Path, "/Uninstal"},
        {{"pics/a.ico"}, Kind::Path, "/base/dir/pics/a.ico"},
        {{"../a.ico"}, Kind::Path, "/base/a.ico"},
        {{"./"}, Kind::Path, "/base/dir"},
        {{"/tmp//y/../x"}, Kind::Path, "/tmp/x"},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.args, QStringLiteral("/base/dir"));
        EXPECT_EQ(int(line.kind), int(c.kind)) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.path, QString::fromUtf8(c.path)) << c.args.join(' ').toStdString();
    }
    EXPECT_TRUE(IsUninstallSwitch(QStringLiteral("/uNiNsTaL")));
    EXPECT_FALSE(IsUninstallSwitch(QStringLiteral("/Uninsta")));
    EXPECT_FALSE(IsUninstallSwitch(QStringLiteral(" /Uninstal")));
    EXPECT_FALSE(IsUninstallSwitch(QString()));
}

class StartupTest : public test::SettingsFixture {
protected:
    // Starts the application hidden, as the program does with `args`.
    bool Start(CVexmiraApp& app, const QStringList& args, const QString& cwd = QString())
    {
        app.SetShowWindow(false);
        return app.InitInstance(args, cwd.isEmpty() ? dir_.path() : cwd);
    }
    QString MakeFile(const QString& relative)
    {
        const QString path = dir_.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }
};

TEST_F(StartupTest, UninstallSwitchCreatesNoWindow)
{
    for (const char* sw : {"/Uninstal", "/uninstal"}) {
        CVexmiraApp app;
        EXPECT_FALSE(Start(app, {QString::fromUtf8(sw)})) << sw;
        EXPECT_EQ(app.MainFrame(), nullptr) << sw;
    }
}

TEST_F(StartupTest, MissingPathEndsTheProgram)
{
    for (const char* arg : {"/Uninstall", "no-such-file.ico", "/tmp/vexmira-no-such-dir/x"}) {
        CVexmiraApp app;
        EXPECT_FALSE(Start(app, {QString::fromUtf8(arg)})) << arg;
        EXPECT_EQ(app.MainFrame(), nullptr) << arg;
    }
}

TEST_F(StartupTest, RelativeFileIsShownInItsFolderAndSelected)
{
    MakeFile(QStringLiteral("pics/a.ico"));
    CVexmiraApp app;
    ASSERT_TRUE(Start(app, {QStringLiteral("a.ico")}, dir_.filePath("pics")));
    CChildFrame* child = app.MainFrame()->ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->CurrentFolder(), dir_.filePath("pics"));
    EXPECT_EQ(child->CurrentFileName(), QStringLiteral("a.ico"));
    EXPECT_EQ(app.MainFrame()->Children().size(), 1);
}

TEST_F(StartupTest, FolderIsShownWithoutAFile)
{
    MakeFile(QStringLiteral("pics/a.ico"));
    CVexmiraApp app;
    ASSERT_TRUE(Start(app, {QStringLiteral("pics")}));
    CChildFrame* child = app.MainFrame()->ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->CurrentFolder(), dir_.filePath("pics"));
    EXPECT_EQ(child->CurrentFileName(), QString());
}

TEST_F(StartupTest, FolderAndFileSurviveARestart)
{
    MakeFile(QStringLiteral("pics/b.ico"));
    {
        CVexmiraApp app;
        ASSERT_TRUE(Start(app, {dir_.filePath("pics/b.ico")}));
        ASSERT_TRUE(app.MainFrame()->SaveStateForClose());
    }
    CVexmiraApp again;
    ASSERT_TRUE(Start(again, {}));
    CChildFrame* child = again.MainFrame()->ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->CurrentFolder(), dir_.filePath("pics"));
    EXPECT_EQ(child->CurrentFileName(), QStringLiteral("b.ico"));
}

TEST_F(StartupTest, EmptyStoreOpensTheDocumentsOrHomeFolder)
{
    CVexmiraApp app;
    ASSERT_TRUE(Start(app, {}));
    CChildFrame* child = app.MainFrame()->ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->CurrentFolder(), DefaultBrowsePath());
    EXPECT_EQ(child->CurrentFileName(), QString());
}

// The default folder never falls back to a drive name: without a documents
// folder it is the home folder.
TEST_F(StartupTest, DefaultFolderWithoutDocumentsIsHome)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QString home = dir_.filePath("home");
    ASSERT_TRUE(QDir().mkpath(home));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    const QString withoutDocuments = DefaultBrowsePath();
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/Documents")));
    const QString withDocuments = DefaultBrowsePath();
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    EXPECT_EQ(withoutDocuments, home);
    EXPECT_FALSE(withoutDocuments.contains(QLatin1String("C:")));
    EXPECT_EQ(withDocuments, home + QStringLiteral("/Documents"));
}

TEST_F(StartupTest, FirstStartShowsTheDefaultBarsAndNoReminder)
{
    CVexmiraApp app;
    ASSERT_TRUE(Start(app, {}));
    EXPECT_TRUE(app.MainFrame()->Dock(kBarHistogram)->isHidden());
    // The reminder has stored today, so it stays quiet for 30 days.
    uint32_t year = 0;
    EXPECT_TRUE(GetSettingInt(kSectionWebsite, "check.year", year));
    EXPECT_EQ(int(year), QDate::currentDate().year());
}

} // namespace
} // namespace vex
