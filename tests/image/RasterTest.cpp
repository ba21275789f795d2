#include <cstring>

#include <gtest/gtest.h>

#include "image/Limits.h"
#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

TEST(RasterCreate, NormalisesDepthAndComputesStride)
{
    struct Case {
        uint32_t width, bpp;
        uint16_t wantBpp;
        uint32_t wantColours, wantStride;
    } cases[] = {
        {10, 0, 1, 2, 4},    {33, 1, 1, 2, 8},    {5, 2, 4, 16, 4},     {9, 3, 4, 16, 8},   {7, 5, 8, 256, 8},
        {4, 8, 8, 256, 4},   {1, 16, 24, 0, 4},   {3, 24, 24, 0, 12},   {2, 32, 24, 0, 8},  {1, 24, 24, 0, 4},
    };
    for (const auto& c : cases) {
        Raster img;
        ASSERT_NE(img.Create(c.width, 3, c.bpp, TypeBmp), nullptr) << "bpp " << c.bpp;
        EXPECT_EQ(img.GetBpp(), c.wantBpp) << "have bpp " << img.GetBpp() << " for request " << c.bpp;
        EXPECT_EQ(img.GetNumColors(), c.wantColours) << "bpp " << c.bpp;
        EXPECT_EQ(img.GetEffWidth(), c.wantStride) << "width " << c.width << " bpp " << c.bpp;
        EXPECT_EQ(img.GetHeader().sizeImage, c.wantStride * 3);
        EXPECT_EQ(img.GetSize(), 40u + 4 * c.wantColours + c.wantStride * 3);
        EXPECT_EQ(img.GetType(), uint32_t{TypeBmp});
    }
}

TEST(RasterCreate, HeaderInBlockMatchesImage)
{
    Raster img;
    ASSERT_TRUE(img.Create(17, 5, 4, TypeBmp));
    img.SetXDPI(96);
    img.SetYDPI(300);
    const BitmapInfoHeader h = LoadInfoHeader(img.GetDIB());
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 17);
    EXPECT_EQ(h.height, 5);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 4);
    EXPECT_EQ(h.clrUsed, 16u);
    EXPECT_EQ(h.xPelsPerMeter, 3780);
    EXPECT_EQ(h.yPelsPerMeter, 11811);
    EXPECT_EQ(img.GetBits(), img.GetDIB() + 40 + 64);
}

TEST(RasterCreate, RowsStartZeroed)
{
    Raster img;
    ASSERT_TRUE(img.Create(31, 9, 24));
    for (uint32_t i = 0; i < img.GetHeader().sizeImage; ++i) ASSERT_EQ(img.GetBits()[i], 0) << "byte " << i;
}

TEST(RasterCreate, RefusesZeroSidesAndOversizedImages)
{
    struct Case {
        uint32_t w, h, bpp;
        const char* want;
    } cases[] = {
        {0, 10, 8, "Raster::Create can't allocate memory"},
        {10, 0, 24, "Raster::Create can't allocate memory"},
        {0xFFFFFFFFu, 2, 24, "Raster::Create can't allocate memory"},
        {40000, 40000, 24, "RASTER_MAX_MEMORY exceeded"},
        // The pixel block is small at 1 bpp, but its alpha plane would not be.
        {200000, 200000, 1, "RASTER_MAX_MEMORY exceeded"},
    };
    for (const auto& c : cases) {
        Raster img;
        EXPECT_EQ(img.Create(c.w, c.h, c.bpp), nullptr);
        EXPECT_FALSE(img.IsValid());
        EXPECT_STREQ(img.GetLastError(), c.want) << c.w << " x " << c.h;
    }
    static_assert(kMaxImageBytes >= 40 + 32768ull * 32768 * 3, "the cap must allow 32768 x 32768 at 24 bpp");
}

