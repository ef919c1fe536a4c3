#include "FrameRateHistory.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(FrameRateHistory, StartsWithThirteenFramesPerSecondThatTheFirstMeasuredRateIsAveragedWith)
{
    FrameRateHistory history;
    ASSERT_EQ(history.Rates().size(), 1u);
    EXPECT_EQ(history.Rates().front(), 13.0f);
    EXPECT_EQ(history.Mean(), 13.0f);
    history.Add(50); // 20 frames per second
    EXPECT_EQ(history.Mean(), 16.5f);
}

TEST(FrameRateHistory, InitialRateLeavesWithTheTenthMeasuredRate)
{
    FrameRateHistory history;
    for (int i = 0; i < 9; ++i) {
        history.Add(100);
    }
    ASSERT_EQ(history.Rates().size(), 10u);
    EXPECT_EQ(history.Rates().front(), 13.0f);
    EXPECT_FLOAT_EQ(history.Mean(), (13.0f + 9 * 10.0f) / 10.0f);

    history.Add(100);
    ASSERT_EQ(history.Rates().size(), 10u);
    EXPECT_EQ(history.Mean(), 10.0f);

    history.Add(50);
    ASSERT_EQ(history.Rates().size(), 10u);
    EXPECT_EQ(history.Rates().back(), 20.0f);
    EXPECT_FLOAT_EQ(history.Mean(), 11.0f);
}

TEST(FrameRateHistory, ZeroElapsedGivesInfinityThatEntersTheMeanUntilItLeaves)
{
    FrameRateHistory history;
    history.Add(0);
    EXPECT_TRUE(std::isinf(history.Rates().back()));
    EXPECT_TRUE(std::isinf(history.Mean()));
    for (int i = 0; i < 9; ++i) {
        history.Add(100);
    }
    EXPECT_TRUE(std::isinf(history.Mean()));
    history.Add(100);
    EXPECT_EQ(history.Mean(), 10.0f);
}
