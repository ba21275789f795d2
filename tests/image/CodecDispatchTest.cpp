#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "image/CodecRegistry.h"
#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Raster SmallImage()
{
    Raster img;
    img.Create(5, 3, 8, TypeBmp);
    img.SetPaletteColor(1, 255, 0, 0);
    img.SetPixelIndex(4, 2, 1);
    return img;
}

std::vector<uint8_t> EncodeToBytes(Raster& img, uint32_t type)
{
    MemoryStream s;
    EXPECT_TRUE(img.Encode(&s, type)) << img.GetLastError();
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

// A stream that takes a fixed number of bytes and then fails.
class FullDisk : public MemoryStream {
public:
    explicit FullDisk(size_t room) : room_(room) {}
    size_t Write(const void* b, size_t size, size_t count) override
    {
        if (size * count > room_) {
            failed_ = true;
            return 0;
        }
        room_ -= size * count;
        return MemoryStream::Write(b, size, count);
    }
    int Error() override { return failed_ ? 1 : 0; }

private:
    size_t room_;
    bool failed_ = false;
};

TEST(CodecDispatch, UnknownTypesAndTheAnimatedCursorId)
{
    Raster img = SmallImage();
    MemoryStream s;
    for (uint32_t type : {0u, 18u, 1000u}) {
        img.SetLastError("before");
        EXPECT_FALSE(img.Encode(&s, type));
        EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format") << "type " << type;
    }
    // Types whose codec is not built in this program say the same.
    for (uint32_t type = 2; type <= 16; ++type) {
        if (FindCodec(type)) continue;
        EXPECT_FALSE(img.Encode(&s, type));
        EXPECT_STREQ(img.GetLastError(), "Encode: Unknown format") << "type " << type;
        MemoryStream in(s.GetBuffer(), 0);
        EXPECT_FALSE(img.Decode(&in, type));
        EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format") << "type " << type;
    }
    img.SetLastError("before");
    EXPECT_FALSE(img.Encode(&s, TypeAni));
    EXPECT_STREQ(img.GetLastError(), "before");
    MemoryStream in;
    EXPECT_FALSE(img.Decode(&in, TypeAni));
    EXPECT_STREQ(img.GetLastError(), "before");
    EXPECT_FALSE(img.Decode(&in, 99));
    EXPECT_STREQ(img.GetLastError(), "Decode: Unknown or wrong format");
}

TEST(CodecDispatch, GuessingOrder)
{
    // Bitmap first, then JPEG, cursor, icon, GIF, PNG, TIFF, Targa, PCX, WBMP,
    // metafile and last the JPEG-2000 family; animated cursors never.
    const std::vector<uint32_t> want = {1, 3, 6, 5, 2, 4, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(std::vector<uint32_t>(std::begin(kGuessOrder), std::end(kGuessOrder)), want);
}

TEST(CodecDispatch, WriterChecks)
{
    Raster img = SmallImage();
    EXPECT_FALSE(img.Encode(static_cast<ByteStream*>(nullptr), TypeBmp));
    EXPECT_STREQ(img.GetLastError(), "null file handler");
    Raster empty;
    MemoryStream s;
    EXPECT_FALSE(empty.Encode(&s, TypeBmp));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    FullDisk disk(100);
    EXPECT_FALSE(img.Encode(&disk, TypeBmp));
    EXPECT_NE(std::string(img.GetLastError()), "");
}

TEST(CodecDispatch, GuessingAndFailedReadsLeaveTheImage)
{
    Raster src = SmallImage();
    const auto bytes = EncodeToBytes(src, TypeBmp);

    Raster guessed;
    MemoryStream in(bytes.data(), bytes.size());
    ASSERT_TRUE(guessed.Decode(&in, TypeUnknown));
    EXPECT_EQ(guessed.GetType(), uint32_t{TypeBmp});
    EXPECT_EQ(guessed.GetPixelIndex(4, 2), 1);

    // Guessing starts from where the stream stands.
    std::vector<uint8_t> prefixed(7 + bytes.size(), 0xEE);
    std::copy(bytes.begin(), bytes.end(), prefixed.begin() + 7);
    MemoryStream at7(prefixed.data(), prefixed.size());
    ASSERT_TRUE(at7.Seek(7, 0));
    Raster offset;
    EXPECT_TRUE(offset.Decode(&at7, TypeUnknown));

    const std::vector<uint8_t> junk(300, 0x11);
    Raster kept = SmallImage();
    MemoryStream bad(junk.data(), junk.size());
    EXPECT_FALSE(kept.Decode(&bad, TypeUnknown));
    EXPECT_STREQ(kept.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_EQ(kept.GetWidth(), 5u);
    EXPECT_EQ(kept.GetPixelIndex(4, 2), 1);

    MemoryStream bad2(junk.data(), junk.size());
    EXPECT_FALSE(kept.Decode(&bad2, TypeBmp));
    EXPECT_STREQ(kept.GetLastError(), "Error reading BMP info");
    EXPECT_EQ(kept.GetPixelIndex(4, 2), 1);

    Raster res;
    EXPECT_FALSE(res.LoadResource(nullptr, 0, TypeBmp));
    EXPECT_STREQ(res.GetLastError(), "Unable to load resource!");
    EXPECT_TRUE(res.LoadResource(bytes.data(), bytes.size(), TypeBmp));
}

TEST(CodecDispatch, LoadByNameFallsBackToGuessing)
{
    const std::string dir = test::MakeTempDir("load");
    Raster src = SmallImage();
    const auto bytes = EncodeToBytes(src, TypeBmp);
    WriteFile(dir + "/pic.dib", bytes);
    WriteFile(dir + "/text.bmp", std::vector<uint8_t>(200, 'x'));

    Raster viaGuess;
    EXPECT_TRUE(viaGuess.Load((dir + "/pic.dib").c_str(), TypeFromName("pic.dib")));
    EXPECT_EQ(viaGuess.GetPixelIndex(4, 2), 1);
    Raster direct;
    EXPECT_TRUE(direct.Load((dir + "/pic.dib").c_str(), TypeBmp));

    // The named type's reader explains the failure, not guessing.
    Raster text;
    EXPECT_FALSE(text.Load((dir + "/text.bmp").c_str(), TypeBmp));
    EXPECT_STREQ(text.GetLastError(), "Error reading BMP info");
    Raster text0;
    EXPECT_FALSE(text0.Load((dir + "/text.bmp").c_str(), TypeUnknown));
    EXPECT_STREQ(text0.GetLastError(), "Decode: Unknown or wrong format");

    Raster missing;
    missing.SetLastError("untouched");
    EXPECT_FALSE(missing.Load((dir + "/nothing.bmp").c_str(), TypeBmp));
    EXPECT_STREQ(missing.GetLastError(), "untouched");

    Raster fromCtor((dir + "/pic.dib").c_str(), TypeUnknown);
    EXPECT_TRUE(fromCtor.IsValid());
}

TEST(CodecDispatch, SaveNeverDamagesTheExistingFile)
{
    const std::string dir = test::MakeTempDir("save");
    const std::string target = dir + "/keep.ani";
    const std::vector<uint8_t> original = {'o', 'l', 'd'};
    WriteFile(target, original);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    Raster img = SmallImage();
    EXPECT_FALSE(img.Save(target.c_str(), TypeAni)); // no single-image writer
    EXPECT_FALSE(img.Save(target.c_str(), 42));
    Raster empty;
    EXPECT_FALSE(empty.Save(target.c_str(), TypeBmp));
    EXPECT_EQ(ReadFile(target), original);

    ASSERT_TRUE(img.Save(target.c_str(), TypeBmp));
    EXPECT_EQ(ReadFile(target), EncodeToBytes(img, TypeBmp));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";

    EXPECT_FALSE(img.Save((dir + "/no/such/folder/x.bmp").c_str(), TypeBmp));
}

} // namespace
} // namespace vex
