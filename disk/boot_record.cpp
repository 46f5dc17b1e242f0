#include "disk/boot_record.h"

#include <cstring>
#include <initializer_list>

#include "disk/byte_order.h"

Fat32BootFacts ReadFat32BootFacts(const uint8_t* s, uint32_t diskSectorSize,
                                  uint32_t partitionStart) {
    Fat32BootFacts facts;
    if (s[510] != 0x55 || s[511] != 0xAA) return facts;
    if (std::memcmp(s + 82, "FAT32   ", 8) != 0) return facts;
    if (Get16(s + 11) != diskSectorSize || Get32(s + 28) != partitionStart) return facts;
    if (Get16(s + 17) != 0 || Get16(s + 22) != 0 || Get32(s + 36) == 0) return facts;
    facts.reservedSectors = Get16(s + 14);
    facts.backupBootSector = Get16(s + 50);
    if (facts.backupBootSector == 0xFFFF) facts.backupBootSector = 0;
    const uint32_t fsInfo = Get16(s + 48);
    const uint32_t lastCodeSector =
        facts.backupBootSector ? facts.backupBootSector + kSecondCodeSector : kSecondCodeSector;
    // The second code sector must not land on the FSInfo sector, its backup or the backup boot
    // sector, and must lie inside the reserved area.
    for (uint32_t used : {fsInfo, facts.backupBootSector ? facts.backupBootSector + fsInfo : 0u,
                          facts.backupBootSector}) {
        if (used == kSecondCodeSector || (facts.backupBootSector && used == lastCodeSector))
            return facts;
    }
    facts.ok = lastCodeSector < facts.reservedSectors;
    return facts;
}

void PutFat32BootCode(uint8_t* bootSector, const uint8_t* codeImage) {
    std::memcpy(bootSector, codeImage, 3);
    std::memcpy(bootSector + 90, codeImage + 90, 512 - 90);
}

NtfsBootFacts ReadNtfsBootFacts(const uint8_t* s, uint32_t diskSectorSize, uint64_t partitionStart,
                                uint64_t partitionSectors) {
    NtfsBootFacts facts;
    if (s[510] != 0x55 || s[511] != 0xAA || std::memcmp(s + 3, "NTFS    ", 8) != 0) return facts;
    if (Get16(s + 11) != diskSectorSize || Get32(s + 28) != partitionStart) return facts;
    const uint64_t volumeSectors = uint64_t{Get32(s + 40)} | uint64_t{Get32(s + 44)} << 32;
    if (volumeSectors * diskSectorSize < kNtfsBootBytes || volumeSectors >= partitionSectors)
        return facts;
    facts.backupBootSector = volumeSectors;
    facts.ok = true;
    return facts;
}

void PutNtfsBootCode(uint8_t* bootArea, const uint8_t* codeImage) {
    std::memcpy(bootArea, codeImage, 3);
    std::memcpy(bootArea + 0x54, codeImage + 0x54, kNtfsBootBytes - 0x54);
}
