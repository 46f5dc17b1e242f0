#pragma once
#include <windows.h>

constexpr int kBusTypeUsb = 7;

// The bus type (STORAGE_BUS_TYPE) the system reports for the device behind an open volume, or
// -1 when the query fails. VolumeBusType is its own link-time unit: the program's test build
// replaces it to answer USB for simulated drives, since Wine reports every volume on SCSI.
int QueryStorageBusType(HANDLE volume);
int VolumeBusType(HANDLE volume, wchar_t driveLetter);
