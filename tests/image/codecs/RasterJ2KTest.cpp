#include <algorithm>

#include <gtest/gtest.h>

#include "image/TestHelpers.h"
#include "image/codecs/J2kBlockCoder.h"
#include "image/codecs/RasterJ2K.h"

namespace vex {
namespace {

using test::Bytes;

using test::EncodeBytes;

bool DecodeBytes(const std::vector<uint8_t>& bytes, Raster& out, uint32_t type)
{
    MemoryStream s(bytes.data(), bytes.size());
    return out.Decode(&s, type);
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

Raster Colour(uint32_t w = 19, uint32_t h = 11)
{
    Raster img;
    img.Create(w, h, 24, TypeJp2);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 13), uint8_t(y * 23), uint8_t(x ^ y)));
    return img;
}

Raster Grey(uint32_t w = 19, uint32_t h = 11)
{
    Raster img;
    img.Create(w, h, 8, TypeJp2);
    img.SetGrayPalette();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelIndex(x, y, uint8_t(x * 11 + y * 3));
    return img;
}

TEST(J2kRoundTrip, LosslessEveryWriterAndDepth)
{
    struct Case { uint32_t type; bool colour; } cases[] = {
        {TypeJp2, true}, {TypeJp2, false}, {TypeJpc, true}, {TypeJpc, false}, {TypePgx, false},
        {TypePnm, true}, {TypePnm, false}, {TypeRas, true}, {TypeRas, false},
    };
    for (const auto& c : cases) {
        Raster img = c.colour ? Colour() : Grey();
        img.SetJpegQuality(100);
        const auto file = EncodeBytes(img, c.type);
        ASSERT_FALSE(file.empty()) << "type " << c.type << ": " << img.GetLastError();
        for (uint32_t readAs : {c.type, uint32_t{TypeUnknown}}) {
            Raster back;
            ASSERT_TRUE(DecodeBytes(file, back, readAs)) << "type " << c.type << ": " << back.GetLastError();
            EXPECT_EQ(back.GetType(), c.type);
            EXPECT_EQ(back.GetBpp(), c.colour ? 24 : 8) << "type " << c.type;
            EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img)) << "type " << c.type << " read as " << readAs;
        }
    }
}

// Grey rows of 4 bpp are widened before they are written.
TEST(J2kRoundTrip, FourBitGreyIsWidened)
{
    Raster img;
    img.Create(9, 3, 4, TypeJp2);
    for (uint32_t i = 0; i < 16; ++i) img.SetPaletteColor(uint8_t(i), uint8_t(i), uint8_t(i), uint8_t(i));
    for (uint32_t x = 0; x < 9; ++x) img.SetPixelIndex(x, 1, uint8_t(x));
    for (uint32_t type : {uint32_t{TypeJp2}, uint32_t{TypePgx}, uint32_t{TypePnm}}) {
        img.SetJpegQuality(100);
        Raster back;
        ASSERT_TRUE(DecodeBytes(EncodeBytes(img, type), back, type)) << type;
        EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img)) << type;
    }
}

TEST(J2kWriter, QualitySetsTheCompressionRatio)
{
    Raster img = Colour(96, 64);
    const uint64_t raw = 96 * 64 * 3;
    img.SetJpegQuality(100);
    const size_t lossless = EncodeBytes(img, TypeJpc).size();
    img.SetJpegQuality(10);
    const auto small = EncodeBytes(img, TypeJpc);
    ASSERT_FALSE(small.empty());
    // Quality 10 keeps a tenth of the raw size (plus the headers).
    EXPECT_LE(small.size(), raw / 10 + 300);
    EXPECT_LT(small.size(), lossless);
    Raster back;
    EXPECT_TRUE(DecodeBytes(small, back, TypeJpc));
}

TEST(J2kWriter, Refusals)
{
    Raster palette = Grey();
    palette.SetPaletteColor(3, 255, 0, 0);
    for (uint32_t type : {uint32_t{TypeJp2}, uint32_t{TypeJpc}, uint32_t{TypePnm}, uint32_t{TypeRas}}) {
        MemoryStream s;
        EXPECT_FALSE(palette.Encode(&s, type));
        EXPECT_STREQ(palette.GetLastError(), "JasPer can save only RGB or GrayScale images");
    }
    Raster colour = Colour();
    MemoryStream s;
    EXPECT_FALSE(colour.Encode(&s, TypePgx));
    EXPECT_STREQ(colour.GetLastError(), "PGX can save only GrayScale images");
}

