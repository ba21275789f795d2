// Properties every operation of the table shares: defaults valid, escape
// leaves the image as it was, every depth accepted, results repeatable and
// the same whichever thread runs them.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "processing/OperationTable.h"
#include "processing/ProcessingFixtures.h"

namespace vex {
namespace {

using proc::Operations;
using proc::OperationSpec;
using proc::ParamKind;

// Arguments from the defaults; required ones get a fixed choice.
std::vector<proc::ParamValue> DefaultArgs(const OperationSpec& op, const Raster& other)
{
    std::vector<proc::ParamValue> args(op.params.size());
    for (size_t i = 0; i < op.params.size(); ++i) {
        const auto& p = op.params[i];
        std::string error;
        if (p.kind == ParamKind::Image) args[i].image = &other;
        else if (!p.defaultText) EXPECT_TRUE(proc::ParseParam(p, "#0b0345,#ffffff", args[i], error)) << error;
        else EXPECT_TRUE(proc::ParseParam(p, p.defaultText, args[i], error)) << op.name << " " << p.name << ": " << error;
    }
    return args;
}

TEST(OperationTable, NamesAreUniqueAndDefaultsLieInRange)
{
    std::set<std::string> names;
    for (const auto& op : Operations()) {
        EXPECT_TRUE(names.insert(op.name).second) << "duplicate " << op.name;
        EXPECT_EQ(proc::FindOperation(op.name), &op);
        for (const auto& p : op.params) {
            EXPECT_LE(p.min, p.max) << op.name << " " << p.name;
            if (!p.defaultText || p.kind == ParamKind::Image) continue;
            proc::ParamValue v;
            std::string error;
            EXPECT_TRUE(proc::ParseParam(p, p.defaultText, v, error)) << op.name << " " << p.name << ": " << error;
        }
    }
    EXPECT_EQ(proc::FindOperation("NoSuchOperation"), nullptr);
}

TEST(OperationTable, ParametersOutsideTheirRangeOrMalformedAreRefused)
{
    const auto* resize = proc::FindOperation("Resize");
    ASSERT_NE(resize, nullptr);
    struct Case {
        size_t param;
        const char* text;
    } cases[] = {{0, "0"}, {0, "1.5"}, {0, "abc"}, {0, ""}, {2, "3"}, {2, "-1"}, {1, "262145"}};
    for (const auto& c : cases) {
        proc::ParamValue v;
        std::string error;
        EXPECT_FALSE(proc::ParseParam(resize->params[c.param], c.text, v, error)) << "have accepted " << c.text;
        EXPECT_FALSE(error.empty());
    }
    proc::ParamValue colour;
    std::string error;
    const proc::ParamSpec spec{"c", ParamKind::Colour, 0, 0, nullptr, ""};
    EXPECT_TRUE(proc::ParseParam(spec, "#102030", colour, error));
    EXPECT_EQ(colour.colour, MakeRgb(0x10, 0x20, 0x30));
    EXPECT_FALSE(proc::ParseParam(spec, "#10203g", colour, error));
    EXPECT_FALSE(proc::ParseParam(spec, "102030", colour, error));
}

TEST(OperationTable, EscapeLeavesEveryImageUnchangedAndFails)
{
    // Void operations report nothing; the depth change belongs to the core.
    const std::set<std::string> voidOps = {"PseudoColors", "ReplaceColors"};
    for (uint32_t bpp : {8u, 24u}) {
        const Raster other = test::Varied(24, 5, 4);
        for (const auto& op : Operations()) {
            if (std::string(op.name) == "DecreaseBpp") continue;
            Raster img = test::Varied(bpp, 9, 7);
            if (bpp == 8) {
                // A grey palette gives the palette operations a pixel loop too.
                img.SetGrayPalette();
            }
            const test::Look before = test::LookOf(img);
            img.SetEscape(1);
            const bool ok = op.run(img, DefaultArgs(op, other));
            const bool paletteOnly = bpp == 8 && (std::set<std::string>{"Light", "Gamma", "Colorize", "ColorizeRGB",
                                                                        "HistogramLog", "HistogramRoot", "PseudoColors"}
                                                      .count(op.name));
            if (paletteOnly) continue; // no pixel loop to stop
            if (!voidOps.count(op.name)) {
                EXPECT_FALSE(ok) << op.name << " at " << bpp << " bpp";
            }
            EXPECT_TRUE(test::LookOf(img) == before) << op.name << " changed the image at " << bpp << " bpp";
        }
    }
}

TEST(OperationTable, EveryDepthIsAcceptedAndResultsRepeat)
{
    const Raster other = test::Varied(8, 6, 5);
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        for (bool alpha : {false, true}) {
            const Raster src = test::Varied(bpp, 11, 6, alpha);
            for (const auto& op : Operations()) {
                Raster a(src), b(src);
                const auto args = DefaultArgs(op, other);
                const bool okA = op.run(a, args), okB = op.run(b, args);
                EXPECT_EQ(okA, okB) << op.name;
                EXPECT_TRUE(test::LookOf(a) == test::LookOf(b)) << op.name << " differs between runs at " << bpp;
                const std::string name = op.name;
                if (!okA || name == "GrayScale" || name == "Threshold" || name == "DecreaseBpp") continue;
                EXPECT_EQ(a.GetBpp(), bpp) << name << " changed the depth";
                EXPECT_EQ(a.AlphaIsValid(), alpha) << name << " changed the alpha plane";
            }
        }
    }
}

TEST(OperationTable, ResultsDoNotDependOnTheThread)
{
    const Raster src = test::Varied(24, 17, 9);
    const Raster other = test::Varied(24, 5, 4);
    for (const char* name : {"Noise", "Jitter", "Median", "Rotate", "Resize", "HistogramEqualize"}) {
        const auto* op = proc::FindOperation(name);
        ASSERT_NE(op, nullptr);
        const auto args = DefaultArgs(*op, other);
        Raster here(src), there1(src), there2(src);
        ASSERT_TRUE(op->run(here, args));
        // Two threads at once: each operation keeps its own random sequence.
        std::thread t1([&] { op->run(there1, args); });
        std::thread t2([&] { op->run(there2, args); });
        t1.join();
        t2.join();
        EXPECT_TRUE(test::LookOf(there1) == test::LookOf(here)) << name;
        EXPECT_TRUE(test::LookOf(there2) == test::LookOf(here)) << name;
    }
}

TEST(OperationTable, NoPixelsMeansFalse)
{
    const Raster other = test::Varied(24, 5, 4);
    for (const auto& op : Operations()) {
        Raster empty;
        EXPECT_FALSE(op.run(empty, DefaultArgs(op, other))) << op.name;
        EXPECT_FALSE(empty.IsValid());
    }
}

} // namespace
} // namespace vex
