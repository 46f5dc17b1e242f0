#pragma once
#include <cstdint>

#include "disk/disk_operations.h"

// A calendar moment as both builds read it from their clocks.
struct CivilTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0, hundredths = 0;
};

// The FAT date and time of a moment (years before 1980 count as 1980), the volume serial made
// from it the way DOS and Windows mix date and time, and the given random signature (never 0:
// a disk signature of 0 means none).
DiskRunContext MakeRunContext(const CivilTime& now, uint32_t randomSignature);
