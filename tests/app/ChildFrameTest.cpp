// The child frame: splitter sizes and their storage, the command routing
// with its enable and check rules, and the tool toggle rule.

#include <QClipboard>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QSplitter>

#include "editor/ChildFrame.h"
#include "editor/EditorCommands.h"
#include "editor/IconView.h"
#include "editor/RulerSplitter.h"
#include "editor/RulerView.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;

class ChildFrameTest : public AppTest {};

TEST_F(ChildFrameTest, DefaultSplitterSizesFor1000By700)
{
    const SplitterSizes s = DefaultSplitterSizes(1000, 700);
    EXPECT_EQ(s.basic0, 200);
    EXPECT_EQ(s.basic1, 800);
    EXPECT_EQ(s.basicLR0, 480);
    EXPECT_EQ(s.basicLR1, 320);
    EXPECT_EQ(s.basicTB0, 350);
    EXPECT_EQ(s.basicTB1, 700);
    // Integer divisions all the way.
    const SplitterSizes odd = DefaultSplitterSizes(1003, 701);
    EXPECT_EQ(odd.basic0, 200);
    EXPECT_EQ(odd.basicLR0, 3 * (800 / 5));
    EXPECT_EQ(odd.basicTB1, 700);
}

TEST_F(ChildFrameTest, RestoredWindowUsesTheDefaultsFittedToItsSize)
{
    CChildFrame frame;
    frame.resize(1000, 700);
    frame.show();
    frame.RestoreSplitterSizes();
    QApplication::processEvents();
    const SplitterSizes s = frame.CurrentSplitterSizes();
    const int handle = frame.OuterSplitter()->handleWidth();
    // The splitters fit the requested sizes into the space they have,
    // keeping the proportions.
    EXPECT_NEAR(s.basic0, 200, handle + 1);
    EXPECT_NEAR(s.basic1, 800, handle + 1);
    EXPECT_NEAR(double(s.basicLR0) / (s.basicLR0 + s.basicLR1), 0.6, 0.02);
    EXPECT_NEAR(double(s.basicTB0) / (s.basicTB0 + s.basicTB1), 1.0 / 3.0, 0.02);
}

TEST_F(ChildFrameTest, SplitterSizesSurviveARestart)
{
    SplitterSizes saved;
    {
        CChildFrame frame;
        frame.resize(1000, 700);
        frame.show();
        frame.RestoreSplitterSizes();
        QApplication::processEvents();
        frame.OuterSplitter()->setSizes({300, 694});
        frame.LowerSplitter()->setSizes({400, 285});
        frame.RightSplitter()->setSizes({250, 444});
        QApplication::processEvents();
        saved = frame.CurrentSplitterSizes();
        frame.SaveSplitterSizes();
    }
    uint32_t stored = 0;
    ASSERT_TRUE(GetSettingInt(kSectionSplitters, "basic.0.cx", stored));
    EXPECT_EQ(int(stored), saved.basic0);
    ASSERT_TRUE(GetSettingInt(kSectionSplitters, "basicTB.1.cy", stored));
    EXPECT_EQ(int(stored), saved.basicTB1);

    CChildFrame again;
    again.resize(1000, 700);
    again.show();
    again.RestoreSplitterSizes();
    QApplication::processEvents();
    EXPECT_EQ(again.CurrentSplitterSizes(), saved);
}

TEST_F(ChildFrameTest, PanesKeepTheLargerMinimumSize)
{
    CChildFrame frame;
    frame.resize(1000, 700);
    frame.show();
    QApplication::processEvents();
    // 60 would be allowed by a 50-pixel minimum; panes stay at 100 or more.
    frame.OuterSplitter()->setSizes({60, 934});
    frame.LowerSplitter()->setSizes({700, 60});
    frame.RightSplitter()->setSizes({60, 640});
    QApplication::processEvents();
    const SplitterSizes s = frame.CurrentSplitterSizes();
    EXPECT_GE(s.basic0, kMinPaneSize);
    EXPECT_GE(s.basicLR1, kMinPaneSize);
    EXPECT_GE(s.basicTB0, kMinPaneSize);
    // The rulers are not splitter panes: 16 pixels when shown.
    ASSERT_TRUE(frame.OpenImage(WriteIcon("one.ico", 1), 0));
    QApplication::processEvents();
    EXPECT_EQ(frame.GetRulerSplitter()->HorizontalRuler()->height(), 16);
}

