// The clipboard block, icon and cursor planes, and painting on a pixel target.

#include <gtest/gtest.h>

#include "image/Bridge.h"
#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

using test::Bytes;

// A 32-bit target of one colour, with its own pixel store.
struct Canvas {
    std::vector<uint32_t> px;
    PaintTarget target;
    Canvas(int32_t w, int32_t h, uint32_t fill) : px(static_cast<size_t>(w) * h, fill)
    {
        target.pixels = px.data();
        target.width = w;
        target.height = h;
        target.stride = w;
    }
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * target.width + x] & 0xFFFFFF; }
};

Bytes DibHeader(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, uint32_t clrUsed = 0, int32_t ppm = 0)
{
    Bytes b;
    b.u32(40).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(h)).u16(1).u16(bpp).u32(compression).u32(0);
    b.u32(static_cast<uint32_t>(ppm)).u32(static_cast<uint32_t>(ppm)).u32(clrUsed).u32(0);
    return b;
}

TEST(Bridge, ClipboardBlockRoundTrips)
{
    Raster img;
    img.Create(5, 3, 8);
    img.SetPaletteColor(7, 1, 2, 3);
    img.SetPixelIndex(4, 2, 7);
    const auto block = img.CopyToHandle();
    ASSERT_EQ(block.size(), img.GetSize());
    Raster back;
    ASSERT_TRUE(back.CreateFromHandle(block.data(), block.size())) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_EQ(back.GetPixelColor(4, 2), MakeRgb(1, 2, 3));
    EXPECT_EQ(back.GetType(), 0u);
    EXPECT_TRUE(Raster().CopyToHandle().empty());
}

TEST(Bridge, ClipboardResolutionFromPixelsPerMetre)
{
    for (auto [ppm, dpi] : {std::pair{0, 96}, {3780, 96}, {11811, 300}}) {
        Bytes b = DibHeader(1, 1, 24, 0, 0, ppm);
        b.zeros(4);
        Raster img;
        ASSERT_TRUE(img.CreateFromHandle(b.v.data(), b.size()));
        EXPECT_EQ(img.GetXDPI(), dpi) << ppm;
        EXPECT_EQ(img.GetYDPI(), dpi) << ppm;
    }
}

TEST(Bridge, ThirtyTwoBitClipboardPixelsWithAndWithoutMasks)
{
    // Plain: pixels right after the header, blue-green-red-x.
    Bytes plain = DibHeader(2, 1, 32, 0);
    plain.u32(0x00112233).u32(0x00445566);
    Raster a;
    ASSERT_TRUE(a.CreateFromHandle(plain.v.data(), plain.size()));
    EXPECT_EQ(a.GetPixelColor(0, 0), MakeRgb(0x11, 0x22, 0x33));
    // Bit fields: three masks, then the pixels (here red in the low byte).
    Bytes fields = DibHeader(2, 1, 32, 3);
    fields.u32(0x000000FF).u32(0x0000FF00).u32(0x00FF0000).u32(0x00332211).u32(0);
    Raster b;
    ASSERT_TRUE(b.CreateFromHandle(fields.v.data(), fields.size()));
    EXPECT_EQ(b.GetPixelColor(0, 0), MakeRgb(0x11, 0x22, 0x33));
}

