// Writing a list of images as one icon or cursor file.

#include <cstring>
#include <new>
#include <vector>

#include "image/ByteOrder.h"
#include "image/Limits.h"
#include "image/codecs/IconPng.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

uint64_t MaskStride(uint32_t width) { return (uint64_t{width} + 31) / 32 * 4; }

// Whether a pixel is written as transparent in the mask plane. Paletted
// images compare indices: a black opaque entry must not match a black key.
bool Masked(const Raster& img, bool paletteAlpha, uint32_t x, uint32_t y)
{
    if (img.AlphaIsValid() && img.AlphaGet(x, y) == 0) return true;
    if (img.GetNumColors()) {
        const uint8_t index = img.GetPixelIndex(x, y);
        if (paletteAlpha && img.GetPaletteColor(index).reserved == 0) return true;
        return img.GetTransIndex() != -1 && index == img.GetTransIndex();
    }
    if (img.GetTransIndex() == -1) return false;
    RgbQuad c = img.GetPixelColor(x, y);
    c.reserved = 0;
    RgbQuad key = img.GetTransColor();
    key.reserved = 0;
    return c == key;
}

// The bitmap block of one image: header, palette, colour plane, mask plane.
bool AppendBitmapBlock(const Raster& img, std::vector<uint8_t>& out)
{
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    const bool asAlpha = img.GetBpp() == 24 && img.AlphaIsValid();
    const uint64_t colourBytes = asAlpha ? uint64_t{w} * h * 4 : uint64_t{img.GetEffWidth()} * h;
    BitmapInfoHeader head;
    head.size = kInfoHeaderSize;
    head.width = static_cast<int32_t>(w);
    head.height = static_cast<int32_t>(h * 2);
    head.planes = 1;
    head.bitCount = asAlpha ? 32 : img.GetBpp();
    head.sizeImage = static_cast<uint32_t>(colourBytes);
    const size_t at = out.size();
    out.resize(at + kInfoHeaderSize);
    StoreInfoHeader(out.data() + at, head);
    if (const RgbQuad* pal = img.GetPalette()) {
        const auto* p = reinterpret_cast<const uint8_t*>(pal);
        out.insert(out.end(), p, p + img.GetPaletteSize());
    }
    if (asAlpha) {
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* row = img.GetBits(y);
            for (uint32_t x = 0; x < w; ++x) {
                out.insert(out.end(), row + uint64_t{x} * 3, row + uint64_t{x} * 3 + 3);
                out.push_back(img.AlphaGet(x, y));
            }
        }
    } else {
        out.insert(out.end(), img.GetBits(), img.GetBits() + colourBytes);
    }
    const bool paletteAlpha = img.AlphaPaletteIsValid();
    const uint64_t maskStride = MaskStride(w);
    std::vector<uint8_t> mask(maskStride * h, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if (Masked(img, paletteAlpha, x, y)) mask[y * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
    out.insert(out.end(), mask.begin(), mask.end());
    return true;
}

} // namespace

bool RasterICO::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    Raster* self = this;
    return EncodeFrames(stream, &self, 1);
}

bool RasterICO::EncodeFrames(ByteStream* stream, Raster* const* frames, int count)
{
    // The blocks are built in memory first; a list too large for it fails cleanly.
    try {
        return WriteFrames(stream, frames, count);
    } catch (const std::bad_alloc&) {
        return Fail("Can't allocate memory");
    }
}

bool RasterICO::WriteFrames(ByteStream* stream, Raster* const* frames, int count)
{
    if (!frames || count <= 0) return Fail("No valid image");
    if (!stream) return Fail("null file handler");
    if (count > 0xFFFF) return Fail("No valid image");
    for (int i = 0; i < count; ++i) {
        if (!frames[i] || !frames[i]->IsValid()) return Fail("No valid image");
        // 256 is the largest side a directory entry can state (as 0).
        if (frames[i]->GetWidth() > kIconLargestSide || frames[i]->GetHeight() > kIconLargestSide)
            return Fail(dirType_ == kIconDirCursor ? "Can't save this image as cur" : "Can't save this image as icon");
        if (frames[i]->GetBpp() <= 8 && !frames[i]->GetPalette()) return false;
    }

    // Image blocks first, so the directory can state their sizes.
    std::vector<std::vector<uint8_t>> blocks(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Raster& img = *frames[i];
        const bool large = img.GetWidth() == kIconLargestSide || img.GetHeight() == kIconLargestSide;
        if (large) {
            if (!EncodePngEntry(img, blocks[i])) return Fail(img.GetLastError()[0] ? img.GetLastError() : "Can't save this image as icon");
        } else if (!AppendBitmapBlock(img, blocks[i])) {
            return false;
        }
        if (blocks[i].size() > UINT32_MAX) return Fail("Can't save this image as icon");
    }

    std::vector<uint8_t> dir;
    AppendLe16(dir, 0);
    AppendLe16(dir, dirType_);
    AppendLe16(dir, static_cast<uint32_t>(count));
    uint64_t offset = kIconDirHeaderSize + uint64_t{kIconDirEntrySize} * static_cast<uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        const Raster& img = *frames[i];
        const bool large = img.GetWidth() == kIconLargestSide || img.GetHeight() == kIconLargestSide;
        dir.push_back(static_cast<uint8_t>(img.GetWidth()));  // 256 becomes 0
        dir.push_back(static_cast<uint8_t>(img.GetHeight()));
        dir.push_back(static_cast<uint8_t>(large ? 0 : img.GetNumColors()));
        dir.push_back(0);
        if (dirType_ == kIconDirCursor) {
            AppendLe16(dir, img.GetHotspotX());
            AppendLe16(dir, img.GetHotspotY());
        } else {
            // The entry states the depth of the stored pixels: readers such as
            // Pillow take the alpha channel only from an entry that says 32.
            const bool asAlpha = img.GetBpp() == 24 && img.AlphaIsValid();
            AppendLe16(dir, large ? 1 : 0);
            AppendLe16(dir, large || asAlpha ? 32 : img.GetBpp());
        }
        AppendLe32(dir, static_cast<uint32_t>(blocks[i].size()));
        if (offset > UINT32_MAX) return Fail("Can't save this image as icon");
        AppendLe32(dir, static_cast<uint32_t>(offset));
        offset += blocks[i].size();
    }
    if (!stream->WriteExact(dir.data(), dir.size())) return Fail("Error writing the image data");
    for (const auto& b : blocks)
        if (!stream->WriteExact(b.data(), b.size())) return Fail("Error writing the image data");
    return true;
}

} // namespace vex
