#include "disk/disk_operations.h"

#include <gtest/gtest.h>

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

TEST(NtfsStickRefusals, NoTableOnADiskTooSmallForNtfs) {
    MemoryDisk small(16ull << 20, 512);
    EXPECT_EQ(LayOutNtfsStick(small, Context()).status, kDiskNotSupported);
    EXPECT_EQ(small.Writes(), 0);
}

}  // namespace