TEST(J2kPresent, ComponentsBeyondColourAreGreyFrames)
{
    std::vector<int32_t> a = {0, 1, 2, 3}, b = {-2048, 2047, 0, -1};
    std::vector<J2kComponent> comps(2);
    comps[0] = {2, 2, 1, 1, 0, 3, a.data()};
    comps[1] = {2, 2, 1, 1, -2048, 2047, b.data()}; // signed 12 bits
    RasterJ2K first;
    ASSERT_TRUE(first.Present(comps, false));
    EXPECT_EQ(first.GetNumFrames(), 2);
    EXPECT_EQ(first.GetPixelIndex(1, 1), 85); // top row is the last image row
    RasterJ2K second;
    second.SetFrame(1);
    ASSERT_TRUE(second.Present(comps, false));
    EXPECT_EQ(second.GetPixelIndex(0, 1), 0);
    EXPECT_EQ(second.GetPixelIndex(1, 1), 255);
    RasterJ2K third;
    third.SetFrame(2);
    EXPECT_FALSE(third.Present(comps, false));
    EXPECT_STREQ(third.GetLastError(), "wrong frame!");
    std::vector<J2kComponent> many(65, comps[0]);
    RasterJ2K crowd;
    EXPECT_FALSE(crowd.Present(many, false));
    EXPECT_STREQ(crowd.GetLastError(), "error: too much components");
}

// Subsampled YCC is upsampled and converted, never split into grey frames.
TEST(J2kPresent, SubsampledYccBecomesColour)
{
    std::vector<int32_t> y(16, 76), cb(4, 85), cr(4, 255);
    std::vector<J2kComponent> comps(3);
    comps[0] = {4, 4, 1, 1, 0, 255, y.data()};
    comps[1] = {2, 2, 2, 2, 0, 255, cb.data()};
    comps[2] = {2, 2, 2, 2, 0, 255, cr.data()};
    RasterJ2K img;
    ASSERT_TRUE(img.Present(comps, true));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetWidth(), 4u);
    const RgbQuad c = img.GetPixelColor(3, 0);
    EXPECT_GE(c.red, 250);
    EXPECT_LE(c.green, 3);
    EXPECT_LE(c.blue, 3);
}

// A code stream whose header asks for 100000 x 100000 pixels is refused
// before the library allocates anything for it.
TEST(J2kReader, HeaderSizeIsCheckedBeforeDecoding)
{
    Bytes b;
    auto be16 = [&](uint32_t v) { b.u8(v >> 8).u8(v & 0xFF); };
    auto be32 = [&](uint32_t v) { be16(v >> 16), be16(v & 0xFFFF); };
    be16(0xFF4F);
    be16(0xFF51), be16(41), be16(0), be32(100000), be32(100000), be32(0), be32(0), be32(100000), be32(100000);
    be32(0), be32(0), be16(1), b.u8(7).u8(1).u8(1);
    be16(0xFF52), be16(12), b.u8(0).u8(0), be16(1), b.u8(0).u8(5).u8(4).u8(4).u8(0).u8(1);
    be16(0xFF5C), be16(19), b.u8(0x40);
    for (int i = 0; i < 16; ++i) b.u8(0x40);
    be16(0xFF90), be16(10), be16(0), be32(0), b.u8(0).u8(1);
    Raster img;
    EXPECT_FALSE(DecodeBytes(b.v, img, TypeJpc));
    EXPECT_STREQ(img.GetLastError(), "error: cannot allocate memory");
}

