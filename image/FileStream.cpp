#include "image/ByteStream.h"

namespace vex {

FileStream::FileStream(const char* name, const char* mode)
    : file_(std::fopen(name, mode)), ownsFile_(true)
{
}

FileStream::~FileStream()
{
    Close();
}

bool FileStream::Close()
{
    if (!file_) return false;
    bool ok = true;
    if (ownsFile_) ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

size_t FileStream::Read(void* buffer, size_t itemSize, size_t itemCount)
{
    if (!file_ || itemSize == 0) return 0;
    return std::fread(buffer, itemSize, itemCount, file_);
}

size_t FileStream::Write(const void* buffer, size_t itemSize, size_t itemCount)
{
    if (!file_ || itemSize == 0) return 0;
    return std::fwrite(buffer, itemSize, itemCount, file_);
}

bool FileStream::Seek(int64_t offset, int origin)
{
    if (!file_) return false;
    int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    return std::fseek(file_, static_cast<long>(offset), whence) == 0;
}

int64_t FileStream::Tell()
{
    if (!file_) return -1;
    return std::ftell(file_);
}

int64_t FileStream::Size()
{
    if (!file_) return -1;
    long pos = std::ftell(file_);
    std::fseek(file_, 0, SEEK_END);
    long size = std::ftell(file_);
    std::fseek(file_, pos, SEEK_SET);
    return size;
}

bool FileStream::Flush()
{
    return file_ && std::fflush(file_) == 0;
}

bool FileStream::Eof()
{
    return !file_ || std::feof(file_) != 0;
}

int FileStream::Error()
{
    if (!file_) return -1;
    return std::ferror(file_) != 0 ? 1 : 0;
}

bool FileStream::PutC(uint8_t byte)
{
    return file_ && std::fputc(byte, file_) != EOF;
}

int FileStream::GetC()
{
    if (!file_) return -1;
    int c = std::fgetc(file_);
    return c == EOF ? -1 : c;
}

} // namespace vex
