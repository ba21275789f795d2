#include <gtest/gtest.h>

#include <cmath>

#include "processing/ProcessingFixtures.h"

namespace vex {
namespace {

RgbQuad Grey(int v)
{
    return MakeRgb(uint8_t(v), uint8_t(v), uint8_t(v));
}

// A 24-bit one-row image of the given colours.
Raster Row(const std::vector<RgbQuad>& colours)
{
    return test::Rgb(static_cast<uint32_t>(colours.size()), 1, [&](uint32_t x, uint32_t) { return colours[x]; });
}

std::vector<RgbQuad> Colours(const Raster& img)
{
    std::vector<RgbQuad> out;
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x) {
            RgbQuad c = img.GetPixelColor(x, y);
            c.reserved = 0;
            out.push_back(c);
        }
    return out;
}

TEST(GrayScale, WorkedValuesAndDepths)
{
    Raster img = Row({MakeRgb(255, 0, 0), MakeRgb(255, 255, 255), MakeRgb(0, 0, 255)});
    ASSERT_TRUE(img.GrayScale());
    EXPECT_EQ(img.GetBpp(), 8);
    EXPECT_TRUE(img.IsGrayScale());
    EXPECT_EQ(img.GetPixelIndex(0, 0), 76);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 255);
    EXPECT_EQ(img.GetPixelIndex(2, 0), 29);
    for (uint32_t bpp : {1u, 4u, 8u}) {
        Raster pal = test::Varied(bpp, 7, 3);
        const Raster src(pal);
        ASSERT_TRUE(pal.GrayScale());
        EXPECT_EQ(pal.GetBpp(), 8) << bpp;
        for (uint32_t x = 0; x < 7; ++x) {
            const RgbQuad c = src.GetPixelColor(x, 1);
            EXPECT_EQ(pal.GetPixelIndex(x, 1), (306 * c.red + 601 * c.green + 117 * c.blue) >> 10) << bpp;
            EXPECT_EQ(pal.AlphaGet(x, 1), src.AlphaGet(x, 1));
        }
    }
}

TEST(GrayScale, TheTransparentIndexFollowsTheKeyedPixels)
{
    // 24 bits: keyed by colour; the key's pixels become its grey index.
    Raster img = Row({MakeRgb(255, 0, 0), MakeRgb(0, 255, 0)});
    img.SetTransIndex(0);
    img.SetTransColor(MakeRgb(255, 0, 0));
    ASSERT_TRUE(img.GrayScale());
    EXPECT_EQ(img.GetTransIndex(), 76);
    EXPECT_TRUE(img.IsTransparent(0, 0));
    EXPECT_FALSE(img.IsTransparent(1, 0));
    // Paletted: the index becomes the grey of its entry.
    Raster pal = test::Varied(4, 5, 2);
    pal.SetTransIndex(2);
    const RgbQuad key = pal.GetPaletteColor(2);
    ASSERT_TRUE(pal.GrayScale());
    EXPECT_EQ(pal.GetTransIndex(), (306 * key.red + 601 * key.green + 117 * key.blue) >> 10);
}

TEST(Negative, ColourPalettesChangeOnlyThePalette)
{
    Raster img = test::Varied(8, 5, 3);
    const test::Look before = test::LookOf(img);
    ASSERT_TRUE(img.Negative());
    const test::Look after = test::LookOf(img);
    EXPECT_EQ(after.index, before.index);
    for (size_t i = 0; i < before.palette.size(); ++i)
        EXPECT_EQ(after.palette[i], i % 4 == 3 ? before.palette[i] : 255 - before.palette[i]);
}

TEST(Negative, GreyPalettesComplementIndexesAndTheKey)
{
    Raster img = test::Varied(8, 5, 3);
    img.SetGrayPalette();
    img.SetTransIndex(10);
    const Raster src(img);
    ASSERT_TRUE(img.Negative());
    EXPECT_TRUE(img.IsGrayScale());
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(img.GetPixelIndex(x, 2), 255 - src.GetPixelIndex(x, 2));
    EXPECT_EQ(img.GetTransIndex(), 245) << "the key moves with its pixels";
}

TEST(Negative, TwentyFourBitsWithAndWithoutMask)
{
    Raster img = Row({Grey(0), MakeRgb(10, 20, 30), Grey(255)});
    img.SetTransColor(MakeRgb(1, 2, 3));
    ASSERT_TRUE(img.Negative());
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(255), MakeRgb(245, 235, 225), Grey(0)}));
    EXPECT_EQ(img.GetTransColor(), MakeRgb(254, 253, 252));
    test::Select(img, [](uint32_t x, uint32_t) { return x == 1; });
    ASSERT_TRUE(img.Negative());
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(255), MakeRgb(10, 20, 30), Grey(0)}));
}

