#pragma once
#include <string>

#include "job/job_text.h"
#include "job/job_worker_win32.h"

// Runs the disk tool (booticePath) hidden with these parameters and waits for its end.
DiskToolRun RunDiskTool(const Job& job, const std::wstring& parameters);
