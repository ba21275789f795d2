#pragma once
// One frame of a picture: a packed device-independent bitmap (40-byte header,
// palette, bottom-up rows padded to four bytes) of 1, 4, 8 or 24 bits per
// pixel, an information record, an optional alpha plane and an optional
// selection mask. Every codec reads into it and every operation works on it.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/ByteStream.h"
#include "image/ImageType.h"

namespace vex {

// Palette entry and pixel colour in blue, green, red, fourth-byte order.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;

    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

inline RgbQuad MakeRgb(uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth = 0)
{
    return RgbQuad{blue, green, red, fourth};
}

// The 40-byte header at the start of every pixel block.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};
inline constexpr uint32_t kInfoHeaderSize = 40;

// Little-endian (de)serialisation of the header.
void StoreInfoHeader(uint8_t* dst, const BitmapInfoHeader& h);
BitmapInfoHeader LoadInfoHeader(const uint8_t* src);

struct RasterRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const RasterRect&, const RasterRect&) = default;
};

// An int that can be read and set from another thread (progress, escape)
// while still letting the record it belongs to be copied.
class SharedInt {
public:
    SharedInt(int v = 0) : v_(v) {}
    SharedInt(const SharedInt& o) : v_(o.load()) {}
    SharedInt& operator=(const SharedInt& o)
    {
        store(o.load());
        return *this;
    }
    int load() const { return v_.load(std::memory_order_relaxed); }
    void store(int v) { v_.store(v, std::memory_order_relaxed); }

private:
    std::atomic<int> v_;
};

inline constexpr size_t kLastErrorSize = 256;
inline constexpr size_t kCommentSize = 256;

class Raster;
struct PaintTarget;
struct IconPlanes;

struct RasterInfo {
    uint32_t stride = 0;
    uint8_t* pixels = nullptr;
    const Raster* ghostSource = nullptr;
    uint32_t type = 0;
    char lastError[kLastErrorSize] = {};
    SharedInt progress;
    SharedInt escape;
    int32_t transIndex = -1;
    RgbQuad transColor;
    uint8_t quality = 75;
    int32_t frame = 0;
    int32_t frameCount = 0;
    uint32_t frameDelay = 0;
    int32_t xDpi = 96;
    int32_t yDpi = 96;
    RasterRect selectionBox;
    uint8_t alphaMax = 255;
    bool alphaPaletteEnabled = false;
    bool enabled = true;
    int32_t xOffset = 0;
    int32_t yOffset = 0;
    uint32_t codecOption = 0;
    RgbQuad lastColor;
    uint8_t lastColorIndex = 0;
    bool lastColorValid = false;
    RasterRect frameRect;
    uint16_t hotspotX = 0;
    uint16_t hotspotY = 0;
    char comment[kCommentSize] = {};
};

