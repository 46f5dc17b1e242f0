#pragma once
#include <cstddef>
#include <cstdint>

// Boot code assembled from disk/boot/ at build time.
// Bytes 0-439 of the master boot record.
extern const uint8_t kMbrBootCode[];
extern const size_t kMbrBootCodeSize;
// FAT32 boot record, two sectors' worth: the boot sector (its bytes 3-89 are the volume's own
// BPB and stay as they are) and a second code sector for reserved sector 2.
extern const uint8_t kFat32BootmgrCode[];
extern const size_t kFat32BootmgrCodeSize;
extern const uint8_t kFat32GrldrCode[];
extern const size_t kFat32GrldrCodeSize;
// NTFS boot record: the whole 8 KiB $Boot area, whose bytes 3-0x53 are the volume's own BPB.
extern const uint8_t kNtfsBootmgrCode[];
extern const size_t kNtfsBootmgrCodeSize;
extern const uint8_t kNtfsGrldrCode[];
extern const size_t kNtfsGrldrCodeSize;
