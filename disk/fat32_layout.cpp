#include "disk/fat32_layout.h"

#include <cstring>

#include "disk/byte_order.h"

uint32_t Fat32ClusterBytes(uint64_t volumeBytes) {
    constexpr uint64_t kMiB = 1024 * 1024, kGiB = 1024 * kMiB;
    if (volumeBytes <= 64 * kMiB) return 512;
    if (volumeBytes <= 128 * kMiB) return 1024;
    if (volumeBytes <= 256 * kMiB) return 2048;
    if (volumeBytes <= 8 * kGiB) return 4096;
    if (volumeBytes <= 16 * kGiB) return 8192;
    if (volumeBytes <= 32 * kGiB) return 16384;
    return 32768;
}

Fat32Layout PlanFat32(uint32_t totalSectors, uint32_t bytesPerSector, uint32_t hiddenSectors) {
    Fat32Layout layout;
    layout.bytesPerSector = bytesPerSector;
    layout.totalSectors = totalSectors;
    layout.hiddenSectors = hiddenSectors;
    if (bytesPerSector < 512 || bytesPerSector > 4096 || (bytesPerSector & (bytesPerSector - 1)))
        return layout;
    const uint32_t clusterBytes = Fat32ClusterBytes(uint64_t{totalSectors} * bytesPerSector);
    layout.sectorsPerCluster = clusterBytes > bytesPerSector ? clusterBytes / bytesPerSector : 1;
    const uint32_t overhead = layout.reservedSectors;
    if (totalSectors <= overhead) return layout;
    // The FAT must hold an entry for every cluster that the sectors after it leave, plus the two
    // reserved entries. What it needs shrinks as it grows, so the smallest FAT that suffices is
    // found by halving.
    const uint32_t entriesPerSector = bytesPerSector / 4;
    const auto clustersWith = [&](uint64_t fatSectors) -> uint64_t {
        const uint64_t used = overhead + layout.fatCount * fatSectors;
        return used >= totalSectors ? 0 : (totalSectors - used) / layout.sectorsPerCluster;
    };
    const auto suffices = [&](uint64_t fatSectors) {
        return (clustersWith(fatSectors) + 2 + entriesPerSector - 1) / entriesPerSector <=
               fatSectors;
    };
    uint64_t low = 1, high = (clustersWith(1) + 2 + entriesPerSector - 1) / entriesPerSector;
    if (high < 1) high = 1;
    while (low < high) {
        const uint64_t middle = low + (high - low) / 2;
        if (suffices(middle)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    layout.fatSectors = static_cast<uint32_t>(low);
    layout.clusterCount = static_cast<uint32_t>(clustersWith(low));
    layout.firstDataSector = overhead + layout.fatCount * layout.fatSectors;
    layout.ok =
        layout.clusterCount >= kMinFat32Clusters && layout.clusterCount <= kMaxFat32Clusters;
    return layout;
}

std::vector<uint8_t> Fat32BootSector(const Fat32Layout& layout, const FatLabel& label,
                                     uint32_t serial) {
    std::vector<uint8_t> sector(layout.bytesPerSector, 0);
    uint8_t* s = sector.data();
    s[0] = 0xEB;
    s[1] = 0x58;
    s[2] = 0x90;
    std::memcpy(s + 3, "MSWIN4.1", 8);
    Put16(s + 11, static_cast<uint16_t>(layout.bytesPerSector));
    s[13] = static_cast<uint8_t>(layout.sectorsPerCluster);
    Put16(s + 14, static_cast<uint16_t>(layout.reservedSectors));
    s[16] = static_cast<uint8_t>(layout.fatCount);
    s[21] = 0xF8;
    Put16(s + 24, 63);
    Put16(s + 26, 255);
    Put32(s + 28, layout.hiddenSectors);
    Put32(s + 32, layout.totalSectors);
    Put32(s + 36, layout.fatSectors);
    Put32(s + 44, kRootCluster);
    Put16(s + 48, kFsInfoSector);
    Put16(s + 50, kBackupBootSector);
    s[64] = 0x80;
    s[66] = 0x29;
    Put32(s + 67, serial);
    std::memcpy(s + 71, label.bytes.data(), label.bytes.size());
    std::memcpy(s + 82, "FAT32   ", 8);
    // Until a boot record is installed: INT 18h lets the BIOS try its next boot device.
    const uint8_t noSystem[] = {0xCD, 0x18, 0xF4, 0xEB, 0xFD};
    std::memcpy(s + 90, noSystem, sizeof noSystem);
    s[510] = 0x55;
    s[511] = 0xAA;
    return sector;
}

std::vector<uint8_t> Fat32FsInfoSector(const Fat32Layout& layout) {
    std::vector<uint8_t> sector(layout.bytesPerSector, 0);
    uint8_t* s = sector.data();
    Put32(s, 0x41615252);
    Put32(s + 484, 0x61417272);
    Put32(s + 488, layout.clusterCount - 1);  // all but the root directory's cluster
    Put32(s + 492, kRootCluster + 1);
    Put32(s + 508, 0xAA550000);
    return sector;
}

std::vector<uint8_t> Fat32FirstFatSector(const Fat32Layout& layout) {
    std::vector<uint8_t> sector(layout.bytesPerSector, 0);
    Put32(sector.data(), 0x0FFFFFF8);      // media byte F8
    Put32(sector.data() + 4, 0x0FFFFFFF);  // clean, no errors
    Put32(sector.data() + 8, 0x0FFFFFFF);  // the root directory: one cluster
    return sector;
}

std::vector<uint8_t> Fat32RootSector(const Fat32Layout& layout, const FatLabel& label,
                                     uint16_t fatDate, uint16_t fatTime) {
    std::vector<uint8_t> sector(layout.bytesPerSector, 0);
    if (!label.named) return sector;
    uint8_t* entry = sector.data();
    std::memcpy(entry, label.bytes.data(), label.bytes.size());
    entry[11] = 0x08;  // volume label
    Put16(entry + 22, fatTime);
    Put16(entry + 24, fatDate);
    return sector;
}
