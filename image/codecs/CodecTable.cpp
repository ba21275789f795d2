// One line per codec: the type id it reads and writes, and how to make it.

#include "image/CodecRegistry.h"
#include "image/codecs/RasterBMP.h"
#include "image/codecs/RasterANI.h"
#include "image/codecs/RasterICO.h"
#include "image/codecs/RasterPNG.h"

namespace vex {
namespace {

constexpr CodecEntry kCodecs[] = {
    {TypeBmp, &MakeCodec<RasterBMP>},
    {TypeIco, &MakeCodec<RasterICO>},
    {TypeCur, &MakeCodec<RasterCUR>},
    {TypeAni, &MakeCodec<RasterANI>},
    {TypePng, &MakeCodec<RasterPNG>},
};

} // namespace

CodecFactory FindCodec(uint32_t type)
{
    for (const auto& entry : kCodecs)
        if (entry.type == type) return entry.make;
    return nullptr;
}

} // namespace vex