// Blocks from other programs: short palettes, top-down rows, 16 bpp,
// compressions we cannot take, and lies about sizes.
TEST(Bridge, ForeignClipboardBlocksAreCheckedAndNormalised)
{
    // 8 bpp with two palette entries: the pixels follow those two entries.
    Bytes shortPal = DibHeader(2, 1, 8, 0, 2);
    shortPal.u32(0x00FF0000).u32(0x0000FF00).raw({1, 0, 0, 0});
    Raster a;
    ASSERT_TRUE(a.CreateFromHandle(shortPal.v.data(), shortPal.size())) << a.GetLastError();
    EXPECT_EQ(a.GetPixelColor(0, 0), MakeRgb(0, 255, 0));
    EXPECT_EQ(a.GetPixelColor(1, 0), MakeRgb(255, 0, 0));
    // Top-down 24 bpp: the first row in the block is the top row.
    Bytes topDown = DibHeader(1, -2, 24, 0);
    topDown.raw({1, 2, 3, 0, 4, 5, 6, 0});
    Raster b;
    ASSERT_TRUE(b.CreateFromHandle(topDown.v.data(), topDown.size()));
    EXPECT_EQ(b.GetPixelColor(0, 1), MakeRgb(3, 2, 1));
    EXPECT_EQ(b.GetPixelColor(0, 0), MakeRgb(6, 5, 4));
    // 16 bpp without masks is 5-5-5.
    Bytes rgb555 = DibHeader(1, 1, 16, 0);
    rgb555.u16(0x7C00).u16(0);
    Raster c;
    ASSERT_TRUE(c.CreateFromHandle(rgb555.v.data(), rgb555.size()));
    EXPECT_GE(c.GetPixelColor(0, 0).red, 248); // five bits of red, scaled by the core's conversion
    EXPECT_EQ(c.GetPixelColor(0, 0).green, 0);

    struct Case {
        const char* name;
        std::vector<uint8_t> block;
    } refused[] = {
        {"RLE8", (DibHeader(2, 2, 8, 1).zeros(1024 + 8)).v},
        {"JPEG", (DibHeader(2, 2, 24, 4).zeros(64)).v},
        {"PNG", (DibHeader(2, 2, 24, 5).zeros(64)).v},
        {"rows past the end", (DibHeader(100, 100, 24, 0).zeros(64)).v},
        {"palette past the end", (DibHeader(2, 2, 8, 0).zeros(100)).v},
        {"too many colours", (DibHeader(2, 2, 4, 0, 17).zeros(200)).v},
        {"short header", std::vector<uint8_t>(20, 0)},
        {"zero width", (DibHeader(0, 2, 24, 0).zeros(64)).v},
        {"odd depth", (DibHeader(2, 2, 7, 0).zeros(64)).v},
    };
    for (const auto& r : refused) {
        Raster img;
        img.Create(3, 3, 24);
        EXPECT_FALSE(img.CreateFromHandle(r.block.data(), r.block.size())) << r.name;
        EXPECT_STRNE(img.GetLastError(), "") << r.name;
        EXPECT_EQ(img.GetWidth(), 3u) << r.name << ": a refused block leaves the image alone";
    }
}

TEST(Bridge, IconPlanesFollowTheMaskRule)
{
    Raster img;
    img.Create(2, 2, 4);
    img.SetPaletteColor(1, 10, 20, 30);
    img.SetPaletteColor(2, 0, 0, 0);
    img.SetPixelIndex(0, 0, 1); // bottom-left
    img.SetPixelIndex(1, 1, 2); // top-right, transparent
    img.SetTransIndex(2);
    img.SetHotspot(1, 0);
    IconPlanes icon, cursor;
    ASSERT_TRUE(img.MakeIcon(icon));
    ASSERT_TRUE(img.MakeCursor(cursor));
    // Planes run top-down: the image's row y is plane row height - 1 - y.
    EXPECT_EQ(icon.mask, (std::vector<uint8_t>{0, 1, 0, 0}));
    EXPECT_EQ(icon.color[1], 0u);                 // black where transparent
    EXPECT_EQ(icon.color[2], 0xFF0A141Eu);        // bottom-left
    EXPECT_EQ(icon.hotspotX, 0);
    EXPECT_TRUE(icon.isIcon);
    EXPECT_FALSE(cursor.isIcon);
    EXPECT_EQ(cursor.hotspotX, 1);
    EXPECT_EQ(img.GetProgress(), 50);
    img.SetEscape(1);
    EXPECT_FALSE(img.MakeIcon(icon));
    EXPECT_FALSE(Raster().MakeIcon(icon));
}

TEST(Bridge, FrameFromColourAndMaskPlanes)
{
    IconPlanes planes;
    planes.width = 2;
    planes.height = 1;
    planes.isIcon = false;
    planes.hotspotX = 1;
    planes.color = {0xFF102030, 0};
    planes.mask = {0, 1};
    Raster img;
    ASSERT_TRUE(img.CreateFromHICON(planes));
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(0x10, 0x20, 0x30, 255));
    EXPECT_EQ(img.AlphaGet(1, 0), 0);
    EXPECT_EQ(img.GetHotspotX(), 1);

    // Monochrome: a mask of twice the height, AND plane above XOR plane.
    IconPlanes mono;
    mono.width = 2;
    mono.height = 2;
    mono.mask = {1, 0,  // AND, top row
                 0, 0,  // AND, bottom row
                 0, 1,  // XOR, top row
                 1, 0}; // XOR, bottom row
    ASSERT_TRUE(img.CreateFromHICON(mono));
    EXPECT_EQ(img.GetHeight(), 2u);
    EXPECT_EQ(img.AlphaGet(0, 1), 0);    // top-left masked
    EXPECT_EQ(img.AlphaGet(1, 1), 255);
    EXPECT_EQ(img.GetPixelColor(1, 1).red, 255); // XOR bit set: white
    EXPECT_EQ(img.GetPixelColor(0, 0).red, 255);
    EXPECT_EQ(img.GetPixelColor(1, 0).red, 0);

    mono.mask.pop_back();
    EXPECT_FALSE(img.CreateFromHICON(mono));
}

