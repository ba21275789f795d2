// Animated cursor reader and writer.

#include "image/ByteOrder.h"
#include "image/codecs/RasterANI.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numeric>

#include "image/Limits.h"
#include "image/codecs/RasterICO.h"

namespace vex {
namespace {

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

bool IsTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Moves forward; a skip that would pass the end of the stream fails.
bool Skip(ByteStream* stream, uint64_t n)
{
    const int64_t size = stream->Size(), here = stream->Tell();
    if (size >= 0 && here >= 0 && n > static_cast<uint64_t>(size - here)) return false;
    return n == 0 || stream->Seek(static_cast<int64_t>(n), 1);
}

uint64_t BytesLeft(ByteStream* stream)
{
    const int64_t size = stream->Size(), here = stream->Tell();
    return size >= here && here >= 0 ? static_cast<uint64_t>(size - here) : 0;
}

// The image of an icon directory best suited to a 32 x 32 cursor: the
// closest size, then the deepest colour.
int ChooseEntry(const std::vector<IconDirEntry>& entries, uint16_t dirType)
{
    int best = -1;
    int64_t bestScore = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int64_t w = entries[i].width ? entries[i].width : 256, h = entries[i].height ? entries[i].height : 256;
        const int64_t depth = dirType == kIconDirIcon ? entries[i].bitCountOrHotspotY : 0;
        const int64_t score = (std::abs(w - 32) + std::abs(h - 32)) * 1024 - depth;
        if (best < 0 || score < bestScore) {
            best = static_cast<int>(i);
            bestScore = score;
        }
    }
    return best;
}

} // namespace

bool RasterANI::Fail(const char* message)
{
    SetLastError(message);
    return false;
}

bool RasterANI::DecodeFile(const char* fileName)
{
    FileStream file(fileName, "rb");
    if (!file.IsOpen()) return Fail("Can't open the file");
    return DecodeRiff(&file);
}

int RasterANI::AddIcon(std::vector<uint8_t>&& bytes)
{
    const uint32_t sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    for (size_t i = 0; i < cache_.size(); ++i)
        if (cache_[i].checksum == sum && cache_[i].bytes == bytes) return static_cast<int>(i);
    cache_.push_back(IconEntry{std::move(bytes), sum, 0, -1});
    return static_cast<int>(cache_.size() - 1);
}

bool RasterANI::ReadList(ByteStream* stream, uint64_t listBytes, std::vector<int>& iconOrder)
{
    uint8_t type[4];
    if (listBytes < 4 || !stream->ReadExact(type, 4)) return Fail("Animated cursor list is truncated");
    uint64_t remaining = listBytes - 4;
    const bool fram = IsTag(type, "fram"), info = IsTag(type, "INFO");
    while ((fram || info) && remaining >= 8) {
        uint8_t sub[8];
        if (!stream->ReadExact(sub, 8)) return Fail("Animated cursor list is truncated");
        remaining -= 8;
        const uint32_t size = Le32(sub + 4);
        if (size > remaining) return Fail("Animated cursor chunk size is larger than its list");
        const uint64_t padded = std::min<uint64_t>(size + (size & 1), remaining);
        if (fram && IsTag(sub, "icon")) {
            std::vector<uint8_t> bytes(size);
            if (!stream->ReadExact(bytes.data(), size)) return Fail("Animated cursor icon is truncated");
            iconOrder.push_back(AddIcon(std::move(bytes)));
            if (!Skip(stream, padded - size)) return Fail("Animated cursor icon is truncated");
        } else if (info && (IsTag(sub, "INAM") || IsTag(sub, "IART"))) {
            char* field = IsTag(sub, "INAM") ? title_ : author_;
            const uint32_t keep = std::min<uint32_t>(size, 80);
            std::memset(field, 0, 81);
            if (!stream->ReadExact(field, keep) || !Skip(stream, padded - keep))
                return Fail("Animated cursor list is truncated");
        } else if (!Skip(stream, padded)) {
            return Fail("Animated cursor list is truncated");
        }
        remaining -= padded;
    }
    if (!Skip(stream, remaining)) return Fail("Animated cursor list is truncated");
    return true;
}

bool RasterANI::DecodeRiff(ByteStream* stream)
{
    try {
        return ReadRiff(stream);
    } catch (const std::bad_alloc&) {
        return Fail("Can't allocate memory");
    }
}

