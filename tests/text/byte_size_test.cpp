#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "text/byte_size.h"

namespace {

constexpr int64_t KiB = 1024, MiB = KiB * 1024, TiB = MiB * 1024 * 1024, PiB = TiB * 1024,
                  EiB = PiB * 1024;

TEST(FormatByteSize, WorkedValuesAndEdges) {
    const struct {
        int64_t bytes;
        const wchar_t* text;
    } cases[] = {
        // The fuzz target checks the unit, the digits and the cut for every size up to 8 PB;
        // these pin the text itself, and what lies outside that range.
        {0, L"0 b "},
        {1023, L"1023 b "},
        {1024, L"1.00 KB"},
        {1024 + 1023, L"1.99 KB"},
        {100 * MiB + 1, L"100 MB"},
        {1000 * KiB, L"1000 KB"},
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
