#include <gtest/gtest.h>

#include "image/Limits.h"
#include "image/codecs/RasterBMP.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

using test::Bytes;

struct Info {
    int32_t width = 4, height = 2;
    uint16_t bpp = 8;
    uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
    int32_t ppm = 3780;
    uint32_t headerSize = 40;
};

// A 40-byte (or larger, zero-padded) information header.
Bytes InfoHeader(const Info& i)
{
    Bytes b;
    b.u32(i.headerSize).u32(static_cast<uint32_t>(i.width)).u32(static_cast<uint32_t>(i.height)).u16(1).u16(i.bpp);
    b.u32(i.compression).u32(i.sizeImage).u32(static_cast<uint32_t>(i.ppm)).u32(static_cast<uint32_t>(i.ppm));
    b.u32(i.clrUsed).u32(0);
    if (i.headerSize > 40) b.zeros(i.headerSize - 40);
    return b;
}

// File header + body; pixelOffset 0 means "right after the body's palette".
std::vector<uint8_t> WithFileHeader(const Bytes& body, uint32_t pixelOffset)
{
    Bytes b;
    b.u8('B').u8('M').u32(static_cast<uint32_t>(body.size() + 14)).u16(0).u16(0).u32(pixelOffset);
    b.raw(body.v);
    return b.v;
}

Bytes GreyPalette(int entries)
{
    Bytes b;
    for (int i = 0; i < entries; ++i) b.u8(i).u8(i).u8(i).u8(0xEE); // fourth byte must be dropped
    return b;
}

bool DecodeBytes(const std::vector<uint8_t>& bytes, Raster& out)
{
    MemoryStream s(bytes.data(), bytes.size());
    return out.Decode(&s, TypeBmp);
}

TEST(BmpRoundTrip, EveryDepthKeepsTheWholeBlock)
{
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        for (uint32_t width : {1u, 7u, 33u}) {
            Raster img;
            ASSERT_TRUE(img.Create(width, 5, bpp, TypeBmp));
            img.SetXDPI(300);
            img.SetYDPI(72);
            for (uint32_t i = 0; i < img.GetNumColors(); ++i)
                img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 3), uint8_t(255 - i), uint8_t(i ^ 0x5A));
            for (uint32_t y = 0; y < 5; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 40 + y), uint8_t(y * 50), uint8_t(x * y * 9)));

            MemoryStream s;
            ASSERT_TRUE(img.Encode(&s, TypeBmp)) << img.GetLastError();
            EXPECT_EQ(static_cast<uint64_t>(s.Size()), img.GetSize() + 14);
            ASSERT_TRUE(s.Seek(0, 0));
            Raster back;
            ASSERT_TRUE(back.Decode(&s, TypeBmp)) << back.GetLastError();
            EXPECT_EQ(std::vector<uint8_t>(back.GetDIB(), back.GetDIB() + back.GetSize()),
                      std::vector<uint8_t>(img.GetDIB(), img.GetDIB() + img.GetSize()))
                << "bpp " << bpp << " width " << width;
            EXPECT_EQ(back.GetXDPI(), 300);
            EXPECT_EQ(back.GetYDPI(), 72);
            EXPECT_EQ(back.GetType(), uint32_t{TypeBmp});
        }
    }
}

TEST(BmpWriter, LayoutOfAnEightBitFile)
{
    Raster img;
    ASSERT_TRUE(img.Create(10, 3, 8, TypeBmp));
    ASSERT_TRUE(img.AlphaCreate()); // never written
    img.SetClrImportant(100);       // written as held
    MemoryStream s;
    ASSERT_TRUE(img.Encode(&s, TypeBmp));
    const uint8_t* b = s.GetBuffer();
    EXPECT_EQ(s.Size(), 14 + 40 + 1024 + 12 * 3);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(b[2] | b[3] << 8 | b[4] << 16, 14 + 40 + 1024 + 36);
    EXPECT_EQ(b[10] | b[11] << 8, 1078);
    EXPECT_EQ(b[14], 40);
    EXPECT_EQ(b[46] | b[47] << 8, 256); // colours used
    EXPECT_EQ(b[50], 100);              // colours important
}

