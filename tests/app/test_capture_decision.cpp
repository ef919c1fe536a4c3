#include "CaptureDecision.h"
#include "CaptureMode.h"

#include "TestSegments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using quorvel::SegmentInfo;

namespace {

constexpr int kCols = 640;
constexpr int kRows = 480;

// A right hand whose four segments each keep exactly `margin` pixels from one border:
// left, top, right and bottom in that order, first posY above the fourth's.
std::vector<SegmentInfo> RightHandAtMargin(int margin, float distance)
{
    return {
        MakeSegment(margin, 100, 80, 200, distance),                   // left border
        MakeSegment(200, margin, 80, 200, distance),                   // top border
        MakeSegment(kCols - margin - 80, 150, 80, 200, distance),      // right border
        MakeSegment(400, kRows - margin - 200, 80, 200, distance),     // bottom border
    };
}

bool SameColour(const cv::Scalar& a, const cv::Scalar& b)
{
    return a == b;
}

} // namespace

// --- readiness at the border margin -------------------------------------------------------

TEST(CaptureCondition, HoldsWithEverySegmentExactlyThirtyPixelsFromItsBorder)
{
    const AppSettings settings;
    const auto segments = RightHandAtMargin(30, settings.thresholdTooLow);
    EXPECT_TRUE(CaptureConditionHolds(Right4, segments, kCols, kRows, settings));
}

TEST(CaptureCondition, FailsWhenAnySegmentComesToTwentyNinePixelsFromItsBorder)
{
    const AppSettings settings;
    const auto atMargin = RightHandAtMargin(30, settings.thresholdTooLow);
    for (std::size_t i = 0; i < atMargin.size(); ++i) {
        auto segments = atMargin;
        // One pixel towards the border this segment keeps its margin to.
        switch (i) {
        case 0: segments[i].posX -= 1; break;
        case 1: segments[i].posY -= 1; break;
        case 2: segments[i].posX += 1; break;
        case 3: segments[i].posY += 1; break;
        }
        EXPECT_FALSE(SegmentReady(segments[i], kCols, kRows, settings)) << "segment " << i;
        EXPECT_FALSE(CaptureConditionHolds(Right4, segments, kCols, kRows, settings)) << "segment " << i;
    }
}

TEST(CaptureCondition, DistanceOnEitherThresholdIsReadyAndJustOutsideIsNot)
{
    const AppSettings settings;
    SegmentInfo s = MakeSegment(100, 100, 80, 200);
    s.distance = settings.thresholdTooLow;
    EXPECT_TRUE(SegmentReady(s, kCols, kRows, settings));
    s.distance = settings.thresholdTooHigh;
    EXPECT_TRUE(SegmentReady(s, kCols, kRows, settings));
    s.distance = std::nextafter(settings.thresholdTooLow, 0.0f);
    EXPECT_FALSE(SegmentReady(s, kCols, kRows, settings));
    s.distance = std::nextafter(settings.thresholdTooHigh, 1000.0f);
    EXPECT_FALSE(SegmentReady(s, kCols, kRows, settings));
}

TEST(CaptureCondition, MovementComparesItsMagnitudeInclusively)
{
    const AppSettings settings;
    const SegmentInfo base = MakeSegment(100, 100, 80, 200);
    const struct {
        float SegmentInfo::*move;
        float threshold;
    } axes[] = {{&SegmentInfo::moveX, settings.thresholdMoveX},
                {&SegmentInfo::moveY, settings.thresholdMoveY},
                {&SegmentInfo::moveZ, settings.thresholdMoveZ}};
    for (const auto& axis : axes) {
        SegmentInfo s = base;
        s.*axis.move = -axis.threshold;
        EXPECT_TRUE(SegmentReady(s, kCols, kRows, settings)) << axis.threshold;
        s.*axis.move = std::nextafter(-axis.threshold, -1000.0f);
        EXPECT_FALSE(SegmentReady(s, kCols, kRows, settings)) << axis.threshold;
        s.*axis.move = std::nextafter(axis.threshold, 1000.0f);
        EXPECT_FALSE(SegmentReady(s, kCols, kRows, settings)) << axis.threshold;
    }
}

