#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "image/ByteStream.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

TEST(MemoryStream, ReadPastTheEndAndSeekBeyondIt)
{
    uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemoryStream s(data, sizeof data);
    ASSERT_TRUE(s.Seek(8, 0));
    uint8_t buf[4] = {};
    EXPECT_EQ(s.Read(buf, 1, 4), 2u);
    EXPECT_EQ(buf[1], 9);
    EXPECT_EQ(s.Tell(), 10);
    EXPECT_TRUE(s.Eof());
    EXPECT_EQ(s.Error(), 0);
    EXPECT_EQ(s.GetC(), -1);
    EXPECT_TRUE(s.Seek(20, 0));
    EXPECT_EQ(s.Error(), 1);
    EXPECT_EQ(s.Read(buf, 1, 1), 0u);
    EXPECT_FALSE(s.Seek(-21, 1));
    EXPECT_EQ(s.Tell(), 20);
    EXPECT_TRUE(s.Seek(-3, 2));
    EXPECT_EQ(s.GetC(), 7);
}

TEST(MemoryStream, ReadCountsWholeItemsAndRefusesSizeZero)
{
    uint8_t data[10] = {};
    MemoryStream s(data, sizeof data);
    uint8_t buf[12];
    EXPECT_EQ(s.Read(buf, 0, 5), 0u);
    EXPECT_EQ(s.Tell(), 0);
    EXPECT_EQ(s.Read(buf, 4, 3), 2u); // ten bytes copied, two whole items
    EXPECT_EQ(s.Tell(), 10);
}

TEST(MemoryStream, GrowthRule)
{
    struct Case {
        size_t first, second;
        size_t wantCapacity;
    } cases[] = {
        {1, 0, 4096},          // one byte into an empty stream
        {4096, 1, 8192},       // one past a full page
        {5000, 0, 8192},       // old + ceil(shortfall / 4096) * 4096
        {4000, 5000, 12288},   // 4096, then 9000 needed: 4096 + 8192
    };
    for (const auto& c : cases) {
        MemoryStream s;
        std::vector<uint8_t> a(c.first, 1), b(c.second, 2);
        EXPECT_EQ(s.Write(a.data(), 1, a.size()), a.size());
        if (!b.empty()) {
            EXPECT_EQ(s.Write(b.data(), 1, b.size()), b.size());
        }
        EXPECT_EQ(s.GetCapacity(), c.wantCapacity) << c.first << " then " << c.second;
        EXPECT_EQ(s.Size(), static_cast<int64_t>(c.first + c.second));
    }
}

TEST(MemoryStream, WritingPastAForeignBufferCopiesIt)
{
    uint8_t data[4] = {1, 2, 3, 4};
    {
        MemoryStream s(data, sizeof data);
        ASSERT_TRUE(s.Seek(2, 0));
        EXPECT_TRUE(s.PutC(9)); // inside the capacity: written in place
        EXPECT_EQ(data[2], 9);
        const uint8_t more[3] = {7, 7, 7};
        EXPECT_EQ(s.Write(more, 1, 3), 3u);
        EXPECT_NE(s.GetBuffer(), data);
        EXPECT_EQ(s.GetCapacity(), 4u + 4096);
        EXPECT_EQ(s.Size(), 6);
        EXPECT_EQ(s.GetBuffer()[0], 1);
        EXPECT_EQ(s.GetBuffer()[5], 7);
    }
    EXPECT_EQ(data[3], 4); // the caller's buffer was not written past growth
}

TEST(MemoryStream, ReadOnlyViewRefusesWritesAndGapsReadAsZero)
{
    const uint8_t data[2] = {5, 6};
    MemoryStream ro(data, 2);
    EXPECT_EQ(ro.Write(data, 1, 1), 0u);
    EXPECT_FALSE(ro.PutC(1));

    MemoryStream s;
    ASSERT_TRUE(s.Seek(3, 0));
    ASSERT_TRUE(s.PutC(8));
    ASSERT_TRUE(s.Seek(0, 0));
    uint8_t buf[4] = {9, 9, 9, 9};
    EXPECT_EQ(s.Read(buf, 1, 4), 4u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), (std::vector<uint8_t>{0, 0, 0, 8}));
}

TEST(FileStream, OwnershipSizeAndClosedState)
{
    const std::string dir = test::MakeTempDir("fs");
    const std::string path = dir + "/a.bin";
    {
        FileStream s(path.c_str(), "wb");
        ASSERT_TRUE(s.IsOpen());
        EXPECT_EQ(s.Write("abcdef", 1, 6), 6u);
        EXPECT_TRUE(s.PutC('g'));
    }
    FileStream r(path.c_str(), "rb");
    ASSERT_TRUE(r.IsOpen());
    ASSERT_TRUE(r.Seek(2, 0));
    EXPECT_EQ(r.Size(), 7);
    EXPECT_EQ(r.Tell(), 2); // Size keeps the position
    EXPECT_EQ(r.GetC(), 'c');
    ASSERT_TRUE(r.Seek(0, 2));
    EXPECT_EQ(r.GetC(), -1);
    EXPECT_TRUE(r.Eof());
    EXPECT_TRUE(r.Close());
    EXPECT_EQ(r.Tell(), -1);
    EXPECT_EQ(r.Size(), -1);
    EXPECT_TRUE(r.Eof());
    EXPECT_EQ(r.Error(), -1);
    EXPECT_EQ(r.GetC(), -1);

    // A handed-in file stays open after the stream is gone.
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    {
        FileStream borrowed(f);
        EXPECT_EQ(borrowed.GetC(), 'a');
    }
    EXPECT_EQ(std::fgetc(f), 'b');
    std::fclose(f);

    FileStream missing((dir + "/none").c_str(), "rb");
    EXPECT_FALSE(missing.IsOpen());
}

} // namespace
} // namespace vex
