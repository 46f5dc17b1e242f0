#include <windows.h>

#include <optional>
#include <vector>

#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "job/read_back.h"
#include "job/stick_files_win32.h"
#include "job/stick_flush_win32.h"
#include "job/wim_read_back_win32.h"
#include "job/image_stream_win32.h"
#include "text/byte_size.h"
#include "tools/unique_handle_win32.h"

namespace {

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
        ImageStream stream;
        if (!stream.Start(job, L"x -so -- \"" + job.imagePath + L"\"")) {
            FailVerification(job, job.isoName, L"the archiver could not be started");
            return false;
        }
        std::vector<ReadBackItem> items = ImageReadBackItems(listing, replaced);
        // The parts are checked unless the user's own files took the place of one of them.
        std::optional<SplitWimCheck> parts;
        if (!job.wimPath.empty() && !AnyWimPartAmong(job, replaced)) parts.emplace(job, root);
        for (ReadBackItem& item : items) {
            if (parts && item.check && item.path == job.wimPath) item.diversion = &*parts;
        }
        ReadBackCheck check(std::move(items), stick);
        Fed fed = FeedStream(
            job, stream.Pipe(),
            [&](const uint8_t* data, size_t size) { return check.Feed(data, size); }, 0, total);
        if (fed == Fed::Done && !check.Finish()) fed = Fed::Stopped;
        const bool ended = stream.End(fed == Fed::Done);
        if (fed == Fed::Cancelled) {
            EndCancelledStream(job);
            return false;
        }
        if (fed == Fed::Stopped) {
            const ReadBackOutcome& outcome = check.Outcome();
            // Short or long output is the image's fault, not the stick's.
            const bool imageSide = outcome.difference == Difference::StreamShort ||
                                   outcome.difference == Difference::StreamLong;
            if (outcome.difference == Difference::Diverted) {
                FailVerification(job, parts->What(), parts->Detail());
            } else {
                FailVerification(job, imageSide ? job.isoName : outcome.path,
                                 DescribeDifference(outcome));
            }
            return false;
        }
        if (fed == Fed::SourceFailed || !ended) {
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
        Fed fed = FeedStream(
            job, source.get(),
            [&](const uint8_t* data, size_t size) { return check.Feed(data, size); }, done, total);
        if (fed == Fed::Done && !check.Finish()) fed = Fed::Stopped;
        if (fed == Fed::Cancelled) {
            EndCancelledStream(job);
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
