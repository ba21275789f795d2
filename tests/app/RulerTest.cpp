// The rulers: tick positions at zoom and scroll, hiding below zoom 1, and
// the marker line that follows the pointer.

#include "editor/IconView.h"
#include "editor/RulerSplitter.h"
#include "editor/RulerView.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;
using test::MakePicture;

class RulerTest : public AppTest {};

TEST_F(RulerTest, TicksOfA32PixelImageAtZoom8)
{
    CRulerView ruler;
    ruler.SetOrientation(1);
    ruler.UpdateRuler(0, 0, 0, false, 0, 0, 32, 32, 8.0f);
    std::vector<int> labels, labelled, medium, small;
    for (const CRulerView::Tick& t : ruler.Ticks()) {
        if (t.label >= 0) {
            labels.push_back(t.label);
            labelled.push_back(t.position);
            EXPECT_EQ(t.start, 10);
        } else if (t.start == 12) {
            medium.push_back(t.position);
        } else {
            small.push_back(t.position);
        }
    }
    EXPECT_EQ(labels, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(labelled, (std::vector<int>{80, 160, 240}));
    EXPECT_EQ(medium.size(), 6u);
    EXPECT_EQ(medium.front(), 40);
    EXPECT_EQ(medium[1], 80);
    ASSERT_EQ(small.size(), 32u);
    EXPECT_EQ(small[0], 8);
    EXPECT_EQ(small[31], 256);
    // Scrolled by 30: every tick moves left by 30.
    ruler.UpdateRuler(2, 30, 0, false, 0, 0, 32, 32, 8.0f);
    EXPECT_EQ(ruler.Ticks().front().position, 50);
}

TEST_F(RulerTest, VerticalRulerUsesHeightAndVerticalScroll)
{
    CRulerView ruler;
    ruler.SetOrientation(0);
    ruler.UpdateRuler(1, 99, 4, false, 0, 0, 5, 20, 2.0f);
    const auto ticks = ruler.Ticks();
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().label, 10);
    EXPECT_EQ(ticks.front().position, 20 - 4);
    EXPECT_EQ(ticks.back().position, 40 - 4);
}

TEST_F(RulerTest, AtZoomOneAndAHalfThePixelStepIsOne)
{
    CRulerView ruler;
    ruler.UpdateRuler(0, 0, 0, false, 0, 0, 4, 4, 1.5f);
    std::vector<int> small;
    for (const auto& t : ruler.Ticks())
        if (t.start == 15) small.push_back(t.position);
    EXPECT_EQ(small, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(RulerTest, MarkerFollowsThePointerWithinTheCanvas)
{
    CRulerView ruler;
    ruler.SetOrientation(1);
    ruler.UpdateRuler(3, 0, 0, false, 100, 7, 32, 32, 8.0f);
    EXPECT_EQ(ruler.MarkerPosition(), 100);
    // Beyond 32 x 8 = 256 the previous marker stays.
    ruler.UpdateRuler(3, 0, 0, false, 300, 7, 32, 32, 8.0f);
    EXPECT_EQ(ruler.MarkerPosition(), 100);
    ruler.UpdateRuler(3, 0, 0, false, 256, 7, 32, 32, 8.0f);
    EXPECT_EQ(ruler.MarkerPosition(), 256);
    // A repaint forgets it.
    ruler.UpdateRuler(0, 0, 0, true, 0, 0, 32, 32, 8.0f);
    EXPECT_EQ(ruler.MarkerPosition(), -1);
}

TEST_F(RulerTest, MarkerIsPaintedByThePaintHandler)
{
    // Grab renders through the paint handler: the marker column is the
    // inverse of what the ruler shows beside it.
    CRulerView ruler;
    ruler.SetOrientation(1);
    ruler.resize(300, 16);
    ruler.UpdateRuler(3, 0, 0, false, 21, 3, 32, 32, 8.0f);
    const QImage img = ruler.grab().toImage();
    const QRgb marker = img.pixel(21, 2), beside = img.pixel(23, 2);
    EXPECT_EQ(beside & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(marker & 0xFFFFFF, 0x000000u);
}

TEST_F(RulerTest, RulersHideBelowZoomOneAndReturn)
{
    CRulerSplitter rulers;
    CIconView* e = rulers.Editor();
    EXPECT_FALSE(rulers.RulersShown());
    const Raster pic = MakePicture(32, 32, 1);
    ASSERT_TRUE(e->SetImage(QString(), &pic, 0));
    EXPECT_TRUE(rulers.RulersShown());
    EXPECT_TRUE(rulers.RulersWanted());
    e->ZoomOut();
    EXPECT_FLOAT_EQ(e->GetZoom(), 0.75f);
    EXPECT_FALSE(rulers.RulersShown());
    EXPECT_TRUE(rulers.RulersWanted());
    e->ZoomIn();
    EXPECT_TRUE(rulers.RulersShown());
    // An image without frames hides them for good.
    e->SetImage(QString());
    EXPECT_FALSE(rulers.RulersShown());
    EXPECT_FALSE(rulers.RulersWanted());
}

} // namespace
} // namespace vex
