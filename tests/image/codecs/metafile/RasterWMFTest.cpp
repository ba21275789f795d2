// The metafile reader: which files it takes, how it sizes the picture, where
// the drawing lands, and how it refuses damaged or oversized files.

#include <gtest/gtest.h>

#include "image/CodecRegistry.h"
#include "image/Limits.h"
#include "image/codecs/metafile/MetafileSize.h"
#include "image/codecs/metafile/RasterWMF.h"
#include "MetafileFixtures.h"

namespace vex {
namespace {

using test::EmfBuilder;
using test::TopDownColor;
using test::WmfBuilder;

const bool kRegistered = (RegisterMetafileCodec(), true);

constexpr uint32_t kRed = 0x0000FF;     // as a COLORREF
constexpr uint32_t kRedRgb = 0xFF0000;  // as read back
constexpr uint32_t kWhiteRgb = 0xFFFFFF;

bool DecodeBytes(Raster& img, const std::vector<uint8_t>& bytes, uint32_t type = TypeWmf)
{
    MemoryStream stream(bytes.data(), bytes.size());
    return img.Decode(&stream, type);
}

// A red rectangle with no outline on a picture whose window is 0..100.
WmfBuilder RedRectangle(int l, int t, int r, int b)
{
    WmfBuilder w;
    w.Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).Rectangle(l, t, r, b);
    return w;
}

TEST(RasterWMF, RegistrationAddsTheReaderBehindTheBuiltInTable)
{
    ASSERT_TRUE(kRegistered);
    EXPECT_NE(FindCodec(TypeWmf), nullptr);
    EXPECT_FALSE(RegisterExtraCodec(TypeUnknown, &MakeCodec<RasterWMF>));
    EXPECT_FALSE(RegisterExtraCodec(kLastImageType + 1, &MakeCodec<RasterWMF>));
    EXPECT_FALSE(RegisterExtraCodec(TypeWmf, nullptr));
}

TEST(RasterWMF, PlaceableFileFillsTheRightPixelsWithTheRightColour)
{
    // 96 units per inch: one unit is one screen pixel.
    const auto bytes = RedRectangle(10, 20, 30, 40).WindowExt(100, 100).Placeable(0, 0, 100, 100, 96);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, bytes)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), uint32_t{TypeWmf});
    ASSERT_EQ(img.GetWidth(), 100u);
    ASSERT_EQ(img.GetHeight(), 100u);
    EXPECT_EQ(img.GetBpp(), 24);
    struct Case {
        uint32_t x, y, want;
    } cases[] = {{10, 20, kRedRgb}, {29, 39, kRedRgb}, {20, 30, kRedRgb}, {9, 20, kWhiteRgb},
                 {30, 20, kWhiteRgb}, {10, 19, kWhiteRgb}, {10, 40, kWhiteRgb}, {0, 0, kWhiteRgb}};
    for (const auto& c : cases)
        EXPECT_EQ(TopDownColor(img, c.x, c.y), c.want) << "at (" << c.x << ", " << c.y << ")";
}

TEST(RasterWMF, PlaceableSizeFollowsUnitsPerInch)
{
    struct Case {
        int right, bottom, inch;
        uint32_t wantW, wantH;
    } cases[] = {
        {1440, 720, 1440, 96, 48},   // twips: one inch by half an inch
        {254, 127, 254, 96, 48},     // tenths of an inch
        {100, 50, 96, 100, 50},      // screen pixels
        {8000, 2000, 96, 4000, 1000}, // over the limit: width first, keeping the shape
        {2000, 8000, 96, 1000, 4000}, // height over the limit
    };
    for (const auto& c : cases) {
        const auto bytes = RedRectangle(0, 0, 1, 1).WindowExt(c.right, c.bottom).Placeable(0, 0, c.right, c.bottom, c.inch);
        Raster img;
        ASSERT_TRUE(DecodeBytes(img, bytes)) << img.GetLastError();
        EXPECT_EQ(img.GetWidth(), c.wantW) << c.right << "x" << c.bottom << " at " << c.inch;
        EXPECT_EQ(img.GetHeight(), c.wantH) << c.right << "x" << c.bottom << " at " << c.inch;
    }
}

TEST(RasterWMF, WindowIsScaledOntoThePicture)
{
    // 1000 units over 100 pixels: the rectangle 100..300 lands on 10..29.
    const auto bytes = RedRectangle(100, 200, 300, 400).WindowExt(1000, 1000).Placeable(0, 0, 1000, 1000, 960);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, bytes)) << img.GetLastError();
    ASSERT_EQ(img.GetWidth(), 100u);
    EXPECT_EQ(TopDownColor(img, 10, 20), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 29, 39), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 30, 39), kWhiteRgb);
    EXPECT_EQ(TopDownColor(img, 9, 25), kWhiteRgb);
}

