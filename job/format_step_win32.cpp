#include "job/disk_tool_run_win32.h"
#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "tools/folders.h"
#include "tools/payload_win32.h"

bool RunFormatAndBootRecords(Job& job) {
    job.Begin(L"Format");
    if (EndedAtInstall(job, PrepareBootice(job.booticePath, job.heldBootice))) return false;
    job.stepText = L"Formatting USB device " + job.choices.targetDrive;
    job.Log(job.stepText);
    job.Report(100, 1);
    const std::wstring formatError =
        L"An error occurred while Formating " + job.choices.targetDrive;
    const DiskToolRun format = RunDiskTool(
        job,
        BooticeFormatParameters(job.driveLetter, job.choices.fileSystem, job.choices.volumeLabel));
    // A tool that refused or failed the format must not let the job write onto the old stick.
    if (!format.Succeeded()) {
        FailDiskToolRun(job, formatError, format);
        return false;
    }
    // The format counts as done while the system still reports a drive at that letter.
    const UINT type = GetDriveTypeW(job.choices.targetDrive.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) {
        DeleteTempBootice(job);
        FailJob(job, formatError);
        return false;
    }
    job.Log(L"Successfully Formatted USB device " + job.choices.targetDrive + L"  - " +
            FormatDuration(job.stepStart));

    job.stepStart = ClockNow();
    job.Log(L"Write Master and Partition Boot Record");
    // A stick without its boot records would not boot: the first failure ends the job.
    for (const std::wstring& parameters :
         {BooticeMbrParameters(job.driveLetter), BooticePbrParameters(job.driveLetter)}) {
        const DiskToolRun run = RunDiskTool(job, parameters);
        if (!run.Succeeded()) {
            FailDiskToolRun(
                job, L"An error occurred while Writing Master and Partition Boot Record", run);
            return false;
        }
    }
    DeleteTempBootice(job);
    job.Log(L"Successfully Write Master and Partition Boot Record  - " +
            FormatDuration(job.stepStart));
    return !CancelledAt(job);
}
