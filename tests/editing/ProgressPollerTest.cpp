// Workers on several frames at once, the poller's average and dropping rules,
// escape and joining. Workers that must stay in a known state are held at a
// gate the test opens, so no assertion depends on timing.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "editing/EditableImage.h"
#include "editing/FrameWorker.h"
#include "editing/ProgressEvent.h"
#include "editing/ProgressPoller.h"
#include "editing/WorkerFixtures.h"

namespace vex {
namespace {

using test::Drain;
using test::Pattern;
using test::SameImage;
using test::WaitEnded;
using test::WaitFor;

// A worker op that reports `progress`, mirrors its copy, tells the test it got
// there and waits until the gate opens or escape is set.
struct Gate {
    std::atomic<bool> reached{false};
    std::atomic<bool> open{false};
};

CFrameWorker::Operation HeldAt(Gate& gate, int progress)
{
    return [&gate, progress](CFrameImage& f) {
        f.SetProgress(progress);
        f.Mirror();
        gate.reached.store(true);
        while (!gate.open.load() && !f.GetEscape()) std::this_thread::yield();
        return !f.GetEscape();
    };
}

std::shared_ptr<CFrameWorker> StartOn(CEditableImage& ed, int32_t index, CFrameWorker::Operation op)
{
    CFrameImage copy;
    copy.Place(*ed.GetFrame(index), 0, 0);
    copy.SetPlacement(ed.GetFrame(index)->GetPlacement());
    return CFrameWorker::Start(std::move(copy), std::move(op));
}

CEditableImage FourFrames(std::vector<Raster>& sources)
{
    CEditableImage ed;
    const uint32_t sizes[4][2] = {{9, 4}, {5, 5}, {16, 3}, {1, 7}};
    for (int i = 0; i < 4; ++i) {
        sources.push_back(Pattern(sizes[i][0], sizes[i][1], uint8_t(i * 40)));
        sources.back().SetFrameRect(RasterRect{i * 3, i * 5, 0, 0});
        ed.Append(sources.back());
    }
    return ed;
}

TEST(ProgressPoller, RotatingFourFramesRotatesEachOnItsOwnWorker)
{
    std::vector<Raster> sources;
    CEditableImage ed = FourFrames(sources);
    ed.GetFrame(2)->AddLayer(Pattern(2, 2));
    CProgressPoller poller(ed);
    for (int32_t i = 0; i < 4; ++i) ASSERT_TRUE(ed.RunWorkerOperation(i, kWorkerRotate, {{90000}}, poller));
    EXPECT_EQ(poller.GetCount(), 4);
    Drain(poller);
    for (int32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Raster want(sources[size_t(i)]);
        ASSERT_TRUE(want.Rotate(90.0f));
        const CFrameImage& f = *ed.GetFrame(i);
        EXPECT_TRUE(SameImage(f, want));
        EXPECT_EQ(f.GetPlacement(),
                  (RasterRect{i * 3, i * 5, i * 3 + int32_t(want.GetWidth()), i * 5 + int32_t(want.GetHeight())}));
    }
    // The live frame's template layers are not part of the worker's copy.
    EXPECT_EQ(ed.GetFrame(2)->GetLayerCount(), 1);
}

TEST(ProgressPoller, ResultsDoNotDependOnTheOrderWorkersEnd)
{
    std::vector<Raster> sources;
    CEditableImage a = FourFrames(sources);
    CEditableImage b = a;
    {
        // All at once.
        CProgressPoller poller(a);
        for (int32_t i = 0; i < 4; ++i) ASSERT_TRUE(a.RunWorkerOperation(i, kWorkerNoise, {{30}}, poller));
        Drain(poller);
    }
    {
        // One after the other, last frame first.
        CProgressPoller poller(b);
        for (int32_t i = 3; i >= 0; --i) {
            ASSERT_TRUE(b.RunWorkerOperation(i, kWorkerNoise, {{30}}, poller));
            Drain(poller);
        }
    }
    for (int32_t i = 0; i < 4; ++i) EXPECT_TRUE(SameImage(*a.GetFrame(i), *b.GetFrame(i))) << "frame " << i;
}

// While a worker holds its result the live frame is untouched; the result
// arrives with the tick after the worker ended.
TEST(ProgressPoller, WorkersEditTheirOwnCopyUntilTheTickMovesItIn)
{
    const Raster img = Pattern(7, 3);
    CEditableImage ed;
    ed.Append(img);
    CProgressPoller poller(ed);
    Gate gate;
    auto worker = StartOn(ed, 0, HeldAt(gate, 50));
    poller.Post({0, worker});
    WaitFor(gate.reached);
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), img)); // the copy is mirrored, the frame is not
    EXPECT_EQ(ed.GetFrame(0)->GetProgress(), img.GetProgress());
    EXPECT_EQ(poller.Tick().percent, 50);
    gate.open.store(true);
    WaitEnded(*worker);
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), img)); // ended, but not yet moved in
    EXPECT_TRUE(poller.Tick().empty);
    Raster mirrored(img);
    mirrored.Mirror();
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), mirrored));
}

