#pragma once
// Small fixtures shared by the image tests.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "image/Raster.h"

namespace vex::test {

// Little-endian byte builder for hand-made file fixtures.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& u8(uint32_t x)
    {
        v.push_back(static_cast<uint8_t>(x));
        return *this;
    }
    Bytes& u16(uint32_t x) { return u8(x).u8(x >> 8); }
    Bytes& u32(uint32_t x) { return u16(x).u16(x >> 16); }
    Bytes& raw(const std::vector<uint8_t>& b)
    {
        v.insert(v.end(), b.begin(), b.end());
        return *this;
    }
    Bytes& zeros(size_t n)
    {
        v.insert(v.end(), n, 0);
        return *this;
    }
    size_t size() const { return v.size(); }
};

// The colour of every pixel, bottom row first, as red-green-blue triples.
inline std::vector<uint8_t> RgbPixels(const Raster& img)
{
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < img.GetHeight(); ++y)
        for (uint32_t x = 0; x < img.GetWidth(); ++x) {
            const RgbQuad c = img.GetPixelColor(x, y);
            out.insert(out.end(), {c.red, c.green, c.blue});
        }
    return out;
}

// The bytes an image encodes to as the given type; empty when encoding fails.
inline std::vector<uint8_t> EncodeBytes(Raster& img, uint32_t type)
{
    MemoryStream s;
    if (!img.Encode(&s, type)) return {};
    return std::vector<uint8_t>(s.GetBuffer(), s.GetBuffer() + s.Size());
}

// A fresh empty folder under the test's temporary directory.
std::string MakeTempDir(const std::string& name);

// A sample set as data: the list file holds one line per file, its path
// relative to root, a tab and its expected outcome. Each file's outcome must
// match its line; with VEXMIRA_REGENERATE_CORPUS set the list is rewritten
// instead (review the diff). Returns the outcomes seen, by relative path.
bool RegeneratingCorpus();
std::map<std::string, std::string> CheckCorpusList(const std::filesystem::path& root,
                                                   const std::vector<std::filesystem::path>& files,
                                                   const std::string& list,
                                                   const std::function<std::string(const std::filesystem::path&)>& outcome);

} // namespace vex::test
