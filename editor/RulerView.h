#pragma once
// The rulers beside the editor: pixel ticks at the editor's zoom and scroll
// position with a marker line that follows the pointer, and the hatched
// corner piece between them.

#include <QWidget>

namespace vex {

class CRulerView : public QWidget {
    Q_OBJECT
public:
    explicit CRulerView(QWidget* parent = nullptr);

    // 1 horizontal (top ruler), 0 vertical (left ruler).
    void SetOrientation(int orientation) { orientation_ = orientation; }
    int Orientation() const { return orientation_; }
    // Kind 1 vertical scroll, 2 horizontal scroll, 3 pointer moved.
    void UpdateRuler(int kind, int scrollX, int scrollY, bool repaint, int pointerX, int pointerY, int canvasWidth,
                     int canvasHeight, float zoom);
    // Where the marker line is, or -1 while none shows.
    int MarkerPosition() const { return marker_; }

    struct Tick {
        int position; // device pixels along the ruler
        int start;    // distance from the top or left edge where the line starts
        int label;    // the value written beside it, or -1
    };
    // Every tick of the three passes, in the order they are drawn.
    std::vector<Tick> Ticks() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int orientation_ = 1;
    int scrollX_ = 0;
    int scrollY_ = 0;
    int marker_ = -1;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    float zoom_ = 1.0f;
};

class CRulerCornerView : public QWidget {
    Q_OBJECT
public:
    explicit CRulerCornerView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace vex
