#include "shell/Artwork.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "resources/Commands.h"

namespace vex {
namespace {

constexpr int kButtonW = 16;
constexpr int kButtonH = 15;

QPixmap Blank()
{
    QPixmap pixmap(kButtonW, kButtonH);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A short label on a tinted key, for commands without an obvious picture.
QIcon Glyph(const QString& label, QColor tint)
{
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(tint.darker(160));
    p.setBrush(tint.lighter(150));
    p.drawRoundedRect(QRectF(0.5, 0.5, kButtonW - 1, kButtonH - 1), 3, 3);
    QFont font = p.font();
    font.setPixelSize(label.size() > 2 ? 7 : 9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(tint.darker(250));
    p.drawText(QRect(0, 0, kButtonW, kButtonH), Qt::AlignCenter, label);
    return QIcon(pixmap);
}

QIcon Bars()
{
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    const int heights[] = {4, 9, 13, 7, 11, 5};
    for (int i = 0; i < 6; ++i) p.fillRect(1 + i * 2 + i / 2, kButtonH - heights[i], 2, heights[i], QColor(40, 90, 160));
    return QIcon(pixmap);
}

QIcon Magnifier(const QString& sign)
{
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 30), 1.5));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(1, 1, 10, 10));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14));
    QFont font = p.font();
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(1, 1, 10, 10), Qt::AlignCenter, sign);
    return QIcon(pixmap);
}

QIcon Arrow(bool back)
{
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (back) {
        p.translate(kButtonW, 0);
        p.scale(-1, 1);
    }
    QPainterPath path;
    path.moveTo(3, 12);
    path.cubicTo(3, 4, 10, 3, 12, 7);
    p.setPen(QPen(QColor(20, 110, 40), 2));
    p.drawPath(path);
    p.setBrush(QColor(20, 110, 40));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(9, 8), QPointF(15, 9), QPointF(13, 3)}));
    return QIcon(pixmap);
}

QIcon Standard(QStyle::StandardPixmap which)
{
    return QApplication::style()->standardIcon(which);
}

} // namespace

QIcon CommandIcon(int id)
{
    const QColor image(200, 170, 90), colour(170, 120, 200), tool(120, 170, 210), misc(150, 190, 140);
    switch (id) {
    case kCmdFileNew: return Standard(QStyle::SP_DirOpenIcon);
    case kCmdSave: return Standard(QStyle::SP_DialogSaveButton);
    case kCmdDelete: return Standard(QStyle::SP_TrashIcon);
    case kCmdRefresh: return Standard(QStyle::SP_BrowserReload);
    case kCmdProperties: return Glyph(QStringLiteral("opt"), misc);
    case kCmdViewInfoBar: return Standard(QStyle::SP_FileDialogInfoView);
    case kCmdHistogram: return Bars();
    case kCmdUndo: return Arrow(true);
    case kCmdRedo: return Arrow(false);
    case kCmdZoomIn: return Magnifier(QStringLiteral("+"));
    case kCmdZoomOne: return Magnifier(QStringLiteral("1"));
    case kCmdZoomOut: return Magnifier(QStringLiteral("-"));
    case kCmdPrevFrame: return Standard(QStyle::SP_MediaSkipBackward);
    case kCmdPlay: return Standard(QStyle::SP_MediaPlay);
    case kCmdStop: return Standard(QStyle::SP_MediaStop);
    case kCmdPause: return Standard(QStyle::SP_MediaPause);
    case kCmdNextFrame: return Standard(QStyle::SP_MediaSkipForward);
    case kCmdWebsite: return Standard(QStyle::SP_DriveNetIcon);
    case kCmdAppAbout: return Standard(QStyle::SP_MessageBoxInformation);
    case kCmdRotate180: return Glyph(QStringLiteral("180"), image);
    case kCmdRotateLeft: return Glyph(QStringLiteral("<90"), image);
    case kCmdRotateRight: return Glyph(QStringLiteral("90>"), image);
    case kCmdRotateAngle: return Glyph(QStringLiteral("\u00b0"), image);
    case kCmdGrayScale: return Glyph(QStringLiteral("G"), colour);
    case kCmdNegative: return Glyph(QStringLiteral("N"), colour);
    case kCmdLighten: return Glyph(QStringLiteral("L+"), colour);
    case kCmdDarken: return Glyph(QStringLiteral("L-"), colour);
    case kCmdGrid: return Glyph(QStringLiteral("#"), tool);
    case kCmdToolMove: return Glyph(QStringLiteral("\u2725"), tool);
    case kCmdToolPencil: return Glyph(QStringLiteral("\u270e"), tool);
    case kCmdToolLine: return Glyph(QStringLiteral("/"), tool);
    case kCmdToolFill: return Glyph(QStringLiteral("F"), tool);
    case kCmdToolText: return Glyph(QStringLiteral("A"), tool);
    case kCmdToolEllipse: return Glyph(QStringLiteral("\u25cb"), tool);
    case kCmdToolRectangle: return Glyph(QStringLiteral("\u25a1"), tool);
    case kCmdToolRoundRect: return Glyph(QStringLiteral("\u25a2"), tool);
    case kCmdToolSelect: return Glyph(QStringLiteral("[ ]"), tool);
    case kCmdToolEraser: return Glyph(QStringLiteral("E"), tool);
    case kCmdToolHotspot: return Glyph(QStringLiteral("+"), tool);
    case kCmdAcquire: return Glyph(QStringLiteral("Sc"), misc);
    case kCmdEditPalette: return Glyph(QStringLiteral("P"), colour);
    case kCmdPictureTemplate: return Glyph(QStringLiteral("T"), image);
    case kCmdTemplateArrow: return Glyph(QStringLiteral("\u2192"), image);
    case kCmdArrowProperties: return Glyph(QStringLiteral("\u2261"), image);
    default: return QIcon();
    }
}

QIcon ProgramIcon()
{
    // The installed application icon when the desktop has it.
    const QIcon installed = QIcon::fromTheme(QStringLiteral("vexmira"));
    if (!installed.isNull()) return installed;
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(52, 101, 164));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        p.setBrush(Qt::white);
        p.setPen(QPen(Qt::black, 1.2));
        p.drawPolygon(QPolygonF({QPointF(9, 5), QPointF(9, 25), QPointF(14, 20), QPointF(18, 28), QPointF(21, 26),
                                 QPointF(17, 19), QPointF(24, 19)}));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap BulletPicture()
{
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 101, 164));
    p.drawEllipse(QRectF(4, 3.5, 8, 8));
    return pixmap;
}

} // namespace vex
