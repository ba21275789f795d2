#include <functional>

#include <gtest/gtest.h>

#include "image/TestHelpers.h"
#include "image/codecs/RasterTIF.h"
#include "image/codecs/TiffClient.h"

namespace vex {
namespace {

std::vector<uint8_t> EncodeBytes(Raster& img)
{
    MemoryStream s;
    if (!img.Encode(&s, TypeTif)) return {};
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

bool DecodeBytes(const std::vector<uint8_t>& bytes, Raster& out, int frame = 0)
{
    MemoryStream s(bytes.data(), bytes.size());
    out.SetFrame(frame);
    return out.Decode(&s, TypeTif);
}

// A TIFF made by libtiff itself from a recipe: the tags, then the rows.
std::vector<uint8_t> MakeTiff(const std::function<void(TIFF*)>& recipe)
{
    MemoryStream s;
    TiffClient client;
    client.stream = &s;
    TIFF* tif = OpenTiffClient(client, "w");
    if (!tif) return {};
    recipe(tif);
    TIFFClose(tif);
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

void GreyTags(TIFF* tif, uint32_t w, uint32_t h, uint16_t bits, uint16_t photometric = PHOTOMETRIC_MINISBLACK)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

// Tags of the first directory of a file we wrote.
template <class T>
T Tag(const std::vector<uint8_t>& file, ttag_t tag, T fallback)
{
    MemoryStream s(file.data(), file.size());
    TiffClient client;
    client.stream = &s;
    TIFF* tif = OpenTiffClient(client, "r");
    T value = fallback;
    if (tif) {
        TIFFGetField(tif, tag, &value);
        TIFFClose(tif);
    }
    return value;
}

Raster Pattern(uint32_t bpp, uint32_t w = 13, uint32_t h = 7)
{
    Raster img;
    img.Create(w, h, bpp, TypeTif);
    if (bpp <= 8) {
        for (uint32_t i = 0; i < img.GetNumColors(); ++i)
            img.SetPaletteColor(uint8_t(i), uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 3));
    }
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (bpp <= 8) img.SetPixelIndex(x, y, uint8_t((x * 3 + y * 5) % img.GetNumColors()));
            else img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 19), uint8_t(y * 31), uint8_t(x * y)));
        }
    return img;
}

TEST(TifRoundTrip, EveryDepthComesBackExactlyWithLosslessCompression)
{
    struct Case { uint32_t bpp; bool alpha; uint32_t option; } cases[] = {
        {1, false, 0}, {4, false, 0}, {8, false, 0}, {8, true, 0}, {24, false, COMPRESSION_LZW},
        {24, true, COMPRESSION_ADOBE_DEFLATE}, {24, false, COMPRESSION_NONE}, {8, false, COMPRESSION_LZW},
    };
    for (const auto& c : cases) {
        Raster img = Pattern(c.bpp);
        if (c.bpp == 1) {
            img.SetPaletteColor(0, 255, 255, 255);
            img.SetPaletteColor(1, 0, 0, 0);
        }
        if (c.alpha) {
            img.AlphaCreate();
            for (uint32_t y = 0; y < img.GetHeight(); ++y)
                for (uint32_t x = 0; x < img.GetWidth(); ++x) img.AlphaSet(x, y, uint8_t(x * 20 + y));
        }
        img.SetCodecOption(c.option);
        img.SetXDPI(300);
        Raster back;
        ASSERT_TRUE(DecodeBytes(EncodeBytes(img), back)) << "bpp " << c.bpp << ": " << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), c.bpp);
        EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img)) << "bpp " << c.bpp << " option " << c.option;
        EXPECT_EQ(back.AlphaIsValid(), c.alpha);
        if (c.alpha) {
            EXPECT_EQ(back.AlphaGet(5, 3), img.AlphaGet(5, 3));
        }
        EXPECT_EQ(back.GetXDPI(), 300);
    }
}

TEST(TifRoundTrip, DefaultColourCompressionIsJpegWithinTolerance)
{
    Raster img;
    img.Create(32, 16, 24, TypeTif);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 32; ++x) img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 8), uint8_t(y * 16), 90));
    img.SetJpegQuality(95);
    const auto file = EncodeBytes(img);
    EXPECT_EQ(Tag<uint16_t>(file, TIFFTAG_COMPRESSION, 0), COMPRESSION_JPEG);
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back));
    const auto a = test::RgbPixels(back), b = test::RgbPixels(img);
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    EXPECT_LE(worst, 8);
}

