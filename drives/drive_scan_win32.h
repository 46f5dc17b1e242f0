#pragma once
#include <string>
#include <vector>

// 1 when the device behind the volume of a drive root (or a "\\?\" path) is on the USB bus.
// A volume that cannot be opened or queried counts as not on USB.
int IsUsbVolume(const std::wstring& path);

// One DriveEntry per present drive letter, A to Z. Entries not on USB are described only when
// describeAll is set (the log file is open).
std::vector<std::wstring> ScanDrives(bool describeAll);