TEST(Bridge, DrawKeepsTheBackgroundUnderTransparentPixels)
{
    Raster img;
    img.Create(2, 1, 24);
    img.SetPixelColor(0, 0, MakeRgb(255, 0, 0));
    img.SetPixelColor(1, 0, MakeRgb(0, 0, 255));
    img.SetTransIndex(0);
    img.SetTransColor(MakeRgb(0, 0, 255));
    Canvas c(4, 2, 0x00808080);
    ASSERT_TRUE(img.Draw(c.target, 1, 1));
    EXPECT_EQ(c.At(1, 1), 0xFF0000u);
    EXPECT_EQ(c.At(2, 1), 0x808080u);
    EXPECT_EQ(c.At(0, 0), 0x808080u);
}

// Paletted pictures key on the index: a second black entry is drawn.
TEST(Bridge, DrawKeysPalettedPicturesByIndex)
{
    Raster img;
    img.Create(2, 1, 1);
    img.SetPaletteColor(0, 0, 0, 0);
    img.SetPaletteColor(1, 0, 0, 0);
    img.SetPixelIndex(1, 0, 1);
    img.SetTransIndex(0);
    Canvas c(2, 1, 0x00FFFFFF);
    ASSERT_TRUE(img.Draw(c.target, 0, 0));
    EXPECT_EQ(c.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(c.At(1, 0), 0x000000u);
}

TEST(Bridge, DrawBlendsWithAlphaAndAlphaMaximum)
{
    Raster img;
    img.Create(2, 1, 24);
    img.SetPixelColor(0, 0, MakeRgb(200, 100, 0));
    img.SetPixelColor(1, 0, MakeRgb(200, 100, 0));
    img.AlphaCreate();
    img.AlphaSet(0, 0, 255);
    img.AlphaSet(1, 0, 0);
    img.SetAlphaMax(127);
    Canvas c(2, 1, 0x00000064); // blue 100
    ASSERT_TRUE(img.Draw(c.target, 0, 0));
    // a = 255 * 128 >> 8 = 127; channel = (s * 127 + d * 128) >> 8
    EXPECT_EQ(c.At(0, 0), uint32_t{(200 * 127) >> 8} << 16 | uint32_t{(100 * 127) >> 8} << 8 | ((100 * 128) >> 8));
    EXPECT_EQ(c.At(1, 0), 0x000064u);
}

TEST(Bridge, DrawAtTwiceTheSizeRepeatsEachPixel)
{
    Raster img;
    img.Create(2, 2, 24);
    img.SetPixelColor(0, 0, MakeRgb(1, 0, 0));
    img.SetPixelColor(1, 0, MakeRgb(2, 0, 0));
    img.SetPixelColor(0, 1, MakeRgb(3, 0, 0));
    img.SetPixelColor(1, 1, MakeRgb(4, 0, 0));
    for (bool blend : {false, true}) {
        if (blend) img.SetTransIndex(0); // key black: present in no pixel
        Canvas c(4, 4, 0);
        ASSERT_TRUE(img.Draw(c.target, 0, 0, 4, 4));
        // Screen rows run downward: the image's top row (y = 1) comes first.
        const uint32_t want[4][4] = {{3, 3, 4, 4}, {3, 3, 4, 4}, {1, 1, 2, 2}, {1, 1, 2, 2}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(c.At(x, y), want[y][x] << 16) << x << "," << y << " blend " << blend;
        Canvas s(4, 4, 0);
        ASSERT_TRUE(img.Stretch(s.target, 0, 0, 4, 4));
        EXPECT_EQ(s.px, c.px);
    }
}

TEST(Bridge, DrawHonoursClipsAndRefusesWhatCannotBePainted)
{
    Raster img;
    img.Create(3, 3, 24);
    img.Clear(0xFF);
    Canvas c(3, 3, 0);
    const RasterRect clip{1, 1, 2, 2};
    ASSERT_TRUE(img.Draw(c.target, 0, 0, -1, -1, &clip));
    EXPECT_EQ(c.At(1, 1), 0xFFFFFFu);
    EXPECT_EQ(c.At(0, 0), 0u);
    EXPECT_EQ(c.At(2, 2), 0u);
    EXPECT_FALSE(img.Draw(c.target, 0, 0, 0, 3));
    PaintTarget none;
    EXPECT_FALSE(img.Draw(none, 0, 0));
    EXPECT_FALSE(Raster().Draw(c.target, 0, 0));
    img.Enable(false);
    EXPECT_FALSE(img.Draw(c.target, 0, 0));
}

} // namespace
} // namespace vex
