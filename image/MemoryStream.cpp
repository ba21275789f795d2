#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/ByteStream.h"

namespace vex {

MemoryStream::MemoryStream(uint8_t* buffer, size_t size)
    : buffer_(buffer), size_(size), capacity_(size), owned_(false)
{
}

MemoryStream::MemoryStream(const uint8_t* buffer, size_t size)
    : buffer_(const_cast<uint8_t*>(buffer)), size_(size), capacity_(size), owned_(false), readOnly_(true)
{
}

MemoryStream::~MemoryStream()
{
    if (owned_) std::free(buffer_);
}

uint8_t* MemoryStream::Detach()
{
    uint8_t* b = buffer_;
    if (!owned_) {
        b = static_cast<uint8_t*>(std::malloc(size_ ? size_ : 1));
        if (b && size_) std::memcpy(b, buffer_, size_);
    }
    buffer_ = nullptr;
    size_ = capacity_ = position_ = 0;
    owned_ = true;
    readOnly_ = false;
    return b;
}

bool MemoryStream::Close()
{
    return true;
}

size_t MemoryStream::Read(void* buffer, size_t itemSize, size_t itemCount)
{
    if (itemSize == 0 || itemCount == 0 || position_ >= size_) return 0;
    size_t want = itemSize * itemCount;
    if (itemCount != 0 && want / itemCount != itemSize) want = SIZE_MAX;
    size_t n = std::min(want, size_ - position_);
    std::memcpy(buffer, buffer_ + position_, n);
    position_ += n;
    return n / itemSize;
}

// New capacity = old + the shortfall rounded up to a multiple of 4096 bytes.
bool MemoryStream::Grow(size_t needed)
{
    size_t shortfall = needed - capacity_;
    size_t add = (shortfall + 4095) / 4096 * 4096;
    if (add < shortfall || capacity_ + add < capacity_) return false;
    size_t newCapacity = capacity_ + add;
    uint8_t* grown;
    if (owned_) {
        grown = static_cast<uint8_t*>(std::realloc(buffer_, newCapacity));
    } else {
        grown = static_cast<uint8_t*>(std::malloc(newCapacity));
        if (grown && size_) std::memcpy(grown, buffer_, size_);
    }
    if (!grown) return false;
    buffer_ = grown;
    capacity_ = newCapacity;
    owned_ = true;
    return true;
}

size_t MemoryStream::Write(const void* buffer, size_t itemSize, size_t itemCount)
{
    if (readOnly_ || itemSize == 0 || itemCount == 0) return 0;
    size_t bytes = itemSize * itemCount;
    if (bytes / itemCount != itemSize) return 0;
    if (position_ + bytes < position_) return 0;
    size_t end = position_ + bytes;
    if (end > capacity_ && !Grow(end)) return 0;
    // A seek past the end leaves a gap; it reads back as zeros.
    if (position_ > size_) std::memset(buffer_ + size_, 0, position_ - size_);
    std::memcpy(buffer_ + position_, buffer, bytes);
    position_ = end;
    if (position_ > size_) size_ = position_;
    return itemCount;
}

bool MemoryStream::Seek(int64_t offset, int origin)
{
    int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(position_) : static_cast<int64_t>(size_);
    int64_t target = base + offset;
    if (target < 0) return false;
    position_ = static_cast<size_t>(target);
    return true;
}

int64_t MemoryStream::Tell()
{
    return static_cast<int64_t>(position_);
}

int64_t MemoryStream::Size()
{
    return static_cast<int64_t>(size_);
}

bool MemoryStream::Flush()
{
    return true;
}

bool MemoryStream::Eof()
{
    return position_ >= size_;
}

int MemoryStream::Error()
{
    return position_ > size_ ? 1 : 0;
}

bool MemoryStream::PutC(uint8_t byte)
{
    return Write(&byte, 1, 1) == 1;
}

int MemoryStream::GetC()
{
    if (position_ >= size_) return -1;
    return buffer_[position_++];
}

} // namespace vex
