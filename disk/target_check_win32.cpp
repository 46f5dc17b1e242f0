#include "disk/target_check_win32.h"

#include <windows.h>

#include <string>
#include <vector>

#include "disk/volume_disk_win32.h"
#include "drives/storage_bus.h"

namespace {

std::wstring SystemDirectory() {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

std::wstring WindowsDirectory() {
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

std::wstring ProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    return path;
}

// A volume whose disks cannot be told might be on any disk, the target's included.
bool MayLieOnDisk(const std::wstring& path, uint32_t disk) {
    std::vector<uint32_t> disks;
    if (path.empty() || !DisksOfVolume(path, disks)) return true;
    for (uint32_t onDisk : disks) {
        if (onDisk == disk) return true;
    }
    return false;
}

}  // namespace

DiskStatus IdentifyTargetDisk(wchar_t letter, uint32_t& disk) {
    const std::wstring root = {letter, L':', L'\\'};
    const UINT driveType = GetDriveTypeW(root.c_str());
    if (driveType != DRIVE_REMOVABLE && driveType != DRIVE_FIXED) return kDiskRefusedTarget;

    // A volume spanning several extents is no stick's partition, even when all lie on one disk.
    std::vector<uint32_t> disks;
    if (!DisksOfVolume(root, disks) || disks.size() != 1) return kDiskRefusedTarget;
    if (DiskBusType(disks[0]) != kBusTypeUsb) return kDiskRefusedTarget;

    // The system volume, the boot volume, and the volume this program runs from.
    for (const std::wstring& inUse : {SystemDirectory(), WindowsDirectory(), ProgramPath()}) {
        if (MayLieOnDisk(inUse, disks[0])) return kDiskRefusedTarget;
    }
    disk = disks[0];
    return kDiskOk;
}
