#include <windows.h>
#include <commctrl.h>

#include "app/window_states_win32.h"

#include "app/app_state_win32.h"
#include "app/control_ids.h"

namespace {

// Everything that could start a second job, change the image or rebuild the drive list.
const int kChoiceControls[] = {kDriveList,  kRefreshButton,  kAboutIcon, kAddFilesFolderIcon,
                               kIsoButton,  kFileSystemGroup, kBootGroup, kLabelField,
                               kAddFilesGroup};

// A disabled container already keeps input from its controls; greying them shows it too.
void Enable(HWND control, bool enabled) {
    EnableWindow(control, enabled);
    for (HWND inner = GetWindow(control, GW_CHILD); inner; inner = GetWindow(inner, GW_HWNDNEXT)) {
        EnableWindow(inner, enabled);
    }
}

void Show(int id, bool shown) { ShowWindow(GetDlgItem(App().mainWindow, id), shown ? SW_SHOW : SW_HIDE); }

}  // namespace

void ShowJobRunning() {
    HWND window = App().mainWindow;
    for (int id : kChoiceControls) Enable(GetDlgItem(window, id), false);
    Show(kCopyButton, false);
    Show(kWarningText, false);
    SetDlgItemTextW(window, kStatusText, L"");
    Show(kStatusText, true);
    Show(kJobProgressBar, true);
    SendDlgItemMessageW(window, kJobProgressBar, PBM_SETPOS, 1, 0);
}

void ShowIdle() {
    HWND window = App().mainWindow;
    for (int id : kChoiceControls) Enable(GetDlgItem(window, id), true);
    Show(kCopyButton, true);
    Show(kWarningText, true);
    SetDlgItemTextW(window, kStatusText, L"");
    Show(kStatusText, false);
    SendDlgItemMessageW(window, kJobProgressBar, PBM_SETPOS, 0, 0);
    Show(kJobProgressBar, false);
    Show(kBackButton, false);
}