struct Expect {
    int id;
    bool enabled;
};

void CheckStates(CChildFrame& frame, const std::vector<Expect>& cases, const char* what)
{
    for (const Expect& c : cases) {
        CommandState state;
        ASSERT_TRUE(frame.OnUpdateCommand(c.id, state)) << what << ": id " << c.id << " not routed";
        EXPECT_EQ(state.enabled, c.enabled) << what << ": id " << c.id << " have " << state.enabled;
    }
}

void CheckRules(CChildFrame& frame, const std::vector<Expect>& cases, const char* what)
{
    for (const Expect& c : cases)
        EXPECT_EQ(frame.CommandRuleEnabled(c.id), c.enabled) << what << ": rule of id " << c.id;
}

TEST_F(ChildFrameTest, CommandStatesOfAnEmptyEditor)
{
    CChildFrame frame;
    std::vector<Expect> off;
    for (int id : {cmd::ZoomIn, cmd::ZoomOut, cmd::ZoomOne, cmd::Play, cmd::Pause, cmd::Stop, cmd::NextFrame,
                   cmd::PreviousFrame, cmd::SetFrameRate, cmd::ToolMoveCmd, cmd::ToolPencilCmd, cmd::ShowGrid,
                   cmd::Undo, cmd::Redo, cmd::RemoveFrame, cmd::Save, cmd::SaveAs, cmd::Print, cmd::DeleteFile,
                   cmd::Cut, cmd::Crop, cmd::ClearSelection})
        off.push_back({id, false});
    for (int id : cmd::kImageCommands) off.push_back({id, false});
    CheckStates(frame, off, "empty");
    CheckRules(frame, off, "empty");
    // Commands of other windows are not the child frame's; a new window
    // stays with the main frame.
    CommandState state;
    for (int id : {57665, cmd::NewWindow}) {
        EXPECT_FALSE(frame.OnUpdateCommand(id, state)) << id;
        EXPECT_FALSE(frame.OnCommand(id)) << id;
    }
    // Refreshing the folder is the child frame's, always enabled.
    ASSERT_TRUE(frame.OnUpdateCommand(cmd::RefreshFolder, state));
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(frame.OnCommand(cmd::RefreshFolder));
}

TEST_F(ChildFrameTest, CommandStatesFollowTheImage)
{
    // Each window starts at zoom 1: no zoom is kept between them.
    SetDisplayStyle(31 & ~kStyleSaveView);
    struct Fixture {
        const char* what;
        bool gif;
        int frames;
        bool animated;
    };
    const Fixture fixtures[] = {{"one-frame icon", false, 1, false},
                                {"two-frame icon", false, 2, false},
                                {"two-frame gif", true, 2, true}};
    for (const Fixture& f : fixtures) {
        CChildFrame frame;
        const QString path = f.gif ? WriteGif("two.gif", {5, 5}) : WriteIcon(f.frames == 1 ? "one.ico" : "two.ico", f.frames);
        ASSERT_TRUE(frame.OpenImage(path, 0)) << f.what;
        ASSERT_EQ(frame.GetEditor()->FrameCount(), uint32_t(f.frames));
        std::vector<Expect> states = {
            {cmd::ZoomIn, true},        {cmd::ZoomOut, true},        {cmd::ZoomOne, false},
            {cmd::Play, f.animated},    {cmd::Pause, f.animated},    {cmd::Stop, f.animated},
            {cmd::NextFrame, f.animated}, {cmd::PreviousFrame, f.animated},
            {cmd::ToolMoveCmd, true},   {cmd::ToolEraserCmd, true},  {cmd::ShowGrid, true},
            {cmd::Undo, false},         {cmd::Redo, false},
        };
        CheckStates(frame, states, f.what);
        // The rules of commands whose actions come later.
        CheckRules(frame,
                   {{cmd::RemoveFrame, f.frames >= 2}, {cmd::SetFrameRate, f.animated}, {cmd::Save, false},
                    {cmd::SaveAs, true}, {cmd::Cut, false}, {cmd::ShowArrow, false}, {cmd::DeleteFile, true},
                    {32781, true}, {1103, true}},
                   f.what);
        // ... which stay disabled until they are built.
        CheckStates(frame, {{cmd::RemoveFrame, false}, {cmd::SaveAs, false}, {32781, false}}, f.what);
        frame.OnCommand(cmd::ZoomIn);
        CheckStates(frame, {{cmd::ZoomOne, true}}, f.what);
    }
}

