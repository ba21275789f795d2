#include "shell/StaticLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace vex {

CStaticLink::CStaticLink(const QString& text, const QString& target, QWidget* parent)
    : QLabel(text, parent), target_(target.isEmpty() ? text : target)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(false);
    open_ = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    Recolour();
}

bool CStaticLink::Follow()
{
    if (!open_ || !open_(target_)) {
        QApplication::beep();
        return false;
    }
    visited_ = true;
    Recolour();
    return true;
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Follow();
    QLabel::mouseReleaseEvent(event);
}

void CStaticLink::Recolour()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, visited_ ? kVisited : kUnvisited);
    setPalette(palette);
}

} // namespace vex
