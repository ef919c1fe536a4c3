// The capture decision: each segment's readiness and box colour at every threshold's exact
// margin, the hand arrangement and condition, and the status texts built on them.
#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "SettingsStore.h"
#include "StatusTexts.h"
#include "test_segments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using quorvel::SegmentInfo;

namespace {

constexpr int kCols = 640;
constexpr int kRows = 480;

// A right hand whose four segments keep `margin` pixels from the left, top, right and
// bottom border in that order; the first lies above the fourth.
std::vector<SegmentInfo> RightHandAtMargin(int margin)
{
    return { MakeSegment(margin, 100, 80, 200), MakeSegment(200, margin, 80, 200), MakeSegment(kCols - margin - 80, 150, 80, 200),
             MakeSegment(400, kRows - margin - 200, 80, 200) };
}

// Marks in the command line's form; "" for none.
FingerMarks Marks(const char* text) { return *text == '\0' ? FingerMarks{} : ParseFingerMarks(text, nullptr).value(); }

float Below(float value) { return std::nextafter(value, -1000.0f); }
float Above(float value) { return std::nextafter(value, 1000.0f); }

} // namespace

// Defaults: 185 to 205 mm, movement at most 2.5, 3 and 20; capture needs 30 pixels to every
// border, the box colour 5. Colours in order of precedence: too high, out of range, moving.
TEST(CaptureDecision, EachSegmentIsReadyAndColouredByTheFirstRuleItBreaks)
{
    const AppSettings settings = DefaultAppSettings();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const int32_t huge = std::numeric_limits<int32_t>::max();
    const auto S = [](int32_t x, int32_t y, float d = 195.0f, float mx = 0.0f, float my = 0.0f, float mz = 0.0f) {
        return MakeSegment(x, y, 80, 200, d, mx, my, mz);
    };
    const struct {
        const char* what;
        SegmentInfo segment;
        bool ready;
        cv::Scalar BoxColours::*colour; // null: not asserted
    } rows[] = {
        { "in range and still", S(100, 100), true, &BoxColours::ready },
        { "30 px from the left", S(30, 100), true, &BoxColours::ready },
        { "29 px from the left", S(29, 100), false, &BoxColours::ready },
        { "30 px from the top", S(100, 30), true, &BoxColours::ready },
        { "29 px from the top", S(100, 29), false, &BoxColours::ready },
        { "30 px from the right", S(kCols - 30 - 80, 100), true, &BoxColours::ready },
        { "29 px from the right", S(kCols - 29 - 80, 100), false, &BoxColours::ready },
        { "30 px from the bottom", S(100, kRows - 30 - 200), true, &BoxColours::ready },
        { "29 px from the bottom", S(100, kRows - 29 - 200), false, &BoxColours::ready },
        { "5 px from the left", S(5, 100), false, &BoxColours::ready },
        { "4 px from the left", S(4, 100), false, &BoxColours::outOfRange },
        { "5 px from the top", S(100, 5), false, &BoxColours::ready },
        { "4 px from the top", S(100, 4), false, &BoxColours::outOfRange },
        { "5 px from the right", S(kCols - 5 - 80, 100), false, &BoxColours::ready },
        { "4 px from the right", S(kCols - 4 - 80, 100), false, &BoxColours::outOfRange },
        { "5 px from the bottom", S(100, kRows - 5 - 200), false, &BoxColours::ready },
        { "4 px from the bottom", S(100, kRows - 4 - 200), false, &BoxColours::outOfRange },
        { "on the lower distance", S(100, 100, 185.0f), true, &BoxColours::ready },
        { "just too low", S(100, 100, Below(185.0f)), false, &BoxColours::outOfRange },
        { "on the upper distance", S(100, 100, 205.0f), true, &BoxColours::ready },
        { "just too high", S(100, 100, Above(205.0f)), false, &BoxColours::tooHigh },
        { "moving X on the limit", S(100, 100, 195.0f, -2.5f), true, &BoxColours::ready },
        { "moving X just over", S(100, 100, 195.0f, Above(2.5f)), false, &BoxColours::moving },
        { "moving X just under", S(100, 100, 195.0f, Below(-2.5f)), false, &BoxColours::moving },
        { "moving Y on the limit", S(100, 100, 195.0f, 0.0f, -3.0f), true, &BoxColours::ready },
        { "moving Y just over", S(100, 100, 195.0f, 0.0f, Above(3.0f)), false, &BoxColours::moving },
        { "moving Y just under", S(100, 100, 195.0f, 0.0f, Below(-3.0f)), false, &BoxColours::moving },
        { "moving Z on the limit", S(100, 100, 195.0f, 0.0f, 0.0f, -20.0f), true, &BoxColours::ready },
        { "moving Z just over", S(100, 100, 195.0f, 0.0f, 0.0f, Above(20.0f)), false, &BoxColours::moving },
        { "moving Z just under", S(100, 100, 195.0f, 0.0f, 0.0f, Below(-20.0f)), false, &BoxColours::moving },
        { "too high and moving", S(100, 100, 206.0f, 3.5f), false, &BoxColours::tooHigh },
        { "too low and moving", S(100, 100, 184.0f, 3.5f), false, &BoxColours::outOfRange },
        { "at the border and too low", S(2, 100, 184.0f), false, &BoxColours::outOfRange },
        { "10 px from the left and too high", S(10, 100, 210.0f), false, &BoxColours::tooHigh },
        { "10 px from the left and moving", S(10, 100, 195.0f, 0.0f, 10.0f), false, &BoxColours::moving },
        { "distance not a number", S(100, 100, nan), false, nullptr },
        { "movement not a number", S(100, 100, 195.0f, 0.0f, nan), false, nullptr },
        // x + width overflows 32 bits; wrapped it would look like a box well inside.
        { "huge width", MakeSegment(100, 100, huge, 200), false, &BoxColours::outOfRange },
        { "huge height", MakeSegment(100, 100, 80, huge), false, &BoxColours::outOfRange },
    };
    const BoxColours colours;
    for (const auto& row : rows) {
        EXPECT_EQ(SegmentReady(row.segment, kCols, kRows, settings), row.ready) << row.what;
        if (row.colour != nullptr) {
            EXPECT_EQ(BoxColour(row.segment, kCols, kRows, settings, colours), colours.*row.colour) << row.what;
        }
    }
}