TEST(CaptureCondition, NaNMeasurementsAreNeverReady)
{
    const AppSettings settings;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(SegmentReady(MakeSegment(100, 100, 80, 200, nan), kCols, kRows, settings));
    EXPECT_FALSE(SegmentReady(MakeSegment(100, 100, 80, 200, 195.0f, 0.0f, nan), kCols, kRows, settings));
}

TEST(CaptureCondition, HugeBoxesDoNotWrapAroundIntoTheImage)
{
    const AppSettings settings;
    const int32_t big = std::numeric_limits<int32_t>::max();
    // posX + width overflows 32 bits; wrapped it would look like a box well inside.
    const SegmentInfo wide = MakeSegment(100, 100, big, 200);
    const SegmentInfo tall = MakeSegment(100, 100, 80, big);
    EXPECT_FALSE(SegmentReady(wide, kCols, kRows, settings));
    EXPECT_FALSE(SegmentReady(tall, kCols, kRows, settings));
    const BoxColours colours;
    EXPECT_TRUE(SameColour(BoxColour(wide, kCols, kRows, settings, colours), colours.outOfRange));
    EXPECT_TRUE(SameColour(BoxColour(tall, kCols, kRows, settings, colours), colours.outOfRange));
}

// --- hand arrangement ----------------------------------------------------------------------

TEST(HandArrangement, RightHandNeedsFirstSegmentAboveTheFourth)
{
    std::vector<SegmentInfo> s = {MakeSegment(0, 100, 1, 1), MakeSegment(0, 50, 1, 1), MakeSegment(0, 60, 1, 1),
                                  MakeSegment(0, 101, 1, 1)};
    EXPECT_TRUE(HandArrangementOk(Right4, s));
    EXPECT_FALSE(HandArrangementOk(Left4, s));
    s[3].posY = 100;
    EXPECT_FALSE(HandArrangementOk(Right4, s));
    EXPECT_FALSE(HandArrangementOk(Left4, s));
    s[3].posY = 99;
    EXPECT_FALSE(HandArrangementOk(Right4, s));
    EXPECT_TRUE(HandArrangementOk(Left4, s));
}

TEST(HandArrangement, FourFingerModesNeedExactlyFourSegments)
{
    const std::vector<SegmentInfo> three = {MakeSegment(0, 10, 1, 1), MakeSegment(0, 20, 1, 1), MakeSegment(0, 30, 1, 1)};
    std::vector<SegmentInfo> five = three;
    five.push_back(MakeSegment(0, 40, 1, 1));
    five.push_back(MakeSegment(0, 50, 1, 1));
    for (int32_t mode : {Right4, Left4}) {
        EXPECT_FALSE(HandArrangementOk(mode, three));
        EXPECT_FALSE(HandArrangementOk(mode, five));
        EXPECT_FALSE(HandArrangementOk(mode, {MakeSegment(0, 10, 1, 1), MakeSegment(0, 20, 1, 1)}));
    }
}

TEST(HandArrangement, ThumbsNeedExactlyTwoSegmentsInAnyOrder)
{
    EXPECT_TRUE(HandArrangementOk(Thumbs2, {MakeSegment(0, 90, 1, 1), MakeSegment(0, 10, 1, 1)}));
    EXPECT_TRUE(HandArrangementOk(Thumbs2, {MakeSegment(0, 10, 1, 1), MakeSegment(0, 90, 1, 1)}));
    EXPECT_FALSE(HandArrangementOk(Thumbs2, {MakeSegment(0, 10, 1, 1)}));
    EXPECT_FALSE(HandArrangementOk(Thumbs2, {MakeSegment(0, 10, 1, 1), MakeSegment(0, 20, 1, 1), MakeSegment(0, 30, 1, 1)}));
    EXPECT_FALSE(HandArrangementOk(Thumbs2, {MakeSegment(0, 10, 1, 1), MakeSegment(0, 20, 1, 1), MakeSegment(0, 30, 1, 1),
                                             MakeSegment(0, 40, 1, 1)}));
}