TEST(RasterDefaults, MatchTheDocumentedValues)
{
    Raster img(TypeGif);
    EXPECT_EQ(img.GetType(), uint32_t{TypeGif});
    EXPECT_EQ(img.GetJpegQuality(), 75);
    EXPECT_EQ(img.GetAlphaMax(), 255);
    EXPECT_EQ(img.GetTransIndex(), -1);
    EXPECT_TRUE(img.IsEnabled());
    EXPECT_EQ(img.GetXDPI(), 96);
    EXPECT_EQ(img.GetHeader().xPelsPerMeter, 3780);
    EXPECT_EQ(img.GetBits(), nullptr);
    EXPECT_EQ(img.GetSize(), 0u);
}

TEST(RasterPixels, IndexRoundTripAtEveryPalettedDepth)
{
    for (uint32_t bpp : {1u, 4u, 8u}) {
        Raster img;
        ASSERT_TRUE(img.Create(13, 7, bpp));
        const uint32_t n = img.GetNumColors();
        for (uint32_t y = 0; y < 7; ++y)
            for (uint32_t x = 0; x < 13; ++x) img.SetPixelIndex(x, y, static_cast<uint8_t>((x * 7 + y * 3) % n));
        for (uint32_t y = 0; y < 7; ++y)
            for (uint32_t x = 0; x < 13; ++x)
                ASSERT_EQ(img.GetPixelIndex(x, y), (x * 7 + y * 3) % n) << "bpp " << bpp << " at " << x << "," << y;
    }
}

TEST(RasterPixels, PackingFollowsTheBitmapLayout)
{
    Raster one;
    ASSERT_TRUE(one.Create(9, 1, 1));
    one.SetPixelIndex(0, 0, 1);
    one.SetPixelIndex(8, 0, 1);
    EXPECT_EQ(one.GetBits()[0], 0x80);
    EXPECT_EQ(one.GetBits()[1], 0x80);
    Raster four;
    ASSERT_TRUE(four.Create(3, 1, 4));
    four.SetPixelIndex(0, 0, 0xA);
    four.SetPixelIndex(1, 0, 0x5);
    EXPECT_EQ(four.GetBits()[0], 0xA5);
}

TEST(RasterPixels, OutOfRangeReads)
{
    Raster img;
    ASSERT_TRUE(img.Create(4, 2, 4));
    img.GetBits()[0] = 0x12; // pixel (0,0) = 1, pixel (1,0) = 2
    // With no transparent index an outside read gives pixel (0,0), not the
    // first byte of the rows (which holds two pixels here).
    EXPECT_EQ(img.GetPixelIndex(-1, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(4, 5), 1);
    img.SetTransIndex(5);
    EXPECT_EQ(img.GetPixelIndex(-1, 0), 5);
    EXPECT_EQ(img.GetPixelIndex(0, 2), 5);

    img.SetPaletteColor(5, 10, 20, 30);
    EXPECT_EQ(img.GetPixelColor(99, 0), MakeRgb(10, 20, 30));

    Raster rgb;
    ASSERT_TRUE(rgb.Create(2, 2, 24));
    rgb.SetPixelColor(0, 0, MakeRgb(1, 2, 3));
    EXPECT_EQ(rgb.GetPixelColor(-5, -5), MakeRgb(1, 2, 3, 0));
    rgb.SetTransColor(MakeRgb(9, 8, 7, 6));
    rgb.SetTransIndex(0);
    EXPECT_EQ(rgb.GetPixelColor(2, 0), MakeRgb(9, 8, 7, 6));
    // Inside, a 24 bpp pixel takes its fourth byte from the transparent colour.
    EXPECT_EQ(rgb.GetPixelColor(0, 0), MakeRgb(1, 2, 3, 6));

    Raster empty;
    empty.SetTransColor(MakeRgb(4, 5, 6));
    EXPECT_EQ(empty.GetPixelColor(0, 0), MakeRgb(4, 5, 6));
    EXPECT_EQ(empty.GetPixelIndex(0, 0), 0);
    empty.SetPixelIndex(0, 0, 1); // no block: nothing happens
}

TEST(RasterPixels, WritesOutsideAreIgnored)
{
    Raster img;
    ASSERT_TRUE(img.Create(3, 3, 24));
    const std::vector<uint8_t> before(img.GetDIB(), img.GetDIB() + img.GetSize());
    img.SetPixelColor(3, 0, MakeRgb(255, 255, 255));
    img.SetPixelColor(0, -1, MakeRgb(255, 255, 255));
    img.AlphaSet(5, 5, 9);
    EXPECT_EQ(std::vector<uint8_t>(img.GetDIB(), img.GetDIB() + img.GetSize()), before);
}

TEST(RasterPixels, AlphaReplacesTheFourthByte)
{
    Raster img;
    ASSERT_TRUE(img.Create(2, 1, 24));
    ASSERT_TRUE(img.AlphaCreate());
    img.SetPixelColor(1, 0, MakeRgb(10, 20, 30, 77), true);
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(10, 20, 30, 77));
    EXPECT_EQ(img.AlphaGet(1, 0), 77);
    EXPECT_EQ(img.AlphaGet(2, 0), 0);
}

