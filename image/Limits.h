#pragma once
// Size limits and overflow-checked arithmetic for everything that sizes a
// buffer from a file or a parameter. Readers and Create go through these so a
// hostile header can never wrap a multiplication or ask for unbounded memory.

#include <cstdint>
#include <optional>

namespace vex {

// Largest side of one image, in pixels.
inline constexpr uint64_t kMaxSide = 262144;
// Largest pixel block (header + palette + rows) and largest alpha or
// selection plane of one image: allows 32768 x 32768 at 24 bpp (3 GiB).
inline constexpr uint64_t kMaxImageBytes = 3584ull * 1024 * 1024;
// Largest single chunk or temporary buffer a codec may take from a file.
inline constexpr uint64_t kMaxChunkBytes = kMaxImageBytes;
// Largest number of frames or pages a multi-frame reader will count.
inline constexpr int kMaxFrames = 65536;

// The cap in force for one image's pixel block and planes. It starts at
// kMaxImageBytes; fuzzers and other constrained hosts lower it.
uint64_t RasterMemoryLimit();
void SetRasterMemoryLimit(uint64_t bytes);

inline std::optional<uint64_t> CheckedMul(uint64_t a, uint64_t b)
{
    if (a != 0 && b > UINT64_MAX / a) return std::nullopt;
    return a * b;
}

inline std::optional<uint64_t> CheckedAdd(uint64_t a, uint64_t b)
{
    if (b > UINT64_MAX - a) return std::nullopt;
    return a + b;
}

// Bytes per row padded to four bytes: ((width * bpp + 31) / 32) * 4.
inline std::optional<uint64_t> RowStride(uint64_t width, uint64_t bpp)
{
    auto bits = CheckedMul(width, bpp);
    if (!bits) return std::nullopt;
    auto padded = CheckedAdd(*bits, 31);
    if (!padded) return std::nullopt;
    return (*padded / 32) * 4;
}

// stride * rows, or nothing when it overflows or passes the image cap.
inline std::optional<uint64_t> BlockSize(uint64_t stride, uint64_t rows)
{
    auto n = CheckedMul(stride, rows);
    if (!n || *n > RasterMemoryLimit()) return std::nullopt;
    return n;
}

inline bool SideInRange(int64_t side) { return side > 0 && static_cast<uint64_t>(side) <= kMaxSide; }

} // namespace vex
