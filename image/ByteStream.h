#pragma once
// The byte stream every codec reads and writes through, with a file and a
// growable memory implementation.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vex {

class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual bool Close() = 0;
    // Returns the number of whole items read.
    virtual size_t Read(void* buffer, size_t itemSize, size_t itemCount) = 0;
    virtual size_t Write(const void* buffer, size_t itemSize, size_t itemCount) = 0;
    // origin: 0 from start, 1 from current, 2 from end.
    virtual bool Seek(int64_t offset, int origin) = 0;
    virtual int64_t Tell() = 0;   // -1 when not open
    virtual int64_t Size() = 0;   // -1 when not open
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;       // true when not open
    virtual int Error() = 0;      // 1 or 0; -1 when not open
    virtual bool PutC(uint8_t byte) = 0;
    virtual int GetC() = 0;       // 0-255, or -1 at the end or when not open

    // Reads exactly n bytes or reports false; codecs use it for headers.
    bool ReadExact(void* buffer, size_t n) { return n == 0 || Read(buffer, 1, n) == n; }
    bool WriteExact(const void* buffer, size_t n) { return n == 0 || Write(buffer, 1, n) == n; }
};

class FileStream : public ByteStream {
public:
    // Wraps an open file; the stream never closes it.
    explicit FileStream(std::FILE* file) : file_(file), ownsFile_(false) {}
    // Opens the named file itself; Close and destruction close it.
    FileStream(const char* name, const char* mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    bool IsOpen() const { return file_ != nullptr; }

    bool Close() override;
    size_t Read(void* buffer, size_t itemSize, size_t itemCount) override;
    size_t Write(const void* buffer, size_t itemSize, size_t itemCount) override;
    bool Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    int64_t Size() override;
    bool Flush() override;
    bool Eof() override;
    int Error() override;
    bool PutC(uint8_t byte) override;
    int GetC() override;

private:
    std::FILE* file_;
    bool ownsFile_;
};

class MemoryStream : public ByteStream {
public:
    // An empty, owned, growable buffer.
    MemoryStream() = default;
    // A writable buffer the caller keeps; it becomes owned (a copy) on growth.
    MemoryStream(uint8_t* buffer, size_t size);
    // A read-only view of bytes the caller keeps; writes fail.
    MemoryStream(const uint8_t* buffer, size_t size);
    ~MemoryStream() override;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    const uint8_t* GetBuffer() const { return buffer_; }
    size_t GetCapacity() const { return capacity_; }
    // Hands the buffer to the caller (free with std::free) and empties the stream.
    uint8_t* Detach();

    bool Close() override;
    size_t Read(void* buffer, size_t itemSize, size_t itemCount) override;
    size_t Write(const void* buffer, size_t itemSize, size_t itemCount) override;
    bool Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    int64_t Size() override;
    bool Flush() override;
    bool Eof() override;
    int Error() override;
    bool PutC(uint8_t byte) override;
    int GetC() override;

private:
    bool Grow(size_t needed);

    uint8_t* buffer_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t position_ = 0;
    bool owned_ = true;
    bool readOnly_ = false;
};

} // namespace vex
