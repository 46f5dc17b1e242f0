#pragma once
#include <string>

#include "job/job_text.h"
#include "job/job_worker_win32.h"

// Every end of a job: the temp tools let go, the final report of 100 of 100, the lock released,
// the window told.
void EndJob(Job& job, const std::wstring& finalText);
// Logs a failure with the step's duration and ends the job with the same text without it.
void FailJob(Job& job, const std::wstring& text);
// A tool could not be installed (the error text is not empty): the text logged and the job
// ended with it. True when the job has been ended.
[[nodiscard]] bool EndedAtInstall(Job& job, const std::wstring& installError);
// Lets the temp copy of the disk tool go and deletes it.
void DeleteTempBootice(Job& job);
// Ends the job after a failed disk-tool run: the temp copy of the tool deleted, the text logged
// with the exit code and the step's duration, and reported without either.
void FailDiskToolRun(Job& job, const std::wstring& text, const DiskToolRun& run);
// Lets the temp copies of 7-Zip go and deletes them.
void DeleteTempArchiver(Job& job);
// The user asked to stop (tried without waiting); true when the job has been ended for it.
bool CancelledAt(Job& job);
