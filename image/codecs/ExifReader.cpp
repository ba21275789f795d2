#include "image/codecs/ExifReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "image/Limits.h"

namespace vex {
namespace {

constexpr uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kApp0 = 0xE0, kApp1 = 0xE1, kCom = 0xFE;

// Bytes per component of the twelve Exif value formats (index = format).
constexpr uint32_t kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum Format { kUByte = 1, kString, kUShort, kULong, kURational, kSByte, kUndefined, kSShort, kSLong, kSRational,
              kSingle, kDouble };

constexpr uint32_t kTagMake = 271, kTagModel = 272, kTagOrientation = 274, kTagXRes = 282, kTagYRes = 283,
                   kTagResUnit = 296, kTagDateTime = 306, kTagThumbOffset = 513, kTagThumbLength = 514,
                   kTagExposureTime = 33434, kTagFNumber = 33437, kTagExifOffset = 34665, kTagIso = 34855,
                   kTagDateTimeOriginal = 36867, kTagExposureBias = 37380, kTagSubjectDistance = 37382,
                   kTagFlash = 37385, kTagFocalLength = 37386, kTagExifWidth = 40962, kTagExifLength = 40963,
                   kTagInteropOffset = 40965, kTagFocalPlaneXRes = 41486, kTagFocalPlaneYRes = 41487,
                   kTagFocalPlaneUnit = 41488;

bool IsStartOfFrame(uint8_t m)
{
    return (m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) ||
           (m >= 0xCD && m <= 0xCF);
}

// Tag values are doubles of any size (or NaN); the record holds ints and floats.
int ToInt(double v) { return std::isfinite(v) ? static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0)) : 0; }
uint32_t ToUnsigned(double v) { return std::isfinite(v) ? static_cast<uint32_t>(std::clamp(v, 0.0, 4294967295.0)) : 0; }
float ToFloat(double v) { return std::isfinite(v) ? static_cast<float>(std::clamp(v, -3.0e38, 3.0e38)) : 0.0f; }

void CopyText(char* dst, size_t cap, const uint8_t* src, uint64_t n)
{
    const size_t len = static_cast<size_t>(std::min<uint64_t>(n, cap - 1));
    std::memcpy(dst, src, len);
    dst[len] = '\0';
}

} // namespace

float ExifUnitFactor(uint32_t unit)
{
    switch (unit) {
    case 3: return 0.3937f;
    case 4: return 0.03937f;
    case 5: return 0.0000394f;
    default: return 1.0f;
    }
}

bool ExifReader::Fail(const char* text)
{
    error_ = text;
    return false;
}

bool ExifReader::DecodeExif(ByteStream* stream)
{
    info_ = ExifInfo{};
    sections_.clear();
    error_.clear();
    if (!stream) return Fail("null file handler");
    if (stream->GetC() != 0xFF || stream->GetC() != kSoi) return Fail("Not a JPEG file");
    bool haveComment = false;
    for (;;) {
        if (sections_.size() >= kMaxSections) return Fail("Too many sections in jpg file");
        int marker = 0;
        int padding = 0;
        for (;;) {
            marker = stream->GetC();
            if (marker != 0xFF) break;
            // The diagnostic stays in our error text: standard output belongs to the caller.
            if (++padding > 6) return Fail("too many padding bytes");
        }
        if (marker < 0 || padding == 0) return Fail("Premature end of file?");
        const int hi = stream->GetC(), lo = stream->GetC();
        if (marker == kEoi) return Fail("No image in jpeg!");
        if (hi < 0 || lo < 0) return Fail("Premature end of file?");
        const uint32_t length = uint32_t(hi) << 8 | uint32_t(lo);
        if (length < 2) return Fail("invalid marker");
        JpegSection section;
        section.type = static_cast<uint8_t>(marker);
        try {
            section.data.resize(length);
        } catch (const std::bad_alloc&) {
            return Fail("Could not allocate memory");
        }
        section.data[0] = static_cast<uint8_t>(hi);
        section.data[1] = static_cast<uint8_t>(lo);
        if (!stream->ReadExact(section.data.data() + 2, length - 2)) return Fail("Premature end of file?");

        const uint8_t* payload = section.data.data() + 2;
        const uint64_t payloadLength = length - 2;
        if (marker == kSos) {
            sections_.push_back(std::move(section));
            return true;
        }
        if (marker == kApp0) continue;
        if (marker == kCom) {
            if (haveComment) continue;
            haveComment = true;
        } else if (marker == kApp1) {
            if (payloadLength < 6 || std::memcmp(payload, "Exif\0\0", 6) != 0) continue;
            ProcessExif(payload, payloadLength);
        } else if (IsStartOfFrame(static_cast<uint8_t>(marker)) && payloadLength >= 6) {
            info_.height = static_cast<int>(payload[1] << 8 | payload[2]);
            info_.width = static_cast<int>(payload[3] << 8 | payload[4]);
            info_.isColor = payload[5] == 3;
            info_.process = marker;
        }
        sections_.push_back(std::move(section));
    }
}

