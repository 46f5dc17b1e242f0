#include "disk/disk_operations.h"

#include <gtest/gtest.h>

#include "disk/boot_code.h"
#include "disk/byte_order.h"
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
        MemoryDisk disk(c.bytes, c.sectorSize);
        EXPECT_EQ(RunDiskAction(disk, Command(c.line), Context()), c.status) << c.name;
        EXPECT_EQ(disk.Writes(), 0) << c.name;
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

TEST(DiskOperationsFormat, AWriteFailureIsReported) {
    MemoryDisk whole(256ull << 20, 512);
    ASSERT_EQ(RunDiskAction(whole, Command(kFormat), Context()), kDiskOk);
    ASSERT_GT(whole.Writes(), 8);
    for (int after = 0; after < whole.Writes(); ++after) {
        MemoryDisk disk(256ull << 20, 512);
        disk.FailWritesAfter(after);
        EXPECT_EQ(RunDiskAction(disk, Command(kFormat), Context()), kDiskReadWriteFailed) << after;
        EXPECT_TRUE(disk.Sector(0) == std::vector<uint8_t>(512, 0))
            << "no partition table before the volume is whole";
    }
}

}  // namespace
