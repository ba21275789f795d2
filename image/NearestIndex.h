#pragma once
// The nearest palette entry of a colour, answered exactly as a scan of the
// entries in order would (squared distance, lowest index among equals), but
// from a short list of candidates per cell of a 16 x 16 x 16 grid over the
// colour cube. For loops that map many colours onto one palette that does
// not change meanwhile.

#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

class NearestIndex {
public:
    // Considers the first count entries of the palette.
    NearestIndex(const RgbQuad* palette, uint32_t count);
    uint8_t Find(RgbQuad c);

private:
    const std::vector<uint8_t>& Candidates(uint32_t cell);

    std::vector<RgbQuad> entries_;
    std::vector<std::vector<uint8_t>> cells_;
    std::vector<bool> cellReady_;
};

} // namespace vex
