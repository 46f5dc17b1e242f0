#include "disk/volume_disk_win32.h"

#include <windows.h>
#include <vector>

#include "drives/storage_bus.h"
#include "tools/unique_handle_win32.h"

bool ExtentsOfVolume(const std::wstring& volume, std::vector<PartitionPlace>& places) {
    const UniqueHandle handle(OpenDeviceForQuery(VolumeDevicePath(volume)));
    return handle && QueryVolumeExtents(handle.get(), places);
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
    std::wstring volume;
    return VolumeNameOfPath(path, volume) && ExtentDisks(volume, disks);
}

int DiskBusType(uint32_t disk) {
    const UniqueHandle handle(OpenDeviceForQuery(L"\\\\.\\PhysicalDrive" + std::to_wstring(disk)));
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
