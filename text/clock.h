#pragma once
#include <cstdint>
#include <string>

// Whole seconds of local wall-clock time, counted from 1970-01-01 00:00:00 as if it were UTC.
using ClockValue = int64_t;

struct ClockFields {
    int year, month, day, hour, minute, second;
};

ClockValue ClockFromFields(const ClockFields& fields);
ClockFields FieldsFromClock(ClockValue clock);

// Replaces %yyyy %mm %dd %hh %ii %ss (either letter case) with fields of the clock value.
std::wstring FormatDateMask(const std::wstring& mask, ClockValue clock);

// "2024/03/09,13:45:12"
std::wstring FormatTimeStampAt(ClockValue now);
// "2024/03/09,13:45:12 duration: 05:07s"
std::wstring FormatDurationAt(ClockValue now, ClockValue start);

// The same texts for the current local time (read by the platform layer).
ClockValue ClockNow();
std::wstring FormatTimeStamp();
std::wstring FormatDuration(ClockValue start);