TEST(RasterPixels, IsTransparentByIndexKeyAndAlpha)
{
    Raster pal;
    ASSERT_TRUE(pal.Create(2, 1, 8));
    pal.SetPixelIndex(1, 0, 3);
    EXPECT_FALSE(pal.IsTransparent(1, 0));
    pal.SetTransIndex(3);
    EXPECT_TRUE(pal.IsTransparent(1, 0));
    EXPECT_FALSE(pal.IsTransparent(0, 0));

    Raster rgb;
    ASSERT_TRUE(rgb.Create(2, 1, 24));
    rgb.SetPixelColor(0, 0, MakeRgb(1, 1, 1));
    rgb.SetTransColor(MakeRgb(1, 1, 1));
    rgb.SetTransIndex(0);
    EXPECT_TRUE(rgb.IsTransparent(0, 0));
    EXPECT_FALSE(rgb.IsTransparent(1, 0));
    rgb.SetTransIndex(-1);
    EXPECT_FALSE(rgb.IsTransparent(0, 0));
    ASSERT_TRUE(rgb.AlphaCreate());
    rgb.AlphaSet(1, 0, 200);
    EXPECT_TRUE(rgb.IsTransparent(0, 0));
    EXPECT_FALSE(rgb.IsTransparent(1, 0));
}

TEST(RasterLifecycle, CopyOwnsFreshBuffersAndNoCache)
{
    Raster src;
    ASSERT_TRUE(src.Create(4, 4, 8, TypeGif));
    src.SetPaletteColor(1, 200, 0, 0);
    src.SetPixelIndex(2, 2, 1);
    ASSERT_TRUE(src.AlphaCreate());
    ASSERT_TRUE(src.SelectionCreate());
    src.SetComment("hello");
    EXPECT_EQ(src.GetNearestIndex(MakeRgb(200, 0, 0)), 1); // fills the source's cache

    Raster copy(src);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(copy.GetBits(), src.GetBits());
    EXPECT_NE(copy.AlphaGetPointer(), src.AlphaGetPointer());
    EXPECT_FALSE(copy.IsGhost());
    EXPECT_STREQ(copy.GetComment(), "hello");
    EXPECT_EQ(copy.GetPixelIndex(2, 2), 1);
    // The cache is not copied: a palette change in the copy answers afresh.
    copy.GetPalette()[1] = MakeRgb(0, 0, 0);
    copy.GetPalette()[0] = MakeRgb(200, 0, 0);
    EXPECT_EQ(copy.GetNearestIndex(MakeRgb(200, 0, 0)), 0);
    copy.SetPixelIndex(2, 2, 0);
    EXPECT_EQ(src.GetPixelIndex(2, 2), 1);

    Raster noPixels(src, false, false, false);
    EXPECT_EQ(noPixels.GetPixelIndex(2, 2), 0);
    EXPECT_EQ(noPixels.GetPaletteColor(1), MakeRgb(200, 0, 0));
    EXPECT_FALSE(noPixels.AlphaIsValid());
    EXPECT_FALSE(noPixels.SelectionIsValid());
}

