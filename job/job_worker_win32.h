#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/run_log_win32.h"
#include "job/job_launch_win32.h"
#include "job/job_text.h"
#include "job/wim_fingerprint.h"
#include "job/wim_split_plan.h"
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
    // The image's full path, for the tools, which run in a folder of their own: the image chosen
    // on the command line may be named relative to the program's working folder.
    std::wstring imagePath;
    int64_t isoSize = 0;
    std::wstring booticePath;
    std::wstring sevenZipPath;
    std::wstring sevenZipLibPath;
    // The temp copies this job wrote, held from their check until just before their deletion.
    HeldToolFile heldBootice;
    HeldToolFile heldSevenZip;
    HeldToolFile heldSevenZipLib;
    // The installer's image that this job splits (its path in the image), or empty; the check
    // before the format plans its parts and keeps its fingerprint for the later passes.
    std::wstring wimPath;
    int64_t wimSize = 0;
    WimSplitPlan wimPlan;
    WimFingerprint wimFingerprint;
    // The extraction's bar range and the drive's use at its end, which the split carries on.
    int64_t copyTarget = 0;
    int64_t copyUsed = 0;
    std::vector<AddedFile> addedFiles;
    std::wstring stepName;
    std::wstring stepText;
    ClockValue stepStart = 0;

    void Log(const std::wstring& line) const { WriteJobLogLine(line, settings.LogFile); }
    void Report(int64_t total, int64_t done) const {
        settings.Progress(settings.Window, stepName, stepText, total, done);
    }
    // Starts a step: its name for the reports and its clock for the duration.
    void Begin(const std::wstring& name) {
        stepName = name;
        stepStart = ClockNow();
    }
};

// The steps, in the order the worker runs them; each returns false when it has ended the job.
bool RunWimCheck(Job& job);
bool RunFormatAndBootRecords(Job& job);
bool RunExtraction(Job& job);
bool RunWimSplit(Job& job);
bool RunAddFiles(Job& job);
bool RunVerification(Job& job);
void RunGrub4DosAndFinish(Job& job);
