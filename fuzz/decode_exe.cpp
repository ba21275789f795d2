#include <string>
#include <vector>

#include "fuzz/FuzzHarness.h"
#include "image/ProgramIcons.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vex::fuzz::Init();
    return 0;
}

// Icon groups of a program or library, each read as the icon file it becomes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<vex::ProgramIconGroup> groups;
    std::string error;
    if (!vex::ReadProgramIcons(data, size, groups, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    for (size_t g = 0; g < groups.size() && g < 4; ++g)
        vex::fuzz::DecodeAs(groups[g].ico.data(), groups[g].ico.size(), vex::TypeIco);
    return 0;
}