bool RasterANI::ReadRiff(ByteStream* stream)
{
    cache_.clear();
    header_ = AniHeader{};
    title_[0] = author_[0] = '\0';
    uint8_t riff[12];
    if (!stream || !stream->ReadExact(riff, 12) || !IsTag(riff, "RIFF") || !IsTag(riff + 8, "ACON"))
        return Fail("Not an animated cursor");

    bool haveHeader = false;
    std::vector<uint32_t> rates, sequence;
    std::vector<int> iconOrder; // cache entry of each "icon" chunk, in file order
    const uint64_t fileBytes = stream->Size() > 0 ? static_cast<uint64_t>(stream->Size()) : 0;
    uint8_t chunk[8];
    while (stream->ReadExact(chunk, 8)) {
        const uint32_t size = Le32(chunk + 4);
        const uint64_t left = BytesLeft(stream);
        if (size > left) return Fail("Animated cursor chunk is larger than the file");
        // A final odd chunk may lack its padding byte.
        const uint64_t padded = std::min<uint64_t>(size + (size & 1), left);
        if (IsTag(chunk, "anih")) {
            uint8_t raw[kAniHeaderSize];
            if (size < kAniHeaderSize || !stream->ReadExact(raw, kAniHeaderSize))
                return Fail("Animated cursor header is truncated");
            header_ = AniHeader{Le32(raw), Le32(raw + 4), Le32(raw + 8), Le32(raw + 12), Le32(raw + 16),
                                Le32(raw + 20), Le32(raw + 24), Le32(raw + 28), Le32(raw + 32)};
            if (!(header_.flags & kAniFlagIcon) || header_.frames == 0)
                return Fail("Animated cursor header is not supported");
            if (header_.steps > fileBytes / 4 || header_.steps > static_cast<uint32_t>(kMaxFrames))
                return Fail("Animated cursor step count is larger than the file allows");
            rates.assign(header_.steps, header_.rate);
            sequence.resize(header_.steps);
            std::iota(sequence.begin(), sequence.end(), 0u);
            haveHeader = true;
            if (!Skip(stream, padded - kAniHeaderSize)) return Fail("Animated cursor header is truncated");
        } else if (IsTag(chunk, "rate") || IsTag(chunk, "seq ")) {
            if (!haveHeader) return Fail("Animated cursor step list comes before its header");
            std::vector<uint32_t>& target = IsTag(chunk, "rate") ? rates : sequence;
            const uint32_t n = std::min<uint32_t>(size / 4, static_cast<uint32_t>(target.size()));
            std::vector<uint8_t> raw(uint64_t{n} * 4);
            if (!stream->ReadExact(raw.data(), raw.size())) return Fail("Animated cursor step list is truncated");
            for (uint32_t i = 0; i < n; ++i) target[i] = Le32(raw.data() + 4 * i);
            if (!Skip(stream, padded - raw.size())) return Fail("Animated cursor step list is truncated");
        } else if (IsTag(chunk, "LIST")) {
            if (!ReadList(stream, size, iconOrder)) return false;
            if (!Skip(stream, padded - size)) return Fail("Animated cursor list is truncated");
        } else if (!Skip(stream, padded)) {
            return Fail("Animated cursor chunk is larger than the file");
        }
    }

    if (!haveHeader) return Fail("Animated cursor has no header");
    header_.frames = static_cast<uint32_t>(iconOrder.size());
    // Steps are bound to icons only now: the chunks may come in any order.
    std::vector<int> stepIcon(header_.steps, -1);
    for (uint32_t i = 0; i < header_.steps; ++i) {
        if (sequence[i] >= iconOrder.size()) return Fail("Animated cursor step shows an icon the file does not hold");
        stepIcon[i] = iconOrder[sequence[i]];
        ++cache_[static_cast<size_t>(stepIcon[i])].refCount;
    }
    SetNumFrames(static_cast<int32_t>(header_.steps));
    const int32_t frame = GetFrame();
    if (header_.steps == 0) return Fail("Animated cursor has no steps");
    if (frame < 0 || static_cast<uint32_t>(frame) >= header_.steps) return Fail("No image with this index in the file");
    if (!BuildFrame(cache_[static_cast<size_t>(stepIcon[frame])].bytes)) return false;
    SetType(TypeAni);
    SetFrame(frame);
    SetNumFrames(static_cast<int32_t>(header_.steps));
    SetFrameDelay(rates[frame]);
    return true;
}

