#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "image/TestHelpers.h"
#include "image/codecs/GifLzw.h"
#include "image/codecs/RasterGIF.h"

namespace vex {
namespace {

using test::Bytes;

// Hand-made GIF files: a screen, extensions and images with their code streams.
struct GifBuilder {
    Bytes b;
    GifBuilder(uint16_t w, uint16_t h, int globalEntries)
    {
        b.raw({'G', 'I', 'F', '8', '9', 'a'}).u16(w).u16(h);
        if (globalEntries) {
            int bits = 0;
            while ((2 << bits) < globalEntries) ++bits;
            b.u8(0x80 | bits).u8(0).u8(0);
            for (int i = 0; i < (2 << bits); ++i) b.u8(i * 10).u8(i * 20 % 256).u8(255 - i);
        } else {
            b.u8(0).u8(0).u8(0);
        }
    }
    GifBuilder& Control(int disposal, int trans, uint16_t delay = 0)
    {
        b.u8(0x21).u8(0xF9).u8(4).u8((disposal << 2) | (trans >= 0 ? 1 : 0)).u16(delay).u8(trans < 0 ? 0 : trans).u8(0);
        return *this;
    }
    // pixels in stream order; localEntries 0: no local table.
    GifBuilder& Image(uint16_t l, uint16_t t, uint16_t w, uint16_t h, const std::vector<uint8_t>& pixels,
                      int localEntries = 0, bool interlaced = false)
    {
        int bits = 0;
        if (localEntries)
            while ((2 << bits) < localEntries) ++bits;
        b.u8(0x2C).u16(l).u16(t).u16(w).u16(h).u8((localEntries ? 0x80 | bits : 0) | (interlaced ? 0x40 : 0));
        for (int i = 0; localEntries && i < (2 << bits); ++i) b.u8(255 - i).u8(i).u8(i * 3 % 256);
        b.u8(8);
        b.raw(GifLzwEncode(pixels, 8, GifCodeMode::Lzw)).u8(0);
        return *this;
    }
    GifBuilder& Raw(const std::vector<uint8_t>& bytes)
    {
        b.raw(bytes);
        return *this;
    }
    std::vector<uint8_t> End()
    {
        b.u8(0x3B);
        return b.v;
    }
};

bool DecodeGif(const std::vector<uint8_t>& bytes, Raster& out, int frame = 0)
{
    MemoryStream s(bytes.data(), bytes.size());
    out.SetFrame(frame);
    return out.Decode(&s, TypeGif);
}

// Index of pixel (x, y) counted from the top.
uint8_t TopIndex(const Raster& img, uint32_t x, uint32_t y)
{
    return img.GetPixelIndex(x, img.GetHeight() - 1 - y);
}

Raster RandomImage(uint32_t w, uint32_t h, uint32_t bpp, uint32_t seed, int runBias)
{
    Raster img;
    img.Create(w, h, bpp, TypeBmp);
    std::mt19937 rng(seed);
    for (uint32_t i = 0; i < img.GetNumColors(); ++i)
        img.SetPaletteColor(static_cast<uint8_t>(i), uint8_t(i * 7), uint8_t(i * 13), uint8_t(255 - i));
    uint8_t value = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            if (static_cast<int>(rng() % 100) >= runBias) value = static_cast<uint8_t>(rng() % (bpp <= 8 ? img.GetNumColors() : 256));
            if (bpp <= 8) img.SetPixelIndex(x, y, value);
            else img.SetPixelColor(x, y, MakeRgb(uint8_t(value * 3), uint8_t(rng() % 4), uint8_t(value)));
        }
    return img;
}

bool SamePixels(const Raster& a, const Raster& b)
{
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() && test::RgbPixels(a) == test::RgbPixels(b);
}

// Every code stream decodes to the input at every depth, on noise (table
// resets), long runs (the run-length table) and mixtures of both. The
// run-length encoder once sent the clear code as data after whole runs.
TEST(GifRoundTrip, EveryModeAndDepthGivesThePixelsBack)
{
    struct Shape {
        uint32_t w, h;
        int runBias;
    } shapes[] = {{1, 1, 0}, {3, 2, 50}, {5, 4, 80}, {8, 8, 85}, {17, 9, 90}, {64, 64, 0}, {200, 120, 0}, {150, 80, 97}, {300, 40, 99}};
    int checked = 0;
    for (uint32_t mode : {0u, 1u, 2u}) {
        for (uint32_t bpp : {1u, 4u, 8u}) {
            for (const auto& s : shapes) {
                for (uint32_t seed = 1; seed <= 6; ++seed) {
                    Raster img = RandomImage(s.w, s.h, bpp, seed * 31 + s.w, s.runBias);
                    img.SetCodecOption(mode);
                    MemoryStream out;
                    ASSERT_TRUE(img.Encode(&out, TypeGif)) << img.GetLastError();
                    out.Seek(0, 0);
                    Raster back;
                    ASSERT_TRUE(back.Decode(&out, TypeGif)) << back.GetLastError() << " mode " << mode << " bpp " << bpp;
                    EXPECT_EQ(back.GetBpp(), bpp);
                    EXPECT_TRUE(SamePixels(back, img)) << "mode " << mode << " bpp " << bpp << " " << s.w << "x" << s.h
                                                       << " seed " << seed;
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 3 * 3 * 9 * 6);
}

// Pictures above 8 bpp become tiles of 17 x 15 with their own palettes, and
// read back as one picture of the whole size, with its key colour.
TEST(GifRoundTrip, TrueColourTilesReadBackAsOnePicture)
{
    Raster img = RandomImage(34, 30, 24, 7, 30);
    MemoryStream out;
    ASSERT_TRUE(img.Encode(&out, TypeGif)) << img.GetLastError();
    const uint8_t* p = out.GetBuffer();
    EXPECT_EQ(p[10], 0x11); // no global table
    int tiles = 0;
    for (int64_t i = 13; i + 10 < out.Size(); ++i)
        if (p[i] == 0x2C && p[i + 9] == 0x87) ++tiles; // an image with a 256-entry local table
    EXPECT_EQ(tiles, 4);
    out.Seek(0, 0);
    Raster back;
    ASSERT_TRUE(back.Decode(&out, TypeGif)) << back.GetLastError();
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_EQ(back.GetNumFrames(), 1);
    EXPECT_EQ(back.GetFrameRect(), (RasterRect{0, 0, 34, 30}));
    EXPECT_TRUE(SamePixels(back, img));

    img.SetTransIndex(0);
    img.SetTransColor(img.GetPixelColor(5, 5));
    MemoryStream keyed;
    ASSERT_TRUE(img.Encode(&keyed, TypeGif));
    keyed.Seek(0, 0);
    ASSERT_TRUE(back.Decode(&keyed, TypeGif)) << back.GetLastError();
    EXPECT_EQ(back.GetTransIndex(), 0);
    EXPECT_EQ(back.GetTransColor(), img.GetPixelColor(5, 5));
    EXPECT_TRUE(back.IsTransparent(5, 5));
    EXPECT_TRUE(SamePixels(back, img));
}

TEST(GifWriter, HeaderControlCommentAndRefusals)
{
    Raster img = RandomImage(5, 3, 4, 1, 0);
    img.SetTransIndex(3);
    img.SetFrameDelay(12);
    img.SetComment(std::string(300, 'c').c_str());
    MemoryStream out;
    ASSERT_TRUE(img.Encode(&out, TypeGif));
    const uint8_t* p = out.GetBuffer();
    EXPECT_EQ(std::memcmp(p, "GIF89a", 6), 0);
    EXPECT_EQ(p[10], 0xE3);
    const uint8_t* gce = p + 13 + 16 * 3;
    EXPECT_EQ(std::vector<uint8_t>(gce, gce + 8), (std::vector<uint8_t>{0x21, 0xF9, 4, 1, 12, 0, 3, 0}));
    EXPECT_EQ(gce[8], 0x21);
    EXPECT_EQ(gce[9], 0xFE);
    EXPECT_EQ(gce[10], 255); // the comment is cut to 255 characters
    EXPECT_EQ(p[out.Size() - 1], 0x3B);
    out.Seek(0, 0);
    Raster back;
    ASSERT_TRUE(back.Decode(&out, TypeGif));
    EXPECT_EQ(std::strlen(back.GetComment()), 255u);
    EXPECT_EQ(back.GetTransIndex(), 3);
    EXPECT_EQ(back.GetFrameDelay(), 12u);

    const uint8_t flagsFor1 = [] {
        Raster one = RandomImage(2, 2, 1, 1, 0);
        MemoryStream s;
        one.Encode(&s, TypeGif);
        return s.GetBuffer()[10];
    }();
    EXPECT_EQ(flagsFor1, 0x80);

    Raster empty;
    EXPECT_FALSE(empty.Encode(&out, TypeGif));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    uint8_t none = 0;
    MemoryStream readOnly(static_cast<const uint8_t*>(&none), 0);
    EXPECT_FALSE(img.Encode(&readOnly, TypeGif));
    EXPECT_STREQ(img.GetLastError(), "Write Error in GIF file");
}

TEST(GifAnimation, FramesLoopsAndRefusals)
{
    std::vector<Raster> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back(RandomImage(6, 4, 8, i + 1, 0));
        frames.back().SetFrameDelay(10 * (i + 1));
    }
    frames.push_back(RandomImage(6, 4, 24, 9, 0)); // reduced to 256 colours on the way
    std::vector<Raster*> list;
    for (auto& f : frames) list.push_back(&f);

    struct Case {
        int loops;
        bool hasBlock;
        int repetitions;
    } cases[] = {{0, true, 0}, {1, false, 0}, {3, true, 2}};
    for (const auto& c : cases) {
        RasterGIF writer;
        writer.SetLoops(c.loops);
        MemoryStream out;
        ASSERT_TRUE(writer.EncodeFrames(&out, list.data(), 4)) << writer.GetLastError();
        const std::string bytes(reinterpret_cast<const char*>(out.GetBuffer()), static_cast<size_t>(out.Size()));
        const auto at = bytes.find("NETSCAPE2.0");
        EXPECT_EQ(at != std::string::npos, c.hasBlock) << "loops " << c.loops;
        if (at != std::string::npos) {
            EXPECT_EQ(bytes[at + 11], 3);
            EXPECT_EQ(static_cast<uint8_t>(bytes[at + 13]) | static_cast<uint8_t>(bytes[at + 14]) << 8, c.repetitions);
        }
        for (int f = 0; f < 4; ++f) {
            out.Seek(0, 0);
            RasterGIF back;
            back.SetFrame(f);
            ASSERT_TRUE(back.DecodeStream(&out)) << back.GetLastError();
            EXPECT_EQ(back.GetNumFrames(), 4);
            EXPECT_EQ(back.GetLoops(), c.loops);
            if (f < 3) {
                EXPECT_TRUE(SamePixels(back, frames[f])) << "frame " << f;
                EXPECT_EQ(back.GetFrameDelay(), uint32_t(10 * (f + 1)));
            }
        }
    }

    RasterGIF writer;
    MemoryStream out;
    EXPECT_FALSE(writer.EncodeFrames(nullptr, list.data(), 4));
    EXPECT_STREQ(writer.GetLastError(), "invalid file pointer");
    EXPECT_FALSE(writer.EncodeFrames(&out, list.data(), 0));
    EXPECT_STREQ(writer.GetLastError(), "multipage GIF, no images!");
    Raster* withHole[] = {list[0], nullptr};
    EXPECT_FALSE(writer.EncodeFrames(&out, withHole, 2));
    EXPECT_STREQ(writer.GetLastError(), "Bad image pointer");
}

TEST(GifReader, FrameSelectionAndCount)
{
    GifBuilder g(4, 2, 4);
    for (int i = 0; i < 5; ++i) g.Image(0, 0, 4, 2, std::vector<uint8_t>(8, static_cast<uint8_t>(i % 4)));
    const auto bytes = g.End();
    Raster img;
    ASSERT_TRUE(DecodeGif(bytes, img, 4)) << img.GetLastError();
    EXPECT_EQ(img.GetNumFrames(), 5);
    EXPECT_EQ(TopIndex(img, 0, 0), 0);
    ASSERT_TRUE(DecodeGif(bytes, img, 3));
    EXPECT_EQ(TopIndex(img, 0, 0), 3);
    Raster past;
    EXPECT_FALSE(DecodeGif(bytes, past, 5));
    EXPECT_EQ(past.GetNumFrames(), 5);
    EXPECT_STRNE(past.GetLastError(), "");
}

TEST(GifReader, InterlacedRowsGoToTheirPasses)
{
    // Three rows in stream order 0, 2, 1 (passes 1 and 3 hold rows 0 and 2, pass 4 row 1).
    const auto bytes = GifBuilder(2, 3, 4).Image(0, 0, 2, 3, {1, 1, 3, 3, 2, 2}, 0, true).End();
    Raster img;
    ASSERT_TRUE(DecodeGif(bytes, img)) << img.GetLastError();
    EXPECT_EQ(TopIndex(img, 0, 0), 1);
    EXPECT_EQ(TopIndex(img, 0, 1), 2);
    EXPECT_EQ(TopIndex(img, 1, 2), 3);
}

// A frame is laid over what its predecessor's disposal left: the kept
// picture (0 and 1), the picture with the predecessor's area cleared (2),
// or the picture from before the predecessor (3).
TEST(GifReader, CompositionAppliesThePreviousFramesDisposal)
{
    struct Case {
        int disposal;
        std::vector<uint8_t> want;
        int32_t wantTrans;
    } cases[] = {{1, {3, 3, 2}, -1}, {0, {3, 3, 2}, -1}, {2, {0, 0, 2}, 0}, {3, {1, 2, 2}, -1}};
    // A first frame that restores what was before it leaves nothing: cleared.
    {
        GifBuilder g(3, 1, 4);
        g.Control(3, -1).Image(0, 0, 3, 1, {1, 2, 3});
        g.Control(0, 0).Image(1, 0, 2, 1, {0, 2});
        Raster img;
        ASSERT_TRUE(DecodeGif(g.End(), img, 1)) << img.GetLastError();
        EXPECT_EQ(TopIndex(img, 0, 0), 0);
        EXPECT_EQ(TopIndex(img, 2, 0), 2);
        EXPECT_EQ(img.GetTransIndex(), 0);
    }
    for (const auto& c : cases) {
        GifBuilder g(3, 1, 4);
        g.Control(1, -1).Image(0, 0, 3, 1, {1, 2, 3});
        g.Control(c.disposal, -1).Image(0, 0, 3, 1, {3, 3, 3});
        g.Control(0, 0).Image(1, 0, 2, 1, {0, 2}); // index 0 is transparent
        Raster img;
        ASSERT_TRUE(DecodeGif(g.End(), img, 2)) << img.GetLastError();
        ASSERT_EQ(img.GetWidth(), 3u);
        std::vector<uint8_t> have;
        for (uint32_t x = 0; x < 3; ++x) have.push_back(TopIndex(img, x, 0));
        EXPECT_EQ(have, c.want) << "disposal " << c.disposal;
        EXPECT_EQ(img.GetTransIndex(), c.wantTrans) << "disposal " << c.disposal;
    }
}

// Frames with their own palettes are laid over the picture in colour.
// Only the looping extension sets the loop count; other application data
// (here ImageMagick's) is skipped.
TEST(GifReader, LoopCountComesFromTheLoopingExtensionOnly)
{
    auto app = [](const char* id, std::vector<uint8_t> data) {
        std::vector<uint8_t> out = {0x21, 0xFF, 11};
        out.insert(out.end(), id, id + 11);
        out.push_back(static_cast<uint8_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
        out.push_back(0);
        return out;
    };
    struct Case {
        std::vector<uint8_t> ext;
        int loops;
    } cases[] = {{{}, 1}, {app("NETSCAPE2.0", {1, 0, 0}), 0}, {app("NETSCAPE2.0", {1, 4, 0}), 5},
                 {app("ImageMagick", {'g', 'a', 'm', 'm', 'a'}), 1}};
    for (const auto& c : cases) {
        const auto bytes = GifBuilder(1, 1, 2).Raw(c.ext).Image(0, 0, 1, 1, {1}).End();
        MemoryStream s(bytes.data(), bytes.size());
        RasterGIF gif;
        ASSERT_TRUE(gif.DecodeStream(&s)) << gif.GetLastError();
        EXPECT_EQ(gif.GetLoops(), c.loops);
    }
}

TEST(GifReader, CompositionInColourWhenPalettesDiffer)
{
    GifBuilder g(2, 1, 4);
    g.Control(1, -1).Image(0, 0, 2, 1, {1, 1});
    g.Control(0, -1).Image(1, 0, 1, 1, {2}, 4);
    Raster img;
    ASSERT_TRUE(DecodeGif(g.End(), img, 1)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetPixelColor(0, 0), MakeRgb(10, 20, 254));
    EXPECT_EQ(img.GetPixelColor(1, 0), MakeRgb(253, 2, 6));
}

// Transparency and delay of one frame do not leak into the next.
TEST(GifReader, ControlStateIsResetAfterEachImage)
{
    GifBuilder g(2, 1, 4);
    g.Control(0, 2, 50).Image(0, 0, 2, 1, {1, 2});
    g.Image(0, 0, 2, 1, {2, 1});
    Raster img;
    ASSERT_TRUE(DecodeGif(g.End(), img, 1)) << img.GetLastError();
    EXPECT_EQ(TopIndex(img, 0, 0), 2); // index 2 is opaque in the second frame
    EXPECT_EQ(img.GetFrameDelay(), 0u);
}

// No global table and a first image smaller than the screen in one direction:
// one 24 bpp picture of the screen's size holding every frame.
TEST(GifReader, PartialFramesFlattenIntoOnePicture)
{
    GifBuilder g(4, 2, 0);
    g.Image(0, 0, 4, 1, {1, 2, 3, 1}, 4);
    g.Image(0, 1, 4, 1, {3, 3, 2, 2}, 4);
    Raster img;
    ASSERT_TRUE(DecodeGif(g.End(), img)) << img.GetLastError();
    EXPECT_EQ(img.GetBpp(), 24);
    EXPECT_EQ(img.GetWidth(), 4u);
    EXPECT_EQ(img.GetHeight(), 2u);
    EXPECT_EQ(img.GetNumFrames(), 1);
    EXPECT_EQ(img.GetFrameRect(), (RasterRect{0, 0, 4, 2}));
    EXPECT_EQ(img.GetPixelColor(0, 1), MakeRgb(254, 1, 3));
    EXPECT_EQ(img.GetPixelColor(2, 0), MakeRgb(253, 2, 6));
}

// Malformed data ends with a clear last error, never success with made-up
// pixels; data after the last row is dropped.
TEST(GifReader, HostileCodeStreams)
{
    auto image = [](const std::vector<uint8_t>& data) {
        return GifBuilder(4, 1, 4).Raw({0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0}).Raw(data).End();
    };
    // Code size 2: clear 4, end 5, first free 6; codes are 3 bits wide until
    // the table reaches 8 entries (after the third code), then 4.
    auto pack = [](std::vector<int> codes) {
        uint32_t acc = 0;
        int bits = 0, sinceClear = 0;
        std::vector<uint8_t> bytes;
        for (int c : codes) {
            const int width = sinceClear >= 3 ? 4 : 3;
            sinceClear = c == 4 ? 0 : sinceClear + 1;
            acc |= uint32_t(c) << bits;
            bits += width;
            while (bits >= 8) {
                bytes.push_back(uint8_t(acc));
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits) bytes.push_back(uint8_t(acc));
        std::vector<uint8_t> out;
        out.push_back(2);
        out.push_back(uint8_t(bytes.size()));
        for (uint8_t v : bytes) out.push_back(v);
        out.push_back(0);
        return out;
    };
    struct Case {
        std::vector<uint8_t> data;
        bool ok;
        const char* error;
    } cases[] = {
        {pack({4, 1, 2, 3, 1, 5}), true, ""},
        {pack({1, 2, 3, 1, 5}), true, ""},           // no leading clear
        {pack({4, 1, 2, 3, 1, 2, 3, 0, 1, 5}), true, ""}, // more data than pixels
        {pack({4, 1, 7, 5}), false, "Corrupted GIF image data"}, // 7 is past the next free code 6
        {{1, 1, 0, 0}, false, "Bad GIF LZW code size"},
        {{10, 1, 0, 0}, false, "Bad GIF LZW code size"},
        {{2, 5, 0x0C}, false, "GIF file is truncated"},
    };
    for (const auto& c : cases) {
        Raster img;
        auto bytes = image(c.data);
        if (!c.ok && std::string(c.error) == "GIF file is truncated") bytes.pop_back();
        EXPECT_EQ(DecodeGif(bytes, img), c.ok) << img.GetLastError() << " case " << (&c - cases);
        if (c.ok) {
            EXPECT_EQ(TopIndex(img, 0, 0), 1);
            EXPECT_EQ(TopIndex(img, 3, 0), 1);
        } else {
            EXPECT_STREQ(img.GetLastError(), c.error);
        }
    }
}

TEST(GifReader, TransparentIndexAndFillBoundedByThePalette)
{
    // A 4-entry table (2 bpp, stored at 4 bpp): entries 4..15 turn white for the
    // transparent index; an index past the palette is dropped.
    GifBuilder g(2, 1, 4);
    g.Control(0, 2).Image(0, 0, 2, 1, {0, 1});
    Raster img;
    ASSERT_TRUE(DecodeGif(g.End(), img)) << img.GetLastError();
    EXPECT_EQ(img.GetTransIndex(), 2);
    EXPECT_EQ(img.GetPaletteColor(9), MakeRgb(255, 255, 255));
    GifBuilder h(2, 1, 4);
    h.Control(0, 200).Image(0, 0, 2, 1, {0, 1});
    ASSERT_TRUE(DecodeGif(h.End(), img)) << img.GetLastError();
    EXPECT_EQ(img.GetTransIndex(), -1);
}

TEST(GifReader, NotAGifAndOutsideFrames)
{
    Raster img;
    EXPECT_FALSE(DecodeGif({'G', 'I', 'F', '7', '9', 'a', 0, 0, 0, 0, 0, 0, 0}, img));
    EXPECT_STREQ(img.GetLastError(), "Not a GIF file");
    const auto outside = GifBuilder(2, 2, 4).Image(1, 1, 2, 2, {0, 1, 2, 3}).Image(0, 0, 2, 2, {3, 3, 3, 3}).End();
    EXPECT_FALSE(DecodeGif(outside, img, 0));
    EXPECT_STREQ(img.GetLastError(), "GIF frame lies outside the logical screen");
    ASSERT_TRUE(DecodeGif(outside, img, 1)) << img.GetLastError();
    EXPECT_EQ(TopIndex(img, 1, 1), 3);
}

} // namespace
} // namespace vex
