#include "image/NearestIndex.h"

#include <algorithm>

namespace vex {
namespace {

constexpr int kCellBits = 4; // 16 levels per channel, cells of 16 x 16 x 16 colours
constexpr int kCellsPerAxis = 1 << kCellBits;
constexpr int kCellSide = 256 / kCellsPerAxis;

int64_t Squared(int v) { return int64_t{v} * v; }

// Smallest and largest distance along one axis from value v to the range [lo, hi].
int Nearest(int v, int lo, int hi) { return v < lo ? lo - v : v > hi ? v - hi : 0; }
int Farthest(int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); }

} // namespace

NearestIndex::NearestIndex(const RgbQuad* palette, uint32_t count)
    : cells_(kCellsPerAxis * kCellsPerAxis * kCellsPerAxis), cellReady_(cells_.size(), false)
{
    for (uint32_t i = 0; palette && i < count && i < 256; ++i) entries_.push_back(palette[i]);
}

// Every entry that is the nearest for at least one colour of the cell: its
// closest approach to the cell is no farther than the best worst case.
const std::vector<uint8_t>& NearestIndex::Candidates(uint32_t cell)
{
    if (cellReady_[cell]) return cells_[cell];
    const int r0 = static_cast<int>(cell >> (2 * kCellBits)) * kCellSide;
    const int g0 = static_cast<int>((cell >> kCellBits) & (kCellsPerAxis - 1)) * kCellSide;
    const int b0 = static_cast<int>(cell & (kCellsPerAxis - 1)) * kCellSide;
    const int r1 = r0 + kCellSide - 1, g1 = g0 + kCellSide - 1, b1 = b0 + kCellSide - 1;
    int64_t bestWorst = INT64_MAX;
    for (const RgbQuad& e : entries_) {
        const int64_t worst = Squared(Farthest(e.red, r0, r1)) + Squared(Farthest(e.green, g0, g1)) +
                              Squared(Farthest(e.blue, b0, b1));
        bestWorst = std::min(bestWorst, worst);
    }
    std::vector<uint8_t>& list = cells_[cell];
    for (size_t i = 0; i < entries_.size(); ++i) {
        const RgbQuad& e = entries_[i];
        const int64_t nearest = Squared(Nearest(e.red, r0, r1)) + Squared(Nearest(e.green, g0, g1)) +
                                Squared(Nearest(e.blue, b0, b1));
        if (nearest <= bestWorst) list.push_back(static_cast<uint8_t>(i));
    }
    cellReady_[cell] = true;
    return list;
}

uint8_t NearestIndex::Find(RgbQuad c)
{
    if (entries_.empty()) return 0;
    const uint32_t cell = (uint32_t{c.red} >> (8 - kCellBits)) << (2 * kCellBits) |
                          (uint32_t{c.green} >> (8 - kCellBits)) << kCellBits | (uint32_t{c.blue} >> (8 - kCellBits));
    int64_t best = INT64_MAX;
    uint8_t bestIndex = 0;
    // Candidates are in index order, so a strict comparison keeps the lowest index among equals.
    for (uint8_t i : Candidates(cell)) {
        const RgbQuad& e = entries_[i];
        const int64_t d = Squared(e.red - c.red) + Squared(e.green - c.green) + Squared(e.blue - c.blue);
        if (d < best) {
            best = d;
            bestIndex = i;
            if (d == 0) break;
        }
    }
    return bestIndex;
}

} // namespace vex
