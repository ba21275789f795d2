#pragma once
// Which block coder a JPEG-2000 code stream asks for, read from its marker
// segments without decoding anything.

#include "image/ByteStream.h"

namespace vex {

// True when the main header or any tile-part header selects the
// high-throughput block coder (code-block style bit 0x40, or the capability
// bit of Rsiz). The stream is read from its current position (the start of
// the JP2 file, or the SOC marker of a bare code stream) and left there.
// A stream too damaged to follow answers false: the decoder then rejects it
// on its own terms (its headers are read the same way).
bool UsesHighThroughputBlocks(ByteStream* stream, bool jp2);

} // namespace vex
