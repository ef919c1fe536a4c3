#pragma once

#include "RunScan.h"

#include <array>
#include <optional>
#include <vector>

// How one mode went over a set of runs.
struct ModeSummary {
    int32_t mode = Right4;
    int automatic = 0;   // outcome "captured"
    int forced = 0;      // outcome "forced"
    int givenUp = 0;     // "time limit" or "stopped": nobody got the hand captured
    int withOutcome = 0; // modes whose outcome is known; the whole of the shares below
    std::optional<double> medianTimeToCaptureMs;

    // Percent of withOutcome; std::nullopt when no outcome is known.
    std::optional<double> Share(int count) const;
};

// The scores of one finger position over a set of runs.
struct FingerQualitySummary {
    int position = 0;
    int scores = 0;
    double median = 0.0;
    int lowest = 0;
};

struct RunsSummary {
    int runs = 0;
    std::array<ModeSummary, kRunModes.size()> modes; // in kRunModes order
    ModeSummary allModes;                            // the three modes together (mode unused)
    std::vector<FingerQualitySummary> fingers;       // positions 1–10 that have scores, in order
};

// The middle value (the mean of the two middle ones for an even count); std::nullopt for none.
std::optional<double> Median(std::vector<double> values);

RunsSummary SummarizeRuns(const std::vector<const RunRow*>& rows);
