#include <sys/stat.h>

#include <gtest/gtest.h>

#include "BrowserFixtures.h"
#include "browser/MultiImageView.h"
#include "browser/TileFactory.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

int RedAt(const QImage& img, int x, int y)
{
    return qRed(img.pixel(x, y));
}

TEST(TileFactory, PictureFilesGiveOneTileOfThirtyTwoPixels)
{
    const std::string dir = test::MakeTempDir("pictures");
    struct Case {
        const char* name;
        uint32_t type;
        uint32_t side;
    } cases[] = {{"a.bmp", TypeBmp, 64}, {"b.png", TypePng, 8}, {"c.gif", TypeGif, 40}, {"d.tga", TypeTga, 32}};
    for (const auto& c : cases) {
        test::WriteBytes(dir + "/" + c.name, test::PictureBytes(c.type, c.side, 200));
        const auto tiles = MakeFileTiles(dir + "/" + c.name, c.name);
        ASSERT_EQ(tiles.size(), 1u) << c.name;
        EXPECT_EQ(tiles[0].iconIndex, 0);
        EXPECT_EQ(tiles[0].image.size(), QSize(kTileSide, kTileSide));
        EXPECT_NEAR(RedAt(tiles[0].image, 5, 5), 200, 2) << c.name;
        EXPECT_EQ(qAlpha(tiles[0].image.pixel(5, 5)), 255);
    }
}

// A file whose extension promises a picture but that does not decode gives
// no tile; so do files that are neither pictures nor programs.
TEST(TileFactory, UndecodableAndForeignFilesGiveNoTile)
{
    const std::string dir = test::MakeTempDir("bad");
    test::WriteBytes(dir + "/broken.bmp", {'B', 'M', 1, 2, 3});
    test::WriteBytes(dir + "/broken.ico", {0, 0, 1, 0, 9, 0});
    test::WriteBytes(dir + "/notes.txt", {'h', 'i'});
    test::WriteBytes(dir + "/fake.exe", {'M', 'Z', 0, 0});
    for (const char* n : {"broken.bmp", "broken.ico", "notes.txt", "fake.exe"})
        EXPECT_TRUE(MakeFileTiles(dir + "/" + n, n).empty()) << n;
}

