#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Where one extent of a volume (or a partition) lies: its disk, and its start and size in bytes.
struct VolumeExtent {
    uint32_t disk = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
    bool operator==(const VolumeExtent&) const = default;
};

// Opens a volume ("\\?\Volume{...}" without its trailing backslash, "\\.\E:") or a disk for
// queries only: no access right, so no file system gets mounted for it.
HANDLE OpenDeviceForQuery(const std::wstring& device);
// The extents of an open volume, in order. False when it answers none (optical drives, for one).
bool QueryVolumeExtents(HANDLE volume, std::vector<VolumeExtent>& extents);
// The name of the volume that holds a path ("E:\", a folder, a file), as "\\?\Volume{...}\".
bool VolumeNameOfPath(const std::wstring& path, std::wstring& volume);
