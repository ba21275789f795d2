#pragma once
// The 2 x 2 pane set of the editor: the corner piece and the horizontal
// ruler above, the vertical ruler and the editor below. It shows and hides
// the rulers and hands the editor's updates to both.

#include <QGridLayout>
#include <QWidget>

namespace vex {

class CIconView;
class CRulerView;
class CRulerCornerView;

class CRulerSplitter : public QWidget {
    Q_OBJECT
public:
    explicit CRulerSplitter(QWidget* parent = nullptr);

    CIconView* Editor() const { return editor_; }
    CRulerView* HorizontalRuler() const { return top_; }
    CRulerView* VerticalRuler() const { return left_; }
    CRulerCornerView* Corner() const { return corner_; }

    // Rulers 16 pixels wide with 3-pixel gaps, or hidden with 1-pixel gaps.
    void ShowRulers(bool show, bool remember);
    bool RulersShown() const { return shown_; }
    bool RulersWanted() const { return wanted_; }
    void UpdateRulers(int kind, int scrollX, int scrollY, bool repaint, int pointerX, int pointerY, int canvasWidth,
                      int canvasHeight, float zoom);
    // Makes the editor the active pane.
    void ActivateEditor();

private:
    QGridLayout* grid_;
    CRulerCornerView* corner_;
    CRulerView* top_;
    CRulerView* left_;
    CIconView* editor_;
    bool wanted_ = false;
    bool shown_ = true;
};

} // namespace vex
