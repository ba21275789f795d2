#include <zlib.h>

#include <gtest/gtest.h>

#include "image/TestHelpers.h"
#include "image/codecs/RasterPNG.h"

namespace vex {
namespace {

using test::Bytes;

// A PNG built from a short recipe: header fields, optional chunks and the raw
// rows (filter byte 0 is prepended to each).
struct PngRecipe {
    uint32_t width = 2, height = 2;
    int bitDepth = 8, colorType = 0;
    std::vector<uint8_t> rows; // packed file rows, top row first, without filter bytes
    std::vector<uint8_t> plte, trns, bkgd;
    bool phys = false;
    uint32_t ppmX = 0, ppmY = 0;
    uint8_t physUnit = 1;
    size_t cut = 0; // bytes dropped from the end
};

void Chunk(Bytes& b, const char* type, const std::vector<uint8_t>& data)
{
    auto be32 = [&](uint32_t v) { b.u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v); };
    be32(static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> crcData(type, type + 4);
    crcData.insert(crcData.end(), data.begin(), data.end());
    b.raw(crcData);
    be32(static_cast<uint32_t>(crc32(0, crcData.data(), static_cast<uInt>(crcData.size()))));
}

std::vector<uint8_t> MakePng(const PngRecipe& r)
{
    Bytes b;
    b.raw({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    Bytes ihdr;
    auto be32 = [](Bytes& x, uint32_t v) { x.u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v); };
    be32(ihdr, r.width);
    be32(ihdr, r.height);
    ihdr.u8(r.bitDepth).u8(r.colorType).u8(0).u8(0).u8(0);
    Chunk(b, "IHDR", ihdr.v);
    if (!r.plte.empty()) Chunk(b, "PLTE", r.plte);
    if (!r.trns.empty()) Chunk(b, "tRNS", r.trns);
    if (!r.bkgd.empty()) Chunk(b, "bKGD", r.bkgd);
    if (r.phys) {
        Bytes p;
        be32(p, r.ppmX);
        be32(p, r.ppmY);
        p.u8(r.physUnit);
        Chunk(b, "pHYs", p.v);
    }
    const size_t rowBytes = r.rows.size() / r.height;
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < r.height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), r.rows.begin() + y * rowBytes, r.rows.begin() + (y + 1) * rowBytes);
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> z(size);
    compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    z.resize(size);
    Chunk(b, "IDAT", z);
    Chunk(b, "IEND", {});
    b.v.resize(b.v.size() - r.cut);
    return b.v;
}

bool DecodePng(const std::vector<uint8_t>& bytes, Raster& out)
{
    MemoryStream s(bytes.data(), bytes.size());
    return out.Decode(&s, TypePng);
}

bool RoundTrip(Raster& img, Raster& back)
{
    MemoryStream s;
    if (!img.Encode(&s, TypePng)) return false;
    s.Seek(0, 0);
    return back.Decode(&s, TypePng);
}

// Colour of pixel (x, y) counted from the top, with its alpha.
RgbQuad TopPixel(const Raster& img, uint32_t x, uint32_t yTop)
{
    return img.GetPixelColor(x, img.GetHeight() - 1 - yTop);
}

TEST(PngRoundTrip, EveryDepthKeepsPixelsPaletteAndResolution)
{
    struct Case {
        uint32_t bpp;
        bool alpha;
    } cases[] = {{1, false}, {4, false}, {8, false}, {24, false}, {24, true}, {8, true}};
    for (const auto& c : cases) {
        for (uint32_t width : {1u, 7u, 33u}) {
            Raster img;
            ASSERT_TRUE(img.Create(width, 5, c.bpp, TypeBmp));
            img.SetXDPI(300);
            img.SetYDPI(72);
            for (uint32_t i = 0; i < img.GetNumColors(); ++i)
                img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 3), uint8_t(255 - i), uint8_t(i ^ 0x5A));
            if (c.alpha) {
                ASSERT_TRUE(img.AlphaCreate());
            }
            for (uint32_t y = 0; y < 5; ++y)
                for (uint32_t x = 0; x < width; ++x) {
                    if (c.bpp <= 8) {
                        img.SetPixelIndex(x, y, uint8_t((x * 7 + y * 3) % img.GetNumColors()));
                    } else {
                        img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 40 + y), uint8_t(y * 50), uint8_t(x * y * 9)));
                    }
                    if (c.alpha) img.AlphaSet(x, y, uint8_t(x * 50 + y));
                }
            Raster back;
            ASSERT_TRUE(RoundTrip(img, back)) << back.GetLastError();
            const uint32_t wantBpp = c.alpha ? 24 : c.bpp;
            EXPECT_EQ(back.GetBpp(), wantBpp) << "bpp " << c.bpp;
            EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img)) << "bpp " << c.bpp << " width " << width;
            EXPECT_EQ(back.AlphaIsValid(), c.alpha);
            for (uint32_t y = 0; c.alpha && y < 5; ++y)
                for (uint32_t x = 0; x < width; ++x) EXPECT_EQ(back.AlphaGet(x, y), img.AlphaGet(x, y));
            EXPECT_EQ(back.GetXDPI(), 300);
            EXPECT_EQ(back.GetYDPI(), 72);
            EXPECT_EQ(back.GetType(), uint32_t{TypePng});
        }
    }
}

