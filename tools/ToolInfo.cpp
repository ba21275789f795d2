#include <cstdio>
#include <string>

#include "image/ImageType.h"
#include "image/ProgramIcons.h"
#include "tools/Tool.h"

namespace vex::tool {
namespace {

bool IsValidUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

// A JSON string; text that is not UTF-8 is read as Latin-1.
std::string JsonString(const std::string& s)
{
    const bool utf8 = IsValidUtf8(s);
    std::string out = "\"";
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        char buf[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string TypeName(uint32_t type)
{
    const std::string d = TypeDescription(type);
    return d.empty() ? "unknown" : d;
}

void PrintJson(const std::string& path, const std::vector<Raster>& frames)
{
    const Raster& first = frames.front();
    std::printf("{\"file\": %s, \"type\": %u, \"type_name\": %s, \"frame_count\": %zu, \"frames\": [",
                JsonString(path).c_str(), first.GetType(), JsonString(TypeName(first.GetType())).c_str(),
                frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        const Raster& f = frames[i];
        const RgbQuad tc = f.GetTransColor();
        const RasterRect r = f.GetFrameRect();
        std::printf("%s{\"index\": %zu, \"width\": %u, \"height\": %u, \"bpp\": %u, \"colors_used\": %u, "
                    "\"transparent_index\": %d, \"transparent_color\": [%u, %u, %u, %u], \"has_alpha\": %s, "
                    "\"hotspot\": [%u, %u], \"delay\": %u, \"dpi\": [%d, %d], \"offset\": [%d, %d], "
                    "\"frame_rect\": [%d, %d, %d, %d], \"comment\": %s}",
                    i ? ", " : "", i, f.GetWidth(), f.GetHeight(), unsigned{f.GetBpp()}, f.GetNumColors(),
                    f.GetTransIndex(), tc.red, tc.green, tc.blue, tc.reserved, f.AlphaIsValid() ? "true" : "false",
                    f.GetHotspotX(), f.GetHotspotY(), f.GetFrameDelay(), f.GetXDPI(), f.GetYDPI(), f.GetXOffset(),
                    f.GetYOffset(), r.left, r.top, r.right, r.bottom, JsonString(f.GetComment()).c_str());
    }
    std::printf("]}\n");
}

void PrintText(const std::string& path, const std::vector<Raster>& frames)
{
    const Raster& first = frames.front();
    std::printf("%s: type %u (%s), %zu frame%s\n", path.c_str(), first.GetType(), TypeName(first.GetType()).c_str(),
                frames.size(), frames.size() == 1 ? "" : "s");
    for (size_t i = 0; i < frames.size(); ++i) {
        const Raster& f = frames[i];
        const RgbQuad tc = f.GetTransColor();
        const RasterRect r = f.GetFrameRect();
        std::printf("  frame %zu: %u x %u, %u bpp, %u colours used\n", i, f.GetWidth(), f.GetHeight(),
                    unsigned{f.GetBpp()}, f.GetNumColors());
        std::printf("    transparent index %d, transparent colour #%02X%02X%02X%02X, alpha plane %s\n",
                    f.GetTransIndex(), tc.red, tc.green, tc.blue, tc.reserved, f.AlphaIsValid() ? "yes" : "no");
        std::printf("    hotspot (%u, %u), delay %u, dpi %d x %d, offset (%d, %d), frame rect (%d, %d, %d, %d)\n",
                    f.GetHotspotX(), f.GetHotspotY(), f.GetFrameDelay(), f.GetXDPI(), f.GetYDPI(), f.GetXOffset(),
                    f.GetYOffset(), r.left, r.top, r.right, r.bottom);
        if (f.GetComment()[0]) std::printf("    comment: %s\n", f.GetComment());
    }
}

} // namespace

bool LoadAllFrames(const std::string& path, uint32_t type, std::vector<Raster>& frames, std::string& error)
{
    frames.clear();
    Raster first(type);
    if (!first.Load(path.c_str(), type)) {
        error = first.GetLastError()[0] ? first.GetLastError() : "cannot open the file";
        return false;
    }
    const int count = first.GetNumFrames() > 1 ? first.GetNumFrames() : 1;
    const uint32_t actual = first.GetType();
    frames.push_back(std::move(first));
    for (int i = 1; i < count; ++i) {
        Raster frame(actual);
        frame.SetFrame(i);
        if (!frame.Load(path.c_str(), actual)) {
            error = "frame " + std::to_string(i) + ": " + frame.GetLastError();
            return false;
        }
        frames.push_back(std::move(frame));
    }
    return true;
}

// Programs and libraries: the icon groups they hold, each with its images.
bool PrintProgramInfo(const std::string& path, bool json)
{
    std::vector<ProgramIconGroup> groups;
    std::string error;
    if (!ReadProgramIcons(path.c_str(), groups, error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (json) std::printf("{\"file\": %s, \"type\": 0, \"icon_groups\": [", JsonString(path).c_str());
    else std::printf("%s: program or library, %zu icon group%s\n", path.c_str(), groups.size(), groups.size() == 1 ? "" : "s");
    for (size_t g = 0; g < groups.size(); ++g) {
        Raster first;
        const bool ok = first.LoadResource(groups[g].ico.data(), groups[g].ico.size(), TypeIco);
        const int count = ok ? first.GetNumFrames() : 0;
        if (json) std::printf("%s{\"index\": %zu, \"name\": %s, \"images\": [", g ? ", " : "", g, JsonString(groups[g].name).c_str());
        else std::printf("  group %zu (%s): %d image%s\n", g, groups[g].name.c_str(), count, count == 1 ? "" : "s");
        for (int i = 0; i < count; ++i) {
            Raster img;
            img.SetFrame(i);
            if (!img.LoadResource(groups[g].ico.data(), groups[g].ico.size(), TypeIco)) continue;
            if (json) std::printf("%s[%u, %u, %u]", i ? ", " : "", img.GetWidth(), img.GetHeight(), unsigned{img.GetBpp()});
            else std::printf("    image %d: %u x %u, %u bpp\n", i, img.GetWidth(), img.GetHeight(), unsigned{img.GetBpp()});
        }
        if (json) std::printf("]}");
    }
    if (json) std::printf("]}\n");
    return true;
}

bool PrintInfo(const std::string& path, bool json)
{
    if (IsProgramFileName(path)) return PrintProgramInfo(path, json);
    std::vector<Raster> frames;
    std::string error;
    if (!LoadAllFrames(path, TypeFromName(path), frames, error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (json) PrintJson(path, frames);
    else PrintText(path, frames);
    return true;
}

} // namespace vex::tool
