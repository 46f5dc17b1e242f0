#include "disk/disk_operations.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disk/boot_code.h"
#include "disk/boot_record.h"
#include "disk/byte_order.h"
#include "disk/fat32_layout.h"
#include "disk/fat_label.h"
#include "disk/mbr_layout.h"

namespace {

constexpr uint8_t kTypeFat32Lba = 0x0C;
constexpr uint8_t kTypeNtfs = 0x07;
constexpr uint64_t kMiB = 1024 * 1024;

constexpr uint64_t kMinNtfsBytes = 16 * kMiB;

using Sector = std::vector<uint8_t>;

bool UsableSectorSize(uint32_t size) {
    return size >= 512 && size <= 4096 && (size & (size - 1)) == 0;
}

struct Disk {
    BlockDevice& device;
    uint32_t sectorSize;
    uint64_t sectors;

    bool Read(uint64_t lba, Sector& sector) {
        sector.assign(sectorSize, 0);
        return device.Read(lba * sectorSize, sector.data(), sector.size());
    }
    bool Write(uint64_t lba, const Sector& sector) {
        return device.Write(lba * sectorSize, sector.data(), sector.size());
    }
    // Zeroes a run of sectors in pieces of at most 1 MiB.
    bool Zero(uint64_t lba, uint64_t count) {
        const uint64_t perPiece = std::max<uint64_t>(1, kMiB / sectorSize);
        const Sector zeros(perPiece * sectorSize, 0);
        while (count > 0) {
            const uint64_t n = std::min(count, perPiece);
            if (!device.Write(lba * sectorSize, zeros.data(), n * sectorSize)) return false;
            lba += n;
            count -= n;
        }
        return true;
    }
};

// The disk signature Windows ties the drive letter to: kept when there is one.
uint32_t SignatureToKeep(Disk& disk, uint32_t fresh) {
    Sector mbr;
    if (!disk.Read(0, mbr) || mbr[510] != 0x55 || mbr[511] != 0xAA) return fresh;
    const uint32_t old = Get32(mbr.data() + kMbrSignatureOffset);
    return old != 0 ? old : fresh;
}

// What earlier layouts left: the first MiB (old boot code, GPT header and entries, old boot
// sectors) and the last MiB (a backup GPT, an old NTFS backup boot sector). The rest of the disk is
// free space afterwards.
bool ClearLeftovers(Disk& disk, const PartitionSpan& span) {
    const uint64_t tail = std::min<uint64_t>(kMiB / disk.sectorSize, disk.sectors - span.start);
    return disk.Zero(1, span.start - 1) && disk.Zero(disk.sectors - tail, tail);
}

// The table goes in last: until then no system sees a half-made volume.
bool WriteTable(Disk& disk, const PartitionSpan& span, uint8_t type, uint32_t signature) {
    Sector mbr(disk.sectorSize, 0);
    LayOutMbr(mbr.data(), kMbrBootCode, signature,
              MakePartitionEntry(span.start, span.count, type, true));
    return disk.Write(0, mbr) && disk.device.Flush();
}

DiskStatus FormatFat32(Disk& disk, const std::wstring& typedLabel, const DiskRunContext& context) {
    const PartitionSpan span = PlanStickPartition(disk.sectors, disk.sectorSize);
    if (!span.ok) return kDiskNotSupported;
    const Fat32Layout layout = PlanFat32(span.count, disk.sectorSize, span.start);
    if (!layout.ok) return kDiskNotSupported;
    const FatLabel label = MakeFatLabel(typedLabel);
    const uint32_t signature = SignatureToKeep(disk, context.newSignature);
    if (!ClearLeftovers(disk, span)) return kDiskReadWriteFailed;
    const uint64_t volume = span.start;
    const Sector boot = Fat32BootSector(layout, label, context.volumeSerial);
    const Sector fsInfo = Fat32FsInfoSector(layout);
    if (!disk.Zero(volume, layout.reservedSectors) || !disk.Write(volume, boot) ||
        !disk.Write(volume + kFsInfoSector, fsInfo) ||
        !disk.Write(volume + kBackupBootSector, boot) ||
        !disk.Write(volume + kBackupBootSector + kFsInfoSector, fsInfo)) {
        return kDiskReadWriteFailed;
    }
    const Sector firstFat = Fat32FirstFatSector(layout);
    for (uint32_t fat = 0; fat < layout.fatCount; ++fat) {
        const uint64_t start = volume + layout.reservedSectors + uint64_t{fat} * layout.fatSectors;
        if (!disk.Zero(start, layout.fatSectors) || !disk.Write(start, firstFat))
            return kDiskReadWriteFailed;
    }
    const uint64_t root = volume + layout.firstDataSector;
    if (!disk.Zero(root, layout.sectorsPerCluster) ||
        !disk.Write(root, Fat32RootSector(layout, label, context.fatDate, context.fatTime))) {
        return kDiskReadWriteFailed;
    }
    return WriteTable(disk, span, kTypeFat32Lba, signature) ? kDiskOk : kDiskReadWriteFailed;
}

DiskStatus InstallMbr(Disk& disk) {
    Sector mbr;
    if (!disk.Read(0, mbr)) return kDiskReadWriteFailed;
    if (!HasPartitionTable(mbr.data(), disk.sectors)) return kDiskNotSupported;
    std::memcpy(mbr.data(), kMbrBootCode, kMbrBootCodeBytes);
    if (!disk.Write(0, mbr) || !disk.device.Flush()) return kDiskReadWriteFailed;
    return kDiskOk;
}

DiskStatus InstallNtfsPbr(Disk& disk, const TablePartition& partition, const uint8_t* codeImage) {
    const uint64_t areaSectors = kNtfsBootBytes / disk.sectorSize;
    // No NTFS volume fits, and the boot area's read could run past the disk's end.
    if (partition.count <= areaSectors) return kDiskNotSupported;
    Sector area(kNtfsBootBytes, 0);
    if (!disk.device.Read(uint64_t{partition.start} * disk.sectorSize, area.data(), area.size()))
        return kDiskReadWriteFailed;
    const NtfsBootFacts facts =
        ReadNtfsBootFacts(area.data(), disk.sectorSize, partition.start, partition.count);
    if (!facts.ok) return kDiskNotSupported;
    PutNtfsBootCode(area.data(), codeImage);
    const Sector first(area.begin(), area.begin() + disk.sectorSize);
    // The backup first, so that an interrupted run leaves one whole boot sector; then the code
    // after the first sector, which the first sector loads; then the first sector itself.
    if (!disk.Write(partition.start + facts.backupBootSector, first) ||
        !disk.device.Write((partition.start + 1) * disk.sectorSize, area.data() + disk.sectorSize,
                           (areaSectors - 1) * disk.sectorSize) ||
        !disk.Write(partition.start, first) || !disk.device.Flush()) {
        return kDiskReadWriteFailed;
    }
    return kDiskOk;
}

DiskStatus InstallPbr(Disk& disk, bool grub4Dos) {
    Sector mbr;
    if (!disk.Read(0, mbr)) return kDiskReadWriteFailed;
    if (!HasPartitionTable(mbr.data(), disk.sectors)) return kDiskNotSupported;
    const TablePartition partition = BootPartition(mbr.data());
    if (partition.type == kTypeNtfs) {
        return InstallNtfsPbr(disk, partition, grub4Dos ? kNtfsGrldrCode : kNtfsBootmgrCode);
    }
    if (partition.type != 0x0B && partition.type != kTypeFat32Lba) return kDiskNotSupported;
    const uint8_t* codeImage = grub4Dos ? kFat32GrldrCode : kFat32BootmgrCode;
    Sector boot;
    if (!disk.Read(partition.start, boot)) return kDiskReadWriteFailed;
    const Fat32BootFacts facts = ReadFat32BootFacts(boot.data(), disk.sectorSize, partition.start);
    // A reserved area longer than the partition (the table changed under an old volume) would put
    // the code sectors into whatever follows the partition.
    if (!facts.ok || facts.reservedSectors > partition.count) return kDiskNotSupported;
    PutFat32BootCode(boot.data(), codeImage);
    Sector second(disk.sectorSize, 0);
    std::memcpy(second.data(), codeImage + 512, 512);
    // The backup copy first, so that an interrupted run leaves one whole boot record.
    if (facts.backupBootSector != 0) {
        Sector backup;
        if (!disk.Read(partition.start + facts.backupBootSector, backup))
            return kDiskReadWriteFailed;
        PutFat32BootCode(backup.data(), codeImage);
        if (!disk.Write(partition.start + facts.backupBootSector + kSecondCodeSector, second) ||
            !disk.Write(partition.start + facts.backupBootSector, backup)) {
            return kDiskReadWriteFailed;
        }
    }
    if (!disk.Write(partition.start + kSecondCodeSector, second) ||
        !disk.Write(partition.start, boot) || !disk.device.Flush()) {
        return kDiskReadWriteFailed;
    }
    return kDiskOk;
}

}  // namespace