TEST(Light, WorkedValuesAndTruncation)
{
    struct Case {
        int brightness, contrast;
        std::vector<int> in, want;
    } cases[] = {
        {0, 0, {0, 1, 128, 250, 255}, {0, 1, 128, 250, 255}},
        {20, 0, {250, 0, 100}, {255, 20, 120}},
        {0, -100, {0, 77, 255}, {128, 128, 128}},
        // (1 - 128) * 0.75 + 128 = 32.75 and (130 - 128) * 1.25 + 128 = 130.5.
        {0, -25, {1, 0}, {32, 32}},
        {0, 25, {130, 1, 200}, {130, 0, 218}},
    };
    for (const auto& c : cases) {
        std::vector<RgbQuad> in;
        for (int v : c.in) in.push_back(Grey(v));
        Raster img = Row(in);
        ASSERT_TRUE(img.Light(c.brightness, c.contrast));
        for (size_t i = 0; i < c.in.size(); ++i)
            EXPECT_EQ(img.GetPixelColor(i, 0).green, c.want[i]) << "Light(" << c.brightness << "," << c.contrast << ") of " << c.in[i];
    }
}

TEST(Light, MaskAndPalette)
{
    Raster img = Row({Grey(10), Grey(10), Grey(10)});
    test::Select(img, [](uint32_t x, uint32_t) { return x != 1; });
    ASSERT_TRUE(img.Light(20, 0));
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(30), Grey(10), Grey(30)}));
    Raster pal = test::Varied(4, 4, 2);
    const test::Look before = test::LookOf(pal);
    ASSERT_TRUE(pal.Light(-20, 0));
    EXPECT_EQ(test::LookOf(pal).index, before.index);
    EXPECT_EQ(pal.GetPaletteColor(1).red, std::max(0, before.palette[6] - 20));
}

TEST(Gamma, ValuesTruncate)
{
    Raster img = Row({Grey(0), Grey(1), Grey(64), Grey(100), Grey(255)});
    ASSERT_TRUE(img.Gamma(2.0f));
    // 64^0.5 / (255^0.5 / 255) = 127.75
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(0), Grey(15), Grey(127), Grey(159), Grey(255)}));
}

TEST(Gamma, MeaninglessOrOverflowingExponents)
{
    for (float g : {0.0f, -1.0f, std::nanf("")}) {
        Raster img = Row({Grey(3), Grey(200)});
        EXPECT_FALSE(img.Gamma(g)) << g;
        EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(3), Grey(200)}));
    }
    // 255^200 overflows a double; the curve must still end at 255.
    Raster img = Row({Grey(255), Grey(254), Grey(250), Grey(128)});
    ASSERT_TRUE(img.Gamma(0.005f));
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(255), Grey(116), Grey(4), Grey(0)}));
}

TEST(Gamma, OneRowAndSelection)
{
    Raster img = Row({Grey(64), Grey(64)}); // one row: progress must not divide by zero
    test::Select(img, [](uint32_t x, uint32_t) { return x == 0; });
    ASSERT_TRUE(img.Gamma(2.0f));
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(127), Grey(64)}));
}

TEST(Threshold, LevelSplitsGreysStrictlyAbove)
{
    Raster img = Row({Grey(100), Grey(101), MakeRgb(255, 0, 0), Grey(255)});
    img.SetType(TypeBmp);
    img.SetTransIndex(3);
    ASSERT_TRUE(img.Threshold(100));
    EXPECT_EQ(img.GetBpp(), 1);
    EXPECT_EQ(img.GetType(), 0u) << "defaults replace the info record";
    EXPECT_EQ(img.GetTransIndex(), -1);
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(0), Grey(255), Grey(0), Grey(255)}));
    Raster one;
    one.Create(3, 2, 1, TypeBmp);
    one.SetPixelIndex(1, 1, 1);
    const test::Look before = test::LookOf(one);
    EXPECT_TRUE(one.Threshold(0));
    EXPECT_TRUE(test::LookOf(one) == before);
}

