#include "browser/TileFactory.h"

#include <cstdio>
#include <vector>

#include "browser/FileFinder.h"
#include "image/Bridge.h"
#include "image/ByteStream.h"
#include "image/ImageType.h"
#include "image/ProgramIcons.h"
#include "image/Raster.h"
#include "image/codecs/RasterICO.h"

namespace vex {

namespace {

bool Cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

uint32_t EntrySide(uint8_t v)
{
    return v == 0 ? kIconLargestSide : v;
}

// Decodes the entry of an icon directory (file or program group) that suits
// a tile best; only that entry is read.
bool LoadBestIconEntry(Raster& image, ByteStream& stream, uint32_t type)
{
    uint16_t dirType = 0;
    std::vector<IconDirEntry> entries;
    const int64_t start = stream.Tell();
    int best = 0;
    if (RasterICO::ReadDirectory(&stream, dirType, entries)) {
        best = std::max(0, BestIconEntry(entries, dirType == kIconDirCursor, kTileSide));
    }
    stream.Seek(start, SEEK_SET);
    image.SetFrame(best);
    return image.Decode(&stream, type);
}

// Reads a whole regular file; false past the cap or on any error.
bool ReadSmallFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t cap)
{
    FileStream file(path.c_str(), "rb");
    if (!file.IsOpen()) return false;
    const int64_t size = file.Size();
    if (size < 0 || static_cast<uint64_t>(size) > cap) return false;
    bytes.resize(static_cast<size_t>(size));
    return size == 0 || file.ReadExact(bytes.data(), bytes.size());
}

bool StartsLikeProgram(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char mz[2] = {};
    const bool ok = std::fread(mz, 1, 2, f) == 2 && mz[0] == 'M' && mz[1] == 'Z';
    std::fclose(f);
    return ok;
}

void AddPictureTile(Raster& image, int iconIndex, std::vector<TileImage>& out)
{
    QImage picture = TilePictureOf(image);
    if (!picture.isNull()) out.push_back({iconIndex, std::move(picture)});
}

} // namespace

int BestIconEntry(const std::vector<IconDirEntry>& entries, bool isCursor, uint32_t side)
{
    int best = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (best < 0) {
            best = static_cast<int>(i);
            continue;
        }
        const IconDirEntry& c = entries[i];
        const IconDirEntry& b = entries[static_cast<size_t>(best)];
        const uint32_t cs = std::max(EntrySide(c.width), EntrySide(c.height));
        const uint32_t bs = std::max(EntrySide(b.width), EntrySide(b.height));
        bool better = false;
        if (cs != bs) {
            if (cs <= side && bs <= side) better = cs > bs;
            else if (cs > side && bs > side) better = cs < bs;
            else better = cs <= side;
        } else if (!isCursor) {
            better = c.bitCountOrHotspotY > b.bitCountOrHotspotY;
        }
        if (better) best = static_cast<int>(i);
    }
    return best;
}

QImage IconImageOf(Raster& image, int side)
{
    if (!image.IsValid() || side <= 0) return {};
    // Sampled where a nearest-pixel resize samples, but from the picture
    // itself: resizing a paletted picture maps each colour back to the first
    // matching entry, which loses a transparent index sharing its colour.
    const float xScale = static_cast<float>(image.GetWidth()) / static_cast<float>(side);
    const float yScale = static_cast<float>(image.GetHeight()) / static_cast<float>(side);
    std::vector<uint32_t> sx(static_cast<size_t>(side));
    for (int x = 0; x < side; ++x) sx[static_cast<size_t>(x)] = static_cast<uint32_t>(static_cast<float>(x) * xScale);
    const bool alpha = image.AlphaIsValid();
    QImage out(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        if (image.GetEscape()) return {};
        const auto sy = static_cast<uint32_t>(static_cast<float>(y) * yScale);
        // Rows of the picture run from the bottom.
        auto* row = reinterpret_cast<uint32_t*>(out.scanLine(side - 1 - y));
        for (int x = 0; x < side; ++x) {
            const uint32_t px = sx[static_cast<size_t>(x)];
            if (image.IsTransparent(px, sy)) {
                row[x] = 0;
                continue;
            }
            const uint32_t a = alpha ? image.AlphaGet(px, sy) : 255;
            row[x] = a << 24 | PackRgb(image.GetPixelColor(px, sy));
        }
    }
    return out;
}

QImage TilePictureOf(Raster& image)
{
    return IconImageOf(image, kTileSide);
}

std::vector<TileImage> MakeFileTiles(const std::string& fullPath, const std::string& name,
                                     const std::atomic<bool>* cancel)
{
    std::vector<TileImage> out;
    // Pipes and devices would block the reader: regular files only.
    if (!CFileFinder::IsRegularFile(fullPath) || Cancelled(cancel)) return out;
    const uint32_t type = TypeFromName(name);
    if (type >= TypeBmp && type < TypeAni) {
        Raster image;
        bool ok = false;
        if (type == TypeJpg && DecodeJpegScaled(fullPath.c_str(), kTileSide, image)) {
            ok = true;
        } else if (type == TypeIco || type == TypeCur) {
            FileStream file(fullPath.c_str(), "rb");
            ok = file.IsOpen() && LoadBestIconEntry(image, file, type);
        } else {
            ok = image.Load(fullPath.c_str(), type);
        }
        if (ok && image.IsValid()) AddPictureTile(image, 0, out);
        return out;
    }
    if (type == TypeAni) {
        // The first step of the animation is the file's one icon.
        Raster image;
        if (image.Load(fullPath.c_str(), TypeAni)) AddPictureTile(image, 0, out);
        return out;
    }
    if (!IsProgramFileName(name) && !StartsLikeProgram(fullPath)) return out;
    std::vector<uint8_t> bytes;
    std::vector<ProgramIconGroup> groups;
    std::string error;
    if (!ReadSmallFile(fullPath, bytes, uint64_t{1} << 30) ||
        !ReadProgramIcons(bytes.data(), bytes.size(), groups, error))
        return out;
    bytes.clear();
    bytes.shrink_to_fit();
    for (size_t i = 0; i < groups.size(); ++i) {
        if (Cancelled(cancel)) break;
        Raster image;
        MemoryStream stream(static_cast<const uint8_t*>(groups[i].ico.data()), groups[i].ico.size());
        // Icons are numbered 0, 1, 2 ... and numbering stops at the first that does not read.
        if (!LoadBestIconEntry(image, stream, TypeIco) || !image.IsValid()) break;
        QImage picture = TilePictureOf(image);
        if (picture.isNull()) break;
        out.push_back({static_cast<int>(i), std::move(picture)});
    }
    return out;
}

} // namespace vex
