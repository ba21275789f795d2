// Animated cursors: chunks, rates, sequence, the icon cache, hostile sizes,
// the writer's layout, and round trips through files.

#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "image/codecs/IconFixtures.h"
#include "image/codecs/RasterANI.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

using test::Bytes;

// A one-image cursor file of w x w pixels in one grey level, hotspot (hx, hy).
std::vector<uint8_t> CursorChunk(uint8_t grey, uint32_t w = 2, uint16_t hx = 0, uint16_t hy = 0)
{
    const uint32_t stride = (w * 3 + 3) / 4 * 4;
    return test::IconFile(kIconDirCursor, {{uint8_t(w), uint8_t(w), hx, hy,
                                            test::IconBlock(w, w, 24, {}, std::vector<uint8_t>(stride * w, grey),
                                                            test::FlatMask(w, w, 0))}});
}

Bytes Chunk(const char* tag, const std::vector<uint8_t>& data)
{
    Bytes b;
    b.raw({uint8_t(tag[0]), uint8_t(tag[1]), uint8_t(tag[2]), uint8_t(tag[3])}).u32(static_cast<uint32_t>(data.size())).raw(data);
    if (data.size() & 1) b.u8(0);
    return b;
}

std::vector<uint8_t> Anih(uint32_t frames, uint32_t steps, uint32_t rate = 10, uint32_t flags = 1)
{
    return Bytes().u32(36).u32(frames).u32(steps).u32(32).u32(32).u32(0).u32(0).u32(rate).u32(flags).v;
}

std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values)
{
    Bytes b;
    for (uint32_t v : values) b.u32(v);
    return b.v;
}

std::vector<uint8_t> Fram(const std::vector<std::vector<uint8_t>>& icons)
{
    Bytes b;
    b.raw({'f', 'r', 'a', 'm'});
    for (const auto& i : icons) b.raw(Chunk("icon", i).v);
    return b.v;
}

std::vector<uint8_t> Riff(const std::vector<Bytes>& chunks)
{
    Bytes body;
    body.raw({'A', 'C', 'O', 'N'});
    for (const auto& c : chunks) body.raw(c.v);
    return Chunk("RIFF", body.v).v;
}

bool DecodeAni(RasterANI& ani, const std::vector<uint8_t>& bytes, int frame)
{
    ani.SetFrame(frame);
    MemoryStream s(bytes.data(), bytes.size());
    return ani.DecodeRiff(&s);
}

uint8_t GreyOf(const Raster& img) { return img.GetPixelColor(0, 0).red; }

TEST(RasterANI, StepsFollowTheIconsAndTheHeaderRateWithoutRateOrSequence)
{
    const auto file = Riff({Chunk("anih", Anih(3, 3, 7)), Chunk("LIST", Fram({CursorChunk(10), CursorChunk(20), CursorChunk(30)}))});
    for (int frame = 0; frame < 3; ++frame) {
        RasterANI ani;
        ASSERT_TRUE(DecodeAni(ani, file, frame)) << ani.GetLastError();
        EXPECT_EQ(GreyOf(ani), 10 * (frame + 1));
        EXPECT_EQ(ani.GetFrameDelay(), 7u);
        EXPECT_EQ(ani.GetNumFrames(), 3);
        EXPECT_EQ(ani.GetType(), uint32_t{TypeAni});
    }
}

TEST(RasterANI, SequenceAndRatesChooseIconAndTimeOfEachStep)
{
    // The sequence comes after the icons: steps are bound once everything is read.
    const auto file = Riff({Chunk("anih", Anih(2, 4, 10, 3)), Chunk("LIST", Fram({CursorChunk(10), CursorChunk(20)})),
                            Chunk("rate", U32s({1, 2, 3, 4})), Chunk("seq ", U32s({0, 1, 0, 1}))});
    const uint8_t wantGrey[] = {10, 20, 10, 20};
    for (int frame = 0; frame < 4; ++frame) {
        RasterANI ani;
        ASSERT_TRUE(DecodeAni(ani, file, frame)) << ani.GetLastError();
        EXPECT_EQ(GreyOf(ani), wantGrey[frame]);
        EXPECT_EQ(ani.GetFrameDelay(), uint32_t(frame + 1));
        EXPECT_EQ(ani.GetNumFrames(), 4);
    }
}

