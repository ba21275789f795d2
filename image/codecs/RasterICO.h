#pragma once
// Icon (.ico) and cursor (.cur) files: a directory of images, each a bitmap
// block (header, palette, colour plane, 1-bit mask) or a PNG stream. The two
// codecs differ only in the directory type and in what entry fields 4 and 6
// mean (planes and bit count for icons, the hotspot for cursors).

#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

// One 16-byte directory entry as it is stored.
struct IconDirEntry {
    uint8_t width = 0;
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint8_t reserved = 0;
    uint16_t planesOrHotspotX = 0;
    uint16_t bitCountOrHotspotY = 0;
    uint32_t bytesInRes = 0;
    uint32_t imageOffset = 0;
};

inline constexpr uint16_t kIconDirIcon = 1;
inline constexpr uint16_t kIconDirCursor = 2;
inline constexpr uint32_t kIconDirHeaderSize = 6;
inline constexpr uint32_t kIconDirEntrySize = 16;
// Largest side the directory can describe; a size byte of 0 stands for it.
inline constexpr uint32_t kIconLargestSide = 256;

class RasterICO : public Raster {
public:
    RasterICO() : RasterICO(TypeIco, kIconDirIcon) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
    bool HasMultiFrameWriter() const override { return true; }
    bool EncodeFrames(ByteStream* stream, Raster* const* frames, int count) override;

    // The directory of the stream at its current position (the position is
    // moved past it). False when the header is not an icon or cursor header.
    static bool ReadDirectory(ByteStream* stream, uint16_t& dirType, std::vector<IconDirEntry>& entries);

protected:
    RasterICO(uint32_t type, uint16_t dirType) : Raster(type), dirType_(dirType) {}

private:
    bool DecodeEntry(ByteStream* stream, int64_t p0, const IconDirEntry& entry);
    bool DecodePngEntry(ByteStream* stream, int64_t p0, const IconDirEntry& entry);
    bool ReadBitmapPlanes(ByteStream* stream, uint32_t bitCount, std::vector<uint8_t>& mask);
    void ApplyMask(const std::vector<uint8_t>& mask, bool fromAlphaPixels);
    bool Fail(const char* message);
    bool WriteFrames(ByteStream* stream, Raster* const* frames, int count);
    uint32_t CodecType() const { return dirType_ == kIconDirCursor ? TypeCur : TypeIco; }

    uint16_t dirType_;
};

class RasterCUR : public RasterICO {
public:
    RasterCUR() : RasterICO(TypeCur, kIconDirCursor) {}
};

} // namespace vex
