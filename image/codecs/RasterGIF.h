#pragma once
// GIF files: every frame of GIF87a/GIF89a read with our own LZW decoder
// (interlace, graphic control, comments, looping, composition of frames kept
// over their predecessor, flattening of animations made of partial frames);
// written as GIF89a with one of three code streams, as tiles with their own
// palettes above 8 bpp, and as animations.

#include <cstdint>
#include <vector>

#include "image/Raster.h"

namespace vex {

class RasterGIF : public Raster {
public:
    RasterGIF() : Raster(TypeGif) {}

    bool DecodeStream(ByteStream* stream) override;
    bool EncodeStream(ByteStream* stream) override;
    bool HasMultiFrameWriter() const override { return true; }
    // The editor's animations are written with local colour tables.
    bool EncodeFrames(ByteStream* stream, Raster* const* frames, int count) override
    {
        return EncodeFrames(stream, frames, count, true);
    }
    bool EncodeFrames(ByteStream* stream, Raster* const* frames, int count, bool localColorTables);

    // Number of times an animation plays: 0 for ever, 1 once (no looping
    // extension), n > 1 for n plays (n - 1 repetitions in the file).
    int GetLoops() const { return loops_; }
    void SetLoops(int loops) { loops_ = loops; }
    uint8_t GetDisposalMethod() const { return disposal_; }
    void SetDisposalMethod(uint8_t method) { disposal_ = static_cast<uint8_t>(method & 7); }

private:
    struct Control {
        bool hasTransparency = false;
        uint8_t transIndex = 0;
        uint16_t delay = 0;
        uint8_t disposal = 0;
        bool seen = false;
    };
    struct Screen {
        uint16_t width = 0;
        uint16_t height = 0;
        std::vector<uint8_t> globalTable; // red, green, blue triples
    };

    bool Fail(const char* message);
    int CountFrames(ByteStream* stream);
    bool ReadExtension(ByteStream* stream, Control& control, bool store);
    bool ReadColorTable(ByteStream* stream, int entries, std::vector<uint8_t>& table);
    // A graphic control extension, the comment when given, and the image.
    bool WriteImage(ByteStream* stream, const Raster& image, int left, int top, bool localTable, const char* comment,
                    uint16_t delay, uint8_t disposal);
    bool WriteTrueColor(ByteStream* stream);

    char commentBuffer_[kCommentSize] = {};
    int loops_ = 0;
    uint8_t disposal_ = 0;
};

} // namespace vex