// Keeps the announcements, so the test decides when the poller sees them.
struct Recorder : ProgressSink {
    std::vector<WorkerAnnouncement> got;
    bool Post(WorkerAnnouncement a) override
    {
        got.push_back(std::move(a));
        return true;
    }
};

// A started operation never writes the live frame: even after its thread has
// ended, the frame changes only when the user-interface thread moves it in.
TEST(ProgressPoller, AnEndedOperationChangesTheFrameOnlyWhenMovedIn)
{
    const Raster img = Pattern(6, 3);
    CEditableImage ed;
    ed.Append(img);
    Recorder recorder;
    ASSERT_TRUE(ed.RunWorkerOperation(0, kWorkerMirror, {}, recorder));
    ASSERT_EQ(recorder.got.size(), 1u);
    ASSERT_NE(recorder.got[0].worker, nullptr);
    WaitEnded(*recorder.got[0].worker);
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), img));
    CProgressPoller poller(ed);
    poller.Post(recorder.got[0]);
    EXPECT_TRUE(poller.Tick().empty);
    Raster mirrored(img);
    mirrored.Mirror();
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), mirrored));
}

// Two workers on one frame both start from the frame as it was; the one
// announced last decides the result even when it ends first.
TEST(ProgressPoller, TwoWorkersOnOneFrameEndInTheOrderTheyWereAnnounced)
{
    const Raster img = Pattern(5, 4);
    CEditableImage ed;
    ed.Append(img);
    CProgressPoller poller(ed);
    Gate gate;
    poller.Post({0, StartOn(ed, 0, HeldAt(gate, 10))}); // mirrors, held
    auto flip = StartOn(ed, 0, [](CFrameImage& f) { return f.Flip(); });
    poller.Post({0, flip});
    WaitFor(gate.reached);
    WaitEnded(*flip);
    const CProgressPoller::TickResult t = poller.Tick();
    EXPECT_EQ(poller.GetCount(), 2); // the flip waits for the earlier worker
    EXPECT_EQ(t.percent, 55);        // (10 + 100) / 2
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), img));
    gate.open.store(true);
    Drain(poller);
    Raster flipped(img);
    flipped.Flip();
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), flipped));
}