TEST(CaptureDecision, TheHandArrangementNeedsTheModesCountAndOrder)
{
    const struct {
        int32_t mode;
        std::vector<int32_t> posY;
        bool ok;
        const char* marks = ""; // as the command line gives them
    } rows[] = {
        { Right4, { 100, 50, 60, 101 }, true },
        { Left4, { 100, 50, 60, 101 }, false },
        { Right4, { 100, 50, 60, 100 }, false },
        { Left4, { 100, 50, 60, 100 }, false },
        { Right4, { 100, 50, 60, 99 }, false },
        { Left4, { 100, 50, 60, 99 }, true },
        { Right4, { 10, 20, 30 }, false },
        { Left4, { 30, 20, 10 }, false },
        { Right4, { 10, 20, 30, 40, 50 }, false },
        { Left4, { 50, 40, 30, 20, 10 }, false },
        { Right4, { 10, 20 }, false },
        { Thumbs2, { 90, 10 }, true },
        { Thumbs2, { 10, 90 }, true },
        { Thumbs2, { 10 }, false },
        { Thumbs2, { 10, 20, 30 }, false },
        { Thumbs2, { 10, 20, 30, 40 }, false },
        // An amputated finger is absent; one unable to print may be either.
        { Right4, { 10, 20, 30 }, true, "3" },
        { Right4, { 30, 20, 10 }, false, "3" },
        { Right4, { 10, 20, 30, 40 }, false, "3" },
        { Right4, { 10, 20, 30 }, true, "3:UP" },
        { Right4, { 10, 20, 30, 40 }, true, "3:UP" },
        { Right4, { 10, 20 }, false, "3:UP" },
        { Left4, { 10, 20 }, false, "8,9" },
        { Left4, { 20, 10 }, true, "8,9" },
        { Left4, { 50 }, true, "7,8,9" },
        { Thumbs2, { 10 }, true, "1" },
        { Thumbs2, { 10, 20 }, false, "1" },
        { Right4, { 40, 30, 20, 10 }, false, "7" }, // marks of the other hand change nothing
    };
    for (const auto& row : rows) {
        std::vector<SegmentInfo> segments;
        for (int32_t y : row.posY) {
            segments.push_back(MakeSegment(0, y, 1, 1));
        }
        EXPECT_EQ(HandArrangementOk(row.mode, segments, Marks(row.marks)), row.ok)
            << "mode " << row.mode << ", " << segments.size() << ", " << row.marks;
    }
    // A mode is left out once every one of its fingers is marked, either way.
    for (const auto& [mode, marks, missing] : { std::tuple{ Right4, "2,3,4,5", true },
                                                { Right4, "2:UP,3,4,5", true },
                                                { Right4, "2,3,4", false },
                                                { Thumbs2, "1,6", true },
                                                { Left4, "2,3,4,5", false } }) {
        EXPECT_EQ(AllFingersMissing(mode, Marks(marks)), missing) << mode << " " << marks;
    }
    EXPECT_FALSE(AllFingersMissing(Right4, {}));
}

TEST(CaptureDecision, AHandIsCapturedWhenEverySegmentIsReadyAndInOrder)
{
    const AppSettings settings = DefaultAppSettings();
    EXPECT_TRUE(CaptureConditionHolds(Right4, RightHandAtMargin(30), kCols, kRows, settings));
    for (std::size_t i = 0; i < 4; ++i) {
        std::vector<SegmentInfo> segments = RightHandAtMargin(30);
        segments[i] = RightHandAtMargin(29)[i];
        EXPECT_FALSE(CaptureConditionHolds(Right4, segments, kCols, kRows, settings)) << "segment " << i;
    }
    // Every box green, but the first now lies below the fourth.
    std::vector<SegmentInfo> swapped = RightHandAtMargin(30);
    std::swap(swapped[0].posY, swapped[3].posY);
    EXPECT_FALSE(CaptureConditionHolds(Right4, swapped, kCols, kRows, settings));
    EXPECT_TRUE(CaptureConditionHolds(Left4, swapped, kCols, kRows, settings));
}

