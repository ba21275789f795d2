// The metafile sample sets as data: every file's expected outcome (renders,
// with its size and a checksum of its pixels; or fails, with the message) is
// listed in tests/data/metafile_corpus.tsv. Set VEXMIRA_REGENERATE_CORPUS=1 to
// rewrite the list after a deliberate change, and review the diff.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "image/Raster.h"
#include "image/TestHelpers.h"
#include "image/codecs/metafile/RasterWMF.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

const char* kList = VEXMIRA_TEST_DATA_DIR "/metafile_corpus.tsv";

std::string Outcome(const fs::path& file)
{
    Raster img;
    if (!img.Load(file.string().c_str(), TypeWmf)) return std::string("fail\t") + img.GetLastError();
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint64_t i = 0; i < img.GetSize(); ++i) hash = (hash ^ img.GetDIB()[i]) * 0x100000001b3ull;
    char line[128];
    std::snprintf(line, sizeof line, "ok\t%ux%u\t%u\t%016llx", img.GetWidth(), img.GetHeight(),
                  unsigned{img.GetBpp()}, static_cast<unsigned long long>(hash));
    return line;
}

std::vector<fs::path> CorpusFiles(const fs::path& root)
{
    std::vector<fs::path> files;
    for (const char* set : {"wmf", "emf"}) {
        if (!fs::exists(root / set)) continue;
        for (const auto& e : fs::recursive_directory_iterator(root / set)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".wmf" || ext == ".emf")) files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(MetafileCorpus, EveryFileHasItsExpectedOutcome)
{
    RegisterMetafileCodec();
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR);
    if (!fs::exists(root / "wmf")) GTEST_SKIP() << "no corpus at " << root;
    const auto files = CorpusFiles(root);
    ASSERT_FALSE(files.empty());

    const auto seen = test::CheckCorpusList(root, files, kList, Outcome);
    if (test::RegeneratingCorpus()) GTEST_SKIP() << "rewrote " << kList;
    int good = 0, rendered = 0;
    for (const auto& [rel, got] : seen) {
        const bool damaged = rel.find("corrupted") != std::string::npos || rel.find("vuln") != std::string::npos;
        if (damaged) continue;
        ++good;
        if (got.rfind("ok", 0) == 0) ++rendered;
    }
    ASSERT_EQ(seen.size(), files.size());
    // Good samples render; only the two that give no size (an empty bounds
    // rectangle, a plain file without a window) may fail.
    EXPECT_GE(rendered, good - 2);
}

} // namespace
} // namespace vex
