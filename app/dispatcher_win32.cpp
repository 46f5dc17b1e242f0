#include "app/dispatcher_win32.h"

#include <windows.h>

#include "app/app_state_win32.h"
#include "app/control_ids.h"
#include "drives/drive_list_win32.h"

namespace {

void OnControl(const Event& event) {
    switch (event.control) {
        case kDriveList:
            if (event.code == CBN_SELCHANGE) CopyLabelOfChosenRow();
            break;
        case kRefreshButton:
            if (event.code == BN_CLICKED) RefreshDrives();
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
            App().quitRequested = true;
            break;
        case EventKind::Control:
            OnControl(event);
            break;
    }
}
