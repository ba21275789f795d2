#pragma once
// The about box: the program icon, the version line and four links.

#include <QDialog>
#include <QList>

class QPushButton;

namespace vex {

class CStaticLink;

// "Vexmira v1.1.0 [Build 0x6] : 32 bit-edition".
QString AboutVersionLine();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    const QList<CStaticLink*>& Links() const { return links_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<CStaticLink*> links_;
    CStaticLink* updateLink_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace vex
