#pragma once
// Builders for hand-made metafiles: records are added from short recipes and
// the headers (placeable, standard, enhanced) are computed at the end.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "image/Raster.h"
#include "image/TestHelpers.h"

namespace vex::test {

// A Windows metafile; parameters are 16-bit words in file order.
struct WmfBuilder {
    std::vector<uint8_t> records;
    uint16_t objects = 8;

    WmfBuilder& Record(uint16_t function, std::initializer_list<int> words)
    {
        Bytes b;
        b.u32(uint32_t(3 + words.size())).u16(function);
        for (int w : words) b.u16(uint32_t(w) & 0xFFFF);
        records.insert(records.end(), b.v.begin(), b.v.end());
        return *this;
    }
    // Raw bytes for malformed records.
    WmfBuilder& Raw(const std::vector<uint8_t>& bytes)
    {
        records.insert(records.end(), bytes.begin(), bytes.end());
        return *this;
    }
    WmfBuilder& Pen(int style, int width, uint32_t color) { return Record(0x02FA, {style, width, 0, int(color & 0xFFFF), int(color >> 16)}); }
    WmfBuilder& Brush(int style, uint32_t color, int hatch = 0) { return Record(0x02FC, {style, int(color & 0xFFFF), int(color >> 16), hatch}); }
    WmfBuilder& Select(int index) { return Record(0x012D, {index}); }
    WmfBuilder& WindowOrg(int x, int y) { return Record(0x020B, {y, x}); }
    WmfBuilder& WindowExt(int x, int y) { return Record(0x020C, {y, x}); }
    WmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
    WmfBuilder& IntersectClip(int l, int t, int r, int b) { return Record(0x0416, {b, r, t, l}); }

    // Standard header plus records plus the end record.
    std::vector<uint8_t> Plain(bool withEnd = true) const
    {
        Bytes body;
        body.raw(records);
        if (withEnd) body.u32(3).u16(0);
        Bytes b;
        b.u16(1).u16(9).u16(0x0300).u32(uint32_t((18 + body.size()) / 2)).u16(objects).u32(64).u16(0);
        b.raw(body.v);
        return b.v;
    }
    // The placeable header (bounding box, units per inch, valid checksum) first.
    std::vector<uint8_t> Placeable(int left, int top, int right, int bottom, int inch, bool withEnd = true) const
    {
        Bytes h;
        h.u32(0x9AC6CDD7).u16(0).u16(uint32_t(left)).u16(uint32_t(top)).u16(uint32_t(right)).u16(uint32_t(bottom));
        h.u16(uint32_t(inch)).u32(0);
        uint16_t sum = 0;
        for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(h.v[i] | h.v[i + 1] << 8);
        h.u16(sum);
        h.raw(Plain(withEnd));
        return h.v;
    }
};

// An enhanced metafile; parameters are 32-bit words.
struct EmfBuilder {
    std::vector<uint8_t> records;
    uint32_t count = 0;

    EmfBuilder& Record(uint32_t type, std::initializer_list<int64_t> words)
    {
        Bytes b;
        b.u32(type).u32(uint32_t(8 + 4 * words.size()));
        for (int64_t w : words) b.u32(uint32_t(w));
        records.insert(records.end(), b.v.begin(), b.v.end());
        ++count;
        return *this;
    }
    EmfBuilder& Raw(const std::vector<uint8_t>& bytes)
    {
        records.insert(records.end(), bytes.begin(), bytes.end());
        ++count;
        return *this;
    }
    EmfBuilder& Brush(int slot, uint32_t color) { return Record(39, {slot, 0, color, 0}); }
    EmfBuilder& Select(uint32_t index) { return Record(37, {index}); }
    EmfBuilder& NullPen() { return Select(0x80000008); }
    EmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(43, {l, t, r, b}); }
    EmfBuilder& MapMode(int mode) { return Record(17, {mode}); }

    // Header: bounds in device pixels, frame in 0.01 mm, a reference device
    // of `pixels` pixels over `mm` millimetres.
    std::vector<uint8_t> Build(int l, int t, int r, int b, int pixels = 1000, int mm = 1000) const
    {
        const int64_t fr = int64_t(r) * mm * 100 / pixels, fb = int64_t(b) * mm * 100 / pixels;
        const int64_t fl = int64_t(l) * mm * 100 / pixels, ft = int64_t(t) * mm * 100 / pixels;
        Bytes body;
        body.raw(records);
        body.u32(14).u32(20).u32(0).u32(16).u32(20);
        Bytes h;
        const uint32_t total = uint32_t(88 + body.size());
        h.u32(1).u32(88).u32(uint32_t(l)).u32(uint32_t(t)).u32(uint32_t(r)).u32(uint32_t(b));
        h.u32(uint32_t(fl)).u32(uint32_t(ft)).u32(uint32_t(fr)).u32(uint32_t(fb));
        h.u32(0x464D4520).u32(0x10000).u32(total).u32(count + 2).u16(16).u16(0).u32(0).u32(0).u32(0);
        h.u32(uint32_t(pixels)).u32(uint32_t(pixels)).u32(uint32_t(mm)).u32(uint32_t(mm));
        h.raw(body.v);
        return h.v;
    }
};

// Colour at (x, y) counted from the top row, as 0xRRGGBB.
inline uint32_t TopDownColor(const Raster& img, uint32_t x, uint32_t y)
{
    const RgbQuad c = img.GetPixelColor(x, int64_t(img.GetHeight()) - 1 - y);
    return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
}

} // namespace vex::test
