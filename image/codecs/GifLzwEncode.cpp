// The three code streams of the GIF writer: every pixel as a literal code,
// the classic hashed LZW compressor, and the run-length compressor that
// builds runs of one pixel in the decoder's table.

#include <algorithm>
#include <array>
#include <cmath>

#include "image/codecs/GifLzw.h"

namespace vex {
namespace {

constexpr int kHashSize = 5003;
constexpr int kMaxCode = 4096;

// Packs codes least significant bit first into length-prefixed sub-blocks.
class CodeWriter {
public:
    CodeWriter(std::vector<uint8_t>& out, size_t packetSize) : out_(out), packetSize_(packetSize) {}

    void Put(int code, int width)
    {
        acc_ |= static_cast<uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            Byte(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }

    void Finish()
    {
        if (bits_ > 0) Byte(static_cast<uint8_t>(acc_));
        acc_ = 0;
        bits_ = 0;
        Emit();
    }

private:
    void Byte(uint8_t b)
    {
        packet_.push_back(b);
        if (packet_.size() >= packetSize_) Emit();
    }
    void Emit()
    {
        if (packet_.empty()) return;
        out_.push_back(static_cast<uint8_t>(packet_.size()));
        out_.insert(out_.end(), packet_.begin(), packet_.end());
        packet_.clear();
    }

    std::vector<uint8_t>& out_;
    size_t packetSize_;
    std::vector<uint8_t> packet_;
    uint32_t acc_ = 0;
    int bits_ = 0;
};

// Width bookkeeping shared by the plain and LZW modes. The width grows when
// the next free code has passed the limit, checked before the code count
// moves on, which is when the decoder grows it too.
struct Widths {
    int minCodeSize;
    int width;
    int limit;
    explicit Widths(int m) : minCodeSize(m), width(m + 1), limit((1 << (m + 1)) - 1) {}
    void Reset()
    {
        width = minCodeSize + 1;
        limit = (1 << width) - 1;
    }
    void Check(int nextFree)
    {
        if (nextFree > limit) {
            ++width;
            limit = width == 12 ? kMaxCode : (1 << width) - 1;
        }
    }
};

void EncodePlain(const std::vector<uint8_t>& pixels, int m, CodeWriter& out)
{
    const int clear = 1 << m, end = clear + 1;
    Widths w(m);
    int next = clear + 2;
    out.Put(clear, w.width);
    for (uint8_t p : pixels) {
        out.Put(p, w.width);
        w.Check(next);
        if (next > kMaxCode - 1) {
            out.Put(clear, w.width);
            w.Reset();
            next = clear + 2;
        } else {
            ++next;
        }
    }
    out.Put(end, w.width);
}

void EncodeLzw(const std::vector<uint8_t>& pixels, int m, CodeWriter& out)
{
    const int clear = 1 << m, end = clear + 1;
    std::array<int32_t, kHashSize> keys;
    std::array<uint16_t, kHashSize> codes{};
    keys.fill(-1);
    Widths w(m);
    int next = clear + 2;
    auto put = [&](int code) {
        out.Put(code, w.width);
        w.Check(next);
    };
    out.Put(clear, w.width);
    if (pixels.empty()) {
        out.Put(end, w.width);
        return;
    }
    int prefix = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int c = pixels[i];
        const int32_t key = (c << 12) + prefix;
        int slot = (c << 4) ^ prefix;
        bool found = false;
        if (keys[slot] == key) {
            found = true;
        } else if (keys[slot] >= 0) {
            const int step = slot == 0 ? 1 : kHashSize - slot;
            do {
                slot -= step;
                if (slot < 0) slot += kHashSize;
                if (keys[slot] == key) {
                    found = true;
                    break;
                }
            } while (keys[slot] >= 0);
        }
        if (found) {
            prefix = codes[slot];
            continue;
        }
        put(prefix);
        if (next < kMaxCode) {
            codes[slot] = static_cast<uint16_t>(next++);
            keys[slot] = key;
        } else {
            keys.fill(-1);
            out.Put(clear, w.width);
            w.Reset();
            next = clear + 2;
        }
        prefix = c;
    }
    put(prefix);
    out.Put(end, w.width);
}

// The run-length compressor: after a clear the decoder's table can be made
// to hold runs of one pixel of length 2, 3, ... at base, base + 1, ...
class RunLengthEncoder {
public:
    RunLengthEncoder(int m, CodeWriter& out)
        : out_(out), m_(m), clear_(1 << m), base_(clear_ + 2), bumpInit_(clear_ - 1),
          clearInit_(m + 1 <= 3 ? 9 : clear_ - 2), maxCodes_(4093 - clear_)
    {
    }

