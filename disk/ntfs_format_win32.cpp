#include "disk/ntfs_format_win32.h"

#include <atomic>

#include "tools/system_library_win32.h"

namespace {

// FMIFS_MEDIA_FLAG: what the formatter is told the volume sits on.
constexpr int kMediaRemovable = 0x0B;  // FMIFS_REMOVABLE
constexpr int kMediaFixedDisk = 0x0C;  // FMIFS_HARDDISK
// CALLBACKCOMMAND: the last call of a format; its info points to a BOOLEAN, true on success.
constexpr int kCallbackDone = 11;  // FCC_DONE

// The callback carries no context of ours, so its report lives here. A run of the tool does at
// most one format, so one outcome per process suffices.
std::atomic<bool> g_formatDone{false};
std::atomic<bool> g_formatSucceeded{false};

BOOLEAN WINAPI OnFormatReport(int command, DWORD, PVOID info) {
    if (command == kCallbackDone) {
        g_formatSucceeded = info != nullptr && *static_cast<const BOOLEAN*>(info) != FALSE;
        g_formatDone = true;
    }
    // Progress and everything else: go on. Failures end in the final report all the same.
    return TRUE;
}

}  // namespace

bool NtfsFormatter::Load() {
    module_ = LoadSystemLibrary(L"fmifs.dll");
    if (!module_) return false;
    formatEx_ = reinterpret_cast<FormatEx>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), "FormatEx")));
    if (!formatEx_) module_.reset();
    return formatEx_ != nullptr;
}

bool NtfsFormatter::Format(wchar_t letter, const std::wstring& label) const {
    if (!formatEx_) return false;
    std::wstring root = {letter, L':', L'\\'};
    // A stick that shows itself as a fixed disk is formatted as one, as Windows' format does.
    int media = 0;
    switch (GetDriveTypeW(root.c_str())) {
        case DRIVE_REMOVABLE:
            media = kMediaRemovable;
            break;
        case DRIVE_FIXED:
            media = kMediaFixedDisk;
            break;
        default:
            return false;
    }
    std::wstring fileSystem = L"NTFS";
    std::wstring volumeLabel = label;
    g_formatDone = false;
    g_formatSucceeded = false;
    // Quick is passed as a whole BOOL: its bytes read the same as a BOOLEAN's.
    formatEx_(root.data(), media, fileSystem.data(), volumeLabel.data(), TRUE, 0, OnFormatReport);
    return g_formatDone && g_formatSucceeded;
}
