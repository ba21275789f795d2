#pragma once
// What images held by the editor cost in memory, with blocks shared between
// copies (undo snapshots and the live image) counted once.

#include <cstdint>
#include <unordered_set>

namespace vex {

class Raster;
class CFrameImage;

// Pixel block, alpha and selection planes and the object itself.
uint64_t RasterBytes(const Raster& image);
// The raster plus its template layers (pictures and texts).
uint64_t FrameBytes(const CFrameImage& frame);

class MemoryTally {
public:
    // Adds bytes for the block at key unless that block was counted already.
    void Add(const void* key, uint64_t bytes)
    {
        if (seen_.insert(key).second) total_ += bytes;
    }
    uint64_t Total() const { return total_; }

private:
    std::unordered_set<const void*> seen_;
    uint64_t total_ = 0;
};

} // namespace vex