// The black-and-white swap happens on a private copy: the caller's palette,
// pixels and transparent index stay as they were.
TEST(TifWriter, BlackFirstBilevelIsWrittenMinIsWhiteWithoutTouchingTheImage)
{
    Raster img = Pattern(1);
    img.SetPaletteColor(0, 0, 0, 0);
    img.SetPaletteColor(1, 255, 255, 255);
    img.SetTransIndex(1);
    const std::vector<uint8_t> before(img.GetDIB(), img.GetDIB() + img.GetSize());
    const auto file = EncodeBytes(img);
    EXPECT_EQ(Tag<uint16_t>(file, TIFFTAG_PHOTOMETRIC, 99), PHOTOMETRIC_MINISWHITE);
    EXPECT_EQ(std::vector<uint8_t>(img.GetDIB(), img.GetDIB() + img.GetSize()), before);
    EXPECT_EQ(img.GetTransIndex(), 1);
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back));
    EXPECT_EQ(back.GetPaletteColor(0), MakeRgb(255, 255, 255));
    EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(img));
}

TEST(TifWriter, GreyRampIsMinIsBlackAndOtherPalettesCarryAColourMap)
{
    Raster grey;
    grey.Create(4, 4, 8, TypeTif);
    grey.SetGrayPalette();
    EXPECT_EQ(Tag<uint16_t>(EncodeBytes(grey), TIFFTAG_PHOTOMETRIC, 99), PHOTOMETRIC_MINISBLACK);
    Raster colour = Pattern(8);
    EXPECT_EQ(Tag<uint16_t>(EncodeBytes(colour), TIFFTAG_PHOTOMETRIC, 99), PHOTOMETRIC_PALETTE);
}

TEST(TifWriter, AlphaIsDeclaredUnassociated)
{
    Raster img = Pattern(24);
    img.AlphaCreate();
    const auto file = EncodeBytes(img);
    // Lossless by default, so the alpha survives and other readers agree.
    EXPECT_EQ(Tag<uint16_t>(file, TIFFTAG_COMPRESSION, 0), COMPRESSION_LZW);
    MemoryStream s(file.data(), file.size());
    TiffClient client;
    client.stream = &s;
    TIFF* tif = OpenTiffClient(client, "r");
    ASSERT_NE(tif, nullptr);
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds));
    ASSERT_EQ(count, 1);
    EXPECT_EQ(kinds[0], EXTRASAMPLE_UNASSALPHA);
    TIFFClose(tif);
}

// 8-bit RGBA is read as stored; premultiplied (associated) colour is made straight.
TEST(TifReader, EightBitRgbaKeepsItsColourUnderAlpha)
{
    for (uint16_t kind : {uint16_t{EXTRASAMPLE_UNASSALPHA}, uint16_t{EXTRASAMPLE_ASSOCALPHA}}) {
        const auto file = MakeTiff([&](TIFF* tif) {
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 1);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
            uint8_t px[4] = {200, 100, 50, 128};
            if (kind == EXTRASAMPLE_ASSOCALPHA) px[0] = 100, px[1] = 50, px[2] = 25;
            TIFFWriteScanline(tif, px, 0, 0);
        });
        Raster back;
        ASSERT_TRUE(DecodeBytes(file, back)) << back.GetLastError();
        const RgbQuad c = back.GetPixelColor(0, 0);
        EXPECT_NEAR(c.red, 200, 1) << "extra sample kind " << kind;
        EXPECT_NEAR(c.green, 100, 1);
        EXPECT_NEAR(c.blue, 50, 1);
        EXPECT_EQ(back.AlphaGet(0, 0), 128);
    }
}

TEST(TifPages, FrameSelectsThePageAndCountsThem)
{
    Raster pages[3] = {Pattern(8, 5, 5), Pattern(24, 6, 4), Pattern(1, 9, 2)};
    std::vector<Raster*> list = {&pages[0], &pages[1], &pages[2]};
    pages[1].SetCodecOption(COMPRESSION_LZW);
    MemoryStream s;
    RasterTIF writer;
    ASSERT_TRUE(writer.EncodeFrames(&s, list.data(), 3)) << writer.GetLastError();
    const std::vector<uint8_t> file(s.GetBuffer(), s.GetBuffer() + s.Size());
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back, 2));
    EXPECT_EQ(back.GetNumFrames(), 3);
    EXPECT_EQ(back.GetWidth(), 9u);
    ASSERT_TRUE(DecodeBytes(file, back, 1));
    EXPECT_EQ(test::RgbPixels(back), test::RgbPixels(pages[1]));
    Raster missing;
    EXPECT_FALSE(DecodeBytes(file, missing, 3));
    EXPECT_STREQ(missing.GetLastError(), "Error: page not present in TIFF file");
    EXPECT_EQ(missing.GetNumFrames(), 3);
}