TEST(RasterLifecycle, TransferMovesEverythingAndEmptiesTheSource)
{
    Raster src;
    ASSERT_TRUE(src.Create(3, 2, 24, TypePng));
    ASSERT_TRUE(src.AlphaCreate());
    src.SetFrameDelay(12);
    uint8_t* bits = src.GetBits();
    Raster dst;
    ASSERT_TRUE(dst.Create(1, 1, 1));
    dst.Transfer(src);
    EXPECT_EQ(dst.GetBits(), bits);
    EXPECT_EQ(dst.GetWidth(), 3u);
    EXPECT_EQ(dst.GetFrameDelay(), 12u);
    EXPECT_EQ(dst.GetType(), uint32_t{TypePng});
    EXPECT_TRUE(dst.AlphaIsValid());
    EXPECT_FALSE(src.IsValid());
    EXPECT_FALSE(src.AlphaIsValid());
    EXPECT_EQ(src.GetWidth(), 0u);
}

TEST(RasterLifecycle, GhostSharesAndNeverFrees)
{
    Raster src;
    ASSERT_TRUE(src.Create(2, 2, 8));
    ASSERT_TRUE(src.AlphaCreate());
    {
        Raster ghost;
        ghost.Ghost(src);
        EXPECT_TRUE(ghost.IsGhost());
        EXPECT_EQ(ghost.GetBits(), src.GetBits());
        EXPECT_EQ(ghost.AlphaGetPointer(), src.AlphaGetPointer());
        ghost.SetPixelIndex(1, 1, 42);
        ghost.Destroy();
        EXPECT_FALSE(ghost.IsValid());
    }
    // The source still owns live buffers (a sanitizer build would catch a
    // double free or a use after free here).
    EXPECT_EQ(src.GetPixelIndex(1, 1), 42);
    src.AlphaSet(1, 1, 5);
}

TEST(RasterLifecycle, CopyInfoOnlyIntoAnEmptyImage)
{
    Raster src;
    ASSERT_TRUE(src.Create(2, 2, 24));
    src.SetFrame(4);
    Raster target;
    ASSERT_TRUE(target.Create(1, 1, 8));
    target.CopyInfo(src);
    EXPECT_EQ(target.GetFrame(), 0);
    Raster empty;
    empty.CopyInfo(src);
    EXPECT_EQ(empty.GetFrame(), 4);
    EXPECT_EQ(empty.GetBits(), nullptr);
    EXPECT_FALSE(empty.IsGhost());
}

TEST(RasterInfo, DpiHotspotCommentAndLastError)
{
    Raster img;
    img.SetXDPI(96);
    EXPECT_EQ(img.GetHeader().xPelsPerMeter, 3780);
    img.SetYDPI(72);
    EXPECT_EQ(img.GetHeader().yPelsPerMeter, 2835);
    img.SetHotspot(70000, 5);
    EXPECT_EQ(img.GetHotspotX(), 70000 & 0xFFFF);
    const std::string longText(400, 'x');
    img.SetComment(longText.c_str());
    EXPECT_EQ(std::strlen(img.GetComment()), 255u);
    img.SetLastError(longText.c_str());
    EXPECT_EQ(std::strlen(img.GetLastError()), 255u);
    // A reader passing its own last error on (overlapping copy; a sanitizer
    // build caught the plain string copy here).
    img.SetLastError("Can't read PCX image");
    img.SetLastError(img.GetLastError());
    EXPECT_STREQ(img.GetLastError(), "Can't read PCX image");
    img.SetLastError(img.GetLastError() + 6);
    EXPECT_STREQ(img.GetLastError(), "read PCX image");
}

