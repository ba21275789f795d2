#pragma once
// Kinds of volumes, numbered as the browser's pictures and messages expect
// them, found from the mounted volume that holds a path.

#include <string>

namespace vex {

inline constexpr int kDriveUnknown = 0;
inline constexpr int kDriveRemovable = 2;
inline constexpr int kDriveFixed = 3;
inline constexpr int kDriveRemote = 4;
inline constexpr int kDriveCdRom = 5;
inline constexpr int kDriveRamDisk = 6;

// Kind of a mounted volume from its device and file-system type.
int DriveTypeOfVolume(const std::string& device, const std::string& fsType);
// Kind of the volume with the longest mount point that holds path.
int DriveTypeOf(const std::string& path);
// Network file systems are shown under the network node, not as drives.
bool IsNetworkFileSystem(const std::string& fsType);

} // namespace vex
