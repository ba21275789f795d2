// The main frame: actions built from the command table, commands without a
// handler disabled, bar toggles, the bar layout and the close sequence.

#include <QAction>
#include <QDataStream>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include "AppTestSupport.h"
#include "editor/ChildFrame.h"
#include "resources/Commands.h"
#include "shell/MainFrame.h"

namespace vex {
namespace {

using MainFrameTest = test::SettingsFixture;

QList<QMenu*> TopMenus(CMainFrame& frame)
{
    QList<QMenu*> menus;
    for (QAction* a : frame.menuBar()->actions()) {
        if (a->menu()) menus << a->menu();
    }
    return menus;
}

TEST_F(MainFrameTest, MenusShowTheTableTextsAndAccelerators)
{
    CMainFrame frame;
    const QList<QMenu*> menus = TopMenus(frame);
    ASSERT_EQ(size_t(menus.size()), MainMenus().size());
    for (size_t m = 0; m < MainMenus().size(); ++m) {
        const MenuInfo& info = MainMenus()[m];
        EXPECT_EQ(menus[int(m)]->title(), QString::fromUtf8(info.title));
        QList<QAction*> items = menus[int(m)]->actions();
        ASSERT_EQ(size_t(items.size()), info.items.size()) << info.title;
        for (size_t i = 0; i < info.items.size(); ++i) {
            QAction* action = items[int(i)];
            if (info.items[i].id == 0) {
                EXPECT_TRUE(action->isSeparator());
                continue;
            }
            const QString text = QString::fromUtf8(info.items[i].textOverride ? info.items[i].textOverride
                                                                              : FindCommand(info.items[i].id)->text);
            EXPECT_EQ(action->text(), text.section(QLatin1Char('\t'), 0, 0)) << info.items[i].id;
        }
    }
    struct Key {
        int id;
        const char* text;
        const char* key;
    };
    const Key keys[] = {
        {kCmdSave, "&Save", "Ctrl+S"},       {kCmdEditCopy, "&Copy", "Ctrl+C"},   {kCmdEditPaste, "Paste", "Ctrl+V"},
        {kCmdCrop, "Crop ", "Shift+R"},      {kCmdClearSelection, "Clear Selection", "Del"},
        {kCmdRemoveFrame, "Remove Frame.", "Ctrl+R"}, {kCmdHelpFinder, "&Help Topics", "F1"},
    };
    for (const Key& k : keys) {
        QAction* action = frame.Router().Action(k.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf8(k.text));
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(k.key))) << k.id;
    }
    EXPECT_EQ(frame.Router().Action(kCmdEditCopy)->shortcuts().size(), 2);
    EXPECT_EQ(frame.Router().Action(kCmdToolMove)->toolTip(), QStringLiteral("Move picture."));
    EXPECT_EQ(frame.Router().Action(kCmdToolMove)->statusTip(), QStringLiteral("Move the picture around."));
}

TEST_F(MainFrameTest, ToolbarsHoldTheTableButtons)
{
    CMainFrame frame;
    EXPECT_EQ(frame.minimumSize(), QSize(300, 300));
    for (const ToolBarInfo& info : ToolBars()) {
        QToolBar* bar = frame.ToolBar(info.barId);
        ASSERT_NE(bar, nullptr) << info.barId;
        EXPECT_EQ(bar->objectName(), QStringLiteral("Bar%1").arg(info.barId));
        const QList<QAction*> actions = bar->actions();
        ASSERT_EQ(size_t(actions.size()), info.buttons.size()) << info.barId;
        for (size_t i = 0; i < info.buttons.size(); ++i) {
            const int id = info.buttons[i];
            if (id == 0) {
                EXPECT_TRUE(actions[int(i)]->isSeparator()) << info.barId << " position " << i;
                continue;
            }
            EXPECT_EQ(actions[int(i)], frame.Router().Action(id)) << info.barId << " position " << i;
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(actions[int(i)]));
            ASSERT_NE(button, nullptr);
            const bool dropDown =
                std::find(info.dropDowns.begin(), info.dropDowns.end(), id) != info.dropDowns.end();
            EXPECT_EQ(button->popupMode() == QToolButton::MenuButtonPopup, dropDown) << id;
        }
    }
    EXPECT_EQ(frame.statusBar()->objectName(), QStringLiteral("Bar59393"));
    QStringList indicators;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>()) indicators << label->text();
    EXPECT_TRUE(indicators.contains(QStringLiteral("CAP")));
    EXPECT_TRUE(indicators.contains(QStringLiteral("NUM")));
    EXPECT_TRUE(indicators.contains(QStringLiteral("SCRL")));
}

