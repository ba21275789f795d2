// One line per codec: the type id it reads and writes, and how to make it.

#include <array>
#include <atomic>

#include "image/CodecRegistry.h"
#include "image/codecs/RasterBMP.h"

namespace vex {
namespace {

constexpr CodecEntry kCodecs[] = {
    {TypeBmp, &MakeCodec<RasterBMP>},
};

// Codecs from libraries outside the core, one slot per type id. Reads are
// lock-free so decoding threads never wait on registration.
std::array<std::atomic<CodecFactory>, kLastImageType + 1> gExtraCodecs{};

} // namespace

CodecFactory FindCodec(uint32_t type)
{
    for (const auto& entry : kCodecs)
        if (entry.type == type) return entry.make;
    if (type < gExtraCodecs.size()) return gExtraCodecs[type].load(std::memory_order_acquire);
    return nullptr;
}

bool RegisterExtraCodec(uint32_t type, CodecFactory make)
{
    if (type == TypeUnknown || type >= gExtraCodecs.size() || !make) return false;
    gExtraCodecs[type].store(make, std::memory_order_release);
    return true;
}

} // namespace vex
