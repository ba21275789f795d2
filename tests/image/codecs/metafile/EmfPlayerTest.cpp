// Enhanced metafiles: mapping modes, bitmaps, clipping with saved states,
// text, the work budget and damaged records.

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <gtest/gtest.h>

#include "image/codecs/metafile/RasterWMF.h"
#include "MetafileFixtures.h"

namespace vex {
namespace {

using test::Bytes;
using test::EmfBuilder;
using test::TopDownColor;
using test::WmfBuilder;

const bool kRegistered = (RegisterMetafileCodec(), true);

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000;
constexpr uint32_t kRedRgb = 0xFF0000, kBlueRgb = 0x0000FF, kGreenRgb = 0x00FF00, kWhiteRgb = 0xFFFFFF;

bool DecodeBytes(Raster& img, const std::vector<uint8_t>& bytes)
{
    MemoryStream stream(bytes.data(), bytes.size());
    return img.Decode(&stream, TypeWmf);
}

// Reference device: 1000 pixels over 1000 mm, so one pixel is one millimetre;
// the picture shows device pixels 0..100.
EmfBuilder RedBrushNoPen()
{
    EmfBuilder e;
    e.NullPen().Brush(1, kRed).Select(1);
    return e;
}

TEST(EmfPlayer, MappingModesScaleLogicalUnitsOntoThePicture)
{
    ASSERT_TRUE(kRegistered);
    // Every case draws a rectangle that should cover pixels 10..29 by 20..39.
    struct Case {
        const char* name;
        std::function<void(EmfBuilder&)> setup;
        int l, t, r, b;
    } cases[] = {
        {"text", [](EmfBuilder&) {}, 10, 20, 30, 40},
        {"low metric, y up", [](EmfBuilder& e) { e.MapMode(2); }, 100, -200, 300, -400},
        {"high metric, y up", [](EmfBuilder& e) { e.MapMode(3); }, 1000, -2000, 3000, -4000},
        {"twips, y up", [](EmfBuilder& e) { e.MapMode(6); }, 567, -1134, 1701, -2268},
        {"anisotropic halves", [](EmfBuilder& e) {
             e.MapMode(8).Record(9, {200, 200}).Record(11, {100, 100});
         }, 20, 40, 60, 80},
        {"isotropic keeps the smaller scale", [](EmfBuilder& e) {
             e.MapMode(7).Record(9, {200, 100}).Record(11, {100, 100});
         }, 20, 40, 60, 80},
        {"window origin shifts", [](EmfBuilder& e) {
             e.MapMode(8).Record(10, {-10, -20}).Record(9, {1, 1}).Record(11, {1, 1});
         }, 0, 0, 20, 20},
        {"world transform doubles", [](EmfBuilder& e) {
             e.Record(35, {0x40000000, 0, 0, 0x40000000, 0, 0}); // 2.0f, 0, 0, 2.0f, 0, 0
         }, 5, 10, 15, 20},
    };
    for (const auto& c : cases) {
        EmfBuilder e = RedBrushNoPen();
        c.setup(e);
        e.Rectangle(c.l, c.t, c.r, c.b);
        Raster img;
        ASSERT_TRUE(DecodeBytes(img, e.Build(0, 0, 100, 100))) << c.name << ": " << img.GetLastError();
        ASSERT_EQ(img.GetWidth(), 100u) << c.name;
        EXPECT_EQ(TopDownColor(img, 10, 20), kRedRgb) << c.name;
        EXPECT_EQ(TopDownColor(img, 29, 39), kRedRgb) << c.name;
        EXPECT_EQ(TopDownColor(img, 9, 30), kWhiteRgb) << c.name;
        EXPECT_EQ(TopDownColor(img, 30, 30), kWhiteRgb) << c.name;
        EXPECT_EQ(TopDownColor(img, 20, 19), kWhiteRgb) << c.name;
        EXPECT_EQ(TopDownColor(img, 20, 40), kWhiteRgb) << c.name;
    }
}

TEST(EmfPlayer, PictureShowsTheFrameAtTheBoundsSize)
{
    // Bounds of 200 x 100 pixels give the picture size; the frame covers the
    // same device pixels, so drawing lands one to one.
    EmfBuilder e = RedBrushNoPen();
    e.Rectangle(0, 0, 100, 50);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, e.Build(0, 0, 200, 100))) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 200u);
    EXPECT_EQ(img.GetHeight(), 100u);
    EXPECT_EQ(TopDownColor(img, 99, 49), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 100, 49), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 99, 50), kWhiteRgb);
}

