#include "image/TestHelpers.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace vex::test {

std::string MakeTempDir(const std::string& name)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = std::string(info->test_suite_name()) + "." + info->name() + "." + name;
    for (char& c : leaf)
        if (c == '/') c = '_';
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "vexmira-tests" / leaf;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

bool RegeneratingCorpus()
{
    return std::getenv("VEXMIRA_REGENERATE_CORPUS") != nullptr;
}

std::map<std::string, std::string> CheckCorpusList(const std::filesystem::path& root,
                                                   const std::vector<std::filesystem::path>& files,
                                                   const std::string& list,
                                                   const std::function<std::string(const std::filesystem::path&)>& outcome)
{
    std::map<std::string, std::string> seen;
    if (RegeneratingCorpus()) {
        std::ofstream out(list);
        for (const auto& f : files) out << std::filesystem::relative(f, root).string() << '\t' << outcome(f) << '\n';
        return seen;
    }
    std::map<std::string, std::string> expected;
    std::ifstream in(list);
    if (!in) {
        ADD_FAILURE() << "missing " << list;
        return seen;
    }
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        if (tab != std::string::npos) expected[line.substr(0, tab)] = line.substr(tab + 1);
    }
    for (const auto& f : files) {
        const std::string rel = std::filesystem::relative(f, root).string();
        const std::string got = outcome(f);
        seen[rel] = got;
        auto it = expected.find(rel);
        if (it == expected.end()) {
            ADD_FAILURE() << rel << " is not listed in " << list;
            continue;
        }
        EXPECT_EQ(got, it->second) << rel;
    }
    return seen;
}

} // namespace vex::test
