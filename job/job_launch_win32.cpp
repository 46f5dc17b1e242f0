#include "job/job_launch_win32.h"

#include <commctrl.h>
#include <process.h>

#include "app/app_state_win32.h"
#include "app/control_ids.h"
#include "app/dispatcher_win32.h"
#include "app/event_window_win32.h"
#include "app/run_log_win32.h"
#include "job/add_files_size.h"
#include "job/progress.h"
#include "job/taskbar_progress_win32.h"
#include "job/worker_win32.h"
#include "tools/path_size.h"

namespace {

JobSettings g_jobSettings;
// Written by LaunchJob before the worker starts; read by ProgressCallback on the worker.
ProgressShares g_shares;
// Touched only by ProgressCallback, on the worker thread; kept from one job to the next.
ProgressMemory g_progressMemory;

}  // namespace

bool LaunchJob(const std::wstring& targetDrive, const std::wstring& isoPath,
               const std::wstring& fileSystem, const std::wstring& volumeLabel, int8_t grub4Dos,
               int8_t addFiles, const ImageListing& listing) {
    const int64_t addSize = addFiles ? CountAddFilesBytes(AddFilesFolder(), L"*.*") : 0;
    const int64_t isoSize = PathSize(isoPath);
    g_shares = ComputeShares(isoSize > 0 ? isoSize : 0, addSize);
    StartTaskbarProgress();
    App().workerThread.reset(StartWorker(targetDrive, isoPath, fileSystem, volumeLabel, grub4Dos,
                                         addFiles, listing, ProcessLog(), kJobFinishedEvent,
                                         ProgressCallback));
    return static_cast<bool>(App().workerThread);
}

HANDLE StartWorker(const std::wstring& targetDrive, const std::wstring& isoPath,
                   const std::wstring& fileSystem, const std::wstring& volumeLabel, int8_t grub4Dos,
                   int8_t addFiles, const ImageListing& listing, RunLog* logFile,
                   int32_t doneEvent, ProgressFunction progress) {
    g_jobSettings.IsoPath = isoPath;
    g_jobSettings.TargetDrive = targetDrive;
    g_jobSettings.FileSystem = fileSystem;
    g_jobSettings.VolumeLabel = volumeLabel;
    g_jobSettings.Grub4DosMode = grub4Dos;
    g_jobSettings.AddFiles = addFiles;
    g_jobSettings.LogFile = logFile;
    g_jobSettings.CopyBufferSize = 4096;
    g_jobSettings.DoneEvent = doneEvent;
    g_jobSettings.Progress = progress;
    g_jobSettings.Listing = listing;
    const uintptr_t thread = _beginthreadex(nullptr, 0, WorkerThread, &g_jobSettings, 0, nullptr);
    return reinterpret_cast<HANDLE>(thread);
}

void ProgressCallback(const std::wstring& step, const std::wstring& text, int64_t total,
                      int64_t done) {
    const ProgressUpdate update =
        ComputeProgress(step, text, total, done, g_shares, g_progressMemory);
    // Sent, not posted: the worker goes on once the window has taken the change.
    HWND window = App().mainWindow;
    if (update.setText) SetDlgItemTextW(window, kStatusText, update.text.c_str());
    if (update.setBar) SendDlgItemMessageW(window, kJobProgressBar, PBM_SETPOS, update.bar, 0);
    if (TaskbarProgressSupported()) PostTaskbarValue(update.taskbar);
}