TEST_F(ChildFrameTest, ToolCommandsToggle)
{
    CChildFrame frame;
    ASSERT_TRUE(frame.OpenImage(WriteIcon("one.ico", 1), 0));
    CIconView* e = frame.GetEditor();
    auto checked = [&](int id) {
        CommandState s;
        frame.OnUpdateCommand(id, s);
        return s.checked;
    };
    EXPECT_TRUE(checked(cmd::ToolMoveCmd));
    frame.OnCommand(cmd::ToolPencilCmd);
    EXPECT_EQ(e->GetDrawStyle() & kToolBits, uint32_t{ToolPencil});
    EXPECT_TRUE(checked(cmd::ToolPencilCmd));
    EXPECT_FALSE(checked(cmd::ToolMoveCmd));
    // The pencil twice returns to the move tool.
    frame.OnCommand(cmd::ToolPencilCmd);
    EXPECT_EQ(e->GetDrawStyle() & kToolBits, uint32_t{ToolMove});
    // The move tool while active selects the pencil.
    frame.OnCommand(cmd::ToolMoveCmd);
    EXPECT_EQ(e->GetDrawStyle() & kToolBits, uint32_t{ToolPencil});
    // The grid flips alone and survives tool changes.
    frame.OnCommand(cmd::ShowGrid);
    EXPECT_TRUE(checked(cmd::ShowGrid));
    frame.OnCommand(cmd::ToolSelectCmd);
    EXPECT_EQ(e->GetDrawStyle(), uint32_t{ToolSelect | StyleGrid});
    frame.OnCommand(cmd::ShowGrid);
    EXPECT_FALSE(checked(cmd::ShowGrid));
}

TEST_F(ChildFrameTest, PlaybackCommandsDriveTheEditor)
{
    CChildFrame frame;
    ASSERT_TRUE(frame.OpenImage(WriteGif("two.gif", {2, 3}), 0));
    CIconView* e = frame.GetEditor();
    EXPECT_TRUE(e->IsPlaying());
    frame.OnCommand(cmd::Pause);
    EXPECT_FALSE(e->IsPlaying());
    frame.OnCommand(cmd::NextFrame);
    EXPECT_EQ(e->GetCurrentFrame(), 1);
    frame.OnCommand(cmd::Play);
    EXPECT_EQ(e->TimerInterval(), 48);
    frame.OnCommand(cmd::Stop);
    EXPECT_EQ(e->GetCurrentFrame(), 0);
    EXPECT_FALSE(e->IsPlaying());
}

TEST_F(ChildFrameTest, TitleFollowsTheEditor)
{
    CChildFrame frame;
    const QString path = WriteIcon("one.ico", 1);
    ASSERT_TRUE(frame.OpenImage(path, 0));
    EXPECT_EQ(frame.CurrentFileName(), QStringLiteral("one.ico"));
    EXPECT_EQ(frame.windowTitle(), frame.GetEditor()->GetTitle());
    frame.GetEditor()->SetModified(true);
    EXPECT_TRUE(frame.windowTitle().endsWith(QStringLiteral(" *")));
    EXPECT_EQ(frame.GetDocument().GetTitle(), frame.windowTitle());
}

