#include "editing/TemplateLibraryFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace vex {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The position words of the library become the numbers the renderer knows.
std::string ValueMacro(std::string value)
{
    static const std::pair<const char*, const char*> kMacros[] = {
        {"{right}", "-2"}, {"{left}", "-1"}, {"{bottom}", "-2"}, {"{top}", "-1"}, {"{center}", "-3"}};
    for (const auto& [from, to] : kMacros)
        if (value == from) return to;
    return value;
}

} // namespace

int32_t LibraryInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = std::min<int64_t>(v * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
    if (negative) v = -v;
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

float LibraryFloat(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double v = 0.0;
    // from_chars ignores the process locale, unlike atof.
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return 0.0f;
    return float(std::clamp(v, -1e30, 1e30));
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to)
{
    if (from.empty()) return text;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

void StoreText(char* field, size_t size, std::string_view text)
{
    size_t n = std::min(text.size(), size - 1);
    // Never leave half of a UTF-8 sequence at the cut.
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), n);
}

std::string FieldText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

TemplateInfo ZeroedTemplateInfo()
{
    TemplateInfo d;
    d.bitsPerPixel = 0;
    d.arrowWidth = 0;
    d.arrowAngle = 0.0f;
    d.arrowPen = 0;
    d.arrowStyle = 0;
    d.font = FontRecord{};
    d.font.height = 0;
    d.font.width = 0;
    d.font.orientation = 0;
    d.font.weight = 0;
    d.transparentTextBackground = 0;
    return d;
}

TemplateLibraryFile::TemplateLibraryFile(std::string_view text)
{
    // Lines before the first section are never read.
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        const std::string_view raw = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        const std::string_view line = Trim(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            // White space inside the brackets belongs to the name.
            sections_.push_back(Section{std::string(line.substr(1, line.size() - 2)), {}});
            index_.emplace(sections_.back().name, sections_.size() - 1);
            continue;
        }
        if (sections_.empty() || line.empty()) continue;
        Section& current = sections_.back();
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            current.lines.emplace_back(std::string(line), std::string(line));
        } else {
            current.lines.emplace_back(std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1))));
        }
    }
}

const TemplateLibraryFile::Section* TemplateLibraryFile::Find(std::string_view section) const
{
    const auto it = index_.find(std::string(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

bool TemplateLibraryFile::HasSection(std::string_view section) const
{
    const Section* s = Find(section);
    return s && !s->lines.empty();
}

std::optional<std::string> TemplateLibraryFile::GetValue(std::string_view section, std::string_view key) const
{
    const Section* s = Find(section);
    if (!s) return std::nullopt;
    for (const auto& [name, value] : s->lines)
        if (name == key) return value;
    return std::nullopt;
}

std::optional<std::string> TemplateLibraryFile::Lookup(const std::string& entry, std::string_view key) const
{
    std::optional<std::string> v = GetValue(entry, key);
    if (!v) v = GetValue("file.default", key);
    if (v) v = ValueMacro(std::move(*v));
    return v;
}

bool TemplateLibraryFile::ReadEntry(int32_t n, TemplateInfo& out) const
{
    const std::string entry = "file." + std::to_string(n);
    if (!HasSection(entry)) return false;
    TemplateInfo d = ZeroedTemplateInfo();
    d.entryNumber = n;
    // Keys in a fixed order; a key missing in the entry and in the defaults leaves 0.
    auto text = [&](std::string_view key, auto& field) {
        if (auto v = Lookup(entry, key)) StoreText(field, *v);
    };
    auto integer = [&](std::string_view key, auto& field, int32_t lo, int32_t hi) {
        if (auto v = Lookup(entry, key)) field = static_cast<std::remove_reference_t<decltype(field)>>(
                                              std::clamp(LibraryInt(*v), lo, hi));
    };
    auto colour = [&](std::string_view key, uint32_t& field) {
        if (auto v = Lookup(entry, key)) field = static_cast<uint32_t>(LibraryInt(*v));
    };
    auto fontByte = [&](std::string_view key, auto& field, int32_t lo, int32_t hi) {
        auto v = Lookup(entry, key);
        if (v && !EqualsNoCase(*v, "{sys.lf.default}"))
            field = static_cast<std::remove_reference_t<decltype(field)>>(std::clamp(LibraryInt(*v), lo, hi));
    };
    const int32_t anyInt = INT32_MIN, anyMax = INT32_MAX;
    text("current.path", d.currentPath);
    text("original.path", d.originalPath);
    text("name", d.name);
    integer("arrow.style", d.arrowStyle, anyInt, anyMax);
    if (auto v = Lookup(entry, "arrow.theta")) d.arrowAngle = LibraryFloat(*v);
    integer("arrow.width", d.arrowWidth, 0, kMaxArrowWidth);
    if (auto v = Lookup(entry, "arrow.fill")) d.arrowFilled = LibraryInt(*v) == 1;
    colour("arrow.fill.cr", d.arrowFillColor);
    colour("arrow.cr", d.arrowColor);
    integer("arrow.pen", d.arrowPen, 0, kMaxArrowPen);
    integer("template.w", d.width, 0, kMaxTemplateSide);
    integer("template.h", d.height, 0, kMaxTemplateSide);
    colour("template.cr", d.fillColor);
    colour("template.boder.cr", d.borderColor);
    integer("template.x", d.x, -kMaxTemplatePosition, kMaxTemplatePosition);
    integer("template.y", d.y, -kMaxTemplatePosition, kMaxTemplatePosition);
    colour("template.bk.cr", d.backgroundColor);
    integer("template.style", d.style, anyInt, anyMax);
    integer("text.padding.w", d.paddingWidth, -kMaxTemplateSide, kMaxTemplateSide);
    integer("text.padding.h", d.paddingHeight, -kMaxTemplateSide, kMaxTemplateSide);
    if (auto v = Lookup(entry, "template.bpp")) {
        const int32_t bpp = LibraryInt(*v);
        d.bitsPerPixel = bpp <= 3 ? 1 : bpp <= 7 ? 4 : bpp < 24 ? 8 : 24;
    }
    text("text.font.FaceName", d.font.faceName);
    fontByte("text.font.CharSet", d.font.charSet, 0, 255);
    fontByte("text.font.StrikeOut", d.font.strikeOut, 0, 255);
    fontByte("text.font.Underline", d.font.underline, 0, 255);
    fontByte("text.font.Italic", d.font.italic, 0, 255);
    fontByte("text.font.Weight", d.font.weight, 0, kMaxFontWeight);
    out = d;
    return true;
}

} // namespace vex
