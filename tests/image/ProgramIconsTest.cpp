// Icon groups of Windows programs and libraries.

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "image/ProgramIcons.h"
#include "image/ProgramFixtures.h"
#include "image/codecs/IconFixtures.h"

namespace vex {
namespace {

using test::GroupSpec;

std::vector<uint8_t> Grey(uint8_t v) { return test::IconBlock(2, 2, 24, {}, std::vector<uint8_t>(16, v), test::FlatMask(2, 2, 0)); }

const std::map<uint16_t, std::vector<uint8_t>> kIcons = {{1, Grey(10)}, {2, Grey(20)}, {3, Grey(30)}, {7, Grey(70)}};
// Table order: named groups first, then ids ascending.
const std::vector<GroupSpec> kGroups = {{"", 5, {3}}, {"MAINICON", 0, {1, 2}}, {"", 2, {7, 1}}};

uint8_t GreyOfImage(const std::vector<uint8_t>& ico, int frame)
{
    Raster img;
    img.SetFrame(frame);
    if (!img.LoadResource(ico.data(), ico.size(), TypeIco)) return 0;
    return img.GetPixelColor(0, 0).red;
}

TEST(ProgramIcons, GroupsOfPeProgramsInResourceOrder)
{
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        const auto file = test::BuildPe(pe64, kGroups, kIcons);
        std::vector<ProgramIconGroup> groups;
        std::string error;
        ASSERT_TRUE(ReadProgramIcons(file.data(), file.size(), groups, error)) << error;
        ASSERT_EQ(groups.size(), 3u);
        EXPECT_EQ(groups[0].name, "MAINICON");
        EXPECT_EQ(groups[1].name, "#2");
        EXPECT_EQ(groups[2].name, "#5");
        EXPECT_EQ(GreyOfImage(groups[0].ico, 0), 10);
        EXPECT_EQ(GreyOfImage(groups[0].ico, 1), 20);
        EXPECT_EQ(GreyOfImage(groups[1].ico, 0), 70);
        EXPECT_EQ(GreyOfImage(groups[1].ico, 1), 10);
        EXPECT_EQ(GreyOfImage(groups[2].ico, 0), 30);
    }
}

TEST(ProgramIcons, GroupsOfNeProgramsInTableOrder)
{
    const std::vector<GroupSpec> groups16 = {{"", 9, {2}}, {"", 4, {1, 3}}};
    const auto file = test::BuildNe(groups16, kIcons);
    std::vector<ProgramIconGroup> groups;
    std::string error;
    ASSERT_TRUE(ReadProgramIcons(file.data(), file.size(), groups, error)) << error;
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "#9");
    EXPECT_EQ(GreyOfImage(groups[0].ico, 0), 20);
    EXPECT_EQ(GreyOfImage(groups[1].ico, 1), 30);
}

TEST(ProgramIcons, MissingIconsAreLeftOutOfTheirGroup)
{
    const auto file = test::BuildPe(false, {{"", 1, {1, 99, 2}}, {"", 2, {98}}}, kIcons);
    std::vector<ProgramIconGroup> groups;
    std::string error;
    ASSERT_TRUE(ReadProgramIcons(file.data(), file.size(), groups, error)) << error;
    ASSERT_EQ(groups.size(), 1u); // the group with no icon at all is no group
    Raster img;
    ASSERT_TRUE(img.LoadResource(groups[0].ico.data(), groups[0].ico.size(), TypeIco));
    EXPECT_EQ(img.GetNumFrames(), 2);
}

TEST(ProgramIcons, LoadReadsOneImageOfOneGroupFromAFile)
{
    const std::string path = test::MakeTempDir("programs") + "/tool.dll";
    const auto file = test::BuildPe(true, kGroups, kIcons);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    Raster img;
    img.SetFrame(1);
    ASSERT_TRUE(LoadProgramIcon(img, path.c_str(), 1)) << img.GetLastError();
    EXPECT_EQ(img.GetPixelColor(0, 0).red, 10);
    EXPECT_EQ(img.GetNumFrames(), 2);
    EXPECT_EQ(img.GetType(), 0u);
    EXPECT_FALSE(LoadProgramIcon(img, path.c_str(), 3));
    EXPECT_STRNE(img.GetLastError(), "");
    EXPECT_TRUE(IsProgramFileName("A.EXE"));
    EXPECT_TRUE(IsProgramFileName("x.icl"));
    EXPECT_FALSE(IsProgramFileName("x.ico"));
}

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}

