#include "drives/volume_disks.h"

#include "drives/volume_extents_win32.h"
#include "tools/unique_handle_win32.h"

bool DisksOfPath(const std::wstring& path, std::vector<uint32_t>& disks) {
    disks.clear();
    std::wstring volume;
    if (!VolumeNameOfPath(path, volume)) return false;
    if (!volume.empty() && volume.back() == L'\\')
        volume.pop_back();  // the device, not its root folder
    const UniqueHandle handle(OpenDeviceForQuery(volume));
    std::vector<VolumeExtent> extents;
    if (!handle || !QueryVolumeExtents(handle.get(), extents)) return false;
    for (const VolumeExtent& extent : extents) disks.push_back(extent.disk);
    return true;
}