TEST(ProgressPoller, AveragesTheRunningWorkersWithIntegerDivision)
{
    std::vector<Raster> sources;
    CEditableImage ed = FourFrames(sources);
    CProgressPoller poller(ed);
    Gate gates[3];
    const int progress[3] = {10, 20, 41};
    std::shared_ptr<CFrameWorker> workers[3];
    for (int i = 0; i < 3; ++i) {
        workers[i] = StartOn(ed, i, HeldAt(gates[i], progress[i]));
        poller.Post({i, workers[i]});
        WaitFor(gates[i].reached);
    }
    poller.Post({7, nullptr}); // an invalid frame: no worker
    CProgressPoller::TickResult t = poller.Tick();
    EXPECT_FALSE(t.empty);
    EXPECT_EQ(t.percent, 23); // 71 / 3, the entry without worker neither counted nor kept
    EXPECT_EQ(poller.GetCount(), 3);

    gates[1].open.store(true);
    WaitEnded(*workers[1]);
    t = poller.Tick();
    EXPECT_EQ(t.percent, 25); // (10 + 41) / 2
    EXPECT_EQ(poller.GetCount(), 2);

    gates[0].open.store(true);
    gates[2].open.store(true);
    Drain(poller);
    t = poller.Tick();
    EXPECT_TRUE(t.empty);
    EXPECT_EQ(t.percent, 100);
    for (int32_t i = 0; i < 3; ++i) {
        Raster want(sources[size_t(i)]);
        want.Mirror();
        EXPECT_TRUE(SameImage(*ed.GetFrame(i), want)) << "frame " << i;
    }
    EXPECT_TRUE(SameImage(*ed.GetFrame(3), sources[3]));
}

TEST(ProgressPoller, TheAverageIsAtMost100)
{
    CEditableImage ed;
    ed.Append(Pattern(2, 2));
    ed.Append(Pattern(2, 2));
    CProgressPoller poller(ed);
    Gate a, b;
    poller.Post({0, StartOn(ed, 0, HeldAt(a, 150))});
    poller.Post({1, StartOn(ed, 1, HeldAt(b, 100))});
    WaitFor(a.reached);
    WaitFor(b.reached);
    EXPECT_EQ(poller.Tick().percent, 100);
    a.open.store(true);
    b.open.store(true);
    Drain(poller);
}

TEST(ProgressPoller, EscapeStopsTheWorkersAndLeavesTheFramesAsTheyWere)
{
    std::vector<Raster> sources;
    CEditableImage ed = FourFrames(sources);
    CProgressPoller poller(ed);
    Gate gates[2];
    auto held0 = StartOn(ed, 0, HeldAt(gates[0], 30));
    auto held1 = StartOn(ed, 1, HeldAt(gates[1], 60));
    poller.Post({0, held0});
    poller.Post({1, held1});
    // One worker has already finished but its result is not moved in yet.
    auto finished = StartOn(ed, 2, [](CFrameImage& f) { return f.Flip(); });
    poller.Post({2, finished});
    WaitEnded(*finished);
    // A real operation, however far it got.
    ASSERT_TRUE(ed.RunWorkerOperation(3, kWorkerRotate, {{45000}}, poller));
    WaitFor(gates[0].reached);
    WaitFor(gates[1].reached);

    poller.Escape();
    Drain(poller);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(SameImage(*ed.GetFrame(i), sources[size_t(i)])) << "frame " << i;
        EXPECT_EQ(ed.GetFrame(i)->GetPlacement().left, i * 3);
    }
    EXPECT_EQ(held0->GetOutcome(), CFrameWorker::Outcome::Escaped);
    EXPECT_EQ(finished->GetOutcome(), CFrameWorker::Outcome::Escaped);
}

// A stale escape on the frame must not stop the next operation, and an escape
// set right after the start must not be lost to a reset inside the thread.
TEST(ProgressPoller, EscapeIsResetBeforeTheThreadStarts)
{
    CEditableImage ed;
    ed.Append(Pattern(4, 4));
    ed.GetFrame(0)->SetEscape(1);
    std::atomic<int> seen{-1};
    auto worker = StartOn(ed, 0, [&seen](CFrameImage& f) {
        seen.store(f.GetEscape());
        return true;
    });
    EXPECT_EQ(worker->GetOutcome(), CFrameWorker::Outcome::Done);
    EXPECT_EQ(seen.load(), 0);

    auto waiting = StartOn(ed, 0, [](CFrameImage& f) {
        while (!f.GetEscape()) std::this_thread::yield();
        return false;
    });
    waiting->Escape();
    EXPECT_EQ(waiting->GetOutcome(), CFrameWorker::Outcome::Escaped);
}

