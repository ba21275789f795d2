// The editor canvas: loading, zoom steps and their storage, playback
// intervals, titles and the tool rules.

#include <cmath>

#include "editor/IconView.h"
#include "image/Limits.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;
using test::MakePicture;

class IconViewTest : public AppTest {};

TEST_F(IconViewTest, ZoomWalksTheDocumentedSteps)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    // From 1: in gives 2, out gives 0.75 (the asymmetry at 1).
    view.ZoomIn();
    EXPECT_FLOAT_EQ(view.GetZoom(), 2.0f);
    view.ZoomReset();
    view.ZoomOut();
    EXPECT_FLOAT_EQ(view.GetZoom(), 0.75f);
    // Down to 0.25, where zooming out stops.
    const float down[] = {0.5f, 0.25f, 0.25f};
    for (float want : down) {
        view.ZoomOut();
        EXPECT_FLOAT_EQ(view.GetZoom(), want);
    }
    EXPECT_FALSE(CanZoomOut(view.GetZoom()));
    // Up through the quarter steps and then whole steps to 10.
    const float up[] = {0.5f, 0.75f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 10.0f};
    for (float want : up) {
        view.ZoomIn();
        EXPECT_FLOAT_EQ(view.GetZoom(), want) << "have " << view.GetZoom() << " want " << want;
    }
    EXPECT_FALSE(CanZoomIn(view.GetZoom()));
    view.ZoomReset();
    EXPECT_FLOAT_EQ(view.GetZoom(), 1.0f);
}

TEST_F(IconViewTest, ZoomStepFunctionsMatchTheTable)
{
    struct Case {
        float from, in, out;
    };
    const Case cases[] = {{1.0f, 2.0f, 0.75f}, {0.25f, 0.5f, 0.25f}, {10.0f, 10.0f, 9.0f}, {9.5f, 10.5f, 8.5f},
                          {0.75f, 1.0f, 0.5f}};
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(ZoomInStep(c.from), c.in) << "from " << c.from;
        EXPECT_FLOAT_EQ(ZoomOutStep(c.from), c.out) << "from " << c.from;
    }
}

TEST_F(IconViewTest, StoredZoomIsWrittenAndReadOnlyWithTheSaveViewBit)
{
    SetDisplayStyle(kStyleSaveView);
    const QString icon = WriteIcon("one.ico", 1);
    {
        CIconView view;
        ASSERT_TRUE(view.SetImage(icon));
        for (int i = 0; i < 3; ++i) view.ZoomOut();
        EXPECT_FLOAT_EQ(view.GetZoom(), 0.25f);
        uint32_t stored = 0;
        ASSERT_TRUE(GetSettingInt(kSectionDisplay, "Zoom", stored));
        EXPECT_EQ(stored, 25u);
        for (int i = 0; i < 20; ++i) view.ZoomIn();
        ASSERT_TRUE(GetSettingInt(kSectionDisplay, "Zoom", stored));
        EXPECT_EQ(stored, 1000u);
    }
    // 950 gives 9.5, which zooms in to 10.5 and then stops.
    SetSettingInt(kSectionDisplay, "Zoom", 950);
    CIconView view;
    ASSERT_TRUE(view.SetImage(icon));
    EXPECT_FLOAT_EQ(view.GetZoom(), 9.5f);
    view.ZoomIn();
    EXPECT_FLOAT_EQ(view.GetZoom(), 10.5f);
    EXPECT_FALSE(CanZoomIn(view.GetZoom()));
    // Values outside 25..1000 are ignored.
    for (uint32_t bad : {24u, 1001u}) {
        SetSettingInt(kSectionDisplay, "Zoom", bad);
        CIconView other;
        ASSERT_TRUE(other.SetImage(icon));
        EXPECT_FLOAT_EQ(other.GetZoom(), 1.0f) << "stored " << bad;
    }
    // Without the bit nothing is read or written.
    SetDisplayStyle(31 & ~kStyleSaveView);
    SetSettingInt(kSectionDisplay, "Zoom", 300);
    CIconView plain;
    ASSERT_TRUE(plain.SetImage(icon));
    EXPECT_FLOAT_EQ(plain.GetZoom(), 1.0f);
    plain.ZoomIn();
    uint32_t stored = 0;
    GetSettingInt(kSectionDisplay, "Zoom", stored);
    EXPECT_EQ(stored, 300u);
}