// The library's high-throughput block decoder aborts the process on damaged
// blocks, so a stream asking for that coder anywhere (profile, main header,
// a tile-part header) decodes in a child process: good streams give their
// pixels, and a block that makes the library abort only fails the file.
TEST(J2kReader, HighThroughputStreamsDecodeInAChildProcess)
{
    auto find = [](const std::vector<uint8_t>& v, std::initializer_list<uint8_t> pattern, size_t from = 0) {
        const auto at = std::search(v.begin() + long(from), v.end(), pattern.begin(), pattern.end());
        return at == v.end() ? size_t(-1) : size_t(at - v.begin());
    };
    for (uint32_t type : {uint32_t{TypeJpc}, uint32_t{TypeJp2}}) {
        Raster img = Colour();
        const auto file = EncodeBytes(img, type);
        const size_t soc = find(file, {0xFF, 0x4F, 0xFF, 0x51});
        const size_t cod = find(file, {0xFF, 0x52}, soc);
        const size_t sot = find(file, {0xFF, 0x90, 0x00, 0x0A}, soc);
        ASSERT_LT(cod, sot) << "type " << type;

        // The capability bit alone: ordinary blocks, decoded by the child.
        auto profiled = file;
        profiled[soc + 6] |= 0x40;
        MemoryStream scan(profiled.data(), profiled.size());
        EXPECT_TRUE(UsesHighThroughputBlocks(&scan, type == TypeJp2));
        Raster out;
        ASSERT_TRUE(DecodeBytes(profiled, out, type)) << out.GetLastError();
        EXPECT_EQ(test::RgbPixels(out), test::RgbPixels(img)) << "type " << type;

        // Ordinary blocks read by the high-throughput decoder: they fail.
        auto styled = file;
        styled[cod + 12] |= 0x40; // code-block style of the main header's COD
        Raster bad;
        EXPECT_FALSE(DecodeBytes(styled, bad, type)) << "type " << type;
        EXPECT_STREQ(bad.GetLastError(), "error: cannot load image data");

        if (type == TypeJp2) {
            // A box length the walk cannot follow: the code stream is still found.
            auto unwalkable = styled;
            for (size_t i = 12; i < 16; ++i) unwalkable[i] = 0xFF;
            MemoryStream s(unwalkable.data(), unwalkable.size());
            EXPECT_TRUE(UsesHighThroughputBlocks(&s, true));
        }
    }
    // A damaged block on which the library aborts (found by fuzzing): this
    // process lives on and the file fails.
    Raster crash;
    EXPECT_FALSE(crash.Load(VEXMIRA_SOURCE_DIR "/fuzz/regressions/j2k/high-throughput-block-mel-stuffing.j2k", TypeJpc));
    EXPECT_STREQ(crash.GetLastError(), "error: cannot load image data");
}

// The scan that sends streams to the child follows every tile-part header, through Psot
// or, where Psot is wrong, to the next SOT marker.
TEST(J2kReader, HighThroughputScanFindsTilePartHeaders)
{
    auto stream = [](uint32_t firstPsot, uint8_t tileStyle, uint8_t mainStyle) {
        Bytes b;
        auto be16 = [&](uint32_t v) { b.u8(v >> 8).u8(v & 0xFF); };
        auto be32 = [&](uint32_t v) { be16(v >> 16), be16(v & 0xFFFF); };
        be16(0xFF4F);
        be16(0xFF51), be16(47), be16(0), be32(16), be32(16), be32(0), be32(0), be32(8), be32(16), be32(0), be32(0);
        be16(3);
        for (int c = 0; c < 3; ++c) b.u8(7).u8(1).u8(1);
        be16(0xFF52), be16(12), b.u8(0).u8(0), be16(1), b.u8(0).u8(2).u8(4).u8(4).u8(mainStyle).u8(1);
        // Tile part 0: 20 bytes of packet data that happen to contain FF 52.
        be16(0xFF90), be16(10), be16(0), be32(firstPsot), b.u8(0).u8(1), be16(0xFF93);
        for (int i = 0; i < 20; ++i) b.u8(i == 7 ? 0xFF : i == 8 ? 0x52 : 0x11);
        // Tile part 1 carries a COC for component 2.
        const size_t second = b.v.size();
        be16(0xFF90), be16(10), be16(1), be32(0), b.u8(0).u8(1);
        be16(0xFF53), be16(9), b.u8(2).u8(0).u8(2).u8(4).u8(4).u8(tileStyle).u8(1), be16(0xFF93);
        b.u8(0x22).u8(0x22);
        be16(0xFFD9);
        return std::make_pair(b.v, second);
    };
    struct Case { const char* name; uint32_t psot; uint8_t tileStyle, mainStyle; bool ht; } cases[] = {
        {"plain", 34, 0x00, 0x00, false},
        {"main header", 34, 0x00, 0x40, true},
        {"second tile part", 34, 0x40, 0x00, true},
        {"second tile part behind a short Psot", 5, 0x40, 0x00, true},
        {"second tile part behind a Psot past the end", 999999, 0x40, 0x00, true},
        {"other style bits", 34, 0x3F, 0x3F, false},
    };
    for (const auto& c : cases) {
        auto [bytes, second] = stream(c.psot, c.tileStyle, c.mainStyle);
        ASSERT_EQ(second, 65u + 34u) << c.name; // the first tile part is 34 bytes long
        MemoryStream s(bytes.data(), bytes.size());
        ASSERT_TRUE(s.Seek(0, 0));
        EXPECT_EQ(UsesHighThroughputBlocks(&s, false), c.ht) << c.name;
        EXPECT_EQ(s.Tell(), 0) << c.name;
    }
}

struct Fixture {
    const char* name;
    std::vector<uint8_t> bytes;
    uint32_t width, height, bpp;
    std::vector<uint8_t> rgbTopLeftFirst; // the first pixels of the top row
};

