// Each operation code run by a worker gives exactly what the operation gives
// when run directly on a copy, and the frame keeps its top-left corner.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "editing/EditableImage.h"
#include "editing/EditingFixtures.h"
#include "editing/FrameWorker.h"
#include "editing/ProgressPoller.h"
#include "editing/WorkerFixtures.h"
#include "processing/OperationTable.h"

namespace vex {
namespace {

using test::Drain;
using test::Pattern;
using test::SameImage;

bool Preset(CFrameImage& f, const char* name)
{
    for (const auto& p : proc::KernelPresets())
        if (std::string(p.name) == name) return f.KernelFilter(p.kernel.data(), p.size, p.divisor, p.offset);
    return false;
}

struct CodeCase {
    const char* name;
    int32_t code;
    WorkerParams params;
    std::function<bool(CFrameImage&)> direct;
};

WorkerParams P(std::initializer_list<int32_t> v)
{
    WorkerParams p;
    int i = 0;
    for (int32_t x : v) p.values[i++] = x;
    return p;
}

std::vector<CodeCase> Cases()
{
    return {
        {"Blur", 0, {}, [](CFrameImage& f) { return Preset(f, "Blur"); }},
        {"Resize", 2, P({20, 9, 1}), [](CFrameImage& f) { return f.Resize(20, 9, 1); }},
        {"Rotate90", 3, P({90000}), [](CFrameImage& f) { return f.Rotate(90.0f); }},
        // Thousandths: 33333 is 33.333 degrees, not 33 or 33333.
        {"RotateThousandths", 3, P({33333}), [](CFrameImage& f) { return f.Rotate(33.333f); }},
        {"RotateNegative", 3, P({-12500}), [](CFrameImage& f) { return f.Rotate(-12.5f); }},
        {"Emboss", 4, {}, [](CFrameImage& f) { return Preset(f, "Emboss"); }},
        {"Soften", 5, {}, [](CFrameImage& f) { return Preset(f, "Soften"); }},
        {"Sharpen", 6, {}, [](CFrameImage& f) { return Preset(f, "Sharpen"); }},
        {"Edge", 7, {}, [](CFrameImage& f) { return Preset(f, "Edge"); }},
        {"Gaussian2x2", 8, {}, [](CFrameImage& f) { return Preset(f, "Gaussian2x2"); }},
        {"Gaussian3x3", 9, {}, [](CFrameImage& f) { return Preset(f, "Gaussian3x3"); }},
        {"Gaussian5x5", 16, {}, [](CFrameImage& f) { return Preset(f, "Gaussian5x5"); }},
        {"Gaussian7x7", 17, {}, [](CFrameImage& f) { return Preset(f, "Gaussian7x7"); }},
        {"AddBorder", 18, P({1, 2, 3, 4, 0x00112233}),
         [](CFrameImage& f) { return f.AddBorder(1, 2, 3, 4, 0x00112233); }},
        {"Jitter", 19, P({2}), [](CFrameImage& f) { return f.Jitter(2); }},
        {"Contour", 20, {}, [](CFrameImage& f) { return f.Contour(); }},
        {"Dilate", 21, P({3}), [](CFrameImage& f) { return f.Dilate(3); }},
        {"Erode", 22, P({3}), [](CFrameImage& f) { return f.Erode(3); }},
        {"Median", 23, P({3}), [](CFrameImage& f) { return f.Median(3); }},
        {"Noise", 24, P({20}), [](CFrameImage& f) { return f.Noise(20); }},
        // A non-zero flag picks hue and saturation from the next two values.
        {"ColorizeHsl", 25, P({1, 40, 200, 99}), [](CFrameImage& f) { return f.Colorize(40, 200); }},
        // A zero flag picks the three shifts.
        {"ColorizeRgb", 25, P({0, 15, 128, 70}), [](CFrameImage& f) { return f.ColorizeRGB(15, 128, 70); }},
        {"Gamma", 32, P({1500}), [](CFrameImage& f) { return f.Gamma(1.5f); }},
        {"Threshold", 33, P({100}), [](CFrameImage& f) { return f.Threshold(100); }},
        {"Mirror", 34, {}, [](CFrameImage& f) { return f.Mirror(); }},
        {"Flip", 35, {}, [](CFrameImage& f) { return f.Flip(); }},
        {"Shear", 37, P({3, -2, 0x00445566}), [](CFrameImage& f) { return f.Shear(3, -2, 0x00445566); }},
    };
}

TEST(WorkerCodes, EachCodeMatchesTheOperationRunDirectly)
{
    const Raster source = Pattern(13, 7, 5);
    for (const CodeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        CEditableImage ed;
        ed.Append(source);
        ed.GetFrame(0)->UpdatePlacement(3, 4);
        CProgressPoller poller(ed);
        ASSERT_TRUE(ed.RunWorkerOperation(0, c.code, c.params, poller));
        Drain(poller);

        CFrameImage want;
        want.Place(source, 3, 4);
        ASSERT_TRUE(c.direct(want));
        const CFrameImage& have = *ed.GetFrame(0);
        EXPECT_TRUE(SameImage(have, want));
        const RasterRect want_place{3, 4, 3 + int32_t(want.GetWidth()), 4 + int32_t(want.GetHeight())};
        EXPECT_EQ(have.GetPlacement(), want_place) << "have right " << have.GetPlacement().right;
    }
}

// The codes change pixels: a worker that silently did nothing would pass the
// comparison above only if the direct run did nothing too.
TEST(WorkerCodes, TheOperationsOfTheTableChangeThePattern)
{
    const Raster source = Pattern(13, 7, 5);
    for (const CodeCase& c : Cases()) {
        CFrameImage f;
        f.Place(source, 0, 0);
        ASSERT_TRUE(c.direct(f)) << c.name;
        EXPECT_FALSE(SameImage(f, source)) << c.name << " left the pattern as it was";
    }
}

// A 4 x 3 red field with a blue wall in column 2; COLORREF is 0x00BBGGRR.
TEST(WorkerCodes, FloodFillTakesColorRefValues)
{
    Raster img = test::Filled(4, 3, MakeRgb(255, 0, 0));
    for (uint32_t y = 0; y < 3; ++y) img.SetPixelColor(2, y, MakeRgb(0, 0, 255));
    CEditableImage ed;
    ed.Append(img);
    CProgressPoller poller(ed);
    // Fill r=0x99 g=0x66 b=0x33 replacing pure red (COLORREF 0x000000FF).
    ASSERT_TRUE(ed.RunWorkerOperation(0, kWorkerFloodFill, P({0, 1, 0x00336699, 0x000000FF}), poller));
    Drain(poller);
    const CFrameImage& f = *ed.GetFrame(0);
    for (uint32_t y = 0; y < 3; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            const RgbQuad want = x < 2 ? MakeRgb(0x99, 0x66, 0x33) : x == 2 ? MakeRgb(0, 0, 255) : MakeRgb(255, 0, 0);
            EXPECT_TRUE(test::SameRgb(f.GetPixelColor(x, y), want)) << "pixel " << x << "," << y;
        }
    }
}

TEST(WorkerCodes, FloodFillWithTheColourItReplacesChangesNothing)
{
    const Raster img = Pattern(5, 4);
    CEditableImage ed;
    ed.Append(img);
    CProgressPoller poller(ed);
    const RgbQuad c = img.GetPixelColor(1, 1);
    const int32_t ref = int32_t(c.red | (c.green << 8) | (c.blue << 16));
    ASSERT_TRUE(ed.RunWorkerOperation(0, kWorkerFloodFill, P({1, 1, ref, ref}), poller));
    Drain(poller);
    EXPECT_TRUE(SameImage(*ed.GetFrame(0), img));
}

TEST(WorkerCodes, SetPaletteReplacesTheFirstEntriesOnly)
{
    const Raster img = test::Filled(4, 4, MakeRgb(10, 20, 30), 8);
    ASSERT_EQ(img.GetNumColors(), 256u);
    const std::vector<RgbQuad> entries = {MakeRgb(1, 2, 3, 4), MakeRgb(5, 6, 7), MakeRgb(250, 251, 252)};
    CEditableImage ed;
    ed.Append(img);
    CProgressPoller poller(ed);
    ASSERT_TRUE(ed.SetPalette(0, entries.data(), int32_t(entries.size()), poller));
    Drain(poller);
    const CFrameImage& f = *ed.GetFrame(0);
    ASSERT_EQ(f.GetNumColors(), 256u);
    for (uint32_t i = 0; i < 256; ++i) {
        const RgbQuad want = i < entries.size() ? entries[i] : img.GetPalette()[i];
        EXPECT_EQ(f.GetPalette()[i], want) << "entry " << i;
    }
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(f.GetPixelIndex(x, y), img.GetPixelIndex(x, y));
}

TEST(WorkerCodes, SetPaletteTakesAtMost256Entries)
{
    const Raster img = test::Filled(2, 2, MakeRgb(10, 20, 30), 8);
    std::vector<RgbQuad> entries(300, MakeRgb(7, 7, 7));
    CEditableImage ed;
    ed.Append(img);
    CProgressPoller poller(ed);
    ASSERT_TRUE(ed.SetPalette(0, entries.data(), 300, poller));
    Drain(poller);
    for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(ed.GetFrame(0)->GetPalette()[i], MakeRgb(7, 7, 7));
    ASSERT_TRUE(ed.SetPalette(0, nullptr, 5, poller)); // no entries: nothing to set
    Drain(poller);
    for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(ed.GetFrame(0)->GetPalette()[i], MakeRgb(7, 7, 7));
}

// Unknown codes, failing operations and throwing operations end their worker
// and leave the frame (pixels and placement) exactly as it was.
TEST(WorkerCodes, FailuresLeaveTheFrameAsItWas)
{
    const Raster img = Pattern(6, 5);
    struct Bad {
        const char* name;
        int32_t code;
        WorkerParams params;
    } cases[] = {
        {"unknown code", 10, {}},
        {"unknown negative code", -1, {}},
        {"resize to nothing", kWorkerResize, P({0, 0, 0})},
        {"negative border", kWorkerAddBorder, P({-1, 0, 0, 0, 0})},
        {"flood fill outside", kWorkerFloodFill, P({99, 99, 0, 0})},
    };
    for (const Bad& b : cases) {
        CEditableImage ed;
        ed.Append(img);
        ed.GetFrame(0)->UpdatePlacement(2, 9);
        CProgressPoller poller(ed);
        ASSERT_TRUE(ed.RunWorkerOperation(0, b.code, b.params, poller)) << b.name;
        Drain(poller);
        EXPECT_TRUE(SameImage(*ed.GetFrame(0), img)) << b.name;
        EXPECT_EQ(ed.GetFrame(0)->GetPlacement(), (RasterRect{2, 9, 8, 14})) << b.name;
    }
}

TEST(WorkerCodes, AnExceptionInsideAWorkerOnlyFailsIt)
{
    const Raster img = Pattern(6, 5);
    const std::function<bool(CFrameImage&)> throwers[] = {
        [](CFrameImage& f) -> bool {
            f.Mirror();
            throw std::runtime_error("broken operation");
        },
        [](CFrameImage&) -> bool { throw std::bad_alloc(); },
        [](CFrameImage&) -> bool { throw 42; },
    };
    for (const auto& op : throwers) {
        CEditableImage ed;
        ed.Append(img);
        CProgressPoller poller(ed);
        CFrameImage copy(*ed.GetFrame(0));
        auto worker = CFrameWorker::Start(copy, op);
        poller.Post(WorkerAnnouncement{0, worker});
        Drain(poller);
        EXPECT_EQ(worker->GetOutcome(), CFrameWorker::Outcome::Failed);
        EXPECT_TRUE(SameImage(*ed.GetFrame(0), img));
    }
}

TEST(WorkerCodes, AnInvalidIndexIsAnnouncedWithoutWorkerAndDroppedAtTheNextTick)
{
    CEditableImage ed;
    ed.Append(Pattern(3, 3));
    CProgressPoller poller(ed);
    EXPECT_TRUE(ed.RunWorkerOperation(1, kWorkerMirror, {}, poller));
    EXPECT_TRUE(ed.RunWorkerOperation(-1, kWorkerMirror, {}, poller));
    EXPECT_EQ(poller.GetCount(), 2);
    const CProgressPoller::TickResult t = poller.Tick();
    EXPECT_TRUE(t.empty);
    EXPECT_EQ(t.percent, 100);
}

} // namespace
} // namespace vex
