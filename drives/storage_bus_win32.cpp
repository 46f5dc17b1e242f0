#include "drives/storage_bus.h"

int VolumeBusType(HANDLE volume, wchar_t) {
    return QueryStorageBusType(volume);
}