class Raster {
public:
    explicit Raster(uint32_t type = 0);
    Raster(const Raster& src, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
    Raster(const char* fileName, uint32_t type);
    Raster& operator=(const Raster& src);
    Raster(Raster&& src) noexcept;
    Raster& operator=(Raster&& src) noexcept;
    virtual ~Raster();

    // ---- lifecycle and structure ----
    uint8_t* Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type = 0);
    void Destroy();
    void Copy(const Raster& src, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
    void CopyInfo(const Raster& src);
    void Transfer(Raster& src);
    void Ghost(const Raster& src);
    void Clear(uint8_t value = 0);
    uint8_t* GetBits(uint32_t row = 0) const;
    const uint8_t* GetDIB() const { return block_; }
    uint64_t GetSize() const;
    bool IsValid() const { return block_ != nullptr; }
    bool IsGhost() const { return info_.ghostSource != nullptr; }

    uint32_t GetWidth() const { return static_cast<uint32_t>(head_.width); }
    uint32_t GetHeight() const { return static_cast<uint32_t>(head_.height); }
    uint16_t GetBpp() const { return head_.bitCount; }
    uint32_t GetNumColors() const { return head_.clrUsed; }
    uint32_t GetClrImportant() const { return head_.clrImportant; }
    uint32_t GetEffWidth() const { return info_.stride; }
    const BitmapInfoHeader& GetHeader() const { return head_; }

    uint32_t GetType() const { return info_.type; }
    void SetType(uint32_t type) { info_.type = type; }
    int32_t GetFrame() const { return info_.frame; }
    void SetFrame(int32_t frame) { info_.frame = frame; }
    int32_t GetNumFrames() const { return info_.frameCount; }
    void SetNumFrames(int32_t count) { info_.frameCount = count; }
    uint32_t GetFrameDelay() const { return info_.frameDelay; }
    void SetFrameDelay(uint32_t delay) { info_.frameDelay = delay; }
    int32_t GetXDPI() const { return info_.xDpi; }
    int32_t GetYDPI() const { return info_.yDpi; }
    void SetXDPI(int32_t dpi);
    void SetYDPI(int32_t dpi);
    uint8_t GetJpegQuality() const { return info_.quality; }
    void SetJpegQuality(uint8_t q) { info_.quality = q; }
    int32_t GetTransIndex() const { return info_.transIndex; }
    void SetTransIndex(int32_t index) { info_.transIndex = index; }
    void SetTransColor(RgbQuad c) { info_.transColor = c; }
    RgbQuad GetTransColor() const;
    const char* GetComment() const { return info_.comment; }
    void SetComment(const char* text);
    int32_t GetXOffset() const { return info_.xOffset; }
    int32_t GetYOffset() const { return info_.yOffset; }
    void SetOffset(int32_t x, int32_t y)
    {
        info_.xOffset = x;
        info_.yOffset = y;
    }
    RasterRect GetFrameRect() const { return info_.frameRect; }
    void SetFrameRect(const RasterRect& r) { info_.frameRect = r; }
    uint16_t GetHotspotX() const { return info_.hotspotX; }
    uint16_t GetHotspotY() const { return info_.hotspotY; }
    void SetHotspot(uint32_t x, uint32_t y)
    {
        info_.hotspotX = static_cast<uint16_t>(x);
        info_.hotspotY = static_cast<uint16_t>(y);
    }
    uint32_t GetCodecOption() const { return info_.codecOption; }
    void SetCodecOption(uint32_t option) { info_.codecOption = option; }
    uint8_t GetAlphaMax() const { return info_.alphaMax; }
    void SetAlphaMax(uint8_t v) { info_.alphaMax = v; }
    bool IsAlphaPaletteEnabled() const { return info_.alphaPaletteEnabled; }
    void AlphaPaletteEnable(bool on = true) { info_.alphaPaletteEnabled = on; }
    bool IsEnabled() const { return info_.enabled; }
    void Enable(bool on = true) { info_.enabled = on; }
    RasterRect GetSelectionBox() const { return info_.selectionBox; }
    void SetSelectionBox(const RasterRect& r) { info_.selectionBox = r; }

    const char* GetLastError() const { return info_.lastError; }
    void SetLastError(const char* text);
    int GetProgress() const { return info_.progress.load(); }
    void SetProgress(int p) { info_.progress.store(p); }
    int GetEscape() const { return info_.escape.load(); }
    void SetEscape(int e) { info_.escape.store(e); }

    // ---- palette ----
    RgbQuad* GetPalette() const;
    uint32_t GetPaletteSize() const { return head_.clrUsed * 4; }
    void SetPaletteColor(uint8_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t fourth = 0);
    void SetPaletteColor(uint8_t index, RgbQuad c);
    RgbQuad GetPaletteColor(uint8_t index) const;
    bool GetPaletteColor(uint8_t index, uint8_t* red, uint8_t* green, uint8_t* blue) const;
    void SetPalette(uint32_t n, const uint8_t* red, const uint8_t* green = nullptr, const uint8_t* blue = nullptr);
    void SetPaletteRgbTriplets(uint32_t n, const uint8_t* rgb);
    void SetPalette(const RgbQuad* entries, uint32_t n);
    void SetGrayPalette();
    void SetStdPalette();
    bool IsGrayScale() const;
    void SwapIndex(uint8_t a, uint8_t b);
    void SetClrImportant(uint32_t n);
    uint8_t GetNearestIndex(RgbQuad c);
    static uint32_t RBSwap(uint32_t packed);
    void RBSwap(uint8_t* buffer, uint64_t length) const;

    // ---- pixels (y counts from the bottom row) ----
    bool IsInside(int64_t x, int64_t y) const;
    uint8_t GetPixelIndex(int64_t x, int64_t y) const;
    void SetPixelIndex(int64_t x, int64_t y, uint8_t index);
    RgbQuad GetPixelColor(int64_t x, int64_t y) const;
    void SetPixelColor(int64_t x, int64_t y, RgbQuad c, bool setAlpha = false);
    void SetPixelColorRef(int64_t x, int64_t y, uint32_t colorRef);
    bool IsTransparent(int64_t x, int64_t y) const;

    // ---- alpha plane ----
    bool AlphaCreate();
    void AlphaDelete();
    void AlphaSet(uint8_t value);
    void AlphaSet(int64_t x, int64_t y, uint8_t value);
    uint8_t AlphaGet(int64_t x, int64_t y) const;
    void AlphaClear() { AlphaSet(uint8_t{0}); }
    bool AlphaCopy(const Raster& src);
    bool AlphaSetFromGray(const Raster& src);
    void AlphaFlip();
    void AlphaMirror();
    bool AlphaPaletteIsValid() const;
    bool AlphaStrip();
    bool AlphaIsValid() const { return alpha_ != nullptr; }
    uint8_t* AlphaGetPointer() const { return alpha_; }

    // ---- selection mask ----
    bool SelectionCreate();
    void SelectionDelete();
    bool SelectionCopy(const Raster& src);
    bool SelectionIsInside(int64_t x, int64_t y) const;
    bool SelectionIsValid() const { return selection_ != nullptr; }
    uint8_t* SelectionGetPointer() const { return selection_; }

    // ---- bit depth ----
    bool IncreaseBpp(uint32_t bpp);
    bool DecreaseBpp(uint32_t bpp, bool errorDiffusion, const RgbQuad* palette = nullptr, uint32_t clrImportant = 0);

    // Converts 16 or 32 bpp source rows (bottom-up) into this 24 bpp image.
    // src holds at least SourceRowBytes(width, bpp) * height bytes.
    void Bitfield2RGB(const uint8_t* src, uint32_t redMask, uint32_t greenMask, uint32_t blueMask, uint32_t bpp);
    static uint64_t BitfieldRowBytes(uint32_t width, uint32_t bpp);

    // ---- quarter turns and reversals (processing/Orientation.cpp) ----
    bool RotateLeft(Raster* destination = nullptr);
    bool RotateRight(Raster* destination = nullptr);
    bool Mirror();
    bool Flip();

    // ---- clipboard blocks, icon planes and painting (image/Raster_Bridge.cpp, image/Bridge.h) ----
    std::vector<uint8_t> CopyToHandle() const;
    bool CreateFromHandle(const uint8_t* dib, uint64_t size);
    bool MakeIcon(IconPlanes& out);
    bool MakeCursor(IconPlanes& out);
    bool CreateFromHICON(const IconPlanes& icon);
    bool Draw(PaintTarget& target, int64_t x, int64_t y, int64_t width = -1, int64_t height = -1,
              const RasterRect* clip = nullptr) const;
    bool Stretch(PaintTarget& target, int64_t x, int64_t y, int64_t width, int64_t height) const;
    // ---- geometric transforms (processing/Geometry.cpp, processing/Resize.cpp) ----
    // Resize methods.
    static constexpr int Bilinear = 0;
    static constexpr int NearestPixel = 1;
    static constexpr int Bicubic = 2;
    bool Rotate(float angle, Raster* destination = nullptr);
    bool Resize(int32_t newWidth, int32_t newHeight, int method = Bilinear, Raster* destination = nullptr);
    bool Crop(int32_t left, int32_t top, int32_t right, int32_t bottom, Raster* destination = nullptr);
    bool ExpandCanvas(int32_t newWidth, int32_t newHeight, RgbQuad fill, uint8_t fillAlpha, uint8_t fillIndex);
    bool Mix(const Raster& source, int32_t offX, int32_t offY);
    static float BSplineWeight(float x);

    // ---- colour operations (processing/Colour.cpp) ----
    bool GrayScale();
    bool Negative();
    bool Light(int32_t brightness, int32_t contrast);
    bool Gamma(float gamma);
    bool Threshold(uint8_t level);
    bool Colorize(uint8_t hue, uint8_t saturation);
    bool ColorizeRGB(int32_t red, int32_t green, int32_t blue);
    void PseudoColors(float correction);
    // colours holds count values: from, to, from, to, ...
    void ReplaceColors(const RgbQuad* colours, int32_t count);

    // ---- tone: luminance histogram and its corrections (processing/Tone.cpp) ----
    // Each table, when given, holds 256 counts. Returns the largest count.
    int32_t Histogram(int32_t* red, int32_t* green = nullptr, int32_t* blue = nullptr, int32_t* grey = nullptr,
                      int32_t colourSpace = 0);
    bool HistogramStretch();
    bool HistogramEqualize();
    bool HistogramNormalize();
    bool HistogramLog();
    bool HistogramRoot();

    // ---- colour spaces (processing/ColourSpace.cpp) ----
    static RgbQuad RgbToHsl(RgbQuad c);
    static RgbQuad HslToRgb(RgbQuad hsl);
    static RgbQuad RgbToYuv(RgbQuad c);
    static RgbQuad YuvToRgb(RgbQuad yuv);
    static RgbQuad YiqToRgb(RgbQuad yiq);
    static RgbQuad XyzToRgb(RgbQuad xyz);
    static float HueToRgb(float low, float high, float hue);

    // ---- neighbourhood filters (processing/Filters.cpp) ----
    // kernel holds size * size weights, row dy = -size/2 first.
    bool KernelFilter(const int32_t* kernel, int32_t size, int32_t divisor, int32_t offset);
    bool Median(int32_t size);
    bool Erode(int32_t size);
    bool Dilate(int32_t size);
    bool Contour();
    bool Jitter(int32_t radius);
    bool Noise(int32_t level);

    // ---- files and streams ----
    bool Decode(ByteStream* stream, uint32_t type);
    bool Decode(std::FILE* file, uint32_t type);
    bool Load(const char* fileName, uint32_t type);
    bool LoadResource(const void* data, uint64_t size, uint32_t type);
    bool Encode(ByteStream* stream, uint32_t type);
    bool Encode(std::FILE* file, uint32_t type);
    bool Save(const char* fileName, uint32_t type);

    // Codec entry points: a codec derives from Raster and overrides these.
    virtual bool DecodeStream(ByteStream* stream);
    virtual bool EncodeStream(ByteStream* stream);
    // Formats read only by file name (animated cursors).
    virtual bool DecodeFile(const char* fileName);
    // The multi-frame writer of the formats that have one.
    virtual bool HasMultiFrameWriter() const { return false; }
    virtual bool EncodeFrames(ByteStream* stream, Raster* const* frames, int count);

protected:
    // The checks every single-image writer makes first.
    bool CheckWriter(ByteStream* stream);
    // Writes the header held by the image into the block.
    void SyncHeaderToBlock();
    BitmapInfoHeader& MutableHeader() { return head_; }
    RasterInfo& MutableInfo() { return info_; }

private:
    void CopyInfoFields(const RasterInfo& src);
    void ResetToDefaults(uint32_t type);
    uint64_t PlaneBytes() const;
    bool DecodeGuess(ByteStream* stream);
    bool MakeIconPlanes(IconPlanes& out, bool isIcon);

    BitmapInfoHeader head_;
    RasterInfo info_;
    uint8_t* block_ = nullptr;
    uint8_t* alpha_ = nullptr;
    uint8_t* selection_ = nullptr;
};

} // namespace vex
