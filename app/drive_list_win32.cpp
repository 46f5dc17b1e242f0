#include <windows.h>

#include "app/drive_list_win32.h"

#include "app/app_state_win32.h"
#include "app/run_log_win32.h"
#include "drives/drive_entry.h"
#include "drives/drive_scan_win32.h"
#include "res/control_ids.h"

void RebuildDriveList() {
    AppState& app = App();
    HWND list = GetDlgItem(app.mainWindow, kDriveList);
    app.driveRows.clear();
    SendMessageW(list, CB_RESETCONTENT, 0, 0);

    app.driveTable = ScanDrives(ProcessLog() != nullptr);

    for (const std::wstring& entry : app.driveTable) {
        WriteLogLine(DriveLogLine(entry));
        if (!IsUsbEntry(entry)) continue;
        if (app.driveRows.empty())
            SetDlgItemTextW(app.mainWindow, kLabelField, DriveLabel(entry).c_str());
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DriveRowText(entry).c_str()));
        app.driveRows.push_back(entry);
    }
    SendMessageW(list, CB_SETCURSEL, 0, 0);
}

void RefreshDrives() {
    WriteLogLine(L"");
    WriteLogLine(L"**************************************");
    WriteLogLine(L"Refresh Device");
    RebuildDriveList();
}

void CopyLabelOfChosenRow() {
    AppState& app = App();
    const LRESULT row = SendDlgItemMessageW(app.mainWindow, kDriveList, CB_GETCURSEL, 0, 0);
    if (row < 0 || static_cast<size_t>(row) >= app.driveRows.size()) return;
    SetDlgItemTextW(app.mainWindow, kLabelField, DriveLabel(app.driveRows[row]).c_str());
}
