#include <gtest/gtest.h>

#include "app/font_scale.h"

namespace {

TEST(FontScale, KeepsThe96DpiPixelHeight) {
    const struct {
        int points;
        double dpi;
        int rounded;
        int pixelHeight;  // at that DPI, for the rounded size
    } cases[] = {
        {8, 96, 8, -11},    {8, 120, 6, -10},  {8, 144, 5, -10}, {12, 96, 12, -16},
        {12, 120, 10, -17}, {12, 144, 8, -16}, {8, 0, 8, 0},  // DPI not measured: the nominal size
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.points << " at " << c.dpi);
        const int rounded = RoundedPointSize(ScaledPointSize(c.points, c.dpi));
        EXPECT_EQ(rounded, c.rounded);
        if (c.dpi > 0) {
            EXPECT_EQ(FontPixelHeight(rounded, static_cast<int>(c.dpi)), c.pixelHeight);
        }
    }
}

}  // namespace
