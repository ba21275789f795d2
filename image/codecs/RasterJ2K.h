#pragma once
// The JPEG-2000 family: JP2 files and J2K/JPC code streams through OpenJPEG,
// and PGX, PNM (PBM/PGM/PPM, plain and raw) and Sun raster read and written
// in-house. Every reader hands a list of components to one presenter: three
// components make a colour image (subsampled chroma upsampled, sYCC turned to
// RGB), any other count one grey frame per component.

#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

// One component's samples as a reader hands them over: dx and dy are its
// subsampling, lo..hi the range its values span.
struct J2kComponent {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t dx = 1;
    uint32_t dy = 1;
    int64_t lo = 0;
    int64_t hi = 255;
    const int32_t* samples = nullptr; // width * height, top row first
};

enum class J2kFormat { Unknown, Jp2, J2k, Pgx, Pnm, Ras };

class RasterJ2K : public Raster {
public:
    explicit RasterJ2K(uint32_t type = TypeJp2) : Raster(type), kind_(type) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;

    // The format of the bytes at the stream's position (the position is kept).
    static J2kFormat Sniff(ByteStream* stream);
    // Builds the image from the components; false with a message otherwise.
    bool Present(const std::vector<J2kComponent>& components, bool ycc);

    // Largest number of components presented.
    static constexpr size_t kMaxComponents = 64;

private:
    bool DecodeOpenJpeg(ByteStream* stream, bool jp2);
    bool EncodeOpenJpeg(ByteStream* stream, bool jp2, bool grey);
    bool DecodePgx(ByteStream* stream);
    bool EncodePgx(ByteStream* stream);
    bool DecodePnm(ByteStream* stream);
    bool EncodePnm(ByteStream* stream, bool grey);
    bool DecodeRas(ByteStream* stream);
    bool EncodeRas(ByteStream* stream, bool grey);
    // The grey value of every pixel (top row first), 1 and 4 bpp widened.
    uint8_t GreyAt(uint32_t x, uint32_t top) const;

    // The format this codec writes (the info record's type follows the
    // image being written, or the caller's when guessing).
    uint32_t kind_;
};

// One registration per type id; the id tells the writer what to produce.
template <uint32_t Type>
class RasterJ2KOf : public RasterJ2K {
public:
    RasterJ2KOf() : RasterJ2K(Type) {}
};

// Storage for samples an in-house reader decodes, bounded like an image.
bool AllocateSamples(std::vector<int32_t>& samples, uint64_t width, uint64_t height);

} // namespace vex
