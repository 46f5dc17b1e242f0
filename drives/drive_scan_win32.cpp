#include <windows.h>

#include "drives/drive_scan_win32.h"

#include "drives/drive_entry.h"
#include "drives/storage_bus.h"
#include "tools/unique_handle_win32.h"

int IsUsbVolume(const std::wstring& path) {
    const std::wstring device = VolumeDevicePath(path);
    // Access 0: a device query only, which needs no rights to read the disk.
    UniqueHandle volume(CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!volume) return 0;
    const wchar_t letter = device.size() > 4 ? device[4] : L'\0';
    return VolumeBusType(volume.get(), letter) == kBusTypeUsb ? 1 : 0;
}

std::vector<std::wstring> ScanDrives(bool describeAll) {
    std::vector<std::wstring> table;
    const DWORD present = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(present & (1u << i))) continue;
        const std::wstring root = DriveRoot(i);
        const UINT type = GetDriveTypeW(root.c_str());
        const bool onUsb = IsUsbVolume(root) == 1;
        std::wstring entry = root + BusMarker(onUsb);
        if ((onUsb || describeAll) && DriveTypeIsDescribed(type)) {
            wchar_t label[16] = L"               ";
            wchar_t fileSystem[33] = L"                                ";
            GetVolumeInformationW(root.c_str(), label, 15, nullptr, nullptr, nullptr, fileSystem,
                                  32);
            ULARGE_INTEGER total{};
            if (DriveTypeHasSize(type)) {
                ULARGE_INTEGER freeToCaller, totalFree;
                GetDiskFreeSpaceExW(root.c_str(), &freeToCaller, &total, &totalFree);
            }
            entry +=
                DriveDescription(type, label, fileSystem, static_cast<int64_t>(total.QuadPart));
        }
        table.push_back(entry);
    }
    return table;
}
