#pragma once
// Message boxes of the browser go through one replaceable function, so a test
// can read the question and give the answer.

#include <functional>

#include <QMessageBox>
#include <QString>

namespace vex {

struct PromptRequest {
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

using PromptFunction = std::function<QMessageBox::StandardButton(const PromptRequest&)>;

// The real box, modal over parent.
inline QMessageBox::StandardButton ShowPrompt(QWidget* parent, const PromptRequest& r)
{
    QMessageBox box(r.icon, r.caption, r.text, r.buttons, parent);
    if (r.defaultButton != QMessageBox::NoButton) box.setDefaultButton(r.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace vex
