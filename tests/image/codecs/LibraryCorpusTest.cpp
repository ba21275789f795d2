// The JPEG, TIFF, JPEG-2000, PNM and Sun raster sample sets as data: every
// file's expected outcome (decodes, with its size, depth, frame count and a
// checksum of its pixel block; or fails, with the message) is listed in
// tests/data/<set>_corpus.tsv. Set VEXMIRA_REGENERATE_CORPUS=1 to rewrite the
// lists after a deliberate change, and review the diff.

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
    const char* list;
};

std::string Outcome(const fs::path& file)
{
    Raster img;
    const std::string name = file.filename().string();
    const uint32_t type = TypeFromName(name);
    img.SetType(type);
    if (!img.Load(file.string().c_str(), type)) return std::string("fail\t") + img.GetLastError();
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint64_t i = 0; i < img.GetSize(); ++i) hash = (hash ^ img.GetDIB()[i]) * 0x100000001b3ull;
    if (img.AlphaIsValid())
        for (uint64_t i = 0; i < uint64_t{img.GetWidth()} * img.GetHeight(); ++i)
            hash = (hash ^ img.AlphaGetPointer()[i]) * 0x100000001b3ull;
    char line[160];
    std::snprintf(line, sizeof line, "ok\t%ux%u\t%u%s\t%d\t%016llx", img.GetWidth(), img.GetHeight(),
                  unsigned{img.GetBpp()}, img.AlphaIsValid() ? "+a" : "", img.GetNumFrames(),
                  static_cast<unsigned long long>(hash));
    return line;
}

std::vector<fs::path> CorpusFiles(const fs::path& root)
{
    static const char* const kNotSamples[] = {".png", ".html", ".txt", ".md", ".json", ".py", ""};
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        const std::string ext = e.path().extension().string();
        if (std::find_if(std::begin(kNotSamples), std::end(kNotSamples),
                         [&](const char* x) { return ext == x; }) != std::end(kNotSamples))
            continue;
        files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class LibraryCorpus : public ::testing::TestWithParam<CorpusSet> {};

TEST_P(LibraryCorpus, EveryFileHasItsExpectedOutcome)
{
    const CorpusSet set = GetParam();
    const fs::path root = fs::path(VEXMIRA_CORPUS_DIR);
    if (!fs::exists(root / set.folder)) GTEST_SKIP() << "no corpus at " << root;
    const auto files = CorpusFiles(root / set.folder);
    ASSERT_FALSE(files.empty());
    const std::string list = std::string(VEXMIRA_TEST_DATA_DIR) + "/" + set.list;

    test::CheckCorpusList(root, files, list, Outcome);
    if (test::RegeneratingCorpus()) GTEST_SKIP() << "rewrote " << list;
}

INSTANTIATE_TEST_SUITE_P(Sets, LibraryCorpus,
                         ::testing::Values(CorpusSet{"jpeg", "jpeg_corpus.tsv"}, CorpusSet{"tiff", "tiff_corpus.tsv"}, CorpusSet{"jp2", "jp2_corpus.tsv"},
                                           CorpusSet{"pnm", "pnm_corpus.tsv"}, CorpusSet{"ras", "ras_corpus.tsv"}),
                         [](const auto& info) { return std::string(info.param.folder); });

} // namespace
} // namespace vex
