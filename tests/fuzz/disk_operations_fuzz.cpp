// Whole runs of the disk tool on an in-memory disk of any size and sector size, over whatever the
// stick already holds: a fresh or earlier layout of ours with any bytes changed, or anything else.
// A run writes only where its job is, refuses without writing, or leaves what it promises; a run
// cut short by a failing write leaves things in an order the next run can rely on.
#include "disk/boot_code.h"
#include "disk/boot_record.h"
#include "disk/byte_order.h"
#include "disk/disk_operations.h"
#include "disk/fat32_layout.h"
#include "disk/fat_label.h"
#include "disk/mbr_layout.h"
#include "tests/disk/memory_disk.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using Sector = std::vector<uint8_t>;
using FuzzDisk = MemoryDisk;

enum Action { kFormatFat32, kFormatNtfs, kMbr, kPbrBootmgr, kPbrGrub4Dos, kNtfsLayout, kActions };

const wchar_t* const kSwitches[] = {
    L"/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=",
    L"/partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=",
    L"/mbr /install /type=nt60 /quiet",
    L"/pbr /install /type=bootmgr /quiet",
    L"/pbr /install /type=grub4dos /pbr-disable-floppy /quiet",
};

DiskCommand CommandFor(Action action, const std::wstring& label) {
    std::wstring line = kSwitches[action];
    if (action == kFormatFat32 || action == kFormatNtfs) line += label + L" /quiet";
    const DiskCommand command = ParseDiskSwitches(line);
    Require(command.valid, "the tool's own lines parse");
    return command;
}

// An NTFS volume as a formatter leaves it, as far as the boot-record run looks.
void PutNtfsVolume(FuzzDisk& disk, uint64_t start, uint64_t count) {
    const uint32_t size = disk.SectorSize();
    Sector boot(size, 0);
    const uint8_t jump[] = {0xEB, 0x52, 0x90};
    std::memcpy(boot.data(), jump, 3);
    std::memcpy(boot.data() + 3, "NTFS    ", 8);
    Put16(boot.data() + 11, static_cast<uint16_t>(size));
    boot[13] = 8;
    Put32(boot.data() + 28, static_cast<uint32_t>(start));
    Put32(boot.data() + 40, static_cast<uint32_t>(count - 1));
    Put32(boot.data() + 44, static_cast<uint32_t>((count - 1) >> 32));
    boot[510] = 0x55;
    boot[511] = 0xAA;
    disk.Store(start, boot.data(), 1);
    disk.Store(start + count - 1, boot.data(), 1);
}

// What a FAT32 format of ours leaves on a disk of zeros, laid down without the format's zeroing so
// that a run over an earlier stick costs no more than the run itself.
void PutFat32Stick(FuzzDisk& disk, const DiskRunContext& context) {
    const uint32_t size = disk.SectorSize();
    if (size < 512 || size > 4096 || (size & (size - 1))) return;
    const PartitionSpan span = PlanStickPartition(disk.SizeBytes() / size, size);
    if (!span.ok) return;
    const Fat32Layout layout = PlanFat32(span.count, size, span.start);
    if (!layout.ok) return;
    const FatLabel label = MakeFatLabel(L"OLD");
    const Sector boot = Fat32BootSector(layout, label, context.volumeSerial);
    const Sector fsInfo = Fat32FsInfoSector(layout);
    const Sector fat = Fat32FirstFatSector(layout);
    disk.Store(span.start, boot.data(), 1);
    disk.Store(span.start + kFsInfoSector, fsInfo.data(), 1);
    disk.Store(span.start + kBackupBootSector, boot.data(), 1);
    disk.Store(span.start + kBackupBootSector + kFsInfoSector, fsInfo.data(), 1);
    disk.Store(span.start + layout.reservedSectors, fat.data(), 1);
    disk.Store(span.start + layout.reservedSectors + layout.fatSectors, fat.data(), 1);
    disk.Store(span.start + layout.firstDataSector,
               Fat32RootSector(layout, label, context.fatDate, context.fatTime).data(), 1);
    Sector mbr(size, 0);
    LayOutMbr(mbr.data(), kMbrBootCode, context.newSignature,
              MakePartitionEntry(span.start, span.count, 0x0C, true));
    disk.Store(0, mbr.data(), 1);
}

bool SameBytes(const Sector& a, const Sector& b, size_t from, size_t to) {
    return std::equal(a.data() + from, a.data() + to, b.data() + from);
}

bool IsBootCode(const Sector& sector, const Sector& before, const uint8_t* image, size_t keepTo,
                size_t codeTo) {
    return std::equal(sector.data(), sector.data() + 3, image) &&
           SameBytes(sector, before, 3, keepTo) &&
           std::equal(sector.data() + keepTo, sector.data() + codeTo, image + keepTo);
}

