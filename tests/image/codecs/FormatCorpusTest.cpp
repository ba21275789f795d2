// The sample sets of the PNG, GIF, Targa, PCX and WBMP readers as data: every
// file's expected outcome (decodes, with size, depth, frame count, transparent
// index and a checksum of its pixel block and alpha plane; or fails, with the
// message) is listed in tests/data/<format>_corpus.tsv. Set
// VEXMIRA_REGENERATE_CORPUS=1 to rewrite the lists after a deliberate change,
// and review the diff.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

struct CorpusSet {
    const char* folder;
    std::vector<std::string> extensions;
};

void PrintTo(const CorpusSet& set, std::ostream* os)
{
    *os << set.folder;
}

std::string Outcome(const fs::path& file)
{
    Raster img;
    if (!img.Load(file.string().c_str(), TypeFromName(file.filename().string())))
        return std::string("fail\t") + img.GetLastError();
    uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&](const uint8_t* p, uint64_t n) {
        for (uint64_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 0x100000001b3ull;
    };
    mix(img.GetDIB(), img.GetSize());
    if (img.AlphaIsValid()) mix(img.AlphaGetPointer(), uint64_t{img.GetWidth()} * img.GetHeight());
    char line[160];
    std::snprintf(line, sizeof line, "ok\t%ux%u\t%u\tframes %d\ttrans %d%s\t%016llx", img.GetWidth(), img.GetHeight(),
                  unsigned{img.GetBpp()}, img.GetNumFrames(), img.GetTransIndex(), img.AlphaIsValid() ? " alpha" : "",
                  static_cast<unsigned long long>(hash));
    return line;
}

class FormatCorpus : public ::testing::TestWithParam<CorpusSet> {};

TEST_P(FormatCorpus, EveryFileHasItsExpectedOutcome)
{
    const CorpusSet& set = GetParam();
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR);
    if (!fs::exists(root / set.folder)) GTEST_SKIP() << "no corpus at " << root;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(root / set.folder)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (std::find(set.extensions.begin(), set.extensions.end(), ext) != set.extensions.end())
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());

    const std::string list = std::string(VEXMIRA_TEST_DATA_DIR) + "/" + set.folder + "_corpus.tsv";
    test::CheckCorpusList(root, files, list, Outcome);
    if (test::RegeneratingCorpus()) GTEST_SKIP() << "rewrote " << list;
}

INSTANTIATE_TEST_SUITE_P(Sets, FormatCorpus, ::testing::Values(CorpusSet{"png", {".png"}}, CorpusSet{"gif", {".gif"}},
                                           CorpusSet{"tga", {".tga"}}, CorpusSet{"pcx", {".pcx"}},
                                           CorpusSet{"wbmp", {".wbmp"}}),
                         [](const auto& info) { return std::string(info.param.folder); });

} // namespace
} // namespace vex

namespace vex {
namespace {

namespace fs = std::filesystem;

// Inputs the fuzzers found: each must end with its expected outcome, quickly.
TEST(FuzzRegressions, EachFileEndsAsExpected)
{
    struct Case {
        const char* file;
        uint32_t type;
        const char* error;
    } cases[] = {
        // A frame of 61496 x 32564 pixels backed by a few hundred bytes of data.
        {"gif/timeout-huge-frame-little-data.gif", TypeGif, "Corrupted GIF image data"},
        // Partial frames on a logical screen of 8995 x 8995 from 1258 bytes.
        {"gif/timeout-huge-flattened-screen.gif", TypeGif, "GIF logical screen too large for its data"},
    };
    const fs::path root = fs::path(VEXMIRA_TEST_DATA_DIR) / ".." / ".." / "fuzz" / "regressions";
    for (const auto& c : cases) {
        Raster img;
        img.SetFrame(0);
        FileStream file((root / c.file).string().c_str(), "rb");
        ASSERT_TRUE(file.IsOpen()) << c.file;
        EXPECT_FALSE(img.Decode(&file, c.type)) << c.file;
        EXPECT_STREQ(img.GetLastError(), c.error) << c.file;
    }
}

} // namespace
} // namespace vex