std::vector<uint8_t> StretchDibRecord(int x, int y, int w, int h)
{
    // 2 x 2 pixels, 24 bpp, bottom-up: bottom row blue, green; top row red, white.
    Bytes dib;
    dib.u32(40).u32(2).u32(2).u16(1).u16(24).u32(0).u32(16).u32(0).u32(0).u32(0).u32(0);
    Bytes bits;
    bits.raw({0xFF, 0, 0, 0, 0xFF, 0, 0, 0}).raw({0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0});
    Bytes r;
    r.u32(81).u32(80 + 40 + 16);
    r.u32(0).u32(0).u32(0).u32(0);                        // bounds
    r.u32(uint32_t(x)).u32(uint32_t(y)).u32(0).u32(0).u32(2).u32(2); // destination, source
    r.u32(80).u32(40).u32(120).u32(16).u32(0).u32(0x00CC0020).u32(uint32_t(w)).u32(uint32_t(h));
    r.raw(dib.v).raw(bits.v);
    return r.v;
}

TEST(EmfPlayer, StretchedBitmapKeepsItsRowOrder)
{
    EmfBuilder e;
    e.Raw(StretchDibRecord(10, 10, 20, 20));
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, e.Build(0, 0, 100, 100))) << img.GetLastError();
    EXPECT_EQ(TopDownColor(img, 12, 12), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 27, 12), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 12, 27), kBlueRgb);
    EXPECT_EQ(TopDownColor(img, 27, 27), kGreenRgb);
    EXPECT_EQ(TopDownColor(img, 30, 30), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 9, 9), kWhiteRgb);
}

TEST(EmfPlayer, ClipRectanglesAndSavedStates)
{
    EmfBuilder e = RedBrushNoPen();
    e.Record(33, {});                          // save
    e.Record(30, {20, 20, 40, 40});            // intersect clip
    e.Rectangle(0, 0, 100, 100);               // only the clip gets red
    e.Record(34, {-1});                        // restore: clip and brush as saved
    e.Brush(2, kBlue).Select(2).Rectangle(0, 0, 10, 10);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, e.Build(0, 0, 100, 100))) << img.GetLastError();
    EXPECT_EQ(TopDownColor(img, 25, 25), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 39, 39), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 40, 40), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 19, 25), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 5, 5), kBlueRgb);
}

TEST(EmfPlayer, ClipPathLimitsLaterDrawing)
{
    // A rectangle recorded as a path, made the clip, then a fill of everything.
    EmfBuilder e = RedBrushNoPen();
    e.Record(59, {}).Rectangle(20, 20, 40, 40).Record(60, {}).Record(67, {5});
    e.Rectangle(0, 0, 100, 100);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, e.Build(0, 0, 100, 100))) << img.GetLastError();
    EXPECT_EQ(TopDownColor(img, 20, 20), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 39, 39), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 40, 30), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 19, 30), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 5, 5), kWhiteRgb);
}

TEST(EmfPlayer, FuzzRegressionsFailCleanlyOrRender)
{
    // Files the fuzzers once tripped on (a leak in a clip path made a region,
    // ...): each must render or fail with a message, and leave nothing behind.
    namespace fs = std::filesystem;
    int seen = 0;
    for (const char* set : {"wmf", "emf"}) {
        const fs::path dir = fs::path(VEXMIRA_FUZZ_REGRESSIONS_DIR) / set;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().filename().string()[0] == '.') continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            Raster img;
            if (!DecodeBytes(img, bytes)) EXPECT_STRNE(img.GetLastError(), "") << entry.path();
            else EXPECT_GT(img.GetWidth(), 0u) << entry.path();
            ++seen;
        }
    }
    EXPECT_GT(seen, 0);
}

