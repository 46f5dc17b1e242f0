#pragma once
#include <memory>
#include <string>

#include "disk/block_device.h"
#include "disk/disk_status.h"

// Opens an image file or a whole block device for the layout work. A block device is refused
// while it or any partition of it holds a mounted file system, and is held exclusively.
struct OpenedDisk {
    DiskStatus status = kDiskOk;
    std::string problem;  // what went wrong, for the user
    std::unique_ptr<BlockDevice> device;
};
OpenedDisk OpenDiskPosix(const std::string& path);
// After a new partition table: the kernel reads it again (block devices only; best effort).
void RereadPartitionsPosix(BlockDevice& device);
