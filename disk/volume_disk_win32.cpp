#include "disk/volume_disk_win32.h"

#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <vector>

#include "drives/storage_bus.h"
#include "tools/unique_handle_win32.h"

namespace {

// Opened for queries only: no access right, so no file system gets mounted for it.
UniqueHandle OpenForQuery(const std::wstring& path) {
    return UniqueHandle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

}  // namespace

bool ExtentsOfVolume(const std::wstring& volume, std::vector<PartitionPlace>& places) {
    UniqueHandle handle = OpenForQuery(VolumeDevicePath(volume));
    if (!handle) return false;
    // One extent fits the plain structure; a spanned volume tells how many it needs.
    std::vector<unsigned char> buffer(sizeof(VOLUME_DISK_EXTENTS));
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD returned = 0;
        if (DeviceIoControl(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                            buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
            const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
            places.clear();
            for (DWORD i = 0; i < extents->NumberOfDiskExtents; ++i) {
                const DISK_EXTENT& extent = extents->Extents[i];
                if (extent.StartingOffset.QuadPart < 0 || extent.ExtentLength.QuadPart < 0) {
                    return false;
                }
                places.push_back({extent.DiskNumber,
                                  static_cast<uint64_t>(extent.StartingOffset.QuadPart),
                                  static_cast<uint64_t>(extent.ExtentLength.QuadPart)});
            }
            return !places.empty();
        }
        if (GetLastError() != ERROR_MORE_DATA) return false;
        const DWORD count =
            reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data())->NumberOfDiskExtents;
        buffer.assign(offsetof(VOLUME_DISK_EXTENTS, Extents) + count * sizeof(DISK_EXTENT), 0);
    }
    return false;
}

namespace {

bool ExtentDisks(const std::wstring& volume, std::vector<uint32_t>& disks) {
    std::vector<PartitionPlace> places;
    if (!ExtentsOfVolume(volume, places)) return false;
    disks.clear();
    for (const PartitionPlace& place : places) disks.push_back(place.disk);
    return true;
}

}  // namespace

bool DisksOfVolume(const std::wstring& path, std::vector<uint32_t>& disks) {
    wchar_t mountPoint[MAX_PATH] = {};
    if (!GetVolumePathNameW(path.c_str(), mountPoint, MAX_PATH)) return false;
    wchar_t volume[MAX_PATH] = {};
    if (!GetVolumeNameForVolumeMountPointW(mountPoint, volume, MAX_PATH)) return false;
    return ExtentDisks(volume, disks);
}

int DiskBusType(uint32_t disk) {
    UniqueHandle handle = OpenForQuery(L"\\\\.\\PhysicalDrive" + std::to_wstring(disk));
    if (!handle) return -1;
    return QueryStorageBusType(handle.get());
}

bool VolumesOnDisk(uint32_t disk, std::vector<std::wstring>& volumes) {
    volumes.clear();
    wchar_t name[MAX_PATH] = {};
    const UniqueFindVolumeHandle find(FindFirstVolumeW(name, MAX_PATH));
    if (!find) return GetLastError() == ERROR_NO_MORE_FILES;
    bool complete = true;
    do {
        // Volumes that answer no extents (optical drives, for one) lie on no partitioned disk.
        std::vector<uint32_t> disks;
        if (!ExtentDisks(name, disks)) continue;
        for (uint32_t onDisk : disks) {
            if (onDisk == disk) {
                volumes.push_back(name);
                break;
            }
        }
    } while (FindNextVolumeW(find.get(), name, MAX_PATH));
    if (GetLastError() != ERROR_NO_MORE_FILES) complete = false;
    return complete;
}

std::wstring VolumeOfLetter(wchar_t letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    wchar_t volume[MAX_PATH] = {};
    if (!GetVolumeNameForVolumeMountPointW(root, volume, MAX_PATH)) return {};
    return volume;
}