// The file moves the transparent entry to index 0 (it holds a one-entry
// transparency chunk); the caller's image must not change while saving.
TEST(PngWriter, TransparentIndexGoesToEntryZeroOfTheFileOnly)
{
    Raster img;
    ASSERT_TRUE(img.Create(4, 2, 8, TypeBmp));
    for (int i = 0; i < 8; ++i) img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 30), 10, 20);
    for (uint32_t x = 0; x < 4; ++x) {
        img.SetPixelIndex(x, 0, uint8_t(x + 3)); // 3, 4, 5, 6
        img.SetPixelIndex(x, 1, 0);
    }
    img.SetTransIndex(5);
    const std::vector<uint8_t> before(img.GetDIB(), img.GetDIB() + img.GetSize());

    Raster back;
    ASSERT_TRUE(RoundTrip(img, back)) << back.GetLastError();
    EXPECT_EQ(img.GetTransIndex(), 5);
    EXPECT_EQ(std::vector<uint8_t>(img.GetDIB(), img.GetDIB() + img.GetSize()), before);
    EXPECT_EQ(back.GetTransIndex(), 0);
    EXPECT_EQ(back.GetPaletteColor(0), img.GetPaletteColor(5));
    EXPECT_EQ(back.GetPixelIndex(2, 0), 0);
    EXPECT_EQ(back.GetPixelIndex(0, 1), 5);
    EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img));
}

// Transparency of every kind survives a read and a save again instead of
// being blended into a background.
TEST(PngReader, TransparencyIsKeptNotComposited)
{
    // Grey + alpha, 8 bits: grey pixels with an alpha plane.
    {
        PngRecipe r;
        r.colorType = 4;
        r.rows = {10, 0, 20, 128, 30, 255, 40, 64};
        Raster img;
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetBpp(), 8);
        ASSERT_TRUE(img.AlphaIsValid());
        EXPECT_EQ(TopPixel(img, 0, 0), MakeRgb(10, 10, 10, 0));
        EXPECT_EQ(TopPixel(img, 1, 0), MakeRgb(20, 20, 20, 128));
        EXPECT_EQ(TopPixel(img, 1, 1), MakeRgb(40, 40, 40, 64));
        Raster again;
        ASSERT_TRUE(RoundTrip(img, again));
        EXPECT_EQ(TopPixel(again, 1, 0), MakeRgb(20, 20, 20, 128));
        EXPECT_EQ(TopPixel(again, 0, 0).reserved, 0);
    }
    // Grey with a key grey: the key becomes the transparent index.
    {
        PngRecipe r;
        r.rows = {7, 8, 9, 7};
        r.trns = {0, 7};
        Raster img;
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetTransIndex(), 7);
        EXPECT_TRUE(img.IsTransparent(0, 1));
        EXPECT_FALSE(img.IsTransparent(1, 1));
    }
    // RGB with a key colour: a colour-keyed 24 bpp image, written back as alpha.
    {
        PngRecipe r;
        r.colorType = 2;
        r.rows = {1, 2, 3, 9, 9, 9, 9, 9, 9, 1, 2, 3};
        r.trns = {0, 1, 0, 2, 0, 3};
        Raster img;
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetTransIndex(), 0);
        EXPECT_EQ(img.GetTransColor(), MakeRgb(1, 2, 3));
        EXPECT_TRUE(img.IsTransparent(0, 1));
        Raster again;
        ASSERT_TRUE(RoundTrip(img, again));
        ASSERT_TRUE(again.AlphaIsValid());
        EXPECT_EQ(TopPixel(again, 0, 0).reserved, 0);
        EXPECT_EQ(TopPixel(again, 1, 0).reserved, 255);
    }
    // Palette with one fully transparent entry: the transparent index.
    // Palette with several entries: palette alpha, missing entries opaque.
    {
        PngRecipe r;
        r.colorType = 3;
        r.rows = {0, 1, 2, 1};
        r.plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
        r.trns = {0};
        Raster img;
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetTransIndex(), 0);
        EXPECT_FALSE(img.IsAlphaPaletteEnabled());
        r.trns = {255, 0}; // one transparent entry among opaque ones: a key index
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetTransIndex(), 1);
        EXPECT_FALSE(img.IsAlphaPaletteEnabled());
        r.trns = {0, 100};
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetTransIndex(), -1);
        EXPECT_TRUE(img.IsAlphaPaletteEnabled());
        EXPECT_EQ(img.GetPaletteColor(1).reserved, 100);
        EXPECT_EQ(img.GetPaletteColor(2).reserved, 255);
        Raster again;
        ASSERT_TRUE(RoundTrip(img, again));
        EXPECT_TRUE(again.IsAlphaPaletteEnabled());
        EXPECT_EQ(again.GetPaletteColor(1).reserved, 100);
        EXPECT_EQ(again.GetPaletteColor(0).reserved, 0);
    }
}

