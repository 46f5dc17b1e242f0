#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "tools/unique_handle_win32.h"

// The debug run's log file: opened without sharing, written through a buffer, flushed on close.
class RunLog {
  public:
    // Empties or creates the file; nullptr when it cannot be opened.
    static std::unique_ptr<RunLog> Create(const std::wstring& path);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    void WriteLine(std::wstring_view text);

  private:
    explicit RunLog(UniqueHandle file) : file_(std::move(file)) {}
    void Flush();

    static constexpr size_t kBufferSize = 4096;
    UniqueHandle file_;
    std::string buffer_;
};

// The process's one log: present only in a debug run whose file could be created.
bool OpenProcessLog(const std::wstring& path);
void CloseProcessLog();
RunLog* ProcessLog();

// User-interface thread: writes to the process's log if there is one.
void WriteLogLine(std::wstring_view text);
// Worker thread: writes through the job's copy of the log, which may be null.
void WriteJobLogLine(std::wstring_view text, RunLog* log);