TEST_F(MainFrameTest, DropDownArrowReportsItsButton)
{
    CMainFrame frame;
    frame.show();
    std::vector<int> ids;
    QObject::connect(&frame, &CMainFrame::DropDownRequested, [&ids](int id, const QPoint&) { ids.push_back(id); });
    QToolBar* bar = frame.ToolBar(kBarBasic);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(frame.Router().Action(kCmdUndo)));
    ASSERT_NE(button, nullptr);
    ASSERT_NE(button->menu(), nullptr);
    // A guard so a menu left open cannot hold the test.
    QTimer::singleShot(2000, button->menu(), &QMenu::close);
    button->showMenu();
    EXPECT_EQ(ids, std::vector<int>{kCmdUndo});
    EXPECT_FALSE(button->menu()->isVisible());
}

TEST_F(MainFrameTest, CommandsWithoutAFeatureStayDisabled)
{
    CMainFrame frame;
    frame.NewWindow();
    ASSERT_NE(frame.ActiveChild(), nullptr);
    frame.Router().RefreshAll();
    for (int id : std::initializer_list<int>{kCmdProperties, kCmdNewImage, kCmdSelectSource, kCmdAcquire, kCmdTipOfTheDay, kCmdHelpFinder,
                   kCmdBlur, kCmdUndo, kCmdSave, kCmdFilePrint}) {
        EXPECT_FALSE(frame.Router().Action(id)->isEnabled()) << id;
        EXPECT_FALSE(frame.Router().Execute(id)) << id;
    }
    for (int id : std::initializer_list<int>{kCmdFileNew, kCmdWindowNew, kCmdOpen, kCmdRefresh, kCmdWebsite, kCmdHome, kCmdTech,
                   kCmdCommunity, kCmdCheckUpdates, kCmdAppAbout, kCmdAppExit, kCmdViewToolbar, kCmdHistogram})
        EXPECT_TRUE(frame.Router().Action(id)->isEnabled()) << id;
}

TEST_F(MainFrameTest, BarTogglesAreCheckedWhileVisible)
{
    CMainFrame frame;
    QAction* rotate = frame.Router().Action(kCmdViewRotateBar);
    QAction* histogram = frame.Router().Action(kCmdHistogram);
    frame.Router().RefreshAll();
    EXPECT_TRUE(rotate->isChecked());
    EXPECT_FALSE(histogram->isChecked());
    rotate->trigger();
    histogram->trigger();
    EXPECT_TRUE(frame.ToolBar(kBarRotate)->isHidden());
    EXPECT_FALSE(frame.Dock(kBarHistogram)->isHidden());
    EXPECT_FALSE(rotate->isChecked());
    EXPECT_TRUE(histogram->isChecked());
    frame.Router().Action(kCmdViewStatusBar)->trigger();
    EXPECT_TRUE(frame.statusBar()->isHidden());
}