TEST(HandArrangement, WrongOrderBlocksCaptureThoughEveryBoxIsGreen)
{
    const AppSettings settings;
    const BoxColours colours;
    auto segments = RightHandAtMargin(30, 195.0f);
    std::swap(segments[0].posY, segments[3].posY); // now the first lies below the fourth
    for (const SegmentInfo& s : segments) {
        EXPECT_TRUE(SegmentReady(s, kCols, kRows, settings));
        EXPECT_TRUE(SameColour(BoxColour(s, kCols, kRows, settings, colours), colours.ready));
    }
    EXPECT_FALSE(CaptureConditionHolds(Right4, segments, kCols, kRows, settings));
    EXPECT_TRUE(CaptureConditionHolds(Left4, segments, kCols, kRows, settings));
}

// --- box colour ----------------------------------------------------------------------------

TEST(BoxColour, FirstMatchingRuleWins)
{
    const AppSettings settings;
    const BoxColours colours;
    const float tooHigh = settings.thresholdTooHigh + 1.0f;
    const float tooLow = settings.thresholdTooLow - 1.0f;
    const float moving = settings.thresholdMoveX + 1.0f;

    EXPECT_TRUE(SameColour(BoxColour(MakeSegment(100, 100, 50, 50, tooHigh, moving), kCols, kRows, settings, colours),
                           colours.tooHigh));
    EXPECT_TRUE(SameColour(BoxColour(MakeSegment(100, 100, 50, 50, tooLow, moving), kCols, kRows, settings, colours),
                           colours.outOfRange));
    EXPECT_TRUE(SameColour(BoxColour(MakeSegment(100, 100, 50, 50, 195.0f, 0.0f, 0.0f, -21.0f), kCols, kRows,
                                     settings, colours),
                           colours.moving));
    EXPECT_TRUE(SameColour(BoxColour(MakeSegment(100, 100, 50, 50), kCols, kRows, settings, colours), colours.ready));
    // A distance on the lower threshold is in range, not red.
    EXPECT_TRUE(SameColour(BoxColour(MakeSegment(100, 100, 50, 50, settings.thresholdTooLow), kCols, kRows, settings,
                                     colours),
                           colours.ready));
    // Near the border and too low at once: still the one red.
    EXPECT_TRUE(SameColour(BoxColour(MakeSegment(2, 100, 50, 50, tooLow), kCols, kRows, settings, colours),
                           colours.outOfRange));
}

TEST(BoxColour, UsesFivePixelMarginWhileCaptureNeedsThirty)
{
    const AppSettings settings;
    const BoxColours colours;
    // Ten pixels from the left border: coloured by distance or movement, but no capture.
    const SegmentInfo nearLeft = MakeSegment(10, 100, 50, 50);
    EXPECT_TRUE(SameColour(BoxColour(nearLeft, kCols, kRows, settings, colours), colours.ready));
    EXPECT_FALSE(SegmentReady(nearLeft, kCols, kRows, settings));
    SegmentInfo nearLeftHigh = nearLeft;
    nearLeftHigh.distance = settings.thresholdTooHigh + 5.0f;
    EXPECT_TRUE(SameColour(BoxColour(nearLeftHigh, kCols, kRows, settings, colours), colours.tooHigh));
    SegmentInfo nearLeftMoving = nearLeft;
    nearLeftMoving.moveY = 10.0f;
    EXPECT_TRUE(SameColour(BoxColour(nearLeftMoving, kCols, kRows, settings, colours), colours.moving));

    // Exactly five pixels on every side is inside the box margin, four is not.
    const std::vector<SegmentInfo> atFive = {MakeSegment(5, 100, 50, 50), MakeSegment(100, 5, 50, 50),
                                             MakeSegment(kCols - 5 - 50, 100, 50, 50),
                                             MakeSegment(100, kRows - 5 - 50, 50, 50)};
    const std::vector<SegmentInfo> atFour = {MakeSegment(4, 100, 50, 50), MakeSegment(100, 4, 50, 50),
                                             MakeSegment(kCols - 4 - 50, 100, 50, 50),
                                             MakeSegment(100, kRows - 4 - 50, 50, 50)};
    for (std::size_t i = 0; i < atFive.size(); ++i) {
        EXPECT_TRUE(SameColour(BoxColour(atFive[i], kCols, kRows, settings, colours), colours.ready)) << i;
        EXPECT_TRUE(SameColour(BoxColour(atFour[i], kCols, kRows, settings, colours), colours.outOfRange)) << i;
    }
}
