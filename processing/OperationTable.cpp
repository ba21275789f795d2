#include "processing/OperationTable.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "image/Limits.h"

namespace vex::proc {
namespace {

constexpr double kSide = static_cast<double>(kMaxSide);
constexpr double kBig = 2147483647.0;

int32_t I(const std::vector<ParamValue>& a, size_t i)
{
    return static_cast<int32_t>(a[i].number);
}

float F(const std::vector<ParamValue>& a, size_t i)
{
    return static_cast<float>(a[i].number);
}

bool RunPreset(Raster& img, const char* name)
{
    for (const auto& p : KernelPresets())
        if (std::string_view(p.name) == name) return img.KernelFilter(p.kernel.data(), p.size, p.divisor, p.offset);
    return false;
}

#define VEX_PRESET(NAME) \
    { NAME, "filter", "square kernel preset", {}, [](Raster& m, const std::vector<ParamValue>&) { return RunPreset(m, NAME); } }

std::vector<OperationSpec> BuildTable()
{
    using K = ParamKind;
    using A = const std::vector<ParamValue>&;
    return {
        // ---- geometric transforms ----
        {"Rotate", "geometry", "turn by any angle; the image grows to the turned bounding box",
         {{"angle", K::Float, -360, 360, "90", "degrees, positive turns clockwise"}},
         [](Raster& m, A a) { return m.Rotate(F(a, 0)); }},
        {"RotateLeft", "geometry", "quarter turn counter-clockwise", {}, [](Raster& m, A) { return m.RotateLeft(); }},
        {"RotateRight", "geometry", "quarter turn clockwise", {}, [](Raster& m, A) { return m.RotateRight(); }},
        {"Mirror", "geometry", "left-right reversal", {}, [](Raster& m, A) { return m.Mirror(); }},
        {"Flip", "geometry", "top-bottom reversal", {}, [](Raster& m, A) { return m.Flip(); }},
        {"Resize", "geometry", "new size with 0 bilinear, 1 nearest pixel, 2 bicubic",
         {{"width", K::Int, 1, kSide, "100", "new width"},
          {"height", K::Int, 1, kSide, "100", "new height"},
          {"method", K::Int, 0, 2, "0", "0 Bilinear, 1 NearestPixel, 2 Bicubic"}},
         [](Raster& m, A a) { return m.Resize(I(a, 0), I(a, 1), I(a, 2)); }},
        {"Crop", "geometry", "keep a rectangle (edges from the left and from the top)",
         {{"left", K::Int, -kSide, kSide, "0", "left edge"},
          {"top", K::Int, -kSide, kSide, "0", "top edge"},
          {"right", K::Int, -kSide, kSide, "16", "right edge (excluded)"},
          {"bottom", K::Int, -kSide, kSide, "16", "bottom edge (excluded)"}},
         [](Raster& m, A a) { return m.Crop(I(a, 0), I(a, 1), I(a, 2), I(a, 3)); }},
        {"ExpandCanvas", "geometry", "centre the image on a larger canvas",
         {{"width", K::Int, 1, kSide, "64", "new width"},
          {"height", K::Int, 1, kSide, "64", "new height"},
          {"colour", K::Colour, 0, 0, "#000000", "fill colour (24-bit images)"},
          {"alpha", K::Int, 0, 255, "0", "fill alpha"},
          {"index", K::Int, 0, 255, "0", "fill index (paletted images)"}},
         [](Raster& m, A a) {
             return m.ExpandCanvas(I(a, 0), I(a, 1), a[2].colour, static_cast<uint8_t>(I(a, 3)),
                                   static_cast<uint8_t>(I(a, 4)));
         }},
        {"Mix", "geometry", "place another image over this one",
         {{"source", K::Image, 0, 0, nullptr, "the image placed on top"},
          {"x", K::Int, -kSide, kSide, "0", "column offset into the source"},
          {"y", K::Int, -kSide, kSide, "0", "row offset into the source"}},
         [](Raster& m, A a) { return a[0].image && m.Mix(*a[0].image, I(a, 1), I(a, 2)); }},
        // ---- colour ----
        {"GrayScale", "colour", "8-bit grey image", {}, [](Raster& m, A) { return m.GrayScale(); }},
        {"Negative", "colour", "invert colours", {}, [](Raster& m, A) { return m.Negative(); }},
        {"Light", "colour", "brightness and contrast",
         {{"brightness", K::Int, -255, 255, "20", "added to every channel"},
          {"contrast", K::Int, -100, 1000, "0", "percent change of contrast"}},
         [](Raster& m, A a) { return m.Light(I(a, 0), I(a, 1)); }},
        {"Gamma", "colour", "gamma correction",
         {{"gamma", K::Float, 0.001, 100, "1.0", "gamma (values above 1 lighten)"}},
         [](Raster& m, A a) { return m.Gamma(F(a, 0)); }},
        {"Threshold", "colour", "1-bit black and white by grey level",
         {{"level", K::Int, 0, 255, "128", "greys above it become white"}},
         [](Raster& m, A a) { return m.Threshold(static_cast<uint8_t>(I(a, 0))); }},
        {"Colorize", "colour", "set hue and saturation",
         {{"hue", K::Int, 0, 255, "0", "hue byte"}, {"saturation", K::Int, 0, 255, "128", "saturation byte"}},
         [](Raster& m, A a) { return m.Colorize(static_cast<uint8_t>(I(a, 0)), static_cast<uint8_t>(I(a, 1))); }},
        {"ColorizeRGB", "colour", "shift red, green and blue",
         {{"red", K::Int, -255, 255, "0", "red shift"},
          {"green", K::Int, -255, 255, "0", "green shift"},
          {"blue", K::Int, -255, 255, "0", "blue shift"}},
         [](Raster& m, A a) { return m.ColorizeRGB(I(a, 0), I(a, 1), I(a, 2)); }},
        {"PseudoColors", "colour", "rainbow palette (paletted images only)",
         {{"correction", K::Float, 0, 10, "1.0", "hue spread"}},
         [](Raster& m, A a) {
             m.PseudoColors(F(a, 0));
             return m.IsValid();
         }},
        {"ReplaceColors", "colour", "replace colours exactly matched",
         {{"colours", K::ColourList, 0, 0, nullptr, "from,to,from,to,..."}},
         [](Raster& m, A a) {
             m.ReplaceColors(a[0].colours.data(), static_cast<int32_t>(a[0].colours.size()));
             return m.IsValid();
         }},
        // ---- tone ----
        {"HistogramStretch", "tone", "stretch grey range to 0..255", {}, [](Raster& m, A) { return m.HistogramStretch(); }},
        {"HistogramEqualize", "tone", "equalise the grey histogram", {}, [](Raster& m, A) { return m.HistogramEqualize(); }},
        {"HistogramNormalize", "tone", "stretch between the 1% tails", {}, [](Raster& m, A) { return m.HistogramNormalize(); }},
        {"HistogramLog", "tone", "logarithmic grey curve", {}, [](Raster& m, A) { return m.HistogramLog(); }},
        {"HistogramRoot", "tone", "square-root grey curve", {}, [](Raster& m, A) { return m.HistogramRoot(); }},
        // ---- neighbourhood filters ----
        {"KernelFilter", "filter", "square kernel",
         {{"size", K::Int, 1, 63, "3", "window side K"},
          {"kernel", K::IntList, 0, 0, "0,0,0,0,1,0,0,0,0", "K*K weights, bottom row first"},
          {"divisor", K::Int, -kBig, kBig, "1", "0 means no division"},
          {"offset", K::Int, -kBig, kBig, "0", "added after division"}},
         [](Raster& m, A a) {
             const auto k = static_cast<size_t>(I(a, 0));
             if (a[1].ints.size() != k * k) return false;
             return m.KernelFilter(a[1].ints.data(), I(a, 0), I(a, 2), I(a, 3));
         }},
        VEX_PRESET("Blur"),
        VEX_PRESET("Emboss"),
        VEX_PRESET("Soften"),
        VEX_PRESET("Sharpen"),
        VEX_PRESET("Edge"),
        VEX_PRESET("Gaussian2x2"),
        VEX_PRESET("Gaussian3x3"),
        VEX_PRESET("Gaussian5x5"),
        VEX_PRESET("Gaussian7x7"),
        {"Median", "filter", "median by grey", {{"size", K::Int, 1, 63, "3", "window side"}},
         [](Raster& m, A a) { return m.Median(I(a, 0)); }},
        {"Erode", "filter", "per-channel minimum", {{"size", K::Int, 1, 63, "2", "window side"}},
         [](Raster& m, A a) { return m.Erode(I(a, 0)); }},
        {"Dilate", "filter", "per-channel maximum", {{"size", K::Int, 1, 63, "2", "window side"}},
         [](Raster& m, A a) { return m.Dilate(I(a, 0)); }},
        {"Contour", "filter", "outline by brighter neighbours", {}, [](Raster& m, A) { return m.Contour(); }},
        {"Jitter", "filter", "move pixels randomly", {{"radius", K::Int, 0, 1000, "2", "largest move"}},
         [](Raster& m, A a) { return m.Jitter(I(a, 0)); }},
        {"Noise", "filter", "add random noise", {{"level", K::Int, 0, 1000, "50", "noise spread"}},
         [](Raster& m, A a) { return m.Noise(I(a, 0)); }},
        // ---- depth (image core), listed so batch runs can reduce colours ----
        {"DecreaseBpp", "depth", "fewer bits per pixel with a standard palette",
         {{"bpp", K::Int, 1, 8, "8", "1, 4 or 8"}, {"diffusion", K::Int, 0, 1, "1", "1: error diffusion"}},
         [](Raster& m, A a) { return m.DecreaseBpp(static_cast<uint32_t>(I(a, 0)), I(a, 1) != 0); }},
    };
}

bool ParseNumber(const std::string& text, double& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && !errno && end && *end == 0 && std::isfinite(out);
}

bool ParseColour(const std::string& text, RgbQuad& out)
{
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return false;
    for (size_t i = 1; i < text.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    uint8_t b[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < (text.size() - 1) / 2; ++i)
        b[i] = static_cast<uint8_t>(std::strtoul(text.substr(1 + 2 * i, 2).c_str(), nullptr, 16));
    out = MakeRgb(b[0], b[1], b[2], b[3]);
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

const char* KindName(ParamKind k)
{
    switch (k) {
    case ParamKind::Int: return "int";
    case ParamKind::Float: return "float";
    case ParamKind::Colour: return "colour";
    case ParamKind::IntList: return "int list";
    case ParamKind::ColourList: return "colour list";
    case ParamKind::Image: return "image file";
    }
    return "?";
}

} // namespace

const std::vector<KernelPreset>& KernelPresets()
{
    static const std::vector<KernelPreset> presets = {
        {"Blur", "Blur", 3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 0},
        {"Emboss", "Embross", 3, {0, 0, -1, 0, 0, 0, 1, 0, 0}, 0, 127},
        {"Soften", "Soften", 3, {1, 1, 1, 1, 8, 1, 1, 1, 1}, 16, 0},
        {"Sharpen", "Sharpen", 3, {-1, -1, -1, -1, 15, -1, -1, -1, -1}, 7, 0},
        {"Edge", "Edge", 3, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, -1, 255},
        {"Gaussian2x2", "Gaussian", 2, {1, 1, 1, 1}, 4, 0},
        {"Gaussian3x3", "Gaussian", 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0},
        {"Gaussian5x5", "Gaussian", 5, {0, 1, 2, 1, 0, 1, 3, 4, 3, 1, 2, 4, 8, 4, 2, 1, 3, 4, 3, 1, 0, 1, 2, 1, 0}, 52, 0},
        {"Gaussian7x7", "Gaussian", 7,
         {0,  5,  13,  16,  13,  5,  0,  5,  25, 52, 64, 52, 25, 5,  13, 52, 102, 126, 102, 52, 13, 16, 64, 126, 156,
          126, 64, 16, 13, 52, 102, 126, 102, 52, 13, 5, 25, 52, 64, 52, 25, 5, 0, 5, 13, 16, 13, 5, 0},
         2048, 0},
    };
    return presets;
}

const std::vector<OperationSpec>& Operations()
{
    static const std::vector<OperationSpec> table = BuildTable();
    return table;
}

const OperationSpec* FindOperation(std::string_view name)
{
    for (const auto& op : Operations())
        if (name == op.name) return &op;
    return nullptr;
}

bool ParseParam(const ParamSpec& spec, const std::string& text, ParamValue& out, std::string& error)
{
    switch (spec.kind) {
    case ParamKind::Int:
    case ParamKind::Float: {
        double v = 0;
        if (!ParseNumber(text, v) || (spec.kind == ParamKind::Int && v != std::trunc(v))) {
            error = std::string(spec.name) + " needs " + (spec.kind == ParamKind::Int ? "a whole number" : "a number");
            return false;
        }
        if (v < spec.min || v > spec.max) {
            error = std::string(spec.name) + " is out of range (" + DescribeParam(spec) + ")";
            return false;
        }
        out.number = v;
        return true;
    }
    case ParamKind::Colour:
        if (!ParseColour(text, out.colour)) {
            error = std::string(spec.name) + " needs a colour #rrggbb or #rrggbbaa";
            return false;
        }
        return true;
    case ParamKind::IntList:
        out.ints.clear();
        for (const auto& part : SplitCommas(text)) {
            double v = 0;
            if (!ParseNumber(part, v) || v != std::trunc(v) || std::fabs(v) > kBig) {
                error = std::string(spec.name) + " needs comma-separated whole numbers";
                return false;
            }
            out.ints.push_back(static_cast<int32_t>(v));
        }
        return true;
    case ParamKind::ColourList:
        out.colours.clear();
        for (const auto& part : SplitCommas(text)) {
            RgbQuad c;
            if (!ParseColour(part, c)) {
                error = std::string(spec.name) + " needs comma-separated colours #rrggbb";
                return false;
            }
            out.colours.push_back(c);
        }
        return true;
    case ParamKind::Image: error = std::string(spec.name) + " is an image, loaded by the caller"; return false;
    }
    return false;
}

std::string DescribeParam(const ParamSpec& spec)
{
    char buf[160];
    if (spec.kind == ParamKind::Int || spec.kind == ParamKind::Float)
        std::snprintf(buf, sizeof buf, "%s %s %g..%g", spec.name, KindName(spec.kind), spec.min, spec.max);
    else std::snprintf(buf, sizeof buf, "%s %s", spec.name, KindName(spec.kind));
    std::string s = buf;
    s += spec.defaultText ? std::string(" default ") + spec.defaultText : std::string(" required");
    return s;
}

} // namespace vex::proc
