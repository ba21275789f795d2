#include <cstdlib>

#include <gtest/gtest.h>

#include "image/TestHelpers.h"
#include "image/codecs/ExifReader.h"
#include "image/codecs/RasterJPG.h"

namespace vex {
namespace {

using test::Bytes;

using test::EncodeBytes;

bool DecodeBytes(const std::vector<uint8_t>& bytes, Raster& out, uint32_t type = TypeJpg)
{
    MemoryStream s(bytes.data(), bytes.size());
    return out.Decode(&s, type);
}

// A smooth picture: lossy coding keeps it within a few levels.
Raster Gradient(uint32_t w, uint32_t h)
{
    Raster img;
    img.Create(w, h, 24, TypeJpg);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 255 / w), uint8_t(y * 255 / h), 128));
    return img;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int worst = a.size() == b.size() ? 0 : 999;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// The tolerance of a quality-95 round trip of a smooth picture.
constexpr int kLossyTolerance = 8;

TEST(JpgRoundTrip, ColourAndGreyComeBackWithinTolerance)
{
    Raster colour = Gradient(37, 21);
    colour.SetJpegQuality(95);
    Raster back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(colour, TypeJpg), back)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_EQ(back.GetWidth(), 37u);
    EXPECT_LE(MaxDifference(test::RgbPixels(back), test::RgbPixels(colour)), kLossyTolerance);

    Raster grey;
    grey.Create(19, 9, 8, TypeJpg);
    grey.SetGrayPalette();
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 19; ++x) grey.SetPixelIndex(x, y, uint8_t(x * 13));
    grey.SetJpegQuality(95);
    ASSERT_TRUE(DecodeBytes(EncodeBytes(grey, TypeJpg), back));
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_TRUE(back.IsGrayScale());
    EXPECT_LE(MaxDifference(test::RgbPixels(back), test::RgbPixels(grey)), kLossyTolerance);
}

// Grey rows of 1 and 4 bpp are widened before the library sees them, so the
// picture keeps its look instead of showing packed index bytes.
TEST(JpgRoundTrip, GreyRowsBelowEightBitsAreWidened)
{
    Raster img;
    img.Create(16, 8, 4, TypeJpg);
    for (uint32_t i = 0; i < 16; ++i) img.SetPaletteColor(uint8_t(i), uint8_t(i), uint8_t(i), uint8_t(i));
    ASSERT_TRUE(img.IsGrayScale());
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 16; ++x) img.SetPixelIndex(x, y, uint8_t(x < 8 ? 15 : 0));
    img.SetJpegQuality(100);
    Raster back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(img, TypeJpg), back));
    EXPECT_LE(MaxDifference(test::RgbPixels(back), test::RgbPixels(img)), 3);
}

TEST(JpgWriter, RefusesColourPalettesAndMissingTargets)
{
    Raster img;
    img.Create(4, 4, 8, TypeJpg);
    img.SetStdPalette();
    MemoryStream s;
    EXPECT_FALSE(img.Encode(&s, TypeJpg));
    EXPECT_STREQ(img.GetLastError(), "JPEG can save only RGB or GreyScale images");
    Raster rgb = Gradient(4, 4);
    EXPECT_FALSE(rgb.Encode(static_cast<ByteStream*>(nullptr), TypeJpg));
}

TEST(JpgWriter, WritesDensityInDotsPerInch)
{
    Raster img = Gradient(8, 8);
    img.SetXDPI(300);
    img.SetYDPI(150);
    Raster back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(img, TypeJpg), back));
    EXPECT_EQ(back.GetXDPI(), 300);
    EXPECT_EQ(back.GetYDPI(), 150);
}

// The JFIF header our writer emits: unit at byte 13, densities at 14 and 16.
std::vector<uint8_t> WithJfifDensity(std::vector<uint8_t> file, uint8_t unit, uint16_t x, uint16_t y)
{
    file[13] = unit;
    file[14] = uint8_t(x >> 8), file[15] = uint8_t(x);
    file[16] = uint8_t(y >> 8), file[17] = uint8_t(y);
    return file;
}

TEST(JpgReader, JfifDensityBecomesDpi)
{
    Raster img = Gradient(8, 8);
    const auto file = EncodeBytes(img, TypeJpg);
    ASSERT_EQ(file[6], 'J');
    struct Case { uint8_t unit; uint16_t x, y; int32_t wantX, wantY; } cases[] = {
        {2, 28, 28, 71, 71},   // dots per centimetre, rounded
        {1, 200, 100, 200, 100},
        {0, 1, 1, 96, 96},     // an aspect ratio, not a density
    };
    for (const auto& c : cases) {
        Raster back;
        ASSERT_TRUE(DecodeBytes(WithJfifDensity(file, c.unit, c.x, c.y), back));
        EXPECT_EQ(back.GetXDPI(), c.wantX) << "unit " << int(c.unit);
        EXPECT_EQ(back.GetYDPI(), c.wantY) << "unit " << int(c.unit);
    }
}

