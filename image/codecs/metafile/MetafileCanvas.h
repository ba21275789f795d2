#pragma once
// The device context both metafile players draw through: mapping modes,
// window and viewport, world transform, the object table (pens, brushes,
// fonts, palettes, regions), saved states, clipping, paths and the drawing
// primitives, realised with QPainter on a QImage. Geometry arrives in logical
// units and is mapped here; every primitive is charged to a work budget so a
// hostile file cannot keep the painter busy without end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>

namespace vex::metafile {

// Mapping modes, as numbered in metafile records.
enum MapMode : int {
    MapText = 1,
    MapLoMetric = 2,
    MapHiMetric = 3,
    MapLoEnglish = 4,
    MapHiEnglish = 5,
    MapTwips = 6,
    MapIsotropic = 7,
    MapAnisotropic = 8,
};

struct PenSpec {
    uint32_t style = 0; // low nibble: solid, dash, dot, dash-dot, dash-dot-dot, null, inside frame
    double width = 0;   // logical units; 0 and 1 draw one device pixel
    QColor color = Qt::black;
};

struct BrushSpec {
    uint32_t style = 0; // solid, null, hatched, pattern, ..., DIB pattern
    QColor color = Qt::white;
    uint32_t hatch = 0;
    QImage pattern;
};

struct FontSpec {
    int32_t height = 0;
    int32_t escapement = 0; // tenths of a degree
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::string face;
};

struct GdiObject {
    enum Kind { Pen, Brush, Font, Palette, Region } kind = Pen;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    std::vector<QColor> palette;
    QRegion region; // in image pixels
};

struct DcState {
    int mapMode = MapText;
    QPointF windowOrg{0, 0};
    QPointF windowExt{1, 1};
    QPointF viewportOrg{0, 0};
    QPointF viewportExt{1, 1};
    QTransform world;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    std::vector<QColor> palette;
    QColor textColor = Qt::black;
    QColor backColor = Qt::white;
    bool opaqueBackground = true;
    bool windingFill = false;
    uint32_t textAlign = 0;
    int rop2 = 13;
    bool clockwiseArcs = false;
    QPointF current{0, 0};
    bool clipped = false;
    QRegion clip; // in image pixels
};

// Why playing stopped early.
enum class PlayStatus { Ok, Corrupted, TooComplex, Cancelled };

class MetafileCanvas {
public:
    // Draws on `target` (already filled with the background). `deviceToImage`
    // maps the reference device's pixels onto the target's.
    MetafileCanvas(QImage& target, const QTransform& deviceToImage, double pixelsPerMmX, double pixelsPerMmY);
    ~MetafileCanvas();
    MetafileCanvas(const MetafileCanvas&) = delete;
    MetafileCanvas& operator=(const MetafileCanvas&) = delete;

    DcState& State() { return dc_; }
    // False once the work budget is spent; the players stop then.
    bool WithinBudget() const { return !overBudget_; }

    // ---- object table ----
    void ResizeObjectTable(size_t count);
    size_t ObjectSlots() const { return objects_.size(); }
    // Puts the object in the lowest free slot (Windows metafiles); false when full.
    bool AddObject(GdiObject object);
    // Puts the object in a given slot (enhanced metafiles); false when out of range.
    bool SetObject(size_t slot, GdiObject object);
    void DeleteObject(size_t slot);
    const GdiObject* Object(size_t slot) const;
    void SelectObject(size_t slot);
    void SelectStockObject(uint32_t index);

    // ---- state ----
    void SaveDC();
    // relative < 0: that many levels back; > 0: the absolute level.
    void RestoreDC(int32_t which);
    void ApplyClip();
    void IntersectClipRect(QRectF logical);
    void ExcludeClipRect(QRectF logical);
    // Region in reference-device pixels; mode 1 and, 2 or, 3 xor, 4 diff, 5 copy.
    void CombineClip(const QRegion& deviceRegion, int mode);
    void ResetClip();
    QRegion DeviceRegionToImage(const std::vector<QRect>& rects) const;
    QColor ResolveColor(uint32_t colorRef) const;

    // ---- mapping ----
    QTransform Total() const;
    QPointF Map(QPointF logical) const;
    double LengthScale() const;

    // ---- paths (enhanced metafiles) ----
    void BeginPath();
    void EndPath() { inPath_ = false; }
    void AbortPath();
    void CloseFigure();
    bool InPath() const { return inPath_; }
    // Fill, stroke or both with the current path, which is then discarded.
    void PaintPath(bool fill, bool stroke);
    void ClipToPath(int mode);

    // ---- drawing, logical coordinates ----
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const std::vector<QPointF>& points, bool fromCurrent = false);
    void PolyBezier(const std::vector<QPointF>& points, bool fromCurrent = false);
    void Polygons(const std::vector<std::vector<QPointF>>& polygons);
    void Rectangle(QRectF r);
    void RoundRect(QRectF r, QSizeF corner);
    void Ellipse(QRectF r);
    // kind 0 arc, 1 chord, 2 pie.
    void ArcShape(QRectF box, QPointF start, QPointF end, int kind);
    void SetPixel(QPointF p, QColor c);
    void FillLogicalRect(QRectF r, const BrushSpec& brush);
    void FillImageRegion(const QRegion& region, const BrushSpec& brush);
    // Text at a logical reference point; `clip` and `opaque` rectangles are logical.
    void Text(QPointF reference, const QString& text, bool useCurrent, const std::optional<QRectF>& opaqueRect,
              const std::optional<QRectF>& clipRect);
    // A bitmap stretched to a logical rectangle; rop is the ternary raster operation.
    void Bitmap(const QImage& image, QRectF dest, QRectF source, uint32_t rop);
    // A raster operation without a source bitmap (patterns, black, white, invert).
    void PatternBlt(QRectF dest, uint32_t rop);

    // Charges drawing work; false (and the budget marked spent) when it runs out.
    bool Charge(double units);

private:
    QPainterPath ToImage(const QPainterPath& logical) const;
    void ApplyRop2();
    QPen MakePen() const;
    QBrush MakeBrush(const BrushSpec& b) const;
    // Paints a path already in image pixels with the current pen and brush.
    void DrawShape(const QPainterPath& image, bool fill, bool stroke);
    // Records the shape while a path is open, draws it otherwise.
    void AddOrDraw(const QPainterPath& logical, bool fill, bool stroke);
    bool ChargeArea(const QRectF& imageRect);
    bool ChargeStroke(const QPainterPath& imagePath);

    QImage& target_;
    QPainter painter_;
    QTransform deviceToImage_;
    double pxPerMmX_;
    double pxPerMmY_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::vector<std::optional<GdiObject>> objects_;
    QPainterPath path_; // image pixels
    bool inPath_ = false;
    double budget_;
    bool overBudget_ = false;
};

// True when fonts can be used: a GUI application object exists or, when no
// application object exists at all, an off-screen one has been made.
bool TextRenderingAvailable();

// The largest number of object slots and saved states a file may ask for.
inline constexpr size_t kMaxObjectSlots = 65536;
inline constexpr size_t kMaxSavedStates = 1024;

} // namespace vex::metafile
