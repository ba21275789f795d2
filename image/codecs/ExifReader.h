#pragma once
// The marker sections at the start of a JPEG stream and the Exif block in its
// APP1 section: camera, orientation, resolution, thumbnail position and the
// photographic tags. Hostile directories are walked with a depth bound and a
// record of visited offsets, every offset checked in 64 bits.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ByteStream.h"

namespace vex {

struct ExifInfo {
    char cameraMake[32] = {};
    char cameraModel[40] = {};
    char dateTime[20] = {};
    int orientation = 0;
    int width = 0;
    int height = 0;
    bool isColor = false;
    int process = 0;
    float xResolution = 0;
    float yResolution = 0;
    float resolutionUnit = 0; // the unit's factor; 0 until the tag is seen
    bool hasXResolution = false;
    bool hasYResolution = false;
    bool hasResolutionUnit = false;
    float exposureTime = 0;
    float apertureFNumber = 0;
    float exposureBias = 0;
    float focalLength = 0;
    float subjectDistance = 0;
    int flashUsed = 0;
    int isoEquivalent = 0;
    int exifImageWidth = 0;
    int exifImageLength = 0;
    float focalPlaneXRes = 0;
    float focalPlaneYRes = 0;
    float focalPlaneUnits = 0;
    uint32_t thumbnailOffset = 0;
    uint32_t thumbnailSize = 0;
    bool isExif = false;
};

struct JpegSection {
    uint8_t type = 0;
    std::vector<uint8_t> data; // the length bytes included
};

class ExifReader {
public:
    // Scans the sections from the stream's current position up to the first
    // scan. The stream position is left where the scan stopped.
    bool DecodeExif(ByteStream* stream);
    // Parses one APP1 payload (starting at "Exif").
    bool ProcessExif(const uint8_t* data, uint64_t length);

    const ExifInfo& Info() const { return info_; }
    const std::string& LastError() const { return error_; }
    const std::vector<JpegSection>& Sections() const { return sections_; }

    static constexpr size_t kMaxSections = 20;
    static constexpr int kMaxDirectoryDepth = 8;

private:
    bool ProcessDirectory(uint64_t dirStart, int depth);
    double Number(uint64_t at, int format) const;
    uint32_t Get16(uint64_t at) const;
    uint32_t Get32(uint64_t at) const;
    bool Fail(const char* text);

    ExifInfo info_;
    std::string error_;
    std::vector<JpegSection> sections_;
    // The TIFF block inside the APP1 payload, while it is parsed.
    const uint8_t* tiff_ = nullptr;
    uint64_t tiffLength_ = 0;
    bool motorola_ = false;
    std::vector<uint64_t> visited_;
};

// The factor a resolution is divided by to give dots per inch.
float ExifUnitFactor(uint32_t unit);

} // namespace vex
