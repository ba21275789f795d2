#pragma once
// Every image operation described once as data: its name, its parameters with
// their ranges and defaults, and how to run it. The command-line tool reads
// this table, and so will the dialogs that offer the operations.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/Raster.h"

namespace vex::proc {

enum class ParamKind {
    Int,        // whole number within [min, max]
    Float,      // number within [min, max]
    Colour,     // #rrggbb or #rrggbbaa (the last byte is the fourth byte)
    IntList,    // comma-separated whole numbers
    ColourList, // comma-separated colours
    Image,      // another image (a file for the tool)
};

struct ParamSpec {
    const char* name;
    ParamKind kind;
    double min;
    double max;
    const char* defaultText; // nullptr: the value must be given
    const char* help;
};

struct ParamValue {
    double number = 0;
    RgbQuad colour;
    std::vector<int32_t> ints;
    std::vector<RgbQuad> colours;
    const Raster* image = nullptr;
};

using OperationRun = bool (*)(Raster& image, const std::vector<ParamValue>& args);

struct OperationSpec {
    const char* name;
    const char* family;
    const char* summary;
    std::vector<ParamSpec> params;
    OperationRun run;
};

// The square kernels the editor offers (rows from the bottom offset upward).
struct KernelPreset {
    const char* name;
    const char* label;
    int32_t size;
    std::vector<int32_t> kernel;
    int32_t divisor;
    int32_t offset;
};

const std::vector<OperationSpec>& Operations();
const OperationSpec* FindOperation(std::string_view name);
const std::vector<KernelPreset>& KernelPresets();

// Reads one parameter from text (not Image, which the caller loads).
// On failure returns false with the reason in error.
bool ParseParam(const ParamSpec& spec, const std::string& text, ParamValue& out, std::string& error);

// The parameter's kind, range and default in one line, for listings.
std::string DescribeParam(const ParamSpec& spec);

} // namespace vex::proc
