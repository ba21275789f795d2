#pragma once
// PNG-compressed images inside icon and cursor directories: the bytes of one
// entry become an image, and an image becomes the bytes of one entry.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

inline constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// On failure out keeps a last error that says why.
bool DecodePngEntry(const uint8_t* data, size_t size, Raster& out);
// Appends the PNG stream of the image (with its alpha or colour key) to out.
bool EncodePngEntry(Raster& image, std::vector<uint8_t>& out);

} // namespace vex
