#include "image/codecs/RasterWBMP.h"

#include <vector>

#include "image/Limits.h"

namespace vex {
namespace {

// A multi-byte integer: seven bits per byte, high bit set on all but the last.
bool ReadMultiByte(ByteStream* stream, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const int b = stream->GetC();
        if (b < 0) return false;
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

void PutMultiByte(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value);
    while (n-- > 0) out.push_back(static_cast<uint8_t>(groups[n] | (n ? 0x80 : 0)));
}

uint32_t Luminance(RgbQuad c)
{
    return (117u * c.blue + 601u * c.green + 306u * c.red) >> 10;
}

} // namespace

bool RasterWBMP::DecodeStream(ByteStream* stream)
{
    auto fail = [this](const char* message) {
        SetLastError(message);
        return false;
    };
    if (!stream) return fail("Not a WBMP");
    const int64_t start = stream->Tell();
    uint8_t head[4];
    if (!stream->ReadExact(head, sizeof head) || !stream->Seek(start, 0)) return fail("Not a WBMP");
    uint32_t type = 0, width = 0, height = 0;
    if (!ReadMultiByte(stream, type)) return fail("Not a WBMP");
    if (type != 0) return fail("Unsupported WBMP type");
    const bool parsed = stream->GetC() >= 0 && ReadMultiByte(stream, width) && ReadMultiByte(stream, height);
    auto dataBytes = [](uint64_t w, uint64_t h) { return (w + 7) / 8 * h; };
    const int64_t size = stream->Size();
    int64_t dataStart = stream->Tell();
    const bool fits = parsed && size >= dataStart && static_cast<uint64_t>(size - dataStart) >= dataBytes(width, height);
    // Files written with single-byte sizes (128 and above) are read that way
    // only when just that reading matches the data that follows.
    if ((!parsed || !fits || width == 0 || height == 0) && size >= start + 4 &&
        static_cast<uint64_t>(size - start - 4) == dataBytes(head[2], head[3]) && head[2] && head[3]) {
        width = head[2];
        height = head[3];
        dataStart = start + 4;
        if (!stream->Seek(dataStart, 0)) return fail("Not a WBMP");
    } else if (!parsed) {
        return fail("Not a WBMP");
    }
    if (width == 0 || height == 0) return fail("Corrupted WBMP");
    if (!SideInRange(width) || !SideInRange(height)) return fail("Corrupted WBMP");
    if (size >= 0 && static_cast<uint64_t>(size - dataStart) < dataBytes(width, height)) return fail("Corrupted WBMP");
    if (!Create(width, height, 1, TypeWbmp)) return fail("WBMP Create failed");
    SetPaletteColor(0, 0, 0, 0);
    SetPaletteColor(1, 255, 255, 255);
    const uint64_t rowBytes = (uint64_t{width} + 7) / 8;
    for (uint32_t row = 0; row < height; ++row) {
        if (GetEscape()) return fail("Cancelled");
        if (!stream->ReadExact(GetBits(height - 1 - row), rowBytes)) return fail("Corrupted WBMP");
        // Bits past the last pixel are not part of the picture.
        if (width % 8) GetBits(height - 1 - row)[rowBytes - 1] &= static_cast<uint8_t>(0xFF00 >> (width % 8));
    }
    return true;
}

bool RasterWBMP::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    if (GetBpp() != 1 || GetWidth() > 255 || GetHeight() > 255) {
        SetLastError("Can't save this image as WBMP");
        return false;
    }
    std::vector<uint8_t> out = {0, 0};
    PutMultiByte(out, GetWidth());
    PutMultiByte(out, GetHeight());
    // 1 is white in the file: it goes to the brighter entry.
    const bool invert = Luminance(GetPaletteColor(0)) > Luminance(GetPaletteColor(1));
    const uint32_t rowBytes = (GetWidth() + 7) / 8;
    for (uint32_t row = 0; row < GetHeight(); ++row) {
        const uint8_t* src = GetBits(GetHeight() - 1 - row);
        for (uint32_t i = 0; i < rowBytes; ++i) {
            uint8_t b = invert ? static_cast<uint8_t>(~src[i]) : src[i];
            if (i + 1 == rowBytes && GetWidth() % 8) b &= static_cast<uint8_t>(0xFF00 >> (GetWidth() % 8));
            out.push_back(b);
        }
    }
    if (!stream->WriteExact(out.data(), out.size()) || stream->Error() > 0) {
        SetLastError("Error writing WBMP file");
        return false;
    }
    return true;
}

} // namespace vex
