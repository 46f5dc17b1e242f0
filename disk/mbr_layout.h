#pragma once
#include <array>
#include <cstdint>

// The stick's one partition in sectors of the disk's logical size.
struct PartitionSpan {
    bool ok = false;  // false: the disk is too small to hold a partition after the first MiB
    uint32_t start = 0;
    uint32_t count = 0;
};

// From 1 MiB to the end of the disk, or to the last sector a 32-bit sector number reaches.
PartitionSpan PlanStickPartition(uint64_t diskSectors, uint32_t sectorSize);

// A CHS address as the partition table stores it, for 255 heads and 63 sectors a track;
// addresses past cylinder 1023 get the customary 1023/254/63.
struct Chs {
    uint8_t head = 0;
    uint8_t sector = 0;    // bits 0-5 the sector, bits 6-7 the cylinder's bits 8-9
    uint8_t cylinder = 0;  // the cylinder's bits 0-7
};
Chs ChsOfLba(uint64_t lba);

using PartitionEntry = std::array<uint8_t, 16>;
PartitionEntry MakePartitionEntry(uint32_t start, uint32_t count, uint8_t type, bool active);

constexpr int kMbrBootCodeBytes = 440;
constexpr int kMbrSignatureOffset = 440;
constexpr int kMbrTableOffset = 446;

// Sector 0 of a freshly laid-out stick: boot code, disk signature, the one entry, the mark.
// Whatever else the buffer held is cleared.
void LayOutMbr(uint8_t* sector512, const uint8_t* bootCode440, uint32_t signature,
               const PartitionEntry& entry);
// True when the sector carries the 0x55AA mark and a table whose entries lie on the disk, with
// at least one partition.
bool HasPartitionTable(const uint8_t* sector512, uint64_t diskSectors);
// The active partition, or the first one when none is marked active.
struct TablePartition {
    bool found = false;
    uint8_t type = 0;
    uint32_t start = 0;
    uint32_t count = 0;
};
TablePartition BootPartition(const uint8_t* sector512);
