#pragma once

// The words about a mode's finger scores: the status line's summary, the fingers below the
// minimum, and the line an unattended run prints. No widgets.

#include "QualityRecord.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// "4R quality 71 · 68 · 80 · 75", the scores in segment order; "4R quality none" without
// fingers. The mode is named as its directory ("4R", "4L", "2T", "unknown").
QString QualitySummary(int32_t mode, const std::vector<FingerQualityRecord>& fingers);

// One text per finger whose quality is below `minimum`, in segment order:
// "4R: finger 3, right middle, quality 23, below 40". A finger of unknown position (a
// forced capture with another number of segments) is named by its segment, counted from 1
// in the device's order: "4R: finger ? (segment 2), quality 23, below 40".
QStringList BelowMinimumTexts(int32_t mode, const std::vector<FingerQualityRecord>& fingers, int minimum);

// "Quality 4R: 71 68 80 75", the scores in segment order; "Quality 4R: none" without fingers.
QString UnattendedQualityLine(int32_t mode, const std::vector<FingerQualityRecord>& fingers);
