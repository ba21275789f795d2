#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "browser/FileFinder.h"
#include "BrowserFixtures.h"

namespace vex {
namespace {

std::vector<std::string> Names(const CFileFinder& f)
{
    std::vector<std::string> out;
    for (const auto& e : f.Entries()) out.push_back(e.name);
    return out;
}

TEST(FileFinder, SplitsPatternListsSkippingSpacesAndBars)
{
    struct Case {
        std::string list;
        std::vector<std::string> want;
    } cases[] = {
        {"*.ico", {"*.ico"}},
        {"*.ico | *.exe|*.txt", {"*.ico", "*.exe", "*.txt"}},
        {" | *.a  ||  b.c |", {"*.a", "b.c"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(CFileFinder::SplitPatterns(c.list), c.want) << "have list " << c.list;
}

// "*.*" asks for every name (also names without a dot); letters of a
// pattern match either case, as the patterns were written for that.
TEST(FileFinder, PatternsMatchWithoutCaseAndStarDotStarMatchesEverything)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool want;
    } cases[] = {
        {"*.*", "README", true}, {"*.*", "a.b", true},      {"*.ico", "ICON.ICO", true},
        {"*.ico", "x.icon", false}, {"a?.bmp", "AB.BMP", true}, {"*.exe", "exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFileFinder::MatchPattern(c.pattern, c.name), c.want) << c.pattern << " vs " << c.name;
}

TEST(FileFinder, ListsPatternByPatternWithoutMergingAndSortsWithoutCase)
{
    const std::string dir = test::MakeTempDir("list");
    for (const char* n : {"b.ico", "A.exe", "c.txt", "README"}) test::WriteBytes(dir + "/" + n, {1});
    std::filesystem::create_directory(dir + "/Sub");
    CFileFinder f;
    f.SetBase(dir);
    ASSERT_TRUE(f.Find("*.ico | *.*", 0));
    // b.ico is listed by both patterns; nothing is merged.
    const auto listed = Names(f);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "b.ico"), 2);
    f.Sort(1);
    const std::vector<std::string> want = {".", "..", "A.exe", "b.ico", "b.ico", "c.txt", "README", "Sub"};
    EXPECT_EQ(Names(f), want);

    ASSERT_TRUE(f.Find("*", CFileFinder::kAttrDirectory));
    f.Sort(1);
    EXPECT_EQ(Names(f), (std::vector<std::string>{".", "..", "Sub"}));
    EXPECT_FALSE(f.Find("*.gif", 0));
}

// A plain name is looked up exactly: a.ico and A.ico are two files here.
TEST(FileFinder, PlainNamesAreFoundByExactName)
{
    const std::string dir = test::MakeTempDir("exact");
    test::WriteBytes(dir + "/a.ico", {1});
    CFileFinder f;
    f.SetBase(dir + "/");
    EXPECT_TRUE(f.Find("a.ico", 0));
    EXPECT_EQ(f.Entries()[0].path, dir + "/a.ico");
    EXPECT_FALSE(f.Find("A.ico", 0));
    EXPECT_TRUE(CFileFinder::Exists(dir + "/a.ico"));
    EXPECT_FALSE(CFileFinder::Exists(dir + "/A.ico"));
}

TEST(FileFinder, CursorVisitsEveryEntryAndTellsFoldersApart)
{
    const std::string dir = test::MakeTempDir("cursor");
    std::filesystem::create_directories(dir + "/has/inner");
    std::filesystem::create_directories(dir + "/empty");
    test::WriteBytes(dir + "/file", {1});
    CFileFinder f;
    f.SetBase(dir);
    ASSERT_TRUE(f.Find("*.*", 0));
    f.Sort(1);
    std::vector<std::string> seen, folders, withSub;
    bool more = true;
    while (more) {
        more = f.Next();
        seen.push_back(f.CurrentName());
        if (f.IsDots()) continue;
        if (f.IsFolder()) folders.push_back(f.CurrentName());
        if (f.HasSubfolders()) withSub.push_back(f.CurrentName());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{".", "..", "empty", "file", "has"}));
    EXPECT_EQ(folders, (std::vector<std::string>{"empty", "has"}));
    EXPECT_EQ(withSub, (std::vector<std::string>{"has"}));
}

// A named pipe is listed with the device attribute, never opened (opening
// one with no writer would block the lister forever).
TEST(FileFinder, PipesAreListedAsDevicesWithoutOpeningThem)
{
    const std::string dir = test::MakeTempDir("fifo");
    ASSERT_EQ(::mkfifo((dir + "/pipe.bmp").c_str(), 0600), 0);
    CFileFinder f;
    f.SetBase(dir);
    ASSERT_TRUE(f.Find("*.bmp", 0));
    ASSERT_EQ(f.Entries().size(), 1u);
    EXPECT_NE(f.Entries()[0].attributes & CFileFinder::kAttrDevice, 0u);
    EXPECT_EQ(f.Entries()[0].attributes & CFileFinder::kAttrNormal, 0u);
    EXPECT_FALSE(CFileFinder::IsRegularFile(dir + "/pipe.bmp"));
}

TEST(FileFinder, InaccessibleFoldersAreToldWithoutEnteringThem)
{
    if (::geteuid() == 0) GTEST_SKIP() << "every folder can be entered by root";
    const std::string dir = test::MakeTempDir("closed");
    std::filesystem::create_directory(dir + "/locked");
    ::chmod((dir + "/locked").c_str(), 0);
    const auto before = std::filesystem::current_path();
    CFileFinder f;
    f.SetBase(dir);
    f.Find("locked", 0);
    f.Next();
    EXPECT_TRUE(f.IsInaccessibleFolder());
    EXPECT_EQ(std::filesystem::current_path(), before);
    ::chmod((dir + "/locked").c_str(), 0700);
}

TEST(FileFinder, PathPartsUseTheSlash)
{
    EXPECT_EQ(CFileFinder::FolderPart("/a/b/c.ico"), "/a/b/");
    EXPECT_EQ(CFileFinder::FileNamePart("/a/b/c.ico"), "c.ico");
    EXPECT_EQ(CFileFinder::Join("/a/", "x"), "/a/x");
    EXPECT_EQ(CFileFinder::Join("/a", "x"), "/a/x");
    // No drive-letter fallback: a path without a folder has an empty folder part.
    EXPECT_EQ(CFileFinder::FolderPart("c.ico"), "");
}

} // namespace
} // namespace vex
