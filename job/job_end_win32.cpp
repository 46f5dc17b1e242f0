#include "job/job_end_win32.h"

#include <windows.h>

#include "tools/payload_win32.h"

void EndJob(Job& job, const std::wstring& finalText) {
    // The window deletes what is left of the temp tools once told, so nothing may hold them then.
    job.heldBootice.Release();
    job.heldSevenZip.Release();
    job.heldSevenZipLib.Release();
    job.stepText = finalText;
    job.Report(100, 100);
    ReleaseMutex(job.settings.JobLock);
    job.settings.Done(job.settings.DoneEvent);
}

void FailJob(Job& job, const std::wstring& text) {
    job.Log(text + L"  - " + FormatDuration(job.stepStart));
    EndJob(job, text);
}

bool EndedAtInstall(Job& job, const std::wstring& installError) {
    if (installError.empty()) return false;
    job.Log(installError);
    EndJob(job, installError);
    return true;
}

void DeleteTempBootice(Job& job) {
    DeleteToolFile(job.booticePath, job.heldBootice);
}

void FailDiskToolRun(Job& job, const std::wstring& text, const DiskToolRun& run) {
    DeleteTempBootice(job);
    job.Log(DiskToolFailureLine(text, run, FormatDuration(job.stepStart)));
    EndJob(job, text);
}

void DeleteTempArchiver(Job& job) {
    DeleteToolFile(job.sevenZipPath, job.heldSevenZip);
    DeleteToolFile(job.sevenZipLibPath, job.heldSevenZipLib);
}

bool CancelledAt(Job& job) {
    if (WaitForSingleObject(job.settings.CancelSignal, 0) != WAIT_OBJECT_0) return false;
    job.Log(L"Process Canceled");
    EndJob(job, L"Process Canceled");
    return true;
}
