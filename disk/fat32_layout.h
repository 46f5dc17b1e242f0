#pragma once
#include <cstdint>
#include <vector>

#include "disk/fat_label.h"

// Where everything of a new FAT32 volume lies, in its logical sectors from the volume's start.
struct Fat32Layout {
    bool ok = false;  // false: too few or too many clusters for FAT32
    uint32_t bytesPerSector = 0;
    uint32_t sectorsPerCluster = 0;
    uint32_t reservedSectors = 32;
    uint32_t fatCount = 2;
    uint32_t fatSectors = 0;
    uint32_t totalSectors = 0;
    uint32_t hiddenSectors = 0;
    uint32_t firstDataSector = 0;
    uint32_t clusterCount = 0;
};

constexpr uint32_t kFsInfoSector = 1;
constexpr uint32_t kBackupBootSector = 6;
constexpr uint32_t kRootCluster = 2;
constexpr uint32_t kMinFat32Clusters = 65525;
constexpr uint32_t kMaxFat32Clusters = 0x0FFFFFF5;  // clusters 2 to 0x0FFFFFF6

// Windows' default FAT32 cluster size for a volume of this many bytes.
uint32_t Fat32ClusterBytes(uint64_t volumeBytes);
Fat32Layout PlanFat32(uint32_t totalSectors, uint32_t bytesPerSector, uint32_t hiddenSectors);

// The first sector of the volume, with the BPB and boot code that only hands over to the BIOS
// (the partition boot record is written by its own run).
std::vector<uint8_t> Fat32BootSector(const Fat32Layout& layout, const FatLabel& label,
                                     uint32_t serial);
std::vector<uint8_t> Fat32FsInfoSector(const Fat32Layout& layout);
// The first sector of each FAT: the media entry, the end-of-chain mark and the root's chain.
std::vector<uint8_t> Fat32FirstFatSector(const Fat32Layout& layout);
// The first sector of the root directory: the volume-label entry when the label has a name.
std::vector<uint8_t> Fat32RootSector(const Fat32Layout& layout, const FatLabel& label,
                                     uint16_t fatDate, uint16_t fatTime);
