#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// How StartChild runs a program.
enum LaunchFlags : unsigned {
    kNoFlags = 0,
    kWait = 1,  // return only when the child has ended
    kHide = 2,  // no visible window, a console of its own
    kKeep = 4,  // keep the process handle and hand back a ChildProcess record
};

// A started child whose handle is kept; owned by the caller from StartChild to CloseChild.
struct ChildProcess {
    HANDLE process = nullptr;
    int64_t processId = -1;  // -1 when the shell started it
    unsigned flags = 0;
};

// The outcome of StartChild: started or not, and the record when kKeep was given.
struct ChildStart {
    bool started = false;
    ChildProcess* child = nullptr;
    explicit operator bool() const { return started; }
};

// Starts a program (quoted unless it already begins with a quote) with its parameters. When the
// system cannot create the process, the shell opens the path instead, which is how a folder opens.
ChildStart StartChild(const std::wstring& program, const std::wstring& parameters,
                      const std::wstring& workingFolder, unsigned flags);
ChildStart StartChild(const std::wstring& program);
// Starts a console program without a window, its standard output going to the given handle and
// its input and errors to nothing; that handle is the only one it inherits. The record is kept.
ChildStart StartChildWithOutput(const std::wstring& program, const std::wstring& parameters,
                                HANDLE output);
bool ChildRunning(const ChildProcess* child);
// Ends the child at once with exit code 0xFFFFFFFF; the record stays.
void KillChild(const ChildProcess* child);
// The child's exit code once it has ended; false while it runs or when it cannot be read.
bool ChildExitCode(const ChildProcess* child, DWORD& exitCode);
// Releases the record and its handles; the child itself is not stopped.
void CloseChild(ChildProcess* child);
