#include "CaptureDecision.h"

#include "CaptureMode.h"
#include "FingerPositions.h"

#include <cmath>

namespace {

// Box edges in 64 bits: position plus size may leave the int32 range for whatever the
// device reports.
struct BoxEdges {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

BoxEdges EdgesOf(const quorvel::SegmentInfo& segment)
{
    return {segment.posX, segment.posY, int64_t{segment.posX} + segment.width, int64_t{segment.posY} + segment.height};
}

bool MovesTooMuch(const quorvel::SegmentInfo& segment, const AppSettings& settings)
{
    return std::fabs(segment.moveX) > settings.thresholdMoveX || std::fabs(segment.moveY) > settings.thresholdMoveY
        || std::fabs(segment.moveZ) > settings.thresholdMoveZ;
}

} // namespace

bool HandArrangementOk(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, const FingerMarks& marks)
{
    if (ExpectedSegmentCounts(mode, marks).count(static_cast<int>(segments.size())) == 0) {
        return false;
    }
    if (segments.size() < 2) {
        return true; // one fingertip has no order
    }
    const quorvel::SegmentInfo& first = segments.front();
    const quorvel::SegmentInfo& last = segments.back();
    switch (mode) {
    case Right4:
        return first.posY < last.posY;
    case Left4:
        return first.posY > last.posY;
    default:
        return true;
    }
}

bool AllFingersMissing(int32_t mode, const FingerMarks& marks)
{
    const std::set<int> counts = ExpectedSegmentCounts(mode, marks);
    return !counts.empty() && *counts.begin() == 0;
}

SegmentState ClassifySegment(const quorvel::SegmentInfo& segment, int imageCols, int imageRows,
                             const AppSettings& settings, int borderMargin)
{
    const BoxEdges box = EdgesOf(segment);
    const int64_t cols = imageCols;
    const int64_t rows = imageRows;
    if (box.left < borderMargin || box.top < borderMargin || box.right > cols - borderMargin
        || box.bottom > rows - borderMargin) {
        return SegmentState::NearBorder;
    }
    if (segment.distance < settings.thresholdTooLow) {
        return SegmentState::TooClose;
    }
    if (segment.distance > settings.thresholdTooHigh) {
        return SegmentState::TooFar;
    }
    if (MovesTooMuch(segment, settings)) {
        return SegmentState::Moving;
    }
    return SegmentState::Ready;
}

cv::Scalar BoxColour(const quorvel::SegmentInfo& segment, int imageCols, int imageRows, const AppSettings& settings,
                     const BoxColours& colours)
{
    switch (ClassifySegment(segment, imageCols, imageRows, settings, kBoxColourMargin)) {
    case SegmentState::NearBorder:
    case SegmentState::TooClose:
        return colours.outOfRange;
    case SegmentState::TooFar:
        return colours.tooHigh;
    case SegmentState::Moving:
        return colours.moving;
    case SegmentState::Ready:
        break;
    }
    return colours.ready;
}

bool SegmentReady(const quorvel::SegmentInfo& segment, int imageCols, int imageRows, const AppSettings& settings)
{
    const BoxEdges box = EdgesOf(segment);
    const int64_t cols = imageCols;
    const int64_t rows = imageRows;
    const bool inside = box.left >= kCaptureMargin && box.top >= kCaptureMargin && box.right <= cols - kCaptureMargin
        && box.bottom <= rows - kCaptureMargin;
    // Written as "within" so that a NaN distance or movement is never ready.
    const bool inDistance =
        settings.thresholdTooLow <= segment.distance && segment.distance <= settings.thresholdTooHigh;
    const bool still = std::fabs(segment.moveX) <= settings.thresholdMoveX
        && std::fabs(segment.moveY) <= settings.thresholdMoveY && std::fabs(segment.moveZ) <= settings.thresholdMoveZ;
    return inside && inDistance && still;
}

bool CaptureConditionHolds(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, int imageCols,
                           int imageRows, const AppSettings& settings, const FingerMarks& marks)
{
    if (segments.empty() || !HandArrangementOk(mode, segments, marks)) {
        return false;
    }
    for (const quorvel::SegmentInfo& segment : segments) {
        if (!SegmentReady(segment, imageCols, imageRows, settings)) {
            return false;
        }
    }
    return true;
}
