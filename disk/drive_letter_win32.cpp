#include "disk/drive_letter_win32.h"

#include <winioctl.h>

#include <cwchar>
#include <string>
#include <vector>

#include "disk/volume_disk_win32.h"

namespace {

constexpr DWORD kReturnTimeoutMs = 15000;
constexpr DWORD kPollMs = 500;
// Windows gives the letter back by itself when the new partition starts where the old one did;
// only after this long do we assign it.
constexpr DWORD kOwnAssignmentAfterMs = 3000;

bool LetterOnDisk(const std::wstring& root, uint32_t disk) {
    std::vector<uint32_t> disks;
    if (!DisksOfVolume(root, disks) || disks.size() != 1 || disks[0] != disk) return false;
    // The file system is mounted and readable, as the next steps of a job need it.
    return GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
}

bool LetterFree(const std::wstring& root) {
    return GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR && VolumeOfLetter(root[0]).empty();
}

// Removes the drive letters other than ours that Windows gave the volume.
void RemoveOtherLetters(const std::wstring& volume, const std::wstring& root) {
    std::vector<wchar_t> paths(4096, L'\0');
    DWORD length = 0;
    if (!GetVolumePathNamesForVolumeNameW(volume.c_str(), paths.data(),
                                          static_cast<DWORD>(paths.size()), &length)) {
        return;
    }
    for (const wchar_t* path = paths.data(); *path; path += wcslen(path) + 1) {
        const std::wstring mountPoint = path;
        const bool driveRoot = mountPoint.size() == 3 && mountPoint[1] == L':';
        if (driveRoot &&
            CompareStringOrdinal(mountPoint.c_str(), 3, root.c_str(), 3, TRUE) != CSTR_EQUAL) {
            DeleteVolumeMountPointW(mountPoint.c_str());
        }
    }
}

void AssignLetter(const std::wstring& root, uint32_t disk) {
    // The new layout holds a single partition; anything else is not ours to name.
    std::vector<std::wstring> volumes;
    if (!VolumesOnDisk(disk, volumes) || volumes.size() != 1 || !LetterFree(root)) return;
    if (SetVolumeMountPointW(root.c_str(), volumes[0].c_str())) {
        RemoveOtherLetters(volumes[0], root);
    }
}

}  // namespace

void RereadPartitionTable(HANDLE disk) {
    // Wine answers "not supported"; its drive mappings do not depend on the partition table.
    DWORD returned = 0;
    DeviceIoControl(disk, IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &returned, nullptr);
}

bool RestoreDriveLetter(wchar_t letter, uint32_t disk) {
    const std::wstring root = {letter, L':', L'\\'};
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (LetterOnDisk(root, disk)) return true;
        const ULONGLONG waited = GetTickCount64() - start;
        if (waited >= kReturnTimeoutMs) return false;
        if (waited >= kOwnAssignmentAfterMs) AssignLetter(root, disk);
        Sleep(kPollMs);
    }
}
