#include "job/image_stream_win32.h"
#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "job/wim_scan.h"
#include "job/wim_split_limits.h"
#include "text/byte_size.h"
#include "tools/payload_win32.h"

// Before anything on the stick is touched: the installer's image streamed once, its header and
// tables read, and its parts planned; an image that cannot be split ends the job here.
bool RunWimCheck(Job& job) {
    if (job.wimPath.empty()) return true;
    job.Begin(L"Check");
    if (EndedAtInstall(job, PrepareSevenZip(job.sevenZipPath, job.sevenZipLibPath, job.heldSevenZip,
                                            job.heldSevenZipLib))) {
        return false;
    }
    job.stepText = L"Checking " + job.wimPath;
    job.Log(L"Check " + job.wimPath + L" (" + FormatByteSize(job.wimSize) + L")");
    job.Report(job.wimSize, 0);

    WimScan scan(static_cast<uint64_t>(job.wimSize));
    // A refused header stops the stream at once: the rest is not needed.
    const Fed fed = StreamImageFile(
        job, job.wimPath, [&](const uint8_t* data, size_t size) { return scan.Feed(data, size); },
        [&] { return scan.Finish(); }, 0, job.wimSize);
    if (fed == Fed::Cancelled) {
        EndCancelledStream(job);
        return false;
    }
    WimRefusal refusal = scan.Refusal();
    if (refusal == WimRefusal::None && fed == Fed::Done)
        refusal = PlanWimSplit(scan.Source(), CurrentWimSplitLimits().partLimit, job.wimPlan);
    DeleteTempArchiver(job);
    if (refusal != WimRefusal::None) {
        FailJob(job, WimRefusedText(WimRefusalText(refusal)));
        return false;
    }
    if (fed != Fed::Done) {
        const std::wstring error = L"An error occurred while Checking " + job.wimPath;
        const std::wstring detail = scan.StreamShort()  ? L"the image ended early"
                                    : scan.StreamLong() ? L"the image gave more than its listing"
                                                        : L"the image could not be read";
        job.Log(error + L": " + detail + L"  - " + FormatDuration(job.stepStart));
        EndJob(job, error);
        return false;
    }
    job.wimFingerprint = scan.Fingerprint();
    const std::wstring checked = L"Successfully Checked " + job.wimPath + L": " +
                                 std::to_wstring(job.wimPlan.parts.size()) + L" parts";
    job.Log(checked + L"  - " + FormatDuration(job.stepStart));
    job.stepText = checked;
    job.Report(job.wimSize, job.wimSize);
    return !CancelledAt(job);
}
