#include "job/wim_split_limits.h"

#include "job/image_listing.h"
#include "job/wim_split_plan.h"

WimSplitLimits CurrentWimSplitLimits() {
    return {kFat32LargestFile, kWimPartLimit};
}
