// One line per codec: the type id it reads and writes, and how to make it.

#include "image/CodecRegistry.h"
#include "image/codecs/RasterBMP.h"
#include "image/codecs/RasterGIF.h"
#include "image/codecs/RasterPCX.h"
#include "image/codecs/RasterPNG.h"
#include "image/codecs/RasterTGA.h"
#include "image/codecs/RasterWBMP.h"

namespace vex {
namespace {

constexpr CodecEntry kCodecs[] = {
    {TypeBmp, &MakeCodec<RasterBMP>},
    {TypePng, &MakeCodec<RasterPNG>},
    {TypeGif, &MakeCodec<RasterGIF>},
    {TypeTga, &MakeCodec<RasterTGA>},
    {TypePcx, &MakeCodec<RasterPCX>},
    {TypeWbmp, &MakeCodec<RasterWBMP>},
};

} // namespace

CodecFactory FindCodec(uint32_t type)
{
    for (const auto& entry : kCodecs)
        if (entry.type == type) return entry.make;
    return nullptr;
}

} // namespace vex