// A big-endian Exif APP1 with IFD0 = {entries}, inserted after the SOI.
struct Entry { uint16_t tag, format; uint32_t count, value; };

std::vector<uint8_t> ExifBlock(const std::vector<Entry>& entries, const std::vector<uint8_t>& tail = {})
{
    std::vector<uint8_t> t = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto be16 = [&](uint32_t v) { t.push_back(uint8_t(v >> 8)); t.push_back(uint8_t(v)); };
    auto be32 = [&](uint32_t v) { be16(v >> 16); be16(v & 0xFFFF); };
    be16(uint32_t(entries.size()));
    for (const auto& e : entries) {
        be16(e.tag), be16(e.format), be32(e.count);
        if (e.format == 3 && e.count == 1) be16(e.value), be16(0);
        else be32(e.value);
    }
    be32(0);
    t.insert(t.end(), tail.begin(), tail.end());
    Bytes app;
    app.u8(0xFF).u8(0xE1).u16(0).u8('E').u8('x').u8('i').u8('f').u16(0).raw(t);
    const size_t len = app.size() - 2;
    app.v[2] = uint8_t(len >> 8), app.v[3] = uint8_t(len);
    return app.v;
}

std::vector<uint8_t> WithExif(std::vector<uint8_t> file, const std::vector<uint8_t>& app1)
{
    file.insert(file.begin() + 2, app1.begin(), app1.end());
    return file;
}

// Rationals sit after IFD0 (offset 8 + 2 + n*12 + 4).
std::vector<uint8_t> Rational(uint32_t num, uint32_t den)
{
    return {uint8_t(num >> 24), uint8_t(num >> 16), uint8_t(num >> 8), uint8_t(num),
            uint8_t(den >> 24), uint8_t(den >> 16), uint8_t(den >> 8), uint8_t(den)};
}

TEST(JpgReader, ExifResolutionWinsOverJfif)
{
    const auto file = EncodeBytes(*std::make_unique<Raster>(Gradient(8, 8)), TypeJpg);
    const uint32_t data = 8 + 2 + 3 * 12 + 4;
    auto tail = Rational(300, 1);
    const auto y = Rational(254, 2);
    tail.insert(tail.end(), y.begin(), y.end());
    struct Case { uint32_t unit; int32_t wantX, wantY; } cases[] = {{2, 300, 127}, {3, 762, 322}};
    for (const auto& c : cases) {
        const auto app = ExifBlock({{282, 5, 1, data}, {283, 5, 1, data + 8}, {296, 3, 1, c.unit}}, tail);
        Raster back;
        ASSERT_TRUE(DecodeBytes(WithExif(file, app), back)) << back.GetLastError();
        EXPECT_EQ(back.GetXDPI(), c.wantX) << "unit " << c.unit;
        EXPECT_EQ(back.GetYDPI(), c.wantY) << "unit " << c.unit;
    }
}

// Found by fuzzing: a resolution of 4e9 dots per centimetre overflowed the
// conversion to a 32-bit DPI and to pixels per metre.
TEST(JpgReader, AbsurdExifResolutionSaturates)
{
    const auto file = EncodeBytes(*std::make_unique<Raster>(Gradient(8, 8)), TypeJpg);
    const uint32_t data = 8 + 2 + 3 * 12 + 4;
    auto tail = Rational(4000000000u, 1);
    const auto y = Rational(1, 0);
    tail.insert(tail.end(), y.begin(), y.end());
    const auto app = ExifBlock({{282, 5, 1, data}, {283, 5, 1, data + 8}, {296, 3, 1, 3}}, tail);
    Raster back;
    ASSERT_TRUE(DecodeBytes(WithExif(file, app), back)) << back.GetLastError();
    EXPECT_EQ(back.GetXDPI(), 2000000000);
    EXPECT_EQ(back.GetYDPI(), 0);
    EXPECT_EQ(back.GetHeader().xPelsPerMeter, 2147483647);
}

