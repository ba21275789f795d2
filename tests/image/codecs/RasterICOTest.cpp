// Icon and cursor files: reading the directory, the planes and the mask,
// writing frame lists, and round trips at every depth.

#include <cstring>

#include <gtest/gtest.h>

#include "image/codecs/IconFixtures.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

using test::Bytes;
using test::IconBlock;
using test::IconFile;
using test::IconImage;

bool DecodeBytes(Raster& img, const std::vector<uint8_t>& bytes, uint32_t type, int frame = 0)
{
    img.SetFrame(frame);
    MemoryStream s(bytes.data(), bytes.size());
    return img.Decode(&s, type);
}

std::vector<uint8_t> EncodeFrames(uint32_t type, std::vector<Raster*> frames, Raster* codecOut = nullptr)
{
    RasterICO ico;
    RasterCUR cur;
    Raster& codec = type == TypeCur ? static_cast<Raster&>(cur) : ico;
    MemoryStream s;
    if (!codec.EncodeFrames(&s, frames.data(), static_cast<int>(frames.size()))) {
        if (codecOut) codecOut->SetLastError(codec.GetLastError());
        return {};
    }
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

uint32_t Le32(const std::vector<uint8_t>& v, size_t at)
{
    return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | uint32_t(v[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& v, size_t at) { return static_cast<uint16_t>(v[at] | v[at + 1] << 8); }

// A w x h picture of the depth with a varied pattern; paletted pictures
// leave their last index unused so a transparent index can be kept.
Raster Pattern(uint32_t w, uint32_t h, uint32_t bpp, bool alpha, int transIndex)
{
    Raster img;
    img.Create(w, h, bpp, TypeIco);
    const uint32_t colours = img.GetNumColors();
    for (uint32_t i = 0; i < colours; ++i)
        img.SetPaletteColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11),
                            static_cast<uint8_t>(i * 5));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (colours) img.SetPixelIndex(x, y, static_cast<uint8_t>((x * 3 + y * 7) % (colours == 2 ? 2 : colours - 1)));
            else img.SetPixelColor(x, y, MakeRgb(static_cast<uint8_t>(x * 9), static_cast<uint8_t>(y * 13), static_cast<uint8_t>(x ^ y)));
        }
    if (alpha) {
        img.AlphaCreate();
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) img.AlphaSet(x, y, static_cast<uint8_t>((x * 17 + y * 29) % 256));
    }
    img.SetTransIndex(transIndex);
    if (transIndex >= 0 && !colours) img.SetTransColor(MakeRgb(0, 0, 0));
    return img;
}

struct DepthCase {
    const char* name;
    uint32_t bpp;
    bool alpha;
    int transIndex;
};

// Encode then decode gives the picture back: every depth, icon and cursor,
// odd widths, with and without transparency, several images per file.
TEST(RasterICO, RoundTripsEveryDepthInIconsAndCursors)
{
    const DepthCase cases[] = {
        {"1 bpp", 1, false, -1},   {"4 bpp", 4, false, -1},         {"4 bpp keyed", 4, false, 3},
        {"8 bpp", 8, false, -1},   {"8 bpp keyed", 8, false, 0},    {"24 bpp", 24, false, -1},
        {"24 bpp keyed", 24, false, 0}, {"24 bpp + alpha", 24, true, -1},
    };
    for (uint32_t type : {uint32_t{TypeIco}, uint32_t{TypeCur}}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (type == TypeCur ? " cursor" : " icon"));
            Raster a = Pattern(15, 9, c.bpp, c.alpha, c.transIndex), b = Pattern(32, 32, c.bpp, c.alpha, c.transIndex);
            a.SetHotspot(3, 7);
            b.SetHotspot(31, 0);
            if (c.bpp == 24 && c.transIndex == 0) a.SetPixelColor(1, 1, MakeRgb(0, 0, 0)); // some keyed pixels
            const auto bytes = EncodeFrames(type, {&a, &b});
            ASSERT_FALSE(bytes.empty());
            for (int frame = 0; frame < 2; ++frame) {
                Raster want = frame ? b : a;
                if (type == TypeIco) want.SetHotspot(0, 0);
                Raster got;
                ASSERT_TRUE(DecodeBytes(got, bytes, type, frame)) << got.GetLastError();
                EXPECT_EQ(got.GetType(), type);
                EXPECT_EQ(got.GetNumFrames(), 2);
                EXPECT_EQ(test::DescribeDifference(want, got), "") << "frame " << frame;
                for (uint32_t i = 0; i + 1 < want.GetNumColors(); ++i) {
                    EXPECT_EQ(got.GetPaletteColor(static_cast<uint8_t>(i)), want.GetPaletteColor(static_cast<uint8_t>(i)));
                }
                EXPECT_EQ(got.AlphaIsValid(), c.alpha);
            }
        }
    }
}

