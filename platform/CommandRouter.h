#pragma once
// Routes command ids to the windows that handle them: the active child frame
// first, then the main frame. An id nobody handles is disabled. Enable and
// check states are refreshed before a menu shows and on a short idle timer,
// so toolbar buttons follow the state without a menu being opened.

#include <functional>
#include <map>

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "platform/CommandTarget.h"

class QAction;
class QMenu;

namespace vex {

class CommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CommandRouter(QObject* parent = nullptr);

    // The main frame's handlers, asked after the active child's.
    void SetMainTarget(CommandTarget* target);
    // Gives the active child frame's handlers, or null without one.
    void SetActiveChild(std::function<CommandTarget*()> activeChild);

    // The action of `id`: triggering it runs the command. One action per id;
    // a second registration for the same id adds another action that shares
    // the command and its state.
    void AddAction(int id, QAction* action);
    QAction* Action(int id) const;

    // Runs `id`; false when no target handled it.
    bool Execute(int id);
    // The state the targets give `id`; disabled when none handles it.
    CommandState Query(int id) const;

    // Refreshes every registered action, or the actions of one menu.
    void RefreshAll();
    void RefreshMenu(QMenu* menu);
    // Refresh the menu's items each time it is about to show.
    void WatchMenu(QMenu* menu);

    static constexpr int kIdleRefreshMs = 250;
    void StartIdleRefresh(int intervalMs = kIdleRefreshMs);

private:
    void Apply(QAction* action, int id) const;

    CommandTarget* main_ = nullptr;
    std::function<CommandTarget*()> activeChild_;
    std::multimap<int, QPointer<QAction>> actions_;
    QTimer idle_;
};

} // namespace vex
