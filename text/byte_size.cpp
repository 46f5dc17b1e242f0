#include "text/byte_size.h"

#include <cmath>
#include <cstdio>

namespace {

const wchar_t* const kUnits[] = {L"b ", L"KB", L"MB", L"GB", L"TB", L"PB"};
constexpr int kLastUnit = 5;

}  // namespace

std::wstring FormatByteSize(int64_t bytes) {
    int unit = 0;
    // Stopping at PB keeps a unit after the number even for exabyte counts.
    for (int64_t v = bytes; v >= 1024 && unit < kLastUnit; v /= 1024) ++unit;
    if (unit == 0) return std::to_wstring(bytes) + L" " + kUnits[0];

    const double x = static_cast<double>(bytes) / std::pow(1024.0, unit);
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.15f", x);
    const std::string fixed(digits);
    const size_t point = fixed.find('.');
    // One or two integer digits keep two decimals; three or four keep none.
    const std::string kept = point < 3 ? fixed.substr(0, point + 3) : fixed.substr(0, point);
    return std::wstring(kept.begin(), kept.end()) + L" " + kUnits[unit];
}
