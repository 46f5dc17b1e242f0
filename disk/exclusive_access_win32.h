#pragma once
#include <cstdint>
#include <vector>

#include "tools/unique_handle_win32.h"

// Handles of a disk's volumes, each locked and dismounted. Closing them unlocks the volumes, and
// Windows mounts them again at their next use.
using VolumeLocks = std::vector<UniqueHandle>;

// Locks and dismounts every volume with an extent on the disk, and the volume of the drive letter
// whether or not the system lists it there. False, with nothing kept locked, when any volume
// cannot be opened, locked within about 15 s, or dismounted.
bool LockDiskVolumes(uint32_t disk, wchar_t letter, VolumeLocks& locks);
