// The icon, cursor and animated cursor sample sets as data: every file's
// expected outcome (each frame's size, depth, transparency and a checksum of
// its pixel block and alpha plane; or the failure message) is listed in
// tests/data/icon_corpus.tsv. Set VEXMIRA_REGENERATE_CORPUS=1 to rewrite the
// list after a deliberate change, and review the diff.

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

const char* kList = VEXMIRA_TEST_DATA_DIR "/icon_corpus.tsv";
// Enough to cover every sample; a file claiming more frames is checked on these.
constexpr int kFramesChecked = 64;

uint64_t Fnv(uint64_t hash, const uint8_t* p, uint64_t n)
{
    for (uint64_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 0x100000001b3ull;
    return hash;
}

std::string Outcome(const fs::path& file)
{
    const std::string name = file.filename().string();
    const uint32_t type = TypeFromName(name);
    std::string out;
    int count = 1;
    for (int frame = 0; frame < count && frame < kFramesChecked; ++frame) {
        Raster img;
        img.SetFrame(frame);
        if (!img.Load(file.string().c_str(), type)) {
            return out + (frame ? "\t" : "") + "fail " + std::to_string(frame) + ": " + img.GetLastError();
        }
        if (frame == 0) {
            count = std::max(1, img.GetNumFrames());
            out = "ok\t" + std::to_string(count) + " frames";
        }
        uint64_t hash = Fnv(0xcbf29ce484222325ull, img.GetDIB(), img.GetSize());
        if (img.AlphaIsValid()) hash = Fnv(hash, img.AlphaGetPointer(), uint64_t{img.GetWidth()} * img.GetHeight());
        char line[160];
        std::snprintf(line, sizeof line, "\t%ux%u/%u/t%d/h%u,%u/%016llx", img.GetWidth(), img.GetHeight(),
                      unsigned{img.GetBpp()}, img.GetTransIndex(), img.GetHotspotX(), img.GetHotspotY(),
                      static_cast<unsigned long long>(hash));
        out += line;
    }
    return out;
}

std::vector<fs::path> CorpusFiles(const fs::path& root)
{
    std::vector<fs::path> files;
    for (const char* sub : {"ico", "cur", "ani", "generated"}) {
        if (!fs::exists(root / sub)) continue;
        for (const auto& e : fs::recursive_directory_iterator(root / sub)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".ico" || ext == ".cur" || ext == ".ani")) files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(IconCorpus, EveryFileHasItsExpectedOutcome)
{
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR);
    if (!fs::exists(root / "ico")) GTEST_SKIP() << "no corpus at " << root;
    const auto files = CorpusFiles(root);
    ASSERT_FALSE(files.empty());

    test::CheckCorpusList(root, files, kList, Outcome);
    if (test::RegeneratingCorpus()) GTEST_SKIP() << "rewrote " << kList;
}

// Files of the "good" sets and the named samples must all read; the files
// placed as bad, regression or crash cases must fail with a reason.
TEST(IconCorpus, GoodFilesReadAndBadFilesFailWithAReason)
{
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR);
    if (!fs::exists(root / "ico")) GTEST_SKIP() << "no corpus at " << root;
    for (const auto& f : CorpusFiles(root)) {
        const std::string rel = fs::relative(f, root).string();
        const bool bad = rel.find("/bad/") != std::string::npos || rel.find("/regression/") != std::string::npos;
        const std::string outcome = Outcome(f);
        if (bad) {
            if (outcome.rfind("ok", 0) == 0) continue; // a bad file may still read what it can
            EXPECT_NE(outcome.find(": "), std::string::npos) << rel;
            EXPECT_NE(outcome.back(), ' ') << rel << " failed without a message";
        } else if (rel.find("no_cursors") == std::string::npos) {
            EXPECT_EQ(outcome.find("fail"), std::string::npos) << rel << ": " << outcome;
        }
    }
}

} // namespace
} // namespace vex