TEST_F(ChildFrameTest, ClosingAsksFirst)
{
    CChildFrame frame;
    ASSERT_TRUE(frame.OpenImage(WriteGif("two.gif", {2, 3}), 0));
    frame.show();
    frame.GetEditor()->SetModified(true);
    frame.GetEditor()->SetSavePrompt([](const QString&, const QString&) { return CIconView::SaveAnswer::Cancel; });
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.GetEditor()->IsPlaying());
    frame.GetEditor()->SetSavePrompt([](const QString&, const QString&) { return CIconView::SaveAnswer::No; });
    EXPECT_TRUE(frame.close());
    EXPECT_FALSE(frame.GetEditor()->IsPlaying());
}

TEST_F(ChildFrameTest, ActivationTakesTheHistoryLimit)
{
    CChildFrame frame;
    SetMaxUndo(4);
    frame.OnActivate();
    EXPECT_EQ(frame.GetEditor()->History().GetMaximum(), 4u);
}

} // namespace
} // namespace vex

namespace vex {
namespace {

TEST_F(ChildFrameTest, UndoArrowOpensAndClosesTheHistoryList)
{
    CChildFrame frame;
    ASSERT_TRUE(frame.OpenImage(WriteIcon("one.ico", 1), 0));
    CIconView* e = frame.GetEditor();
    e->PushUndo("First");
    e->GetImage().Negative(0);
    e->PushUndo("Second");
    e->GetImage().Negative(0);
    ASSERT_TRUE(frame.OnDropDown(cmd::Undo, QPoint(10, 10)));
    QListWidget* list = frame.HistoryPopup();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Second"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("First"));
    EXPECT_EQ(list->size(), QSize(125, 75));
    // A second click on the arrow closes it.
    ASSERT_TRUE(frame.OnDropDown(cmd::Undo, QPoint(10, 10)));
    QApplication::processEvents();
    EXPECT_EQ(frame.HistoryPopup(), nullptr);
    // Entry 1 undoes two steps.
    frame.OnDropDown(cmd::Undo, QPoint(10, 10));
    frame.ChooseHistoryEntry(1);
    QApplication::processEvents();
    EXPECT_EQ(frame.HistoryPopup(), nullptr);
    EXPECT_FALSE(e->CanUndo());
    EXPECT_EQ(e->History().GetRedoLabels().size(), 2u);
    EXPECT_FALSE(frame.OnDropDown(cmd::ZoomIn, QPoint()));
}

} // namespace
} // namespace vex

namespace vex {
namespace {

TEST_F(ChildFrameTest, PasteRuleFollowsTheClipboard)
{
    CChildFrame frame;
    QGuiApplication::clipboard()->setText(QStringLiteral("words"));
    EXPECT_FALSE(frame.CommandRuleEnabled(cmd::Paste));
    QImage img(2, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(img);
    EXPECT_TRUE(frame.CommandRuleEnabled(cmd::Paste));
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.ico"))});
    QGuiApplication::clipboard()->setMimeData(files);
    EXPECT_TRUE(frame.CommandRuleEnabled(cmd::Paste));
    QGuiApplication::clipboard()->clear();
}

} // namespace
} // namespace vex

namespace vex {
namespace {

TEST(VexmiraDoc, NewDocumentHasTheDefaultTitleAndNoPath)
{
    CVexmiraDoc doc;
    doc.SetTitle(QStringLiteral("old"));
    doc.OnNewDocument(3);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Vexmi3"));
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_STREQ(kDocumentTemplate, "\nVexmi\nVexmi\n\n\nVexmira.Document\nVexmi Document");
}

} // namespace
} // namespace vex
