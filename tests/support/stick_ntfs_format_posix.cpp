// The real-stick rig's NTFS format (tests/e2e/real_stick/rig.sh): Wine has no system formatter,
// so the disk tool's stick build asks the rig to make the NTFS volume, which it does here exactly
// as the tool's Linux build does, in the partition that the table written by the tool under test
// names. The table itself is left alone.
//   stick_ntfs_format DISK LABEL     (DISK: the stick's image or whole loop device; LABEL: UTF-8)
#include <cstdio>
#include <string>
#include <vector>

#include "disk/disk_file_posix.h"
#include "disk/mbr_layout.h"
#include "disk/ntfs_format_posix.h"

namespace {

constexpr uint8_t kNtfsPartitionType = 0x07;

int Fail(const std::string& what) {
    std::fprintf(stderr, "stick_ntfs_format: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Fail("usage: stick_ntfs_format DISK LABEL");
    const std::string mkntfs = FindMkntfs();
    if (mkntfs.empty()) return Fail("no mkntfs (ntfs-3g)");
    OpenedDisk disk = OpenDiskPosix(argv[1]);
    if (disk.status != kDiskOk) return Fail(disk.problem);
    std::vector<uint8_t> first(disk.device->SectorSize());
    if (!disk.device->Read(0, first.data(), first.size())) return Fail("cannot read the table");
    const TablePartition partition = BootPartition(first.data());
    if (!partition.found || partition.type != kNtfsPartitionType) {
        return Fail("the table names no NTFS partition");
    }
    if (FormatNtfsPosix(*disk.device, mkntfs, partition.start, partition.count, argv[2]) !=
        kDiskOk) {
        return Fail("mkntfs or the copy into the partition failed");
    }
    return 0;
}