TEST(RasterAlpha, CreateCopyFlipMirrorAndGrey)
{
    Raster img;
    ASSERT_TRUE(img.Create(3, 2, 24));
    ASSERT_TRUE(img.AlphaCreate());
    img.AlphaSet(255);
    ASSERT_TRUE(img.AlphaCreate()); // replaces with a fully transparent plane
    EXPECT_EQ(img.AlphaGet(1, 1), 0);
    img.AlphaSet(0, 0, 1);
    img.AlphaSet(2, 0, 3);
    img.AlphaMirror();
    EXPECT_EQ(img.AlphaGet(0, 0), 3);
    EXPECT_EQ(img.AlphaGet(2, 0), 1);
    img.AlphaFlip();
    EXPECT_EQ(img.AlphaGet(0, 1), 3);
    EXPECT_EQ(img.AlphaGet(0, 0), 0);

    img.SetAlphaMax(100);
    Raster same, taller, wider;
    ASSERT_TRUE(same.Create(3, 2, 8));
    ASSERT_TRUE(taller.Create(3, 5, 8));
    ASSERT_TRUE(wider.Create(4, 2, 8));
    EXPECT_TRUE(same.AlphaCopy(img));
    EXPECT_EQ(same.AlphaGet(0, 1), 3);
    EXPECT_EQ(same.GetAlphaMax(), 100);
    // Equal width is not enough: the heights must match too.
    EXPECT_FALSE(taller.AlphaCopy(img));
    EXPECT_FALSE(wider.AlphaCopy(img));
    EXPECT_FALSE(img.AlphaCopy(wider)); // a source without a plane

    Raster grey;
    ASSERT_TRUE(grey.Create(3, 2, 8));
    for (int i = 0; i < 256; ++i) grey.SetPaletteColor(static_cast<uint8_t>(i), i, i, i);
    grey.SetPixelIndex(1, 1, 200);
    Raster target;
    ASSERT_TRUE(target.Create(3, 2, 24));
    ASSERT_TRUE(target.AlphaSetFromGray(grey));
    EXPECT_EQ(target.AlphaGet(1, 1), 200);
    grey.SetPaletteColor(7, 1, 2, 3);
    EXPECT_FALSE(target.AlphaSetFromGray(grey));
    EXPECT_FALSE(taller.AlphaSetFromGray(grey));
}

TEST(RasterAlpha, StripBlendsAgainstTheTransparentColour)
{
    Raster img;
    ASSERT_TRUE(img.Create(2, 1, 24));
    img.SetPixelColor(0, 0, MakeRgb(200, 100, 50));
    img.SetPixelColor(1, 0, MakeRgb(200, 100, 50));
    ASSERT_TRUE(img.AlphaCreate());
    img.AlphaSet(0, 0, 128);
    img.AlphaSet(1, 0, 255);
    img.SetTransColor(MakeRgb(0, 0, 255));
    img.SetAlphaMax(128);
    ASSERT_TRUE(img.AlphaStrip());
    EXPECT_FALSE(img.AlphaIsValid());
    // a = 128 * 128 / 255 = 64; channel = (bg * (255 - a) + c * a) / 255
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(200 * 64 / 255, 100 * 64 / 255, (255 * 191 + 50 * 64) / 255));
    // a = 128 * 255 / 255 = 128
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(200 * 128 / 255, 100 * 128 / 255, (255 * 127 + 50 * 128) / 255));

    Raster plain;
    ASSERT_TRUE(plain.Create(1, 1, 24));
    EXPECT_FALSE(plain.AlphaStrip());
}