TEST(RasterANI, IdenticalIconChunksAreStoredOnce)
{
    const auto file = Riff({Chunk("anih", Anih(3, 3)), Chunk("LIST", Fram({CursorChunk(10), CursorChunk(10), CursorChunk(30)}))});
    RasterANI ani;
    ASSERT_TRUE(DecodeAni(ani, file, 1));
    EXPECT_EQ(ani.DistinctIcons(), 2);
    EXPECT_EQ(ani.Header().frames, 3u);
    EXPECT_EQ(GreyOf(ani), 10);
}

TEST(RasterANI, HotspotOfTheChosenCursorImageIsKept)
{
    const auto file = Riff({Chunk("anih", Anih(1, 1)), Chunk("LIST", Fram({CursorChunk(10, 32, 5, 9)}))});
    RasterANI ani;
    ASSERT_TRUE(DecodeAni(ani, file, 0));
    EXPECT_EQ(ani.GetHotspotX(), 5);
    EXPECT_EQ(ani.GetHotspotY(), 9);
}

TEST(RasterANI, TitleAndAuthorKeepEightyBytes)
{
    const std::string title(100, 'T');
    Bytes info;
    info.raw({'I', 'N', 'F', 'O'}).raw(Chunk("INAM", std::vector<uint8_t>(title.begin(), title.end())).v);
    info.raw(Chunk("IART", {'m', 'e'}).v);
    const auto file = Riff({Chunk("LIST", info.v), Chunk("anih", Anih(1, 1)), Chunk("LIST", Fram({CursorChunk(10)}))});
    RasterANI ani;
    ASSERT_TRUE(DecodeAni(ani, file, 0)) << ani.GetLastError();
    EXPECT_EQ(std::string(ani.Title()), std::string(80, 'T'));
    EXPECT_STREQ(ani.Author(), "me");
}

// Each malformed file is refused with a reason; sizes, counts and indexes
// from the file are never trusted.
TEST(RasterANI, MalformedFilesFailWithAReason)
{
    const auto icons = Chunk("LIST", Fram({CursorChunk(10), CursorChunk(20)}));
    Bytes hugeChunk;
    hugeChunk.raw({'j', 'u', 'n', 'k'}).u32(0x7FFFFFF0);
    Bytes shortList;
    shortList.raw({'L', 'I', 'S', 'T'}).u32(2).raw({'f', 'r'});
    Bytes hugeIcon;
    hugeIcon.raw({'L', 'I', 'S', 'T'}).u32(16).raw({'f', 'r', 'a', 'm', 'i', 'c', 'o', 'n'}).u32(0xFFFFFFF0).u32(0);
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    } cases[] = {
        {"flag bit 0 clear", Riff({Chunk("anih", Anih(2, 2, 10, 0)), icons})},
        {"no frames", Riff({Chunk("anih", Anih(0, 2)), icons})},
        {"rate before header", Riff({Chunk("rate", U32s({1, 2})), Chunk("anih", Anih(2, 2)), icons})},
        {"sequence before header", Riff({Chunk("seq ", U32s({1, 0})), Chunk("anih", Anih(2, 2)), icons})},
        {"short header", Riff({Chunk("anih", std::vector<uint8_t>(20, 1)), icons})},
        {"chunk larger than the file", Riff({Chunk("anih", Anih(2, 2)), icons, hugeChunk})},
        {"list shorter than its type", Riff({Chunk("anih", Anih(2, 2)), shortList})},
        {"icon larger than its list", Riff({Chunk("anih", Anih(2, 2)), hugeIcon})},
        {"more steps than the file can hold", Riff({Chunk("anih", Anih(2, 0x40000000)), icons})},
        {"sequence index past the icons", Riff({Chunk("anih", Anih(2, 2, 10, 3)), Chunk("seq ", U32s({0, 2})), icons})},
        {"icon chunk that is no icon file", Riff({Chunk("anih", Anih(1, 1)), Chunk("LIST", Fram({{1, 2, 3, 4, 5, 6, 7}}))})},
        {"no header", Riff({icons})},
        {"not RIFF", std::vector<uint8_t>{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'A', 'C', 'O', 'N'}},
        {"not ACON", Bytes().raw({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}).v},
    };
    for (const auto& c : cases) {
        RasterANI ani;
        EXPECT_FALSE(DecodeAni(ani, c.file, 0)) << c.name;
        EXPECT_STRNE(ani.GetLastError(), "") << c.name;
    }
}

