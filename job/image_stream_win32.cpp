#include "job/image_stream_win32.h"

#include <vector>

#include "job/job_end_win32.h"

namespace {

// A pipe's buffer and a read's size: large reads keep the worker's share of the time small.
constexpr DWORD kStreamBlock = 1024 * 1024;

}  // namespace

bool ImageStream::Start(const Job& job, const std::wstring& parameters) {
    UniqueHandle writer;
    if (!CreatePipe(pipe_.put(), writer.put(), nullptr, kStreamBlock)) return false;
    archiver_ =
        StartChildWithOutput(job.sevenZipPath, parameters, job.settings.ToolFolder, writer.get());
    return archiver_.Process() != nullptr;
}

bool ImageStream::End(bool taken) {
    pipe_.reset();  // an archiver still writing sees its reader gone
    if (!taken) archiver_.Kill();
    archiver_.WaitForEnd(10000);
    DWORD exitCode = 0;
    return taken && archiver_.ExitCode(exitCode) && exitCode == 0;
}

Fed FeedStream(Job& job, HANDLE stream, const std::function<bool(const uint8_t*, size_t)>& take,
               int64_t before, int64_t total) {
    std::vector<uint8_t> buffer(kStreamBlock);
    int64_t done = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(stream, buffer.data(), kStreamBlock, &got, nullptr)) {
            // A pipe whose writer has gone ends with a failed read: that is its end.
            const DWORD error = GetLastError();
            if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) return Fed::SourceFailed;
            got = 0;
        }
        if (got == 0) return Fed::Done;
        if (!take(buffer.data(), got)) return Fed::Stopped;
        done += got;
        job.Report(total, before + done);
        if (WaitForSingleObject(job.settings.CancelSignal, 0) == WAIT_OBJECT_0)
            return Fed::Cancelled;
    }
}

Fed StreamImageFile(Job& job, const std::wstring& path,
                    const std::function<bool(const uint8_t*, size_t)>& take,
                    const std::function<bool()>& finish, int64_t before, int64_t total) {
    ImageStream stream;
    if (!stream.Start(job, SevenZipStreamParameters(job.imagePath, path))) return Fed::SourceFailed;
    Fed fed = FeedStream(job, stream.Pipe(), take, before, total);
    if (fed == Fed::Done && !finish()) fed = Fed::Stopped;
    const bool ended = stream.End(fed == Fed::Done);
    return fed == Fed::Done && !ended ? Fed::SourceFailed : fed;
}

void EndCancelledStream(Job& job) {
    DeleteTempArchiver(job);
    job.Log(L"Process Canceled");
    EndJob(job, L"Process Canceled");
}
