#include "FrameRateHistory.h"

FrameRateHistory::FrameRateHistory()
{
    rates.reserve(kCapacity + 1);
    rates.push_back(kInitialRate);
}

void FrameRateHistory::Add(int64_t elapsedMs)
{
    rates.push_back(static_cast<float>(1000.0 / static_cast<double>(elapsedMs)));
    if (rates.size() > kCapacity) {
        rates.erase(rates.begin());
    }
}

float FrameRateHistory::Mean() const
{
    double sum = 0.0;
    for (float rate : rates) {
        sum += rate;
    }
    return static_cast<float>(sum / static_cast<double>(rates.size()));
}
