#include "job/disk_tool_run_win32.h"
#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "tools/folders.h"
#include "tools/path_size.h"
#include "tools/payload_win32.h"

namespace {

// Puts grldr at the drive's root: moved there from \Boot when only that copy exists, the \Boot
// copy removed when both exist. True when a loader of at least one byte is at the root.
bool DetectGrub4Dos(const Job& job) {
    const std::wstring root = job.choices.targetDrive + L"\\grldr";
    const std::wstring inBoot = job.choices.targetDrive + L"\\Boot\\grldr";
    if (PathSize(inBoot) > 0 && PathSize(root) == kPathMissing)
        MoveFileW(inBoot.c_str(), root.c_str());
    if (PathSize(root) <= 0) return false;
    if (PathSize(inBoot) > 0) {
        SetFileAttributesW(inBoot.c_str(),
                           GetFileAttributesW(inBoot.c_str()) & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileW(inBoot.c_str());
    }
    return true;
}

}  // namespace

void RunGrub4DosAndFinish(Job& job) {
    job.Begin(L"WriteMBR");
    job.stepText = L"Write Master and partition boot record";
    job.Report(100, 99);
    bool grub4Dos = job.choices.grub4Dos;
    if (grub4Dos) {
        job.Log(L"Detect Grub4Dos at root or in Boot folder");
        grub4Dos = DetectGrub4Dos(job);
        job.Log(grub4Dos ? L"Grub4Dos detected" : L"Grub4Dos not detected");
    }
    if (grub4Dos) {
        if (EndedAtInstall(job, PrepareBootice(job.booticePath, job.heldBootice))) return;
        job.Log(L"Write Grub4Dos in Partition Boot Record");
        const DiskToolRun run = RunDiskTool(job, BooticeGrub4DosParameters(job.driveLetter));
        if (!run.Succeeded()) {
            FailDiskToolRun(
                job, L"An error occurred while Writing Grub4Dos in Partition Boot Record", run);
            return;
        }
        DeleteTempBootice(job);
        job.Log(L"Successfully Write Grub4Dos in Partition Boot Record  - " +
                FormatDuration(job.stepStart));
    }
    job.stepName = L"Done";
    job.Log(L"DONE");
    EndJob(job, L"DONE");
}
