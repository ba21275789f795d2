// Copies of an editable image share their frames until one side changes one:
// each copy must still behave as an independent deep copy.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "editing/EditableImage.h"
#include "editing/EditingFixtures.h"
#include "editing/ImageMemory.h"

namespace vex {
namespace {

CEditableImage TwoFrames()
{
    CEditableImage ed;
    ed.Append(test::Filled(6, 4, MakeRgb(10, 20, 30)));
    ed.Append(test::Filled(5, 5, MakeRgb(40, 50, 60)));
    ed.GetFrame(1)->AlphaCreate();
    ed.GetFrame(1)->AlphaSet(uint8_t{200});
    ed.GetFrame(1)->AddLayer(test::Filled(2, 2, MakeRgb(1, 2, 3)));
    return ed;
}

// What a frame looks like from outside, for "nothing changed" checks.
struct FrameLook {
    uint32_t w, h, bpp;
    RgbQuad corner;
    uint8_t alpha;
    RasterRect placement;
    int32_t layers;
    uint16_t hotX;
    friend bool operator==(const FrameLook&, const FrameLook&) = default;
};

FrameLook Look(const CEditableImage& ed, int32_t i)
{
    const CFrameImage* f = ed.GetFrame(i);
    return FrameLook{f->GetWidth(),
                     f->GetHeight(),
                     f->GetBpp(),
                     f->GetPixelColor(0, 0),
                     f->AlphaIsValid() ? f->AlphaGet(0, 0) : uint8_t{0},
                     f->GetPlacement(),
                     f->GetLayerCount(),
                     f->GetHotspotX()};
}

TEST(CopyOnWrite, CopiesShareFramesUntilChanged)
{
    const CEditableImage original = TwoFrames();
    CEditableImage copy(original);
    EXPECT_TRUE(copy.SharesFrameWith(original, 0));
    EXPECT_TRUE(copy.SharesFrameWith(original, 1));
    // Reading through the const accessors does not detach.
    EXPECT_EQ(copy.ReadFrame(1)->GetWidth(), 5u);
    EXPECT_EQ(std::as_const(copy).GetFrame(0)->GetWidth(), 6u);
    EXPECT_TRUE(copy.SharesFrameWith(original, 0));

    copy.GetFrame(1)->SetPixelColor(0, 0, MakeRgb(99, 99, 99));
    EXPECT_TRUE(copy.SharesFrameWith(original, 0));
    EXPECT_FALSE(copy.SharesFrameWith(original, 1));
    EXPECT_TRUE(test::SameRgb(original.GetFrame(1)->GetPixelColor(0, 0), MakeRgb(40, 50, 60)));
    EXPECT_TRUE(test::SameRgb(copy.GetFrame(1)->GetPixelColor(0, 0), MakeRgb(99, 99, 99)));
}

// Every mutating path of the image gives the changed side its own frame; the
// other copy keeps every visible property.
TEST(CopyOnWrite, EveryMutatingOperationLeavesTheOtherCopyAlone)
{
    struct Case {
        const char* name;
        std::function<void(CEditableImage&)> edit;
    };
    const Raster other = test::Filled(3, 7, MakeRgb(7, 7, 7));
    const Case cases[] = {
        {"GetFrame", [](CEditableImage& e) { e.GetFrame(1)->SetPixelColor(0, 0, MakeRgb(1, 1, 1)); }},
        {"SetHotspot", [](CEditableImage& e) { e.SetHotspot(1, 3, 3); }},
        {"Replace", [&](CEditableImage& e) { e.Replace(1, other); }},
        {"ReplaceOrAppend", [&](CEditableImage& e) { e.ReplaceOrAppend(1, other); }},
        {"Crop", [](CEditableImage& e) { e.Crop(1, 0, 0, 2, 2); }},
        {"Enlarge", [](CEditableImage& e) { e.Enlarge(1, RasterRect{0, 0, 9, 9}); }},
        {"GrayScale", [](CEditableImage& e) { e.GrayScale(1); }},
        {"Negative", [](CEditableImage& e) { e.Negative(1); }},
        {"Light", [](CEditableImage& e) { e.Light(1, 50, 10); }},
        {"PseudoColors", [](CEditableImage& e) { e.PseudoColors(1, 1.0f); }},
        {"Layer", [](CEditableImage& e) { e.GetFrame(1)->RemoveLayer(0); }},
        {"Alpha", [](CEditableImage& e) { e.GetFrame(1)->AlphaSet(0, 0, 5); }},
        {"SetFrame", [](CEditableImage& e) { e.SetFrame(1, CFrameImage(*e.ReadFrame(0))); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Both directions: the copy changes, then the original changes.
        for (bool changeCopy : {true, false}) {
            CEditableImage original = TwoFrames();
            CEditableImage copy(original);
            CEditableImage& changed = changeCopy ? copy : original;
            const CEditableImage& kept = changeCopy ? original : copy;
            const FrameLook before = Look(kept, 1);
            c.edit(changed);
            // Pseudo colours leave a true-colour frame as it is; it still detaches.
            if (std::string(c.name) != "PseudoColors") {
                EXPECT_FALSE(Look(changed, 1) == before) << "the edit did nothing";
            }
            EXPECT_FALSE(copy.SharesFrameWith(original, 1));
            EXPECT_EQ(Look(kept, 1), before);
            EXPECT_TRUE(copy.SharesFrameWith(original, 0));
        }
    }
}

TEST(CopyOnWrite, FloatingSelectionIsSharedAndDetached)
{
    CEditableImage original;
    const Raster lifted = test::Filled(2, 2, MakeRgb(5, 6, 7));
    original.SetFloatingSelection(&lifted);
    CEditableImage copy(original);
    copy.GetFloatingSelection()->SetPixelColor(0, 0, MakeRgb(0, 0, 0));
    EXPECT_EQ(std::as_const(original).GetFloatingSelection()->GetPixelColor(0, 0), MakeRgb(5, 6, 7));
    EXPECT_EQ(std::as_const(copy).GetFloatingSelection()->GetPixelColor(0, 0), MakeRgb(0, 0, 0));
}

TEST(CopyOnWrite, MemoryCountsSharedBlocksOnce)
{
    const CEditableImage a = TwoFrames();
    MemoryTally one;
    a.CountMemory(one);
    // Two frames, an alpha plane and a layer picture.
    const uint64_t pixels = RasterBytes(*a.GetFrame(0)) + RasterBytes(*a.GetFrame(1));
    EXPECT_GT(one.Total(), pixels);

    CEditableImage b(a);
    MemoryTally both;
    a.CountMemory(both);
    b.CountMemory(both);
    // A copy adds only its own small record, not its frames.
    EXPECT_LT(both.Total() - one.Total(), 1024u);

    b.GetFrame(1)->SetPixelColor(0, 0, MakeRgb(1, 1, 1));
    MemoryTally after;
    a.CountMemory(after);
    b.CountMemory(after);
    EXPECT_EQ(after.Total() - both.Total(), FrameBytes(*b.GetFrame(1)));
}

} // namespace
} // namespace vex
