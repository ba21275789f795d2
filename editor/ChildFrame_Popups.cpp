// The lists that drop down under the undo and redo buttons.

#include <QFocusEvent>
#include <QListWidget>

#include "editor/ChildFrame.h"
#include "editor/EditorCommands.h"
#include "editor/IconView.h"

namespace vex {
namespace {

// Closes itself as soon as it loses the keyboard focus.
class HistoryList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        QListWidget::focusOutEvent(event);
        close();
    }
};

} // namespace

bool CChildFrame::OnDropDown(int id, QPoint below)
{
    if (id != cmd::Undo && id != cmd::Redo) return false;
    if (historyPopup_) {
        historyPopup_->close();
        return true;
    }
    CIconView* e = GetEditor();
    if (!e) return true;
    auto* list = new HistoryList(this);
    list->setWindowFlags(Qt::Popup);
    list->setAttribute(Qt::WA_DeleteOnClose);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setFrameShape(QFrame::Box);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(10);
    font.setWeight(QFont::Normal);
    list->setFont(font);
    historyIsUndo_ = id == cmd::Undo;
    const auto labels = historyIsUndo_ ? e->History().GetUndoLabels() : e->History().GetRedoLabels();
    for (const std::string& label : labels) list->addItem(QString::fromStdString(label));
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) { ChooseHistoryEntry(list->row(item)); });
    list->setGeometry(below.x(), below.y(), 125, 75);
    historyPopup_ = list;
    list->show();
    list->setFocus(Qt::PopupFocusReason);
    return true;
}

void CChildFrame::ChooseHistoryEntry(int k)
{
    const bool undo = historyIsUndo_;
    if (historyPopup_) historyPopup_->close();
    CIconView* e = GetEditor();
    if (!e || k < 0) return;
    if (undo) e->Undo(k + 1);
    else e->Redo(k + 1);
}

} // namespace vex
