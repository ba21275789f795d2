#include "shell/AboutBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Settings.h"
#include "shell/Artwork.h"
#include "shell/StaticLink.h"

namespace vex {
namespace {

constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 1;
constexpr int kVersionPatch = 0;
constexpr int kBuild = 6;

constexpr int kBulletGap = 5;
constexpr int kLineInset = 30;
constexpr int kLineAbove = 10;

} // namespace

QString AboutVersionLine()
{
    return QString::asprintf("Vexmira v%d.%d.%d [Build 0x%X] : 32 bit-edition", kVersionMajor, kVersionMinor,
                             kVersionPatch, kBuild);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vexmira"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kLineInset + 10, 16, kLineInset + 10, 12);
    layout->setSpacing(8);

    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    top->addWidget(icon);
    top->addWidget(new QLabel(AboutVersionLine(), this), 1);
    layout->addLayout(top);
    layout->addSpacing(kLineAbove * 2);

    struct LinkEntry {
        const char* text;
        WebPage page;
    };
    const LinkEntry entries[] = {
        {"Visit Vexmira Homepage", WebPage::HomeLower},
        {"Read our FAQ online page", WebPage::Faq},
        {"Check if there is a newer version available.", WebPage::Update},
        {"Visit our online Community", WebPage::Community},
    };
    for (const LinkEntry& entry : entries) {
        auto* link = new CStaticLink(QString::fromUtf8(entry.text), QString::fromStdString(GetWebPage(entry.page)), this);
        // Room for the bullet painted before each link.
        link->setContentsMargins(0, 0, 0, 0);
        if (entry.page == WebPage::Update) {
            updateLink_ = link;
            layout->addSpacing(kLineAbove * 2);
        }
        auto* row = new QHBoxLayout;
        row->addSpacing(BulletPicture().width() + kBulletGap);
        row->addWidget(link);
        row->addStretch(1);
        layout->addLayout(row);
        links_ << link;
    }
    layout->addSpacing(kLineAbove * 2);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void CAboutDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    const QPixmap bullet = BulletPicture();
    for (CStaticLink* link : links_) {
        const QRect r = link->geometry();
        p.drawPixmap(r.left() - kBulletGap - bullet.width(), r.center().y() - bullet.height() / 2, bullet);
    }
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 4));
    for (QWidget* below : {static_cast<QWidget*>(ok_), static_cast<QWidget*>(updateLink_)}) {
        const int y = below->geometry().top() - kLineAbove;
        p.drawLine(kLineInset, y, width() - kLineInset, y);
    }
}

} // namespace vex
