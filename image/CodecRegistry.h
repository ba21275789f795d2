#pragma once
// Which codec object reads and writes each type id. Each codec adds one line
// to the table in image/codecs/CodecTable.cpp.

#include <cstdint>
#include <memory>

#include "image/Raster.h"

namespace vex {

using CodecFactory = std::unique_ptr<Raster> (*)();

template <class Codec>
std::unique_ptr<Raster> MakeCodec()
{
    return std::make_unique<Codec>();
}

struct CodecEntry {
    uint32_t type;
    CodecFactory make;
};

// The codec of a type id, or null when none is built for it.
CodecFactory FindCodec(uint32_t type);

// The readers tried, in order, when a stream's type is unknown.
inline constexpr uint32_t kGuessOrder[] = {TypeBmp, TypeJpg, TypeCur, TypeIco, TypeGif, TypePng,
                                           TypeTif, TypeTga, TypePcx, TypeWbmp, TypeWmf, TypeJp2};

} // namespace vex