TEST(ProgressPoller, JoinAllStopsEverythingBeforeTheImageIsReplaced)
{
    std::vector<Raster> sources;
    CEditableImage ed = FourFrames(sources);
    Gate gates[4];
    {
        CProgressPoller poller(ed);
        for (int32_t i = 0; i < 4; ++i) poller.Post({i, StartOn(ed, i, HeldAt(gates[i], 10))});
        for (Gate& g : gates) WaitFor(g.reached);
        poller.JoinAll();
        EXPECT_TRUE(poller.IsEmpty());
        ed.Reset(); // safe now: nothing runs
        EXPECT_TRUE(poller.Tick().empty);
    }
    EXPECT_EQ(ed.GetFrameCount(), 0);
}

TEST(ProgressPoller, DestroyingThePollerJoinsItsWorkers)
{
    std::vector<Raster> sources;
    CEditableImage ed = FourFrames(sources);
    Gate gate;
    std::shared_ptr<CFrameWorker> worker;
    {
        CProgressPoller poller(ed);
        worker = StartOn(ed, 0, HeldAt(gate, 10));
        poller.Post({0, worker});
        WaitFor(gate.reached);
    }
    EXPECT_TRUE(worker->IsEnded());
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), sources[0]));
}

TEST(ProgressPoller, AResultWhoseFrameWentAwayIsDropped)
{
    std::vector<Raster> sources;
    CEditableImage ed = FourFrames(sources);
    CProgressPoller poller(ed);
    ASSERT_TRUE(ed.RunWorkerOperation(3, kWorkerMirror, {}, poller));
    ASSERT_TRUE(ed.RemoveRange(2, 4));
    Drain(poller);
    EXPECT_EQ(ed.GetFrameCount(), 2);
    EXPECT_TRUE(SameImage(*ed.GetFrame(1), sources[1]));
}

// The view's side: announcements arrive as "Zelto.Progress" events.
class Receiver : public QObject {
public:
    std::vector<WorkerAnnouncement> got;

protected:
    void customEvent(QEvent* e) override
    {
        if (e->type() == CProgressEvent::ProgressType())
            got.push_back(static_cast<CProgressEvent*>(e)->GetAnnouncement());
    }
};

TEST(ProgressEvent, WorkersAnnounceThemselvesWithZeltoProgressEvents)
{
    static int argc = 1;
    static char name[] = "vexmira_editing_tests";
    static char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance()) app.emplace(argc, argv);

    const QEvent::Type type = RegisteredEventType("Zelto.Progress");
    EXPECT_EQ(type, CProgressEvent::ProgressType());
    EXPECT_EQ(RegisteredEventType(kProgressMessageName), type);
    EXPECT_NE(RegisteredEventType("Zelto.Show"), type);
    EXPECT_GE(int(type), int(QEvent::User));

    CEditableImage ed;
    ed.Append(Pattern(6, 2));
    ed.Append(Pattern(3, 8));
    Receiver receiver;
    CProgressEventPoster poster(&receiver);
    ASSERT_TRUE(ed.RunWorkerOperation(0, kWorkerFlip, {}, poster));
    ASSERT_TRUE(ed.RunWorkerOperation(1, kWorkerFlip, {}, poster));
    ASSERT_TRUE(ed.RunWorkerOperation(5, kWorkerFlip, {}, poster));
    QCoreApplication::sendPostedEvents(&receiver, type);
    ASSERT_EQ(receiver.got.size(), 3u);
    EXPECT_EQ(receiver.got[1].frame, 1);
    EXPECT_EQ(receiver.got[2].frame, 5);
    EXPECT_EQ(receiver.got[2].worker, nullptr);

    CProgressPoller poller(ed);
    for (WorkerAnnouncement& a : receiver.got) poller.Post(std::move(a));
    Drain(poller);
    Raster want(Pattern(3, 8));
    want.Flip();
    EXPECT_TRUE(SameImage(*ed.GetFrame(1), want));

    auto gone = std::make_unique<QObject>();
    CProgressEventPoster late(gone.get());
    gone.reset();
    EXPECT_FALSE(ed.RunWorkerOperation(0, kWorkerFlip, {}, late));
}

} // namespace
} // namespace vex
