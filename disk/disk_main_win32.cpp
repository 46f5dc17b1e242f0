// TarnvikDisk.exe: answers one disk-tool command line per run, without a window, and ends with
// its status as the exit code.
#include <windows.h>
#include <bcrypt.h>

#include "disk/disk_command.h"
#include "disk/disk_operations.h"
#include "disk/disk_status.h"
#include "disk/drive_letter_win32.h"
#include "disk/exclusive_access_win32.h"
#include "disk/fat_label.h"
#include "disk/ntfs_format_win32.h"
#include "disk/physical_disk_win32.h"
#include "disk/run_context.h"
#include "disk/target_check_win32.h"
#include "tools/system_library_win32.h"

namespace {

DiskRunContext ContextNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const CivilTime civil{.year = now.wYear,
                          .month = now.wMonth,
                          .day = now.wDay,
                          .hour = now.wHour,
                          .minute = now.wMinute,
                          .second = now.wSecond,
                          .hundredths = now.wMilliseconds / 10};
    uint32_t signature = 0;
    // Not imported: the loader would look for the DLL beside the program first.
    static const SystemLibrary cryptography(L"bcrypt.dll");
    const auto random = cryptography.Get<decltype(&BCryptGenRandom)>("BCryptGenRandom");
    if (!random || !BCRYPT_SUCCESS(random(nullptr, reinterpret_cast<PUCHAR>(&signature),
                                          sizeof signature, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        signature = static_cast<uint32_t>(counter.QuadPart) ^ GetCurrentProcessId();
    }
    return MakeRunContext(civil, signature);
}

// Tells Windows to read the new layout, and gives up every handle on the disk so that its volumes
// can be mounted again.
void HandDiskBack(PhysicalDisk& disk, VolumeLocks& locks) {
    RereadPartitionTable(disk.Handle());
    locks.clear();
    disk.Close();
}

// We write the partition table; the system's formatter makes the file system in the new
// partition, through its drive letter, once Windows shows that partition as a volume.
DiskStatus FormatNtfs(const DiskCommand& command, uint32_t diskNumber, PhysicalDisk& disk,
                      VolumeLocks& locks, const NtfsFormatter& formatter) {
    const StickPartition partition = LayOutNtfsStick(disk, ContextNow());
    const bool flushed = disk.Flush();
    if (partition.status != kDiskOk) return partition.status;
    if (!flushed) return kDiskReadWriteFailed;
    const PartitionPlace place{.disk = diskNumber,
                               .offset = partition.start * disk.SectorSize(),
                               .length = partition.count * disk.SectorSize()};
    HandDiskBack(disk, locks);
    if (!RestoreDriveLetterUnformatted(command.driveLetter, place)) return kDiskReadWriteFailed;
    if (!formatter.Format(command.driveLetter, NtfsLabel(command.label))) {
        return kDiskReadWriteFailed;
    }
    return AwaitFileSystem(command.driveLetter, diskNumber, L"NTFS") ? kDiskOk
                                                                     : kDiskReadWriteFailed;
}

DiskStatus Run() {
    const DiskCommand command = ParseDiskParameters(ParametersOfCommandLine(GetCommandLineW()));
    if (!command.valid || command.driveLetter == 0) return kDiskBadCommandLine;
    if (!DiskActionSupported(command)) return kDiskNotSupported;
    // Without the system's formatter an NTFS stick could not be finished: refuse while the disk
    // is untouched. Wine has none.
    const bool ntfs = command.action == DiskAction::kFormat && command.fileSystem == L"NTFS";
    NtfsFormatter formatter;
    if (ntfs && !formatter.Load()) return kDiskNotSupported;

    uint32_t diskNumber = 0;
    const DiskStatus target = IdentifyTargetDisk(command.driveLetter, diskNumber);
    if (target != kDiskOk) return target;

    VolumeLocks locks;
    if (!LockDiskVolumes(diskNumber, command.driveLetter, locks)) return kDiskNoExclusiveAccess;
    PhysicalDisk disk;
    if (!disk.Open(PhysicalDrivePath(diskNumber))) return kDiskReadWriteFailed;
    if (ntfs) return FormatNtfs(command, diskNumber, disk, locks, formatter);

    const DiskStatus status = RunDiskAction(disk, command, ContextNow());
    // Whatever was written must reach the stick before its volumes may be mounted again.
    const bool flushed = disk.Flush();
    if (status != kDiskOk) return status;
    if (!flushed) return kDiskReadWriteFailed;
    if (command.action != DiskAction::kFormat) return kDiskOk;

    HandDiskBack(disk, locks);
    return RestoreDriveLetter(command.driveLetter, diskNumber) ? kDiskOk : kDiskReadWriteFailed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    LoadLibrariesFromSystemFolderOnly();
    return Run();
}
