#pragma once

// The app's own quality measure of a captured fingertip: how clearly its ridge pattern
// shows in the final image. Not NFIQ 2 (that is defined for contact prints at 500 ppi);
// validated on purpose-made degradations of rendered fingertips. Pure functions over the
// pixels: safe to call from any thread, several at once.

#include "QualityRecord.h"
#include "SegmentInfo.h"

#include <opencv2/core.hpp>

#include <vector>

// The score of one finger and the components it is made of. Every value is 0 for a box
// that cannot be judged: empty or wholly outside the image, smaller than kMinJudgedSide
// pixels on a side, an image that is neither 8-bit grey nor 8-bit three-channel, or a box
// without a fingertip area (no part bright enough and surrounded by more of it).
struct FingerQuality {
    int quality = 0; // 0 to 100
    // The ridges' contrast over the fingertip's local brightness: how deeply ridges and
    // valleys are modulated (about 0.2 for a sharp fingertip, falling with blur).
    double sharpness = 0.0;
    // The mean structure-tensor coherence of the fingertip's blocks, 0 (no direction) to 1.
    double orientation = 0.0;
    // The RMS of the ridge pattern in grey levels, less the share of it that is noise.
    double contrast = 0.0;
};

// Boxes smaller than this on a side (in image pixels) hold too few ridges to judge.
constexpr int kMinJudgedSide = 24;

// Whether a finger's score is flagged against the operator's minimum: strictly below it,
// so a minimum of 0 flags none.
inline bool QualityBelowMinimum(int quality, int minimum)
{
    return quality < minimum;
}

// Scores the part of `box` that lies inside `image` (8UC1, or 8UC3 taken as grey).
FingerQuality ScoreFinger(const cv::Mat& image, const cv::Rect& box);

// One record per segment, in the segments' order: the segment's box as the device reported
// it, its finger position (positions[i], or 0 where `positions` has none) and the score of
// the box clipped to the final image.
std::vector<FingerQualityRecord> ScoreFingers(const cv::Mat& finalImage,
                                              const std::vector<quorvel::SegmentInfo>& segments,
                                              const std::vector<int>& positions);
