// The checks a boot-record run makes on whatever boot sector a stick arrives with, and the code it
// puts in: a volume it accepts keeps its BPB and stays one it accepts.
#include "disk/boot_code.h"
#include "disk/boot_record.h"
#include "disk/byte_order.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

void CheckFat32(std::vector<uint8_t> sector, uint32_t sectorSize, uint32_t partitionStart,
                const uint8_t* codeImage) {
    const Fat32BootFacts facts = ReadFat32BootFacts(sector.data(), sectorSize, partitionStart);
    if (!facts.ok) return;
    const uint8_t* s = sector.data();
    Require(s[510] == 0x55 && s[511] == 0xAA && std::memcmp(s + 82, "FAT32   ", 8) == 0 &&
                Get16(s + 11) == sectorSize && Get32(s + 28) == partitionStart,
            "an accepted boot sector is FAT32 of this disk's sector size at the partition's start");
    Require(facts.reservedSectors == Get16(s + 14), "the reserved area is the BPB's");
    // The second code sectors go into the reserved area, on nothing the volume uses there.
    const uint32_t fsInfo = Get16(s + 48);
    const uint32_t backup = facts.backupBootSector;
    std::vector<uint32_t> code = {kSecondCodeSector};
    std::vector<uint32_t> used = {0, fsInfo};
    if (backup) {
        code.push_back(backup + kSecondCodeSector);
        used.push_back(backup);
        used.push_back(backup + fsInfo);
    }
    for (uint32_t c : code) {
        Require(c < facts.reservedSectors, "a second code sector lies in the reserved area");
        Require(std::find(used.begin(), used.end(), c) == used.end(),
                "a second code sector covers no boot, backup or FSInfo sector");
    }

    const std::vector<uint8_t> before = sector;
    PutFat32BootCode(sector.data(), codeImage);
    Require(std::equal(before.begin() + 3, before.begin() + 90, sector.begin() + 3),
            "the volume's OEM name and BPB stay");
    Require(std::equal(sector.begin() + 90, sector.begin() + 512, codeImage + 90) &&
                std::equal(sector.begin(), sector.begin() + 3, codeImage),
            "the jump and the code are the image's");
    Require(std::equal(before.begin() + 512, before.end(), sector.begin() + 512),
            "nothing past the first 512 bytes changes");
    const Fat32BootFacts after = ReadFat32BootFacts(sector.data(), sectorSize, partitionStart);
    Require(after.ok && after.reservedSectors == facts.reservedSectors &&
                after.backupBootSector == facts.backupBootSector,
            "with our code in it the volume is still accepted, the same");
}

void CheckNtfs(std::vector<uint8_t> area, uint32_t sectorSize, uint32_t partitionStart,
               uint32_t partitionSectors, const uint8_t* codeImage) {
    const NtfsBootFacts facts =
        ReadNtfsBootFacts(area.data(), sectorSize, partitionStart, partitionSectors);
    if (!facts.ok) return;
    const uint8_t* s = area.data();
    Require(s[510] == 0x55 && s[511] == 0xAA && std::memcmp(s + 3, "NTFS    ", 8) == 0 &&
                Get16(s + 11) == sectorSize && Get32(s + 28) == partitionStart,
            "an accepted boot sector is NTFS of this disk's sector size at the partition's start");
    Require(facts.backupBootSector < partitionSectors,
            "the backup boot sector is in the partition");
    Require(facts.backupBootSector * sectorSize >= kNtfsBootBytes,
            "the boot area lies before the backup boot sector");
    const std::vector<uint8_t> before = area;
    PutNtfsBootCode(area.data(), codeImage);
    Require(std::equal(before.begin() + 3, before.begin() + 0x54, area.begin() + 3),
            "the volume's OEM name and BPB stay");
    Require(std::equal(area.begin() + 0x54, area.end(), codeImage + 0x54) &&
                std::equal(area.begin(), area.begin() + 3, codeImage),
            "the jump and the code are the image's");
    const NtfsBootFacts after =
        ReadNtfsBootFacts(area.data(), sectorSize, partitionStart, partitionSectors);
    Require(after.ok && after.backupBootSector == facts.backupBootSector,
            "with our code in it the volume is still accepted, the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint32_t sectorSize = 512u << input.ConsumeIntegralInRange<int>(0, 3);
    // Mostly the disk and partition the BPB names, so that the deeper checks are reached.
    const bool asNamed = input.ConsumeIntegralInRange<int>(0, 3) != 0;
    uint32_t diskSectorSize = 512u << input.ConsumeIntegralInRange<int>(0, 3);
    uint32_t partitionStart = input.ConsumeIntegral<uint32_t>();
    uint32_t partitionSectors = input.ConsumeIntegral<uint32_t>();
    const bool grub4Dos = input.ConsumeBool();
    std::vector<uint8_t> area = input.ConsumeRemainingBytes<uint8_t>();
    area.resize(std::max<size_t>(kNtfsBootBytes, sectorSize), 0);
    if (asNamed) {
        diskSectorSize = Get16(area.data() + 11);
        partitionStart = Get32(area.data() + 28);
        // NTFS's volume one sector short of its partition, or a partition no longer than it.
        partitionSectors = Get32(area.data() + 40) + (partitionSectors & 1);
    }

    CheckFat32(std::vector<uint8_t>(area.begin(), area.begin() + sectorSize), diskSectorSize,
               partitionStart, grub4Dos ? kFat32GrldrCode : kFat32BootmgrCode);
    CheckNtfs(std::vector<uint8_t>(area.begin(), area.begin() + kNtfsBootBytes), diskSectorSize,
              partitionStart, partitionSectors, grub4Dos ? kNtfsGrldrCode : kNtfsBootmgrCode);
    return 0;
}