TEST(RasterICO, CursorFrameOneReadsTheSecondEntryAndItsHotspot)
{
    const auto block = IconBlock(2, 2, 24, {}, std::vector<uint8_t>(16, 0x40), test::FlatMask(2, 2, 0));
    const auto block2 = IconBlock(4, 3, 24, {}, std::vector<uint8_t>(48, 0x80), test::FlatMask(4, 3, 0));
    const auto file = IconFile(kIconDirCursor, {{2, 2, 1, 1, block}, {4, 3, 5, 6, block2}});
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, file, TypeCur, 1)) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 4u);
    EXPECT_EQ(img.GetHeight(), 3u);
    EXPECT_EQ(img.GetNumFrames(), 2);
    EXPECT_EQ(img.GetHotspotX(), 5);
    EXPECT_EQ(img.GetHotspotY(), 6);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(0x80, 0x80, 0x80));
}

TEST(RasterICO, DirectoryTypeSelectsTheCodecAndGuessingFindsBoth)
{
    const auto block = IconBlock(2, 2, 24, {}, std::vector<uint8_t>(16, 0x40), test::FlatMask(2, 2, 0));
    const auto icon = IconFile(kIconDirIcon, {{2, 2, 0, 24, block}});
    const auto cursor = IconFile(kIconDirCursor, {{2, 2, 1, 1, block}});
    Raster img;
    EXPECT_FALSE(DecodeBytes(img, icon, TypeCur));
    EXPECT_FALSE(DecodeBytes(img, cursor, TypeIco));
    ASSERT_TRUE(DecodeBytes(img, icon, TypeUnknown));
    EXPECT_EQ(img.GetType(), uint32_t{TypeIco});
    ASSERT_TRUE(DecodeBytes(img, cursor, TypeUnknown));
    EXPECT_EQ(img.GetType(), uint32_t{TypeCur});
    EXPECT_EQ(img.GetHotspotX(), 1);
}

TEST(RasterICO, FrameIndexOutOfRangeFailsButReportsTheCount)
{
    const auto block = IconBlock(2, 2, 24, {}, std::vector<uint8_t>(16, 0x40), test::FlatMask(2, 2, 0));
    const auto file = IconFile(kIconDirIcon, {{2, 2, 0, 24, block}, {2, 2, 0, 24, block}, {2, 2, 0, 24, block}});
    for (int frame : {-1, 3, 100}) {
        Raster img;
        EXPECT_FALSE(DecodeBytes(img, file, TypeIco, frame)) << frame;
        EXPECT_EQ(img.GetNumFrames(), 3) << frame;
        EXPECT_STRNE(img.GetLastError(), "") << frame;
    }
}

// A 1 bpp icon whose mask is all set: black and white swap, and the index
// now held by the formerly black pixels is the transparent one.
TEST(RasterICO, FullMaskSwapsBlackAndWhite)
{
    const std::vector<uint8_t> palette = {0, 0, 0, 0, 255, 255, 255, 0};
    // Row 0: pixels 0..3 = 1,0,1,0; row 1: 0,0,0,0.
    const std::vector<uint8_t> rows = {0xA0, 0, 0, 0, 0x00, 0, 0, 0};
    const auto file = IconFile(kIconDirIcon, {{4, 2, 0, 1, IconBlock(4, 2, 1, palette, rows, test::FlatMask(4, 2, 0xFF))}});
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, file, TypeIco)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(0, 0, 0));     // was white
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(255, 255, 255)); // was black
    EXPECT_EQ(img.GetTransIndex(), 1);                      // the index of white
    EXPECT_FALSE(img.AlphaIsValid());
}