// Headers that lie are refused with a reason; nothing is read outside the file.
TEST(ProgramIcons, MalformedHeadersAreRefused)
{
    const auto pe = test::BuildPe(false, kGroups, kIcons);
    const size_t coff = 0x44, opt = 0x58, section = opt + 224, rsrc = 0x200;
    struct Case {
        const char* name;
        size_t at;
        uint32_t value;
        int width;
    } cases[] = {
        {"not MZ", 0, 0x4D5A, 2},
        {"header offset past the end", 0x3C, 0x7FFFFFF0, 4},
        {"not PE", 0x40, 0x00004551, 4},
        {"unknown optional header", opt, 0x30B, 2},
        {"optional header too small", coff + 16, 8, 2},
        {"sections past the end", coff + 2, 60000, 2},
        {"resource section past the end", section + 20, 0x7FFFFFF0, 4},
        {"resource outside every section", opt + 96 + 16, 0x90000, 4},
        {"root directory counts past the end", rsrc + 14, 0xFFFF, 2},
        {"type directory offset past the end", rsrc + 16 + 4, 0xFFFFFF00, 4},
        {"named entry past the end", rsrc + 16, 0xFFFFFF00, 4},
    };
    for (const auto& c : cases) {
        auto file = pe;
        if (c.width == 2) Put16(file, c.at, c.value);
        else Put32(file, c.at, c.value);
        std::vector<ProgramIconGroup> groups;
        std::string error;
        EXPECT_FALSE(ReadProgramIcons(file.data(), file.size(), groups, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
    std::vector<ProgramIconGroup> groups;
    std::string error;
    ASSERT_TRUE(ReadProgramIcons(pe.data(), pe.size(), groups, error));
    // Every truncation of a good file fails cleanly or lists what is whole.
    for (size_t n = 0; n < pe.size(); n += 7) {
        std::vector<uint8_t> cut(pe.begin(), pe.begin() + static_cast<long>(n));
        const bool ok = ReadProgramIcons(cut.data(), cut.size(), groups, error);
        if (!ok) {
            EXPECT_FALSE(error.empty()) << n;
        }
        for (const auto& g : groups) EXPECT_LE(g.ico.size(), pe.size()) << n;
    }
    // NE with an absurd alignment shift or a table past the end.
    auto ne = test::BuildNe({{"", 1, {1}}}, kIcons);
    auto badShift = ne;
    Put16(badShift, 0x80, 40);
    EXPECT_FALSE(ReadProgramIcons(badShift.data(), badShift.size(), groups, error));
    auto badTable = ne;
    Put16(badTable, 0x40 + 0x24, 0xFFF0);
    EXPECT_FALSE(ReadProgramIcons(badTable.data(), badTable.size(), groups, error));
    auto badOffset = ne;
    Put16(badOffset, 0x80 + 2 + 8, 0xFFFF);
    EXPECT_FALSE(ReadProgramIcons(badOffset.data(), badOffset.size(), groups, error));
}

// The fuzzer's seeds are these fixtures; VEXMIRA_REGENERATE_SEEDS=1 rewrites them.
TEST(ProgramIcons, FuzzSeedsMatchTheFixtures)
{
    const std::string dir = VEXMIRA_SOURCE_DIR "/fuzz/seeds/exe/";
    const std::pair<const char*, std::vector<uint8_t>> seeds[] = {
        {"pe32.exe", test::BuildPe(false, kGroups, kIcons)},
        {"pe64.dll", test::BuildPe(true, kGroups, kIcons)},
        {"ne.icl", test::BuildNe({{"", 9, {2}}, {"", 4, {1, 3}}}, kIcons)},
    };
    for (const auto& [name, bytes] : seeds) {
        if (std::getenv("VEXMIRA_REGENERATE_SEEDS"))
            std::ofstream(dir + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        std::ifstream in(dir + name, std::ios::binary);
        const std::vector<uint8_t> have((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(have, bytes) << name;
    }
}

} // namespace
} // namespace vex
