#pragma once
// The two record players (Windows metafiles and enhanced metafiles) and the
// header readers the codec uses to tell them apart and size the picture.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include <QImage>
#include <QRect>

#include "image/codecs/metafile/MetafileCanvas.h"
#include "image/codecs/metafile/RecordReader.h"

namespace vex::metafile {

// Largest number of records played from one file.
inline constexpr uint64_t kMaxRecords = 2000000;

struct WmfHeader {
    uint16_t objects = 0;
};

// The 18-byte header of a Windows metafile: type 1 or 2, header size 9 words.
std::optional<WmfHeader> ParseWmfHeader(const uint8_t* data, size_t size);

// The window a plain Windows metafile sets up first (origin and extent), or
// nothing when it never sets an extent.
std::optional<QRectF> FindWmfWindow(const uint8_t* data, size_t size);

struct EmfHeader {
    QRect bounds; // left, top, right, bottom in reference-device pixels
    QRect frame;  // left, top, right, bottom in 0.01 mm
    int32_t deviceWidth = 0, deviceHeight = 0;
    int32_t mmWidth = 0, mmHeight = 0;
    uint32_t handles = 0;
};

// The header record of an enhanced metafile: type 1, the " EMF" signature.
std::optional<EmfHeader> ParseEmfHeader(const uint8_t* data, size_t size);

using CancelCheck = std::function<bool()>;

// Plays the records after the 18-byte header. The canvas is set up by the caller.
PlayStatus PlayWmf(const uint8_t* data, size_t size, MetafileCanvas& canvas, const CancelCheck& cancelled);
PlayStatus PlayEmf(const uint8_t* data, size_t size, const EmfHeader& header, MetafileCanvas& canvas,
                   const CancelCheck& cancelled);

// A packed bitmap (header and palette at offBmi, pixels at offBits, both
// inside the record) as a top-down image; null when it cannot be read or the
// canvas budget is spent. bottomUp tells how the file stored the rows.
QImage DecodeDib(RecordReader& r, uint64_t offBmi, uint64_t cbBmi, uint64_t offBits, uint64_t cbBits,
                 MetafileCanvas& canvas, bool* bottomUp = nullptr);

// A source rectangle given from the bottom row of a bottom-up bitmap, turned
// into top-down image coordinates.
QRectF SourceFromBottom(const QImage& image, double x, double y, double w, double h, bool bottomUp);

} // namespace vex::metafile
