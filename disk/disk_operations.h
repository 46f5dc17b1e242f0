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

// Whether this tool can carry out the command at all; checked before any target is opened, so an
// unsupported request touches nothing.
bool DiskActionSupported(const DiskCommand& command);

// Carries out a valid command on a whole disk the caller has already identified and made
// exclusively its own. kDiskOk, or the status of the first thing that went wrong. An NTFS format
// is not done here: see LayOutNtfsStick.
DiskStatus RunDiskAction(BlockDevice& disk, const DiskCommand& command,
                         const DiskRunContext& context);

// The first half of an NTFS format: the partition table with one active NTFS partition (type
// 0x07) from 1 MiB, what earlier layouts left cleared (the start of the partition included, so
// that no old file system shows through). The system's own formatter then makes the volume in
// the partition this returns.
struct StickPartition {
    DiskStatus status = kDiskOk;
    uint64_t start = 0;  // in the disk's sectors
    uint64_t count = 0;
};
StickPartition LayOutNtfsStick(BlockDevice& disk, const DiskRunContext& context);