// 4 bpp: an unused index becomes the transparent index; with all sixteen in
// use the mask stays as an alpha plane.
TEST(RasterICO, PalettedMaskUsesTheLowestUnusedIndex)
{
    std::vector<uint8_t> palette;
    for (int i = 0; i < 16; ++i) palette.insert(palette.end(), {uint8_t(i * 16), uint8_t(i), uint8_t(255 - i), 0});
    auto rowsUsing = [](int skip) {
        std::vector<uint8_t> rows(16, 0); // 16 x 2 pixels, 8 bytes a row
        for (int i = 0; i < 16; ++i) {
            const int index = i == skip ? (skip + 1) % 16 : i;
            rows[i / 2] |= static_cast<uint8_t>(i & 1 ? index : index << 4);
            rows[8 + i / 2] |= static_cast<uint8_t>(i & 1 ? index : index << 4);
        }
        return rows;
    };
    std::vector<uint8_t> mask = test::FlatMask(16, 2, 0);
    mask[0] = 0x80; // pixel (0, 0) masked
    struct Case {
        int skip;
        int wantTrans;
        bool wantAlpha;
    } cases[] = {{-1, -1, true}, {5, 5, false}};
    for (const auto& c : cases) {
        const auto file = IconFile(kIconDirIcon, {{16, 2, 0, 4, IconBlock(16, 2, 4, palette, rowsUsing(c.skip), mask)}});
        Raster img;
        ASSERT_TRUE(DecodeBytes(img, file, TypeIco)) << img.GetLastError();
        EXPECT_EQ(img.GetTransIndex(), c.wantTrans) << "skip " << c.skip;
        EXPECT_EQ(img.AlphaIsValid(), c.wantAlpha) << "skip " << c.skip;
        EXPECT_TRUE(test::Hidden(img, 0, 0));
        EXPECT_FALSE(test::Hidden(img, 1, 0));
        if (c.wantTrans >= 0) {
            EXPECT_EQ(img.GetPixelIndex(0, 0), c.wantTrans);
        }
    }
}

std::vector<uint8_t> Icon32(uint32_t w, uint32_t h, const std::vector<uint32_t>& bgra, const std::vector<uint8_t>& mask)
{
    Bytes px;
    for (uint32_t v : bgra) px.u32(v);
    return IconFile(kIconDirIcon, {{uint8_t(w), uint8_t(h), 1, 32, IconBlock(w, h, 32, {}, px.v, mask)}});
}

// 32 bpp pixels carry their own alpha. It collapses to a colour key only when
// the key says the same thing; soft edges and opaque black are kept.
TEST(RasterICO, ThirtyTwoBitAlphaIsKept)
{
    const uint32_t clear = 0x00000000, black = 0xFF000000, red = 0xFFFF0000, soft = 0x80FF0000, grey = 0x00808080;
    std::vector<uint8_t> mask = test::FlatMask(2, 2, 0);
    mask[0] = 0x80; // pixel (0, 0) masked, as writers set it for alpha 0
    struct Case {
        const char* name;
        std::vector<uint32_t> pixels; // (0,0), (1,0), (0,1), (1,1)
        bool wantAlpha;
        int wantTrans;
    } cases[] = {
        {"binary alpha, black key", {clear, red, red, red}, false, 0},
        {"soft edge", {clear, soft, red, red}, true, -1},
        {"opaque black besides a black key", {clear, black, red, red}, true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Raster img;
        ASSERT_TRUE(DecodeBytes(img, Icon32(2, 2, c.pixels, mask), TypeIco)) << img.GetLastError();
        EXPECT_EQ(img.GetBpp(), 24);
        EXPECT_EQ(img.AlphaIsValid(), c.wantAlpha);
        EXPECT_EQ(img.GetTransIndex(), c.wantTrans);
        EXPECT_TRUE(test::Hidden(img, 0, 0));
        EXPECT_FALSE(test::Hidden(img, 1, 0));
        if (c.wantAlpha) {
            EXPECT_EQ(img.AlphaGet(1, 0), c.pixels[1] >> 24);
        } else {
            EXPECT_EQ(img.GetTransColor(), MakeRgb(0, 0, 0));
        }
    }
    // Masked pixels of different colours keep the plane.
    std::vector<uint8_t> two = test::FlatMask(2, 2, 0);
    two[0] = 0xC0;
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, Icon32(2, 2, {clear, grey, red, red}, two), TypeIco));
    EXPECT_TRUE(img.AlphaIsValid());
    // Every alpha byte zero: an old icon, whose mask is the transparency.
    ASSERT_TRUE(DecodeBytes(img, Icon32(2, 2, {0x00FF0000, 0x0000FF00, 0x00FF0000, 0x00FF0000}, mask), TypeIco));
    EXPECT_TRUE(test::Hidden(img, 0, 0));
    EXPECT_FALSE(test::Hidden(img, 1, 0));
    EXPECT_EQ(img.GetPixelColor(1, 0).green, 255);
}

