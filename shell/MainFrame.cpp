#include "shell/MainFrame.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QKeySequence>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "editor/ChildFrame.h"
#include "resources/Commands.h"
#include "shell/Artwork.h"

namespace vex {
namespace {

QString BarName(int barId) { return QStringLiteral("Bar%1").arg(barId); }

// Splits "text\taccelerator" and "status\ntool-tip" onto an action.
void Describe(QAction* action, const CommandInfo& info, const char* textOverride)
{
    const QString text = QString::fromUtf8(textOverride ? textOverride : info.text);
    const int tab = text.indexOf(QLatin1Char('\t'));
    action->setText(tab < 0 ? text : text.left(tab));
    QList<QKeySequence> keys;
    if (tab >= 0) keys << QKeySequence(text.mid(tab + 1), QKeySequence::PortableText);
    if (*info.extraKeys) keys << QKeySequence(QString::fromUtf8(info.extraKeys), QKeySequence::PortableText);
    if (!textOverride) action->setShortcuts(keys);
    const QString prompt = QString::fromUtf8(info.prompt);
    const int newline = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(newline < 0 ? prompt : prompt.left(newline));
    if (newline >= 0) action->setToolTip(prompt.mid(newline + 1));
    action->setCheckable(info.checkable);
}

// A panel the bar's own contents replace once they exist.
QWidget* Placeholder(QSize size)
{
    auto* widget = new QWidget;
    widget->setMinimumSize(size);
    return widget;
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), router_(this)
{
    setWindowTitle(QStringLiteral("Vexmira"));
    setWindowIcon(ProgramIcon());
    setMinimumSize(300, 300);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);

    mdi_ = new QMdiArea(this);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (!sub) return;
        lastActive_ = sub;
        if (auto* child = qobject_cast<CChildFrame*>(sub->widget())) child->OnActivate();
    });

    askSave_ = [](CChildFrame* child) { return child->ConfirmSaveChanges(); };
    router_.SetMainTarget(this);
    router_.SetActiveChild([this]() -> CommandTarget* { return ActiveChild(); });

    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    CreateFloatingBars();
    router_.RefreshAll();
    router_.StartIdleRefresh();
}

CMainFrame::~CMainFrame()
{
    // The child windows go after this object's members; nothing may call
    // back into the frame while they do.
    disconnect(mdi_, nullptr, this, nullptr);
    router_.SetActiveChild(nullptr);
    router_.SetMainTarget(nullptr);
}

void CMainFrame::CreateActions()
{
    for (const CommandInfo& info : CommandTable()) {
        auto* action = new QAction(this);
        Describe(action, info, nullptr);
        action->setIcon(CommandIcon(info.id));
        // Every shortcut works whether or not a menu holds the action.
        addAction(action);
        router_.AddAction(info.id, action);
    }
}

void CMainFrame::CreateMenus()
{
    for (const MenuInfo& menuInfo : MainMenus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(menuInfo.title));
        for (const MenuItem& item : menuInfo.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            if (!item.textOverride) {
                menu->addAction(router_.Action(item.id));
                continue;
            }
            auto* alias = new QAction(this);
            Describe(alias, *FindCommand(item.id), item.textOverride);
            menu->addAction(alias);
            router_.AddAction(item.id, alias);
        }
        router_.WatchMenu(menu);
    }
}

void CMainFrame::CreateToolBars()
{
    for (const ToolBarInfo& info : ToolBars()) {
        auto* bar = new QToolBar(QString::fromUtf8(info.title), this);
        bar->setObjectName(BarName(info.barId));
        bar->setIconSize(QSize(16, 15));
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        for (int id : info.buttons) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* action = router_.Action(id);
            bar->addAction(action);
            if (std::find(info.dropDowns.begin(), info.dropDowns.end(), id) == info.dropDowns.end()) continue;
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            if (!button) continue;
            // The arrow's contents (history lists, template choosers) belong
            // to the child frame; the frame only reports where to open them.
            auto* menu = new QMenu(button);
            connect(menu, &QMenu::aboutToShow, this, [this, id, button, menu] {
                emit DropDownRequested(id, button->mapToGlobal(button->rect().bottomLeft()));
                // Nothing to show here: the empty menu closes once it opened.
                QMetaObject::invokeMethod(menu, &QMenu::close, Qt::QueuedConnection);
            });
            button->setMenu(menu);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
        if (info.newRow) addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, bar);
        toolBars_[info.barId] = bar;
    }
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(BarName(kBarStatus));
    // The keyboard indicators; lock states are not readable portably, so
    // they stay greyed as when the locks are off.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), bar);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
}

void CMainFrame::CreateFloatingBars()
{
    auto make = [this](int id, const char* title, QSize size) {
        auto* dock = new QDockWidget(QString::fromUtf8(title), this);
        dock->setObjectName(BarName(id));
        dock->setAllowedAreas(Qt::NoDockWidgetArea);
        dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                          QDockWidget::DockWidgetFloatable);
        dock->setWidget(Placeholder(size));
        addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->setFloating(true);
        dock->hide();
        return dock;
    };
    histogram_ = make(kBarHistogram, "Histogram", QSize(200, 140));
    infoBar_ = make(kBarInfo, "General Info Bar", QSize(240, 320));
    const QRect frame = frameGeometry();
    histogram_->move(frame.right() - 220, frame.top() + 40);
    infoBar_->move(frame.right() - 150, frame.top() + 170);
}

QToolBar* CMainFrame::ToolBar(int barId) const
{
    const auto found = toolBars_.find(barId);
    return found == toolBars_.end() ? nullptr : found->second;
}

QDockWidget* CMainFrame::Dock(int barId) const
{
    if (barId == kBarHistogram) return histogram_;
    if (barId == kBarInfo) return infoBar_;
    return nullptr;
}

CChildFrame* CMainFrame::ActiveChild() const
{
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!sub && lastActive_ && mdi_->subWindowList().contains(lastActive_.data())) sub = lastActive_;
    return sub ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

QList<CChildFrame*> CMainFrame::Children() const
{
    QList<CChildFrame*> children;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(sub->widget())) children << child;
    }
    return children;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!SaveStateForClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace vex