bool RasterANI::BuildFrame(const std::vector<uint8_t>& chunk)
{
    MemoryStream stream(chunk.data(), chunk.size());
    uint16_t dirType = 0;
    std::vector<IconDirEntry> entries;
    if (!RasterICO::ReadDirectory(&stream, dirType, entries) || entries.empty())
        return Fail("Animated cursor icon is not an icon or cursor file");
    const int chosen = ChooseEntry(entries, dirType);
    const uint32_t type = dirType == kIconDirCursor ? TypeCur : TypeIco;
    Raster image(type);
    image.SetFrame(chosen);
    stream.Seek(0, 0);
    if (!image.Decode(&stream, type)) return Fail(image.GetLastError());
    const int32_t frame = GetFrame();
    Transfer(image);
    SetFrame(frame);
    return true;
}

bool RasterANI::EncodeFrames(ByteStream* stream, Raster* const* frames, int count)
{
    try {
        return WriteFrames(stream, frames, count);
    } catch (const std::bad_alloc&) {
        return Fail("Can't allocate memory");
    }
}

bool RasterANI::WriteFrames(ByteStream* stream, Raster* const* frames, int count)
{
    if (!frames || count <= 0) return Fail("No valid image");
    if (!stream) return Fail("null file handler");
    cache_.clear();
    std::vector<int> stepIcon(static_cast<size_t>(count));
    std::vector<uint32_t> stepRate(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (!frames[i] || !frames[i]->IsValid()) return Fail("No valid image");
        // Each step becomes a one-image cursor file carrying the frame's hotspot.
        RasterCUR cursor;
        MemoryStream bytes;
        Raster* one = frames[i];
        if (!cursor.EncodeFrames(&bytes, &one, 1)) return Fail(cursor.GetLastError());
        std::vector<uint8_t> data(bytes.GetBuffer(), bytes.GetBuffer() + bytes.Size());
        stepIcon[i] = AddIcon(std::move(data));
        stepRate[i] = frames[i]->GetFrameDelay();
    }

    bool needSequence = false, needRates = false;
    std::vector<int> order; // cache entries in write-index order
    std::vector<uint32_t> sequence(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        IconEntry& icon = cache_[static_cast<size_t>(stepIcon[i])];
        if (icon.writeIndex < 0) {
            icon.writeIndex = static_cast<int>(order.size());
            order.push_back(stepIcon[i]);
        } else {
            needSequence = true;
        }
        sequence[i] = static_cast<uint32_t>(icon.writeIndex);
        needRates = needRates || stepRate[i] != kAniDefaultRate;
    }

    header_ = AniHeader{kAniHeaderSize, static_cast<uint32_t>(order.size()), static_cast<uint32_t>(count), 32, 32, 0, 0,
                        kAniDefaultRate, needSequence ? kAniFlagIcon | kAniFlagSequence : kAniFlagIcon};
    uint64_t listSize = 4;
    for (int e : order) listSize += 8 + (cache_[e].bytes.size() + 1) / 2 * 2;
    const uint64_t stepBytes = 4ull * static_cast<uint32_t>(count);
    const uint64_t riffSize = 4 + (8 + kAniHeaderSize) + (needRates ? 8 + stepBytes : 0) + (needSequence ? 8 + stepBytes : 0) +
                              8 + listSize;
    if (riffSize > UINT32_MAX) return Fail("The animation is too large for one file");

    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    AppendLe32(out, static_cast<uint32_t>(riffSize));
    PutTag(out, "ACON");
    PutTag(out, "anih");
    AppendLe32(out, kAniHeaderSize);
    for (uint32_t v : {header_.headerSize, header_.frames, header_.steps, header_.width, header_.height,
                       header_.bitCount, header_.planes, header_.rate, header_.flags})
        AppendLe32(out, v);
    if (needRates) {
        PutTag(out, "rate");
        AppendLe32(out, static_cast<uint32_t>(stepBytes));
        for (uint32_t r : stepRate) AppendLe32(out, r);
    }
    if (needSequence) {
        PutTag(out, "seq ");
        AppendLe32(out, static_cast<uint32_t>(stepBytes));
        for (uint32_t s : sequence) AppendLe32(out, s);
    }
    PutTag(out, "LIST");
    AppendLe32(out, static_cast<uint32_t>(listSize));
    PutTag(out, "fram");
    for (int e : order) {
        const auto& bytes = cache_[e].bytes;
        PutTag(out, "icon");
        AppendLe32(out, static_cast<uint32_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
        if (bytes.size() & 1) out.push_back(0);
    }
    if (!stream->WriteExact(out.data(), out.size())) return Fail("Error writing the image data");
    return true;
}

} // namespace vex
