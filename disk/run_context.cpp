#include "disk/run_context.h"

DiskRunContext MakeRunContext(const CivilTime& now, uint32_t randomSignature) {
    DiskRunContext context;
    const int year = now.year < 1980 ? 1980 : now.year > 2107 ? 2107 : now.year;
    context.fatDate = static_cast<uint16_t>((year - 1980) << 9 | now.month << 5 | now.day);
    context.fatTime = static_cast<uint16_t>(now.hour << 11 | now.minute << 5 | now.second / 2);
    const uint32_t dateWord =
        static_cast<uint32_t>((now.month << 8 | now.day) + (now.second << 8 | now.hundredths));
    const uint32_t timeWord = static_cast<uint32_t>((now.hour << 8 | now.minute) + now.year);
    context.volumeSerial = (dateWord & 0xFFFF) << 16 | (timeWord & 0xFFFF);
    context.newSignature = randomSignature != 0 ? randomSignature : 0x54524B31;
    return context;
}
