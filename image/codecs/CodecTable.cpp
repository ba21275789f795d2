// One line per codec: the type id it reads and writes, and how to make it.

#include <array>
#include <atomic>

#include "image/CodecRegistry.h"
#include "image/codecs/RasterBMP.h"
#include "image/codecs/RasterANI.h"
#include "image/codecs/RasterICO.h"
#include "image/codecs/RasterPNG.h"
#include "image/codecs/RasterJ2K.h"
#include "image/codecs/RasterJPG.h"
#include "image/codecs/RasterTIF.h"
#include "image/codecs/RasterGIF.h"
#include "image/codecs/RasterPCX.h"
#include "image/codecs/RasterTGA.h"
#include "image/codecs/RasterWBMP.h"

namespace vex {
namespace {

constexpr CodecEntry kCodecs[] = {
    {TypeBmp, &MakeCodec<RasterBMP>},
    {TypeIco, &MakeCodec<RasterICO>},
    {TypeCur, &MakeCodec<RasterCUR>},
    {TypeAni, &MakeCodec<RasterANI>},
    {TypePng, &MakeCodec<RasterPNG>},
    {TypeJpg, &MakeCodec<RasterJPG>},
    {TypeTif, &MakeCodec<RasterTIF>},
    {TypeJp2, &MakeCodec<RasterJ2KOf<TypeJp2>>},
    {TypeJpc, &MakeCodec<RasterJ2KOf<TypeJpc>>},
    {TypePgx, &MakeCodec<RasterJ2KOf<TypePgx>>},
    {TypePnm, &MakeCodec<RasterJ2KOf<TypePnm>>},
    {TypeRas, &MakeCodec<RasterJ2KOf<TypeRas>>},
    {TypeGif, &MakeCodec<RasterGIF>},
    {TypeTga, &MakeCodec<RasterTGA>},
    {TypePcx, &MakeCodec<RasterPCX>},
    {TypeWbmp, &MakeCodec<RasterWBMP>},
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
