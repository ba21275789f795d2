#include "image/ByteOrder.h"
#include "image/Raster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/Limits.h"

namespace vex {
namespace {

uint32_t NormaliseBpp(uint32_t bpp)
{
    if (bpp <= 1) return 1;
    if (bpp <= 4) return 4;
    if (bpp <= 8) return 8;
    return 24;
}

int32_t DpiToPelsPerMeter(int32_t dpi)
{
    // Resolutions read from files can be absurd; the header field saturates.
    return static_cast<int32_t>(std::clamp(std::floor(dpi * 39.37007874015748 + 0.5), -2147483648.0, 2147483647.0));
}

std::atomic<uint64_t> gMemoryLimit{kMaxImageBytes};

} // namespace

uint64_t RasterMemoryLimit()
{
    return gMemoryLimit.load(std::memory_order_relaxed);
}

void SetRasterMemoryLimit(uint64_t bytes)
{
    gMemoryLimit.store(std::min(bytes, kMaxImageBytes), std::memory_order_relaxed);
}

void StoreInfoHeader(uint8_t* d, const BitmapInfoHeader& h)
{
    StoreLe32(d + 0, h.size);
    StoreLe32(d + 4, static_cast<uint32_t>(h.width));
    StoreLe32(d + 8, static_cast<uint32_t>(h.height));
    StoreLe16(d + 12, h.planes);
    StoreLe16(d + 14, h.bitCount);
    StoreLe32(d + 16, h.compression);
    StoreLe32(d + 20, h.sizeImage);
    StoreLe32(d + 24, static_cast<uint32_t>(h.xPelsPerMeter));
    StoreLe32(d + 28, static_cast<uint32_t>(h.yPelsPerMeter));
    StoreLe32(d + 32, h.clrUsed);
    StoreLe32(d + 36, h.clrImportant);
}

BitmapInfoHeader LoadInfoHeader(const uint8_t* s)
{
    BitmapInfoHeader h;
    h.size = Le32(s + 0);
    h.width = static_cast<int32_t>(Le32(s + 4));
    h.height = static_cast<int32_t>(Le32(s + 8));
    h.planes = Le16(s + 12);
    h.bitCount = Le16(s + 14);
    h.compression = Le32(s + 16);
    h.sizeImage = Le32(s + 20);
    h.xPelsPerMeter = static_cast<int32_t>(Le32(s + 24));
    h.yPelsPerMeter = static_cast<int32_t>(Le32(s + 28));
    h.clrUsed = Le32(s + 32);
    h.clrImportant = Le32(s + 36);
    return h;
}

Raster::Raster(uint32_t type)
{
    ResetToDefaults(type);
}

Raster::Raster(const Raster& src, bool copyPixels, bool copySelection, bool copyAlpha)
{
    ResetToDefaults(src.GetType());
    Copy(src, copyPixels, copySelection, copyAlpha);
}

Raster::Raster(const char* fileName, uint32_t type)
{
    ResetToDefaults(type);
    Load(fileName, type);
}

Raster& Raster::operator=(const Raster& src)
{
    if (this != &src) Copy(src, true, true, true);
    return *this;
}

Raster::Raster(Raster&& src) noexcept
{
    ResetToDefaults(0);
    Transfer(src);
}

Raster& Raster::operator=(Raster&& src) noexcept
{
    Transfer(src);
    return *this;
}

Raster::~Raster()
{
    Destroy();
}

void Raster::ResetToDefaults(uint32_t type)
{
    head_ = BitmapInfoHeader{};
    info_ = RasterInfo{};
    info_.type = type;
    head_.xPelsPerMeter = head_.yPelsPerMeter = DpiToPelsPerMeter(96);
}

void Raster::SetLastError(const char* text)
{
    if (!text) text = "";
    // The text may be this image's own message (a reader passing its last
    // error on), so the copy must allow overlap.
    const size_t n = strnlen(text, kLastErrorSize - 1);
    std::memmove(info_.lastError, text, n);
    std::memset(info_.lastError + n, 0, kLastErrorSize - n);
}

void Raster::SetComment(const char* text)
{
    if (!text) text = "";
    std::strncpy(info_.comment, text, kCommentSize - 1);
    info_.comment[kCommentSize - 1] = '\0';
}

void Raster::SetXDPI(int32_t dpi)
{
    info_.xDpi = dpi;
    head_.xPelsPerMeter = DpiToPelsPerMeter(dpi);
    SyncHeaderToBlock();
}

void Raster::SetYDPI(int32_t dpi)
{
    info_.yDpi = dpi;
    head_.yPelsPerMeter = DpiToPelsPerMeter(dpi);
    SyncHeaderToBlock();
}

void Raster::SyncHeaderToBlock()
{
    if (block_) StoreInfoHeader(block_, head_);
}

uint8_t* Raster::Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type)
{
    Destroy();
    info_.ghostSource = nullptr;
    block_ = alpha_ = selection_ = nullptr;
    info_.pixels = nullptr;

    const uint32_t depth = NormaliseBpp(bpp);
    if (!SideInRange(width) || !SideInRange(height)) {
        SetLastError("Raster::Create can't allocate memory");
        return nullptr;
    }
    const uint32_t colours = depth == 24 ? 0 : (1u << depth);
    auto stride = RowStride(width, depth);
    auto rows = stride ? BlockSize(*stride, height) : std::nullopt;
    auto total = rows ? CheckedAdd(*rows, kInfoHeaderSize + 4ull * colours) : std::nullopt;
    // The alpha plane and selection mask of an image this size must fit too.
    auto plane = CheckedMul(width, height);
    if (!total || *total > RasterMemoryLimit() || !plane || *plane > RasterMemoryLimit()) {
        SetLastError("RASTER_MAX_MEMORY exceeded");
        return nullptr;
    }
    // Rows start zeroed so a short or failed decode never shows stale memory.
    auto* block = static_cast<uint8_t*>(std::calloc(*total, 1));
    if (!block) {
        SetLastError("Raster::Create can't allocate memory");
        return nullptr;
    }
    head_.size = kInfoHeaderSize;
    head_.width = static_cast<int32_t>(width);
    head_.height = static_cast<int32_t>(height);
    head_.planes = 1;
    head_.bitCount = static_cast<uint16_t>(depth);
    head_.compression = 0;
    head_.sizeImage = static_cast<uint32_t>(*rows);
    head_.clrUsed = colours;
    head_.clrImportant = 0;

    info_.type = type;
    info_.stride = static_cast<uint32_t>(*stride);
    info_.lastColorValid = false;
    block_ = block;
    info_.pixels = block_ + kInfoHeaderSize + 4ull * colours;
    StoreInfoHeader(block_, head_);
    return block_;
}