TEST_F(IconViewTest, ZoomDoesNothingWithoutFrames)
{
    CIconView view;
    view.ZoomIn();
    view.ZoomOut();
    EXPECT_FLOAT_EQ(view.GetZoom(), 1.0f);
}

TEST_F(IconViewTest, PlaybackIntervalsFollowFrameDelays)
{
    EXPECT_EQ(PlaybackInterval(0), 320);
    EXPECT_EQ(PlaybackInterval(10), 160);
    EXPECT_EQ(PlaybackInterval(1), 16);

    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteGif("two.gif", {10, 0})));
    ASSERT_EQ(view.FrameCount(), 2u);
    EXPECT_TRUE(view.IsAnimated());
    EXPECT_TRUE(view.IsPlaying());
    EXPECT_EQ(view.TimerInterval(), 160);
    view.OnAnimationTick();
    EXPECT_EQ(view.GetCurrentFrame(), 1);
    EXPECT_EQ(view.TimerInterval(), 320);
    view.OnAnimationTick();
    EXPECT_EQ(view.GetCurrentFrame(), 0);
    EXPECT_EQ(view.TimerInterval(), 160);
    view.PauseAnimation();
    EXPECT_FALSE(view.IsPlaying());
    view.StepFrame(-1);
    EXPECT_EQ(view.GetCurrentFrame(), 1);
    view.StepFrame(1);
    EXPECT_EQ(view.GetCurrentFrame(), 0);
    view.PlayAnimation();
    view.OnAnimationTick();
    view.StopAnimation();
    EXPECT_FALSE(view.IsPlaying());
    EXPECT_EQ(view.GetCurrentFrame(), 0);
}

TEST_F(IconViewTest, MultiFrameIconDoesNotPlay)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("two.ico", 2)));
    EXPECT_EQ(view.FrameCount(), 2u);
    EXPECT_FALSE(view.IsAnimated());
    EXPECT_FALSE(view.IsPlaying());
    // The animated flag makes any image play.
    view.GetImage().SetAnimated(1);
    view.PlayAnimation();
    EXPECT_TRUE(view.IsPlaying());
    view.GetImage().SetAnimated(0);
    view.OnAnimationTick();
    EXPECT_FALSE(view.IsPlaying());
}

TEST_F(IconViewTest, TitleShowsTheNormalisedPathAndTheModifiedMark)
{
    EXPECT_EQ(NormalisePathForTitle(QStringLiteral("c:\\my pictures\\\\old icon.ico")),
              QStringLiteral("C:\\My Pictures\\Old Icon.ico"));
    EXPECT_EQ(NormalisePathForTitle(QStringLiteral("\\\\server\\x")), QStringLiteral("\\Server\\X"));

    CIconView view;
    const QString caption = view.GetTitle();
    EXPECT_FALSE(caption.isEmpty());
    EXPECT_FALSE(caption.endsWith(QStringLiteral(" *")));
    view.SetModified(true);
    EXPECT_EQ(view.GetTitle(), caption + QStringLiteral(" *"));

    view.SetPathName(QStringLiteral("c:\\my pictures\\\\old icon.ico"), true);
    EXPECT_EQ(view.GetTitle(), QStringLiteral("C:\\My Pictures\\Old Icon.ico *"));
    // The path kept for opening and saving is the one given.
    EXPECT_EQ(*view.GetPathName(), QStringLiteral("c:\\my pictures\\\\old icon.ico"));
    view.SetModified(false);
    EXPECT_EQ(view.GetTitle(), QStringLiteral("C:\\My Pictures\\Old Icon.ico"));
}

TEST_F(IconViewTest, LoadingResetsTheEditorState)
{
    CIconView view;
    const QString icon = WriteIcon("two.ico", 2);
    ASSERT_TRUE(view.SetImage(icon, nullptr, 1));
    EXPECT_EQ(view.GetCurrentFrame(), 1);
    EXPECT_EQ(view.GetFileType(), uint32_t{TypeIco});
    EXPECT_FALSE(view.IsModified());
    view.PushUndo("Edit");
    EXPECT_TRUE(view.CanUndo());
    EXPECT_EQ(view.GetSavedImage().GetFrameCount(), 2);
    // An extra frame is appended and brings its own type.
    Raster extra = MakePicture(8, 8, 9);
    extra.SetType(TypeBmp);
    ASSERT_TRUE(view.SetImage(icon, &extra, 0));
    EXPECT_EQ(view.FrameCount(), 3u);
    EXPECT_EQ(view.GetFileType(), uint32_t{TypeBmp});
    EXPECT_FALSE(view.CanUndo());
    // A file that cannot be read leaves an empty editor.
    EXPECT_FALSE(view.SetImage(Path("missing.png")));
    EXPECT_FALSE(view.HasFrames());
    EXPECT_EQ(view.GetFileType(), uint32_t{TypePng});
}

