#include <windows.h>
#include <commctrl.h>

#include "app/window_states_win32.h"

#include "app/app_state_win32.h"
#include "res/control_ids.h"

namespace {

// Everything that could start a second job, change the image or rebuild the drive list.
const int kChoiceControls[] = {kDriveList,          kRefreshButton, kAboutIcon,
                               kAddFilesFolderIcon, kIsoButton,     kFileSystemGroup,
                               kBootGroup,          kLabelField,    kAddFilesGroup};

// A disabled container already keeps input from its controls; greying them shows it too.
void Enable(HWND control, bool enabled) {
    EnableWindow(control, enabled);
    for (HWND inner = GetWindow(control, GW_CHILD); inner; inner = GetWindow(inner, GW_HWNDNEXT)) {
        EnableWindow(inner, enabled);
    }
}

void Show(int id, bool shown) {
    ShowWindow(GetDlgItem(App().mainWindow, id), shown ? SW_SHOW : SW_HIDE);
}

}  // namespace

// The two states mirror each other: choices off and the job's status shown, or the reverse.
void ShowMainWindowState(MainWindowState state) {
    const bool running = state == MainWindowState::JobRunning;
    HWND window = App().mainWindow;
    for (int id : kChoiceControls) Enable(GetDlgItem(window, id), !running);
    Show(kCopyButton, !running);
    Show(kWarningText, !running);
    SetDlgItemTextW(window, kStatusText, L"");
    Show(kStatusText, running);
    SendDlgItemMessageW(window, kJobProgressBar, PBM_SETPOS, running ? 1 : 0, 0);
    Show(kJobProgressBar, running);
    if (!running) Show(kBackButton, false);
}
