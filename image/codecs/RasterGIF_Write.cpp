// The GIF writer: one image, an animation, or a true-colour picture cut into
// tiles that each carry their own palette.

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "image/ByteOrder.h"
#include "image/codecs/GifLzw.h"
#include "image/codecs/RasterGIF.h"

namespace vex {
namespace {

constexpr uint32_t kMaxGifSide = 65535;
constexpr uint32_t kTileWidth = 17, kTileHeight = 15;
constexpr uint8_t kTrailer = 0x3B;

bool Write(ByteStream* stream, const std::vector<uint8_t>& bytes)
{
    return stream->WriteExact(bytes.data(), bytes.size());
}

// "GIF89a", the logical screen and, for a palette image, its global table.
bool WriteHeader(ByteStream* stream, uint32_t width, uint32_t height, const Raster* palette)
{
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    AppendLe16(out, width);
    AppendLe16(out, height);
    if (palette && palette->GetNumColors()) {
        const uint32_t depth = palette->GetBpp();
        out.push_back(static_cast<uint8_t>(0x80 | (((depth + 7) << 5) & 0xFF) | (depth - 1)));
    } else {
        out.push_back(0x11);
    }
    out.push_back(0); // background index
    out.push_back(0); // aspect
    if (palette && palette->GetNumColors()) {
        for (uint32_t i = 0; i < palette->GetNumColors(); ++i) {
            const RgbQuad c = palette->GetPaletteColor(static_cast<uint8_t>(i));
            out.insert(out.end(), {c.red, c.green, c.blue});
        }
    }
    return Write(stream, out);
}

bool WriteComment(ByteStream* stream, const char* comment)
{
    const size_t length = std::min<size_t>(std::strlen(comment), 255);
    if (length == 0) return true;
    std::vector<uint8_t> out = {0x21, 0xFE, static_cast<uint8_t>(length)};
    out.insert(out.end(), comment, comment + length);
    out.push_back(0);
    return Write(stream, out);
}

bool WriteLoops(ByteStream* stream, int loops)
{
    std::vector<uint8_t> out = {0x21, 0xFF, 0x0B};
    const char* id = "NETSCAPE2.0";
    out.insert(out.end(), id, id + 11);
    out.insert(out.end(), {0x03, 0x01});
    AppendLe16(out, static_cast<uint32_t>(std::clamp(loops - 1, 0, 65535)));
    out.push_back(0);
    return Write(stream, out);
}

// A palette copy of a true-colour frame: exact when it has at most 256
// colours (its key colour included), otherwise the standard palette.
std::unique_ptr<Raster> ReduceTo8(const Raster& src)
{
    const bool keyed = src.GetTransIndex() != -1;
    const RgbQuad key = src.GetTransColor();
    std::vector<uint32_t> colours;
    auto pack = [](RgbQuad c) { return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue; };
    if (keyed) colours.push_back(pack(key));
    bool exact = true;
    for (uint32_t y = 0; y < src.GetHeight() && exact; ++y)
        for (uint32_t x = 0; x < src.GetWidth() && exact; ++x) {
            const uint32_t c = pack(src.GetPixelColor(x, y));
            if (std::find(colours.begin(), colours.end(), c) == colours.end()) {
                colours.push_back(c);
                exact = colours.size() <= 256;
            }
        }
    auto out = std::make_unique<Raster>(src, false, false, false);
    if (!out->Create(src.GetWidth(), src.GetHeight(), 8, src.GetType())) return nullptr;
    out->SetFrameDelay(src.GetFrameDelay());
    out->SetOffset(src.GetXOffset(), src.GetYOffset());
    out->SetCodecOption(src.GetCodecOption());
    out->SetTransIndex(-1);
    if (exact) {
        for (size_t i = 0; i < colours.size(); ++i)
            out->SetPaletteColor(static_cast<uint8_t>(i), uint8_t(colours[i] >> 16), uint8_t(colours[i] >> 8), uint8_t(colours[i]));
        // Unused entries repeat the first colour so the nearest match stays exact.
        for (size_t i = colours.size(); i < 256; ++i) out->SetPaletteColor(static_cast<uint8_t>(i), out->GetPaletteColor(0));
    } else {
        out->SetStdPalette();
    }
    for (uint32_t y = 0; y < src.GetHeight(); ++y)
        for (uint32_t x = 0; x < src.GetWidth(); ++x) out->SetPixelColor(x, y, src.GetPixelColor(x, y));
    if (keyed) out->SetTransIndex(out->GetNearestIndex(key));
    return out;
}

} // namespace

bool RasterGIF::WriteImage(ByteStream* stream, const Raster& image, int left, int top, bool localTable,
                           const char* comment, uint16_t delay, uint8_t disposal)
{
    std::vector<uint8_t> out;
    const int32_t trans = image.GetTransIndex();
    out.insert(out.end(), {0x21, 0xF9, 0x04});
    out.push_back(static_cast<uint8_t>(((disposal << 2) & 0x1F) | (trans != -1 ? 1 : 0)));
    AppendLe16(out, delay);
    out.push_back(static_cast<uint8_t>(trans));
    out.push_back(0);
    if (comment) {
        const size_t length = std::min<size_t>(std::strlen(comment), 255);
        if (length > 0) {
            out.insert(out.end(), {0x21, 0xFE, static_cast<uint8_t>(length)});
            out.insert(out.end(), comment, comment + length);
            out.push_back(0);
        }
    }
    const uint32_t w = image.GetWidth(), h = image.GetHeight(), depth = image.GetBpp();
    out.push_back(0x2C);
    AppendLe16(out, static_cast<uint32_t>(std::clamp(left, 0, 65535)));
    AppendLe16(out, static_cast<uint32_t>(std::clamp(top, 0, 65535)));
    AppendLe16(out, w);
    AppendLe16(out, h);
    out.push_back(localTable ? static_cast<uint8_t>(0x80 | (depth - 1)) : 0);
    if (localTable) {
        for (uint32_t i = 0; i < image.GetNumColors(); ++i) {
            const RgbQuad c = image.GetPaletteColor(static_cast<uint8_t>(i));
            out.insert(out.end(), {c.red, c.green, c.blue});
        }
    }
    const int minCodeSize = static_cast<int>(std::max<uint32_t>(depth, 2));
    out.push_back(static_cast<uint8_t>(minCodeSize));
    std::vector<uint8_t> pixels;
    pixels.reserve(uint64_t{w} * h);
    for (uint32_t row = 0; row < h; ++row)
        for (uint32_t x = 0; x < w; ++x) pixels.push_back(image.GetPixelIndex(x, h - 1 - row));
    const auto mode = static_cast<GifCodeMode>(image.GetCodecOption() <= 2 ? image.GetCodecOption() : 0);
    const auto data = GifLzwEncode(pixels, minCodeSize, mode);
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(0);
    if (!Write(stream, out) || stream->Error() > 0) return Fail("Write Error in GIF file");
    return true;
}

bool RasterGIF::WriteTrueColor(ByteStream* stream)
{
    const uint32_t w = GetWidth(), h = GetHeight();
    if (!WriteHeader(stream, w, h, nullptr) || !WriteComment(stream, GetComment()))
        return Fail("Write Error in GIF file");
    const bool keyed = GetTransIndex() != -1;
    const RgbQuad key = GetTransColor();
    for (uint32_t y0 = 0; y0 < h; y0 += kTileHeight) {
        for (uint32_t x0 = 0; x0 < w; x0 += kTileWidth) {
            if (GetEscape()) return Fail("Cancelled");
            const uint32_t tw = std::min(kTileWidth, w - x0), th = std::min(kTileHeight, h - y0);
            Raster tile;
            if (!tile.Create(tw, th, 8, TypeGif)) return Fail(tile.GetLastError());
            if (keyed) tile.SetPaletteColor(0, key.red, key.green, key.blue);
            // y0 and d count from the top; image rows from the bottom.
            for (uint32_t d = 0; d < th; ++d)
                for (uint32_t i = 0; i < tw; ++i)
                    tile.SetPaletteColor(static_cast<uint8_t>(d * kTileWidth + i + 1), GetPixelColor(x0 + i, h - 1 - (y0 + d)));
            for (uint32_t d = 0; d < th; ++d)
                for (uint32_t i = 0; i < tw; ++i)
                    tile.SetPixelIndex(i, th - 1 - d, tile.GetNearestIndex(GetPixelColor(x0 + i, h - 1 - (y0 + d))));
            tile.SetTransIndex(keyed ? 0 : -1);
            tile.SetCodecOption(GetCodecOption());
            if (!WriteImage(stream, tile, int(x0), int(y0), true, nullptr, 0, 1)) return false;
        }
    }
    if (!stream->PutC(kTrailer) || stream->Error() > 0) return Fail("Write Error in GIF file");
    return true;
}

bool RasterGIF::EncodeStream(ByteStream* stream)
{
    if (!CheckWriter(stream)) return false;
    if (GetWidth() > kMaxGifSide || GetHeight() > kMaxGifSide) return Fail("GIF sides are limited to 65535 pixels");
    if (GetBpp() > 8) return WriteTrueColor(stream);
    if (!WriteHeader(stream, GetWidth(), GetHeight(), this)) return Fail("Write Error in GIF file");
    // The screen is the image's own size, so the image sits at its origin:
    // an offset would put it outside the screen.
    if (!WriteImage(stream, *this, 0, 0, false, GetComment(),
                    static_cast<uint16_t>(std::min<uint32_t>(GetFrameDelay(), 65535)), disposal_))
        return false;
    if (!stream->PutC(kTrailer) || stream->Error() > 0) return Fail("Write Error in GIF file");
    return true;
}

bool RasterGIF::EncodeFrames(ByteStream* stream, Raster* const* frames, int count, bool localColorTables)
{
    if (!stream) return Fail("invalid file pointer");
    if (!frames || count <= 0 || !frames[0] || !frames[0]->IsValid()) return Fail("multipage GIF, no images!");
    for (int i = 1; i < count; ++i)
        if (!frames[i] || !frames[i]->IsValid()) return Fail("Bad image pointer");

    // Frames above 8 bpp go through a private copy reduced to 256 colours;
    // the logical screen holds every frame at its offset.
    std::vector<std::unique_ptr<Raster>> reduced(static_cast<size_t>(count));
    std::vector<const Raster*> list(static_cast<size_t>(count));
    uint32_t screenW = 0, screenH = 0;
    for (int i = 0; i < count; ++i) {
        const Raster* f = frames[i];
        if (f->GetBpp() > 8) {
            reduced[i] = ReduceTo8(*f);
            if (!reduced[i]) return Fail("Can't allocate memory");
            f = reduced[i].get();
        }
        list[i] = f;
        const int64_t right = int64_t{std::max(0, f->GetXOffset())} + f->GetWidth();
        const int64_t bottom = int64_t{std::max(0, f->GetYOffset())} + f->GetHeight();
        if (right > kMaxGifSide || bottom > kMaxGifSide) return Fail("GIF sides are limited to 65535 pixels");
        screenW = std::max(screenW, static_cast<uint32_t>(right));
        screenH = std::max(screenH, static_cast<uint32_t>(bottom));
    }
    const Raster& first = *list[0];
    if (!WriteHeader(stream, screenW, screenH, &first)) return Fail("Write Error in GIF file");
    if (loops_ != 1 && !WriteLoops(stream, loops_)) return Fail("Write Error in GIF file");
    for (int i = 0; i < count; ++i) {
        const Raster& f = *list[i];
        const auto delay = static_cast<uint16_t>(std::min<uint32_t>(f.GetFrameDelay(), 65535));
        if (!WriteImage(stream, f, f.GetXOffset(), f.GetYOffset(), i > 0 && localColorTables, i == 0 ? f.GetComment() : nullptr,
                        delay, disposal_))
            return false;
    }
    if (!stream->PutC(kTrailer) || !stream->Flush() || stream->Error() > 0) return Fail("Write Error in GIF file");
    return true;
}

} // namespace vex
