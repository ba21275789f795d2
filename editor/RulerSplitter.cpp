#include "editor/RulerSplitter.h"

#include <cmath>

#include "editor/IconView.h"
#include "editor/RulerView.h"

namespace vex {
namespace {

constexpr int kRulerSide = 16;

} // namespace

CRulerSplitter::CRulerSplitter(QWidget* parent) : QWidget(parent)
{
    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(0, 0, 0, 0);
    corner_ = new CRulerCornerView(this);
    top_ = new CRulerView(this);
    left_ = new CRulerView(this);
    editor_ = new CIconView(this);
    top_->SetOrientation(1);
    left_->SetOrientation(0);
    grid_->addWidget(corner_, 0, 0);
    grid_->addWidget(top_, 0, 1);
    grid_->addWidget(left_, 1, 0);
    grid_->addWidget(editor_, 1, 1);
    grid_->setRowStretch(1, 1);
    grid_->setColumnStretch(1, 1);
    editor_->SetRulers(this);
    ShowRulers(false, true);
}

void CRulerSplitter::ShowRulers(bool show, bool remember)
{
    if (remember) wanted_ = show;
    shown_ = show;
    const int side = show ? kRulerSide : 0;
    corner_->setFixedSize(side, side);
    top_->setFixedHeight(side);
    left_->setFixedWidth(side);
    corner_->setVisible(show);
    top_->setVisible(show);
    left_->setVisible(show);
    grid_->setSpacing(show ? 3 : 1);
}

void CRulerSplitter::UpdateRulers(int kind, int scrollX, int scrollY, bool repaint, int pointerX, int pointerY,
                                  int canvasWidth, int canvasHeight, float zoom)
{
    top_->UpdateRuler(kind, scrollX, scrollY, repaint, pointerX, pointerY, canvasWidth, canvasHeight, zoom);
    left_->UpdateRuler(kind, scrollX, scrollY, repaint, pointerX, pointerY, canvasWidth, canvasHeight, zoom);
    // Below zoom 1 the ticks would crowd together: the rulers step aside.
    const bool shrunk = std::trunc(double(canvasWidth) * zoom) < canvasWidth ||
                        std::trunc(double(zoom) * canvasHeight) < canvasHeight;
    if (shrunk) {
        if (shown_) ShowRulers(false, false);
    } else if (wanted_ && !shown_) {
        ShowRulers(true, false);
    }
}

void CRulerSplitter::ActivateEditor() { editor_->setFocus(Qt::OtherFocusReason); }

} // namespace vex
