#include "disk/disk_operations.h"

#include <gtest/gtest.h>

#include "disk/boot_code.h"
#include "disk/byte_order.h"

#include <cstring>
#include "disk/fat32_layout.h"
#include "tests/disk/memory_disk.h"

namespace {

DiskCommand Command(const wchar_t* switches) {
    return ParseDiskSwitches(switches);
}

const wchar_t kFormat[] =
    L"/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet";
const wchar_t kMbr[] = L"/mbr /install /type=nt60 /quiet";
const wchar_t kPbr[] = L"/pbr /install /type=bootmgr /quiet";
const wchar_t kGrub[] = L"/pbr /install /type=grub4dos /pbr-disable-floppy /quiet";

DiskRunContext Context() {
    DiskRunContext context;
    context.volumeSerial = 0x11223344;
    context.newSignature = 0xCAFEF00D;
    return context;
}

bool SameBytes(const std::vector<uint8_t>& data, const uint8_t* expected, size_t from, size_t to) {
    return std::equal(data.begin() + from, data.begin() + to, expected + from);
}

class DiskOperations : public testing::TestWithParam<uint32_t> {};

TEST_P(DiskOperations, FormatThenBootRecordsOnBothSectorSizes) {
    const uint32_t sectorSize = GetParam();
    MemoryDisk disk(1ull << 30, sectorSize);
    // Leftovers of an earlier layout: a GPT header in the first MiB and its backup at the end.
    disk.Put(1, std::vector<uint8_t>(sectorSize, 0x47));
    disk.Put((1ull << 30) / sectorSize - 1, std::vector<uint8_t>(sectorSize, 0x47));
    disk.Put(100, std::vector<uint8_t>(sectorSize, 0x47));
    ASSERT_EQ(RunDiskAction(disk, Command(kFormat), Context()), kDiskOk);

    const uint32_t start = 1024 * 1024 / sectorSize;
    std::vector<uint8_t> mbr = disk.Sector(0);
    EXPECT_EQ(Get32(&mbr[440]), 0xCAFEF00D) << "a disk without a signature gets a new one";
    EXPECT_EQ(mbr[446], 0x80);
    EXPECT_EQ(mbr[450], 0x0C);
    EXPECT_EQ(Get32(&mbr[454]), start);
    EXPECT_TRUE(SameBytes(mbr, kMbrBootCode, 0, 440));
    EXPECT_EQ(disk.Sector(1), std::vector<uint8_t>(sectorSize, 0));
    EXPECT_EQ(disk.Sector(100), std::vector<uint8_t>(sectorSize, 0));
    EXPECT_EQ(disk.Sector((1ull << 30) / sectorSize - 1), std::vector<uint8_t>(sectorSize, 0));

    const std::vector<uint8_t> boot = disk.Sector(start);
    EXPECT_EQ(Get16(&boot[11]), sectorSize);
    EXPECT_EQ(Get32(&boot[28]), start);
    EXPECT_EQ(disk.Sector(start + 6), boot) << "backup boot sector";
    EXPECT_EQ(disk.Sector(start + 7), disk.Sector(start + 1)) << "backup FSInfo";
    const Fat32Layout layout = PlanFat32(Get32(&boot[32]), sectorSize, start);
    for (uint32_t fat = 0; fat < 2; ++fat) {
        const std::vector<uint8_t> first = disk.Sector(start + 32 + fat * layout.fatSectors);
        EXPECT_EQ(Get32(&first[8]), 0x0FFFFFFFu);
    }
    const std::vector<uint8_t> root = disk.Sector(start + layout.firstDataSector);
    EXPECT_EQ(std::string(root.begin(), root.begin() + 11), "MY STICK   ");

    ASSERT_EQ(RunDiskAction(disk, Command(kMbr), Context()), kDiskOk);
    EXPECT_EQ(disk.Sector(0), mbr) << "the format already wrote our MBR code";

    for (const auto& [line, code] :
         {std::pair{kPbr, kFat32BootmgrCode}, {kGrub, kFat32GrldrCode}}) {
        ASSERT_EQ(RunDiskAction(disk, Command(line), Context()), kDiskOk);
        const std::vector<uint8_t> withCode = disk.Sector(start);
        EXPECT_TRUE(SameBytes(withCode, code, 0, 3));
        EXPECT_TRUE(std::equal(withCode.begin() + 3, withCode.begin() + 90, boot.begin() + 3))
            << "the volume's BPB stays";
        EXPECT_TRUE(SameBytes(withCode, code, 90, 512));
        EXPECT_EQ(disk.Sector(start + 6), withCode);
        const std::vector<uint8_t> second = disk.Sector(start + 2);
        EXPECT_TRUE(std::equal(second.begin(), second.begin() + 512, code + 512));
        EXPECT_EQ(disk.Sector(start + 8), second);
        EXPECT_EQ(disk.Sector(start + 1), disk.Sector(start + 7)) << "FSInfo untouched";
    }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, DiskOperations, testing::Values(512u, 4096u));

TEST(DiskOperationsFormat, KeepsTheSignatureOfAUsedStick) {
    MemoryDisk disk(256ull << 20, 512);
    ASSERT_EQ(RunDiskAction(disk, Command(kFormat), Context()), kDiskOk);
    DiskRunContext other = Context();
    other.newSignature = 0x99999999;
    ASSERT_EQ(RunDiskAction(disk, Command(kFormat), other), kDiskOk);
    EXPECT_EQ(Get32(&disk.Sector(0)[440]), 0xCAFEF00Du);
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

}  // namespace

namespace {

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

class NtfsStick : public testing::TestWithParam<uint32_t> {};

TEST_P(NtfsStick, TableThenOurBootCodeAroundTheFormattersBpb) {
    const uint32_t sectorSize = GetParam();
    MemoryDisk disk(512ull << 20, sectorSize);
    const uint32_t start = 1024 * 1024 / sectorSize;
    disk.Put(start, std::vector<uint8_t>(sectorSize, 0x46));  // an old volume's boot sector
    const StickPartition partition = LayOutNtfsStick(disk, Context());
    ASSERT_EQ(partition.status, kDiskOk);
    EXPECT_EQ(partition.start, start);
    EXPECT_EQ(partition.count, (512ull << 20) / sectorSize - start);
    const std::vector<uint8_t> mbr = disk.Sector(0);
    EXPECT_EQ(mbr[446], 0x80);
    EXPECT_EQ(mbr[450], 0x07);
    EXPECT_EQ(Get32(&mbr[440]), 0xCAFEF00Du);
    EXPECT_EQ(disk.Sector(start), std::vector<uint8_t>(sectorSize, 0)) << "old volume cleared";

    const uint64_t volumeSectors = partition.count - 1;
    const std::vector<uint8_t> formatted = NtfsBootSector(sectorSize, start, volumeSectors);
    disk.Put(start, formatted);
    disk.Put(start + 3, std::vector<uint8_t>(sectorSize, 0x33));  // past the boot area's start
    for (const auto& [line, code] :
         {std::pair{kPbr, kNtfsBootmgrCode}, std::pair{kGrub, kNtfsGrldrCode}}) {
        ASSERT_EQ(RunDiskAction(disk, Command(line), Context()), kDiskOk);
        std::vector<uint8_t> area;
        for (uint32_t i = 0; i < 8192 / sectorSize; ++i) {
            const std::vector<uint8_t> sector = disk.Sector(start + i);
            area.insert(area.end(), sector.begin(), sector.end());
        }
        EXPECT_TRUE(SameBytes(area, code, 0, 3));
        EXPECT_TRUE(std::equal(area.begin() + 3, area.begin() + 0x54, formatted.begin() + 3))
            << "the formatter's BPB stays";
        EXPECT_TRUE(SameBytes(area, code, 0x54, 8192));
        EXPECT_EQ(disk.Sector(start + volumeSectors),
                  std::vector<uint8_t>(area.begin(), area.begin() + sectorSize))
            << "backup boot sector";
    }
    EXPECT_EQ(disk.Sector(start + 8192 / sectorSize), std::vector<uint8_t>(sectorSize, 0));
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, NtfsStick, testing::Values(512u, 4096u));

TEST(DiskOperations, ADiskWithoutASectorIsNotSupported) {
    for (const wchar_t* line : {kFormat, kMbr, kPbr, kGrub}) {
        SCOPED_TRACE(line);
        MemoryDisk empty(0, 512);
        EXPECT_EQ(RunDiskAction(empty, Command(line), Context()), kDiskNotSupported);
        MemoryDisk partial(300, 512);
        EXPECT_EQ(RunDiskAction(partial, Command(line), Context()), kDiskNotSupported);
    }
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
