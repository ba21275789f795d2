#pragma once
// Bounds-checked little-endian reads inside one metafile record. A read past
// the end yields 0 and marks the reader bad, so a record handler reads all
// its fields and then asks once whether they were all there.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vex::metafile {

class RecordReader {
public:
    RecordReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Ok() const { return ok_; }
    size_t Size() const { return size_; }
    const uint8_t* Data() const { return data_; }
    void Fail() { ok_ = false; }

    // True when [offset, offset + bytes) lies inside the record.
    bool Has(uint64_t offset, uint64_t bytes) const { return offset <= size_ && bytes <= size_ - offset; }
    // Marks the reader bad unless [offset, offset + bytes) lies inside it.
    bool Need(uint64_t offset, uint64_t bytes)
    {
        if (!Has(offset, bytes)) ok_ = false;
        return ok_;
    }

    uint8_t U8(uint64_t off)
    {
        if (!Need(off, 1)) return 0;
        return data_[off];
    }
    uint16_t U16(uint64_t off)
    {
        if (!Need(off, 2)) return 0;
        return static_cast<uint16_t>(data_[off] | data_[off + 1] << 8);
    }
    int16_t I16(uint64_t off) { return static_cast<int16_t>(U16(off)); }
    uint32_t U32(uint64_t off)
    {
        if (!Need(off, 4)) return 0;
        return uint32_t(data_[off]) | uint32_t(data_[off + 1]) << 8 | uint32_t(data_[off + 2]) << 16 |
               uint32_t(data_[off + 3]) << 24;
    }
    int32_t I32(uint64_t off) { return static_cast<int32_t>(U32(off)); }
    float F32(uint64_t off)
    {
        const uint32_t bits = U32(off);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

private:
    const uint8_t* data_;
    size_t size_;
    bool ok_ = true;
};

} // namespace vex::metafile
