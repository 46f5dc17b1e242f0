#include "job/job_end_win32.h"
#include "job/job_worker_win32.h"
#include "text/byte_size.h"
#include "tools/child_process_win32.h"
#include "tools/folders.h"
#include "tools/payload_win32.h"

namespace {

// Each pass of the poll waits up to this long for the archiver to end or the user to cancel, so
// that watching it costs next to nothing while the bar still moves four times a second; either
// event ends the wait at once.
constexpr DWORD kPollMilliseconds = 250;

int64_t DriveUsed(const std::wstring& root, int64_t previous) {
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    // A failed query keeps the last value.
    if (!GetDiskFreeSpaceExW(root.c_str(), &freeToCaller, &total, &totalFree)) return previous;
    return static_cast<int64_t>(total.QuadPart) - static_cast<int64_t>(totalFree.QuadPart);
}

void FailExtraction(Job& job) {
    DeleteTempArchiver(job);
    FailJob(job, L"An error occurred while Extracting " + job.isoName);
}

}  // namespace

bool RunExtraction(Job& job) {
    if (EndedAtInstall(job, PrepareSevenZip(job.sevenZipPath, job.sevenZipLibPath, job.heldSevenZip,
                                            job.heldSevenZipLib))) {
        return false;
    }
    job.Begin(L"Copy");
    job.stepText = L"Copy Files";
    job.Log(L"Copy " + job.isoName + L" files (" + FormatByteSize(job.isoSize) +
            L")  to USB drive " + job.choices.targetDrive);
    job.Report(100, 0);
    const std::wstring& root = job.choices.targetDrive;
    int64_t used = DriveUsed(root, 0);
    const int64_t target = job.isoSize + used;

    const ChildProcess extractor =
        StartChild(job.sevenZipPath, SevenZipParameters(job.imagePath, root, !job.wimPath.empty()),
                   job.settings.ToolFolder, kHide | kKeep);
    // Without a process handle (the shell started something) there would be nothing to watch.
    if (!extractor.Process()) {
        FailExtraction(job);
        return false;
    }
    while (extractor.Running()) {
        used = DriveUsed(root, used);
        if (used < target) {
            job.Report(target, used);
        } else {
            job.Report(used, used);
        }
        // Taking CancelSignal here is the pass's cancellation test.
        const HANDLE waitFor[] = {job.settings.CancelSignal, extractor.Process()};
        if (WaitForMultipleObjects(2, waitFor, FALSE, kPollMilliseconds) == WAIT_OBJECT_0) {
            extractor.Kill();
            extractor.WaitForEnd(5000);
            DeleteTempArchiver(job);
            job.Log(L"Process Canceled");
            EndJob(job, L"Process Canceled");
            return false;
        }
    }
    // The archiver's last writes came after the last measurement of the poll.
    used = DriveUsed(root, used);
    DWORD exitCode = 0;
    const bool ended = extractor.ExitCode(exitCode);
    // A corrupt image, a full drive or a file too large for FAT32 must not end in "DONE".
    if (!ended || exitCode >= kSevenZipFirstFailingExitCode) {
        FailExtraction(job);
        return false;
    }
    // The archiver stays for the read-back, which streams the image once more.
    const std::wstring copied = L"Successfully Copied " + job.isoName + L" to USB drive " + root +
                                L" (" + FormatByteSize(used) + L")";
    job.Log(copied + L"  - " + FormatDuration(job.stepStart));
    job.stepText = copied;
    // The split that follows fills the rest of the extraction's range: the bar does not go back.
    job.copyTarget = target;
    job.copyUsed = used;
    if (job.wimPath.empty()) job.Report(used, used);
    return true;
}