TEST(BmpReader, BareDeviceIndependentBitmap)
{
    Info info;
    info.bpp = 8;
    Bytes body = InfoHeader(info);
    body.raw(GreyPalette(256).v);
    body.raw({1, 2, 3, 4, 5, 6, 7, 8});
    Raster img;
    ASSERT_TRUE(DecodeBytes(body.v, img)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(img.GetPixelIndex(3, 1), 8);
    EXPECT_EQ(img.GetPaletteColor(7), MakeRgb(7, 7, 7, 0));
}

TEST(BmpReader, CoreHeaderWithThreeBytePalette)
{
    Bytes body;
    body.u32(12).u16(3).u16(1).u16(1).u16(8);
    for (int i = 0; i < 256; ++i) body.u8(i).u8(255 - i).u8(7); // blue, green, red
    body.raw({9, 200, 255, 0});
    Raster img;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(body, 0), img)) << img.GetLastError();
    EXPECT_EQ(img.GetWidth(), 3u);
    EXPECT_EQ(img.GetPaletteColor(9), MakeRgb(7, 246, 9, 0));
    EXPECT_EQ(img.GetPaletteColor(255), MakeRgb(7, 0, 255, 0));
    EXPECT_EQ(img.GetPixelIndex(1, 0), 200);

    // A 1 x 1 core file shorter than a 40-byte header still reads.
    Bytes tiny;
    tiny.u32(12).u16(1).u16(1).u16(1).u16(1).raw({0, 0, 0, 255, 255, 255}).raw({0x80, 0, 0, 0});
    Raster one;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(tiny, 0), one)) << one.GetLastError();
    EXPECT_EQ(one.GetPixelColor(0, 0), MakeRgb(255, 255, 255));
}

TEST(BmpReader, ColoursUsedBelowTheDepthAndPixelOffset)
{
    // 16 palette entries declared on an 8 bpp file: 256 entries are read,
    // and the pixel offset still finds the pixels.
    Info info;
    info.clrUsed = 16;
    Bytes body = InfoHeader(info);
    body.raw(GreyPalette(16).v);
    body.raw({15, 14, 13, 12, 11, 10, 9, 8});
    const uint32_t offset = 14 + 40 + 16 * 4;
    Raster img;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(body, offset), img)) << img.GetLastError();
    EXPECT_EQ(img.GetNumColors(), 256u);
    EXPECT_EQ(img.GetPixelIndex(0, 0), 15);
    EXPECT_EQ(img.GetPixelIndex(3, 1), 8);
    EXPECT_EQ(img.GetPaletteColor(3), MakeRgb(3, 3, 3, 0));
}

TEST(BmpReader, TopDownRowsReadUprightWhateverTheHeaderSizeSays)
{
    for (uint32_t sizeImage : {0u, 12u, 4096u, 7u}) {
        Info info;
        info.width = 2;
        info.height = -2;
        info.bpp = 24;
        info.sizeImage = sizeImage;
        Bytes body = InfoHeader(info);
        body.raw({1, 2, 3, 4, 5, 6, 0, 0});       // top row
        body.raw({10, 20, 30, 40, 50, 60, 0, 0}); // bottom row
        Raster img;
        ASSERT_TRUE(DecodeBytes(WithFileHeader(body, 54), img)) << img.GetLastError();
        EXPECT_EQ(img.GetHeight(), 2u);
        EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(30, 20, 10)) << "size image " << sizeImage;
        EXPECT_EQ(img.GetPixelColor(1, 1), MakeRgb(6, 5, 4)) << "size image " << sizeImage;
    }
}

