// The "FPS: " figure the operator reads: the assumed first rate, then the newest ten.
#include "FrameRateHistory.h"
#include "OverlayRenderer.h"

#include <gtest/gtest.h>

TEST(FrameRateHistory, TheFigureStartsAtThirteenAndKeepsTheNewestTenRates)
{
    const struct {
        int fast, slow; // frames of 50 ms (20 fps), then of 100 ms (10 fps)
        const char* figure;
    } cases[] = {
        { 0, 0, "FPS: 13.0" },  // the first frame's assumed rate
        { 1, 0, "FPS: 16.5" },  // its mean with the first measured rate
        { 9, 0, "FPS: 19.3" },  // 13.0 and nine measured rates
        { 10, 0, "FPS: 20.0" }, // the tenth pushes 13.0 out
        { 10, 4, "FPS: 16.0" }, // the oldest measured rates leave in turn
        { 10, 12, "FPS: 10.0" },
    };
    for (const auto& c : cases) {
        FrameRateHistory history;
        for (int i = 0; i < c.fast + c.slow; ++i) {
            history.Add(i < c.fast ? 50 : 100);
        }
        EXPECT_EQ("FPS: " + FloatToString(history.Mean(), 1), c.figure) << c.fast << " + " << c.slow << " frames";
    }
}
