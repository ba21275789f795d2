#pragma once
// The INI-style text of the template library: sections in square brackets,
// "name = value" lines, and the conversion of one entry into a TemplateInfo.
// No file system and no Qt here; TemplateLibrary reads the file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "editing/TemplateInfo.h"

namespace vex {

// Largest library file read; the file is a short hand-written list.
inline constexpr uint64_t kMaxTemplateFileBytes = 16ull * 1024 * 1024;
// Most entries the tool bar enumerates.
inline constexpr int32_t kMaxTemplateEntries = 10000;
// Bounds for library values that size what the renderer allocates or draws.
inline constexpr int32_t kMaxTemplateSide = 4096;
inline constexpr int32_t kMaxTemplatePosition = 262144;
inline constexpr int32_t kMaxArrowWidth = 1024;
inline constexpr int32_t kMaxArrowPen = 64;
inline constexpr int32_t kMaxFontWeight = 1000;

class TemplateLibraryFile {
public:
    explicit TemplateLibraryFile(std::string_view text);

    // Present only when at least one line follows the header before the next
    // section or the end of the text.
    bool HasSection(std::string_view section) const;
    // The value of the first `key` line of the first section named `section`.
    std::optional<std::string> GetValue(std::string_view section, std::string_view key) const;

    // Entry n ("file.n") with "file.default" for every key it lacks, into a
    // zeroed description whose entry number is n. False when the entry is not present.
    bool ReadEntry(int32_t n, TemplateInfo& out) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> lines;
    };
    const Section* Find(std::string_view section) const;
    std::optional<std::string> Lookup(const std::string& entry, std::string_view key) const;

    std::vector<Section> sections_;
    // First section of each name.
    std::unordered_map<std::string, size_t> index_;
};

// A description with every field 0 (the layer defaults of TemplateInfo are not
// what a library entry starts from).
TemplateInfo ZeroedTemplateInfo();

// C-runtime style conversions: leading white space, sign, digits up to the
// first other character; 0 when there are none. Saturates instead of overflowing.
int32_t LibraryInt(std::string_view text);
float LibraryFloat(std::string_view text);

// Every occurrence of `from` replaced by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

// Stores text into a fixed field, cut to size - 1 bytes at a character boundary.
void StoreText(char* field, size_t size, std::string_view text);
template <size_t N>
void StoreText(std::array<char, N>& field, std::string_view text)
{
    StoreText(field.data(), N, text);
}

std::string FieldText(const char* field, size_t size);
template <size_t N>
std::string FieldText(const std::array<char, N>& field)
{
    return FieldText(field.data(), N);
}

} // namespace vex
