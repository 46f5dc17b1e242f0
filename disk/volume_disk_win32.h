#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "drives/volume_extents_win32.h"

// Which physical disks lie behind a volume, on which bus a disk sits, and which volumes a disk
// holds. One link-time unit: the tool's test build replaces it, since Wine answers none of these
// questions for an image file standing in for a stick.

// Where a partition, or one extent of a volume, lies.
using PartitionPlace = VolumeExtent;

// The extents of a volume named as VolumesOnDisk names it, in order. False when that cannot be
// told (optical drives, for one, answer no extents).
bool ExtentsOfVolume(const std::wstring& volume, std::vector<PartitionPlace>& extents);

// The disk numbers of every extent of the volume that holds the path ("E:\", a folder, a file),
// in extent order (one per extent). False when that cannot be told.
bool DisksOfVolume(const std::wstring& path, std::vector<uint32_t>& disks);
// The STORAGE_BUS_TYPE of a physical disk, or -1 when the query fails.
int DiskBusType(uint32_t disk);
// The names of the volumes with an extent on the disk, in the form FindFirstVolumeW gives
// ("\\?\Volume{...}\") or as a drive root ("E:\"). False when the volumes cannot be listed.
bool VolumesOnDisk(uint32_t disk, std::vector<std::wstring>& volumes);
// The name of the volume behind a drive letter, in the same form; empty when the letter has none.
std::wstring VolumeOfLetter(wchar_t letter);

// The path that opens a volume of that name: "\\?\Volume{...}" without its trailing backslash,
// "\\.\E:" for "E:\".
inline std::wstring VolumeDevicePath(const std::wstring& volume) {
    if (volume.size() == 3 && volume[1] == L':') return L"\\\\.\\" + volume.substr(0, 2);
    if (!volume.empty() && volume.back() == L'\\') return volume.substr(0, volume.size() - 1);
    return volume;
}