TEST(BmpReader, SixteenBitDefaultAndBitfieldMasks)
{
    // Two rows, so converting in place would overwrite the second row before
    // it was read.
    Info info;
    info.width = 2;
    info.bpp = 16;
    Bytes d555 = InfoHeader(info);
    d555.u16(0x7C00).u16(0x001F).u16(0x03E0).u16(0x7FFF);
    Raster a;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(d555, 54), a)) << a.GetLastError();
    EXPECT_EQ(a.GetBpp(), 24);
    EXPECT_EQ(a.GetPixelColor(0, 0), MakeRgb(248, 0, 0));
    EXPECT_EQ(a.GetPixelColor(1, 0), MakeRgb(0, 0, 248));
    EXPECT_EQ(a.GetPixelColor(0, 1), MakeRgb(0, 248, 0));
    EXPECT_EQ(a.GetPixelColor(1, 1), MakeRgb(248, 248, 248));

    info.compression = 3;
    Bytes d565 = InfoHeader(info);
    d565.u32(0xF800).u32(0x07E0).u32(0x001F);
    d565.u16(0xF800).u16(0x07E0).u16(0x001F).u16(0xFFFF);
    Raster b;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(d565, 0), b)) << b.GetLastError();
    EXPECT_EQ(b.GetPixelColor(0, 0), MakeRgb(248, 0, 0));
    EXPECT_EQ(b.GetPixelColor(1, 0), MakeRgb(0, 252, 0));
    EXPECT_EQ(b.GetPixelColor(0, 1), MakeRgb(0, 0, 248));
}

TEST(BmpReader, ThirtyTwoBitHonoursItsMasks)
{
    Info info;
    info.width = 1;
    info.height = 1;
    info.bpp = 32;
    Bytes plain = InfoHeader(info);
    plain.raw({10, 20, 30, 255});
    Raster a;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(plain, 54), a));
    EXPECT_EQ(a.GetPixelColor(0, 0), MakeRgb(30, 20, 10));

    // Red in the top byte, alpha in the bottom one.
    info.compression = 3;
    Bytes rgba = InfoHeader(info);
    rgba.u32(0xFF000000).u32(0x00FF0000).u32(0x0000FF00);
    rgba.raw({0x80, 30, 20, 10});
    Raster b;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(rgba, 0), b)) << b.GetLastError();
    EXPECT_EQ(b.GetPixelColor(0, 0), MakeRgb(10, 20, 30));
}

TEST(BmpReader, Rle8RunsStayInsideTheImage)
{
    Info info;
    info.width = 4;
    info.height = 2;
    info.compression = 1;
    Bytes body = InfoHeader(info);
    body.raw(GreyPalette(256).v);
    body.raw({6, 7,          // a run of 6 past the row's end: 4 pixels written
              0, 0,          // end of line
              0, 3, 1, 2, 3, // absolute run of 3 plus padding
              0,             //   (padding byte)
              0, 1});
    Raster img;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(body, 0), img)) << img.GetLastError();
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.GetPixelIndex(x, 0), 7);
    EXPECT_EQ(img.GetPixelIndex(0, 1), 1);
    EXPECT_EQ(img.GetPixelIndex(2, 1), 3);
    EXPECT_EQ(img.GetPixelIndex(3, 1), 0);

    // Deltas far outside and data that simply ends: no end-of-bitmap needed.
    Bytes wild = InfoHeader(info);
    wild.raw(GreyPalette(256).v);
    wild.raw({0, 2, 255, 255, 9, 9, 0, 2, 0, 0});
    Raster w;
    EXPECT_TRUE(DecodeBytes(WithFileHeader(wild, 0), w)) << w.GetLastError();
}

TEST(BmpReader, Rle4RunsStartWithTheHighNibble)
{
    Info info;
    info.width = 8;
    info.height = 1;
    info.bpp = 4;
    info.compression = 2;
    Bytes body = InfoHeader(info);
    body.raw(GreyPalette(16).v);
    body.raw({0, 2, 1, 0,       // delta of one pixel: the next run starts at x = 1
              3, 0xAB,          // A B A at x = 1, 2, 3
              0, 3, 0x12, 0x30, // absolute run of 3 pixels: 1 2 3 (two bytes, no pad)
              0, 1});
    Raster img;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(body, 0), img)) << img.GetLastError();
    const int want[8] = {0, 0xA, 0xB, 0xA, 1, 2, 3, 0};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(img.GetPixelIndex(x, 0), want[x]) << "x " << x;

    // An absolute run of 5 pixels takes three bytes plus one of padding.
    Bytes five = InfoHeader(info);
    five.raw(GreyPalette(16).v);
    five.raw({0, 5, 0x12, 0x34, 0x50, 0x00, 2, 0xCC, 0, 1});
    Raster f;
    ASSERT_TRUE(DecodeBytes(WithFileHeader(five, 0), f)) << f.GetLastError();
    const int wantFive[8] = {1, 2, 3, 4, 5, 0xC, 0xC, 0};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(f.GetPixelIndex(x, 0), wantFive[x]) << "x " << x;
}

