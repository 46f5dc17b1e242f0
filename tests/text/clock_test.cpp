#include <gtest/gtest.h>

#include "text/clock.h"

namespace {

const ClockValue kStamp = ClockFromFields({2024, 3, 9, 13, 45, 12});

TEST(ClockValue, CountsLocalSecondsFrom1970) {
    EXPECT_EQ(ClockFromFields({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(ClockFromFields({1970, 1, 2, 0, 0, 1}), 86401);
    EXPECT_EQ(ClockFromFields({2000, 3, 1, 0, 0, 0}) - ClockFromFields({2000, 2, 28, 0, 0, 0}),
              2 * 86400);  // 2000 was a leap year
    EXPECT_EQ(ClockFromFields({2100, 3, 1, 0, 0, 0}) - ClockFromFields({2100, 2, 28, 0, 0, 0}),
              86400);  // 2100 will not be
    for (const ClockFields f :
         {ClockFields{2024, 2, 29, 23, 59, 59}, ClockFields{1999, 12, 31, 0, 0, 0},
          ClockFields{2038, 1, 19, 3, 14, 8}, ClockFields{2026, 12, 6, 18, 26, 36}}) {
        const ClockFields back = FieldsFromClock(ClockFromFields(f));
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
                  std::tie(f.year, f.month, f.day, f.hour, f.minute, f.second));
    }
}

TEST(FormatDateMask, ReplacesEachTokenInEitherCase) {
    const ClockValue early = ClockFromFields({2005, 1, 2, 3, 4, 5});
    const struct {
        const wchar_t* mask;
        const wchar_t* text;
    } cases[] = {
        {L"%yyyy/%mm/%dd,%hh:%ii:%ss", L"2005/01/02,03:04:05"},
        {L"%YYYY/%MM/%Dd,%HH:%II:%sS", L"2005/01/02,03:04:05"},
        // A "%" without a whole token is copied as it stands.
        {L"%m", L"%m"},
        {L"%yy", L"%yy"},
        {L"100%", L"100%"},
        {L"%x%ss", L"%x05"},
        {L"%%ss", L"%05"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(FormatDateMask(c.mask, early), c.text);
    }
}

// The time stamp before the duration is pinned with it.
TEST(FormatDuration, ElapsedMaskGrowsWithTheDuration) {
    const struct {
        ClockValue elapsed;
        const wchar_t* text;
    } cases[] = {
        {0, L"00s"},          {42, L"42s"},         {59, L"59s"},
        {60, L"01:00s"},      {307, L"05:07s"},     {3599, L"59:59s"},
        {3600, L"01:00:00s"}, {3723, L"01:02:03s"}, {25 * 3600, L"01:00:00s"},  // hours wrap at 24
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elapsed);
        EXPECT_EQ(FormatDurationAt(kStamp, kStamp - c.elapsed),
                  std::wstring(L"2024/03/09,13:45:12 duration: ") + c.text);
    }
}

}  // namespace
