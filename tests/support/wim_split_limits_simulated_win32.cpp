// The test build's split limits: "LARGEST_WHOLE PART_LIMIT" in bytes from the variable
// TARNVIK_TEST_WIM_LIMITS, so that small installer images split into several parts; the shipped
// values without it.
#include <windows.h>

#include <cwchar>

#include "job/image_listing.h"
#include "job/wim_split_limits.h"
#include "job/wim_split_plan.h"
#include "tests/support/small_files.h"

WimSplitLimits CurrentWimSplitLimits() {
    const std::wstring text = support::Variable(L"TARNVIK_TEST_WIM_LIMITS");
    long long largestWhole = 0, partLimit = 0;
    if (swscanf(text.c_str(), L"%lld %lld", &largestWhole, &partLimit) == 2)
        return {largestWhole, static_cast<uint64_t>(partLimit)};
    return {kFat32LargestFile, kWimPartLimit};
}
