#include <windows.h>

#include <vector>

#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "job/read_back.h"
#include "job/stick_flush_win32.h"
#include "text/byte_size.h"
#include "tools/child_process_win32.h"
#include "tools/unique_handle_win32.h"

namespace {

// Unbuffered reads need sector-aligned buffers and lengths; a page-aligned megabyte is both.
constexpr DWORD kReadBlock = 1024 * 1024;

// The stick's files, read past the system's cache so that what a failing or fake-capacity stick
// lost is seen rather than the copy still in memory.
class UnbufferedStickFiles : public StickFiles {
public:
    explicit UnbufferedStickFiles(std::wstring root)
        : root_(std::move(root)),
          memory_(VirtualAlloc(nullptr, kReadBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
          block_(static_cast<uint8_t*>(memory_.get())) {}

    bool Open(const std::wstring& path, int64_t& size) override {
        if (!block_) return false;
        file_.reset(CreateFileW((root_ + path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN,
                                nullptr));
        LARGE_INTEGER length{};
        if (!file_ || !GetFileSizeEx(file_.get(), &length)) return false;
        size = length.QuadPart;
        held_ = taken_ = 0;
        return true;
    }
    int64_t Read(const uint8_t*& bytes, size_t count) override {
        if (taken_ == held_) {
            DWORD got = 0;
            if (!ReadFile(file_.get(), block_, kReadBlock, &got, nullptr)) return -1;
            held_ = got;
            taken_ = 0;
            if (got == 0) return 0;
        }
        const size_t piece = std::min<size_t>(count, held_ - taken_);
        bytes = block_ + taken_;
        taken_ += piece;
        return static_cast<int64_t>(piece);
    }
    void Close() override { file_.reset(); }

private:
    std::wstring root_;
    UniqueVirtualMemory memory_;
    uint8_t* block_;  // memory_ as bytes
    UniqueHandle file_;
    size_t held_ = 0, taken_ = 0;
};

enum class Fed { Done, Differs, Cancelled, SourceFailed };

// Feeds a stream (the archiver's output or an additional file's source) through the check,
// reporting progress and watching for a cancel after each piece.
Fed FeedStream(Job& job, HANDLE stream, ReadBackCheck& check, int64_t before, int64_t total) {
    std::vector<uint8_t> buffer(kReadBlock);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(stream, buffer.data(), kReadBlock, &got, nullptr)) {
            // A pipe whose writer has gone ends with a failed read: that is its end.
            const DWORD error = GetLastError();
            if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) return Fed::SourceFailed;
            got = 0;
        }
        if (got == 0) return check.Finish() ? Fed::Done : Fed::Differs;
        if (!check.Feed(buffer.data(), got)) return Fed::Differs;
        job.Report(total, before + check.BytesDone());
        if (WaitForSingleObject(job.settings.CancelSignal, 0) == WAIT_OBJECT_0)
            return Fed::Cancelled;
    }
}

void EndCancelled(Job& job) {
    DeleteTempArchiver(job);
    job.Log(L"Process Canceled");
    EndJob(job, L"Process Canceled");
}

void FailVerification(Job& job, const std::wstring& what, const std::wstring& detail) {
    DeleteTempArchiver(job);
    const std::wstring text = L"An error occurred while Verifying " + what;
    job.Log(text + L": " + detail + L"  - " + FormatDuration(job.stepStart));
    EndJob(job, text);
}

}  // namespace

bool RunVerification(Job& job) {
    const ImageListing& listing = job.settings.Listing;
    const std::wstring& root = job.choices.targetDrive;
    int64_t addedBytes = 0;
    for (const AddedFile& added : job.addedFiles) addedBytes += added.size;
    const int64_t total = listing.fileBytes + addedBytes;
    job.Begin(L"Verify");
    job.stepText = L"Verifying USB drive " + root;
    job.Log(L"Verify USB drive " + root + L" (" + FormatByteSize(total) + L")");
    job.Report(100, 0);
    FlushStickForReadBack(root);

    UnbufferedStickFiles stick(root);
    std::vector<std::wstring> replaced;
    for (const AddedFile& added : job.addedFiles) replaced.push_back(added.relativePath);
    int64_t done = 0;
    {
        // The image's side comes from the image itself: 7-Zip streams every file's content, in
        // the listing's order.
        UniqueHandle imageStream;
        ChildProcess streamer;
        {
            UniqueHandle writer;
            if (!CreatePipe(imageStream.put(), writer.put(), nullptr, kReadBlock)) {
                FailVerification(job, job.isoName, L"no pipe for the archiver");
                return false;
            }
            streamer = StartChildWithOutput(
                job.sevenZipPath, L"x -so -- \"" + job.choices.isoPath + L"\"",
                job.settings.ToolFolder, writer.get());
        }
        if (!streamer.Process()) {
            FailVerification(job, job.isoName, L"the archiver could not be started");
            return false;
        }
        ReadBackCheck check(ImageReadBackItems(listing, replaced), stick);
        const Fed fed = FeedStream(job, imageStream.get(), check, 0, total);
        imageStream.reset();  // an archiver still writing sees its reader gone
        if (fed != Fed::Done) streamer.Kill();
        streamer.WaitForEnd(10000);
        DWORD exitCode = 0;
        const bool ended = streamer.ExitCode(exitCode);
        if (fed == Fed::Cancelled) {
            EndCancelled(job);
            return false;
        }
        if (fed == Fed::Differs) {
            const ReadBackOutcome& outcome = check.Outcome();
            // Short or long output is the image's fault, not the stick's.
            const bool imageSide = outcome.difference == Difference::StreamShort ||
                                   outcome.difference == Difference::StreamLong;
            FailVerification(job, imageSide ? job.isoName : outcome.path,
                             DescribeDifference(outcome));
            return false;
        }
        if (fed == Fed::SourceFailed || !ended || exitCode != 0) {
            FailVerification(job, job.isoName, L"the image could not be read again");
            return false;
        }
        done = check.BytesDone();
    }
    for (const AddedFile& added : job.addedFiles) {
        UniqueHandle source(CreateFileW(added.sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                        nullptr));
        if (!source) {
            FailVerification(job, added.relativePath, L"its source cannot be read again");
            return false;
        }
        ReadBackCheck check({{added.relativePath, added.size, true}}, stick);
        const Fed fed = FeedStream(job, source.get(), check, done, total);
        if (fed == Fed::Cancelled) {
            EndCancelled(job);
            return false;
        }
        if (fed != Fed::Done) {
            FailVerification(job, added.relativePath,
                             fed == Fed::SourceFailed ? L"its source cannot be read again"
                                                      : DescribeDifference(check.Outcome()));
            return false;
        }
        done += check.BytesDone();
    }
    DeleteTempArchiver(job);
    const std::wstring verified =
        L"Successfully Verified USB drive " + root + L" (" + FormatByteSize(done) + L")";
    job.Log(verified + L"  - " + FormatDuration(job.stepStart));
    job.stepText = verified;
    job.Report(total, done);
    return true;
}
