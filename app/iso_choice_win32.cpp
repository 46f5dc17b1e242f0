#include <windows.h>
#include <commdlg.h>

#include "app/iso_choice_win32.h"

#include "app/app_state_win32.h"
#include "tools/folders.h"
#include "tools/system_library_win32.h"

std::wstring ChooseIsoImage() {
    std::wstring chosen(32768, L'\0');
    const std::wstring startFolder = CurrentFolder();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = App().mainWindow;
    dialog.lpstrFilter = L"ISO image (*.iso)\0*.iso\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.lpstrInitialDir = startFolder.c_str();
    dialog.lpstrTitle = L"Choose an ISO image ...";
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    // Not imported: the loader would look for the DLL beside the program first.
    static const SystemLibrary commonDialogs(L"comdlg32.dll");
    const auto open = commonDialogs.Get<decltype(&GetOpenFileNameW)>("GetOpenFileNameW");
    if (!open || !open(&dialog)) return {};
    chosen.resize(wcslen(chosen.c_str()));
    return chosen;
}