TEST(RasterWMF, SizeRulesRejectEmptyAndNegativeExtentsAndKeepThinSides)
{
    // Literally, a negative box would pass and a very wide one would round
    // its height to 0; both are refused or kept at one pixel instead.
    struct Case {
        int left, top, right, bottom, inch;
        const char* wantError;
        uint32_t wantW, wantH;
    } cases[] = {
        {0, 0, 0, 100, 96, "empty WMF", 0, 0},
        {0, 0, 100, 0, 96, "empty WMF", 0, 0},
        {100, 0, 0, 100, 96, "empty WMF", 0, 0},
        {0, 100, 100, 0, 96, "empty WMF", 0, 0},
        {0, 0, 32000, 1, 1, nullptr, 4000, 1},
        {0, 0, 1, 32000, 1, nullptr, 1, 4000},
        // 3072000 x 1536000 pixels: height x 4000 does not fit in 32 bits.
        {0, 0, 32000, 16000, 1, nullptr, 4000, 2000},
    };
    for (const auto& c : cases) {
        const auto bytes = WmfBuilder().Placeable(c.left, c.top, c.right, c.bottom, c.inch);
        Raster img;
        const bool ok = DecodeBytes(img, bytes);
        if (c.wantError) {
            EXPECT_FALSE(ok);
            EXPECT_STREQ(img.GetLastError(), c.wantError) << c.left << "," << c.top << "," << c.right << "," << c.bottom;
        } else {
            ASSERT_TRUE(ok) << img.GetLastError();
            EXPECT_EQ(img.GetWidth(), c.wantW);
            EXPECT_EQ(img.GetHeight(), c.wantH);
        }
    }
}

TEST(MetafileSize, LimitAndConversionExtents)
{
    using metafile::ConversionExtents;
    using metafile::LimitPictureSize;
    struct Case {
        int64_t w, h, wantW, wantH;
    } limits[] = {{8000, 2000, 4000, 1000}, {2000, 8000, 1000, 4000}, {4000, 4000, 4000, 4000},
                  {12000, 9000, 4000, 3000}, {1000000, 1, 4000, 1}, {3, 5, 3, 5}};
    for (const auto& c : limits) {
        const auto got = LimitPictureSize({c.w, c.h});
        ASSERT_TRUE(got);
        EXPECT_EQ(got->width, c.wantW) << c.w << "x" << c.h;
        EXPECT_EQ(got->height, c.wantH) << c.w << "x" << c.h;
    }
    EXPECT_FALSE(LimitPictureSize({0, 10}));
    EXPECT_FALSE(LimitPictureSize({10, -1}));
    // Multiplied by 10 while height < 6554 and width < 6553.
    struct Ext {
        int64_t w, h, wantW, wantH;
    } extents[] = {{100, 50, 10000, 5000}, {6552, 6553, 65520, 65530}, {6553, 10, 6553, 10},
                   {10, 6554, 10, 6554}, {1, 1, 10000, 10000}, {0, 5, 0, 5}, {-3, 5, -3, 5}};
    for (const auto& c : extents) {
        const auto got = ConversionExtents({c.w, c.h});
        EXPECT_EQ(got.width, c.wantW) << c.w << "x" << c.h;
        EXPECT_EQ(got.height, c.wantH) << c.w << "x" << c.h;
    }
}

TEST(RasterWMF, PlaceableHeaderNeedsKeyChecksumAndUnitsPerInch)
{
    auto good = RedRectangle(0, 0, 5, 5).WindowExt(10, 10).Placeable(0, 0, 10, 10, 96);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, good)) << img.GetLastError();
    struct Case {
        const char* name;
        size_t at;
        uint8_t value;
    } cases[] = {{"key", 0, 0x00}, {"checksum", 20, 0x00}, {"units per inch 0", 14, 0x00}};
    for (const auto& c : cases) {
        auto bad = good;
        bad[c.at] = c.value;
        if (c.at == 14) bad[15] = 0, bad[20] ^= 96; // keep the checksum right
        Raster r;
        EXPECT_FALSE(DecodeBytes(r, bad)) << c.name;
        EXPECT_STREQ(r.GetLastError(), "corrupted WMF") << c.name;
    }
    auto tooFine = RedRectangle(0, 0, 5, 5).Placeable(0, 0, 10, 10, 2541);
    Raster r;
    EXPECT_FALSE(DecodeBytes(r, tooFine));
    EXPECT_STREQ(r.GetLastError(), "corrupted WMF");
}

