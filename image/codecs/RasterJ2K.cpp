// Format detection, the writers' common checks and the presenter shared by
// every reader of the JPEG-2000 family.

#include "image/codecs/RasterJ2K.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "image/Limits.h"

namespace vex {
namespace {

constexpr uint8_t kJp2Signature[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kJ2kSignature[4] = {0xFF, 0x4F, 0xFF, 0x51};
constexpr uint8_t kRasSignature[4] = {0x59, 0xA6, 0x6A, 0x95};

uint8_t ToByte(int64_t v, int64_t lo, int64_t hi)
{
    if (hi <= lo) return 0;
    const int64_t c = std::clamp(v, lo, hi);
    return static_cast<uint8_t>(((c - lo) * 255 + (hi - lo) / 2) / (hi - lo));
}

uint32_t TypeOf(J2kFormat f)
{
    switch (f) {
    case J2kFormat::Jp2: return TypeJp2;
    case J2kFormat::J2k: return TypeJpc;
    case J2kFormat::Pgx: return TypePgx;
    case J2kFormat::Pnm: return TypePnm;
    case J2kFormat::Ras: return TypeRas;
    default: return TypeUnknown;
    }
}

} // namespace

bool AllocateSamples(std::vector<int32_t>& samples, uint64_t width, uint64_t height)
{
    const auto count = CheckedMul(width, height);
    const auto bytes = count ? CheckedMul(*count, sizeof(int32_t)) : std::nullopt;
    if (!bytes || *bytes > RasterMemoryLimit()) return false;
    try {
        samples.assign(static_cast<size_t>(*count), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

J2kFormat RasterJ2K::Sniff(ByteStream* stream)
{
    uint8_t head[12] = {};
    const int64_t start = stream->Tell();
    const size_t n = stream->Read(head, 1, sizeof head);
    stream->Seek(start, 0);
    if (n >= 12 && std::memcmp(head, kJp2Signature, 12) == 0) return J2kFormat::Jp2;
    if (n >= 4 && std::memcmp(head, kJ2kSignature, 4) == 0) return J2kFormat::J2k;
    if (n >= 4 && std::memcmp(head, kRasSignature, 4) == 0) return J2kFormat::Ras;
    if (n >= 3 && head[0] == 'P' && head[1] == 'G' && (head[2] == ' ' || head[2] == '\t' || head[2] == 'M' ||
                                                       head[2] == 'L'))
        return J2kFormat::Pgx;
    if (n >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
        (head[2] == ' ' || head[2] == '\t' || head[2] == '\n' || head[2] == '\r' || head[2] == '#'))
        return J2kFormat::Pnm;
    return J2kFormat::Unknown;
}

bool RasterJ2K::DecodeStream(ByteStream* stream)
{
    if (!stream) {
        SetLastError("error: cannot open standard input");
        return false;
    }
    // Every type of the family reads with automatic detection, as guessing does.
    const J2kFormat found = Sniff(stream);
    if (found == J2kFormat::Unknown) {
        SetLastError("error: cannot load image data");
        return false;
    }
    bool ok = false;
    switch (found) {
    case J2kFormat::Jp2: ok = DecodeOpenJpeg(stream, true); break;
    case J2kFormat::J2k: ok = DecodeOpenJpeg(stream, false); break;
    case J2kFormat::Pgx: ok = DecodePgx(stream); break;
    case J2kFormat::Pnm: ok = DecodePnm(stream); break;
    case J2kFormat::Ras: ok = DecodeRas(stream); break;
    default: break;
    }
    if (ok) SetType(TypeOf(found));
    else if (!GetLastError()[0]) SetLastError("error: cannot load image data");
    return ok;
}

bool RasterJ2K::Present(const std::vector<J2kComponent>& comps, bool ycc)
{
    if (comps.size() > kMaxComponents) {
        SetLastError("error: too much components");
        return false;
    }
    if (comps.empty()) {
        SetLastError("error: cannot load image data");
        return false;
    }
    if (comps.size() == 3) {
        // Colour, whatever the chroma subsampling: the first component sets the size.
        const J2kComponent& base = comps[0];
        if (!Create(base.width, base.height, 24, GetType())) return false;
        for (uint32_t top = 0; top < base.height; ++top) {
            uint8_t* dst = GetBits(base.height - 1 - top);
            for (uint32_t x = 0; x < base.width; ++x, dst += 3) {
                int64_t v[3];
                for (int c = 0; c < 3; ++c) {
                    const J2kComponent& k = comps[c];
                    const uint64_t sx = std::min<uint64_t>(uint64_t{x} * base.dx / std::max(k.dx, 1u), k.width - 1);
                    const uint64_t sy = std::min<uint64_t>(uint64_t{top} * base.dy / std::max(k.dy, 1u), k.height - 1);
                    v[c] = k.samples[sy * k.width + sx];
                }
                uint8_t rgb[3];
                if (ycc) {
                    const double half1 = double(comps[1].hi - comps[1].lo + 1) / 2;
                    const double half2 = double(comps[2].hi - comps[2].lo + 1) / 2;
                    const double y = double(v[0] - base.lo), cb = double(v[1] - comps[1].lo) - half1,
                                 cr = double(v[2] - comps[2].lo) - half2;
                    const double r = y + 1.402 * cr, g = y - 0.344136 * cb - 0.714136 * cr, b = y + 1.772 * cb;
                    rgb[0] = ToByte(std::llround(r), 0, base.hi - base.lo);
                    rgb[1] = ToByte(std::llround(g), 0, base.hi - base.lo);
                    rgb[2] = ToByte(std::llround(b), 0, base.hi - base.lo);
                } else {
                    for (int c = 0; c < 3; ++c) rgb[c] = ToByte(v[c], comps[c].lo, comps[c].hi);
                }
                dst[0] = rgb[2], dst[1] = rgb[1], dst[2] = rgb[0];
            }
        }
        return true;
    }
    const int32_t frame = GetFrame();
    if (frame < 0 || static_cast<size_t>(frame) >= comps.size()) {
        SetNumFrames(static_cast<int32_t>(comps.size()));
        SetLastError("wrong frame!");
        return false;
    }
    const J2kComponent& k = comps[static_cast<size_t>(frame)];
    if (!Create(k.width, k.height, 8, GetType())) return false;
    SetGrayPalette();
    SetNumFrames(static_cast<int32_t>(comps.size()));
    SetFrame(frame);
    for (uint32_t top = 0; top < k.height; ++top) {
        uint8_t* dst = GetBits(k.height - 1 - top);
        const int32_t* src = k.samples + uint64_t{top} * k.width;
        for (uint32_t x = 0; x < k.width; ++x) dst[x] = ToByte(src[x], k.lo, k.hi);
    }
    return true;
}

uint8_t RasterJ2K::GreyAt(uint32_t x, uint32_t top) const
{
    return GetPixelColor(x, GetHeight() - 1 - top).red;
}

bool RasterJ2K::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    const bool grey = GetBpp() < 24;
    if (grey && !IsGrayScale()) {
        SetLastError("JasPer can save only RGB or GrayScale images");
        return false;
    }
    switch (kind_) {
    case TypeJp2: return EncodeOpenJpeg(stream, true, grey);
    case TypeJpc: return EncodeOpenJpeg(stream, false, grey);
    case TypePgx:
        if (!grey) {
            SetLastError("PGX can save only GrayScale images");
            return false;
        }
        return EncodePgx(stream);
    case TypePnm: return EncodePnm(stream, grey);
    case TypeRas: return EncodeRas(stream, grey);
    default: SetLastError("error: cannot open standard output"); return false;
    }
}

} // namespace vex
