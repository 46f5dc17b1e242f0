#include "job/job_worker_win32.h"
#include "tools/child_process_win32.h"
#include "tools/folders.h"
#include "tools/payload_win32.h"

namespace {

// BOOTICE runs hidden and is waited for; what it says and returns is not read.
void RunBootice(const Job& job, const std::wstring& parameters) {
    const ChildStart run = StartChild(job.booticePath, parameters, L"", kWait | kHide | kKeep);
    CloseChild(run.child);
}

}  // namespace

bool RunFormatAndBootRecords(Job& job) {
    job.Begin(L"Format");
    const std::wstring installError = PrepareBootice(job.booticePath);
    if (!installError.empty()) {
        job.Log(installError);
        EndJob(job, installError);
        return false;
    }
    job.stepText = L"Formatting USB device " + job.choices.targetDrive;
    job.Log(job.stepText);
    job.Report(100, 1);
    RunBootice(job, BooticeFormatParameters(job.driveLetter, job.choices.fileSystem,
                                            job.choices.volumeLabel));
    // The format counts as done while the system still reports a drive at that letter.
    const UINT type = GetDriveTypeW(job.choices.targetDrive.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) {
        DeleteIfNotEmpty(TempFolder() + L"Bootice.exe");
        FailJob(job, L"An error occurred while Formating " + job.choices.targetDrive);
        return false;
    }
    job.Log(L"Successfully Formatted USB device " + job.choices.targetDrive + L"  - " +
            FormatDuration(job.stepStart));

    job.stepStart = ClockNow();
    job.Log(L"Write Master and Partition Boot Record");
    RunBootice(job, BooticeMbrParameters(job.driveLetter));
    RunBootice(job, BooticePbrParameters(job.driveLetter));
    DeleteIfNotEmpty(TempFolder() + L"Bootice.exe");
    job.Log(L"Successfully Write Master and Partition Boot Record  - " +
            FormatDuration(job.stepStart));
    return !CancelledAt(job);
}