TEST(RasterWMF, PlainMetafileIsSizedByItsWindowInTwips)
{
    WmfBuilder w;
    w.WindowOrg(0, 0).WindowExt(1440, 1440).Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).Rectangle(0, 0, 720, 720);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, w.Plain())) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 96u);
    EXPECT_EQ(img.GetHeight(), 96u);
    EXPECT_EQ(TopDownColor(img, 0, 0), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 47, 47), kRedRgb);
    EXPECT_EQ(TopDownColor(img, 48, 48), kWhiteRgb);
    // Without a window there is nothing to size the picture by.
    Raster none;
    EXPECT_FALSE(DecodeBytes(none, RedRectangle(0, 0, 5, 5).Plain()));
    EXPECT_STREQ(none.GetLastError(), "empty WMF");
}

TEST(RasterWMF, DamagedRecordsFailWithAMessage)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    auto oversized = RedRectangle(1, 1, 5, 5);
    oversized.Raw({0x00, 0x10, 0x00, 0x00, 0x1B, 0x04, 1, 0}); // claims 4096 words
    auto tiny = RedRectangle(1, 1, 5, 5);
    tiny.Raw({0x02, 0x00, 0x00, 0x00, 0x1B, 0x04}); // fewer words than its own header
    auto shortPolygon = RedRectangle(1, 1, 5, 5);
    shortPolygon.Record(0x0324, {50, 1, 1, 2, 2}); // 50 points announced, 2 present
    auto shortRect = WmfBuilder();
    shortRect.Record(0x041B, {5, 5}); // a rectangle needs four words
    const Case cases[] = {
        {"record larger than the file", oversized.WindowExt(10, 10).Placeable(0, 0, 10, 10, 96, false)},
        {"record smaller than its header", tiny.WindowExt(10, 10).Placeable(0, 0, 10, 10, 96, false)},
        {"polygon count past its record", shortPolygon.WindowExt(10, 10).Placeable(0, 0, 10, 10, 96)},
        {"rectangle missing its corners", shortRect.WindowExt(10, 10).Placeable(0, 0, 10, 10, 96)},
        {"truncated file", [] {
             auto b = RedRectangle(1, 1, 5, 5).WindowExt(10, 10).Placeable(0, 0, 10, 10, 96);
             b.resize(b.size() - 12);
             return b;
         }()},
        {"not a metafile at all", std::vector<uint8_t>(64, 0x41)},
    };
    for (const auto& c : cases) {
        Raster img;
        img.Create(3, 3, 8);
        EXPECT_FALSE(DecodeBytes(img, c.bytes)) << c.name;
        EXPECT_STREQ(img.GetLastError(), "corrupted WMF") << c.name;
        EXPECT_EQ(img.GetWidth(), 3u) << c.name << ": the caller's image stays as it was";
    }
}

TEST(RasterWMF, WritingIsRefused)
{
    Raster img;
    img.Create(4, 4, 24);
    MemoryStream out;
    EXPECT_FALSE(img.Encode(&out, TypeWmf));
    EXPECT_STREQ(img.GetLastError(), "Save WMF not supported");
}

TEST(RasterWMF, EscapeCancelsReading)
{
    RasterWMF codec;
    codec.SetEscape(1);
    const auto bytes = RedRectangle(1, 1, 5, 5).WindowExt(10, 10).Placeable(0, 0, 10, 10, 96);
    MemoryStream stream(bytes.data(), bytes.size());
    EXPECT_FALSE(codec.DecodeStream(&stream));
    EXPECT_STREQ(codec.GetLastError(), "Cancelled");
}

TEST(RasterWMF, GuessingFindsMetafilesAfterTheOtherReaders)
{
    const auto wmf = RedRectangle(10, 20, 30, 40).WindowExt(100, 100).Placeable(0, 0, 100, 100, 96);
    EmfBuilder e;
    e.NullPen().Brush(1, kRed).Select(1).Rectangle(10, 20, 30, 40);
    for (const auto& bytes : {wmf, e.Build(0, 0, 100, 100)}) {
        Raster img;
        ASSERT_TRUE(DecodeBytes(img, bytes, TypeUnknown)) << img.GetLastError();
        EXPECT_EQ(img.GetType(), uint32_t{TypeWmf});
        EXPECT_EQ(TopDownColor(img, 15, 25), kRedRgb);
    }
}

} // namespace
} // namespace vex