class AniFiles : public ::testing::Test {
protected:
    std::string dir = test::MakeTempDir("ani");
    std::string Path(const char* name) { return dir + "/" + name; }

    bool Write(const std::string& path, std::vector<Raster*> frames)
    {
        FileStream f(path.c_str(), "wb");
        RasterANI ani;
        return f.IsOpen() && ani.EncodeFrames(&f, frames.data(), static_cast<int>(frames.size())) && f.Close();
    }
    std::vector<uint8_t> ReadAll(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

TEST_F(AniFiles, FrameIndexPastTheStepsFailsAndReportsTheCount)
{
    const auto file = Riff({Chunk("anih", Anih(2, 2)), Chunk("LIST", Fram({CursorChunk(10), CursorChunk(20)}))});
    std::ofstream(Path("two.ani"), std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    Raster img;
    img.SetFrame(2);
    EXPECT_FALSE(img.Load(Path("two.ani").c_str(), TypeAni));
    EXPECT_EQ(img.GetNumFrames(), 2);
    img.SetFrame(1);
    ASSERT_TRUE(img.Load(Path("two.ani").c_str(), TypeAni)) << img.GetLastError();
    EXPECT_EQ(GreyOf(img), 20);
    EXPECT_FALSE(img.Load(Path("missing.ani").c_str(), TypeAni));
}

TEST_F(AniFiles, WriterLayoutWithoutRateAndSequence)
{
    Raster a, b, c;
    for (auto [img, grey] : {std::pair{&a, 1}, {&b, 2}, {&c, 3}}) {
        img->Create(3, 3, 24, TypeAni);
        img->Clear(static_cast<uint8_t>(grey));
        img->SetFrameDelay(10);
    }
    ASSERT_TRUE(Write(Path("abc.ani"), {&a, &b, &c}));
    const auto bytes = ReadAll(Path("abc.ani"));
    ASSERT_GT(bytes.size(), 60u);
    const auto le32 = [&](size_t at) { return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24; };
    EXPECT_EQ(le32(4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "anih");
    EXPECT_EQ(le32(20 + 4), 3u);                   // frames
    EXPECT_EQ(le32(20 + 8), 3u);                   // steps
    EXPECT_EQ(le32(20 + 28), 10u);                 // rate
    EXPECT_EQ(le32(20 + 32), 1u);                  // flags
    EXPECT_EQ(std::string(bytes.begin() + 56, bytes.begin() + 60), "LIST"); // no rate, no seq
}

TEST_F(AniFiles, WriterSharesRepeatedFramesAndWritesTheirRates)
{
    Raster a, b;
    a.Create(4, 4, 8, TypeAni);
    b.Create(4, 4, 8, TypeAni);
    b.SetPixelIndex(1, 1, 5);
    a.SetFrameDelay(3);
    b.SetFrameDelay(10);
    ASSERT_TRUE(Write(Path("abab.ani"), {&a, &b, &a, &b}));
    const auto bytes = ReadAll(Path("abab.ani"));
    RasterANI ani;
    ASSERT_TRUE(ani.Load(Path("abab.ani").c_str(), TypeAni));
    const uint32_t size = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | uint32_t(bytes[7]) << 24;
    EXPECT_EQ(size, bytes.size() - 8);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("rate"), std::string::npos);
    EXPECT_NE(text.find("seq "), std::string::npos);
    for (int frame = 0; frame < 4; ++frame) {
        RasterANI r;
        r.SetFrame(frame);
        ASSERT_TRUE(r.DecodeFile(Path("abab.ani").c_str()));
        EXPECT_EQ(r.Header().flags, 3u);
        EXPECT_EQ(r.Header().frames, 2u);
        EXPECT_EQ(r.GetFrameDelay(), frame % 2 ? 10u : 3u);
        EXPECT_EQ(r.GetPixelIndex(1, 1), frame % 2 ? 5 : 0);
    }
}

// Every depth, with hotspots, comes back from a written animated cursor.
TEST_F(AniFiles, RoundTripsEveryDepthWithHotspots)
{
    std::vector<Raster> frames;
    for (uint32_t bpp : {1u, 4u, 8u, 24u, 24u}) {
        Raster img;
        img.Create(9, 6, bpp, TypeAni);
        for (uint32_t i = 0; i < img.GetNumColors(); ++i)
            img.SetPaletteColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(i), 200);
        for (uint32_t y = 0; y < 6; ++y)
            for (uint32_t x = 0; x < 9; ++x) {
                if (img.GetNumColors()) img.SetPixelIndex(x, y, static_cast<uint8_t>((x + y) % (img.GetNumColors() == 2 ? 2 : 3)));
                else img.SetPixelColor(x, y, MakeRgb(uint8_t(x * 20), uint8_t(y * 30), 9));
            }
        if (frames.size() == 4) {
            img.AlphaCreate();
            for (uint32_t y = 0; y < 6; ++y)
                for (uint32_t x = 0; x < 9; ++x) img.AlphaSet(x, y, static_cast<uint8_t>(x * 30 + y));
        }
        if (bpp == 4) img.SetTransIndex(2);
        img.SetHotspot(static_cast<uint32_t>(frames.size()), 5);
        img.SetFrameDelay(static_cast<uint32_t>(frames.size() + 1));
        frames.push_back(std::move(img));
    }
    std::vector<Raster*> list;
    for (auto& f : frames) list.push_back(&f);
    ASSERT_TRUE(Write(Path("depths.ani"), list));
    for (size_t i = 0; i < frames.size(); ++i) {
        Raster got;
        got.SetFrame(static_cast<int32_t>(i));
        ASSERT_TRUE(got.Load(Path("depths.ani").c_str(), TypeAni)) << got.GetLastError();
        EXPECT_EQ(test::DescribeDifference(frames[i], got), "") << "frame " << i;
        EXPECT_EQ(got.GetFrameDelay(), i + 1);
        EXPECT_EQ(got.GetNumFrames(), 5);
    }
    // Re-saving what was read keeps every hotspot.
    std::vector<Raster> again(frames.size());
    std::vector<Raster*> againList;
    for (size_t i = 0; i < frames.size(); ++i) {
        again[i].SetFrame(static_cast<int32_t>(i));
        ASSERT_TRUE(again[i].Load(Path("depths.ani").c_str(), TypeAni));
        againList.push_back(&again[i]);
    }
    ASSERT_TRUE(Write(Path("again.ani"), againList));
    Raster last;
    last.SetFrame(3);
    ASSERT_TRUE(last.Load(Path("again.ani").c_str(), TypeAni));
    EXPECT_EQ(last.GetHotspotX(), 3);
    EXPECT_EQ(last.GetHotspotY(), 5);
}

TEST_F(AniFiles, StreamsAndGuessingNeverReadOrWriteAnimatedCursors)
{
    Raster img;
    img.Create(2, 2, 24);
    MemoryStream s;
    EXPECT_FALSE(img.Encode(&s, TypeAni));
    const auto file = Riff({Chunk("anih", Anih(1, 1)), Chunk("LIST", Fram({CursorChunk(10)}))});
    MemoryStream in(file.data(), file.size());
    Raster guessed;
    EXPECT_FALSE(guessed.Decode(&in, TypeUnknown));
    RasterANI ani;
    Raster* none = nullptr;
    EXPECT_FALSE(ani.EncodeFrames(&s, &none, 1));
    EXPECT_FALSE(ani.EncodeFrames(&s, nullptr, 0));
    EXPECT_STREQ(ani.GetLastError(), "No valid image");
}

} // namespace
} // namespace vex
