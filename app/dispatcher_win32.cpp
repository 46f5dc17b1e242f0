#include "app/dispatcher_win32.h"

#include <windows.h>
#include <objbase.h>

#include "app/about_panel_win32.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/copy_request.h"
#include "app/iso_choice_win32.h"
#include "app/job_start_win32.h"
#include "app/main_window_win32.h"
#include "app/window_states_win32.h"
#include "drives/drive_entry.h"
#include "app/drive_list_win32.h"
#include "job/add_files_size.h"
#include "job/image_check_win32.h"
#include "job/pre_copy_checks_win32.h"
#include "job/taskbar_progress_win32.h"
#include "tools/child_process_win32.h"
#include "tools/com_library_win32.h"
#include "tools/path_size.h"
#include "tools/payload_win32.h"
#include "tools/unique_handle_win32.h"

namespace {

// Question boxes belong to the program's window in front, if any, and hold up all of them.
int AskYesNo(const std::wstring& text) {
    HWND owner = GetForegroundWindow();
    DWORD ownerProcess = 0;
    if (owner) GetWindowThreadProcessId(owner, &ownerProcess);
    if (ownerProcess != GetCurrentProcessId()) owner = nullptr;
    return MessageBoxW(owner, text.c_str(), L"Tarnvik", MB_YESNO | (owner ? 0 : MB_TASKMODAL));
}

POINT OuterPosition(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

std::wstring ControlText(int id) {
    HWND control = GetDlgItem(App().mainWindow, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsChecked(HWND container, int id) {
    return SendDlgItemMessageW(container, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OnCloseRequest() {
    AppState& app = App();
    if (!app.jobRunning && !WorkerAlive()) {
        app.quitRequested = true;
        return;
    }
    if (AskYesNo(L"Copy ISO To Usb  is in progress, are you sure you want to cancel and quit ?") !=
        IDYES) {
        return;
    }
    // The job may have ended while the question was open; then there is nothing left to stop.
    if (!app.jobRunning) {
        app.quitRequested = true;
        return;
    }
    ReleaseSemaphore(app.cancelSignal.get(), 1, nullptr);
    app.quitAfterJob = true;
}

void OnJobFinished() {
    AppState& app = App();
    StopTaskbarProgress();
    app.jobTools.Remove();
    app.jobRunning = false;
    if (app.quitAfterJob) {
        app.quitRequested = true;
    } else {
        ShowWindow(GetDlgItem(app.mainWindow, kBackButton), SW_SHOW);
    }
}

void OnIsoButton() {
    App().isoPath = ChooseIsoImage();
    ShowIsoPath();
}

void OnAddFilesFolderIcon() {
    // The shell wants COM on the thread that asks it to open a folder; started here, when first
    // needed, since starting it costs the program's start-up time otherwise.
    static const UniqueComInit com(
        SUCCEEDED(InitializeCom(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)));
    const std::wstring folder = AddFilesFolder();
    const std::wstring named = folder.substr(0, folder.size() - 1);
    if (PathSize(named) == kPathMissing) CreateDirectoryW(named.c_str(), nullptr);
    StartChild(folder);
}

void OnAboutIcon() {
    AppState& app = App();
    const POINT at = OuterPosition(app.mainWindow);
    OpenAboutPanel(at.x, at.y);
    DestroyWindow(app.mainWindow);
}

void OnAboutBackButton() {
    AppState& app = App();
    const POINT at = OuterPosition(app.aboutWindow);
    CreateMainWindow(at.x, at.y);
    // The image chosen before the visit is still the one a Copy would use: show it.
    ShowIsoPath();
    RebuildDriveList();
    DestroyWindow(app.aboutWindow);
}

void OnCopyButton() {
    AppState& app = App();
    const std::wstring row = ControlText(kDriveList);
    app.targetDrive = RootOfRow(row);
    if (!CheckBeforeCopy(app.targetDrive, app.isoPath)) return;

    HWND window = app.mainWindow;
    const std::wstring fileSystem =
        IsChecked(GetDlgItem(window, kFileSystemGroup), kFat32Option) ? L"FAT32" : L"NTFS";
    const std::wstring label = ControlText(kLabelField);
    const bool grub4Dos = IsChecked(GetDlgItem(window, kBootGroup), kGrub4DosOption);
    const bool addFiles = IsChecked(GetDlgItem(window, kAddFilesGroup), kAddFilesCheck);
    if (!LabelIsSafe(label)) {
        ShowCheckMessage(kUnsafeLabelMessage);
        return;
    }
    // Nothing is wiped for an image that cannot be read or cannot go on the chosen file system.
    ImageListing listing;
    if (!CheckImageBeforeFormat(app.isoPath, app.targetDrive, fileSystem, listing)) return;
    if (AskYesNo(FormatWarningText(row, fileSystem, label)) != IDYES) return;

    ShowMainWindowState(MainWindowState::JobRunning);
    app.jobRunning = true;
    if (!LaunchJob(app.targetDrive, app.isoPath, fileSystem, label, grub4Dos, addFiles,
                   listing)) {
        // No worker, so no JobFinished will come: end the job here, as a finished one would look.
        StopTaskbarProgress();
        app.jobRunning = false;
        SetDlgItemTextW(window, kStatusText, L"An error occurred while starting the copy");
        ShowWindow(GetDlgItem(window, kBackButton), SW_SHOW);
    }
}

void OnBackButton() {
    ShowMainWindowState(MainWindowState::Choosing);
    StopWorker();
}

void OnControl(const Event& event) {
    switch (event.control) {
        case kDriveList:
            if (event.window == kMainWindowId && event.code == CBN_SELCHANGE)
                CopyLabelOfChosenRow();
            break;
        case kAboutBackButton:
            if (event.window == kAboutWindowId) OnAboutBackButton();
            break;
        case kAboutIcon:
            if (event.code == STN_CLICKED) OnAboutIcon();
            break;
        case kRefreshButton:
            RefreshDrives();
            break;
        case kIsoButton:
            OnIsoButton();
            break;
        case kAddFilesFolderIcon:
            if (event.code == STN_CLICKED) OnAddFilesFolderIcon();
            break;
        case kBackButton:
            OnBackButton();
            break;
        case kCopyButton:
            OnCopyButton();
            break;
        default:
            break;
    }
}

}  // namespace

void DispatchEvent(const Event& event) {
    switch (event.kind) {
        case EventKind::Size:
            break;
        case EventKind::Close:
            OnCloseRequest();
            break;
        case EventKind::JobFinished:
            OnJobFinished();
            break;
        case EventKind::Control:
            OnControl(event);
            break;
    }
}
