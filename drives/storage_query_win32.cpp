#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>

#include "drives/storage_bus.h"

// The bus type is read at this offset of whatever the driver returned.
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);

int QueryStorageBusType(HANDLE volume) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    // The fixed descriptor and room for the vendor, product and serial texts that follow it.
    unsigned char answer[1059] = {};
    static_assert(sizeof answer >= sizeof(STORAGE_DEVICE_DESCRIPTOR));
    DWORD returned = 0;
    if (!DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, answer,
                         sizeof answer, &returned, nullptr)) {
        return -1;
    }
    STORAGE_DEVICE_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, answer, sizeof descriptor);
    return static_cast<int>(descriptor.BusType);
}
