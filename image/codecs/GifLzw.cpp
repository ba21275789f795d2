#include "image/codecs/GifLzw.h"

#include <algorithm>
#include <array>

namespace vex {
namespace {

constexpr int kMaxCodes = 4096;

// Codes read least significant bit first from the data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(ByteStream* stream) : stream_(stream) {}

    // The next code, or -1 at the terminator (ended) or the end of the stream (truncated).
    int Next(int width)
    {
        while (bits_ < width) {
            if (left_ == 0) {
                const int length = stream_->GetC();
                if (length < 0) {
                    truncated_ = true;
                    return -1;
                }
                if (length == 0) {
                    ended_ = true;
                    return -1;
                }
                left_ = length;
            }
            const int byte = stream_->GetC();
            if (byte < 0) {
                truncated_ = true;
                return -1;
            }
            --left_;
            acc_ |= static_cast<uint32_t>(byte) << bits_;
            bits_ += 8;
        }
        const int code = static_cast<int>(acc_ & ((1u << width) - 1));
        acc_ >>= width;
        bits_ -= width;
        return code;
    }

    // Skips what is left of the data up to the terminator.
    bool Finish()
    {
        if (ended_) return true;
        if (truncated_) return false;
        if (left_ > 0 && !stream_->Seek(left_, 1)) return false;
        left_ = 0;
        return GifSkipSubBlocks(stream_);
    }

    bool Truncated() const { return truncated_; }

private:
    ByteStream* stream_;
    uint32_t acc_ = 0;
    int bits_ = 0;
    int left_ = 0;
    bool ended_ = false;
    bool truncated_ = false;
};

} // namespace

bool GifSkipSubBlocks(ByteStream* stream)
{
    for (;;) {
        const int length = stream->GetC();
        if (length < 0) return false;
        if (length == 0) return true;
        const int64_t here = stream->Tell();
        const int64_t size = stream->Size();
        if (here < 0 || size < 0 || size - here < length) return false;
        if (!stream->Seek(length, 1)) return false;
    }
}

GifLzwStatus GifLzwDecode(ByteStream* stream, std::vector<uint8_t>& out, const volatile int* escape)
{
    const int codeSize = stream->GetC();
    if (codeSize < 0) return GifLzwStatus::Truncated;
    if (codeSize < 2 || codeSize > 9) return GifLzwStatus::BadCodeSize;

    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes + 1> stack{};
    const int clear = 1 << codeSize, end = clear + 1;
    for (int i = 0; i < clear; ++i) suffix[i] = static_cast<uint8_t>(i);
    int width = codeSize + 1, limit = 1 << width, next = clear + 2;
    int previous = -1; // -1: just cleared (also at the start)
    uint8_t first = 0;
    size_t filled = 0;
    CodeReader reader(stream);
    GifLzwStatus status = GifLzwStatus::Ok;

    while (filled < out.size()) {
        if (escape && *escape) return GifLzwStatus::Cancelled;
        const int code = reader.Next(width);
        if (code < 0) break;
        if (code == clear) {
            width = codeSize + 1;
            limit = 1 << width;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) break;
        if (previous < 0) {
            const int literal = code < next ? code : 0;
            if (literal >= clear) {
                status = GifLzwStatus::BadCode;
                break;
            }
            out[filled++] = static_cast<uint8_t>(literal);
            first = static_cast<uint8_t>(literal);
            previous = literal;
            continue;
        }
        // A code past the next free one has no meaning; the frame stops here.
        if (code > next) {
            status = GifLzwStatus::BadCode;
            break;
        }
        int c = code;
        size_t depth = 0;
        if (code == next) {
            stack[depth++] = first;
            c = previous;
        }
        while (c >= clear && depth < kMaxCodes) {
            stack[depth++] = suffix[c];
            c = prefix[c];
        }
        if (c >= clear) {
            status = GifLzwStatus::BadCode;
            break;
        }
        stack[depth++] = static_cast<uint8_t>(c);
        first = static_cast<uint8_t>(c);
        while (depth > 0 && filled < out.size()) out[filled++] = stack[--depth];
        if (next < kMaxCodes) {
            prefix[next] = static_cast<uint16_t>(previous);
            suffix[next] = first;
            ++next;
            if (next >= limit && width < 12) {
                ++width;
                limit <<= 1;
            }
        }
        previous = code;
    }
    if (status != GifLzwStatus::Ok) return status;
    if (reader.Truncated()) return GifLzwStatus::Truncated;
    // Pixels the code stream never gave are not made up; this also keeps the
    // work of a frame proportional to its data.
    if (filled < out.size()) return GifLzwStatus::Short;
    // Whatever follows the last pixel is skipped; a file cut there is still whole.
    reader.Finish();
    return GifLzwStatus::Ok;
}

} // namespace vex