TEST_F(IconViewTest, LoadingStopsAtTheMemoryLimitForAllFrames)
{
    // Each 16 x 16 frame fits the cap; the whole file does not.
    const QString gif = WriteGif("many.gif", {1, 1, 1, 1});
    const uint64_t before = RasterMemoryLimit();
    CIconView probe;
    ASSERT_TRUE(probe.SetImage(gif));
    ASSERT_EQ(probe.FrameCount(), 4u);
    const uint64_t one = probe.GetImage().GetFrame(0)->GetSize();
    SetRasterMemoryLimit(one * 2 + one / 2);
    CIconView view;
    const bool loaded = view.SetImage(gif);
    SetRasterMemoryLimit(before);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(view.FrameCount(), 2u);
}

TEST_F(IconViewTest, StoredDrawStyleWithoutOneToolBecomesMove)
{
    struct Case {
        uint32_t stored, want;
    };
    const Case cases[] = {
        {ToolPencil, ToolPencil},
        {ToolPencil | StyleGrid, ToolPencil | StyleGrid},
        {0, ToolMove},
        {StyleGrid, ToolMove | StyleGrid},
        {ToolPencil | ToolLine | StyleGrid, ToolMove | StyleGrid},
        {ToolLine | ToolFill, ToolMove},
    };
    for (const Case& c : cases) {
        SetSettingInt(kSectionDisplay, "DrawStyle", c.stored);
        CIconView view;
        EXPECT_EQ(view.GetDrawStyle(), c.want) << "stored " << c.stored;
        uint32_t back = 0;
        GetSettingInt(kSectionDisplay, "DrawStyle", back);
        EXPECT_EQ(back, c.want);
    }
}

TEST_F(IconViewTest, SelectToolKeepsTheGridAndDropsTheSelection)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    view.ToggleGrid();
    view.SelectTool(ToolLine);
    EXPECT_EQ(view.GetDrawStyle(), uint32_t{ToolLine | StyleGrid});
    view.GetImage().SetSelectionRect(1, 2, 5, 6, true);
    view.SelectTool(ToolFill);
    EXPECT_EQ(view.GetDrawStyle(), uint32_t{ToolFill | StyleGrid});
    EXPECT_FALSE(view.GetImage().HasSelectionRect());
    view.ToggleGrid();
    EXPECT_EQ(view.GetDrawStyle(), uint32_t{ToolFill});
}

TEST_F(IconViewTest, SelectionWidensTheCanvasInXYOrder)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    // left 2, top 3, right 40 (x), bottom 20 (y): a wide, short selection.
    view.GetImage().SetSelectionRect(2, 3, 40, 20, false);
    int32_t w = 0, h = 0;
    view.GetCanvasSize(w, h);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 20);
}

TEST_F(IconViewTest, RenderFrameCopiesAPlainFrame)
{
    CIconView view;
    EXPECT_EQ(view.RenderFrame(0), nullptr);
    ASSERT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    auto flat = view.RenderFrame(0);
    ASSERT_NE(flat, nullptr);
    const CFrameImage& src = *view.GetImage().GetFrame(0);
    ASSERT_EQ(flat->GetWidth(), src.GetWidth());
    for (uint32_t y = 0; y < src.GetHeight(); ++y)
        for (uint32_t x = 0; x < src.GetWidth(); ++x) EXPECT_EQ(flat->GetPixelColor(x, y), src.GetPixelColor(x, y));
    EXPECT_EQ(view.RenderFrame(1), nullptr);
}

TEST_F(IconViewTest, UndoAndRedoFollowTheSavePoint)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    EXPECT_FALSE(view.CanUndo());
    EXPECT_FALSE(view.CanRedo());
    view.PushUndo("Negative");
    view.GetImage().Negative(0);
    view.SetModified(true);
    EXPECT_TRUE(view.CanUndo());
    view.Undo();
    EXPECT_FALSE(view.IsModified());
    EXPECT_TRUE(view.CanRedo());
    view.Redo();
    EXPECT_TRUE(view.IsModified());
    EXPECT_FALSE(view.CanRedo());
}

} // namespace
} // namespace vex
