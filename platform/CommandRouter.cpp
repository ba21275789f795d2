#include "platform/CommandRouter.h"

#include <QAction>
#include <QMenu>

namespace vex {
namespace {

constexpr const char* kIdProperty = "vexCommandId";

} // namespace

CommandRouter::CommandRouter(QObject* parent) : QObject(parent)
{
    connect(&idle_, &QTimer::timeout, this, &CommandRouter::RefreshAll);
}

void CommandRouter::SetMainTarget(CommandTarget* target) { main_ = target; }

void CommandRouter::SetActiveChild(std::function<CommandTarget*()> activeChild)
{
    activeChild_ = std::move(activeChild);
}

void CommandRouter::AddAction(int id, QAction* action)
{
    action->setProperty(kIdProperty, id);
    actions_.emplace(id, action);
    // Checkable actions toggle themselves when triggered; the targets own the
    // state, so it is read back at once.
    connect(action, &QAction::triggered, this, [this, id, action] {
        Execute(id);
        Apply(action, id);
    });
    Apply(action, id);
}

QAction* CommandRouter::Action(int id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second.data();
}

bool CommandRouter::Execute(int id)
{
    // Nobody runs a command that its update handler disabled.
    if (!Query(id).enabled) return false;
    if (activeChild_) {
        if (CommandTarget* child = activeChild_(); child && child->OnCommand(id)) return true;
    }
    return main_ && main_->OnCommand(id);
}

CommandState CommandRouter::Query(int id) const
{
    CommandState state;
    if (activeChild_) {
        if (CommandTarget* child = activeChild_(); child && child->OnUpdateCommand(id, state)) return state;
    }
    state = CommandState{};
    if (main_ && main_->OnUpdateCommand(id, state)) return state;
    return CommandState{};
}

void CommandRouter::Apply(QAction* action, int id) const
{
    const CommandState state = Query(id);
    action->setEnabled(state.enabled);
    if (action->isCheckable()) action->setChecked(state.checked);
}

void CommandRouter::RefreshAll()
{
    for (auto& [id, action] : actions_) {
        Apply(action, id);
    }
}

void CommandRouter::RefreshMenu(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        const QVariant id = action->property(kIdProperty);
        if (id.isValid()) Apply(action, id.toInt());
    }
}

void CommandRouter::WatchMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { RefreshMenu(menu); });
}

void CommandRouter::StartIdleRefresh(int intervalMs)
{
    idle_.start(intervalMs);
}

} // namespace vex