std::vector<uint8_t> TopRow(const Raster& img, size_t n)
{
    std::vector<uint8_t> out;
    for (uint32_t x = 0; x < n; ++x) {
        const RgbQuad c = img.GetPixelColor(x, img.GetHeight() - 1);
        out.insert(out.end(), {c.red, c.green, c.blue});
    }
    return out;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(J2kInHouse, ReadsEveryPnmAndSunRasterVariant)
{
    Bytes ras8;
    ras8.raw({0x59, 0xA6, 0x6A, 0x95, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 6});
    ras8.raw({255, 0, 0, 0, 0, 255}).raw({0x80, 0x03, 0x01}); // map red / blue; a run of index 1 with the row padding
    Bytes ras1;
    ras1.raw({0x59, 0xA6, 0x6A, 0x95, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    ras1.raw({0x80, 0x00}); // set bit = black, padded to 16 bits
    Bytes ras32;
    ras32.raw({0x59, 0xA6, 0x6A, 0x95, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 32, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    ras32.raw({0, 30, 20, 10}); // pad, blue, green, red
    const Fixture cases[] = {
        {"plain pbm", Text("P1\n# comment\n3 1\n1 0\n1"), 3, 1, 8, {0, 0, 0, 255, 255, 255, 0, 0, 0}},
        {"raw pbm", Join(Text("P4 3 1\n"), {0xA0}), 3, 1, 8, {0, 0, 0, 255, 255, 255, 0, 0, 0}},
        {"plain pgm, maxval 100", Text("P2 2 1 100 0 100"), 2, 1, 8, {0, 0, 0, 255, 255, 255}},
        {"raw pgm 16-bit", Join(Text("P5 1 1 65535\n"), {0xFF, 0xFF}), 1, 1, 8, {255, 255, 255}},
        {"plain ppm", Text("P3 1 1 255 10 20 30"), 1, 1, 24, {10, 20, 30}},
        {"raw ppm", Join(Text("P6 1 1 255\n"), {10, 20, 30}), 1, 1, 24, {10, 20, 30}},
        {"pgx signed 12-bit big-endian", Join(Text("PG ML -12 2 1\n"), {0x08, 0x00, 0x07, 0xFF}), 2, 1, 8,
         {0, 0, 0, 255, 255, 255}},
        {"pgx little-endian 8-bit", Join(Text("PG LM +8 1 1\n"), {200}), 1, 1, 8, {200, 200, 200}},
        {"sun raster rle with map", ras8.v, 3, 1, 24, {0, 0, 255, 0, 0, 255, 0, 0, 255}},
        {"sun raster 1-bit", ras1.v, 2, 1, 8, {0, 0, 0, 255, 255, 255}},
        {"sun raster 32-bit", ras32.v, 1, 1, 24, {10, 20, 30}},
    };
    for (const auto& c : cases) {
        Raster img;
        ASSERT_TRUE(DecodeBytes(c.bytes, img, TypeUnknown)) << c.name << ": " << img.GetLastError();
        EXPECT_EQ(img.GetWidth(), c.width) << c.name;
        EXPECT_EQ(img.GetHeight(), c.height) << c.name;
        EXPECT_EQ(img.GetBpp(), c.bpp) << c.name;
        EXPECT_EQ(TopRow(img, c.width), c.rgbTopLeftFirst) << c.name;
    }
}

TEST(J2kInHouse, ShortAndHostileFilesFailAndTypesDetect)
{
    const std::vector<uint8_t> cases[] = {
        Join(Text("P6 4 4 255\n"), {1, 2, 3}),
        Text("P5 999999999 999999999 255\n"),
        Text("P2 2 1 0 0 0"),
        Text("PG ML +40 1 1\n"),
        Join(Text("PG ML +8 4 4\n"), {1}),
        {0x59, 0xA6, 0x6A, 0x95, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0x80},
        {0x59, 0xA6, 0x6A, 0x95, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0},
        {0xFF, 0x4F, 0xFF, 0x51, 0, 0},
    };
    for (const auto& bytes : cases) {
        Raster img = Grey(2, 2);
        EXPECT_FALSE(DecodeBytes(bytes, img, TypeUnknown));
        EXPECT_STRNE(img.GetLastError(), "");
        EXPECT_EQ(img.GetWidth(), 2u);
    }
    // Any type of the family detects the format it is given.
    Raster img;
    ASSERT_TRUE(DecodeBytes(Text("P3 1 1 255 1 2 3"), img, TypeRas));
    EXPECT_EQ(img.GetType(), uint32_t{TypePnm});
}

} // namespace
} // namespace vex
