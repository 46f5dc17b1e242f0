#include <windows.h>

#include "text/clock.h"

ClockValue ClockNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ClockFromFields({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

std::wstring FormatTimeStamp() {
    return FormatTimeStampAt(ClockNow());
}

std::wstring FormatDuration(ClockValue start) {
    return FormatDurationAt(ClockNow(), start);
}
