#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The recent frame rates of one live view, for the "FPS: " overlay. It starts with an
// assumed rate so that the first frame has something to show, and keeps the newest
// kCapacity rates.
class FrameRateHistory {
public:
    static constexpr float kInitialRate = 13.0f;
    static constexpr std::size_t kCapacity = 10;

    FrameRateHistory();

    // Appends the rate of a frame that took elapsedMs milliseconds, 1000 / elapsedMs
    // computed in double and stored as float, and drops the oldest rate beyond kCapacity.
    // 0 ms gives +inf, which then enters the mean like any other rate.
    void Add(int64_t elapsedMs);

    // Arithmetic mean of the kept rates, summed and divided in double.
    float Mean() const;

    const std::vector<float>& Rates() const { return rates; }

private:
    std::vector<float> rates;
};
