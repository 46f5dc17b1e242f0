#pragma once
#include <cstdint>
#include <string>

#include "disk/block_device.h"
#include "disk/disk_status.h"

// Where mkntfs (ntfs-3g) is; empty when it is not installed.
std::string FindMkntfs();

// Makes an NTFS volume in the partition with mkntfs: quick, the partition's start as hidden
// sectors and 255/63 geometry as BIOS sees the stick. mkntfs writes into a sparse file of the
// partition's size, whose written parts are then copied into place, so that image files and
// block devices are formatted alike.
DiskStatus FormatNtfsPosix(BlockDevice& disk, const std::string& mkntfs, uint64_t start,
                           uint64_t count, const std::string& label);
