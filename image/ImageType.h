#pragma once
// Format type ids, their file-name extensions, descriptions and the filter
// strings of the open and save dialogs.

#include <cstdint>
#include <string>
#include <string_view>

namespace vex {

enum ImageType : uint32_t {
    TypeUnknown = 0,
    TypeBmp = 1,
    TypeGif = 2,
    TypeJpg = 3,
    TypePng = 4,
    TypeIco = 5,
    TypeCur = 6,
    TypeTif = 7,
    TypeTga = 8,
    TypePcx = 9,
    TypeWbmp = 10,
    TypeWmf = 11,
    TypeJp2 = 12,
    TypeJpc = 13,
    TypePgx = 14,
    TypePnm = 15,
    TypeRas = 16,
    TypeAni = 17,
};

inline constexpr uint32_t kLastImageType = TypeAni;

// Type id from the text after the last "." of a name (case-insensitive);
// 0 for anything unknown, "dib" included.
uint32_t TypeFromName(std::string_view name);

// The k-th extension of a type (k from 0), or empty.
std::string TypeExtension(uint32_t type, int k);

// The description shown in dialog filters, or empty.
std::string TypeDescription(uint32_t type);

// One dialog filter entry; every pattern is also appended to allPatterns.
std::string FilterEntry(uint32_t type, std::string& allPatterns);

// filterIndex -1: the whole open/save filter text. filterIndex >= 0: the
// default extension of that filter position (empty past the end).
std::string FileDialogFilter(int filterIndex);

// Multi-frame formats keep the requested frame and report a frame count
// (JPEG 2000 presents extra components as frames).
inline bool IsMultiFrameType(uint32_t type)
{
    return type == TypeGif || type == TypeIco || type == TypeCur || type == TypeTif || type == TypeJp2 ||
           type == TypeJpc;
}

} // namespace vex
