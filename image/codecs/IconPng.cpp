// PNG entries go through the PNG codec of the registry, over memory.

#include "image/codecs/IconPng.h"

#include <cstring>

namespace vex {

bool DecodePngEntry(const uint8_t* data, size_t size, Raster& out)
{
    MemoryStream stream(data, size);
    out.SetFrame(0);
    return out.Decode(&stream, TypePng);
}

bool EncodePngEntry(Raster& image, std::vector<uint8_t>& out)
{
    MemoryStream stream;
    if (!image.Encode(&stream, TypePng)) return false;
    const int64_t size = stream.Size();
    if (size <= 0) return false;
    out.insert(out.end(), stream.GetBuffer(), stream.GetBuffer() + size);
    return true;
}

} // namespace vex
