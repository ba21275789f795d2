// Targa, PCX and WBMP: round trips at every accepted depth, refusals, and
// hand-made files for the reading rules.

#include <gtest/gtest.h>

#include "image/TestHelpers.h"
#include "image/codecs/RasterPCX.h"
#include "image/codecs/RasterTGA.h"
#include "image/codecs/RasterWBMP.h"

namespace vex {
namespace {

using test::Bytes;

bool DecodeAs(const std::vector<uint8_t>& bytes, Raster& out, uint32_t type)
{
    MemoryStream s(bytes.data(), bytes.size());
    return out.Decode(&s, type);
}

std::vector<uint8_t> EncodeAs(Raster& img, uint32_t type)
{
    MemoryStream s;
    if (!img.Encode(&s, type)) return {};
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

Raster Pattern(uint32_t w, uint32_t h, uint32_t bpp, bool alpha = false)
{
    Raster img;
    img.Create(w, h, bpp, TypeBmp);
    for (uint32_t i = 0; i < img.GetNumColors(); ++i)
        img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 37), uint8_t(255 - i * 5), uint8_t(i * 11));
    if (bpp == 1) {
        img.SetPaletteColor(0, 0, 0, 0);
        img.SetPaletteColor(1, 255, 255, 255);
    }
    if (alpha) img.AlphaCreate();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (bpp <= 8) img.SetPixelIndex(x, y, uint8_t((x * 3 + y * 5) % img.GetNumColors()));
            else img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 9), uint8_t(y * 17), uint8_t(x ^ y)));
            if (alpha) img.AlphaSet(x, y, uint8_t(x * 20 + y));
        }
    return img;
}

void ExpectSame(const Raster& have, const Raster& want, const std::string& what)
{
    ASSERT_EQ(have.GetWidth(), want.GetWidth()) << what;
    ASSERT_EQ(have.GetHeight(), want.GetHeight()) << what;
    EXPECT_EQ(test::RgbPixels(have), test::RgbPixels(want)) << what;
    EXPECT_EQ(have.AlphaIsValid(), want.AlphaIsValid()) << what;
    for (uint32_t y = 0; want.AlphaIsValid() && y < want.GetHeight(); ++y)
        for (uint32_t x = 0; x < want.GetWidth(); ++x) ASSERT_EQ(have.AlphaGet(x, y), want.AlphaGet(x, y)) << what;
}

struct RoundTripCase {
    uint32_t type;
    uint32_t bpp;
    bool alpha;
    uint32_t wantBpp;
};

TEST(MinorFormats, RoundTripsAtEveryAcceptedDepth)
{
    const RoundTripCase cases[] = {
        {TypeTga, 8, false, 8},  {TypeTga, 24, false, 24}, {TypeTga, 24, true, 24}, {TypeTga, 8, true, 24},
        {TypePcx, 1, false, 1},  {TypePcx, 4, false, 4},   {TypePcx, 8, false, 8},  {TypePcx, 24, false, 24},
        {TypePcx, 24, true, 24}, {TypeWbmp, 1, false, 1},
    };
    for (const auto& c : cases) {
        for (uint32_t w : {1u, 7u, 33u}) {
            Raster img = Pattern(w, 5, c.bpp, c.alpha);
            const auto bytes = EncodeAs(img, c.type);
            const std::string what = "type " + std::to_string(c.type) + " bpp " + std::to_string(c.bpp) +
                                     (c.alpha ? " alpha" : "") + " width " + std::to_string(w);
            ASSERT_FALSE(bytes.empty()) << what << ": " << img.GetLastError();
            Raster back;
            ASSERT_TRUE(DecodeAs(bytes, back, c.type)) << what << ": " << back.GetLastError();
            EXPECT_EQ(back.GetBpp(), c.wantBpp) << what;
            EXPECT_EQ(back.GetType(), c.type) << what;
            ExpectSame(back, img, what);
        }
    }
}

TEST(MinorFormats, WriterRefusals)
{
    struct Case {
        uint32_t type;
        uint32_t w, h, bpp;
        const char* message;
    } cases[] = {
        {TypeTga, 4, 4, 4, "Bit depth must be 8 or 24"}, {TypeTga, 4, 4, 1, "Bit depth must be 8 or 24"},
        {TypeWbmp, 4, 4, 4, "Can't save this image as WBMP"}, {TypeWbmp, 256, 4, 1, "Can't save this image as WBMP"},
        {TypeWbmp, 4, 256, 1, "Can't save this image as WBMP"},
    };
    for (const auto& c : cases) {
        Raster img = Pattern(c.w, c.h, c.bpp);
        MemoryStream s;
        EXPECT_FALSE(img.Encode(&s, c.type));
        EXPECT_STREQ(img.GetLastError(), c.message);
    }
    for (uint32_t type : {uint32_t{TypeTga}, uint32_t{TypePcx}, uint32_t{TypeWbmp}}) {
        Raster empty;
        MemoryStream s;
        EXPECT_FALSE(empty.Encode(&s, type));
        EXPECT_STREQ(empty.GetLastError(), "null image!!!");
        Raster img = Pattern(8, 2, 1);
        uint8_t none = 0;
        MemoryStream readOnly(static_cast<const uint8_t*>(&none), 0);
        EXPECT_FALSE(img.Encode(&readOnly, type)) << type;
        EXPECT_STRNE(img.GetLastError(), "") << type;
    }
}

