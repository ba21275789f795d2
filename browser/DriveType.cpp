#include "browser/DriveType.h"

#include <fstream>

#include <QStorageInfo>

namespace vex {

namespace {

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// /dev/sdb1 -> sdb, for the removable flag the kernel keeps per disk.
bool IsRemovableDisk(const std::string& device)
{
    if (!StartsWith(device, "/dev/")) return false;
    std::string disk = device.substr(5);
    if (StartsWith(disk, "sd") || StartsWith(disk, "vd") || StartsWith(disk, "hd")) {
        while (!disk.empty() && disk.back() >= '0' && disk.back() <= '9') disk.pop_back();
    } else if (StartsWith(disk, "mmcblk") || StartsWith(disk, "nvme")) {
        const auto p = disk.rfind('p');
        if (p != std::string::npos && p > 3) disk = disk.substr(0, p);
    }
    std::ifstream in("/sys/block/" + disk + "/removable");
    int flag = 0;
    return in >> flag && flag == 1;
}

} // namespace

bool IsNetworkFileSystem(const std::string& fsType)
{
    for (const char* t : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "afs", "ncpfs", "davfs",
                          "fuse.davfs2", "glusterfs", "ceph"})
        if (fsType == t) return true;
    return false;
}

int DriveTypeOfVolume(const std::string& device, const std::string& fsType)
{
    if (IsNetworkFileSystem(fsType)) return kDriveRemote;
    if (fsType == "tmpfs" || fsType == "ramfs") return kDriveRamDisk;
    if (fsType == "iso9660" || fsType == "udf" || StartsWith(device, "/dev/sr") || StartsWith(device, "/dev/cdrom"))
        return kDriveCdRom;
    if (IsRemovableDisk(device)) return kDriveRemovable;
    return kDriveFixed;
}

int DriveTypeOf(const std::string& path)
{
    const QStorageInfo info(QString::fromStdString(path));
    if (!info.isValid()) return kDriveUnknown;
    return DriveTypeOfVolume(info.device().toStdString(), info.fileSystemType().toStdString());
}

} // namespace vex