TEST(EmfPlayer, TextIsDrawnInTheTextColour)
{
    Bytes font;
    font.u32(82).u32(12 + 92).u32(1);
    font.u32(uint32_t(-40)).u32(0).u32(0).u32(0).u32(700).u8(0).u8(0).u8(0).u8(0).u32(0);
    const char16_t face[32] = u"DejaVu Sans";
    for (char16_t ch : face) font.u16(ch);
    Bytes text;
    const std::u16string s = u"HHHH";
    text.u32(84).u32(76 + 8);
    text.u32(0).u32(0).u32(0).u32(0).u32(1).u32(0).u32(0); // bounds, graphics mode, scales
    text.u32(10).u32(10).u32(uint32_t(s.size())).u32(76).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    for (char16_t ch : s) text.u16(ch);
    EmfBuilder e;
    e.Raw(font.v).Select(1).Record(24, {kBlue}).Record(18, {1}).Raw(text.v);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, e.Build(0, 0, 200, 100))) << img.GetLastError();
    int inked = 0, stray = 0;
    for (uint32_t y = 0; y < 100; ++y)
        for (uint32_t x = 0; x < 200; ++x) {
            const uint32_t c = TopDownColor(img, x, y);
            if (c == kWhiteRgb) continue;
            const bool inBox = x >= 10 && x < 190 && y >= 10 && y < 60;
            (inBox ? inked : stray)++;
            EXPECT_GT(c & 0xFF, (c >> 16) & 0xFF) << "text pixels lean blue at " << x << "," << y;
        }
    EXPECT_GT(inked, 100);
    EXPECT_EQ(stray, 0);
}

TEST(EmfPlayer, WorkBudgetStopsEndlessOverdraw)
{
    // 400 fills of a 1000 x 1000 picture outrun the budget of 200 fills.
    WmfBuilder w;
    w.Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).WindowExt(1000, 1000);
    for (int i = 0; i < 400; ++i) w.Rectangle(0, 0, 1000, 1000);
    Raster img;
    EXPECT_FALSE(DecodeBytes(img, w.Placeable(0, 0, 1000, 1000, 96)));
    EXPECT_STREQ(img.GetLastError(), "WMF drawing limits exceeded");
    // A few such fills are ordinary.
    WmfBuilder few;
    few.Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).WindowExt(1000, 1000);
    for (int i = 0; i < 20; ++i) few.Rectangle(0, 0, 1000, 1000);
    Raster ok;
    EXPECT_TRUE(DecodeBytes(ok, few.Placeable(0, 0, 1000, 1000, 96))) << ok.GetLastError();
}

TEST(EmfPlayer, RecordCountIsCapped)
{
    // Two million and one records that do nothing: the file is well formed,
    // but playing stops at the cap with the limit's own message.
    WmfBuilder w;
    w.WindowExt(10, 10);
    w.records.reserve(12000020);
    const uint8_t noOp[] = {3, 0, 0, 0, 0x35, 0x00};
    for (int i = 0; i < 2000001; ++i) w.records.insert(w.records.end(), noOp, noOp + sizeof noOp);
    Raster img;
    EXPECT_FALSE(DecodeBytes(img, w.Placeable(0, 0, 10, 10, 96)));
    EXPECT_STREQ(img.GetLastError(), "WMF drawing limits exceeded");
}

TEST(EmfPlayer, DamagedRecordsFailWithAMessage)
{
    struct Case {
        const char* name;
        std::function<void(EmfBuilder&)> damage;
    } cases[] = {
        {"record larger than the file", [](EmfBuilder& e) { e.Raw({43, 0, 0, 0, 0, 0, 1, 0}); }},
        {"record smaller than its header", [](EmfBuilder& e) { e.Raw({43, 0, 0, 0, 4, 0, 0, 0}); }},
        {"polygon count past its record", [](EmfBuilder& e) { e.Record(3, {0, 0, 0, 0, 1000, 1, 1, 2, 2}); }},
        {"huge polygon count", [](EmfBuilder& e) { e.Record(86, {0, 0, 0, 0, 0x7FFFFFFF, 1}); }},
        {"polygon counts past the points", [](EmfBuilder& e) {
             e.Record(8, {0, 0, 0, 0, 2, 2, 2, 5, 1, 1, 2, 2});
         }},
        {"rectangle missing a corner", [](EmfBuilder& e) { e.Record(43, {1, 2, 3}); }},
        {"text string outside its record", [](EmfBuilder& e) {
             e.Record(84, {0, 0, 0, 0, 1, 0, 0, 1, 1, 500, 76, 0, 0, 0, 0, 0, 0});
         }},
    };
    for (const auto& c : cases) {
        EmfBuilder e = RedBrushNoPen();
        c.damage(e);
        const auto bytes = e.Build(0, 0, 100, 100);
        Raster img;
        EXPECT_FALSE(DecodeBytes(img, bytes)) << c.name;
        EXPECT_STREQ(img.GetLastError(), "corrupted WMF") << c.name;
    }
}

} // namespace
} // namespace vex
