// Text and bitmaps on the canvas.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

#include "image/codecs/metafile/MetafileCanvas.h"

namespace vex::metafile {
namespace {

constexpr double kMaxFontPixels = 8000;
constexpr double kDefaultFontPixels = 16;

QPainter::CompositionMode BltMode(uint32_t rop)
{
    switch (rop) {
    case 0x008800C6: return QPainter::RasterOp_SourceAndDestination; // source and
    case 0x00EE0086: return QPainter::RasterOp_SourceOrDestination;  // source paint
    case 0x00660046: return QPainter::RasterOp_SourceXorDestination; // source invert
    case 0x00330008: return QPainter::RasterOp_NotSource;            // not source copy
    default: return QPainter::CompositionMode_SourceOver;
    }
}

// An installed family of that name, or the DejaVu face closest in kind:
// fontconfig's own substitution depends on what was loaded before.
QString ResolveFamily(const std::string& face)
{
    const QString name = QString::fromStdString(face);
    if (!name.isEmpty() && QFontDatabase::hasFamily(name)) return name;
    const QString lower = name.toLower();
    for (const char* mono : {"courier", "mono", "console", "fixed", "terminal"})
        if (lower.contains(QLatin1String(mono))) return QStringLiteral("DejaVu Sans Mono");
    for (const char* serif : {"times", "roman", "serif", "georgia", "garamond", "book"})
        if (lower.contains(QLatin1String(serif)) && !lower.contains(QLatin1String("sans")))
            return QStringLiteral("DejaVu Serif");
    return QStringLiteral("DejaVu Sans");
}

} // namespace

bool TextRenderingAvailable()
{
    // Fonts need the GUI application object; programs without one (the
    // command-line tool, tests, fuzzers) get an off-screen one on first use.
    if (QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    static int argc = 3;
    static char name[] = "vexmira", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Our own object serves only our drawing: its chatter about the session
    // (no runtime folder, no display) would only clutter a tool's output.
    static QGuiApplication* app = [] {
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        return new QGuiApplication(argc, argv);
    }();
    return app != nullptr;
}

void MetafileCanvas::Text(QPointF reference, const QString& text, bool useCurrent,
                          const std::optional<QRectF>& opaqueRect, const std::optional<QRectF>& clipRect)
{
    if (overBudget_) return;
    if (opaqueRect) FillLogicalRect(*opaqueRect, BrushSpec{0, dc_.backColor, 0, {}});
    if (text.isEmpty() || !TextRenderingAvailable()) return;

    const FontSpec& f = dc_.font;
    const double scale = std::fabs(Total().m22()) > 0 ? std::fabs(Total().m22()) : LengthScale();
    double pixels = f.height == 0 ? kDefaultFontPixels : std::fabs(double(f.height)) * scale;
    if (f.height > 0) pixels *= 0.8; // a positive height counts the internal leading too
    if (!std::isfinite(pixels) || pixels < 1) pixels = 1;
    pixels = std::min(pixels, kMaxFontPixels);
    if (!Charge(double(text.size()) * pixels * pixels)) return;

    QFont font(ResolveFamily(f.face));
    // Glyphs come from the chosen face only, so a picture never depends on
    // which fallback fonts earlier files happened to load.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setPixelSize(int(std::lround(pixels)));
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(text);

    const QPointF anchor = Map(useCurrent ? dc_.current : reference);
    double x = 0, y = 0;
    const uint32_t horizontal = dc_.textAlign & 6, vertical = dc_.textAlign & 24;
    if (horizontal == 6) x = -width / 2;
    else if (horizontal == 2) x = -width;
    if (vertical == 0) y = metrics.ascent();
    else if (vertical == 8) y = -metrics.descent();

    painter_.save();
    if (clipRect) {
        const QRectF c = QRectF(Map(clipRect->topLeft()), Map(clipRect->bottomRight())).normalized();
        painter_.setClipRect(c, dc_.clipped ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    painter_.translate(anchor);
    if (f.escapement != 0) painter_.rotate(-f.escapement / 10.0);
    if (dc_.opaqueBackground)
        painter_.fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), dc_.backColor);
    painter_.setFont(font);
    painter_.setPen(dc_.textColor);
    painter_.drawText(QPointF(x, y), text);
    painter_.restore();

    // Text that updates the current position moves it past what was drawn.
    if (useCurrent && horizontal != 6) {
        const double logicalWidth = std::fabs(Total().m11()) > 0 ? width / std::fabs(Total().m11()) : 0;
        dc_.current.rx() += horizontal == 2 ? -logicalWidth : logicalWidth;
    }
}

void MetafileCanvas::Bitmap(const QImage& image, QRectF dest, QRectF source, uint32_t rop)
{
    if (image.isNull() || overBudget_) return;
    const QRectF whole(image.rect());
    source = source.normalized().intersected(whole);
    if (source.isEmpty()) return;
    const QPointF a = Map(dest.topLeft()), b = Map(dest.bottomRight());
    const QRectF target = QRectF(a, b).normalized();
    if (target.isEmpty() || !ChargeArea(target)) return;
    QImage part = image.copy(source.toAlignedRect());
    if (b.x() < a.x() || b.y() < a.y()) part = part.mirrored(b.x() < a.x(), b.y() < a.y());
    painter_.setCompositionMode(BltMode(rop));
    painter_.drawImage(target, part);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void MetafileCanvas::PatternBlt(QRectF dest, uint32_t rop)
{
    const QRectF target = QRectF(Map(dest.topLeft()), Map(dest.bottomRight())).normalized();
    if (target.isEmpty() || !ChargeArea(target)) return;
    switch (rop) {
    case 0x00F00021: painter_.fillRect(target, MakeBrush(dc_.brush)); break; // pattern copy
    case 0x00000042: painter_.fillRect(target, Qt::black); break;           // blackness
    case 0x00FF0062: painter_.fillRect(target, Qt::white); break;           // whiteness
    case 0x00550009:                                                         // destination invert
    case 0x005A0049:                                                         // pattern invert
        painter_.setCompositionMode(rop == 0x00550009 ? QPainter::RasterOp_NotDestination
                                                      : QPainter::RasterOp_SourceXorDestination);
        painter_.fillRect(target, rop == 0x00550009 ? QBrush(Qt::black) : MakeBrush(dc_.brush));
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    default: break;
    }
}

} // namespace vex::metafile

// The off-screen GUI object and its font database live until the process
// ends, so fontconfig's caches are never freed; leak checkers are told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
