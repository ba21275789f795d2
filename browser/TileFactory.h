#pragma once
// Turns one file into its 32 x 32 tiles: one for a picture, one per icon group
// of a program or library, one for an animated cursor. Runs on worker threads:
// it touches no widget and no shared state.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

namespace vex {

class Raster;

inline constexpr int kTileSide = 32;

struct TileImage {
    int iconIndex = 0;
    QImage image; // kTileSide x kTileSide, ARGB32, masked pixels transparent
};

// The tiles of the regular file at fullPath (named name); empty when it
// gives none. cancel, when set, ends the work early.
std::vector<TileImage> MakeFileTiles(const std::string& fullPath, const std::string& name,
                                     const std::atomic<bool>* cancel = nullptr);

// A decoded picture as a tile picture: nearest-pixel 32 x 32 with its
// transparent pixels masked. Null image on failure.
QImage TilePictureOf(Raster& image);

// The picture of an icon made for the side (width and height), ARGB32,
// sampled nearest-pixel; the image's escape flag cancels.
QImage IconImageOf(Raster& image, int side);

// The directory entry of an icon or cursor directory that suits a tile of
// `side` best: the largest not above it, else the smallest above it, the
// deeper one on equal sides. -1 for an empty directory.
struct IconDirEntry;
int BestIconEntry(const std::vector<IconDirEntry>& entries, bool isCursor, uint32_t side);

// JPEG decoded at the smallest libjpeg scale whose sides stay at least
// minSide (grey or colour; false for anything else so the full reader runs).
bool DecodeJpegScaled(const char* fileName, uint32_t minSide, Raster& out);

} // namespace vex
