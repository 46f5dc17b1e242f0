#include "disk/exclusive_access_win32.h"

#include <windows.h>
#include <winioctl.h>

#include <string>
#include <utility>

#include "disk/volume_disk_win32.h"

namespace {

constexpr DWORD kLockTimeoutMs = 15000;
constexpr DWORD kLockRetryMs = 500;

bool SameVolume(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Files still open on the volume (an Explorer window, a scan) make the lock fail for a while.
bool LockWithRetries(HANDLE volume) {
    const ULONGLONG deadline = GetTickCount64() + kLockTimeoutMs;
    for (;;) {
        DWORD returned = 0;
        if (DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned,
                            nullptr)) {
            return true;
        }
        if (GetTickCount64() + kLockRetryMs > deadline) return false;
        Sleep(kLockRetryMs);
    }
}

UniqueHandle LockAndDismount(const std::wstring& volume) {
    UniqueHandle handle(CreateFileW(VolumeDevicePath(volume).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    if (!handle || !LockWithRetries(handle.get())) return {};
    DWORD returned = 0;
    if (!DeviceIoControl(handle.get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned,
                         nullptr)) {
        return {};
    }
    return handle;
}

}  // namespace

bool LockDiskVolumes(uint32_t disk, wchar_t letter, VolumeLocks& locks) {
    locks.clear();
    std::vector<std::wstring> volumes;
    if (!VolumesOnDisk(disk, volumes)) return false;
    std::wstring letterVolume = VolumeOfLetter(letter);
    if (letterVolume.empty()) letterVolume = {letter, L':', L'\\'};
    volumes.push_back(letterVolume);

    // A volume listed twice would fail its second lock against our own first one.
    std::vector<std::wstring> distinct;
    for (const std::wstring& volume : volumes) {
        bool seen = false;
        for (const std::wstring& earlier : distinct) seen = seen || SameVolume(volume, earlier);
        if (!seen) distinct.push_back(volume);
    }
    for (const std::wstring& volume : distinct) {
        UniqueHandle lock = LockAndDismount(volume);
        if (!lock) {
            locks.clear();
            return false;
        }
        locks.push_back(std::move(lock));
    }
    return true;
}
