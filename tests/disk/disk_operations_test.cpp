#include "disk/disk_operations.h"

#include <gtest/gtest.h>

#include <cstring>

#include "disk/byte_order.h"
#include "tests/disk/memory_disk.h"

namespace {

DiskCommand Command(const wchar_t* switches) {
    return ParseDiskSwitches(switches);
}

const wchar_t kFormat[] =
    L"/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet";
const wchar_t kMbr[] = L"/mbr /install /type=nt60 /quiet";
const wchar_t kPbr[] = L"/pbr /install /type=bootmgr /quiet";

DiskRunContext Context() {
    DiskRunContext context;
    context.volumeSerial = 0x11223344;
    context.newSignature = 0xCAFEF00D;
    return context;
}

TEST(DiskOperationsFormat, RefusesWithoutTouchingTheDisk) {
    struct Case {
        const char* name;
        uint64_t bytes;
        uint32_t sectorSize;
        const wchar_t* line;
        DiskStatus status;
    };
    const Case cases[] = {
        {"too small for FAT32", 32ull << 20, 512, kFormat, kDiskNotSupported},
        {"NTFS", 256ull << 20, 512,
         L"/partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=X /quiet",
         kDiskNotSupported},
        {"odd sector size", 256ull << 20, 520, kFormat, kDiskNotSupported},
        {"MBR on a blank disk", 256ull << 20, 512, kMbr, kDiskNotSupported},
        {"PBR on a blank disk", 256ull << 20, 512, kPbr, kDiskNotSupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDisk disk(c.bytes, c.sectorSize);
        EXPECT_EQ(RunDiskAction(disk, Command(c.line), Context()), c.status);
        EXPECT_EQ(disk.Writes(), 0);
    }
}

TEST(DiskOperationsPbr, RefusesAVolumeItCannotBootFrom) {
    MemoryDisk disk(256ull << 20, 512);
    ASSERT_EQ(RunDiskAction(disk, Command(kFormat), Context()), kDiskOk);
    const std::vector<uint8_t> original = disk.Sector(2048);
    struct Change {
        const char* name;
        int offset;
        uint32_t value;
        int width;
    };
    const Change changes[] = {
        {"hidden sectors not the partition start", 28, 63, 4},
        {"sector size not the disk's", 11, 1024, 2},
        {"no room for the second code sector", 14, 8, 2},
        {"FSInfo where the second code sector goes", 48, 2, 2},
        {"not FAT32", 82, 0x20202020, 4},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        std::vector<uint8_t> boot = original;
        if (change.width == 2) {
            Put16(&boot[change.offset], static_cast<uint16_t>(change.value));
        } else {
            Put32(&boot[change.offset], change.value);
        }
        disk.Put(2048, boot);
        const int writes = disk.Writes();
        EXPECT_EQ(RunDiskAction(disk, Command(kPbr), Context()), kDiskNotSupported) << change.name;
        EXPECT_EQ(disk.Writes(), writes) << change.name;
    }
}

TEST(DiskOperationsPbr, RefusesAVolumeWhoseReservedAreaOverrunsItsPartition) {
    MemoryDisk disk(256ull << 20, 512);
    ASSERT_EQ(RunDiskAction(disk, Command(kFormat), Context()), kDiskOk);
    // The table shrunk to 7 sectors under the old volume: the backup's second code sector, 8,
    // would land after the partition.
    std::vector<uint8_t> mbr = disk.Sector(0);
    Put32(&mbr[446 + 12], 7);
    disk.Put(0, mbr);
    const int writes = disk.Writes();
    EXPECT_EQ(RunDiskAction(disk, Command(kPbr), Context()), kDiskNotSupported);
    EXPECT_EQ(disk.Writes(), writes);

    Put32(&mbr[446 + 12], 32);
    disk.Put(0, mbr);
    EXPECT_EQ(RunDiskAction(disk, Command(kPbr), Context()), kDiskOk) << "the reserved area fits";
}

// What mkntfs leaves in the partition's first sector: the BPB the boot code needs.
std::vector<uint8_t> NtfsBootSector(uint32_t sectorSize, uint32_t hidden, uint64_t volumeSectors) {
    std::vector<uint8_t> sector(sectorSize, 0);
    sector[0] = 0xEB;
    sector[1] = 0x52;
    sector[2] = 0x90;
    std::memcpy(&sector[3], "NTFS    ", 8);
    Put16(&sector[11], static_cast<uint16_t>(sectorSize));
    sector[13] = 8;
    Put32(&sector[28], hidden);
    Put32(&sector[40], static_cast<uint32_t>(volumeSectors));
    Put32(&sector[44], static_cast<uint32_t>(volumeSectors >> 32));
    sector[0x54] = 0xFA;  // the formatter's own boot code
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

TEST(NtfsStickRefusals, APartitionSmallerThanTheBootAreaIsNotSupported) {
    MemoryDisk disk(256ull << 20, 512);
    ASSERT_EQ(LayOutNtfsStick(disk, Context()).status, kDiskOk);
    // Three sectors at the disk's very end: the 8 KiB boot area cannot be there.
    const uint32_t sectors = (256u << 20) / 512;
    std::vector<uint8_t> mbr = disk.Sector(0);
    Put32(&mbr[446 + 8], sectors - 3);
    Put32(&mbr[446 + 12], 3);
    disk.Put(0, mbr);
    const int writes = disk.Writes();
    EXPECT_EQ(RunDiskAction(disk, Command(kPbr), Context()), kDiskNotSupported);
    EXPECT_EQ(disk.Writes(), writes);
}

TEST(NtfsStickRefusals, NothingWrittenForWhatCannotBoot) {
    MemoryDisk small(16ull << 20, 512);
    EXPECT_EQ(LayOutNtfsStick(small, Context()).status, kDiskNotSupported);
    EXPECT_EQ(small.Writes(), 0);

    MemoryDisk disk(256ull << 20, 512);
    const StickPartition partition = LayOutNtfsStick(disk, Context());
    ASSERT_EQ(partition.status, kDiskOk);
    const struct {
        const char* name;
        std::vector<uint8_t> sector;
    } cases[] = {
        {"hidden sectors not the partition start", NtfsBootSector(512, 63, partition.count - 1)},
        {"volume larger than the partition", NtfsBootSector(512, 2048, partition.count)},
        {"sector size not the disk's", NtfsBootSector(4096, 2048, partition.count / 8 - 1)},
        {"no NTFS at all", std::vector<uint8_t>(512, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        disk.Put(partition.start, c.sector);
        const int writes = disk.Writes();
        EXPECT_EQ(RunDiskAction(disk, Command(kPbr), Context()), kDiskNotSupported);
        EXPECT_EQ(disk.Writes(), writes);
    }
}

}  // namespace
