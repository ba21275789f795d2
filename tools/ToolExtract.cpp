#include <cstdio>
#include <filesystem>

#include "image/ProgramIcons.h"
#include "image/SafeFile.h"
#include "tools/Tool.h"

namespace vex::tool {

int Extract(const std::string& program, const std::string& outDir)
{
    std::vector<ProgramIconGroup> groups;
    std::string error;
    if (!ReadProgramIcons(program.c_str(), groups, error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(outDir, ec)) {
        std::fprintf(stderr, "%s: not a folder\n", outDir.c_str());
        return 1;
    }
    const std::string name = std::filesystem::path(program).stem().string();
    for (size_t i = 0; i < groups.size(); ++i) {
        const std::string out = (std::filesystem::path(outDir) / (name + "-" + std::to_string(i) + ".ico")).string();
        const auto& bytes = groups[i].ico;
        const auto result = WriteFileSafely(out, [&](std::FILE* file) {
            return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        });
        if (result != SafeWriteResult::Written) {
            std::fprintf(stderr, "%s: cannot write the file\n", out.c_str());
            return 1;
        }
        std::printf("%s\n", out.c_str());
    }
    return 0;
}

} // namespace vex::tool