TEST_F(MainFrameTest, FirstStartUsesTheDefaultLayout)
{
    CMainFrame frame;
    frame.RestoreBarLayout();
    QDockWidget* histogram = frame.Dock(kBarHistogram);
    QDockWidget* info = frame.Dock(kBarInfo);
    EXPECT_TRUE(histogram->isHidden());
    EXPECT_TRUE(info->isHidden());
    EXPECT_TRUE(histogram->isFloating());
    EXPECT_TRUE(info->isFloating());
    EXPECT_EQ(histogram->windowTitle(), QStringLiteral("Histogram"));
    EXPECT_EQ(info->windowTitle(), QStringLiteral("General Info Bar"));
    EXPECT_EQ(histogram->allowedAreas(), Qt::NoDockWidgetArea);
    // Two rows: basic, rotate, transformation; then drawing tools, templates.
    for (int id : std::initializer_list<int>{kBarBasic, kBarRotate, kBarTransform, kBarDrawing, kBarTemplates}) {
        EXPECT_EQ(frame.toolBarArea(frame.ToolBar(id)), Qt::TopToolBarArea) << id;
        EXPECT_FALSE(frame.ToolBar(id)->isHidden()) << id;
    }
    EXPECT_FALSE(frame.toolBarBreak(frame.ToolBar(kBarRotate)));
    EXPECT_FALSE(frame.toolBarBreak(frame.ToolBar(kBarTransform)));
    EXPECT_TRUE(frame.toolBarBreak(frame.ToolBar(kBarDrawing)));
    EXPECT_FALSE(frame.toolBarBreak(frame.ToolBar(kBarTemplates)));
    // Right edges 20 and 40 pixels inside the frame, tops below its top.
    const QRect f = frame.frameGeometry();
    EXPECT_EQ(histogram->frameGeometry().right(), f.right() - 20);
    EXPECT_EQ(histogram->frameGeometry().top(), f.top() + 70);
    EXPECT_EQ(info->frameGeometry().right(), f.right() - 40);
    EXPECT_EQ(info->frameGeometry().top(), f.top() + histogram->frameGeometry().height() + 40);
}

TEST_F(MainFrameTest, BarLayoutSurvivesARestart)
{
    {
        CMainFrame frame;
        frame.RestoreBarLayout();
        frame.ToolBar(kBarRotate)->hide();
        frame.Dock(kBarHistogram)->show();
        frame.statusBar()->hide();
        frame.SaveBarLayout();
    }
    CMainFrame again;
    again.RestoreBarLayout();
    EXPECT_TRUE(again.ToolBar(kBarRotate)->isHidden());
    EXPECT_FALSE(again.ToolBar(kBarBasic)->isHidden());
    EXPECT_FALSE(again.Dock(kBarHistogram)->isHidden());
    EXPECT_TRUE(again.Dock(kBarInfo)->isHidden());
    EXPECT_TRUE(again.statusBar()->isHidden());
}

TEST_F(MainFrameTest, LayoutNamingAnUnknownBarIsRejected)
{
    QByteArray state;
    {
        CMainFrame frame;
        frame.RestoreBarLayout();
        frame.ToolBar(kBarRotate)->hide();
        state = frame.saveState(1);
    }
    // The same layout, as a version with one more toolbar would save it.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(0x56584252) << qint32(1) << QList<qint32>{kBarBasic, kBarRotate, 32899} << true << state;
    ASSERT_TRUE(SetProfileBytes("Bars", bytes));
    CMainFrame frame;
    frame.RestoreBarLayout();
    EXPECT_FALSE(frame.ToolBar(kBarRotate)->isHidden());

    // Damaged bytes give the default layout too.
    ASSERT_TRUE(SetProfileBytes("Bars", QByteArray("\x01\x02garbage", 9)));
    CMainFrame damaged;
    damaged.ToolBar(kBarRotate)->hide();
    damaged.RestoreBarLayout();
    EXPECT_FALSE(damaged.ToolBar(kBarRotate)->isHidden());
}