bool DiskActionSupported(const DiskCommand& command) {
    return command.valid;
}

StickPartition LayOutNtfsStick(BlockDevice& device, const DiskRunContext& context) {
    StickPartition result;
    if (!UsableSectorSize(device.SectorSize())) {
        result.status = kDiskNotSupported;
        return result;
    }
    Disk disk{device, device.SectorSize(), device.SizeBytes() / device.SectorSize()};
    const PartitionSpan span = PlanStickPartition(disk.sectors, disk.sectorSize);
    // Smaller than this, NTFS keeps hardly any room for files.
    if (!span.ok || uint64_t{span.count} * disk.sectorSize < kMinNtfsBytes) {
        result.status = kDiskNotSupported;
        return result;
    }
    const uint32_t signature = SignatureToKeep(disk, context.newSignature);
    // An old file system at the partition's start would show through until the formatter ends.
    if (!ClearLeftovers(disk, span) || !disk.Zero(span.start, kMiB / disk.sectorSize) ||
        !WriteTable(disk, span, kTypeNtfs, signature)) {
        result.status = kDiskReadWriteFailed;
        return result;
    }
    result.start = span.start;
    result.count = span.count;
    return result;
}

DiskStatus RunDiskAction(BlockDevice& device, const DiskCommand& command,
                         const DiskRunContext& context) {
    if (!command.valid) return kDiskBadCommandLine;
    const uint32_t sectorSize = device.SectorSize();
    if (!UsableSectorSize(sectorSize)) return kDiskNotSupported;
    Disk disk{device, sectorSize, device.SizeBytes() / sectorSize};
    // A card reader without its card: there is no sector 0 to read, let alone lay out.
    if (disk.sectors == 0) return kDiskNotSupported;
    switch (command.action) {
        case DiskAction::kFormat:
            if (command.fileSystem != L"FAT32") return kDiskNotSupported;
            return FormatFat32(disk, command.label, context);
        case DiskAction::kMbr:
            return InstallMbr(disk);
        case DiskAction::kPbrBootmgr:
            return InstallPbr(disk, false);
        case DiskAction::kPbrGrub4Dos:
            return InstallPbr(disk, true);
    }
    return kDiskBadCommandLine;
}
