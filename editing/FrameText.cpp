#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>

#include "editing/FontMapping.h"
#include "editing/FrameImage.h"
#include "image/Limits.h"

namespace vex {

bool FontsAvailable()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

static QFont PlainFont(const QString& face, int pixels)
{
    QFont f(face);
    f.setPixelSize(std::clamp(pixels, 1, kMaxFontPixels));
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QFont DefaultGuiFont()
{
    return PlainFont(QString::fromLatin1(kDefaultGuiFace), kDefaultGuiPixels);
}

QFont FontFromRecord(const FontRecord& record)
{
    const auto faceEnd = std::find(record.faceName.begin(), record.faceName.end(), '\0');
    const auto faceLength = faceEnd - record.faceName.begin();
    const QString face = faceLength ? QString::fromLocal8Bit(record.faceName.data(), qsizetype(faceLength))
                                    : QString::fromLatin1(kDefaultGuiFace);
    const int64_t height = record.height;
    int pixels = kDefaultFontPixels;
    if (height < 0) pixels = int(std::min<int64_t>(-height, kMaxFontPixels));
    QFont f = PlainFont(face, pixels);
    if (height > 0) {
        // A cell height includes the internal leading: scale the em so that
        // ascent + descent comes out at the requested height.
        const int cell = int(std::min<int64_t>(height, kMaxFontPixels));
        f.setPixelSize(cell);
        const QFontMetrics m(f);
        const int natural = m.ascent() + m.descent();
        if (natural > 0) f.setPixelSize(std::max(1, int(std::lround(double(cell) * cell / natural))));
    }
    if (record.weight > 0) f.setWeight(QFont::Weight(std::clamp(record.weight, 1, 1000)));
    f.setItalic(record.italic != 0);
    f.setUnderline(record.underline != 0);
    f.setStrikeOut(record.strikeOut != 0);
    return f;
}

namespace {

bool SameRgb(RgbQuad a, RgbQuad b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The text in `draw` on `bg`, measured as one block of lines and drawn into a
// surface one text height wider than the text, read back bottom-up.
bool RenderTextBlock(const QString& text, const QFont& font, RgbQuad bg, RgbQuad draw, Raster& out)
{
    const QFontMetrics metrics(font);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
    const QRect measured = metrics.boundingRect(QRect(0, 0, 0, 0), flags, text);
    const int64_t cx = measured.width(), cy = measured.height();
    if (cx < 1 || cy < 1 || !SideInRange(cx + cy) || !SideInRange(cy)) return false;
    QImage surface(int(cx + cy), int(cy), QImage::Format_RGB32);
    if (surface.isNull()) return false;
    surface.fill(QColor(0, 0, 0));
    {
        QPainter p(&surface);
        if (!p.isActive()) return false;
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.fillRect(QRect(0, 0, int(cx), int(cy)), QColor(bg.red, bg.green, bg.blue));
        p.setFont(font);
        p.setPen(QColor(draw.red, draw.green, draw.blue));
        p.drawText(QRect(0, 0, int(cx), int(cy)), flags | Qt::TextWordWrap, text);
    }
    if (!out.Create(uint32_t(surface.width()), uint32_t(surface.height()), 24, out.GetType())) return false;
    const int64_t h = surface.height();
    for (int64_t j = 0; j < h; ++j) {
        const auto* row = reinterpret_cast<const uint32_t*>(surface.constScanLine(int(j)));
        for (int64_t i = 0; i < surface.width(); ++i)
            out.SetPixelColor(i, h - 1 - j, MakeRgb(uint8_t(row[i] >> 16), uint8_t(row[i] >> 8), uint8_t(row[i])));
    }
    return true;
}

} // namespace

bool CFrameImage::DrawTextImage(int32_t x, int32_t y, const std::string& text, Raster* target, uint32_t textColor,
                                const FontRecord* font, float angle, uint32_t flags)
{
    if (!IsValid() || text.empty() || !FontsAvailable() || !std::isfinite(angle)) return false;
    if (!CoordInRange(x) || !CoordInRange(y) || (target && !target->IsValid())) return false;
    const QFont qfont = font ? FontFromRecord(*font) : DefaultGuiFont();
    const RgbQuad bg = target ? target->GetPixelColor(0, 0) : MakeRgb(0, 0, 0);
    // The drawing colour must differ from the background to find the text again.
    const RgbQuad white = MakeRgb(255, 255, 255);
    const RgbQuad draw = SameRgb(bg, white) ? MakeRgb(255, 0, 255) : white;
    QString qtext = QString::fromUtf8(text.data(), qsizetype(text.size()));
    qtext.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    Raster image(target ? target->GetType() : 0);
    if (!RenderTextBlock(qtext, qfont, bg, draw, image)) return false;
    if (angle != 0.0f) {
        // Corners uncovered by the turn read as the background, never as text.
        image.SetTransColor(bg);
        image.SetTransIndex(0);
        if (!image.Rotate(angle)) return false;
        image.SetTransIndex(-1);
    }
    const int64_t w = image.GetWidth(), h = image.GetHeight();
    int64_t px = x, py = y;
    if (flags & 0x10) py += h / 2;
    if (flags & 0x20) px -= w / 2;

    if (!target) {
        const int64_t frameHeight = GetHeight();
        const RgbQuad ink = ColorRefToRgb(textColor);
        const bool alpha = AlphaIsValid();
        for (int64_t j = 0; j < h; ++j) {
            for (int64_t i = 0; i < w; ++i) {
                if (!SameRgb(image.GetPixelColor(i, j), draw)) continue;
                const int64_t row = frameHeight - 1 - (py - j), col = px + i;
                if (!IsInside(col, row)) continue;
                SetPixelColor(col, row, ink);
                // Text on a transparent pixel would not show otherwise.
                if (alpha) AlphaSet(col, row, 255);
            }
        }
        return true;
    }

    const RgbQuad ink = ColorRefToRgb(textColor);
    int64_t left = w, right = -1, low = h, high = -1;
    for (int64_t j = 0; j < h; ++j) {
        for (int64_t i = 0; i < w; ++i) {
            const bool isText = SameRgb(image.GetPixelColor(i, j), draw);
            image.SetPixelColor(i, j, isText ? ink : bg);
            if (!isText) continue;
            left = std::min(left, i), right = std::max(right, i);
            low = std::min(low, j), high = std::max(high, j);
        }
    }
    // Nothing visible (blank text): the target is left as it was.
    if (right < 0) return false;
    if (!image.Crop(int32_t(left - 1), int32_t(h - 1 - high), int32_t(right + 1), int32_t(h - low + 1))) return false;
    image.SetTransIndex(target->GetTransIndex());
    image.SetTransColor(target->GetTransColor());
    target->Transfer(image);
    return true;
}

} // namespace vex
