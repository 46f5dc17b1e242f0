#include "text/byte_size.h"

#include <limits>

namespace {

const wchar_t* const kUnits[] = {L"b ", L"KB", L"MB", L"GB", L"TB", L"PB"};
constexpr int kLastUnit = 5;
// 5 to the 13th: with 2 to the 14th, the half unit of the 15th decimal counted in hundredths.
constexpr uint64_t kFivePow13 = 1220703125;

int UnitOf(int64_t bytes) {
    int unit = 0;
    // Stopping at PB keeps a unit after the number even for exabyte counts.
    for (int64_t v = bytes; v >= 1024 && unit < kLastUnit; v /= 1024) ++unit;
    return unit;
}

}  // namespace

// The texts have always been the count divided as a double, printed with 15 decimals and cut after
// two (or at the point, from 100 on). The same digits come from integers: the division by a power
// of 1024 is exact, and the printing's rounding at the 15th decimal reaches the second one only in
// petabytes, just below a hundredth.
std::wstring FormatByteSize(int64_t bytes) {
    const int unit = UnitOf(bytes);
    if (unit == 0) return std::to_wstring(bytes) + L" " + kUnits[0];

    const int shift = 10 * unit;
    // The count as the double it has always been divided as: 53 significant bits, ties to even.
    const uint64_t value = static_cast<uint64_t>(static_cast<double>(bytes));
    const uint64_t one = uint64_t{1} << shift;
    const uint64_t whole = value >> shift, rest = value & (one - 1);
    if (whole >= 100) return std::to_wstring(whole) + L" " + kUnits[unit];
    const uint64_t scaled = 100 * rest;
    uint64_t hundredths = 100 * whole + (scaled >> shift);
    const uint64_t gap = one - (scaled & (one - 1));  // to the next hundredth, in 2^-shift
    if (shift > 14 && gap * kFivePow13 <= (uint64_t{1} << (shift - 14))) ++hundredths;
    if (hundredths >= 10000) return std::to_wstring(hundredths / 100) + L" " + kUnits[unit];
    const wchar_t decimals[] = {static_cast<wchar_t>(L'0' + hundredths % 100 / 10),
                                static_cast<wchar_t>(L'0' + hundredths % 10), L' ', L'\0'};
    return std::to_wstring(hundredths / 100) + L"." + decimals + kUnits[unit];
}

int64_t NextByteSizeChange(int64_t bytes) {
    const int unit = UnitOf(bytes);
    // Bytes change the text one by one; petabytes' rounding is irregular and never copied here.
    if (unit == 0 || unit == kLastUnit) {
        return bytes < std::numeric_limits<int64_t>::max() ? bytes + 1 : bytes;
    }
    const int shift = 10 * unit;
    const int64_t whole = bytes >> shift, rest = bytes & ((int64_t{1} << shift) - 1);
    if (whole >= 100) return (whole + 1) << shift;
    const int64_t next = 100 * whole + ((100 * rest) >> shift) + 1;  // in hundredths
    // The first count whose hundredths reach next; at 1024 whole units the next unit begins.
    return ((next << shift) + 99) / 100;
}
