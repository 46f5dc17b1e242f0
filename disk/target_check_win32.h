#pragma once
#include <cstdint>

#include "disk/disk_status.h"

// Finds the physical disk behind the drive letter and makes sure it is a USB stick the system
// does not run from: kDiskOk with its number, or kDiskRefusedTarget when any of that cannot be
// told for certain.
DiskStatus IdentifyTargetDisk(wchar_t letter, uint32_t& disk);
