#pragma once
#include <cstdint>

#include "disk/block_device.h"
#include "disk/disk_command.h"
#include "disk/disk_status.h"

// Values a run takes from its surroundings, so that the byte work itself stays repeatable.
struct DiskRunContext {
    uint32_t volumeSerial = 0;  // for a new file system, from the clock
    uint32_t newSignature = 0;  // disk signature used only when the disk has none (0)
    uint16_t fatDate = 0;       // FAT date and time of the new volume-label entry
    uint16_t fatTime = 0;
};

// Whether this tool can carry out the command at all (NTFS formatting cannot yet); checked
// before any target is opened, so an unsupported request touches nothing.
bool DiskActionSupported(const DiskCommand& command);

// Carries out a valid command on a whole disk the caller has already identified and made
// exclusively its own. kDiskOk, or the status of the first thing that went wrong.
DiskStatus RunDiskAction(BlockDevice& disk, const DiskCommand& command,
                         const DiskRunContext& context);
