#include "image/ByteOrder.h"
#include "image/codecs/RasterGIF.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/Limits.h"
#include "image/codecs/GifLzw.h"

namespace vex {
namespace {

constexpr uint64_t kPixelsPerDataByte = 8 * 4096 / 3 + 1;

// The top-down row of line `line` of the code stream.
std::vector<uint32_t> RowOrder(uint32_t height, bool interlaced)
{
    std::vector<uint32_t> order;
    order.reserve(height);
    if (!interlaced) {
        for (uint32_t r = 0; r < height; ++r) order.push_back(r);
        return order;
    }
    const uint32_t starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (uint32_t r = starts[pass]; r < height; r += steps[pass]) order.push_back(r);
    return order;
}

// True when the frame's table entries are the picture's own, so indices can be copied.
bool SamePalette(const Raster& picture, const Raster& frame, uint32_t entries)
{
    entries = std::min(entries, frame.GetNumColors());
    if (picture.GetBpp() > 8 || entries > picture.GetNumColors()) return false;
    for (uint32_t i = 0; i < entries; ++i) {
        const RgbQuad a = picture.GetPaletteColor(static_cast<uint8_t>(i));
        const RgbQuad b = frame.GetPaletteColor(static_cast<uint8_t>(i));
        if (a.red != b.red || a.green != b.green || a.blue != b.blue) return false;
    }
    return true;
}

// Calls set(x, y) for every pixel of the picture inside a screen rectangle.
template <class Set>
void FillArea(const Raster& picture, const RasterRect& area, Set set)
{
    const int64_t ph = picture.GetHeight();
    for (int64_t sy = area.top; sy < area.bottom; ++sy)
        for (int64_t sx = area.left; sx < area.right; ++sx) {
            const int64_t x = sx - picture.GetXOffset(), y = ph - 1 - (sy - picture.GetYOffset());
            if (picture.IsInside(x, y)) set(x, y);
        }
}

} // namespace

bool RasterGIF::Fail(const char* message)
{
    SetLastError(message);
    return false;
}

int RasterGIF::CountFrames(ByteStream* stream)
{
    const int64_t start = stream->Tell();
    int count = 0;
    for (;;) {
        const int c = stream->GetC();
        if (c < 0 || c == ';') break;
        if (c == '!') {
            if (stream->GetC() < 0 || !GifSkipSubBlocks(stream)) break;
        } else if (c == ',') {
            uint8_t d[9];
            if (!stream->ReadExact(d, sizeof d)) break;
            ++count;
            if (d[8] & 0x80) {
                const int64_t bytes = 3 * (int64_t{2} << (d[8] & 7));
                if (stream->Size() - stream->Tell() < bytes || !stream->Seek(bytes, 1)) break;
            }
            if (stream->GetC() < 0 || !GifSkipSubBlocks(stream) || count >= kMaxFrames) break;
        }
    }
    stream->Seek(start, 0);
    return count;
}

bool RasterGIF::ReadColorTable(ByteStream* stream, int entries, std::vector<uint8_t>& table)
{
    table.assign(static_cast<size_t>(entries) * 3, 0);
    return stream->ReadExact(table.data(), table.size());
}

bool RasterGIF::ReadExtension(ByteStream* stream, Control& control, bool store)
{
    const int label = stream->GetC();
    if (label < 0) return false;
    if (label == 0xF9) {
        uint8_t block[5];
        if (!stream->ReadExact(block, sizeof block)) return false;
        if (block[0] < 4) return stream->Seek(-5, 1) && GifSkipSubBlocks(stream);
        control.seen = true;
        control.hasTransparency = block[1] & 1;
        control.transIndex = block[4];
        control.delay = Le16(block + 2);
        control.disposal = static_cast<uint8_t>((block[1] >> 2) & 7);
        if (block[0] > 4 && !stream->Seek(block[0] - 4, 1)) return false;
    } else if (label == 0xFE) {
        const int length = stream->GetC();
        if (length < 0) return false;
        if (length == 0) return true; // an empty comment is only its terminator
        char text[256] = {};
        if (!stream->ReadExact(text, static_cast<size_t>(length))) return false;
        if (store) {
            std::memcpy(commentBuffer_, text, sizeof commentBuffer_);
            SetComment(commentBuffer_);
        }
    } else if (label == 0xFF) {
        const int size = stream->GetC();
        if (size < 0) return false;
        if (size != 11) return stream->Seek(-1, 1) && GifSkipSubBlocks(stream);
        uint8_t id[11];
        if (!stream->ReadExact(id, sizeof id)) return false;
        const int length = stream->GetC();
        if (length < 0) return false;
        if (length == 0) return true;
        uint8_t data[256];
        if (!stream->ReadExact(data, static_cast<size_t>(length))) return false;
        // The count in the file is repetitions after the first play. Only the
        // looping extension carries it; other applications store their own data.
        const bool looping = std::memcmp(id, "NETSCAPE2.0", 11) == 0 || std::memcmp(id, "ANIMEXTS1.0", 11) == 0;
        if (looping && length > 2 && data[0] == 1 && store) {
            const int repetitions = data[1] | data[2] << 8;
            loops_ = repetitions == 0 ? 0 : repetitions + 1;
        }
    }
    return GifSkipSubBlocks(stream);
}

bool RasterGIF::DecodeStream(ByteStream* stream)
{
    if (!stream) return Fail("Not a GIF file");
    uint8_t head[13];
    if (!stream->ReadExact(head, sizeof head) || std::memcmp(head, "GIF8", 4) != 0) return Fail("Not a GIF file");
    Screen screen;
    screen.width = Le16(head + 6);
    screen.height = Le16(head + 8);
    const int globalEntries = 2 << (head[10] & 7);
    const bool hasGlobal = head[10] & 0x80;
    if (hasGlobal && !ReadColorTable(stream, globalEntries, screen.globalTable)) return Fail("GIF file is truncated");

    const int requested = GetFrame();
    const int count = CountFrames(stream);
    SetNumFrames(count);
    if (requested < 0 || requested >= count) return Fail("GIF frame out of range");
    loops_ = 1; // no looping extension: the animation plays once

    Raster picture;          // the current picture, composed so far
    Raster restore;          // the picture before a frame that restores it (disposal 3)
    RasterRect previousArea; // where the previous frame lay on the screen
    const uint8_t background = head[11];
    RgbQuad backgroundColor;
    if (hasGlobal && background < globalEntries)
        backgroundColor = MakeRgb(screen.globalTable[3 * background], screen.globalTable[3 * background + 1],
                                  screen.globalTable[3 * background + 2]);
    Raster canvas;           // the flattened picture in flatten mode
    std::vector<uint8_t> painted; // flatten: 0 untouched, 1 transparent fill, 2 opaque
    Control control, last;
    uint8_t previousDisposal = 0;
    int firstTransIndex = -1;
    bool flatten = false, done = false;
    int k = 0;

    while (!done) {
        const int c = stream->GetC();
        if (c < 0 || c == ';') break;
        if (c == '!') {
            if (!ReadExtension(stream, control, true)) break;
            continue;
        }
        if (c != ',') continue;
        if (GetEscape()) return Fail("Cancelled");

        uint8_t d[9];
        if (!stream->ReadExact(d, sizeof d)) return Fail("GIF file is truncated");
        const uint32_t left = Le16(d), top = Le16(d + 2), w = Le16(d + 4), h = Le16(d + 6);
        const uint8_t flags = d[8];
        int entries = globalEntries;
        std::vector<uint8_t> localTable;
        if (flags & 0x80) {
            entries = 2 << (flags & 7);
            if (!ReadColorTable(stream, entries, localTable)) return Fail("GIF file is truncated");
        }
        const std::vector<uint8_t>& table = (flags & 0x80) ? localTable : screen.globalTable;
        if (k == 0) flatten = !hasGlobal && (w < screen.width || h < screen.height);
        const bool outside = w == 0 || h == 0 || left + w > screen.width || top + h > screen.height;
        if (outside && (!flatten || w == 0 || h == 0)) {
            // Its data is skipped so the blocks after it still read.
            if (!flatten && k == requested) return Fail("GIF frame lies outside the logical screen");
            if (stream->GetC() < 0 || !GifSkipSubBlocks(stream)) return Fail("GIF file is truncated");
            previousDisposal = control.disposal;
            control = Control{};
            ++k;
            continue;
        }

        // Each byte of data holds at most 8/3 codes of at most 4096 pixels: a
        // frame larger than its remaining data could give is refused before
        // anything is allocated for it.
        const int64_t remaining = stream->Size() - stream->Tell();
        if (remaining >= 0 && uint64_t{w} * h > static_cast<uint64_t>(remaining) * kPixelsPerDataByte + 4096)
            return Fail("Corrupted GIF image data");

        Raster frame;
        const uint32_t depth = entries <= 2 ? 1 : entries <= 16 ? 4 : 8;
        if (!frame.Create(w, h, depth, TypeGif)) return Fail(frame.GetLastError());
        if (!table.empty()) frame.SetPaletteRgbTriplets(static_cast<uint32_t>(entries), table.data());
        if (control.hasTransparency && control.transIndex < frame.GetNumColors()) {
            frame.SetTransIndex(control.transIndex);
            for (uint32_t i = static_cast<uint32_t>(entries); !table.empty() && i < frame.GetNumColors(); ++i)
                frame.SetPaletteColor(static_cast<uint8_t>(i), 255, 255, 255);
        }
        if (k == 0) firstTransIndex = frame.GetTransIndex();

        std::vector<uint8_t> indices;
        try {
            indices.assign(uint64_t{w} * h, 0);
        } catch (const std::bad_alloc&) {
            return Fail("Can't allocate memory");
        }
        switch (GifLzwDecode(stream, indices)) {
        case GifLzwStatus::Ok: break;
        case GifLzwStatus::BadCodeSize: return Fail("Bad GIF LZW code size");
        case GifLzwStatus::BadCode:
        case GifLzwStatus::Short: return Fail("Corrupted GIF image data");
        case GifLzwStatus::Truncated: return Fail("GIF file is truncated");
        case GifLzwStatus::Cancelled: return Fail("Cancelled");
        }
        if (GetEscape()) return Fail("Cancelled");
        const auto order = RowOrder(h, flags & 0x40);
        for (uint32_t line = 0; line < h; ++line) {
            const uint32_t y = h - 1 - order[line];
            const uint8_t* src = indices.data() + uint64_t{line} * w;
            for (uint32_t x = 0; x < w; ++x) frame.SetPixelIndex(x, y, src[x]);
        }
        frame.SetFrameRect(RasterRect{int32_t(left), int32_t(top), int32_t(left + w), int32_t(top + h)});
        frame.SetOffset(int32_t(left), int32_t(top));
        frame.SetFrameDelay(control.delay);

        if (flatten) {
            if (!canvas.IsValid()) {
                // The frames that fill the canvas need data in proportion to it.
                const int64_t size = stream->Size();
                if (size >= 0 && uint64_t{screen.width} * screen.height >
                                     static_cast<uint64_t>(size) * kPixelsPerDataByte + 65536)
                    return Fail("GIF logical screen too large for its data");
                if (!canvas.Create(screen.width, screen.height, 24, TypeGif)) return Fail(canvas.GetLastError());
                painted.assign(uint64_t{screen.width} * screen.height, 0);
            }
            const int32_t trans = frame.GetTransIndex();
            for (uint32_t fy = 0; fy < h && top + fy < screen.height; ++fy) {
                for (uint32_t fx = 0; fx < w && left + fx < screen.width; ++fx) {
                    const uint8_t index = frame.GetPixelIndex(fx, h - 1 - fy);
                    const uint64_t at = uint64_t{top + fy} * screen.width + left + fx;
                    const bool transparent = trans >= 0 && index == trans;
                    // A transparent pixel never hides what an earlier frame painted.
                    if (transparent && painted[at] == 2) continue;
                    canvas.SetPixelColor(left + fx, screen.height - 1 - (top + fy), frame.GetPaletteColor(index));
                    painted[at] = transparent ? 1 : 2;
                }
            }
            if (control.hasTransparency) canvas.SetTransColor(frame.GetPaletteColor(control.transIndex));
        } else if (k > 0 && picture.IsValid()) {
            // Laid over what the previous frame's disposal left: kept (0, 1),
            // its area cleared (2) or the picture from before it (3). In colour
            // when the palettes differ.
            // With nothing before it to restore (a first frame), restoring clears.
            const bool restored = previousDisposal == 3 && restore.IsValid();
            if (restored) picture.Transfer(restore);
            const bool clear = previousDisposal == 2 || (previousDisposal == 3 && !restored);
            const bool sameColors = SamePalette(picture, frame, static_cast<uint32_t>(entries));
            if (!sameColors && picture.GetBpp() <= 8 && !picture.IncreaseBpp(24)) return Fail(picture.GetLastError());
            const int32_t trans = frame.GetTransIndex();
            if (clear) {
                if (sameColors) {
                    if (picture.GetTransIndex() < 0 && trans >= 0) firstTransIndex = trans;
                    const int32_t keyIndex = picture.GetTransIndex() >= 0 ? picture.GetTransIndex() : firstTransIndex;
                    const uint8_t fill = static_cast<uint8_t>(keyIndex >= 0 ? keyIndex : background);
                    FillArea(picture, previousArea, [&](int64_t x, int64_t y) { picture.SetPixelIndex(x, y, fill); });
                } else {
                    if (picture.GetTransIndex() < 0 && trans >= 0) {
                        picture.SetTransColor(frame.GetPaletteColor(static_cast<uint8_t>(trans)));
                        picture.SetTransIndex(0);
                    }
                    const RgbQuad fill = picture.GetTransIndex() >= 0 ? picture.GetTransColor() : backgroundColor;
                    FillArea(picture, previousArea, [&](int64_t x, int64_t y) { picture.SetPixelColor(x, y, fill); });
                }
            }
            if (control.disposal == 3) restore.Copy(picture);
            const int64_t ph = picture.GetHeight();
            for (uint32_t fy = 0; fy < h; ++fy) {
                for (uint32_t fx = 0; fx < w; ++fx) {
                    const uint8_t index = frame.GetPixelIndex(fx, h - 1 - fy);
                    if (trans >= 0 && index == trans) continue;
                    const int64_t px = int64_t{left} + fx - picture.GetXOffset();
                    const int64_t py = ph - 1 - (int64_t{top} + fy - picture.GetYOffset());
                    if (!picture.IsInside(px, py)) continue;
                    if (sameColors) picture.SetPixelIndex(px, py, index);
                    else picture.SetPixelColor(px, py, frame.GetPaletteColor(index));
                }
            }
            if (sameColors) picture.SetTransIndex(firstTransIndex);
            picture.SetFrameDelay(control.delay);
        } else {
            picture.Transfer(frame);
            if (control.disposal == 3) restore.Destroy();
        }
        previousArea = RasterRect{int32_t(left), int32_t(top), int32_t(left + w), int32_t(top + h)};
        last = control;
        previousDisposal = control.disposal;
        disposal_ = control.disposal;
        control = Control{};
        if (!flatten && k == requested) done = true;
        ++k;
    }

    if (flatten) {
        if (!canvas.IsValid()) return Fail("GIF file is truncated");
        if (last.hasTransparency) {
            const RgbQuad key = canvas.GetTransColor();
            for (uint32_t y = 0; y < screen.height; ++y)
                for (uint32_t x = 0; x < screen.width; ++x)
                    if (painted[uint64_t{y} * screen.width + x] < 2)
                        canvas.SetPixelColor(x, screen.height - 1 - y, key);
            canvas.SetTransIndex(0);
        } else {
            canvas.SetTransIndex(-1);
        }
        canvas.SetFrameRect(RasterRect{0, 0, screen.width, screen.height});
        canvas.SetFrameDelay(last.delay);
        picture.Transfer(canvas);
    } else if (!done) {
        return Fail("GIF file is truncated");
    }

    const int frames = flatten ? 1 : count;
    Transfer(picture);
    SetType(TypeGif);
    SetFrame(flatten ? 0 : requested);
    SetNumFrames(frames);
    SetComment(commentBuffer_);
    return true;
}

} // namespace vex