// Formats with 16-bit sides refuse wider images instead of writing a wrapped size.
TEST(MinorFormats, SidesAbove65535AreRefused)
{
    struct Case {
        uint32_t type;
        const char* message;
    } cases[] = {{TypeTga, "TGA sides are limited to 65535 pixels"},
                 {TypePcx, "PCX sides are limited to 65535 pixels"},
                 {TypeGif, "GIF sides are limited to 65535 pixels"}};
    for (const auto& c : cases) {
        Raster img;
        ASSERT_TRUE(img.Create(65536, 1, 8, TypeBmp));
        MemoryStream s;
        EXPECT_FALSE(img.Encode(&s, c.type));
        EXPECT_STREQ(img.GetLastError(), c.message);
    }
}

// ---- Targa ----

Bytes TgaHeader(uint8_t imageType, uint16_t w, uint16_t h, uint8_t bits, uint8_t descriptor, uint16_t mapLength = 0,
                uint8_t mapBits = 0)
{
    Bytes b;
    b.u8(0).u8(mapLength ? 1 : 0).u8(imageType).u16(0).u16(mapLength).u8(mapBits);
    b.u16(0).u16(0).u16(w).u16(h).u8(bits).u8(descriptor);
    return b;
}

// Pixel (x, y) counted from the top.
RgbQuad Top(const Raster& img, uint32_t x, uint32_t y)
{
    return img.GetPixelColor(x, img.GetHeight() - 1 - y);
}

TEST(TgaReader, OrientationBitsAndRunsAcrossRows)
{
    // 2 x 2 at 24 bits: file rows A B / C D with A=1, B=2, C=3, D=4 (grey levels).
    auto pixels = [](Bytes& b, std::initializer_list<int> v) {
        for (int g : v) b.u8(g).u8(g).u8(g);
    };
    struct Case {
        uint8_t descriptor;
        int topLeft, topRight, bottomLeft;
    } cases[] = {{0x00, 3, 4, 1}, {0x20, 1, 2, 3}, {0x10, 4, 3, 2}, {0x30, 2, 1, 4}};
    for (const auto& c : cases) {
        Bytes b = TgaHeader(2, 2, 2, 24, c.descriptor);
        pixels(b, {1, 2, 3, 4});
        Raster img;
        ASSERT_TRUE(DecodeAs(b.v, img, TypeTga)) << img.GetLastError();
        EXPECT_EQ(Top(img, 0, 0).red, c.topLeft) << "descriptor " << int(c.descriptor);
        EXPECT_EQ(Top(img, 1, 0).red, c.topRight);
        EXPECT_EQ(Top(img, 0, 1).red, c.bottomLeft);
    }
    // A repeat packet of 3 and a literal packet of 3 over two rows of 2.
    Bytes rle = TgaHeader(10, 2, 3, 24, 0x20);
    rle.u8(0x82).u8(9).u8(9).u8(9);
    rle.u8(0x02).u8(1).u8(1).u8(1).u8(2).u8(2).u8(2).u8(3).u8(3).u8(3);
    Raster img;
    ASSERT_TRUE(DecodeAs(rle.v, img, TypeTga)) << img.GetLastError();
    EXPECT_EQ(Top(img, 1, 0).red, 9);
    EXPECT_EQ(Top(img, 0, 1).red, 9);
    EXPECT_EQ(Top(img, 1, 1).red, 1);
    EXPECT_EQ(Top(img, 0, 2).red, 2);
    EXPECT_EQ(Top(img, 1, 2).red, 3);
}

// Colour maps are read by their own entry size, not as 24-bit.
TEST(TgaReader, ColourMapEntriesByTheirSize)
{
    struct Case {
        uint8_t mapBits;
        std::vector<uint8_t> entry;
        RgbQuad want;
    } cases[] = {{16, {0x1F, 0x7C}, MakeRgb(248, 0, 248)}, {15, {0xE0, 0x03}, MakeRgb(0, 248, 0)},
                 {24, {1, 2, 3}, MakeRgb(3, 2, 1)},        {32, {1, 2, 3, 255}, MakeRgb(3, 2, 1)}};
    for (const auto& c : cases) {
        Bytes b = TgaHeader(1, 2, 1, 8, 0, 2, c.mapBits);
        b.raw(c.entry).raw(c.entry).u8(1).u8(0);
        Raster img;
        ASSERT_TRUE(DecodeAs(b.v, img, TypeTga)) << img.GetLastError();
        const RgbQuad have = img.GetPaletteColor(1);
        EXPECT_EQ(MakeRgb(have.red, have.green, have.blue), c.want) << "map bits " << int(c.mapBits);
        EXPECT_EQ(img.GetPixelIndex(0, 0), 1);
    }
}

