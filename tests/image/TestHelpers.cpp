#include "image/TestHelpers.h"

#include <filesystem>

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

} // namespace vex::test