TEST(TifPages, MultiPageWriterRefusals)
{
    Raster one = Pattern(8);
    Raster empty;
    Raster* good[] = {&one};
    Raster* bad[] = {&one, &empty};
    Raster* none[] = {nullptr};
    MemoryStream s;
    struct Case { ByteStream* stream; Raster* const* frames; int count; const char* want; } cases[] = {
        {nullptr, good, 1, "invalid file pointer"},
        {&s, good, 0, "multipage TIFF, no images!"},
        {&s, nullptr, 1, "multipage TIFF, no images!"},
        {&s, bad, 2, "Bad image pointer"},
        {&s, none, 1, "Bad image pointer"},
    };
    for (const auto& c : cases) {
        RasterTIF writer;
        EXPECT_FALSE(writer.EncodeFrames(c.stream, c.frames, c.count));
        EXPECT_STREQ(writer.GetLastError(), c.want);
    }
}

// Every orientation, from the stored 3x2 picture to the one shown, as the
// orientation tag defines it (stored row r, column c to shown row, column).
TEST(TifReader, OrientationTagTurnsTheDirectlyReadPicture)
{
    const uint32_t W = 3, H = 2;
    using Map = std::pair<uint32_t, uint32_t> (*)(uint32_t, uint32_t);
    struct Case { uint16_t orientation; Map shown; } cases[] = {
        {1, [](uint32_t r, uint32_t c) { return std::pair{r, c}; }},
        {2, [](uint32_t r, uint32_t c) { return std::pair{r, W - 1 - c}; }},
        {3, [](uint32_t r, uint32_t c) { return std::pair{H - 1 - r, W - 1 - c}; }},
        {4, [](uint32_t r, uint32_t c) { return std::pair{H - 1 - r, c}; }},
        {5, [](uint32_t r, uint32_t c) { return std::pair{c, r}; }},
        {6, [](uint32_t r, uint32_t c) { return std::pair{c, H - 1 - r}; }},
        {7, [](uint32_t r, uint32_t c) { return std::pair{W - 1 - c, H - 1 - r}; }},
        {8, [](uint32_t r, uint32_t c) { return std::pair{W - 1 - c, r}; }},
    };
    for (const auto& k : cases) {
        const auto file = MakeTiff([&](TIFF* tif) {
            GreyTags(tif, W, H, 8);
            TIFFSetField(tif, TIFFTAG_ORIENTATION, k.orientation);
            for (uint32_t r = 0; r < H; ++r) {
                uint8_t row[W];
                for (uint32_t c = 0; c < W; ++c) row[c] = uint8_t(10 * r + c);
                TIFFWriteScanline(tif, row, r, 0);
            }
        });
        Raster back;
        ASSERT_TRUE(DecodeBytes(file, back)) << back.GetLastError();
        const bool turned = k.orientation >= 5;
        ASSERT_EQ(back.GetWidth(), turned ? H : W) << "orientation " << k.orientation;
        for (uint32_t r = 0; r < H; ++r)
            for (uint32_t c = 0; c < W; ++c) {
                const auto [row, col] = k.shown(r, c);
                EXPECT_EQ(back.GetPixelIndex(col, back.GetHeight() - 1 - row), 10 * r + c)
                    << "orientation " << k.orientation << " stored " << r << "," << c;
            }
    }
}

// Tiles reaching past the image edge are clipped, not copied whole.
TEST(TifReader, TilesAreClippedAtTheEdges)
{
    const uint32_t w = 20, h = 18;
    const auto file = MakeTiff([&](TIFF* tif) {
        GreyTags(tif, w, h, 8);
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(256);
        for (uint32_t ty = 0; ty < h; ty += 16)
            for (uint32_t tx = 0; tx < w; tx += 16) {
                for (uint32_t i = 0; i < 256; ++i) tile[i] = uint8_t((ty + i / 16) * 7 + tx + i % 16);
                TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
            }
    });
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back)) << back.GetLastError();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_EQ(back.GetPixelIndex(x, h - 1 - y), uint8_t(y * 7 + x)) << x << "," << y;
}

