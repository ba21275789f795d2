// The bitmap sample sets as data: every file's expected outcome (decodes, with
// its size, depth and a checksum of its pixel block; or fails, with the message) is
// listed in tests/data/bmp_corpus.tsv. Set VEXMIRA_REGENERATE_CORPUS=1 to
// rewrite the list after a deliberate change, and review the diff.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

const char* kList = VEXMIRA_TEST_DATA_DIR "/bmp_corpus.tsv";

std::string Outcome(const fs::path& file)
{
    Raster img;
    const std::string name = file.filename().string();
    if (!img.Load(file.string().c_str(), TypeFromName(name))) return std::string("fail\t") + img.GetLastError();
    // The whole pixel block: header, palette and rows.
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint64_t i = 0; i < img.GetSize(); ++i) hash = (hash ^ img.GetDIB()[i]) * 0x100000001b3ull;
    char line[128];
    std::snprintf(line, sizeof line, "ok\t%ux%u\t%u\t%016llx", img.GetWidth(), img.GetHeight(),
                  unsigned{img.GetBpp()}, static_cast<unsigned long long>(hash));
    return line;
}

std::vector<fs::path> CorpusFiles()
{
    std::vector<fs::path> files;
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR) / "bmp";
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        const std::string ext = e.path().extension().string();
        if (ext == ".png" || ext == ".html" || ext == ".txt" || ext == ".jpg") continue; // references and notes
        files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(BmpCorpus, EveryFileHasItsExpectedOutcome)
{
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR);
    if (!fs::exists(root / "bmp")) GTEST_SKIP() << "no corpus at " << root;
    const auto files = CorpusFiles();
    ASSERT_FALSE(files.empty());

    test::CheckCorpusList(root, files, kList, Outcome);
    if (test::RegeneratingCorpus()) GTEST_SKIP() << "rewrote " << kList;
}

} // namespace
} // namespace vex
