// OpenJPEG's high-throughput block decoder stops the whole program with a
// failed assertion on damaged code blocks, so such streams are recognised
// here, before the library decodes them, and decoded apart. Only marker
// segments are read: the main header, then every tile-part header, following
// Psot and falling back to a search for the next SOT where a length is wrong
// (a SOT marker cannot occur inside standard packet data).

#include "image/codecs/J2kBlockCoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "image/ByteOrder.h"

namespace vex {
namespace {

constexpr unsigned kSoc = 0xFF4F, kSiz = 0xFF51, kCod = 0xFF52, kCoc = 0xFF53;
constexpr unsigned kSot = 0xFF90, kSod = 0xFF93, kEoc = 0xFFD9;
constexpr uint8_t kHighThroughputStyle = 0x40;
constexpr unsigned kHighThroughputProfile = 0x4000;

class Bytes {
public:
    explicit Bytes(ByteStream* s) : s_(s), size_(s->Size()) {}
    int64_t Size() const { return size_; }

    bool Read(int64_t at, uint8_t* out, size_t n)
    {
        if (at < 0 || size_ < 0 || at > size_ || static_cast<uint64_t>(size_ - at) < n) return false;
        return s_->Seek(at, 0) && s_->Read(out, 1, n) == n;
    }
    bool U8(int64_t at, unsigned& v)
    {
        uint8_t b = 0;
        if (!Read(at, &b, 1)) return false;
        v = b;
        return true;
    }
    bool U16(int64_t at, unsigned& v)
    {
        uint8_t b[2];
        if (!Read(at, b, 2)) return false;
        v = Be16(b);
        return true;
    }
    bool U32(int64_t at, uint64_t& v)
    {
        uint8_t b[4];
        if (!Read(at, b, 4)) return false;
        v = Be32(b);
        return true;
    }
    bool U64(int64_t at, uint64_t& v)
    {
        uint8_t b[8];
        if (!Read(at, b, 8)) return false;
        v = uint64_t{Be32(b)} << 32 | Be32(b + 4);
        return true;
    }

    // Position of the next occurrence of the four bytes at or after `from`,
    // or -1.
    int64_t Find(int64_t from, const std::array<uint8_t, 4>& pattern)
    {
        std::vector<uint8_t> chunk(64 * 1024);
        for (int64_t at = from; at >= 0 && at + 4 <= size_;) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(chunk.size()), size_ - at));
            if (!Read(at, chunk.data(), n)) return -1;
            for (size_t i = 0; i + 4 <= n; ++i)
                if (chunk[i] == pattern[0] && chunk[i + 1] == pattern[1] && chunk[i + 2] == pattern[2] &&
                    chunk[i + 3] == pattern[3])
                    return at + static_cast<int64_t>(i);
            if (n < 4) return -1;
            at += static_cast<int64_t>(n) - 3; // a pattern may straddle two chunks
        }
        return -1;
    }
    // The next SOT marker with its fixed length.
    int64_t FindSot(int64_t from) { return Find(from, {0xFF, 0x90, 0x00, 0x0A}); }

private:
    ByteStream* s_;
    int64_t size_;
};

// Start of the contiguous code stream box of a JP2 file, or -1.
int64_t FindCodeStreamBox(Bytes& in, int64_t at)
{
    while (at >= 0 && at + 8 <= in.Size()) {
        uint64_t length = 0, type = 0;
        if (!in.U32(at, length) || !in.U32(at + 4, type)) return -1;
        int64_t header = 8;
        if (length == 1) {
            if (!in.U64(at + 8, length)) return -1;
            header = 16;
        }
        if (type == 0x6A703263) return at + header; // "jp2c"
        if (length == 0 || length < static_cast<uint64_t>(header) ||
            length > static_cast<uint64_t>(in.Size() - at))
            return -1;
        at += static_cast<int64_t>(length);
    }
    return -1;
}

struct Segments {
    Bytes& in;
    unsigned components = 0;

    // Reads the marker segment at `at`; false when there is none there.
    // `length` covers the segment after its marker; `coder` is set when the
    // segment asks for the high-throughput coder.
    bool Next(int64_t at, unsigned& marker, unsigned& length, bool& coder)
    {
        if (!in.U16(at, marker) || (marker >> 8) != 0xFF) return false;
        if (marker == kSot || marker == kSod || marker == kEoc) return true;
        if (!in.U16(at + 2, length) || length < 2) return false;
        const int64_t data = at + 4;
        const unsigned size = length - 2;
        unsigned v = 0;
        if (marker == kSiz) {
            if (size >= 2 && in.U16(data, v) && (v & kHighThroughputProfile)) coder = true;
            if (size >= 36 && in.U16(data + 34, v)) components = v;
        } else if (marker == kCod) {
            if (size >= 9 && in.U8(data + 8, v) && (v & kHighThroughputStyle)) coder = true;
        } else if (marker == kCoc) {
            const unsigned index = components < 257 ? 1 : 2;
            if (size >= index + 5 && in.U8(data + index + 4, v) && (v & kHighThroughputStyle)) coder = true;
        }
        return true;
    }
};

bool Scan(Bytes& in, int64_t start)
{
    unsigned marker = 0, length = 0;
    if (!in.U16(start, marker) || marker != kSoc) return false;
    Segments segments{in};
    bool coder = false;
    int64_t at = start + 2;
    for (;;) {
        if (!segments.Next(at, marker, length, coder)) return coder;
        if (coder) return true;
        if (marker == kSot) break;
        if (marker == kSod || marker == kEoc) return false;
        at += 2 + int64_t{length};
    }
    // Tile parts.
    while (at >= 0 && at < in.Size()) {
        if (!in.U16(at, marker) || marker == kEoc) return false;
        if (marker != kSot) {
            at = in.FindSot(at + 1);
            continue;
        }
        const int64_t tile = at;
        uint64_t psot = 0;
        if (!in.U32(tile + 6, psot)) return false;
        int64_t header = tile + 12;
        while (segments.Next(header, marker, length, coder) && marker != kSod && marker != kSot &&
               marker != kEoc) {
            if (coder) return true;
            header += 2 + int64_t{length};
        }
        if (coder) return true;
        if (psot == 0) return false; // the last tile part runs to the end
        const int64_t next = psot >= 14 && psot <= static_cast<uint64_t>(in.Size())
                                 ? tile + static_cast<int64_t>(psot)
                                 : in.FindSot(header);
        if (next <= tile) return false;
        at = next;
    }
    return false;
}

} // namespace

bool UsesHighThroughputBlocks(ByteStream* stream, bool jp2)
{
    const int64_t start = stream->Tell();
    if (start < 0) return false;
    Bytes in(stream);
    int64_t codeStream = jp2 ? FindCodeStreamBox(in, start) : start;
    // Boxes this walk cannot follow: look for the code stream's first two
    // markers instead, so that no reading of the boxes slips past the check.
    if (codeStream < 0) codeStream = in.Find(start, {0xFF, 0x4F, 0xFF, 0x51});
    const bool found = codeStream >= 0 && Scan(in, codeStream);
    stream->Seek(start, 0);
    return found;
}

} // namespace vex