void Raster::Destroy()
{
    if (IsGhost()) {
        // A ghost forgets what it borrowed and never frees it.
        block_ = alpha_ = selection_ = nullptr;
        info_.pixels = nullptr;
        info_.ghostSource = nullptr;
        return;
    }
    std::free(selection_);
    std::free(alpha_);
    std::free(block_);
    selection_ = alpha_ = block_ = nullptr;
    info_.pixels = nullptr;
}

void Raster::CopyInfoFields(const RasterInfo& src)
{
    // Buffer addresses, the ghost link and the nearest-colour cache belong to
    // one image and are never copied.
    const uint32_t stride = info_.stride;
    uint8_t* pixels = info_.pixels;
    const Raster* ghost = info_.ghostSource;
    info_ = src;
    info_.stride = stride;
    info_.pixels = pixels;
    info_.ghostSource = ghost;
    info_.lastColorValid = false;
    info_.lastColor = RgbQuad{};
    info_.lastColorIndex = 0;
}

void Raster::Copy(const Raster& src, bool copyPixels, bool copySelection, bool copyAlpha)
{
    if (this == &src) return;
    Destroy();
    CopyInfoFields(src.info_);
    head_.xPelsPerMeter = src.head_.xPelsPerMeter;
    head_.yPelsPerMeter = src.head_.yPelsPerMeter;
    if (!src.block_) return;
    if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.GetType())) return;
    if (copyPixels) {
        std::memcpy(block_, src.block_, GetSize());
        head_ = src.head_;
    } else {
        if (src.GetPaletteSize()) std::memcpy(GetPalette(), src.GetPalette(), src.GetPaletteSize());
        head_.clrImportant = src.head_.clrImportant;
        StoreInfoHeader(block_, head_);
    }
    if (copySelection && src.selection_) SelectionCopy(src);
    if (copyAlpha && src.alpha_) AlphaCopy(src);
}

void Raster::CopyInfo(const Raster& src)
{
    if (block_) return;
    CopyInfoFields(src.info_);
    head_.xPelsPerMeter = src.head_.xPelsPerMeter;
    head_.yPelsPerMeter = src.head_.yPelsPerMeter;
}

void Raster::Transfer(Raster& src)
{
    if (this == &src) return;
    Destroy();
    head_ = src.head_;
    info_ = src.info_;
    block_ = src.block_;
    alpha_ = src.alpha_;
    selection_ = src.selection_;
    src.block_ = src.alpha_ = src.selection_ = nullptr;
    src.head_ = BitmapInfoHeader{};
    src.info_ = RasterInfo{};
}

void Raster::Ghost(const Raster& src)
{
    if (this == &src) return;
    Destroy();
    head_ = src.head_;
    info_ = src.info_;
    block_ = src.block_;
    alpha_ = src.alpha_;
    selection_ = src.selection_;
    info_.ghostSource = &src;
}

void Raster::Clear(uint8_t value)
{
    if (block_) std::memset(info_.pixels, value, head_.sizeImage);
}

uint8_t* Raster::GetBits(uint32_t row) const
{
    if (!block_) return nullptr;
    if (row == 0) return info_.pixels;
    if (row < GetHeight()) return info_.pixels + static_cast<uint64_t>(row) * info_.stride;
    return nullptr;
}

uint64_t Raster::GetSize() const
{
    if (!block_) return 0;
    return kInfoHeaderSize + uint64_t{GetPaletteSize()} + head_.sizeImage;
}

uint64_t Raster::PlaneBytes() const
{
    return uint64_t{GetWidth()} * GetHeight();
}

bool Raster::CheckWriter(ByteStream* stream)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    if (!block_) {
        SetLastError("null image!!!");
        return false;
    }
    return true;
}

bool Raster::DecodeStream(ByteStream*)
{
    return false;
}

bool Raster::EncodeStream(ByteStream*)
{
    return false;
}

bool Raster::DecodeFile(const char*)
{
    return false;
}

bool Raster::EncodeFrames(ByteStream*, Raster* const*, int)
{
    SetLastError("Encode: Unknown format");
    return false;
}

} // namespace vex