// The alpha of a 32-bit top-down file follows its rows once.
TEST(TgaReader, TopDownAlphaFollowsTheRows)
{
    Bytes b = TgaHeader(2, 1, 2, 32, 0x28);
    b.u8(1).u8(1).u8(1).u8(10).u8(2).u8(2).u8(2).u8(20);
    Raster img;
    ASSERT_TRUE(DecodeAs(b.v, img, TypeTga)) << img.GetLastError();
    EXPECT_EQ(Top(img, 0, 0), MakeRgb(1, 1, 1, 10));
    EXPECT_EQ(Top(img, 0, 1), MakeRgb(2, 2, 2, 20));
}

TEST(TgaReader, BadHeadersAndShortData)
{
    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {{1, 2, 3}, "Not a TGA"},
        {TgaHeader(4, 2, 2, 24, 0).v, "Unknown TGA image type"},
        {TgaHeader(2, 0, 2, 24, 0).v, "bad TGA header"},
        {TgaHeader(2, 2, 2, 12, 0).v, "bad TGA header"},
        {TgaHeader(1, 2, 2, 8, 0, 300, 24).v, "bad TGA header"},
        {TgaHeader(2, 2, 2, 24, 0).u8(1).u8(2).v, "corrupted TGA"},
    };
    for (const auto& c : cases) {
        Raster img;
        EXPECT_FALSE(DecodeAs(c.bytes, img, TypeTga));
        EXPECT_STREQ(img.GetLastError(), c.message);
    }
}

TEST(TgaWriter, HeaderFields)
{
    Raster pal = Pattern(3, 2, 8);
    auto bytes = EncodeAs(pal, TypeTga);
    ASSERT_EQ(bytes.size(), 18u + 256 * 3 + 6);
    EXPECT_EQ(bytes[1], 1);  // colour map present
    EXPECT_EQ(bytes[2], 1);  // colour-mapped, never run-length
    EXPECT_EQ(bytes[5] | bytes[6] << 8, 256);
    EXPECT_EQ(bytes[7], 24);
    EXPECT_EQ(bytes[16], 8);
    Raster rgba = Pattern(3, 2, 24, true);
    bytes = EncodeAs(rgba, TypeTga);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(bytes[16], 32);
    EXPECT_EQ(bytes[17], 8); // eight alpha bits
}

// ---- PCX ----

Bytes PcxHeader(uint16_t w, uint16_t h, uint8_t bits, uint8_t planes, uint16_t bytesPerLine)
{
    Bytes b;
    b.u8(10).u8(5).u8(1).u8(bits).u16(0).u16(0).u16(w - 1).u16(h - 1).u16(72).u16(72);
    for (int i = 0; i < 16; ++i) b.u8(i * 16).u8(i * 8).u8(255 - i * 16);
    b.u8(0).u8(planes).u16(bytesPerLine).u16(1);
    b.zeros(128 - b.size());
    return b;
}

TEST(PcxReader, PlanesGiveColourAndAlpha)
{
    // One row of 2 pixels: planes red, green, blue (and alpha), each line padded to 2 bytes.
    Bytes rgb = PcxHeader(2, 1, 8, 3, 2);
    rgb.raw({10, 11, 20, 21, 30, 31});
    Raster img;
    ASSERT_TRUE(DecodeAs(rgb.v, img, TypePcx)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_FALSE(img.AlphaIsValid());
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(11, 21, 31));
    EXPECT_EQ(img.GetXDPI(), 72);
    Bytes rgba = PcxHeader(2, 1, 8, 4, 2);
    rgba.raw({10, 11, 20, 21, 30, 31, 40, 41});
    ASSERT_TRUE(DecodeAs(rgba.v, img, TypePcx)) << img.GetLastError();
    ASSERT_TRUE(img.AlphaIsValid());
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(10, 20, 30, 40));
    // Four 1-bit planes: plane i gives bit i of the index.
    Bytes planar = PcxHeader(8, 1, 1, 4, 2);
    planar.raw({0x80, 0, 0x80, 0, 0x00, 0, 0x80, 0}); // pixel 0: bits 0, 1 and 3 -> 11
    ASSERT_TRUE(DecodeAs(planar.v, img, TypePcx)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 4);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 11);
    EXPECT_EQ(img.GetPixelIndex(1, 0), 0);
}

