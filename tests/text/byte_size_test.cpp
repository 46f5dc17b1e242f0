#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "text/byte_size.h"

namespace {

constexpr int64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024, TiB = GiB * 1024,
                  PiB = TiB * 1024, EiB = PiB * 1024;

// The texts as they were first made: the count divided as a double, printed with 15 decimals and
// cut. The integer formatting must give exactly these.
std::wstring PrintedByteSize(int64_t bytes) {
    const wchar_t* const units[] = {L"b ", L"KB", L"MB", L"GB", L"TB", L"PB"};
    int unit = 0;
    for (int64_t v = bytes; v >= 1024 && unit < 5; v /= 1024) ++unit;
    if (unit == 0) return std::to_wstring(bytes) + L" " + units[0];
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.15f",
                  static_cast<double>(bytes) / std::pow(1024.0, unit));
    const std::string fixed(digits);
    const size_t point = fixed.find('.');
    const std::string kept = point < 3 ? fixed.substr(0, point + 3) : fixed.substr(0, point);
    return std::wstring(kept.begin(), kept.end()) + L" " + units[unit];
}

// Counts where the texts change or could go wrong: both sides of every hundredth of a unit up to
// a few hundred units, the unit steps, the double's 53 bits, a spread of others.
std::vector<int64_t> EdgeCounts() {
    std::vector<int64_t> counts;
    for (int shift = 10; shift <= 50; shift += 10) {
        for (int64_t hundredths = 1; hundredths <= 102400;
             hundredths += hundredths < 300 ? 1 : 97) {
            const int64_t edge = ((hundredths << shift) + 99) / 100;
            for (int64_t d = -2; d <= 2; ++d) counts.push_back(edge + d);
        }
        for (int64_t d = -3; d <= 3; ++d) counts.push_back((int64_t{1024} << shift) + d);
    }
    for (int64_t d = -4; d <= 4; ++d) counts.push_back((int64_t{1} << 53) + d);
    uint64_t state = 88172645463325252u;  // xorshift: the same spread every run
    for (int i = 0; i < 5000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        counts.push_back(static_cast<int64_t>(state >> (1 + i % 60)));
    }
    counts.push_back(std::numeric_limits<int64_t>::max());
    return counts;
}

TEST(FormatByteSize, WorkedValuesAndEdges) {
    const struct {
        int64_t bytes;
        const wchar_t* text;
    } cases[] = {
        // The texts themselves, which also vouch for the printed ones the next test compares with.
        {0, L"0 b "},
        {1023, L"1023 b "},
        {1024 + 1023, L"1.99 KB"},
        {100 * MiB + 1, L"100 MB"},
        {5000000000, L"4.65 GB"},
        {-1, L"-1 b "},  // negative counts stay in bytes
        // Past the last unit the count stays in PB rather than losing its unit.
        {EiB, L"1024 PB"},
        {std::numeric_limits<int64_t>::max(), L"8192 PB"},
        // Just below a hundredth in petabytes the 15th decimal rounds up into the second.
        {1362338887279575, L"1.21 PB"},
        {1362338887279574, L"1.20 PB"},
        {112544954687988695, L"99.95 PB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(FormatByteSize(c.bytes), c.text);
        EXPECT_EQ(PrintedByteSize(c.bytes), c.text);
    }
}

TEST(FormatByteSize, SameTextsAsThePrintedOnes) {
    int mismatches = 0;
    for (const int64_t bytes : EdgeCounts()) {
        if (FormatByteSize(bytes) == PrintedByteSize(bytes) || ++mismatches > 10) continue;
        ADD_FAILURE() << bytes << ": " << testing::PrintToString(FormatByteSize(bytes))
                      << " against " << testing::PrintToString(PrintedByteSize(bytes));
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(NextByteSizeChange, TheTextHoldsUpToItAndChangesThere) {
    for (const int64_t bytes : EdgeCounts()) {
        if (bytes < 0) continue;
        SCOPED_TRACE(bytes);
        const int64_t next = NextByteSizeChange(bytes);
        if (bytes == std::numeric_limits<int64_t>::max()) {
            EXPECT_EQ(next, bytes);
            continue;
        }
        ASSERT_GT(next, bytes);
        const std::wstring text = FormatByteSize(bytes);
        EXPECT_EQ(FormatByteSize(next - 1), text);
        if (next - bytes > 1) {
            // A span, not single steps: it must end where the text changes, not before.
            EXPECT_NE(FormatByteSize(next), text);
        }
    }
    const struct {
        int64_t bytes, next;
    } cases[] = {
        {-7, -6},
        {0, 1},
        {1023, 1024},
        {1024, 1035},
        {1035, 1045},
        {100 * MiB, 101 * MiB},
        {99 * GiB, 99 * GiB + 10737419},
        {PiB, PiB + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(NextByteSizeChange(c.bytes), c.next);
    }
}

}  // namespace