TEST(TileFactory, ProgramsGiveOneTilePerIconGroupInResourceOrder)
{
    const std::string dir = test::MakeTempDir("program");
    test::WriteBytes(dir + "/a.exe", test::ProgramWithIcons({10, 120, 240}));
    const auto tiles = MakeFileTiles(dir + "/a.exe", "a.exe");
    ASSERT_EQ(tiles.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(tiles[static_cast<size_t>(i)].iconIndex, i);
    EXPECT_NEAR(RedAt(tiles[0].image, 3, 3), 10, 2);
    EXPECT_NEAR(RedAt(tiles[1].image, 3, 3), 120, 2);
    EXPECT_NEAR(RedAt(tiles[2].image, 3, 3), 240, 2);
    // A program under another name is still a program (its content decides).
    test::WriteBytes(dir + "/a.bin", test::ProgramWithIcons({10, 120}));
    EXPECT_EQ(MakeFileTiles(dir + "/a.bin", "a.bin").size(), 2u);
}

// The tile of a multi-size icon comes from the entry that fits 32 pixels
// best, not from whatever entry comes first.
TEST(TileFactory, MultiSizeIconsUseTheBestFittingEntry)
{
    const std::string dir = test::MakeTempDir("sizes");
    test::WriteBytes(dir + "/m.ico", test::MultiSizeIcon({{16, 16}, {48, 48}, {32, 32}, {24, 24}}));
    auto tiles = MakeFileTiles(dir + "/m.ico", "m.ico");
    ASSERT_EQ(tiles.size(), 1u);
    EXPECT_NEAR(RedAt(tiles[0].image, 1, 1), 32, 2);
    // Without a 32 entry the largest below it wins over anything above.
    test::WriteBytes(dir + "/n.ico", test::MultiSizeIcon({{48, 48}, {16, 16}, {24, 24}}));
    tiles = MakeFileTiles(dir + "/n.ico", "n.ico");
    ASSERT_EQ(tiles.size(), 1u);
    EXPECT_NEAR(RedAt(tiles[0].image, 1, 1), 24, 2);
}

TEST(TileFactory, BestIconEntryRule)
{
    auto entry = [](uint8_t side, uint16_t bits) {
        IconDirEntry e;
        e.width = e.height = side;
        e.bitCountOrHotspotY = bits;
        return e;
    };
    EXPECT_EQ(BestIconEntry({}, false, 32), -1);
    EXPECT_EQ(BestIconEntry({entry(0, 32), entry(64, 32)}, false, 32), 1); // 0 stands for 256
    EXPECT_EQ(BestIconEntry({entry(32, 4), entry(32, 32), entry(32, 8)}, false, 32), 1);
    EXPECT_EQ(BestIconEntry({entry(32, 4), entry(32, 32)}, true, 32), 0); // cursors: hotspot, not depth
}

// Scaled JPEG decoding gives the tile the full decode would give, within
// the rounding of the DCT scaling (a smooth picture: at hard edges the two
// nearest-pixel samplings may land on either side).
TEST(TileFactory, LargeJpegsGiveTheSameTileFromAScaledDecode)
{
    const std::string dir = test::MakeTempDir("jpeg");
    Raster big;
    big.Create(640, 480, 24, 0);
    for (uint32_t y = 0; y < 480; ++y)
        for (uint32_t x = 0; x < 640; ++x)
            big.SetPixelColor(x, y, RgbQuad{uint8_t(y / 2), uint8_t(x / 3), uint8_t(255 - x / 3), 0});
    const auto bytes = test::EncodeBytes(big, TypeJpg);
    ASSERT_FALSE(bytes.empty());
    test::WriteBytes(dir + "/big.jpg", bytes);
    Raster scaled;
    ASSERT_TRUE(DecodeJpegScaled((dir + "/big.jpg").c_str(), kTileSide, scaled));
    EXPECT_EQ(scaled.GetWidth(), 80u);
    EXPECT_EQ(scaled.GetHeight(), 60u);
    const auto tiles = MakeFileTiles(dir + "/big.jpg", "big.jpg");
    ASSERT_EQ(tiles.size(), 1u);
    Raster full;
    ASSERT_TRUE(full.Load((dir + "/big.jpg").c_str(), TypeJpg));
    const QImage want = TilePictureOf(full);
    int worst = 0;
    for (int y = 0; y < kTileSide; ++y)
        for (int x = 0; x < kTileSide; ++x)
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(int((want.pixel(x, y) >> shift) & 255) -
                                                 int((tiles[0].image.pixel(x, y) >> shift) & 255)));
    EXPECT_LE(worst, 12);
    // Cut short: no tile, as with the full reader.
    test::WriteBytes(dir + "/cut.jpg", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    EXPECT_TRUE(MakeFileTiles(dir + "/cut.jpg", "cut.jpg").empty());
}

// Scaled pictures keep their transparent pixels: a 4-bit picture whose
// transparent index shares its colour with another entry (as icons and
// cursors have it), and a picture with an alpha plane; opaque pixels are
// sampled where a nearest-pixel resize samples.
TEST(TileFactory, ScaledPicturesKeepTheirTransparency)
{
    Raster paletted;
    ASSERT_TRUE(paletted.Create(48, 40, 4, TypeIco));
    RgbQuad palette[16] = {};
    palette[1] = RgbQuad{0, 0, 255, 0};
    paletted.SetPalette(palette, 16);
    paletted.SetTransIndex(3); // black, as entry 0 is
    for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 0; x < 48; ++x) paletted.SetPixelIndex(x, y, x < 24 ? 3 : (y < 20 ? 0 : 1));

    Raster alpha;
    ASSERT_TRUE(alpha.Create(20, 20, 24, TypePng));
    ASSERT_TRUE(alpha.AlphaCreate());
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 0; x < 20; ++x) {
            alpha.SetPixelColor(x, y, RgbQuad{uint8_t(x * 10), uint8_t(y * 10), 77, 0});
            alpha.AlphaSet(x, y, uint8_t(x * 12));
        }

    for (Raster* source : {&paletted, &alpha}) {
        for (int side : {kTileSide, kThumbnailSide}) {
            Raster copy(*source);
            const QImage got = IconImageOf(copy, side);
            ASSERT_EQ(got.size(), QSize(side, side));
            Raster resized(*source);
            ASSERT_TRUE(resized.Resize(side, side, Raster::NearestPixel));
            const float xs = float(source->GetWidth()) / float(side), ys = float(source->GetHeight()) / float(side);
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    const auto px = uint32_t(float(x) * xs), py = uint32_t(float(side - 1 - y) * ys);
                    const QRgb p = got.pixel(x, y);
                    if (source->IsTransparent(px, py)) {
                        ASSERT_EQ(qAlpha(p), 0) << side << " at " << x << "," << y;
                        continue;
                    }
                    const RgbQuad want = resized.GetPixelColor(uint32_t(x), uint32_t(side - 1 - y));
                    ASSERT_EQ(qRed(p), want.red) << side << " at " << x << "," << y;
                    ASSERT_EQ(qGreen(p), want.green);
                    ASSERT_EQ(qBlue(p), want.blue);
                    ASSERT_EQ(qAlpha(p), source->AlphaIsValid() ? source->AlphaGet(px, py) : 255);
                }
        }
    }
    // Half of the paletted picture is transparent, in the tile too.
    Raster copy(paletted);
    const QImage tile = TilePictureOf(copy);
    EXPECT_EQ(qAlpha(tile.pixel(3, 3)), 0);
    EXPECT_EQ(qAlpha(tile.pixel(28, 3)), 255);
}

// A named pipe with a picture's name must not block the tile maker.
TEST(TileFactory, PipesAreNeverOpened)
{
    const std::string dir = test::MakeTempDir("pipe");
    ASSERT_EQ(::mkfifo((dir + "/p.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir + "/p.exe").c_str(), 0600), 0);
    EXPECT_TRUE(MakeFileTiles(dir + "/p.bmp", "p.bmp").empty());
    EXPECT_TRUE(MakeFileTiles(dir + "/p.exe", "p.exe").empty());
}

TEST(TileFactory, AnimatedCursorsGiveOneTile)
{
    const std::string corpus = VEXMIRA_CORPUS_DIR "/ani";
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(corpus))
        if (e.path().extension() == ".ani") names.push_back(e.path().string());
    if (names.empty()) GTEST_SKIP() << "no animated cursors in the corpus";
    std::sort(names.begin(), names.end());
    int withTile = 0;
    for (const auto& path : names) {
        Raster probe;
        const bool reads = probe.Load(path.c_str(), TypeAni);
        const auto tiles = MakeFileTiles(path, std::filesystem::path(path).filename().string());
        EXPECT_EQ(tiles.size(), reads ? 1u : 0u) << path;
        withTile += reads ? 1 : 0;
    }
    EXPECT_GT(withTile, 0);
}

} // namespace
} // namespace vex
