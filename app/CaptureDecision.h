#pragma once

#include "AppSettings.h"
#include "FingerMarks.h"
#include "SegmentInfo.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

// Bounding-box colours in the display image's channel order (channel 0 is shown as red).
struct BoxColours {
    cv::Scalar outOfRange{255, 0, 0, 0}; // red: near the border or too low
    cv::Scalar tooHigh{255, 200, 0, 0};  // orange-yellow: too far from the sensor
    cv::Scalar moving{0, 150, 200, 0};   // blue: moves more than a threshold
    cv::Scalar ready{0, 200, 0, 0};      // green
};

// Pixels a box may come to the image border before it is drawn as out of range.
constexpr int kBoxColourMargin = 5;
// Pixels a segment must keep from every border for the capture; the bound is inclusive.
constexpr int kCaptureMargin = 30;

// Whether the number and order of the segments fit the mode (a CaptureMode value) with the
// fingers marked missing: the count is one of ExpectedSegmentCounts(mode, marks), and the first
// and last segments are in the hand's order: for Right4 the first segment's posY below the
// last's, for Left4 above it; Thumbs2 has no order, nor has a single segment. Without marks
// that is two segments for Thumbs2 and four for a hand. Any other mode is false.
bool HandArrangementOk(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, const FingerMarks& marks = {});

// Whether the marks leave the mode no finger it can count on: every finger of the mode is
// marked, amputated or unable to print. Such a mode is not captured. False for another mode.
bool AllFingersMissing(int32_t mode, const FingerMarks& marks);

// How one segment stands with respect to the capture, the first that applies in this order:
// closer than `borderMargin` pixels to a border, distance below thresholdTooLow, above
// thresholdTooHigh, a movement above its threshold, otherwise Ready. The comparisons are
// the box colour's: a NaN measurement matches none of them.
enum class SegmentState { NearBorder, TooClose, TooFar, Moving, Ready };
SegmentState ClassifySegment(const quorvel::SegmentInfo& segment, int imageCols, int imageRows,
                             const AppSettings& settings, int borderMargin);

// The colour of a segment's box in an image of imageCols x imageRows pixels; the first
// rule that matches wins:
//   box closer than kBoxColourMargin to a border, or distance < thresholdTooLow: outOfRange
//   distance > thresholdTooHigh: tooHigh
//   |moveX| > thresholdMoveX or |moveY| > thresholdMoveY or |moveZ| > thresholdMoveZ: moving
//   otherwise: ready
cv::Scalar BoxColour(const quorvel::SegmentInfo& segment, int imageCols, int imageRows, const AppSettings& settings,
                     const BoxColours& colours = BoxColours{});

// Whether one segment lets the capture happen: at least kCaptureMargin pixels from every
// border (inclusive), thresholdTooLow <= distance <= thresholdTooHigh, and every movement's
// magnitude at most its threshold. The hand arrangement is not part of this.
bool SegmentReady(const quorvel::SegmentInfo& segment, int imageCols, int imageRows, const AppSettings& settings);

// The capture condition of one frame: at least one segment, HandArrangementOk for the mode
// and marks, and SegmentReady for every segment. A frame without segments is never ready.
bool CaptureConditionHolds(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, int imageCols,
                           int imageRows, const AppSettings& settings, const FingerMarks& marks = {});
