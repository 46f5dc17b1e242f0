// tarnvik-disk: the disk tool's Linux build. It takes "--disk PATH" (an image file or a whole
// block device) in place of "/device=X:", followed by the same switches as the Windows build:
//   tarnvik-disk --disk stick.img /partitions /repartition /activate /usb-hdd /fstype=FAT32
//                /vollabel=My Stick /quiet
#include <sys/random.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "disk/disk_command.h"
#include "disk/disk_file_posix.h"
#include "disk/disk_operations.h"
#include "disk/fat_label.h"
#include "disk/ntfs_format_posix.h"
#include "disk/run_context.h"
#include "text/utf8_text.h"

namespace {

const char* const kMessages[] = {
    "done",
    "not one of the command lines this tool answers",
    "refused target",
    "no exclusive access to the disk",
    "read or write failure",
    "not supported on this disk",
};

int Fail(int status, const std::string& detail) {
    std::fprintf(stderr, "tarnvik-disk: %s%s%s\n", kMessages[status], detail.empty() ? "" : ": ",
                 detail.c_str());
    return status;
}

DiskRunContext ContextNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const CivilTime civil{local.tm_year + 1900,
                          local.tm_mon + 1,
                          local.tm_mday,
                          local.tm_hour,
                          local.tm_min,
                          local.tm_sec,
                          static_cast<int>(now.tv_nsec / 10000000)};
    uint32_t random = 0;
    if (getrandom(&random, sizeof random, 0) != sizeof random)
        random = static_cast<uint32_t>(now.tv_nsec);
    return MakeRunContext(civil, random);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::string(argv[1]) != "--disk") {
        std::fprintf(stderr, "usage: tarnvik-disk --disk PATH SWITCHES...\n");
        return kDiskBadCommandLine;
    }
    std::string switches;
    for (int i = 3; i < argc; ++i) switches += (i > 3 ? " " : "") + std::string(argv[i]);
    const DiskCommand command = ParseDiskSwitches(WideFromUtf8(switches));
    if (!command.valid) return Fail(kDiskBadCommandLine, switches);
    const bool ntfs = command.action == DiskAction::kFormat && command.fileSystem == L"NTFS";
    const std::string mkntfs = ntfs ? FindMkntfs() : std::string();
    if (!DiskActionSupported(command) || (ntfs && mkntfs.empty()))
        return Fail(kDiskNotSupported, "NTFS needs mkntfs (ntfs-3g)");
    OpenedDisk disk = OpenDiskPosix(argv[2]);
    if (disk.status != kDiskOk) return Fail(disk.status, disk.problem);
    DiskStatus status = kDiskOk;
    if (ntfs) {
        const StickPartition partition = LayOutNtfsStick(*disk.device, ContextNow());
        status = partition.status;
        if (status == kDiskOk) {
            status = FormatNtfsPosix(*disk.device, mkntfs, partition.start, partition.count,
                                     Utf8FromWide(NtfsLabel(command.label)));
        }
    } else {
        status = RunDiskAction(*disk.device, command, ContextNow());
    }
    if (command.action == DiskAction::kFormat) RereadPartitionsPosix(*disk.device);
    return status == kDiskOk ? kDiskOk : Fail(status, argv[2]);
}
