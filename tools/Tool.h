#pragma once
// Shared pieces of the command-line tool.

#include <string>
#include <vector>

#include "image/Raster.h"

namespace vex::tool {

// Reads every frame of a file (at least one). On failure returns false and
// leaves the reason in error.
bool LoadAllFrames(const std::string& path, uint32_t type, std::vector<Raster>& frames, std::string& error);

// Prints the information of one file; returns false when it cannot be read.
bool PrintInfo(const std::string& path, bool json);

// Writes every icon group of a program or library as OUTDIR/NAME-INDEX.ico;
// returns the exit status.
int Extract(const std::string& program, const std::string& outDir);
// vexmira-tool apply: runs an operation of the operation table on a file.
int Apply(int argc, char** argv);
// vexmira-tool thumbnail: a PNG of at most SIZE pixels for file managers.
int Thumbnail(int argc, char** argv);
// The thumbnail's work without the file handling: picks the best-fitting
// image of `bytes` (named `name`), brings it to RGBA at most `size` pixels
// wide and high; returns an error text, empty on success.
std::string PrepareThumbnail(const std::string& name, std::vector<uint8_t>& bytes, uint32_t size, Raster& image);

} // namespace vex::tool