TEST(RasterICO, ThirtyTwoBitRowsAreUnpadded)
{
    std::vector<uint32_t> px;
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 15; ++x) px.push_back(0xFF000000u | (x << 16) | (y << 8) | 7);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, Icon32(15, 3, px, test::FlatMask(15, 3, 0)), TypeIco));
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 15; ++x) EXPECT_EQ(img.GetPixelColor(x, y), MakeRgb(uint8_t(x), uint8_t(y), 7, 255));
}

// A size byte of 0 means 256, as every icon since 2007 uses it.
TEST(RasterICO, SizeByteZeroMeans256)
{
    const std::vector<uint8_t> rows((256 * 3) * 256, 0x33);
    const auto file = IconFile(kIconDirIcon, {{0, 0, 1, 24, IconBlock(256, 256, 24, {}, rows, test::FlatMask(256, 256, 0))}});
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, file, TypeIco)) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 256u);
    EXPECT_EQ(img.GetHeight(), 256u);
}

TEST(RasterICO, ShortDataFailsButAShortMaskStillReads)
{
    const std::vector<uint8_t> rows(16, 0x40);
    const auto whole = IconFile(kIconDirIcon, {{2, 2, 1, 24, IconBlock(2, 2, 24, {}, rows, test::FlatMask(2, 2, 0x80))}});
    // Cut inside the mask: the pixels read, without transparency.
    auto noMask = whole;
    noMask.resize(noMask.size() - 4);
    Raster img;
    ASSERT_TRUE(DecodeBytes(img, noMask, TypeIco));
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetTransIndex(), -1);
    // Cut inside the pixels, the palette or the header: a clear failure.
    for (size_t cut : {size_t{8 + 10}, size_t{8 + 16}, size_t{30}}) {
        auto shortFile = whole;
        shortFile.resize(whole.size() - cut);
        EXPECT_FALSE(DecodeBytes(img, shortFile, TypeIco)) << cut;
        EXPECT_STRNE(img.GetLastError(), "") << cut;
    }
}

TEST(RasterICO, WriterLayoutOfTwentyFourBitsWithAlpha)
{
    Raster img = Pattern(5, 3, 24, true, -1);
    const auto bytes = EncodeFrames(TypeIco, {&img});
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(Le16(bytes, 0), 0);
    EXPECT_EQ(Le16(bytes, 2), 1);
    EXPECT_EQ(Le16(bytes, 4), 1);
    EXPECT_EQ(bytes[6], 5);
    EXPECT_EQ(bytes[7], 3);
    EXPECT_EQ(Le16(bytes, 10), 0);  // planes
    EXPECT_EQ(Le16(bytes, 12), 32); // entry bit count: the stored depth, so other readers keep the alpha
    const uint32_t maskBytes = 3 * 4;
    EXPECT_EQ(Le32(bytes, 14), 40 + 4 * 5 * 3 + maskBytes);
    EXPECT_EQ(Le32(bytes, 18), 22u);
    EXPECT_EQ(Le32(bytes, 22 + 8), 6u);     // header height doubled
    EXPECT_EQ(Le16(bytes, 22 + 14), 32);    // header bit count
    EXPECT_EQ(Le32(bytes, 22 + 20), 60u);   // image size
    EXPECT_EQ(bytes.size(), 22u + 40 + 60 + maskBytes);
}

TEST(RasterICO, WriterRefusesWhatItCannotHold)
{
    Raster small = Pattern(255, 255, 8, false, -1), huge = Pattern(257, 16, 24, false, -1);
    EXPECT_FALSE(EncodeFrames(TypeIco, {&small}).empty());
    struct Case {
        uint32_t type;
        std::vector<Raster*> frames;
        const char* message;
    } cases[] = {
        {TypeIco, {&small, &huge}, "Can't save this image as icon"},
        {TypeCur, {&huge}, "Can't save this image as cur"},
        {TypeIco, {}, "No valid image"},
    };
    for (auto& c : cases) {
        Raster err;
        EXPECT_TRUE(EncodeFrames(c.type, c.frames, &err).empty()) << c.message;
        EXPECT_STREQ(err.GetLastError(), c.message);
    }
    // Nothing reaches the stream when an image is refused.
    RasterICO ico;
    MemoryStream s;
    Raster* list[] = {&small, &huge};
    EXPECT_FALSE(ico.EncodeFrames(&s, list, 2));
    EXPECT_EQ(s.Size(), 0);
}