TEST(PcxReader, DamagedFiles)
{
    Bytes notPcx = PcxHeader(2, 1, 8, 1, 2);
    notPcx.v[0] = 9;
    Bytes encoding = PcxHeader(2, 1, 8, 1, 2);
    encoding.v[2] = 0;
    Bytes tooMany = PcxHeader(2, 1, 1, 5, 2);
    // The header's line length must hold the line: 1 byte cannot hold 9 pixels.
    Bytes shortLine = PcxHeader(9, 1, 8, 1, 1);
    shortLine.raw(std::vector<uint8_t>(20, 1));
    Bytes span = PcxHeader(2, 1, 8, 1, 2);
    span.u8(0xC5).u8(7);
    Bytes truncated = PcxHeader(4, 4, 8, 1, 4);
    truncated.u8(1).u8(2);
    Bytes noPalette = PcxHeader(2, 1, 8, 1, 2);
    noPalette.u8(1).u8(2).u8(99);
    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {{10, 5}, "Can't read PCX image"},
        {notPcx.v, "Error: Not a PCX file"},
        {encoding.v, "PCX file has unknown encoding scheme"},
        {tooMany.v, "Can't handle image with more than 4 planes"},
        {shortLine.v, "Error: Not a PCX file"},
        {span.v, "repeat count spans end of image"},
        {truncated.v, "corrupted PCX"},
        {noPalette.v, "bad color map signature"},
    };
    for (const auto& c : cases) {
        Raster img;
        EXPECT_FALSE(DecodeAs(c.bytes, img, TypePcx)) << c.message;
        EXPECT_STREQ(img.GetLastError(), c.message);
    }
}

TEST(PcxWriter, RunsAndOneBitPolarity)
{
    // A 1 bpp image whose entry 0 is white is written with 0 as black.
    Raster img = Pattern(16, 1, 1);
    img.SetPaletteColor(0, 255, 255, 255);
    img.SetPaletteColor(1, 0, 0, 0);
    for (uint32_t x = 0; x < 16; ++x) img.SetPixelIndex(x, 0, x < 8 ? 0 : 1);
    const auto bytes = EncodeAs(img, TypePcx);
    ASSERT_GE(bytes.size(), 130u);
    EXPECT_EQ(bytes[65], 1);
    EXPECT_EQ(bytes[66], 2);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 128, bytes.end()), (std::vector<uint8_t>{0xC1, 0xFF, 0x00}));
    Raster back;
    ASSERT_TRUE(DecodeAs(bytes, back, TypePcx));
    EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img));
}

// ---- WBMP ----

TEST(Wbmp, SizesAreMultiByteIntegers)
{
    Raster img = Pattern(200, 10, 1);
    const auto bytes = EncodeAs(img, TypeWbmp);
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 5), (std::vector<uint8_t>{0, 0, 0x81, 0x48, 10}));
    EXPECT_EQ(bytes.size(), 5u + 25 * 10);
    Raster back;
    ASSERT_TRUE(DecodeAs(bytes, back, TypeWbmp)) << back.GetLastError();
    EXPECT_EQ(back.GetWidth(), 200u);
    EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img));

    // Single-byte sizes from older writers: read that way only because the
    // data size matches them and not the standard reading.
    Bytes old;
    old.u8(0).u8(0).u8(200).u8(2);
    old.raw(std::vector<uint8_t>(50, 0xF0));
    ASSERT_TRUE(DecodeAs(old.v, back, TypeWbmp)) << back.GetLastError();
    EXPECT_EQ(back.GetWidth(), 200u);
    EXPECT_EQ(back.GetHeight(), 2u);
}

TEST(Wbmp, BrighterEntryIsWhiteAndBadFilesFail)
{
    Raster img = Pattern(8, 1, 1);
    img.SetPaletteColor(0, 250, 250, 250);
    img.SetPaletteColor(1, 5, 5, 5);
    for (uint32_t x = 0; x < 8; ++x) img.SetPixelIndex(x, 0, x < 2 ? 0 : 1);
    const auto bytes = EncodeAs(img, TypeWbmp);
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(bytes[4], 0xC0);

    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {{{0, 0, 1}, "Not a WBMP"},
                 {{1, 0, 1, 1, 0}, "Unsupported WBMP type"},
                 {{0, 0, 0, 1, 0}, "Corrupted WBMP"},
                 {{0, 0, 16, 2, 0xFF}, "Corrupted WBMP"}};
    for (const auto& c : cases) {
        Raster bad;
        EXPECT_FALSE(DecodeAs(c.bytes, bad, TypeWbmp));
        EXPECT_STREQ(bad.GetLastError(), c.message);
    }
}

} // namespace
} // namespace vex
