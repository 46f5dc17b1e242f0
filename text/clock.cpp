#include "text/clock.h"

namespace {

constexpr int64_t kDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

std::wstring TwoDigits(int value) {
    std::wstring text = std::to_wstring(value);
    return text.size() < 2 ? L"0" + text : text;
}

wchar_t LowerAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c;
}

bool TokenAt(const std::wstring& mask, size_t pos, const wchar_t* token) {
    for (size_t i = 0; token[i]; ++i) {
        if (pos + i >= mask.size() || LowerAscii(mask[pos + i]) != token[i]) return false;
    }
    return true;
}

}  // namespace

ClockValue ClockFromFields(const ClockFields& f) {
    return DaysFromCivil(f.year, f.month, f.day) * kDay + f.hour * 3600 + f.minute * 60 + f.second;
}

ClockFields FieldsFromClock(ClockValue clock) {
    int64_t days = clock / kDay;
    int64_t rest = clock % kDay;
    if (rest < 0) {
        rest += kDay;
        --days;
    }
    ClockFields f{};
    CivilFromDays(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(rest / 3600);
    f.minute = static_cast<int>(rest / 60 % 60);
    f.second = static_cast<int>(rest % 60);
    return f;
}

std::wstring FormatDateMask(const std::wstring& mask, ClockValue clock) {
    const ClockFields f = FieldsFromClock(clock);
    std::wstring out;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == L'%') {
            if (TokenAt(mask, i + 1, L"yyyy")) {
                std::wstring year = std::to_wstring(f.year);
                out += std::wstring(year.size() < 4 ? 4 - year.size() : 0, L'0') + year;
                i += 4;
                continue;
            }
            const struct {
                const wchar_t* token;
                int value;
            } fields[] = {{L"mm", f.month},
                          {L"dd", f.day},
                          {L"hh", f.hour},
                          {L"ii", f.minute},
                          {L"ss", f.second}};
            bool replaced = false;
            for (const auto& field : fields) {
                if (TokenAt(mask, i + 1, field.token)) {
                    out += TwoDigits(field.value);
                    i += 2;
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        out += mask[i];
    }
    return out;
}

std::wstring FormatTimeStampAt(ClockValue now) {
    return FormatDateMask(L"%yyyy/%mm/%dd", now) + L"," + FormatDateMask(L"%hh:%ii:%ss", now);
}

std::wstring FormatDurationAt(ClockValue now, ClockValue start) {
    const ClockValue elapsed = now - start;
    const wchar_t* mask = elapsed >= 3600 ? L"%hh:%ii:%ss" : elapsed >= 60 ? L"%ii:%ss" : L"%ss";
    return FormatTimeStampAt(now) + L" duration: " + FormatDateMask(mask, elapsed) + L"s";
}