TEST(PngReader, DepthsAndGreyPalettes)
{
    // 16-bit grey reads as 8 bpp grey (high bytes).
    PngRecipe g16;
    g16.bitDepth = 16;
    g16.rows = {0x12, 0x34, 0xAB, 0xCD, 0, 0, 0xFF, 0xFF};
    Raster img;
    ASSERT_TRUE(DecodePng(MakePng(g16), img)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 8);
    EXPECT_TRUE(img.IsGrayScale());
    EXPECT_EQ(TopPixel(img, 1, 0), MakeRgb(0xAB, 0xAB, 0xAB));

    // 2-bit grey widens to 4 bpp with the entries 0, 85, 170, 255.
    PngRecipe g2;
    g2.bitDepth = 2;
    g2.width = 4;
    g2.height = 1;
    g2.rows = {0x1B}; // 0, 1, 2, 3
    ASSERT_TRUE(DecodePng(MakePng(g2), img)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 4);
    for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(TopPixel(img, x, 0), MakeRgb(uint8_t(85 * x), uint8_t(85 * x), uint8_t(85 * x)));

    // 16-bit grey + alpha becomes 24 bpp with an alpha plane.
    PngRecipe ga16;
    ga16.bitDepth = 16;
    ga16.colorType = 4;
    ga16.width = 1;
    ga16.height = 1;
    ga16.rows = {0x80, 0, 0x40, 0};
    ASSERT_TRUE(DecodePng(MakePng(ga16), img)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(TopPixel(img, 0, 0), MakeRgb(0x80, 0x80, 0x80, 0x40));
}

TEST(PngReader, ResolutionFromThePhysicalChunkOr96)
{
    struct Case {
        bool phys;
        uint32_t ppm;
        uint8_t unit;
        int32_t wantDpi;
    } cases[] = {{false, 0, 0, 96}, {true, 3780, 1, 96}, {true, 11811, 1, 300}, {true, 72, 0, 72}};
    for (const auto& c : cases) {
        PngRecipe r;
        r.rows = {1, 2, 3, 4};
        r.phys = c.phys;
        r.ppmX = r.ppmY = c.ppm;
        r.physUnit = c.unit;
        Raster img;
        ASSERT_TRUE(DecodePng(MakePng(r), img)) << img.GetLastError();
        EXPECT_EQ(img.GetXDPI(), c.wantDpi) << "have " << img.GetXDPI() << " want " << c.wantDpi;
        EXPECT_EQ(img.GetYDPI(), c.wantDpi);
    }
}

TEST(PngReader, DamagedFilesFailWithTheLibraryTextAndLeaveTheImage)
{
    PngRecipe r;
    r.rows = {1, 2, 3, 4};
    std::vector<uint8_t> badCrc = MakePng(r);
    badCrc[29] ^= 0xFF; // inside the header chunk's checksum
    std::vector<uint8_t> notPng = MakePng(r);
    notPng[1] = 'Q';
    r.cut = 20; // the data stops inside the compressed rows
    struct Case {
        std::vector<uint8_t> bytes;
        const char* want;
    } cases[] = {{MakePng(r), "Read Error"}, {badCrc, "IHDR: CRC error"}, {notPng, "Not a PNG file"}, {{}, "Read Error"}};
    for (const auto& c : cases) {
        Raster img;
        ASSERT_TRUE(img.Create(3, 3, 24, TypeBmp));
        EXPECT_FALSE(DecodePng(c.bytes, img));
        EXPECT_STREQ(img.GetLastError(), c.want);
        EXPECT_EQ(img.GetWidth(), 3u);
        EXPECT_EQ(img.GetType(), uint32_t{TypeBmp});
    }
}

TEST(PngWriter, RefusalsAndStreamFailures)
{
    Raster empty;
    MemoryStream s;
    EXPECT_FALSE(empty.Encode(&s, TypePng));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");

    Raster img;
    ASSERT_TRUE(img.Create(4, 4, 24, TypeBmp));
    EXPECT_FALSE(img.Encode(static_cast<ByteStream*>(nullptr), TypePng));
    EXPECT_STREQ(img.GetLastError(), "null file handler");

    uint8_t none = 0;
    MemoryStream readOnly(static_cast<const uint8_t*>(&none), 0);
    EXPECT_FALSE(img.Encode(&readOnly, TypePng));
    EXPECT_STREQ(img.GetLastError(), "Write Error");
}

} // namespace
} // namespace vex