TEST(BmpReader, Refusals)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* want;
    };
    auto file = [](Info i, size_t pixelBytes, size_t paletteEntries = 0) {
        Bytes b = InfoHeader(i);
        b.raw(GreyPalette(static_cast<int>(paletteEntries)).v);
        b.zeros(pixelBytes);
        return WithFileHeader(b, 0);
    };
    Info v5;
    v5.headerSize = 124;
    v5.bpp = 32;
    v5.compression = 3;
    Info rle8at4;
    rle8at4.bpp = 4;
    rle8at4.compression = 1;
    Info rle24;
    rle24.bpp = 24;
    rle24.compression = 1;
    Info jpeg32;
    jpeg32.bpp = 32;
    jpeg32.compression = 4;
    Info zeroWidth;
    zeroWidth.width = 0;
    Info negWidth;
    negWidth.width = -4;
    Info huge;
    huge.width = 60000;
    huge.height = 60000;
    huge.bpp = 24;
    huge.compression = 0;
    Info bpp2;
    bpp2.bpp = 2;
    Info truncated;
    truncated.bpp = 24;
    truncated.width = 100;
    truncated.height = 100;
    Info rleHuge;
    rleHuge.width = 200000;
    rleHuge.height = 200000;
    rleHuge.compression = 1;

    const Case cases[] = {
        {"empty", {}, "Not a BMP"},
        {"13 bytes", std::vector<uint8_t>(13, 'B'), "Not a BMP"},
        {"short info header", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 1}, "Error reading BMP info"},
        {"V5 with bit fields", file(v5, 64), "Error reading BMP info"},
        {"RLE8 on a 4 bpp image", file(rle8at4, 16, 16), "compression type not supported"},
        {"RLE on 24 bpp", file(rle24, 64), "unknown compression"},
        {"JPEG inside 32 bpp", file(jpeg32, 64), "unknown compression"},
        {"zero width", file(zeroWidth, 16, 256), "Error reading BMP info"},
        {"negative width", file(negWidth, 16, 256), "Error reading BMP info"},
        {"2 bpp", file(bpp2, 16, 4), "BMP bit count not supported"},
        {"pixels cut short", file(truncated, 1000), "BMP file is truncated"},
        {"over the memory cap", file(huge, 0), "BMP file is truncated"},
        {"RLE over the memory cap", file(rleHuge, 4, 256), "RASTER_MAX_MEMORY exceeded"},
    };
    for (const auto& c : cases) {
        Raster img;
        EXPECT_FALSE(DecodeBytes(c.bytes, img)) << c.what;
        EXPECT_STREQ(img.GetLastError(), c.want) << c.what;
        EXPECT_FALSE(img.IsValid()) << c.what;
    }
}

TEST(BmpReader, EscapeCancelsAndDensityBecomesDpi)
{
    Info info;
    info.ppm = 0;
    Bytes body = InfoHeader(info);
    body.raw(GreyPalette(256).v).zeros(8);
    const auto bytes = WithFileHeader(body, 0);

    RasterBMP codec;
    codec.SetEscape(1);
    MemoryStream s(bytes.data(), bytes.size());
    EXPECT_FALSE(codec.DecodeStream(&s));
    EXPECT_STREQ(codec.GetLastError(), "Cancelled");

    Raster img;
    ASSERT_TRUE(DecodeBytes(bytes, img));
    EXPECT_EQ(img.GetXDPI(), 0);
    EXPECT_EQ(img.GetHeader().xPelsPerMeter, 0);
}

} // namespace
} // namespace vex