TEST(RasterAlpha, StripOfPaletteAlphaRendersTo24Bits)
{
    Raster img;
    ASSERT_TRUE(img.Create(2, 1, 8));
    img.SetPaletteColor(1, 100, 200, 60, 51); // a = 255 * 51 / 255 = 51
    img.SetPixelIndex(0, 0, 1);
    img.SetPixelIndex(1, 0, 0);
    img.SetTransColor(MakeRgb(255, 255, 255));
    ASSERT_TRUE(img.AlphaPaletteIsValid());
    ASSERT_TRUE(img.AlphaStrip());
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetPixelColor(0, 0),
              MakeRgb((255 * 204 + 100 * 51) / 255, (255 * 204 + 200 * 51) / 255, (255 * 204 + 60 * 51) / 255));
    // Entry 0 has a fourth byte of 0: fully the background.
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(255, 255, 255));
}

TEST(RasterSelection, DeleteCopyAndInside)
{
    Raster img;
    ASSERT_TRUE(img.Create(5, 4, 8));
    EXPECT_TRUE(img.SelectionIsInside(4, 3));
    EXPECT_FALSE(img.SelectionIsInside(5, 0));
    ASSERT_TRUE(img.SelectionCreate());
    EXPECT_FALSE(img.SelectionIsInside(1, 1));
    img.SelectionGetPointer()[1 * 5 + 1] = 255;
    EXPECT_TRUE(img.SelectionIsInside(1, 1));
    img.SetSelectionBox({1, 1, 2, 1});

    Raster other, tall;
    ASSERT_TRUE(other.Create(5, 4, 24));
    ASSERT_TRUE(tall.Create(5, 9, 24));
    EXPECT_TRUE(other.SelectionCopy(img));
    EXPECT_TRUE(other.SelectionIsInside(1, 1));
    EXPECT_EQ(other.GetSelectionBox(), (RasterRect{1, 1, 2, 1}));
    EXPECT_FALSE(tall.SelectionCopy(img));

    img.SelectionDelete();
    EXPECT_FALSE(img.SelectionIsValid());
    EXPECT_EQ(img.GetSelectionBox(), (RasterRect{5, 0, 0, 4}));
}

TEST(RasterBitfields, SixteenAndThirtyTwoBitConversion)
{
    Raster img;
    ASSERT_TRUE(img.Create(3, 1, 24));
    // 5-6-5: white, pure red, a mid green (code 32 of 63).
    const uint16_t px565[4] = {0xFFFF, 0xF800, 32 << 5, 0};
    img.Bitfield2RGB(reinterpret_cast<const uint8_t*>(px565), 0xF800, 0x07E0, 0x001F, 16);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(248, 252, 248));
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(248, 0, 0));
    EXPECT_EQ(img.GetPixelColor(2, 0), MakeRgb(0, 128, 0));

    // 5-5-5: red 1, green 2, blue 3 land in the high bits of each byte.
    const uint16_t px555[4] = {static_cast<uint16_t>(1 << 10 | 2 << 5 | 3), 0, 0, 0};
    img.Bitfield2RGB(reinterpret_cast<const uint8_t*>(px555), 0x7C00, 0x03E0, 0x001F, 16);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(8, 16, 24));

    // Masks in red-green-blue-alpha byte order; a 10-bit channel keeps its top 8 bits.
    const uint8_t px32[12] = {0x40, 0x30, 0x20, 0x10, 0, 0, 0, 0, 0, 0, 0, 0};
    img.Bitfield2RGB(px32, 0xFF000000, 0x00FF0000, 0x0000FF00, 32);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(0x10, 0x20, 0x30));
    const uint32_t v1010 = (1023u << 20) | (512u << 10) | 4u;
    const uint8_t px1010[12] = {uint8_t(v1010), uint8_t(v1010 >> 8), uint8_t(v1010 >> 16), uint8_t(v1010 >> 24)};
    img.Bitfield2RGB(px1010, 0x3FF00000, 0x000FFC00, 0x000003FF, 32);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(255, 128, 1));

    // Hostile masks (all bits, none, high half only at 16 bpp) never shift by
    // a negative amount.
    img.Bitfield2RGB(reinterpret_cast<const uint8_t*>(px565), 0xFFFFFFFF, 0, 0xFFFF0000, 16);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(255, 0, 0));
}

} // namespace
} // namespace vex
