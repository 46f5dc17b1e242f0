#include "disk/disk_operations.h"

#include <gtest/gtest.h>

#include "disk/byte_order.h"
#include "tests/disk/memory_disk.h"

namespace {

const wchar_t kFormat[] =
    L"/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet";
const wchar_t kPbr[] = L"/pbr /install /type=bootmgr /quiet";

DiskRunContext Context() {
    DiskRunContext context;
    context.volumeSerial = 0x11223344;
    context.newSignature = 0xCAFEF00D;
    return context;
}

DiskStatus RunLine(MemoryDisk& disk, const wchar_t* switches) {
    return RunDiskAction(disk, ParseDiskSwitches(switches), Context());
}

// The partition table's first entry changed to START and COUNT under the volume already there.
void MoveThePartition(MemoryDisk& disk, uint32_t start, uint32_t count) {
    std::vector<uint8_t> mbr = disk.At(0);
    Put32(&mbr[446 + 8], start);
    Put32(&mbr[446 + 12], count);
    disk.Put(0, mbr);
}

TEST(DiskOperationsFormat, RefusesWithoutTouchingTheDisk) {
    const struct {
        const char* name;
        uint64_t bytes;
        uint32_t sectorSize;
        const wchar_t* line;
    } cases[] = {
        {"too small for FAT32", 32ull << 20, 512, kFormat},
        {"NTFS", 256ull << 20, 512,
         L"/partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=X /quiet"},
        {"odd sector size", 256ull << 20, 520, kFormat},
        {"MBR on a blank disk", 256ull << 20, 512, L"/mbr /install /type=nt60 /quiet"},
        {"PBR on a blank disk", 256ull << 20, 512, kPbr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDisk disk(c.bytes, c.sectorSize);
        EXPECT_EQ(RunLine(disk, c.line), kDiskNotSupported);
        EXPECT_EQ(disk.Writes(), 0);
    }
}

TEST(DiskOperationsPbr, RefusesAVolumeWhoseReservedAreaOverrunsItsPartition) {
    MemoryDisk disk(256ull << 20, 512);
    ASSERT_EQ(RunLine(disk, kFormat), kDiskOk);
    // 7 sectors: the backup's second code sector, 8, would land after the partition.
    MoveThePartition(disk, 2048, 7);
    const int writes = disk.Writes();
    EXPECT_EQ(RunLine(disk, kPbr), kDiskNotSupported);
    EXPECT_EQ(disk.Writes(), writes);
    MoveThePartition(disk, 2048, 32);
    EXPECT_EQ(RunLine(disk, kPbr), kDiskOk) << "the reserved area fits";
}

TEST(NtfsStickRefusals, APartitionSmallerThanTheBootAreaIsNotSupported) {
    MemoryDisk disk(256ull << 20, 512);
    ASSERT_EQ(LayOutNtfsStick(disk, Context()).status, kDiskOk);
    // Three sectors at the disk's very end: the 8 KiB boot area cannot be there.
    MoveThePartition(disk, (256u << 20) / 512 - 3, 3);
    const int writes = disk.Writes();
    EXPECT_EQ(RunLine(disk, kPbr), kDiskNotSupported);
    EXPECT_EQ(disk.Writes(), writes);
}

TEST(NtfsStickRefusals, NoTableOnADiskTooSmallForNtfs) {
    MemoryDisk small(16ull << 20, 512);
    EXPECT_EQ(LayOutNtfsStick(small, Context()).status, kDiskNotSupported);
    EXPECT_EQ(small.Writes(), 0);
}

}  // namespace
