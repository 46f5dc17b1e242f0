// TarnvikDisk.exe: answers one disk-tool command line per run, without a window, and ends with
// its status as the exit code.
#include <windows.h>
#include <bcrypt.h>

#include "disk/disk_command.h"
#include "disk/disk_operations.h"
#include "disk/disk_status.h"
#include "disk/drive_letter_win32.h"
#include "disk/exclusive_access_win32.h"
#include "disk/physical_disk_win32.h"
#include "disk/run_context.h"
#include "disk/target_check_win32.h"

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
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&signature),
                                        sizeof signature, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        signature = static_cast<uint32_t>(counter.QuadPart) ^ GetCurrentProcessId();
    }
    return MakeRunContext(civil, signature);
}

DiskStatus Run() {
    const DiskCommand command = ParseDiskParameters(ParametersOfCommandLine(GetCommandLineW()));
    if (!command.valid || command.driveLetter == 0) return kDiskBadCommandLine;
    if (!DiskActionSupported(command)) return kDiskNotSupported;

    uint32_t diskNumber = 0;
    const DiskStatus target = IdentifyTargetDisk(command.driveLetter, diskNumber);
    if (target != kDiskOk) return target;

    VolumeLocks locks;
    if (!LockDiskVolumes(diskNumber, command.driveLetter, locks)) return kDiskNoExclusiveAccess;
    PhysicalDisk disk;
    if (!disk.Open(PhysicalDrivePath(diskNumber))) return kDiskReadWriteFailed;
    const DiskStatus status = RunDiskAction(disk, command, ContextNow());
    // Whatever was written must reach the stick before its volumes may be mounted again.
    const bool flushed = disk.Flush();
    if (status != kDiskOk) return status;
    if (!flushed) return kDiskReadWriteFailed;
    if (command.action != DiskAction::kFormat) return kDiskOk;

    RereadPartitionTable(disk.Handle());
    locks.clear();
    disk.Close();
    return RestoreDriveLetter(command.driveLetter, diskNumber) ? kDiskOk : kDiskReadWriteFailed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return Run();
}