TEST(StatusTexts, GuidanceNamesTheHandAndTheFirstThingToMend)
{
    const std::vector<SegmentInfo> right = RightHandAtMargin(100);
    std::vector<SegmentInfo> left = right;
    std::swap(left[0].posY, left[3].posY);
    // The right hand with its second finger changed.
    const auto with = [&right](float distance, float moveZ = 0.0f, int32_t x = 200) {
        std::vector<SegmentInfo> hand = right;
        hand[1] = MakeSegment(x, 100, 80, 200, distance, 0.0f, 0.0f, moveZ);
        return hand;
    };
    std::vector<SegmentInfo> tilted = with(150.0f);
    tilted[2].distance = 250.0f;
    const struct {
        int32_t mode;
        std::vector<SegmentInfo> segments;
        const char* expected;
        const char* marks = "";
    } cases[] = {
        { Right4, {}, "Right hand: place the hand over the scanner" },
        { Thumbs2, {}, "Thumbs: place both thumbs over the scanner" },
        { Right4, { right.begin(), right.begin() + 3 }, "Right hand: show all four fingers" },
        { Thumbs2, right, "Thumbs: show both thumbs and nothing else" },
        { Right4, left, "Right hand expected: this looks like the left hand" },
        { Left4, right, "Left hand expected: this looks like the right hand" },
        // 29 px from the border: a green box, but too close to the edge for the capture.
        { Right4, with(195.0f, 0.0f, kCols - 29 - 80), "Right hand: move to the centre" },
        { Right4, with(150.0f, 25.0f), "Right hand: move away" },
        { Right4, with(250.0f), "Right hand: move closer" },
        { Right4, tilted, "Right hand: hold the hand level" },
        { Right4, with(195.0f, 25.0f), "Right hand: hold still" },
        { Right4, with(std::numeric_limits<float>::quiet_NaN()), "Right hand: hold still" },
        { Right4, right, "Right hand: ready" },
        { Left4, left, "Left hand: ready" },
        { Thumbs2, { MakeSegment(100, 100, 80, 200), MakeSegment(300, 100, 80, 200) }, "Thumbs: ready" },
        // With fingers marked missing: the count left, the order of the first and last present.
        { Right4, { right.begin(), right.begin() + 3 }, "Right hand: ready", "3" },
        { Right4, right, "Right hand: show the fingers not marked missing (3)", "3" },
        { Right4, { right.begin(), right.begin() + 2 }, "Right hand: show the fingers not marked missing (3 or 4)", "3:UP" },
        { Right4, { left.begin(), left.begin() + 3 }, "Right hand expected: this looks like the left hand", "3" },
        { Right4, { left.begin(), left.begin() + 1 }, "Right hand: ready", "2,3,4" },
        { Thumbs2, { MakeSegment(100, 100, 80, 200) }, "Thumbs: ready", "1" },
        { Thumbs2, { MakeSegment(100, 100, 80, 200), MakeSegment(300, 100, 80, 200) }, "Thumbs: show one thumb and nothing else", "6" },
    };
    const AppSettings settings = DefaultAppSettings();
    for (const auto& c : cases) {
        const QString text = CaptureGuidance(c.mode, c.segments, kCols, kRows, settings, Marks(c.marks));
        EXPECT_EQ(text.toStdString(), c.expected);
        EXPECT_EQ(text.endsWith(QStringLiteral(": ready")),
                  CaptureConditionHolds(c.mode, c.segments, kCols, kRows, settings, Marks(c.marks)))
            << c.expected;
    }
}

// The window tests see the other link texts and summaries.
TEST(StatusTexts, AnIPv6LinkIsBracketedAndTheSummaryGroupsTheModesByWhyTheyWereNotStored)
{
    EXPECT_EQ(LinkText(LinkState::Connected, QStringLiteral("::1"), 5, {}), QStringLiteral("Connected to [::1]:5"));
    // The access level is the device's text: no control character and no screenful reaches the line.
    EXPECT_EQ(LinkText(LinkState::Connected, QStringLiteral("h"), 5, QStringLiteral("<b>A</b>\x1b[2J") + QString(40, 'x')),
              QStringLiteral("Connected to h:5 \u00b7 access level <b>A</b>\\x1b[2Jx\u2026"));
    using O = CaptureOutcome;
    EXPECT_EQ(RunSummary({ { Right4, O::TimeLimit, false }, { Left4, O::Forced, true }, { Thumbs2, O::StorageFailed, false } }, QStringLiteral("/d")),
              QStringLiteral("Stored 1 of 3 modes in /d; not stored: 4R (time limit), 2T (storage failed)"));
    EXPECT_EQ(RunSummary({ { Right4, O::Captured, false }, { Left4, O::Forced, false }, { Thumbs2, O::DeviceError, false } }, QStringLiteral("/d")),
              QStringLiteral("Stored 0 of 3 modes in /d; not stored: 4R, 4L (no save option on), 2T (device error)"));
}
