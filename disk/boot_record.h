#pragma once
#include <cstddef>
#include <cstdint>

// Checks on an existing FAT32 boot sector before boot code of ours goes into it and into the
// reserved sectors after it.
struct Fat32BootFacts {
    bool ok = false;
    uint32_t reservedSectors = 0;
    uint32_t backupBootSector = 0;  // 0: none
};
// A FAT32 boot sector whose sector size matches the disk, whose hidden sectors are the
// partition's start (our boot code finds the volume through them) and whose reserved area has
// room for the second code sector at 2 (and at backup + 2).
Fat32BootFacts ReadFat32BootFacts(const uint8_t* sector, uint32_t diskSectorSize,
                                  uint32_t partitionStart);

constexpr uint32_t kSecondCodeSector = 2;

// Boot code into a boot sector: the jump and the code from the image, the volume's own OEM
// name and BPB (bytes 3-89) kept. The image is 1024 bytes: this sector, then the second sector.
void PutFat32BootCode(uint8_t* bootSector, const uint8_t* codeImage);

// The NTFS boot area ($Boot): the volume's first 8 KiB, our code in all of it but the BPB.
constexpr size_t kNtfsBootBytes = 8192;

// Checks on an existing NTFS boot sector: sector size as the disk's, hidden sectors the
// partition's start, and the volume inside the partition. The backup boot sector is the
// volume's last sector, right after the sectors the BPB counts.
struct NtfsBootFacts {
    bool ok = false;
    uint64_t backupBootSector = 0;  // from the volume's start
};
NtfsBootFacts ReadNtfsBootFacts(const uint8_t* sector, uint32_t diskSectorSize,
                                uint64_t partitionStart, uint64_t partitionSectors);

// Boot code into the boot area: the image's jump and code, the volume's OEM name and BPB
// (bytes 3-0x53) kept.
void PutNtfsBootCode(uint8_t* bootArea, const uint8_t* codeImage);