uint32_t ExifReader::Get16(uint64_t at) const
{
    const uint8_t* p = tiff_ + at;
    return motorola_ ? uint32_t(p[0]) << 8 | p[1] : uint32_t(p[1]) << 8 | p[0];
}

uint32_t ExifReader::Get32(uint64_t at) const
{
    const uint8_t* p = tiff_ + at;
    return motorola_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                     : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// The value of a numeric field; the caller has checked that it lies inside.
double ExifReader::Number(uint64_t at, int format) const
{
    switch (format) {
    case kSByte: return static_cast<int8_t>(tiff_[at]);
    case kUByte: case kUndefined: return tiff_[at];
    case kUShort: return Get16(at);
    case kULong: return Get32(at);
    case kSShort: return static_cast<int16_t>(Get16(at));
    case kSLong: return static_cast<int32_t>(Get32(at));
    case kURational: case kSRational: {
        const uint32_t num = Get32(at), den = Get32(at + 4);
        if (den == 0) return 0;
        return format == kURational ? double(num) / den : double(int32_t(num)) / int32_t(den);
    }
    case kSingle: {
        const uint32_t bits = Get32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    case kDouble: {
        const uint64_t bits = motorola_ ? uint64_t(Get32(at)) << 32 | Get32(at + 4)
                                        : uint64_t(Get32(at + 4)) << 32 | Get32(at);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    default: return 0;
    }
}

bool ExifReader::ProcessExif(const uint8_t* data, uint64_t length)
{
    if (length < 6 || std::memcmp(data, "Exif\0\0", 6) != 0) return Fail("Incorrect Exif header");
    tiff_ = data + 6;
    tiffLength_ = length - 6;
    if (tiffLength_ < 8) return Fail("Invalid Exif alignment marker.");
    if (tiff_[0] == 'I' && tiff_[1] == 'I') motorola_ = false;
    else if (tiff_[0] == 'M' && tiff_[1] == 'M') motorola_ = true;
    else return Fail("Invalid Exif alignment marker.");
    if (Get16(2) != 42) return Fail("Invalid Exif start (1)");
    const uint32_t first = Get32(4);
    if (first < 8 || first > 16) return Fail("Suspicious offset of first IFD value");
    visited_.clear();
    error_.clear();
    ProcessDirectory(first, 0);
    info_.isExif = true;
    tiff_ = nullptr;
    // Damage anywhere in the directories is reported; what was read stays.
    return error_.empty();
}

bool ExifReader::ProcessDirectory(uint64_t dirStart, int depth)
{
    if (depth > kMaxDirectoryDepth || std::find(visited_.begin(), visited_.end(), dirStart) != visited_.end())
        return Fail("Illegal subdirectory link");
    visited_.push_back(dirStart);
    if (dirStart + 2 > tiffLength_) return Fail("Illegally sized directory");
    const uint32_t entries = Get16(dirStart);
    const uint64_t dirEnd = dirStart + 2 + 12ull * entries;
    if (dirEnd > tiffLength_) return Fail("Illegally sized directory");

    for (uint32_t de = 0; de < entries; ++de) {
        const uint64_t entry = dirStart + 2 + 12ull * de;
        const uint32_t tag = Get16(entry);
        const uint32_t format = Get16(entry + 2);
        const uint32_t components = Get32(entry + 4);
        if (format < 1 || format > 12) {
            Fail("Illegal format code in EXIF dir");
            continue;
        }
        const uint64_t byteCount = uint64_t{components} * kFormatBytes[format];
        uint64_t value = entry + 8;
        if (byteCount > 4) {
            value = Get32(entry + 8);
            if (value + byteCount > tiffLength_) {
                Fail("Illegal pointer offset value in EXIF.");
                continue;
            }
        }
        const bool numeric = byteCount >= kFormatBytes[format] && format != kString;
        const auto number = [&] { return numeric ? Number(value, static_cast<int>(format)) : 0.0; };
        switch (tag) {
        case kTagMake: CopyText(info_.cameraMake, sizeof info_.cameraMake, tiff_ + value, byteCount); break;
        case kTagModel: CopyText(info_.cameraModel, sizeof info_.cameraModel, tiff_ + value, byteCount); break;
        case kTagDateTime:
        case kTagDateTimeOriginal: CopyText(info_.dateTime, sizeof info_.dateTime, tiff_ + value, byteCount); break;
        case kTagOrientation: {
            const int o = ToInt(number());
            if (o < 1 || o > 8) {
                Fail("Undefined rotation value");
                info_.orientation = 0;
            } else {
                info_.orientation = o;
            }
            break;
        }
        case kTagXRes: info_.xResolution = ToFloat(number()); info_.hasXResolution = true; break;
        case kTagYRes: info_.yResolution = ToFloat(number()); info_.hasYResolution = true; break;
        case kTagResUnit:
            info_.resolutionUnit = ExifUnitFactor(ToUnsigned(number()));
            info_.hasResolutionUnit = true;
            break;
        case kTagThumbOffset: info_.thumbnailOffset = ToUnsigned(number()); break;
        case kTagThumbLength: info_.thumbnailSize = ToUnsigned(number()); break;
        case kTagExposureTime: info_.exposureTime = ToFloat(number()); break;
        case kTagFNumber: info_.apertureFNumber = ToFloat(number()); break;
        case kTagExposureBias: info_.exposureBias = ToFloat(number()); break;
        case kTagSubjectDistance: info_.subjectDistance = ToFloat(number()); break;
        case kTagFocalLength: info_.focalLength = ToFloat(number()); break;
        case kTagFlash: info_.flashUsed = ToInt(number()); break;
        case kTagIso: info_.isoEquivalent = ToInt(number()); break;
        case kTagExifWidth: info_.exifImageWidth = ToInt(number()); break;
        case kTagExifLength: info_.exifImageLength = ToInt(number()); break;
        case kTagFocalPlaneXRes: info_.focalPlaneXRes = ToFloat(number()); break;
        case kTagFocalPlaneYRes: info_.focalPlaneYRes = ToFloat(number()); break;
        case kTagFocalPlaneUnit: info_.focalPlaneUnits = ExifUnitFactor(ToUnsigned(number())); break;
        case kTagExifOffset:
        case kTagInteropOffset: {
            const uint64_t sub = numeric ? Get32(value) : tiffLength_;
            if (sub >= tiffLength_) Fail("Illegal subdirectory link");
            else ProcessDirectory(sub, depth + 1);
            break;
        }
        default: break;
        }
    }
    // The directory after the first one holds the thumbnail's tags.
    if (depth == 0 && dirEnd + 4 <= tiffLength_) {
        const uint32_t next = Get32(dirEnd);
        if (next != 0) {
            if (next >= tiffLength_) return Fail("Illegal subdirectory link");
            return ProcessDirectory(next, depth + 1);
        }
    }
    return true;
}

} // namespace vex