// Paletted images are masked by index: a black opaque entry beside a black
// transparent entry stays opaque.
TEST(RasterICO, PalettedMaskComparesIndices)
{
    Raster img;
    img.Create(4, 1, 4, TypeIco);
    img.SetPaletteColor(0, 0, 0, 0);
    img.SetPaletteColor(1, 0, 0, 0);
    img.SetPaletteColor(2, 255, 0, 0);
    for (uint32_t x = 0; x < 4; ++x) img.SetPixelIndex(x, 0, static_cast<uint8_t>(x % 3));
    img.SetTransIndex(0);
    const auto bytes = EncodeFrames(TypeIco, {&img});
    ASSERT_FALSE(bytes.empty());
    const size_t maskAt = bytes.size() - 4;
    EXPECT_EQ(bytes[maskAt], 0x90); // pixels 0 and 3 (index 0), not pixel 1 (index 1, also black)
}

TEST(RasterICO, EncodeWritesOneImageThroughTheRegistry)
{
    Raster img = Pattern(7, 5, 8, false, -1);
    img.SetHotspot(2, 3);
    MemoryStream s;
    ASSERT_TRUE(img.Encode(&s, TypeCur));
    const std::vector<uint8_t> bytes(s.GetBuffer(), s.GetBuffer() + s.Size());
    Raster got;
    ASSERT_TRUE(DecodeBytes(got, bytes, TypeCur));
    EXPECT_EQ(test::DescribeDifference(img, got), "");
    EXPECT_FALSE(img.Encode(static_cast<ByteStream*>(nullptr), TypeCur));
}

// Images 256 pixels on a side go in as PNG streams with size bytes 0, and
// come back with their alpha and, for cursors, their hotspot.
TEST(RasterICO, Images256PixelsWideAreWrittenAsPngEntries)
{
    Raster big = Pattern(256, 256, 24, true, -1), wide = Pattern(256, 16, 8, false, -1), small = Pattern(16, 16, 4, false, -1);
    big.SetHotspot(200, 17);
    for (uint32_t type : {uint32_t{TypeIco}, uint32_t{TypeCur}}) {
        const auto bytes = EncodeFrames(type, {&small, &big, &wide});
        ASSERT_FALSE(bytes.empty());
        const size_t entry = 6 + 16;
        EXPECT_EQ(bytes[entry], 0);
        EXPECT_EQ(bytes[entry + 1], 0);
        const uint32_t offset = Le32(bytes, entry + 12);
        EXPECT_EQ(std::memcmp(&bytes[offset], "\x89PNG", 4), 0);
        EXPECT_EQ(Le32(bytes, entry + 8), Le32(bytes, entry + 16 + 12) - offset); // byte count of the stream
        for (int frame : {1, 2}) {
            Raster want = frame == 1 ? big : wide;
            if (type == TypeIco) want.SetHotspot(0, 0);
            Raster got;
            ASSERT_TRUE(DecodeBytes(got, bytes, type, frame)) << got.GetLastError();
            EXPECT_EQ(got.GetType(), type);
            EXPECT_EQ(got.GetWidth(), 256u);
            EXPECT_EQ(got.GetHotspotX(), want.GetHotspotX());
            EXPECT_EQ(got.GetHotspotY(), want.GetHotspotY());
            for (uint32_t y = 0; y < want.GetHeight(); ++y)
                for (uint32_t x = 0; x < 256; ++x) {
                    RgbQuad a = want.GetPixelColor(x, y), b = got.GetPixelColor(x, y);
                    if (!want.AlphaIsValid()) a.reserved = 255;
                    if (!got.AlphaIsValid()) b.reserved = 255;
                    ASSERT_EQ(a, b) << "frame " << frame << " at " << x << "," << y;
                }
        }
    }
}

} // namespace
} // namespace vex
