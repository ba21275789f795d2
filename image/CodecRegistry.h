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

// The codec of a type id, or null when none is built for it. The built-in
// table is consulted first, then the codecs registered at run time.
CodecFactory FindCodec(uint32_t type);

// Adds a codec that lives outside the core (the metafile reader needs Qt and
// has its own library). Programs that link such a library call its
// registration function once; registering a type again replaces the factory.
// Returns false for a type id outside the table or a null factory.
bool RegisterExtraCodec(uint32_t type, CodecFactory make);

// The readers tried, in order, when a stream's type is unknown.
inline constexpr uint32_t kGuessOrder[] = {TypeBmp, TypeJpg, TypeCur, TypeIco, TypeGif, TypePng,
                                           TypeTif, TypeTga, TypePcx, TypeWbmp, TypeWmf, TypeJp2};

} // namespace vex