    void Encode(const std::vector<uint8_t>& pixels)
    {
        Reset();
        out_.Put(clear_, width_);
        size_t i = 0;
        while (i < pixels.size()) {
            size_t j = i + 1;
            while (j < pixels.size() && pixels[j] == pixels[i]) ++j;
            FlushRun(pixels[i], static_cast<int64_t>(j - i));
            i = j;
        }
        out_.Put(clear_ + 1, width_);
    }

private:
    void Reset()
    {
        width_ = m_ + 1;
        bump_ = bumpInit_;
        clearLimit_ = clearInit_;
        emitted_ = 0;
        tableMax_ = 0;
        justCleared_ = true;
    }

    void WriteClear()
    {
        out_.Put(clear_, width_);
        Reset();
    }

    void Emit(int code)
    {
        justCleared_ = false;
        out_.Put(code, width_);
        ++emitted_;
        if (emitted_ >= bump_) {
            ++width_;
            bump_ += 1 << (width_ - 1);
        }
        if (emitted_ >= clearLimit_) WriteClear();
    }

    // Codes needed to send n pixels as runs of growing length.
    int64_t Triangle(int64_t n) const
    {
        const int64_t q = maxCodes_;
        const int64_t full = q * (q + 1) / 2;
        int64_t cost = 0;
        while (n >= full) {
            cost += q;
            n -= full;
        }
        if (n > 0) {
            int64_t j = static_cast<int64_t>(std::sqrt(static_cast<double>(2 * n)));
            while (j > 0 && (j - 1) * j >= 2 * n) --j;
            while (j * (j + 1) < 2 * n) ++j;
            cost += j;
        }
        return cost;
    }

    void RestoreLimit()
    {
        clearLimit_ = clearInit_;
        if (emitted_ >= clearLimit_) WriteClear();
    }

    void FlushFromClear(int pixel, int64_t n)
    {
        clearLimit_ = maxCodes_;
        tablePixel_ = pixel;
        int64_t j = 1;
        while (n > 0) {
            if (j == 1) {
                tableMax_ = 1;
                Emit(pixel);
                n -= 1;
            } else if (n >= j) {
                tableMax_ = static_cast<int>(j);
                Emit(base_ + static_cast<int>(j) - 2);
                n -= j;
            } else if (n == 1) {
                ++tableMax_;
                Emit(pixel);
                n = 0;
            } else {
                ++tableMax_;
                Emit(base_ + static_cast<int>(n) - 2);
                n = 0;
            }
            j = emitted_ == 0 ? 1 : j + 1;
        }
        RestoreLimit();
    }

    void FlushRun(int pixel, int64_t n)
    {
        if (n == 1) {
            Emit(pixel);
        } else if (justCleared_) {
            FlushFromClear(pixel, n);
        } else if (tableMax_ < 2 || tablePixel_ != pixel) {
            if (1 + Triangle(n) < n) {
                WriteClear();
                FlushFromClear(pixel, n);
            } else {
                for (int64_t i = 0; i < n; ++i) Emit(pixel);
            }
        } else {
            int64_t r = n / tableMax_;
            int64_t left = n % tableMax_;
            int64_t extra = left > 0 ? 1 : 0;
            if (emitted_ + r + extra > maxCodes_) {
                r = maxCodes_ - emitted_;
                left = n - r * tableMax_;
                extra = 1 + Triangle(left);
            }
            if (1 + Triangle(n) < r + extra) {
                WriteClear();
                FlushFromClear(pixel, n);
                return;
            }
            clearLimit_ = maxCodes_;
            for (int64_t i = 0; i < r; ++i) Emit(base_ + tableMax_ - 2);
            // Nothing is left over when the run was a whole number of table runs.
            if (left > 0) {
                if (justCleared_) FlushFromClear(pixel, left);
                else if (left == 1) Emit(pixel);
                else Emit(base_ + static_cast<int>(left) - 2);
            }
            RestoreLimit();
        }
    }

    CodeWriter& out_;
    int m_, clear_, base_, bumpInit_, clearInit_, maxCodes_;
    int width_ = 0, bump_ = 0, clearLimit_ = 0, emitted_ = 0, tablePixel_ = 0, tableMax_ = 0;
    bool justCleared_ = true;
};

} // namespace

std::vector<uint8_t> GifLzwEncode(const std::vector<uint8_t>& pixels, int minCodeSize, GifCodeMode mode)
{
    std::vector<uint8_t> out;
    CodeWriter writer(out, mode == GifCodeMode::RunLength ? 255 : 254);
    switch (mode) {
    case GifCodeMode::Plain: EncodePlain(pixels, minCodeSize, writer); break;
    case GifCodeMode::Lzw: EncodeLzw(pixels, minCodeSize, writer); break;
    default: RunLengthEncoder(minCodeSize, writer).Encode(pixels); break;
    }
    writer.Finish();
    return out;
}

} // namespace vex
