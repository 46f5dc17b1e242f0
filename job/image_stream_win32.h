#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "job/job_worker_win32.h"
#include "tools/child_process_win32.h"
#include "tools/unique_handle_win32.h"

// The job's 7-Zip streaming files of the image to the worker through a pipe ("x -so"), so that
// their bytes are read once, where they are needed, with no copy on disk.
class ImageStream {
  public:
    // Starts the archiver with the parameters; false when no pipe or process could be had.
    [[nodiscard]] bool Start(const Job& job, const std::wstring& parameters);
    HANDLE Pipe() const { return pipe_.get(); }
    // Lets go of the pipe and waits for the archiver's end, ending it first unless the whole
    // stream was taken. True when it ended by itself with exit code 0.
    bool End(bool taken);

  private:
    UniqueHandle pipe_;
    ChildProcess archiver_;
};

enum class Fed { Done, Stopped, Cancelled, SourceFailed };

// Reads a stream (a pipe or a file) to its end, handing each piece to take until it returns
// false (Stopped); after each piece reports (total, before + the bytes read) under the job's step
// and text, and stops for the user's cancel.
Fed FeedStream(Job& job, HANDLE stream, const std::function<bool(const uint8_t*, size_t)>& take,
               int64_t before, int64_t total);

// Streams one file of the image (its path in the image) through take, as FeedStream does, and
// ends with finish once the stream has ended. Done only when finish agreed and the archiver
// ended by itself with exit code 0; SourceFailed also when it could not be started.
Fed StreamImageFile(Job& job, const std::wstring& path,
                    const std::function<bool(const uint8_t*, size_t)>& take,
                    const std::function<bool()>& finish, int64_t before, int64_t total);

// Ends the job for the user's cancel during a stream: the archiver's copies deleted first.
void EndCancelledStream(Job& job);
