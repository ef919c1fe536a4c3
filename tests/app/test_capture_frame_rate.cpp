#include "FrameRateHistory.h"

#include <gtest/gtest.h>

#include <cmath>

// 13 frames per second to start with, averaged with the measured rates until the tenth
// pushes it out; 0 ms is an infinite rate that stays in the mean until it leaves too.
TEST(FrameRateHistory, TheStartingRateAndEveryMeasuredOneCountUntilTenNewerAreKept)
{
    FrameRateHistory history;
    EXPECT_EQ(history.Rates(), std::vector<float> { 13.0f });
    history.Add(50); // 20 frames per second
    EXPECT_EQ(history.Mean(), 16.5f);
    for (int i = 0; i < 8; ++i) {
        history.Add(100);
    }
    EXPECT_FLOAT_EQ(history.Mean(), (13.0f + 20.0f + 8 * 10.0f) / 10.0f);
    history.Add(0);
    EXPECT_EQ(history.Rates().size(), 10u);
    EXPECT_TRUE(std::isinf(history.Mean()));
    for (int i = 0; i < 9; ++i) {
        history.Add(100);
    }
    EXPECT_TRUE(std::isinf(history.Mean()));
    history.Add(100);
    EXPECT_EQ(history.Mean(), 10.0f);
}
