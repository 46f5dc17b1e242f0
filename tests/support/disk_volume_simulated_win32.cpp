// The disk tool's test build: which disk lies behind a volume and on which bus, answered from the
// file named by TARNVIK_TEST_VOLUME_DISKS_FILE. Each line is "LETTER DISK BUS" ("E 9 usb",
// "C 0 sata"); a letter listed twice lies on two extents. Letters not listed lie on no known
// disk. A volume's one extent is the partition its disk's table names, as Windows shows it once it
// has read the table. Only the test builds link this unit.
#include <windows.h>

#include "disk/mbr_layout.h"
#include "disk/physical_disk_win32.h"
#include "disk/volume_disk_win32.h"
#include "drives/storage_bus.h"
#include "tests/support/disk_placements.h"

namespace {

std::vector<support::Placement> Placements() {
    return support::Placements(L"TARNVIK_TEST_VOLUME_DISKS_FILE");
}

int BusOfName(const std::string& name) {
    if (name == "usb") return kBusTypeUsb;
    if (name == "scsi") return 1;
    if (name == "ata") return 3;
    if (name == "sata") return 11;
    return -1;
}

bool BootPartitionOf(uint32_t disk, PartitionPlace& place) {
    PhysicalDisk device;
    if (!device.Open(PhysicalDrivePath(disk))) return false;
    std::vector<uint8_t> first(device.SectorSize());
    if (!device.Read(0, first.data(), first.size())) return false;
    const TablePartition partition = BootPartition(first.data());
    if (!partition.found) return false;
    place = {disk, uint64_t{partition.start} * device.SectorSize(),
             uint64_t{partition.count} * device.SectorSize()};
    return true;
}

}  // namespace

bool ExtentsOfVolume(const std::wstring& volume, std::vector<PartitionPlace>& extents) {
    extents.clear();
    std::vector<uint32_t> disks;
    if (!DisksOfVolume(volume, disks)) return false;
    for (uint32_t disk : disks) {
        PartitionPlace place;
        if (!BootPartitionOf(disk, place)) return false;
        extents.push_back(place);
    }
    return true;
}

bool DisksOfVolume(const std::wstring& path, std::vector<uint32_t>& disks) {
    disks.clear();
    if (path.size() < 2 || path[1] != L':') return false;
    for (const support::Placement& placement : Placements()) {
        if (placement.letter == std::towupper(path[0])) disks.push_back(placement.disk);
    }
    return !disks.empty();
}

int DiskBusType(uint32_t disk) {
    for (const support::Placement& placement : Placements()) {
        if (placement.disk == disk) return BusOfName(placement.bus);
    }
    return -1;
}

bool VolumesOnDisk(uint32_t disk, std::vector<std::wstring>& volumes) {
    volumes.clear();
    for (const support::Placement& placement : Placements()) {
        const std::wstring root = {placement.letter, L':', L'\\'};
        if (placement.disk == disk) volumes.push_back(root);
    }
    return true;
}

std::wstring VolumeOfLetter(wchar_t letter) {
    return {static_cast<wchar_t>(std::towupper(letter)), L':', L'\\'};
}