TEST(ColourSpace, HslOfGreysAndPrimaries)
{
    for (int v : {0, 1, 77, 128, 200, 255}) {
        const RgbQuad hsl = Raster::RgbToHsl(Grey(v));
        EXPECT_EQ(hsl.red, 170) << v;
        EXPECT_EQ(hsl.green, 0) << v;
        EXPECT_EQ(hsl.blue, v) << v;
        EXPECT_EQ(Raster::HslToRgb(hsl), Grey(v)) << v;
    }
    struct Case {
        RgbQuad rgb;
        int h, s, l;
    } cases[] = {{MakeRgb(255, 0, 0), 0, 255, 128}, {MakeRgb(0, 255, 0), 85, 255, 128}, {MakeRgb(0, 0, 255), 170, 255, 128}};
    for (const auto& c : cases) EXPECT_EQ(Raster::RgbToHsl(c.rgb), MakeRgb(uint8_t(c.h), uint8_t(c.s), uint8_t(c.l)));
    EXPECT_EQ(Raster::HslToRgb(MakeRgb(0, 255, 100)), MakeRgb(200, 0, 0));
    EXPECT_EQ(Raster::HslToRgb(MakeRgb(85, 128, 128)), MakeRgb(64, 191, 64));
}

TEST(ColourSpace, YuvKeepsGreysExactly)
{
    // In floating point 0.299v + 0.587v + 0.114v falls just below v for
    // many v; the conversion must not drop a grey by one.
    for (int v = 0; v < 256; ++v) {
        const RgbQuad yuv = Raster::RgbToYuv(Grey(v));
        EXPECT_EQ(yuv, MakeRgb(uint8_t(v), 128, 128)) << v;
        EXPECT_EQ(Raster::YuvToRgb(yuv), Grey(v)) << v;
    }
    EXPECT_EQ(Raster::RgbToYuv(MakeRgb(255, 0, 0)), MakeRgb(76, 85, 255)); // V clamps from 255.7
    EXPECT_EQ(Raster::YiqToRgb(MakeRgb(100, 128, 128)), Grey(100));
    EXPECT_EQ(Raster::XyzToRgb(MakeRgb(0, 0, 0)), Grey(0));
}

TEST(Colorize, PaletteOrSelectedPixels)
{
    Raster img = Row({Grey(100), Grey(100)});
    test::Select(img, [](uint32_t x, uint32_t) { return x == 1; });
    ASSERT_TRUE(img.Colorize(0, 255));
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(100), MakeRgb(200, 0, 0)}));
    Raster pal = test::Varied(1, 4, 2);
    pal.SetPaletteColor(0, 100, 100, 100);
    ASSERT_TRUE(pal.Colorize(0, 255));
    EXPECT_EQ(pal.GetPaletteColor(0), MakeRgb(200, 0, 0));
}

TEST(ColorizeRGB, ShiftsClamp)
{
    Raster img = Row({MakeRgb(250, 10, 100)});
    ASSERT_TRUE(img.ColorizeRGB(10, -20, 5));
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{MakeRgb(255, 0, 105)}));
}

TEST(PseudoColors, OnlyPalettesChange)
{
    Raster img = Row({Grey(5), Grey(9)});
    img.PseudoColors(1.0f);
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(5), Grey(9)}));
    Raster pal = test::Varied(1, 3, 1);
    pal.PseudoColors(1.0f);
    EXPECT_EQ(pal.GetPaletteColor(0), MakeRgb(232, 7, 7));
    EXPECT_EQ(pal.GetPaletteColor(1), MakeRgb(232, 7, 7)); // hue 255 wraps to the red end
    Raster one = test::Varied(8, 2, 1);
    one.SetPalette(one.GetPalette(), 1); // one entry: no division by zero
    one.PseudoColors(1.0f);
    EXPECT_EQ(one.GetPaletteColor(0), MakeRgb(232, 7, 7));
}

TEST(ReplaceColors, LaterPairsWinAndALoneColourIsIgnored)
{
    Raster img = Row({Grey(1), Grey(2), Grey(3)});
    {
        const std::vector<RgbQuad> pairs = {Grey(1), Grey(9), Grey(1), Grey(8), Grey(2), Grey(7)};
        img.ReplaceColors(pairs.data(), 6);
        EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(8), Grey(7), Grey(3)}));
    }
    // An odd count: the third colour has no partner and must not be read
    // as a pair (the array ends right after it).
    auto odd = std::make_unique<RgbQuad[]>(3);
    odd[0] = Grey(8), odd[1] = Grey(5), odd[2] = Grey(3);
    img.ReplaceColors(odd.get(), 3);
    EXPECT_EQ(Colours(img), (std::vector<RgbQuad>{Grey(5), Grey(7), Grey(3)}));
}

} // namespace
} // namespace vex
