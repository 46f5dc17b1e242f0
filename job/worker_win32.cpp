#include <windows.h>

#include "job/worker_win32.h"

#include "app/app_state_win32.h"
#include "app/event_window_win32.h"
#include "app/run_log_win32.h"
#include "job/job_launch_win32.h"
#include "job/job_text.h"
#include "text/clock.h"
#include "text/path_text.h"
#include "tools/folders.h"
#include "tools/path_size.h"

namespace {

// The worker's own values for one job.
struct Job {
    JobSettings settings;
    JobChoices choices;
    std::wstring driveLetter;
    std::wstring isoName;
    int64_t isoSize = 0;
    std::wstring booticePath;
    std::wstring sevenZipPath;
    std::wstring sevenZipLibPath;
    std::wstring stepName;
    std::wstring stepText;
    ClockValue stepStart = 0;

    void Log(const std::wstring& line) const { WriteJobLogLine(line, settings.LogFile); }
    void Report(int64_t total, int64_t done) const { settings.Progress(stepName, stepText, total, done); }
};

// Every end of a job: the final report, the lock released, the window told.
void EndJob(Job& job, const std::wstring& finalText) {
    job.stepText = finalText;
    job.Report(100, 100);
    ReleaseMutex(App().jobLock.get());
    PostJobEvent(job.settings.DoneEvent);
}

void WriteJobHeader(const Job& job) {
    for (const std::wstring& line : JobHeaderLines(job.choices, FormatTimeStamp(), PathSize(job.choices.isoPath))) {
        job.Log(line);
    }
}

}  // namespace

unsigned __stdcall WorkerThread(void* settings) {
    Job job;
    job.settings = *static_cast<const JobSettings*>(settings);
    job.choices = {job.settings.IsoPath,    job.settings.TargetDrive,      job.settings.FileSystem,
                   job.settings.VolumeLabel, job.settings.Grub4DosMode != 0, job.settings.AddFiles != 0};
    job.driveLetter = job.settings.TargetDrive.substr(0, 2);
    job.isoName = FileNamePart(job.settings.IsoPath);
    job.isoSize = PathSize(job.settings.IsoPath);
    const std::wstring temp = TempFolder();
    job.booticePath = temp + L"Bootice.exe";
    job.sevenZipPath = temp + L"USB7z.exe";
    job.sevenZipLibPath = temp + L"7z.dll";

    WaitForSingleObject(App().jobLock.get(), INFINITE);
    WriteJobHeader(job);

    job.stepName = L"Done";
    job.Log(L"DONE");
    EndJob(job, L"DONE");
    return 0;
}