// Found by fuzzing: tag values beyond the record's int and float fields saturate.
TEST(ExifReaderTest, HugeTagValuesSaturate)
{
    const auto app = ExifBlock({{34855, 4, 1, 0xFFFFFFFFu}, {274, 4, 1, 0xFFFFFFFFu}});
    ExifReader reader;
    reader.ProcessExif(app.data() + 4, app.size() - 4);
    EXPECT_EQ(reader.Info().isoEquivalent, 2147483647);
    EXPECT_EQ(reader.Info().orientation, 0);
    EXPECT_EQ(reader.LastError(), "Undefined rotation value");
}

TEST(ExifReaderTest, LoopingAndDeepDirectoriesEndWithAnError)
{
    // IFD0's Exif pointer leads back to IFD0 itself.
    const auto loop = ExifBlock({{274, 3, 1, 6}, {34665, 4, 1, 8}});
    ExifReader reader;
    EXPECT_FALSE(reader.ProcessExif(loop.data() + 4, loop.size() - 4));
    EXPECT_EQ(reader.LastError(), "Illegal subdirectory link");
    EXPECT_EQ(reader.Info().orientation, 6);

    // A chain of Exif pointers, each to the next directory, longer than the bound.
    std::vector<Entry> none;
    std::vector<uint8_t> tail;
    const int chain = 40;
    for (int i = 0; i < chain; ++i) {
        const uint32_t here = 8 + 18 + 18 * uint32_t(i);
        tail.insert(tail.end(), {0, 1, 0x87, 0x69, 0, 4, 0, 0, 0, 1});
        const uint32_t next = here + 18;
        tail.insert(tail.end(), {uint8_t(next >> 24), uint8_t(next >> 16), uint8_t(next >> 8), uint8_t(next), 0, 0, 0, 0});
    }
    const auto deep = ExifBlock({{34665, 4, 1, 8 + 18}}, tail);
    ExifReader deepReader;
    EXPECT_FALSE(deepReader.ProcessExif(deep.data() + 4, deep.size() - 4));
    EXPECT_EQ(deepReader.LastError(), "Illegal subdirectory link");
}

TEST(ExifReaderTest, ZeroDenominatorAndHostileOffsets)
{
    const uint32_t data = 8 + 2 + 2 * 12 + 4;
    const auto app = ExifBlock({{282, 5, 1, data}, {283, 5, 1, 0xFFFFFFF0u}}, Rational(300, 0));
    ExifReader reader;
    reader.ProcessExif(app.data() + 4, app.size() - 4);
    EXPECT_EQ(reader.Info().xResolution, 0.0f);
    EXPECT_FALSE(reader.Info().hasYResolution);
    EXPECT_EQ(reader.LastError(), "Illegal pointer offset value in EXIF.");

    struct Case { std::vector<uint8_t> tiff; const char* want; } cases[] = {
        {{'X', 'X', 0, 42, 0, 0, 0, 8}, "Invalid Exif alignment marker."},
        {{'M', 'M', 0, 43, 0, 0, 0, 8}, "Invalid Exif start (1)"},
        {{'M', 'M', 0, 42, 0, 0, 0, 40}, "Suspicious offset of first IFD value"},
        {{'M', 'M', 0, 42, 0, 0, 0, 8, 0x7F, 0xFF}, "Illegally sized directory"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
        block.insert(block.end(), c.tiff.begin(), c.tiff.end());
        ExifReader r;
        EXPECT_FALSE(r.ProcessExif(block.data(), block.size()));
        EXPECT_EQ(r.LastError(), c.want);
    }
}

TEST(JpgReader, ShortOrBrokenFilesFailAndLeaveTheImage)
{
    Raster src = Gradient(256, 256);
    const auto file = EncodeBytes(src, TypeJpg);
    Raster target = Gradient(3, 3);
    const std::vector<uint8_t> cut(file.begin(), file.begin() + long(file.size() * 3 / 5));
    EXPECT_FALSE(DecodeBytes(cut, target));
    EXPECT_STREQ(target.GetLastError(), "Premature end of JPEG file");
    EXPECT_EQ(target.GetWidth(), 3u);

    const std::vector<uint8_t> empty;
    EXPECT_FALSE(DecodeBytes(empty, target));
    EXPECT_STRNE(target.GetLastError(), "");
    std::vector<uint8_t> garbage(100, 0x42);
    EXPECT_FALSE(DecodeBytes(garbage, target));
    EXPECT_STRNE(target.GetLastError(), "");
}

TEST(JpgReader, GuessingFindsJpeg)
{
    Raster src = Gradient(8, 8);
    Raster back;
    ASSERT_TRUE(DecodeBytes(EncodeBytes(src, TypeJpg), back, TypeUnknown));
    EXPECT_EQ(back.GetType(), uint32_t{TypeJpg});
}

} // namespace
} // namespace vex
