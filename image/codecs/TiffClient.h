#pragma once
// libtiff over our ByteStream: the client I/O procedures, and error and
// warning handlers that keep the library's text for the image's last error
// instead of printing it.

#include <string>

#include <tiffio.h>

#include "image/ByteStream.h"

namespace vex {

struct TiffClient {
    ByteStream* stream = nullptr;
    int64_t base = 0;       // where the TIFF starts inside the stream
    bool writeFailed = false;
    std::string error;      // the library's first error text
};

// Opens libtiff over the client's stream ("r" or "w"); null on failure.
TIFF* OpenTiffClient(TiffClient& client, const char* mode);

} // namespace vex
