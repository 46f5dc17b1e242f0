#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "tools/unique_handle_win32.h"

// How StartChild runs a program.
enum LaunchFlags : unsigned {
    kNoFlags = 0,
    kWait = 1,  // return only when the child has ended
    kHide = 2,  // no visible window, a console of its own
    kKeep = 4,  // keep the process handle in the returned ChildProcess
};

// A started child (or the failure to start one). Owns the process handle when it was kept and
// closes it once, when the value goes; the child itself is not stopped by that.
class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(UniqueHandle process, int64_t processId, unsigned flags)
        : started_(true), process_(std::move(process)), processId_(processId), flags_(flags) {}

    explicit operator bool() const { return started_; }
    // Null when the handle was not kept or the shell gave none.
    HANDLE Process() const { return process_.get(); }
    int64_t ProcessId() const { return processId_; }  // -1 when the shell started it
    unsigned Flags() const { return flags_; }

    bool Running() const;
    // Ends the child at once with exit code 0xFFFFFFFF.
    void Kill() const;
    // Waits up to the given time for the child's end; true when it has ended.
    bool WaitForEnd(DWORD milliseconds) const;
    // The child's exit code once it has ended; false while it runs or when it cannot be read.
    [[nodiscard]] bool ExitCode(DWORD& exitCode) const;

  private:
    bool started_ = false;
    UniqueHandle process_;
    int64_t processId_ = -1;
    unsigned flags_ = 0;
};

// Starts a program (quoted unless it already begins with a quote) with its parameters. When the
// system cannot create the process, the shell opens the path instead, which is how a folder opens.
// Programs the system creates get PATH naming the system's folders only.
ChildProcess StartChild(const std::wstring& program, const std::wstring& parameters,
                        const std::wstring& workingFolder, unsigned flags);
ChildProcess StartChild(const std::wstring& program);
// Starts a console program without a window in the given working folder, its standard output
// going to the given handle and its input and errors to nothing; that handle is the only one it
// inherits. The handle is kept.
ChildProcess StartChildWithOutput(const std::wstring& program, const std::wstring& parameters,
                                  const std::wstring& workingFolder, HANDLE output);
