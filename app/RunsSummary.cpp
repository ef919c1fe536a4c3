#include "RunsSummary.h"

#include <algorithm>
#include <map>

namespace {

void Count(const ModeRow& row, ModeSummary& summary)
{
    if (!row.outcome) {
        return;
    }
    ++summary.withOutcome;
    switch (*row.outcome) {
    case CaptureOutcome::Captured:
        ++summary.automatic;
        break;
    case CaptureOutcome::Forced:
        ++summary.forced;
        break;
    case CaptureOutcome::TimeLimit:
    case CaptureOutcome::Stopped:
        ++summary.givenUp;
        break;
    default:
        break;
    }
}

} // namespace

std::optional<double> ModeSummary::Share(int count) const
{
    if (withOutcome == 0) {
        return std::nullopt;
    }
    return 100.0 * count / withOutcome;
}

std::optional<double> Median(std::vector<double> values)
{
    if (values.empty()) {
        return std::nullopt;
    }
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1) {
        return upper;
    }
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2.0;
}

RunsSummary SummarizeRuns(const std::vector<const RunRow*>& rows)
{
    RunsSummary summary;
    summary.runs = static_cast<int>(rows.size());
    std::array<std::vector<double>, kRunModes.size()> times;
    std::vector<double> allTimes;
    std::map<int, std::vector<double>> scores;
    for (std::size_t i = 0; i < kRunModes.size(); ++i) {
        summary.modes[i].mode = kRunModes[i];
    }
    for (const RunRow* row : rows) {
        for (std::size_t i = 0; i < kRunModes.size(); ++i) {
            const ModeRow& mode = row->modes[i];
            Count(mode, summary.modes[i]);
            Count(mode, summary.allModes);
            if (mode.timeToCaptureMs) {
                times[i].push_back(static_cast<double>(*mode.timeToCaptureMs));
                allTimes.push_back(static_cast<double>(*mode.timeToCaptureMs));
            }
            for (const FingerScore& finger : mode.fingers) {
                if (finger.position >= kFirstFingerPosition && finger.position <= kLastFingerPosition) {
                    scores[finger.position].push_back(finger.quality);
                }
            }
        }
    }
    for (std::size_t i = 0; i < kRunModes.size(); ++i) {
        summary.modes[i].medianTimeToCaptureMs = Median(std::move(times[i]));
    }
    summary.allModes.medianTimeToCaptureMs = Median(std::move(allTimes));
    for (auto& [position, values] : scores) {
        FingerQualitySummary finger;
        finger.position = position;
        finger.scores = static_cast<int>(values.size());
        finger.lowest = static_cast<int>(*std::min_element(values.begin(), values.end()));
        finger.median = *Median(std::move(values));
        summary.fingers.push_back(finger);
    }
    return summary;
}
