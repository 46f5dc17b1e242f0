#pragma once
#include <windows.h>

#include <string>

#include "tools/unique_handle_win32.h"

// Windows' own formatter, FormatEx of fmifs.dll (the routine behind format.com), which makes an
// NTFS volume. It is loaded before the stick is touched, so that a system without it (Wine has
// none) refuses the NTFS format while the disk is still as it was.
class NtfsFormatter {
  public:
    // Loads fmifs.dll from the system folder, never from the program's own or the current
    // folder, and finds FormatEx. False when either is missing.
    bool Load();

    // A quick NTFS format of the volume behind the drive letter, with the default cluster size
    // and the label as given (at most 32 UTF-16 units). The volume must be free: no lock, no
    // open handle of ours. True only when the formatter itself reports success.
    bool Format(wchar_t letter, const std::wstring& label) const;

  private:
    // FMIFS_MEDIA_FLAG is an enum, CALLBACKCOMMAND too; both pass as int.
    using Callback = BOOLEAN(WINAPI*)(int command, DWORD subAction, PVOID info);
    using FormatEx = void(WINAPI*)(PWCHAR root, int media, PWCHAR fileSystem, PWCHAR label,
                                   BOOL quick, DWORD clusterSize, Callback callback);

    UniqueModule module_;
    FormatEx formatEx_ = nullptr;
};
