#pragma once
// The update reminder run at start-up, and the "Check For Updates." dialog
// it and the update command show.

#include <functional>

#include <QDateTime>
#include <QDialog>

class QCheckBox;

namespace vex {

class CUpdateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CUpdateDialog(QWidget* parent = nullptr);
    QCheckBox* StopReminding() const { return stop_; }

    // "reminder" follows the check box whichever way the dialog closes.
    void done(int result) override;

private:
    QCheckBox* stop_ = nullptr;
};

// Shows the dialog modally.
void ShowUpdateDialog(QWidget* parent);

// The reminder: 30 whole days after the stored date (at 12:00 local time) it
// shows the dialog through `show` unless "reminder" is set, and stores today.
// Missing date values are set to today first. Returns whether 30 days had
// passed.
bool RunUpdateReminder(const QDateTime& now, const std::function<void()>& show);

inline constexpr qint64 kReminderDays = 30;

} // namespace vex