bool IsSecondCode(const Sector& sector, const uint8_t* image) {
    return std::equal(sector.begin(), sector.begin() + 512, image + 512) &&
           std::all_of(sector.begin() + 512, sector.end(), [](uint8_t b) { return b == 0; });
}

bool WritesWithin(const FuzzDisk& disk, uint64_t first, uint64_t end) {
    for (const auto& [lba, count] : disk.writes) {
        if (lba < first || lba + count > end) return false;
    }
    return true;
}

void CheckMbrRun(const FuzzDisk& disk, const Sector& mbrBefore, DiskStatus status) {
    Require(WritesWithin(disk, 0, 1), "the master boot code goes into sector 0 only");
    if (status != kDiskOk) return;
    const Sector mbr = disk.At(0);
    Require(std::equal(mbr.begin(), mbr.begin() + kMbrBootCodeBytes, kMbrBootCode) &&
                SameBytes(mbr, mbrBefore, kMbrBootCodeBytes, mbr.size()),
            "the master boot code is ours, the signature and the table are kept");
}

void CheckFat32PbrRun(const FuzzDisk& disk, const FuzzDisk& before, const TablePartition& partition,
                      const uint8_t* image, DiskStatus status) {
    const Sector bootBefore = before.At(partition.start);
    const Fat32BootFacts facts =
        ReadFat32BootFacts(bootBefore.data(), disk.SectorSize(), partition.start);
    Require(
        WritesWithin(disk, partition.start,
                     partition.start + std::min<uint64_t>(partition.count, facts.reservedSectors)),
        "the boot record goes only into the partition's reserved area");
    if (disk.writes.empty()) return;
    Require(facts.ok, "only an accepted volume is written");
    const uint64_t start = partition.start, backup = facts.backupBootSector;
    const Sector boot = disk.At(start);
    const bool bootNew = boot != bootBefore;
    if (status == kDiskOk) {
        Require(IsBootCode(boot, bootBefore, image, 90, 512) &&
                    SameBytes(boot, bootBefore, 512, boot.size()),
                "the boot sector holds our code and keeps its BPB");
        const Fat32BootFacts after =
            ReadFat32BootFacts(boot.data(), disk.SectorSize(), partition.start);
        Require(after.ok, "the volume stays one a run accepts");
    }
    if (bootNew || status == kDiskOk) {
        Require(IsSecondCode(disk.At(start + kSecondCodeSector), image),
                "the boot sector's code is in place before the sector that starts it");
        if (backup) {
            Require(IsBootCode(disk.At(start + backup), before.At(start + backup), image, 90, 512),
                    "the backup boot record is made before the boot sector");
        }
    }
    if (backup && disk.At(start + backup) != before.At(start + backup)) {
        Require(IsSecondCode(disk.At(start + backup + kSecondCodeSector), image),
                "the backup's code is in place before the backup boot sector");
    }
    for (const auto& [lba, count] : disk.writes) {
        for (uint64_t s = lba; s < lba + count; ++s) {
            Require(
                s == start || s == start + kSecondCodeSector ||
                    (backup && (s == start + backup || s == start + backup + kSecondCodeSector)),
                "only the boot sectors and the second code sectors are written");
        }
    }
}

void CheckNtfsPbrRun(const FuzzDisk& disk, const FuzzDisk& before, const TablePartition& partition,
                     const uint8_t* image, DiskStatus status) {
    Require(WritesWithin(disk, partition.start, uint64_t{partition.start} + partition.count),
            "the boot record goes only into the partition");
    if (disk.writes.empty()) return;
    const uint32_t size = disk.SectorSize();
    const uint64_t areaSectors = kNtfsBootBytes / size;
    const auto bootArea = [&](const FuzzDisk& of) {
        Sector area;
        for (uint64_t i = 0; i < areaSectors; ++i) {
            const Sector s = of.At(partition.start + i);
            area.insert(area.end(), s.begin(), s.end());
        }
        return area;
    };
    const Sector areaBefore = bootArea(before), area = bootArea(disk);
    const NtfsBootFacts facts =
        ReadNtfsBootFacts(areaBefore.data(), size, partition.start, partition.count);
    Require(facts.ok, "only an accepted volume is written");
    const bool firstNew = !SameBytes(area, areaBefore, 0, size);
    if (firstNew || status == kDiskOk) {
        Require(IsBootCode(area, areaBefore, image, 0x54, kNtfsBootBytes),
                "the whole boot area holds our code before its first sector starts it");
        const Sector first(area.begin(), area.begin() + size);
        Require(disk.At(partition.start + facts.backupBootSector) == first,
                "the backup boot sector is made before the first");
    }
    for (const auto& [lba, count] : disk.writes) {
        Require((lba >= partition.start && lba + count <= partition.start + areaSectors) ||
                    (lba == partition.start + facts.backupBootSector && count == 1),
                "only the boot area and the backup boot sector are written");
    }
}

