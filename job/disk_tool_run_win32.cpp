#include "job/disk_tool_run_win32.h"

#include <windows.h>

#include "tools/child_process_win32.h"

DiskToolRun RunDiskTool(const Job& job, const std::wstring& parameters) {
    const ChildProcess run = StartChild(job.booticePath, parameters, job.settings.ToolFolder,
                                        kWait | kHide | kKeep);
    DiskToolRun result;
    DWORD exitCode = 0;
    // Without a process handle the wait did not happen and there is no code to read.
    result.started = run.ExitCode(exitCode);
    result.exitCode = exitCode;
    return result;
}
