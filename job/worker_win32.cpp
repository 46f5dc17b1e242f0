#include <windows.h>

#include "job/worker_win32.h"

#include "app/app_state_win32.h"
#include "app/event_window_win32.h"
#include "job/job_worker_win32.h"
#include "text/path_text.h"
#include "tools/child_process_win32.h"
#include "tools/folders.h"
#include "tools/path_size.h"
#include "tools/payload_win32.h"

void EndJob(Job& job, const std::wstring& finalText) {
    // The window deletes what is left of the temp tools once told, so nothing may hold them then.
    job.heldBootice.Release();
    job.heldSevenZip.Release();
    job.heldSevenZipLib.Release();
    job.stepText = finalText;
    job.Report(100, 100);
    ReleaseMutex(App().jobLock.get());
    PostJobEvent(job.settings.DoneEvent);
}

void FailJob(Job& job, const std::wstring& text) {
    job.Log(text + L"  - " + FormatDuration(job.stepStart));
    EndJob(job, text);
}

DiskToolRun RunDiskTool(const Job& job, const std::wstring& parameters) {
    const ChildStart run = StartChild(job.booticePath, parameters, L"", kWait | kHide | kKeep);
    DiskToolRun result;
    DWORD exitCode = 0;
    // Without a process handle the wait did not happen and there is no code to read.
    result.started = run && ChildExitCode(run.child, exitCode);
    result.exitCode = exitCode;
    CloseChild(run.child);
    return result;
}

void DeleteTempBootice(Job& job) {
    job.heldBootice.Release();
    DeleteIfNotEmpty(TempFolder() + L"Bootice.exe");
}

void FailDiskToolRun(Job& job, const std::wstring& text, const DiskToolRun& run) {
    DeleteTempBootice(job);
    job.Log(DiskToolFailureLine(text, run, FormatDuration(job.stepStart)));
    EndJob(job, text);
}

void DeleteTempArchiver(Job& job) {
    job.heldSevenZip.Release();
    job.heldSevenZipLib.Release();
    DeleteIfNotEmpty(TempFolder() + L"USB7z.exe");
    DeleteIfNotEmpty(TempFolder() + L"7z.dll");
}

bool CancelledAt(Job& job) {
    if (WaitForSingleObject(App().cancelSignal.get(), 0) != WAIT_OBJECT_0) return false;
    job.Log(L"Process Canceled");
    EndJob(job, L"Process Canceled");
    return true;
}

unsigned __stdcall WorkerThread(void* settings) {
    Job job;
    job.settings = *static_cast<const JobSettings*>(settings);
    job.choices = {job.settings.IsoPath,           job.settings.TargetDrive,
                   job.settings.FileSystem,        job.settings.VolumeLabel,
                   job.settings.Grub4DosMode != 0, job.settings.AddFiles != 0};
    job.driveLetter = job.settings.TargetDrive.substr(0, 2);
    job.isoName = FileNamePart(job.settings.IsoPath);
    job.isoSize = PathSize(job.settings.IsoPath);
    const std::wstring temp = TempFolder();
    job.booticePath = temp + L"Bootice.exe";
    job.sevenZipPath = temp + L"USB7z.exe";
    job.sevenZipLibPath = temp + L"7z.dll";

    WaitForSingleObject(App().jobLock.get(), INFINITE);
    for (const std::wstring& line :
         JobHeaderLines(job.choices, FormatTimeStamp(), PathSize(job.choices.isoPath))) {
        job.Log(line);
    }
    if (RunFormatAndBootRecords(job) && RunExtraction(job) && RunAddFiles(job) &&
        RunVerification(job)) {
        RunGrub4DosAndFinish(job);
    }
    return 0;
}
