#pragma once
// A window that handles command ids. The command router asks the active
// child frame first and then the main frame, both for running a command and
// for its enable and check state (refreshed before a menu shows and on a
// short idle timer).

namespace vex {

struct CommandState {
    bool enabled = false;
    bool checked = false;
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // True when this target handled the id.
    virtual bool OnCommand(int id) = 0;
    // True when this target handles the id; `state` is then filled.
    virtual bool OnUpdateCommand(int id, CommandState& state) = 0;
};

} // namespace vex
