#pragma once
// Icons inside Windows programs and libraries (.exe, .dll, .icl, .ocx, .cpl,
// .scr): the icon groups of a PE (32 or 64 bit) or NE resource table, in
// resource order (the order the shell numbers them 0, 1, 2 ...), each turned
// into the bytes of a multi-image icon file. Every offset and size read from
// the file is checked against the file before it is used.

#include <cstdint>
#include <string>
#include <vector>

#include "image/Raster.h"

namespace vex {

struct ProgramIconGroup {
    std::string name;          // "#id" for numbered groups, else the resource name
    std::vector<uint8_t> ico;  // a complete icon file
};

// Lists every icon group of the program bytes. False, with the reason in
// error, when the bytes are not a program with a readable resource table; a
// program without icons gives true and an empty list.
bool ReadProgramIcons(const uint8_t* data, uint64_t size, std::vector<ProgramIconGroup>& groups, std::string& error);
bool ReadProgramIcons(const char* fileName, std::vector<ProgramIconGroup>& groups, std::string& error);

// Reads image number image.GetFrame() of icon group groupIndex of a program
// file into image (type 0, frame count = images in the group).
bool LoadProgramIcon(Raster& image, const char* fileName, int groupIndex);

// Whether the name's extension is one of the program and library types.
bool IsProgramFileName(const std::string& name);

} // namespace vex
