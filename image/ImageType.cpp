#include "image/ImageType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace vex {
namespace {

struct TypeRow {
    std::vector<std::string_view> extensions;
    std::string_view description;
    std::string_view pattern;
};

const std::array<TypeRow, kLastImageType + 1>& TypeTable()
{
    static const std::array<TypeRow, kLastImageType + 1> table = {{
        {{}, "", ""},
        {{"bmp", "dib"}, "Bitmaps", ", (*.bmp; *.dib)|"},
        {{"gif"}, "Graphics Interchange Format", ", (*.gif)|"},
        {{"jpg", "jpeg"}, "JPEG File Interchange Format file", ", (*.jpg; *.jpeg)|"},
        {{"png"}, "Portable Network Graphics", ", (*.png)|"},
        {{"ico"}, "Icons", ", (*.ico)|"},
        {{"cur"}, "Cursor", ", (*.cur)|"},
        {{"tiff", "tif"}, "Tagged Image File", ", (*.tif; *.tiff)|"},
        {{"tga"}, "Truevision Targa", ", (*.tga)|"},
        {{"pcx"}, "Paintbrush", ", (*.pcx)|"},
        {{"wbmp"}, "WBMP", ", (*.wbmp)|"},
        {{"emf", "wmf"}, "Windows Metafile/Enhanced Metafile", ", (*.wmf; *.emf)|"},
        {{"jp2", "j2k"}, "JP2", ", (*.jp2; *.j2k)|"},
        {{"j2c", "jpc"}, "JPC", ", (*.jpc; *.j2c)|"},
        {{"pgx"}, "PGX", ", (*.pgx)|"},
        {{"pnm", "pgm", "ppm"}, "PNM", ", (*.pnm; *.pgm; *.ppm)|"},
        {{"ras"}, "RAS", ", (*.ras)|"},
        {{"ani"}, "Animated Cursor", ", (*.ani)|"},
    }};
    return table;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

uint32_t TypeFromName(std::string_view name)
{
    auto dot = name.rfind('.');
    std::string ext = Lower(dot == std::string_view::npos ? name : name.substr(dot + 1));
    struct Pair { std::string_view ext; uint32_t type; };
    static const Pair pairs[] = {
        {"bmp", TypeBmp}, {"ani", TypeAni}, {"cur", TypeCur}, {"jpg", TypeJpg}, {"jpeg", TypeJpg},
        {"gif", TypeGif}, {"png", TypePng}, {"ico", TypeIco}, {"tiff", TypeTif}, {"tif", TypeTif},
        {"tga", TypeTga}, {"pcx", TypePcx}, {"wbmp", TypeWbmp}, {"wmf", TypeWmf}, {"emf", TypeWmf},
        {"jp2", TypeJp2}, {"j2k", TypeJp2}, {"jpc", TypeJpc}, {"j2c", TypeJpc}, {"pgx", TypePgx},
        {"pnm", TypePnm}, {"pgm", TypePnm}, {"ppm", TypePnm}, {"ras", TypeRas},
    };
    for (const auto& p : pairs)
        if (p.ext == ext) return p.type;
    return TypeUnknown;
}

std::string TypeExtension(uint32_t type, int k)
{
    if (type > kLastImageType || k < 0) return {};
    const auto& exts = TypeTable()[type].extensions;
    if (static_cast<size_t>(k) >= exts.size()) return {};
    return std::string(exts[k]);
}

std::string TypeDescription(uint32_t type)
{
    if (type > kLastImageType) return {};
    return std::string(TypeTable()[type].description);
}

std::string FilterEntry(uint32_t type, std::string& allPatterns)
{
    if (type == TypeUnknown || type > kLastImageType) return {};
    const TypeRow& row = TypeTable()[type];
    std::string entry = std::string(row.description) + std::string(row.pattern);
    for (auto ext : row.extensions) {
        std::string pattern = " *." + std::string(ext) + ";";
        entry += pattern;
        allPatterns += pattern;
    }
    entry.back() = '|';
    return entry;
}

std::string FileDialogFilter(int filterIndex)
{
    // Built once; the filter positions below follow this order of entries.
    static const std::string filter = [] {
        std::string all = "All supported formats (*.bmp; *.cur; *.ani etc...)|*.bmp; *.cur; *.ani;";
        std::string entries;
        for (uint32_t t : {1u, 5u, 6u, 17u, 3u, 2u, 4u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 16u, 15u})
            entries += FilterEntry(t, all);
        return all + "|" + entries + "|";
    }();
    if (filterIndex < 0) return filter;
    static const char* const defaults[] = {"bmp", "bmp", "ico", "cur", "ani", "jpg", "gif", "png", "tif",
                                           "tga", "pcx", "wbmp", "wmf", "jp2", "jpc", "pgx", "ras", "pnm"};
    if (static_cast<size_t>(filterIndex) >= std::size(defaults)) return {};
    return defaults[filterIndex];
}

} // namespace vex
