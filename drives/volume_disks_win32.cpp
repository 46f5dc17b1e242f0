#include <windows.h>
#include <winioctl.h>

#include <cstddef>

#include "drives/volume_disks.h"
#include "tools/unique_handle_win32.h"

bool DisksOfPath(const std::wstring& path, std::vector<uint32_t>& disks) {
    disks.clear();
    wchar_t mountPoint[MAX_PATH] = {};
    wchar_t volume[MAX_PATH] = {};
    if (!GetVolumePathNameW(path.c_str(), mountPoint, MAX_PATH) ||
        !GetVolumeNameForVolumeMountPointW(mountPoint, volume, MAX_PATH)) {
        return false;
    }
    std::wstring device = volume;
    if (!device.empty() && device.back() == L'\\') device.pop_back();
    // No access right: a query only, which mounts no file system.
    UniqueHandle handle(CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!handle) return false;
    // One extent fits the plain structure; a spanned volume says how many it needs.
    std::vector<unsigned char> buffer(sizeof(VOLUME_DISK_EXTENTS));
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD returned = 0;
        if (DeviceIoControl(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                            buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
            const auto* extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data());
            for (DWORD i = 0; i < extents->NumberOfDiskExtents; ++i) {
                disks.push_back(extents->Extents[i].DiskNumber);
            }
            return !disks.empty();
        }
        if (GetLastError() != ERROR_MORE_DATA) return false;
        const DWORD count =
            reinterpret_cast<const VOLUME_DISK_EXTENTS*>(buffer.data())->NumberOfDiskExtents;
        buffer.assign(offsetof(VOLUME_DISK_EXTENTS, Extents) + count * sizeof(DISK_EXTENT), 0);
    }
    return false;
}
