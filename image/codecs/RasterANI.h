#pragma once
// Animated cursors (.ani): a RIFF "ACON" form holding a header ("anih"),
// optional per-step rates ("rate") and icon order ("seq "), and the icons
// themselves as complete icon or cursor files in a "LIST"/"fram". Read only
// by file name; never found by format guessing.

#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

struct AniHeader {
    uint32_t headerSize = 36;
    uint32_t frames = 0;
    uint32_t steps = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitCount = 0;
    uint32_t planes = 0;
    uint32_t rate = 0;
    uint32_t flags = 0;
};
inline constexpr uint32_t kAniHeaderSize = 36;
inline constexpr uint32_t kAniFlagIcon = 1;
inline constexpr uint32_t kAniFlagSequence = 2;
// Display time of a step when the file gives none, in 1/60 s.
inline constexpr uint32_t kAniDefaultRate = 10;

class RasterANI : public Raster {
public:
    RasterANI() : Raster(TypeAni) {}

    bool DecodeFile(const char* fileName) override;
    // The same reader over any stream (tests and fuzzing); format guessing
    // never reaches it.
    bool DecodeRiff(ByteStream* stream);
    bool HasMultiFrameWriter() const override { return true; }
    bool EncodeFrames(ByteStream* stream, Raster* const* frames, int count) override;

    // What the last read found, for tests and the information pages.
    const AniHeader& Header() const { return header_; }
    int DistinctIcons() const { return static_cast<int>(cache_.size()); }
    const char* Title() const { return title_; }
    const char* Author() const { return author_; }

private:
    struct IconEntry {
        std::vector<uint8_t> bytes;
        uint32_t checksum = 0;
        int refCount = 0;
        int writeIndex = -1;
    };

    bool Fail(const char* message);
    int AddIcon(std::vector<uint8_t>&& bytes);
    bool ReadList(ByteStream* stream, uint64_t listBytes, std::vector<int>& iconOrder);
    bool BuildFrame(const std::vector<uint8_t>& chunk);
    bool ReadRiff(ByteStream* stream);
    bool WriteFrames(ByteStream* stream, Raster* const* frames, int count);

    AniHeader header_;
    std::vector<IconEntry> cache_;
    char title_[81] = {};
    char author_[81] = {};
};

} // namespace vex
