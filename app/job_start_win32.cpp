#include "app/job_start_win32.h"

#include <commctrl.h>

#include "app/app_state_win32.h"
#include "app/event_window_win32.h"
#include "app/run_log_win32.h"
#include "job/add_files_size.h"
#include "job/job_launch_win32.h"
#include "job/progress.h"
#include "job/taskbar_progress_win32.h"
#include "res/control_ids.h"
#include "tools/folders.h"
#include "tools/path_size.h"

namespace {

// Written by LaunchJob before the worker starts; read by ProgressCallback on the worker.
ProgressShares g_shares;
// Touched only by ProgressCallback, on the worker thread; kept from one job to the next.
ProgressMemory g_progressMemory;
// The taskbar value last handed to the user-interface thread in this job. Set by LaunchJob to
// the 0 that StartTaskbarProgress shows, then touched only by ProgressCallback on the worker: a
// report whose value the taskbar already shows costs the window's thread nothing.
int g_taskbarShown = 0;
// When the status line last changed, on the worker thread; a 60 Hz display shows a frame this
// often.
ULONGLONG g_textShownAt = 0;
constexpr ULONGLONG kDisplayRefreshMs = 16;

}  // namespace

bool LaunchJob(const std::wstring& targetDrive, const std::wstring& isoPath,
               const std::wstring& fileSystem, const std::wstring& volumeLabel, int8_t grub4Dos,
               int8_t addFiles, const ImageListing& listing) {
    AppState& app = App();
    const int64_t addSize = addFiles ? CountAddFilesBytes(AddFilesFolder(), L"*.*") : 0;
    const int64_t isoSize = PathSize(isoPath);
    g_shares = ComputeShares(isoSize > 0 ? isoSize : 0, addSize);
    StartTaskbarProgress(app.mainWindow);
    g_taskbarShown = 0;
    JobSettings settings;
    settings.IsoPath = isoPath;
    settings.TargetDrive = targetDrive;
    settings.FileSystem = fileSystem;
    settings.VolumeLabel = volumeLabel;
    settings.Grub4DosMode = grub4Dos;
    settings.AddFiles = addFiles;
    settings.LogFile = ProcessLog();
    settings.CopyBufferSize = 4096;
    settings.DoneEvent = kJobFinishedEvent;
    settings.Progress = ProgressCallback;
    settings.Done = PostJobEvent;
    settings.Window = app.mainWindow;
    settings.CancelSignal = app.cancelSignal.get();
    settings.JobLock = app.jobLock.get();
    settings.Listing = listing;
    // A folder that cannot be made leaves the path empty, and the job ends at its first tool.
    if (app.jobTools.Create(TempFolder())) settings.ToolFolder = app.jobTools.Path();
    app.workerThread = StartWorker(std::move(settings));
    return static_cast<bool>(app.workerThread);
}

void ProgressCallback(HWND window, const std::wstring& step, const std::wstring& text,
                      int64_t total, int64_t done) {
    const ProgressUpdate update =
        ComputeProgress(step, text, total, done, g_shares, g_progressMemory);
    // A running count changes every few 4 KiB chunks, hundreds of times a second, and every
    // change repaints the status line on the window's thread; a count is shown at most once a
    // display refresh, the step's first and last texts always. The controls repaint themselves
    // before they answer, about a millisecond each time, which the worker need not wait for:
    // texts and positions are posted, so the window takes them in the order made, the newest
    // text standing for any older one not yet shown, and all of them before the job's end.
    if (update.setText) {
        const ULONGLONG now = GetTickCount64();
        if (!update.runningText || now - g_textShownAt >= kDisplayRefreshMs) {
            PostStatusText(GetDlgItem(window, kStatusText), update.text);
            g_textShownAt = now;
        }
    }
    if (update.setBar) {
        PostMessageW(GetDlgItem(window, kJobProgressBar), PBM_SETPOS,
                     static_cast<WPARAM>(update.bar), 0);
    }
    if (update.taskbar != g_taskbarShown && TaskbarProgressSupported()) {
        g_taskbarShown = update.taskbar;
        PostTaskbarValue(update.taskbar);
    }
}
