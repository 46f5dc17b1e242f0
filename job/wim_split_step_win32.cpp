#include <windows.h>

#include <map>
#include <vector>

#include "job/image_stream_win32.h"
#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "job/wim_split_router.h"
#include "text/byte_size.h"
#include "tools/unique_handle_win32.h"

namespace {

// A stick takes large writes far better than small ones; two parts are open at most (the first
// waits for the metadata at the stream's end), so this costs a few megabytes.
constexpr size_t kWriteBlock = 4 * 1024 * 1024;

// The part files written onto the stick, each once, front to back.
class StickPartWriter : public WimPartSink {
  public:
    explicit StickPartWriter(std::wstring folder) : folder_(std::move(folder)) {}

    bool Open(uint16_t part, uint64_t) override {
        Part& open = open_[part];
        open.file.reset(CreateFileW((folder_ + WimPartFileName(part)).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        open.pending.reserve(kWriteBlock);
        return open.file || Failed(part);
    }
    bool Write(uint16_t part, const uint8_t* data, size_t size) override {
        Part& open = open_[part];
        while (size > 0) {
            const size_t piece = std::min(size, kWriteBlock - open.pending.size());
            open.pending.insert(open.pending.end(), data, data + piece);
            data += piece;
            size -= piece;
            if (open.pending.size() == kWriteBlock && !Flush(open)) return Failed(part);
        }
        return true;
    }
    bool Close(uint16_t part) override {
        Part& open = open_[part];
        const bool written = Flush(open) && open.file.Close();
        open_.erase(part);
        return written || Failed(part);
    }
    // The system's word on the write that failed.
    DWORD Error() const { return error_; }

  private:
    struct Part {
        UniqueHandle file;
        std::vector<uint8_t> pending;
    };
    static bool Flush(Part& open) {
        DWORD written = 0;
        const bool done = open.pending.empty() ||
                          (WriteFile(open.file.get(), open.pending.data(),
                                     static_cast<DWORD>(open.pending.size()), &written, nullptr) &&
                           written == open.pending.size());
        open.pending.clear();
        return done;
    }
    bool Failed(uint16_t) {
        if (error_ == 0) error_ = GetLastError();
        return false;
    }

    std::wstring folder_;
    std::map<uint16_t, Part> open_;
    DWORD error_ = 0;
};

}  // namespace

// Right after the extraction: the installer's image streamed again and written as its parts
// beside where it would have been, checked against what the check before the format saw.
bool RunWimSplit(Job& job) {
    if (job.wimPath.empty()) return true;
    job.stepStart = ClockNow();
    const size_t slash = job.wimPath.rfind(L'\\');
    const std::wstring folder =
        job.choices.targetDrive +
        (slash == std::wstring::npos ? L"" : job.wimPath.substr(0, slash + 1));
    // An image whose folder held nothing else left the extraction nothing to make it for.
    CreateDirectoryW(folder.c_str(), nullptr);
    job.Log(L"Split " + job.wimPath + L" into " + std::to_wstring(job.wimPlan.parts.size()) +
            L" parts (" + FormatByteSize(job.wimSize) + L")");
    job.stepText = L"Splitting " + job.wimPath;

    StickPartWriter writer(folder);
    WimSplitRouter router(job.wimPlan, job.wimFingerprint, writer);
    const Fed fed = StreamImageFile(
        job, job.wimPath, [&](const uint8_t* data, size_t size) { return router.Feed(data, size); },
        [&] { return router.Finish(); }, job.copyUsed, job.copyTarget);
    if (fed == Fed::Cancelled) {
        EndCancelledStream(job);
        return false;
    }
    if (fed != Fed::Done) {
        DeleteTempArchiver(job);
        std::wstring detail = L"the image could not be read again";
        if (fed == Fed::Stopped) {
            detail = DescribeWimRouteOutcome(router.Outcome());
            if (router.Outcome().fault == WimRouteFault::SinkFailed)
                detail += L" (error " + std::to_wstring(writer.Error()) + L")";
        }
        const std::wstring error = L"An error occurred while Splitting " + job.wimPath;
        job.Log(error + L": " + detail + L"  - " + FormatDuration(job.stepStart));
        EndJob(job, error);
        return false;
    }
    const std::wstring split = L"Successfully Split " + job.wimPath;
    job.Log(split + L"  - " + FormatDuration(job.stepStart));
    job.stepText = split;
    job.Report(job.copyTarget, job.copyTarget);
    return true;
}
