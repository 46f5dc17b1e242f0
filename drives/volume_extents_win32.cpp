#include "drives/volume_extents_win32.h"

#include <winioctl.h>

#include <cstddef>

HANDLE OpenDeviceForQuery(const std::wstring& device) {
    return CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

bool QueryVolumeExtents(HANDLE volume, std::vector<VolumeExtent>& extents) {
    // One extent fits the plain structure; a spanned volume tells how many it needs.
    std::vector<unsigned char> buffer(sizeof(VOLUME_DISK_EXTENTS));
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD returned = 0;
        if (DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, buffer.data(),
                            static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
            const auto* answer = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
            extents.clear();
            for (DWORD i = 0; i < answer->NumberOfDiskExtents; ++i) {
                const DISK_EXTENT& extent = answer->Extents[i];
                if (extent.StartingOffset.QuadPart < 0 || extent.ExtentLength.QuadPart < 0) {
                    return false;
                }
                extents.push_back({extent.DiskNumber,
                                   static_cast<uint64_t>(extent.StartingOffset.QuadPart),
                                   static_cast<uint64_t>(extent.ExtentLength.QuadPart)});
            }
            return !extents.empty();
        }
        if (GetLastError() != ERROR_MORE_DATA) return false;
        const DWORD count =
            reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data())->NumberOfDiskExtents;
        buffer.assign(offsetof(VOLUME_DISK_EXTENTS, Extents) + count * sizeof(DISK_EXTENT), 0);
    }
    return false;
}

bool VolumeNameOfPath(const std::wstring& path, std::wstring& volume) {
    wchar_t mountPoint[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    if (!GetVolumePathNameW(path.c_str(), mountPoint, MAX_PATH) ||
        !GetVolumeNameForVolumeMountPointW(mountPoint, name, MAX_PATH)) {
        return false;
    }
    volume = name;
    return true;
}
