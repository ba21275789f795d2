#pragma once
// Files for the browser tests, made by the tests themselves: pictures,
// icons with several sizes, programs with icon resources, and a helper that
// lets the event loop run until something happened (bounded, never timed).

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QThread>

#include "image/ByteStream.h"
#include "image/ImageType.h"
#include "image/ProgramFixtures.h"
#include "image/Raster.h"
#include "image/TestHelpers.h"
#include "image/codecs/RasterICO.h"

namespace vex::test {

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A w x h 24-bit picture of one colour.
inline Raster SolidPicture(uint32_t w, uint32_t h, uint8_t red, uint8_t green, uint8_t blue)
{
    Raster img;
    img.Create(w, h, 24, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.SetPixelColor(x, y, RgbQuad{blue, green, red, 0});
    return img;
}

inline std::vector<uint8_t> PictureBytes(uint32_t type, uint32_t side, uint8_t red)
{
    Raster img = SolidPicture(side, side, red, 10, 20);
    return EncodeBytes(img, type);
}

// The image block of a one-entry icon file of that side and red level.
inline std::vector<uint8_t> IconBlockOf(uint32_t side, uint8_t red)
{
    const auto ico = PictureBytes(TypeIco, side, red);
    MemoryStream s(ico.data(), ico.size());
    uint16_t dirType = 0;
    std::vector<IconDirEntry> entries;
    if (!RasterICO::ReadDirectory(&s, dirType, entries) || entries.empty()) return {};
    const auto& e = entries[0];
    return std::vector<uint8_t>(ico.begin() + e.imageOffset, ico.begin() + e.imageOffset + e.bytesInRes);
}

// An icon file with one entry per side, the red level of each given.
inline std::vector<uint8_t> MultiSizeIcon(const std::vector<std::pair<uint32_t, uint8_t>>& sides)
{
    Bytes b;
    b.u16(0).u16(1).u16(static_cast<uint32_t>(sides.size()));
    std::vector<std::vector<uint8_t>> blocks;
    for (const auto& [side, red] : sides) blocks.push_back(IconBlockOf(side, red));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(sides.size());
    for (size_t i = 0; i < sides.size(); ++i) {
        const uint32_t side = sides[i].first;
        b.u8(side >= 256 ? 0 : side).u8(side >= 256 ? 0 : side).u8(0).u8(0).u16(1).u16(24);
        b.u32(static_cast<uint32_t>(blocks[i].size())).u32(offset);
        offset += static_cast<uint32_t>(blocks[i].size());
    }
    for (const auto& blk : blocks) b.raw(blk);
    return b.v;
}

// A PE program with `count` icon groups, group i drawn with red level reds[i].
inline std::vector<uint8_t> ProgramWithIcons(const std::vector<uint8_t>& reds)
{
    std::vector<GroupSpec> groups;
    std::map<uint16_t, std::vector<uint8_t>> icons;
    for (size_t i = 0; i < reds.size(); ++i) {
        const auto id = static_cast<uint16_t>(i + 1);
        icons[id] = IconBlockOf(32, reds[i]);
        groups.push_back({"", id, {id}});
    }
    return BuildPe(false, groups, icons);
}

// Runs the event loop until done() holds; false when it never did within a
// generous bound (a hang, not a slow machine).
inline bool WaitUntil(const std::function<bool()>& done, int rounds = 4000)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done()) return true;
        QThread::msleep(5);
    }
    return done();
}

// Lets already queued events run (a few rounds).
inline void DrainEvents(int rounds = 20)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

} // namespace vex::test
