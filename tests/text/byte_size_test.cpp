#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "text/byte_size.h"

namespace {

constexpr int64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024, TiB = GiB * 1024,
                  PiB = TiB * 1024, EiB = PiB * 1024;

TEST(FormatByteSize, WorkedValuesAndEdges) {
    const struct {
        int64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 b "},
        {512, L"512 b "},
        {1023, L"1023 b "},
        {1024, L"1.00 KB"},
        {1536, L"1.50 KB"},
        {10752, L"10.50 KB"},
        // Decimals are cut, never rounded up.
        {1024 + 1023, L"1.99 KB"},
        {100 * GiB - 1, L"99.99 GB"},
        // Three and four integer digits drop the decimals.
        {100 * MiB + 1, L"100 MB"},
        {999 * KiB + 1023, L"999 KB"},
        {1000 * KiB, L"1000 KB"},
        {MiB - 1, L"1023 KB"},
        {1023 * GiB + GiB / 2, L"1023 GB"},
        {MiB, L"1.00 MB"},
        {4 * GiB, L"4.00 GB"},
        {15 * GiB / 2, L"7.50 GB"},
        {4 * GiB + 32 * MiB, L"4.03 GB"},
        {5000000000, L"4.65 GB"},
        {TiB, L"1.00 TB"},
        {PiB, L"1.00 PB"},
        // Negative counts stay in bytes.
        {-1, L"-1 b "},
        {-5000, L"-5000 b "},
        // Past the last unit the count stays in PB rather than losing its unit.
        {EiB, L"1024 PB"},
        {std::numeric_limits<int64_t>::max(), L"8192 PB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(FormatByteSize(c.bytes), c.text);
    }
}

}  // namespace
