// Decode, Encode, Load and Save: the dispatch from a type id to its codec.

#include <string>

#include "image/CodecRegistry.h"
#include "image/Raster.h"
#include "image/SafeFile.h"

namespace vex {
namespace {

constexpr const char* kUnknownDecode = "Decode: Unknown or wrong format";
constexpr const char* kUnknownEncode = "Encode: Unknown format";

} // namespace

bool Raster::Decode(ByteStream* stream, uint32_t type)
{
    if (type == TypeUnknown) return DecodeGuess(stream);
    if (type == TypeAni) return false; // read only by file name
    CodecFactory make = type <= kLastImageType ? FindCodec(type) : nullptr;
    if (!make || !stream) {
        SetLastError(kUnknownDecode);
        return false;
    }
    std::unique_ptr<Raster> codec = make();
    if (IsMultiFrameType(type)) codec->SetFrame(GetFrame());
    if (codec->DecodeStream(stream)) {
        Transfer(*codec);
        return true;
    }
    SetLastError(codec->GetLastError());
    if (IsMultiFrameType(type)) SetNumFrames(codec->GetNumFrames());
    return false;
}

bool Raster::DecodeGuess(ByteStream* stream)
{
    if (!stream) {
        SetLastError(kUnknownDecode);
        return false;
    }
    const int64_t start = stream->Tell();
    for (uint32_t type : kGuessOrder) {
        CodecFactory make = FindCodec(type);
        if (!make) continue;
        std::unique_ptr<Raster> codec = make();
        codec->CopyInfo(*this);
        if (codec->DecodeStream(stream)) {
            Transfer(*codec);
            return true;
        }
        stream->Seek(start, 0);
    }
    SetLastError(kUnknownDecode);
    return false;
}

bool Raster::Decode(std::FILE* file, uint32_t type)
{
    FileStream stream(file);
    return Decode(file ? &stream : nullptr, type);
}

bool Raster::LoadResource(const void* data, uint64_t size, uint32_t type)
{
    if (!data) {
        SetLastError("Unable to load resource!");
        return false;
    }
    MemoryStream stream(static_cast<const uint8_t*>(data), static_cast<size_t>(size));
    return Decode(&stream, type);
}

bool Raster::Load(const char* fileName, uint32_t type)
{
    if (!fileName) return false;
    if (type == TypeAni) {
        CodecFactory make = FindCodec(TypeAni);
        if (!make) {
            SetLastError(kUnknownDecode);
            return false;
        }
        std::unique_ptr<Raster> codec = make();
        codec->Copy(*this, true, true, true);
        const bool ok = codec->DecodeFile(fileName);
        if (ok) {
            Copy(*codec, true, true, true);
        } else {
            SetLastError(codec->GetLastError());
            // A caller tells a step past the end from an unreadable file.
            SetNumFrames(codec->GetNumFrames());
        }
        return ok;
    }
    if (type != TypeUnknown && type <= kLastImageType) {
        FileStream file(fileName, "rb");
        if (!file.IsOpen()) return false;
        if (Decode(&file, type)) return true;
    }
    const std::string namedTypeError = GetLastError();
    FileStream file(fileName, "rb");
    if (!file.IsOpen()) return false;
    if (Decode(&file, TypeUnknown)) return true;
    // The named type's reader explains the failure better than guessing does.
    if (type != TypeUnknown) SetLastError(namedTypeError.c_str());
    return false;
}

bool Raster::Encode(ByteStream* stream, uint32_t type)
{
    if (type == TypeAni) return false; // animated cursors are written as frame lists only
    CodecFactory make = (type != TypeUnknown && type <= kLastImageType) ? FindCodec(type) : nullptr;
    if (!make) {
        SetLastError(kUnknownEncode);
        return false;
    }
    std::unique_ptr<Raster> codec = make();
    codec->Ghost(*this);
    bool ok = codec->EncodeStream(stream);
    if (!ok) {
        SetLastError(codec->GetLastError());
        return false;
    }
    if (!stream->Flush() || stream->Error() > 0) {
        SetLastError("Error writing the image data");
        return false;
    }
    return true;
}

bool Raster::Encode(std::FILE* file, uint32_t type)
{
    FileStream stream(file);
    return Encode(file ? &stream : nullptr, type);
}

bool Raster::Save(const char* fileName, uint32_t type)
{
    if (!fileName) return false;
    bool encoded = false;
    const auto result = WriteFileSafely(fileName, [&](std::FILE* file) {
        FileStream stream(file);
        encoded = Encode(&stream, type);
        return encoded;
    });
    if (result == SafeWriteResult::Written) return true;
    // The data was complete but the disk refused it (full, gone, read-only).
    if (encoded) SetLastError("Error writing the image data");
    return false;
}

} // namespace vex