// Odd bit depths go through the library's RGBA reader instead of being copied
// as whole bytes; a colour map wider than 8 bits never fills more than 256 entries.
TEST(TifReader, OddDepthsAndWideColourMaps)
{
    const auto twoBit = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 4, 1, 2);
        uint8_t row[1] = {0x1B}; // 0, 1, 2, 3
        TIFFWriteScanline(tif, row, 0, 0);
    });
    Raster back;
    ASSERT_TRUE(DecodeBytes(twoBit, back)) << back.GetLastError();
    EXPECT_EQ(test::RgbPixels(back), (std::vector<uint8_t>{0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}));

    const auto wide = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 2, 1, 16, PHOTOMETRIC_PALETTE);
        std::vector<uint16_t> map(65536, 0xFFFF);
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
        uint16_t row[2] = {1, 65535};
        TIFFWriteScanline(tif, row, 0, 0);
    });
    // 12-bit grey, which the library's RGBA reader refuses, keeps its high eight bits.
    const auto twelve = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 3, 1, 12);
        uint8_t row[5] = {0xFF, 0xF8, 0x00, 0x12, 0x30}; // 0xFFF, 0x800, 0x123
        TIFFWriteScanline(tif, row, 0, 0);
    });
    ASSERT_TRUE(DecodeBytes(twelve, back)) << back.GetLastError();
    EXPECT_EQ(test::RgbPixels(back), (std::vector<uint8_t>{255, 255, 255, 128, 128, 128, 18, 18, 18}));

    Raster maybe;
    if (!DecodeBytes(wide, maybe)) EXPECT_STRNE(maybe.GetLastError(), "");
    else EXPECT_EQ(maybe.GetBpp(), 24);

    const auto scaled = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 2, 1, 8, PHOTOMETRIC_PALETTE);
        std::vector<uint16_t> red(256, 0), green(256, 0), blue(256, 0);
        red[1] = 65535, green[1] = 32896, blue[1] = 0;
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        uint8_t row[2] = {0, 1};
        TIFFWriteScanline(tif, row, 0, 0);
    });
    ASSERT_TRUE(DecodeBytes(scaled, back));
    EXPECT_EQ(back.GetPixelColor(1, 0), MakeRgb(255, 128, 0));
}

// Found by fuzzing: CIE L*a*b* with lightness only was converted as if it had
// three samples and read past the row. It is grey.
TEST(TifReader, LightnessOnlyLabIsGrey)
{
    const auto file = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 3, 1, 8, PHOTOMETRIC_CIELAB);
        uint8_t row[3] = {0, 128, 255};
        TIFFWriteScanline(tif, row, 0, 0);
    });
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_EQ(test::RgbPixels(back), (std::vector<uint8_t>{0, 0, 0, 128, 128, 128, 255, 255, 255}));
}

// Grey with alpha in separate planes cannot be copied as index/alpha pairs;
// it goes through the RGBA reader and keeps both.
TEST(TifReader, SeparatePlanesGoThroughTheRgbaReader)
{
    const auto file = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 3, 1, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 2);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
        const uint16_t kind = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        uint8_t grey[3] = {10, 128, 250}, alpha[3] = {255, 255, 0};
        TIFFWriteScanline(tif, grey, 0, 0);
        TIFFWriteScanline(tif, alpha, 0, 1);
    });
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back)) << back.GetLastError();
    ASSERT_TRUE(back.AlphaIsValid());
    EXPECT_EQ(back.GetPixelColor(0, 0), MakeRgb(10, 10, 10, 255)); // the fourth byte carries alpha
    EXPECT_EQ(back.GetPixelColor(1, 0), MakeRgb(128, 128, 128, 255));
    EXPECT_EQ(back.AlphaGet(1, 0), 255);
    EXPECT_EQ(back.AlphaGet(2, 0), 0);
}

TEST(TifReader, ResolutionUnitsAndPosition)
{
    const auto file = MakeTiff([](TIFF* tif) {
        GreyTags(tif, 1, 1, 8);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, 100.0f);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 50.0f);
        TIFFSetField(tif, TIFFTAG_XPOSITION, 3.0f);
        TIFFSetField(tif, TIFFTAG_YPOSITION, 4.0f);
        uint8_t row[1] = {7};
        TIFFWriteScanline(tif, row, 0, 0);
    });
    Raster back;
    ASSERT_TRUE(DecodeBytes(file, back));
    EXPECT_EQ(back.GetXDPI(), 254);
    EXPECT_EQ(back.GetYDPI(), 127);
    EXPECT_EQ(back.GetXOffset(), 3);
    EXPECT_EQ(back.GetYOffset(), 4);
}

TEST(TifReader, DamagedFilesFailWithAReason)
{
    Raster src = Pattern(24, 64, 64);
    src.SetCodecOption(COMPRESSION_NONE);
    const auto file = EncodeBytes(src);
    Raster target = Pattern(8, 2, 2);
    struct Case { std::vector<uint8_t> bytes; } cases[] = {
        {std::vector<uint8_t>(file.begin(), file.begin() + 4000)},
        {std::vector<uint8_t>(file.begin(), file.begin() + 6)},
        {std::vector<uint8_t>{}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DecodeBytes(c.bytes, target));
        EXPECT_STRNE(target.GetLastError(), "");
        EXPECT_EQ(target.GetWidth(), 2u);
    }
}

} // namespace
} // namespace vex