void CheckTable(const FuzzDisk& disk, const Sector& mbrBefore, const DiskRunContext& context,
                uint8_t type, const char* what) {
    const uint32_t size = disk.SectorSize();
    const uint64_t sectors = disk.SizeBytes() / size;
    const Sector mbr = disk.At(0);
    Require(HasPartitionTable(mbr.data(), sectors), what);
    Require(std::equal(mbr.begin(), mbr.begin() + kMbrBootCodeBytes, kMbrBootCode),
            "the table comes with our master boot code");
    const TablePartition partition = BootPartition(mbr.data());
    const uint64_t reachable = std::min<uint64_t>(sectors, uint64_t{1} << 32);
    Require(partition.type == type && mbr[446] == 0x80 && partition.start == 1024 * 1024 / size &&
                partition.start + uint64_t{partition.count} == reachable,
            "one active partition from 1 MiB to the end the table can name");
    const bool hadSignature =
        mbrBefore[510] == 0x55 && mbrBefore[511] == 0xAA && Get32(&mbrBefore[440]);
    Require(Get32(&mbr[440]) == (hadSignature ? Get32(&mbrBefore[440]) : context.newSignature),
            "the disk signature is kept, or a new one given");
    const uint64_t tail = std::min<uint64_t>(1024 * 1024 / size, sectors - partition.start);
    for (const auto& [lba, data] : disk.sectors) {
        Require(lba == 0 || lba >= partition.start, "the first MiB holds nothing but the table");
        Require(lba < sectors - tail, "nothing old is left in the last MiB");
    }
}

