#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "drives/storage_bus.h"

int QueryStorageBusType(HANDLE volume) {
    // STORAGE_PROPERTY_QUERY: StorageDeviceProperty, PropertyStandardQuery.
    unsigned char query[12] = {};
    unsigned char descriptor[1059] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, query, sizeof query, descriptor,
                         sizeof descriptor, &returned, nullptr)) {
        return -1;
    }
    // STORAGE_DEVICE_DESCRIPTOR.BusType sits at byte 28.
    unsigned short busType = 0;
    std::memcpy(&busType, descriptor + 28, sizeof busType);
    return busType;
}