TEST_F(MainFrameTest, ClosingAsksEachChildOnceAndSavesPathAndFile)
{
    const QString pics = dir_.filePath("pics");
    ASSERT_TRUE(QDir().mkpath(pics));
    CMainFrame frame;
    CChildFrame* first = frame.NewWindow();
    CChildFrame* second = frame.NewWindow();
    first->NavigateTo(dir_.path(), QString());
    second->NavigateTo(pics, QStringLiteral("b.ico"));
    std::map<CChildFrame*, int> asked;
    frame.SetSaveQuestion([&asked](CChildFrame* child) {
        ++asked[child];
        return true;
    });
    ASSERT_EQ(frame.ActiveChild(), second);
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(asked[first], 1);
    EXPECT_EQ(asked[second], 1);
    std::string path, file;
    EXPECT_TRUE(GetSettingString(kSectionDisplay, "Path", path));
    EXPECT_TRUE(GetSettingString(kSectionDisplay, "PathFile", file));
    EXPECT_EQ(QString::fromStdString(path), pics);
    EXPECT_EQ(file, "b.ico");
    QByteArray bars;
    EXPECT_TRUE(GetProfileBytes("Bars", bars));
    uint32_t left = 0xFFFFFFFF;
    EXPECT_TRUE(GetSettingInt(kSectionDisplay, "toolbar.l", left));
}

TEST_F(MainFrameTest, CancelledQuestionKeepsTheWindowAndWritesNothing)
{
    CMainFrame frame;
    frame.NewWindow()->NavigateTo(dir_.path(), QStringLiteral("a.ico"));
    frame.NewWindow()->NavigateTo(dir_.path(), QStringLiteral("b.ico"));
    int asked = 0;
    frame.SetSaveQuestion([&asked](CChildFrame*) { return ++asked < 1; });
    EXPECT_FALSE(frame.close());
    // The first cancel ends the round: nobody else is asked.
    EXPECT_EQ(asked, 1);
    std::string file;
    EXPECT_FALSE(GetSettingString(kSectionDisplay, "PathFile", file));
    QByteArray bars;
    EXPECT_FALSE(GetProfileBytes("Bars", bars));
}

TEST_F(MainFrameTest, OpenPathShowsFoldersAndFiles)
{
    const QString pics = dir_.filePath("pics");
    ASSERT_TRUE(QDir().mkpath(pics));
    QFile file(pics + QStringLiteral("/a.ico"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    CMainFrame frame;
    EXPECT_EQ(frame.OpenPath(pics + QStringLiteral("/missing.ico")), 2);
    EXPECT_EQ(frame.ActiveChild(), nullptr);
    // An existing file with no child window open opens one first.
    EXPECT_EQ(frame.OpenPath(pics + QStringLiteral("/a.ico")), 1);
    ASSERT_NE(frame.ActiveChild(), nullptr);
    EXPECT_EQ(frame.ActiveChild()->CurrentFolder(), pics);
    EXPECT_EQ(frame.ActiveChild()->CurrentFileName(), QStringLiteral("a.ico"));
    EXPECT_EQ(frame.OpenPath(dir_.path()), 1);
    EXPECT_EQ(frame.Children().size(), 1);
    EXPECT_EQ(frame.ActiveChild()->CurrentFolder(), dir_.path());
}

TEST(OpenPathTest, FolderAndFileOfAPath)
{
    struct Case {
        const char* path;
        bool isFolder;
        const char* folder;
        const char* file;
    };
    const Case cases[] = {
        {"/x.ico", false, "/", "x.ico"},
        {"/home/u/pics/a.ico", false, "/home/u/pics", "a.ico"},
        {"/home/u/pics", true, "/home/u/pics", ""},
        {"/", true, "/", ""},
    };
    for (const Case& c : cases) {
        QString folder, file;
        SplitOpenPath(QString::fromUtf8(c.path), c.isFolder, folder, file);
        EXPECT_EQ(folder, QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(file, QString::fromUtf8(c.file)) << c.path;
    }
}

} // namespace
} // namespace vex