void CheckFat32Volume(FuzzDisk& disk, const DiskRunContext& context) {
    const uint32_t size = disk.SectorSize();
    const TablePartition partition = BootPartition(disk.At(0).data());
    const Sector boot = disk.At(partition.start);
    const Fat32BootFacts facts = ReadFat32BootFacts(boot.data(), size, partition.start);
    Require(facts.ok, "a new volume is one a boot-record run accepts");
    Require(Get32(&boot[32]) == partition.count && Get32(&boot[67]) == context.volumeSerial,
            "the volume fills the partition and has the run's serial");
    const uint64_t fatSectors = Get32(&boot[36]), perCluster = boot[13];
    const uint64_t dataStart = facts.reservedSectors + 2 * fatSectors;
    Require(dataStart < partition.count, "the data area starts inside the volume");
    const uint64_t clusters = (partition.count - dataStart) / perCluster;
    Require(fatSectors * (size / 4) >= clusters + 2, "the FAT covers every cluster");
    Require(disk.At(partition.start + kBackupBootSector) == boot &&
                disk.At(partition.start + kBackupBootSector + kFsInfoSector) ==
                    disk.At(partition.start + kFsInfoSector),
            "the backup boot and FSInfo sectors are copies");
    for (uint64_t fat = 0; fat < 2; ++fat) {
        const Sector first = disk.At(partition.start + facts.reservedSectors + fat * fatSectors);
        Require(Get32(&first[0]) == 0x0FFFFFF8 && Get32(&first[8]) == 0x0FFFFFFF,
                "each FAT starts with the media entry and the root's one cluster");
        for (uint64_t s = 1; s < std::min<uint64_t>(fatSectors, 64); ++s) {
            Require(
                !disk.sectors.count(partition.start + facts.reservedSectors + fat * fatSectors + s),
                "the rest of each FAT is free");
        }
    }
    for (uint64_t s = 1; s < perCluster; ++s)
        Require(!disk.sectors.count(partition.start + dataStart + s),
                "the root directory is clean");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const uint32_t sectorSize = input.ConsumeIntegralInRange<int>(0, 15) == 0
                                    ? input.ConsumeIntegral<uint32_t>()
                                    : 512u << input.ConsumeIntegralInRange<int>(0, 3);
    // Mostly disks up to 2^26 sectors, whose formats are quick; now and then any size at all.
    const bool anySize = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    uint64_t sectors = input.ConsumeIntegral<uint64_t>() >>
                       input.ConsumeIntegralInRange<int>(anySize ? 0 : 38, 63);
    if (sectorSize && sectors > UINT64_MAX / sectorSize) sectors = UINT64_MAX / sectorSize;
    const auto action = static_cast<Action>(input.ConsumeIntegralInRange<int>(0, kActions - 1));
    const int baseline = input.ConsumeIntegralInRange<int>(0, 3);
    const std::wstring label = ConsumeWide(input, 40);
    DiskRunContext context;
    context.volumeSerial = input.ConsumeIntegral<uint32_t>();
    context.newSignature = input.ConsumeIntegralInRange<uint32_t>(1, UINT32_MAX);
    context.fatDate = input.ConsumeIntegral<uint16_t>();
    context.fatTime = input.ConsumeIntegral<uint16_t>();
    const int writesAllowed = input.ConsumeIntegralInRange<int>(0, 3) == 0
                                  ? input.ConsumeIntegralInRange<int>(0, 12)
                                  : -1;

    FuzzDisk disk(sectors * sectorSize, sectorSize);
    // What the stick held before: an earlier layout of ours, then any bytes anywhere changed.
    if (baseline == 1 || baseline == 3) {
        PutFat32Stick(disk, context);
        if (baseline == 3) RunDiskAction(disk, CommandFor(kPbrBootmgr, L""), context);
    } else if (baseline == 2) {
        const StickPartition partition = LayOutNtfsStick(disk, context);
        if (partition.status == kDiskOk) PutNtfsVolume(disk, partition.start, partition.count);
    }
    const uint64_t partitionStart = sectorSize ? 1024 * 1024 / sectorSize : 0;
    while (input.remaining_bytes() > 0 && sectorSize >= 512 && sectorSize <= 4096) {
        const int base = input.ConsumeIntegralInRange<int>(0, 2);
        const uint64_t offset = input.ConsumeIntegral<uint32_t>();
        const uint64_t lba = base == 0   ? offset
                             : base == 1 ? partitionStart + offset
                                         : sectors - 1 - offset;
        const size_t at = input.ConsumeIntegralInRange<size_t>(0, sectorSize - 1);
        const std::vector<uint8_t> bytes =
            input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(1, sectorSize - at));
        if (lba >= sectors) continue;
        Sector sector = disk.At(lba);
        std::copy(bytes.begin(), bytes.end(), sector.data() + at);
        disk.Store(lba, sector.data(), 1);
    }
    disk.writes.clear();
    disk.strayAccess = false;
    const FuzzDisk before = disk;
    const bool usable = sectorSize >= 512 && sectorSize <= 4096 && !(sectorSize & (sectorSize - 1));
    const Sector mbrBefore = usable ? disk.At(0) : Sector(512, 0);
    disk.writesLeft = writesAllowed;

    DiskStatus status = kDiskOk;
    StickPartition ntfs;
    if (action == kNtfsLayout) {
        ntfs = LayOutNtfsStick(disk, context);
        status = ntfs.status;
    } else {
        status = RunDiskAction(disk, CommandFor(action, label), context);
    }

    Require(!disk.strayAccess, "every read and write is whole sectors inside the disk");
    Require(disk.refused ? status == kDiskReadWriteFailed
                         : status == kDiskOk || status == kDiskNotSupported,
            "a failing write is reported as such, and only then");
    if (status == kDiskNotSupported) Require(disk.writes.empty(), "a refused run writes nothing");
    if (status == kDiskNotSupported || !usable || sectors == 0) return 0;

    const TablePartition partition = BootPartition(mbrBefore.data());
    switch (action) {
        case kMbr:
            CheckMbrRun(disk, mbrBefore, status);
            break;
        case kPbrBootmgr:
        case kPbrGrub4Dos: {
            const bool grub = action == kPbrGrub4Dos;
            if (partition.type == 0x07) {
                CheckNtfsPbrRun(disk, before, partition, grub ? kNtfsGrldrCode : kNtfsBootmgrCode,
                                status);
            } else {
                CheckFat32PbrRun(disk, before, partition,
                                 grub ? kFat32GrldrCode : kFat32BootmgrCode, status);
            }
            break;
        }
        case kFormatFat32:
            if (status == kDiskOk) {
                CheckTable(disk, mbrBefore, context, 0x0C, "a formatted stick has a valid table");
                CheckFat32Volume(disk, context);
                disk.writesLeft = -1;
                Require(RunDiskAction(disk, CommandFor(kPbrBootmgr, L""), context) == kDiskOk &&
                            RunDiskAction(disk, CommandFor(kMbr, L""), context) == kDiskOk,
                        "the boot records go onto a stick we formatted");
            } else if (disk.At(0) != mbrBefore) {
                // The table is written last: once it is there, so is the volume.
                CheckTable(disk, mbrBefore, context, 0x0C, "a new table is whole");
                CheckFat32Volume(disk, context);
            }
            break;
        case kNtfsLayout:
            if (status == kDiskOk) {
                CheckTable(disk, mbrBefore, context, 0x07, "a laid-out stick has a valid table");
                Require(ntfs.start == partitionStart &&
                            ntfs.count == BootPartition(disk.At(0).data()).count,
                        "the formatter is given the partition in the table");
                for (uint64_t s = ntfs.start; s < ntfs.start + partitionStart; ++s)
                    Require(!disk.sectors.count(s), "the partition's first MiB is cleared");
            }
            break;
        case kFormatNtfs:
        case kActions:
            break;
    }
    return 0;
}
