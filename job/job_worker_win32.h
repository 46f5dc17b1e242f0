#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/run_log_win32.h"
#include "job/job_launch_win32.h"
#include "job/job_text.h"
#include "text/clock.h"
#include "tools/held_tool_file_win32.h"

// An additional file as copied to the stick, for the read-back.
struct AddedFile {
    std::wstring relativePath;  // from the stick's root
    std::wstring sourcePath;
    int64_t size = 0;
};

// The worker's values for one job, shared by its steps.
struct Job {
    JobSettings settings;
    JobChoices choices;
    std::wstring driveLetter;  // "E:"
    std::wstring isoName;
    int64_t isoSize = 0;
    std::wstring booticePath;
    std::wstring sevenZipPath;
    std::wstring sevenZipLibPath;
    // The temp copies this job wrote, held from their check until just before their deletion.
    HeldToolFile heldBootice;
    HeldToolFile heldSevenZip;
    HeldToolFile heldSevenZipLib;
    std::vector<AddedFile> addedFiles;
    std::wstring stepName;
    std::wstring stepText;
    ClockValue stepStart = 0;

    void Log(const std::wstring& line) const { WriteJobLogLine(line, settings.LogFile); }
    void Report(int64_t total, int64_t done) const {
        settings.Progress(stepName, stepText, total, done);
    }
    // Starts a step: its name for the reports and its clock for the duration.
    void Begin(const std::wstring& name) {
        stepName = name;
        stepStart = ClockNow();
    }
};

// Every end of a job: the temp tools let go, the final report of 100 of 100, the lock released,
// the window told.
void EndJob(Job& job, const std::wstring& finalText);
// Logs a failure with the step's duration and ends the job with the same text without it.
void FailJob(Job& job, const std::wstring& text);
// Runs the disk tool (BooticePath) hidden with these parameters and waits for its end.
DiskToolRun RunDiskTool(const Job& job, const std::wstring& parameters);
// Lets the temp copy of the disk tool go and deletes it.
void DeleteTempBootice(Job& job);
// Ends the job after a failed disk-tool run: the temp copy of the tool deleted, the text logged
// with the exit code and the step's duration, and reported without either.
void FailDiskToolRun(Job& job, const std::wstring& text, const DiskToolRun& run);
// Lets the temp copies of 7-Zip go and deletes them.
void DeleteTempArchiver(Job& job);
// The user asked to stop (tried without waiting); true when the job has been ended for it.
bool CancelledAt(Job& job);

// The steps; each returns false when it has ended the job.
bool RunFormatAndBootRecords(Job& job);
bool RunExtraction(Job& job);
bool RunAddFiles(Job& job);
bool RunVerification(Job& job);
void RunGrub4DosAndFinish(Job& job);
