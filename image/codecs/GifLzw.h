#pragma once
// The LZW code streams of GIF images: a decoder that reads the data
// sub-blocks of one image, and the three encoders the writer chooses from.

#include <cstdint>
#include <vector>

#include "image/ByteStream.h"

namespace vex {

enum class GifLzwStatus { Ok, BadCodeSize, BadCode, Truncated, Short, Cancelled };

// Reads the minimum code size byte and the data sub-blocks of one image into
// out (one index per pixel, in stream order), stopping when out is full.
// Data after the last pixel is skipped up to the block terminator.
// `escape` is polled between sub-blocks.
GifLzwStatus GifLzwDecode(ByteStream* stream, std::vector<uint8_t>& out, const volatile int* escape = nullptr);

// Skips data sub-blocks up to and including the zero-length terminator.
bool GifSkipSubBlocks(ByteStream* stream);

enum class GifCodeMode { RunLength = 0, Plain = 1, Lzw = 2 };

// Encodes the pixel indices (stream order) with the minimum code size and
// returns the data sub-blocks, without the code size byte and without the
// block terminator.
std::vector<uint8_t> GifLzwEncode(const std::vector<uint8_t>& pixels, int minCodeSize, GifCodeMode mode);

} // namespace vex
